// The services-and-devices tab: every sub-key of HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services
// read into service records and root nodes, each service's image file resolved, its registry
// key shown as a sub-tree with a values list, its details, the edits of its keys and values,
// and the registry search over all services.
//
// Node keys: level 0 the service's key name K; levels 1-4 the chain
// K\HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services; level 5 the service's own key ...\Services\K; level 6 and deeper
// its sub-keys. A node of level 5 or deeper stands for its key without the first two
// components, below HKEY_LOCAL_MACHINE.
//
// The main window calls these routines with its controls; they report only through the
// status bar they are given and the cancel flag they poll.
#pragma once
#include <string>

#include "browsers/colSD.h"
#include "registry/RegistryTab.h"
#include "registry/colQVRegistry.h"

namespace ui {
class TreeView;
class ListView;
class Node;
class StatusBar;
}  // namespace ui

namespace Tab_SD {

// The services key below HKEY_LOCAL_MACHINE.
extern const char* const ServicesKey;  // "SYSTEM\CurrentControlSet\Services"

// Empties `col` and reads every service into it, adding one root node per service whose key
// opens (image "Service", "Device" or "Strike"; text by `selectedBy`, "0" to "3", and
// `detailed`). Panel 1 shows "Processing '<name>'". Stops before the next key once `cancel`
// is set. When the services key cannot be opened it says so in a message box.
bool SD_FillList(colSD& col, ui::TreeView& tree, const std::string& selectedBy, bool detailed,
                 ui::StatusBar& statusBar, const bool& cancel);
// Resolves a service's image path to an existing file; sets rec.vntImagePathEx (the file, or
// the nearest existing folder found on the way) and rec.blnFileExist. True when a file was found.
bool SD_ResolveImagePath(clsSD& rec, const std::string& imagePath);
// The node text of a record by the arranged-by choice and the detailed flag.
std::string SD_NodeText(const clsSD& rec, const std::string& selectedBy, bool detailed);

// Rebuilds below the service node the chain of keys down to the service's own key
// (HKEY_LOCAL_MACHINE, SYSTEM, CurrentControlSet, Services, K) and every sub-key of the service's key; with `ensureVisible` the level-5 node is
// scrolled into view. A service key that does not open leaves the node without children.
void SD_ExpandNode(ui::TreeView& tree, ui::Node& node, const clsSD& rec, bool ensureVisible);
// Adds every sub-key below a node of level 5 or deeper, recursively.
void SD_AddSubKeys(ui::TreeView& tree, const std::string& nodeKey);
// Lists the values of the key a node stands for (every value); a key that does not open, or a
// node that stands for none, leaves the list as it was.
void SD_FillValueList(const std::string& nodeKey, ui::ListView& list);

// The edits. Each acts only on a node of the service's own key or below (level 5 and deeper;
// rename from level 6) and otherwise changes nothing; failures are silent.
void SD_NewKey(ui::TreeView& tree, ui::Node& node, const std::string& name);
// 0 when the key went with its tree (its node removed); else the deletion's code, and the
// node shows again what stayed of the key.
long SD_DeleteKey(ui::TreeView& tree, ui::Node& node);
void SD_NewValue(ui::Node& node, const std::string& name, const std::string& data);
// Deletes the value of exactly that name ("" = the unnamed value).
void SD_DeleteValue(ui::Node& node, const std::string& name);
// 0 when the key was moved to the new name (its node rebuilt under the same parent), else 1.
long SD_RenameKey(ui::TreeView& tree, ui::Node& node, const std::string& newName);

// The tab's description for the edit commands: HKEY_LOCAL_MACHINE, two leading node-key
// components, edits from level 5 (the service's own key), renames from level 6, and the edits
// above.
const RegistryTabRules& EditRules();
// Deletes the service's key with its tree; a name that is not deletable
// (RegistryTab::DeletableName) is refused (non-zero). The deletion's code.
long DeleteServiceKey(const std::string& service);

// Searches every service's key with `options` and marks each hit's key node "Found" (the
// service's sub-tree rebuilt first; RegistrySearch). Stops once `cancel` is set.
void SD_Find(ui::TreeView& tree, colSD& col, ui::StatusBar& statusBar, const SearchOptions& options,
             const bool& cancel);

// Fills the details list of one service.
void SD_ShowDetails(const clsSD& rec, ui::ListView& list);

}  // namespace Tab_SD
