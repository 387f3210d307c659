// Edits of a class's registry entries, the Regedit jump and the start of the registration
// server to unregister a class's server file.
#include <windows.h>

#include <algorithm>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "base/Seams.h"
#include "registry/RegistryTab.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

using namespace QV_Registry_Lib;

namespace Tab_RegComp {
namespace {

// A key that an edit may move or delete: one of the class's own keys or below them, never the
// hive or a shared container (HKEY_CLASSES_ROOT\CLSID, \AppID, \TypeLib).
bool IsOwnKey(const std::string& nodeKey, const std::string& path) {
    if (path.empty() || path == nodeKey) return false;
    // The hive node's path comes out as its own text; no key of that name is meant.
    if (TextCase::Equal(path, "HKEY_CLASSES_ROOT")) return false;
    // Only entries nodes (class node key, the hive, then the path) stand for registry keys.
    if (std::count(nodeKey.begin(), nodeKey.end(), '\\') < 3) return false;
    size_t slash = path.find('\\');
    std::string first = path.substr(0, slash);
    bool container = TextCase::Equal(first, "CLSID") || TextCase::Equal(first, "AppID") || TextCase::Equal(first, "TypeLib");
    if (container && slash == std::string::npos) return false;
    return path.front() != '\\' && path.back() != '\\';
}

// The tab's edits as the edit commands call them: on the node the command acts on.
void NewKeyOf(ui::TreeView& tree, ui::Node& node, const std::string& name) { NewRegistryKey(tree, node.Key(), name); }
long RenameKeyOf(ui::TreeView& tree, ui::Node& node, const std::string& newName) {
    return RenameRegistryKey(tree, node.Key(), newName);
}
long DeleteKeyOf(ui::TreeView& tree, ui::Node& node) { return DeleteRegistryKey(tree, node.Key()); }
void NewValueOf(ui::Node& node, const std::string& name, const std::string& data) {
    NewRegistryValue(node.Key(), name, data);
}
void DeleteValueOf(ui::Node& node, const std::string& name) { DeleteRegistryValue(node.Key(), name); }

}  // namespace

const RegistryTabRules& EditRules() {
    static const RegistryTabRules rules{HKEY_CLASSES_ROOT, kModule, "", 3, 3, 3, nullptr,
                                        NewKeyOf, RenameKeyOf, DeleteKeyOf, NewValueOf, DeleteValueOf};
    return rules;
}

std::string SharedTreeName(const std::string& text) {
    for (const char* t : {"CLSID", "TypeLib", "AppID"})
        if (TextCase::Equal(text, t)) return t;
    return "";
}

std::string ClassOfNode(const std::string& classNodeKey) {
    const size_t p = classNodeKey.find('\\');
    return p == std::string::npos ? std::string() : classNodeKey.substr(p + 1);
}

bool IsClassKeyNode(const std::string& classNodeKey, const std::string& nodeKey) {
    const std::string clsid = ClassOfNode(classNodeKey);
    return !clsid.empty() && TextCase::Equal(nodeKey, classNodeKey + "\\HKEY_CLASSES_ROOT\\CLSID\\" + clsid);
}

void RemoveClassNodes(ui::TreeView& tree, const std::string& clsid) {
    for (const char* category : Categories) {
        const std::string key = std::string(category) + "\\" + clsid;
        if (tree.Nodes.Exists(key)) tree.Nodes.Remove(key);
    }
}

long DeleteClassKey(const std::string& clsid) {
    if (!RegistryTab::DeletableName(clsid)) return ERROR_INVALID_PARAMETER;
    return RegistryTab::DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + clsid);
}

void DeleteClassEntries(const clsRegComp& rec) {
    // Each deletion goes on whatever the others gave; a name taken from the class's registry
    // data that would name a shared tree (the class moniker's ProgID is "CLSID") is skipped.
    using RegistryTab::DeletableName;
    using RegistryTab::DeleteTree;
    if (DeletableName(rec.Key)) DeleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + rec.Key);
    if (DeletableName(rec.vntProgID)) DeleteTree(HKEY_CLASSES_ROOT, rec.vntProgID);
    if (DeletableName(rec.vntAppID)) DeleteTree(HKEY_CLASSES_ROOT, "AppID\\" + rec.vntAppID);
    if (DeletableName(rec.vntTypeLib)) DeleteTree(HKEY_CLASSES_ROOT, "TypeLib\\" + rec.vntTypeLib);
}

void NewRegistryKey(ui::TreeView& tree, const std::string& nodeKey, const std::string& name) {
    TrapErrors(kModule, "NewRegistryKey", [&] {
        if (name.empty() || name.find('\\') != std::string::npos) return;
        RegKey parent, created;
        if (OpenKey(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), parent.Receive(), 0) != 0) return;
        if (CreateKey(parent.get(), name, created.Receive(), 0) != 0) return;
        // An existing sub-key of that name was opened, not created: its node is there already.
        if (!tree.Nodes.Exists(nodeKey + "\\" + name))
            tree.Nodes.Add(nodeKey, ui::tvwChild, nodeKey + "\\" + name, name, "Folder", "FolderOpen");
    });
}

long DeleteRegistryKey(ui::TreeView& tree, const std::string& nodeKey) {
    long result = 1;
    TrapErrors(kModule, "DeleteRegistryKey", [&] {
        std::string path = RegistryPathOf(nodeKey);
        if (!IsOwnKey(nodeKey, path)) return;
        const long rc = DeleteKeyTree(HKEY_CLASSES_ROOT, path, 0);
        // The node goes only with its key: a key still there (a sub-key refused) stays shown,
        // with what is left below it read again from the registry.
        RegKey still;
        if (OpenKey(HKEY_CLASSES_ROOT, path, still.Receive(), 0, KEY_READ_ONLY) == 0) {
            ui::NodePtr node = tree.Nodes.Find(nodeKey);
            if (!node) return;
            const bool expanded = node->Expanded();
            QV_TreeView_Lib::RemoveChildNodes(tree, nodeKey);
            AddRegistrySubkeysRec(tree, nodeKey);
            if (expanded) node->SetExpanded(true);
            return;
        }
        if (tree.Nodes.Exists(nodeKey)) tree.Nodes.Remove(nodeKey);
        if (rc == 0) result = 0;
    });
    return result;
}

long RenameRegistryKey(ui::TreeView& tree, const std::string& nodeKey, const std::string& newName) {
    const std::string path = RegistryPathOf(nodeKey);
    if (!IsOwnKey(nodeKey, path) || newName.empty() || newName.find('\\') != std::string::npos) return 1;
    size_t last = path.rfind('\\');
    const std::string newPath = last == std::string::npos ? newName : path.substr(0, last) + "\\" + newName;
    // RenameKey refuses an existing target (also one that differs only in letter case) and
    // deletes the old key only after a complete copy.
    if (RenameKey(HKEY_CLASSES_ROOT, path, HKEY_CLASSES_ROOT, newPath, 0) != 0) return 1;
    auto parent = tree.Nodes.Item(nodeKey)->Parent();
    const std::string parentKey = parent->Key();
    tree.Nodes.Remove(nodeKey);
    tree.Nodes.Add(parentKey, ui::tvwChild, parentKey + "\\" + newName, newName, "Folder", "FolderOpen");
    AddRegistrySubkeysRec(tree, parentKey + "\\" + newName);
    return 0;
}

void NewRegistryValue(const std::string& nodeKey, const std::string& name, const std::string& data) {
    TrapErrors(kModule, "NewRegistryValue", [&] {
        RegKey key;
        if (OpenKey(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), key.Receive(), 0) != 0) return;
        SetValue(key.get(), name, Variant(data), REG_SZ, 0);
    });
}

void DeleteRegistryValue(const std::string& nodeKey, const std::string& name) {
    TrapErrors(kModule, "DeleteRegistryValue", [&] {
        RegKey key;
        if (OpenKey(HKEY_CLASSES_ROOT, RegistryPathOf(nodeKey), key.Receive(), 0) != 0) return;
        DeleteValue(key.get(), name, 0);
    });
}

void UnregisterComponent(const clsRegComp& rec) {
    TrapErrors(kModule, "UnregisterComponent",
               [&] { ui::StartProgram("VelmRegSvr.exe -U " + rec.vntFileLocationEx, SW_SHOWNORMAL, false); });
}

}  // namespace Tab_RegComp
