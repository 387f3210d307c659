// A class's registry entries as folder nodes below its class node, and the values list of
// the key that an entries node stands for.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "ui/ListView.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

void AddFolder(ui::TreeView& tree, const std::string& parentKey, const std::string& name) {
    tree.Nodes.Add(parentKey, ui::tvwChild, parentKey + "\\" + name, name, "Folder", "FolderOpen");
}

// Adds the sub-keys of the open key `h` below the node `nodeKey`, depth first.
void AddSubkeys(ui::TreeView& tree, HKEY h, const std::string& nodeKey) {
    std::string name;
    for (long index = 0;; ++index) {
        long noMore = 0;
        long rc = EnumKey(h, index, name, noMore, 0);
        if (noMore) break;
        if (rc != 0) {
            if (rc == ERROR_MORE_DATA) continue;  // an unreadable name is skipped
            break;
        }
        const std::string childKey = nodeKey + "\\" + name;
        if (tree.Nodes.Exists(childKey)) continue;
        AddFolder(tree, nodeKey, name);
        RegKey child;
        if (OpenKey(h, name, child.Receive(), 0, KEY_READ_ONLY) == 0) AddSubkeys(tree, child.get(), childKey);
    }
}

bool IsClsidText(const std::string& s) { return TextCase::Equal(s, "clsid"); }

}  // namespace

std::string RegistryPathOf(const std::string& nodeKey, int leading) {
    std::string path = nodeKey;
    for (int i = 0; i < leading; ++i) {
        size_t p = path.find('\\');
        if (p == std::string::npos) break;
        path.erase(0, p + 1);
    }
    return path;
}

void AddRegistrySubkeysRec(ui::TreeView& tree, const std::string& nodeKey) {
    RegKey key;
    if (OpenKey(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), key.Receive(), 0, KEY_READ_ONLY) != 0) return;
    TrapErrors("Tab_RegComp", "AddRegistrySubkeysRec", [&] { AddSubkeys(tree, key.get(), nodeKey); });
}

void FillRegCompEntriesTree(ui::TreeView& tree, const std::string& classNodeKey, const clsRegComp& rec,
                            bool makeVisible) {
    TrapErrors("Tab_RegComp", "FillRegCompEntriesTree", [&] {
        QV_TreeView_Lib::RemoveChildNodes(tree, classNodeKey);

        RegKey hClass;
        if (OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + rec.Key, hClass.Receive(), 0, KEY_READ_ONLY) != 0) return;

        const std::string hive = classNodeKey + "\\HKEY_CLASSES_ROOT";
        tree.Nodes.Add(classNodeKey, ui::tvwChild, hive, "HKEY_CLASSES_ROOT", "Folder", "FolderOpen");
        AddFolder(tree, hive, "CLSID");
        AddFolder(tree, hive + "\\CLSID", rec.Key);
        const std::string classKey = hive + "\\CLSID\\" + rec.Key;
        if (makeVisible) tree.Nodes.Item(classKey)->EnsureVisible();
        AddSubkeys(tree, hClass.get(), classKey);

        if (!rec.vntProgID.empty() && !IsClsidText(rec.vntProgID)) {
            AddFolder(tree, hive, rec.vntProgID);
            AddRegistrySubkeysRec(tree, hive + "\\" + rec.vntProgID);
        }
        if (!rec.vntAppID.empty() && !IsClsidText(rec.vntAppID)) {
            AddFolder(tree, hive, "AppID");
            AddFolder(tree, hive + "\\AppID", rec.vntAppID);
            AddRegistrySubkeysRec(tree, hive + "\\AppID\\" + rec.vntAppID);
        }
        if (!rec.vntTypeLib.empty()) {
            AddFolder(tree, hive, "TypeLib");
            AddFolder(tree, hive + "\\TypeLib", rec.vntTypeLib);
            AddRegistrySubkeysRec(tree, hive + "\\TypeLib\\" + rec.vntTypeLib);
        }
    });
}

std::string ValueDataText(const std::string& data, unsigned long type) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return data.substr(0, data.find('\0'));
        case REG_DWORD:
            if (data.size() == 4) {
                unsigned long v = 0;
                for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
                return std::to_string(v);
            }
            break;
        case REG_MULTI_SZ: {
            // The strings one after the other, separated by a blank, as Regedit lists them.
            std::string out;
            for (size_t start = 0; start < data.size();) {
                size_t end = data.find('\0', start);
                if (end == std::string::npos) end = data.size();
                if (end == start) break;
                if (!out.empty()) out += ' ';
                out += data.substr(start, end - start);
                start = end + 1;
            }
            return out;
        }
        default:
            break;
    }
    // Every other type (binary, none, qword, big-endian, links, odd-sized dwords) as hex bytes.
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (unsigned char b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void FillValuesList(HKEY root, const std::string& path, ui::ListView& list) {
    RegKey key;
    if (path.empty() || OpenKey(root, path, key.Receive(), 0, KEY_READ_ONLY) != 0) return;
    const HKEY h = key.get();
    TrapErrors("Tab_RegComp", "FillRegistryValuesList", [&] {
        list.ListItems.Clear();
        std::string name, data;
        for (long index = 0;; ++index) {
            long type = 0, noMore = 0;
            long rc = EnumValue(h, index, name, data, type, noMore, 0);
            if (noMore) break;
            if (rc != 0) {
                // A value that cannot be read is skipped; the others are still listed.
                if (rc == ERROR_MORE_DATA) continue;
                break;
            }
            const char* icon = (type == REG_SZ || type == REG_EXPAND_SZ) ? "String" : "Bin";
            auto row = name.empty() ? list.ListItems.Add(0, "", "Default", icon, icon)
                                    : list.ListItems.Add(0, "Key" + name, name, icon, icon);
            row->SetSubItem(1, ValueDataText(data, static_cast<unsigned long>(type)));
        }
    });
}

void FillRegistryValuesList(const std::string& nodeKey, ui::ListView& list) {
    FillValuesList(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), list);
}

std::string ValueNameOfRow(const ui::ListItem& row) {
    // The unnamed value's row is the one without a key; named rows are keyed "Key" & name.
    if (row.Key().empty()) return "";
    return row.Key().substr(3);
}

}  // namespace Tab_RegComp
