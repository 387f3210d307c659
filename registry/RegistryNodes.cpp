#include "registry/RegistryNodes.h"

#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/Variant.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

namespace RegistryNodes {

std::string PathBelow(const std::string& nodeKey, int leading) {
    size_t pos = 0;
    for (int i = 0; i < leading; ++i) {
        size_t slash = nodeKey.find('\\', pos);
        if (slash == std::string::npos) return "";
        pos = slash + 1;
    }
    return nodeKey.substr(pos);
}

bool IsKeyPath(const std::string& path) {
    return !path.empty() && path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string::npos;
}

void AddSubKeyNodes(ui::TreeView& tree, HKEY h, const std::string& nodeKey) {
    RegEnum::ForEachSubKey(h, [&](const std::string& name) {
        const std::string childKey = nodeKey + "\\" + name;
        if (!tree.Nodes.Exists(childKey)) tree.Nodes.Add(nodeKey, ui::tvwChild, childKey, name, "Folder", "FolderOpen");
        RegKey child;
        if (RegOpenKeyExA(h, name.c_str(), 0, QV_Registry_Lib::KEY_READ_ONLY, &child.Receive()) == 0)
            AddSubKeyNodes(tree, child.get(), childKey);
    });
}

bool AddSubKeys(ui::TreeView& tree, HKEY hive, const std::string& nodeKey) {
    const std::string path = PathBelow(nodeKey, 2);
    RegKey key;
    if (path.empty() || QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY) != 0)
        return false;
    AddSubKeyNodes(tree, key.get(), nodeKey);
    return true;
}

void AddKeyNode(ui::TreeView& tree, const std::string& parentKey, const std::string& name) {
    const std::string key = parentKey + "\\" + name;
    if (!tree.Nodes.Exists(key)) tree.Nodes.Add(parentKey, ui::tvwChild, key, name, "Folder", "FolderOpen");
}

namespace {
bool UsableName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }
}  // namespace

void NewKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node, const std::string& name) {
    if (!UsableName(name)) return;
    RegKey key, created;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    if (QV_Registry_Lib::CreateKey(key.get(), name, created.Receive(), 0) != 0) return;
    AddKeyNode(tree, node.Key(), name);
}

long DeleteKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node) {
    std::string doomed = path;  // the library takes the path by reference
    const long rc = QV_Registry_Lib::DeleteKeyTree(hive, doomed, 0);
    if (rc == 0) {
        tree.Nodes.Remove(node.Key());
        return 0;
    }
    // A part of the tree stayed (a sub-key that may not be deleted): the node shows again what
    // the registry holds now, or goes when its key went after all.
    RegKey key;
    const long open = QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY);
    if (open == ERROR_FILE_NOT_FOUND) {
        tree.Nodes.Remove(node.Key());
    } else if (open == 0) {
        const bool expanded = node.Expanded();
        QV_TreeView_Lib::RemoveChildNodes(tree, node.Key());
        AddSubKeyNodes(tree, key.get(), node.Key());
        if (expanded) tree.Nodes.Item(node.Key())->SetExpanded(true);
    }
    return rc;
}

void NewTextValue(HKEY hive, const std::string& path, const std::string& name, const std::string& data) {
    RegKey key;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    QV_Registry_Lib::SetValue(key.get(), name, Variant(data), REG_SZ, 0);
}

void DeleteValue(HKEY hive, const std::string& path, const std::string& name) {
    RegKey key;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    QV_Registry_Lib::DeleteValue(key.get(), name, 0);
}

bool RenameKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node,
               const std::string& newName) {
    if (!UsableName(newName)) return false;
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    if (QV_Registry_Lib::RenameKey(hive, path, hive, path.substr(0, slash) + "\\" + newName, 0) != 0) return false;
    const std::string parentKey = node.Parent()->Key();
    tree.Nodes.Remove(node.Key());
    AddKeyNode(tree, parentKey, newName);
    AddSubKeys(tree, hive, parentKey + "\\" + newName);
    return true;
}

}  // namespace RegistryNodes
