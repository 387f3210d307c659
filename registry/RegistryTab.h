// What the registry tabs (components, file types, services and devices) share of their edits:
// the description each tab module gives of itself, the rules for key names taken from registry
// data, and the edits of the key a node stands for in the file-types and services trees.
#pragma once
#include <windows.h>

#include <string>

namespace ui {
class Node;
class TreeView;
}  // namespace ui

// One registry tab as its edits and the main window's edit commands see it: its hive, how a
// node key becomes a registry path, the levels whose nodes stand for keys the edits may change,
// and the tab's own edits. Each tab module describes itself once (its EditRules()).
struct RegistryTabRules {
    HKEY hive;
    const char* module;  // the tab module's name in error reports
    const char* prefix;  // the leading part of its edits' names ("CMH_", "SD_")
    int leading;         // node-key components before the registry path
    long keyLevel;       // the lowest level whose node stands for a key the edits may change
    long renameLevel;    // the lowest level a key may be renamed from
    // The registry path (below `hive`) of a node of at least `minLevel` when it lies within the
    // keys the tab may change; false otherwise. Null for a tab whose edits check on their own.
    bool (*ownPath)(const ui::Node& node, long minLevel, std::string& path);
    // The tab's edits of the key a node stands for (see the tab module's header).
    void (*newKey)(ui::TreeView& tree, ui::Node& node, const std::string& name);
    long (*renameKey)(ui::TreeView& tree, ui::Node& node, const std::string& newName);
    long (*deleteKey)(ui::TreeView& tree, ui::Node& node);
    void (*newValue)(ui::Node& node, const std::string& name, const std::string& data);
    void (*deleteValue)(ui::Node& node, const std::string& name);
};

namespace RegistryTab {

// True for the names of the trees every class shares: CLSID, TypeLib, AppID, Interface.
bool IsSharedTree(const std::string& name);
// Whether a key name taken from registry data (a ProgID, an AppID or TypeLib GUID, a file
// type's name, an extension, a service) may be deleted as a key directly below its parent: one
// non-empty name, never one of the shared trees.
bool DeletableName(const std::string& name);
// Deletes hive\path with its tree; a path that is not a key path is refused (non-zero).
long DeleteTree(HKEY hive, std::string path);

// The edits of the key a node stands for, for a tab whose rules give `ownPath`: each acts only
// on a node of at least the rules' key level (a rename: its rename level) within the tab's own
// keys and otherwise changes nothing; failures are silent.
void NewKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node, const std::string& name);
// 0 when the key went with its tree (its node removed); else the deletion's code, and the node
// shows again what stayed of the key.
long DeleteKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node);
void NewValue(const RegistryTabRules& rules, ui::Node& node, const std::string& name, const std::string& data);
// Deletes the value of exactly that name ("" = the unnamed value).
void DeleteValue(const RegistryTabRules& rules, ui::Node& node, const std::string& name);
// 0 when the key was moved to the new name (its node rebuilt under the same parent), else 1.
long RenameKey(const RegistryTabRules& rules, ui::TreeView& tree, ui::Node& node, const std::string& newName);

}  // namespace RegistryTab
