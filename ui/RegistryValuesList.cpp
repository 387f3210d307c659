#include "ui/RegistryValuesList.h"

#include <unordered_set>
#include <vector>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "base/ValueText.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"

namespace RegistryValuesList {

void Fill(HKEY root, const std::string& path, ui::ListView& list) {
    RegKey key;
    if (path.empty() || QV_Registry_Lib::OpenKey(root, path, key.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY) != 0)
        return;
    TrapErrors("RegistryValuesList", "Fill", [&] {
        // The rows are read whole first and then go into the list in one batch, with painting
        // off: the list is drawn once, when it is full, whatever the number of values.
        std::vector<ui::NewListRow> rows;
        // The buffers are sized once from the key's largest name and data.
        DWORD count = 0, maxName = 0, maxData = 0;
        const bool counted = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                              &maxName, &maxData, nullptr, nullptr) == 0;
        if (counted) rows.reserve(count);
        std::vector<char> name((maxName + 1) * 2);
        std::vector<BYTE> data(maxData + 2);
        // One picture per kind of value, shared by every row of that kind.
        const ui::ImageRef text("String"), bytes("Bin");
        std::unordered_set<std::string> named;
        for (DWORD i = 0; counted && i < count; ++i) {
            DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
            long rc = RegEnumValueA(key.get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            if (rc == ERROR_MORE_DATA) {  // the value grew meanwhile
                name.resize(2 * 16384);
                data.resize(dataLen + 2);
                nameLen = static_cast<DWORD>(name.size());
                dataLen = static_cast<DWORD>(data.size());
                rc = RegEnumValueA(key.get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            }
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != 0) continue;
            std::string valueName(name.data(), nameLen);
            // Two names that differ only in characters the ANSI code page lacks read alike: the
            // second cannot be told apart by its name, so it is passed over like an unreadable one.
            if (!valueName.empty() && !named.insert(TextCase::Lower(valueName)).second) continue;
            ui::NewListRow& row = rows.emplace_back();
            if (valueName.empty()) {
                row.text = "Default";
            } else {
                row.key = "Key" + valueName;
                row.text = std::move(valueName);
            }
            row.icon = row.smallIcon = (type == REG_SZ || type == REG_EXPAND_SZ) ? text : bytes;
            row.subItems.push_back(ValueText::Of(type, {reinterpret_cast<const char*>(data.data()), dataLen}));
        }
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
