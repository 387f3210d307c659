// What the file-types and services tabs share of their registry trees: the key path a node
// stands for, the sub-key nodes below a node and the edits of a node's key. (The path
// resolvers' file test is FileLookup; the long runs' message pump is the toolkit's.)
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ui {
class Node;
class TreeView;
}

namespace RegistryNodes {

// The node key without its first `leading` backslash-separated components; "" when the key
// has no more than that many.
std::string PathBelow(const std::string& nodeKey, int leading);
// True when `path` can name a key below a hive: not empty, no empty component (no leading,
// trailing or doubled backslash).
bool IsKeyPath(const std::string& path);

// Adds a node for every sub-key of the open key `h` below the node `nodeKey` (key nodeKey &
// "\" & name, text name, images "Folder" and "FolderOpen"), each with its whole sub-tree, in
// enumeration order. A name that cannot be read is passed over; nodes already present stay.
void AddSubKeyNodes(ui::TreeView& tree, HKEY h, const std::string& nodeKey);
// Adds below `nodeKey` the nodes of every sub-key of the key the node stands for (its path
// below `hive` after the node key's first two components); false when that key does not open.
bool AddSubKeys(ui::TreeView& tree, HKEY hive, const std::string& nodeKey);
// Adds the node of the sub-key `name` below `parentKey` unless it is there.
void AddKeyNode(ui::TreeView& tree, const std::string& parentKey, const std::string& name);

// The edits of the key a node stands for, shared by the file-types and services trees. `path`
// is the key's path below `hive`, checked by the caller as one the tab may change. A name that
// is empty or holds a backslash, and a failing registry call, change nothing.
void NewKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node, const std::string& name);
// Deletes the key with its tree and removes its node: the deletion's code (0 when all went).
// When a part of the tree stayed, the node's sub-tree is read again from the registry.
long DeleteKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node);
void NewTextValue(HKEY hive, const std::string& path, const std::string& name, const std::string& data);
// Deletes the value of exactly that name ("" = the unnamed value).
void DeleteValue(HKEY hive, const std::string& path, const std::string& name);
// Moves the key to `newName` beside it and rebuilds its node under the same parent; false when
// nothing was moved.
bool RenameKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node,
               const std::string& newName);


}  // namespace RegistryNodes
