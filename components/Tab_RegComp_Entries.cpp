// A class's registry entries as folder nodes below its class node, and the values list of
// the key that an entries node stands for.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "ui/RegistryValuesList.h"
#include "ui/ListView.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

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
    TrapErrors(kModule, "AddRegistrySubkeysRec", [&] { AddSubkeys(tree, key.get(), nodeKey); });
}

void FillRegCompEntriesTree(ui::TreeView& tree, const std::string& classNodeKey, const clsRegComp& rec,
                            bool makeVisible) {
    TrapErrors(kModule, "FillRegCompEntriesTree", [&] {
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

void FillRegistryValuesList(const std::string& nodeKey, ui::ListView& list) {
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), list);
}

}  // namespace Tab_RegComp
