#include "ui/RegistryValuesList.h"

#include <unordered_set>
#include <vector>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "base/ValueText.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "RegistryValuesList";
}  // namespace

namespace RegistryValuesList {

void Fill(HKEY root, const std::string& path, ui::ListView& list) {
    RegKey key;
    if (path.empty() || QV_Registry_Lib::OpenKey(root, path, key.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY) != 0)
        return;
    TrapErrors(kModule, "Fill", [&] {
        // The rows are read whole first and then go into the list in one batch, with painting
        // off: the list is drawn once, when it is full, whatever the number of values.
        std::vector<ui::NewListRow> rows;
        // One picture per kind of value, shared by every row of that kind.
        const ui::ImageRef text("String"), bytes("Bin");
        std::unordered_set<std::string> named;
        RegEnum::ForEachValue(key.get(), true, [&](const RegEnum::Value& value) {
            std::string valueName(value.name);
            // Two names that differ only in characters the ANSI code page lacks read alike: the
            // second cannot be told apart by its name, so it is passed over like an unreadable one.
            if (!valueName.empty() && !named.insert(TextCase::Lower(valueName)).second) return;
            ui::NewListRow& row = rows.emplace_back();
            if (valueName.empty()) {
                row.text = "Default";
            } else {
                row.key = "Key" + valueName;
                row.text = std::move(valueName);
            }
            row.icon = row.smallIcon = (value.type == REG_SZ || value.type == REG_EXPAND_SZ) ? text : bytes;
            row.subItems.push_back(ValueText::Of(value.type, value.data));
        });
        ui::RedrawOff quiet(list);
        list.ListItems.Clear();
        list.ListItems.AddRows(std::move(rows));
    });
}

std::string ValueNameOfRow(const ui::ListItem& row) {
    if (row.Key().empty()) return "";
    return row.Key().substr(3);
}

}  // namespace RegistryValuesList
