// What the file-types and services tabs share of their registry trees: the key path a node
// stands for, the sub-key nodes below a node, the file test of the path resolvers and the
// message pump of their long runs.
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

// True when `candidate`, without its trailing blanks, names an existing file; that path is then
// put in `found`.
bool ExistingFile(std::string candidate, std::string& found);
// True when the absolute path names an existing folder.
bool ExistingFolder(const std::string& path);

// While an object of this class lives (one scan), the file and folder tests above answer from
// folder listings instead of asking the file system for every candidate path: the path
// resolvers try many candidates in the same few folders, most of them not there, and under Wine
// each "not there" reads the whole folder. Once a few names of one letter were not in a folder,
// its names of that letter are listed; once a few more of any letter were not, all its names; a
// folder found missing answers for every name in it at once. Until then each test asks the file
// system (by attributes, which is quick for what is there). A path is asked of the file system
// once, and that answer holds for the rest of the scan.
class FolderListingCache {
public:
    FolderListingCache();
    ~FolderListingCache();
    FolderListingCache(const FolderListingCache&) = delete;
    FolderListingCache& operator=(const FolderListingCache&) = delete;
private:
    void* previous_;
};

}  // namespace RegistryNodes
