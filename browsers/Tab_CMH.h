// The file-types tab: every filename extension under HKEY_CLASSES_ROOT read into file-type
// records and root nodes with the icon its type names, each extension's key and its file
// type's key shown as sub-trees with a values list, the edits of their keys and values, the
// registry search over all file types, and the lookup of a program file on the search path.
//
// Node keys: level 0 "File_Type_" & the extension (or general entry); level 1 that key &
// "\HKEY_CLASSES_ROOT"; level 2 the extension's key and its file type's key; level 3 and deeper
// their sub-keys. A node of level 2 or deeper stands for its key without the first two
// components, below HKEY_CLASSES_ROOT.
//
// The main window calls these routines with its controls; they report only through the
// status bar they are given and the cancel flag they poll.
#pragma once
#include <string>

#include "browsers/colCMH.h"
#include "registry/RegistryTab.h"
#include "registry/colQVRegistry.h"

namespace ui {
class TreeView;
class ListView;
class Node;
class StatusBar;
class ImageList;
class PictureBox;
}  // namespace ui

namespace Tab_CMH {

// The prefix of every root node's key.
extern const char* const NodePrefix;  // "File_Type_"
// The extension (or general entry) a root node stands for: its key without NodePrefix; "" when
// the key does not start with the prefix or nothing follows it.
std::string ExtensionOfNode(const std::string& rootKey);

// Reads the PATH and the Windows folder that FindFileOnSearchPath searches.
void InitSearchPaths();

// Empties `col` and the tree's roots and reads every extension of HKEY_CLASSES_ROOT into
// them (the seven general entries first when `generalEntries`), each extension's node with its
// type's icon, added to `images` under "Key_" & the extension key's enumeration index (an icon
// source, file and index, already drawn in this scan is reused under its first key; one drawn
// by an earlier scan is added again from a kept copy while its file is unchanged), or the
// image "Unknown". The node text follows `arrangedBy` ("File type name" puts the type's name
// first). Panel 1 shows "Processing  '<ext>'". Every 10 keys it lets the user interface run
// and stops once `cancel` is set.
bool CMH_Refresh(colCMH& col, ui::TreeView& tree, bool generalEntries, const std::string& arrangedBy,
                 ui::ImageList& images, ui::PictureBox& pixSmall, ui::PictureBox& pixDummy, ui::StatusBar& statusBar,
                 const bool& cancel);

// Where a type's icon is: its DefaultIcon text (or open command) split into the file, the icon
// index and whether the index is a resource identifier (a leading "-").
struct IconLocation {
    std::string location;
    long index = 0;
    bool resourceId = false;
};
IconLocation ParseIconLocation(const std::string& text);

// The first existing file a location text names: the text itself, a shorter prefix of it (a
// program followed by arguments), a bare name on the PATH or in the Windows folder, its system
// or system32 folder, or the text with its first %variable% expanded. Candidates are tested
// without trailing blanks. True when a file was found (its path then in `found`).
bool FindFileOnSearchPath(const std::string& location, std::string& found);

// Rebuilds below an extension node the "HKEY_CLASSES_ROOT" node with the extension's key and
// its file type's key, each with all its sub-keys; with `makeVisible` the extension's node is
// scrolled into view. An extension key that does not open leaves the node without children.
void CMH_ExpandFileType(ui::TreeView& tree, ui::Node& node, const clsCMH& rec, bool makeVisible);
// Adds every sub-key below a node of level 2 or deeper, recursively; false when its key does not open.
bool CMH_AddSubKeys_Rec(ui::TreeView& tree, const std::string& nodeKey);
// Lists the values of the key a node stands for (every value); a key that does not open, or a
// node that stands for none, leaves the list as it was.
void CMH_ListValues(const std::string& nodeKey, ui::ListView& list);

// The edits. Each acts only on a node of an extension's or file type's key or below (level 2
// and deeper; rename from level 3), never on HKEY_CLASSES_ROOT itself or its CLSID key, and
// otherwise changes nothing; failures are silent.
void CMH_NewKey(ui::TreeView& tree, ui::Node& node, const std::string& name);
// 0 when the key went with its tree (its node removed); else the deletion's code, and the
// node shows again what stayed of the key.
long CMH_DeleteKey(ui::TreeView& tree, ui::Node& node);
void CMH_NewValue(ui::Node& node, const std::string& name, const std::string& data);
// Deletes the value of exactly that name ("" = the unnamed value).
void CMH_DeleteValue(ui::Node& node, const std::string& name);
// 0 when the key was moved to the new name (its node rebuilt under the same parent), else 1.
long CMH_RenameKey(ui::TreeView& tree, ui::Node& node, const std::string& newName);

// The tab's description for the edit commands: HKEY_CLASSES_ROOT, two leading node-key
// components, edits from level 2, renames from level 3, and the edits above.
const RegistryTabRules& EditRules();
// The general entry a text names ("*", "Directory", "Drive", "File", "Folder", "Network",
// "Unknown", spelled so), or "" for any other text.
std::string GeneralEntryName(const std::string& text);
// Whether a file type's extension or name may be deleted as a whole key: a deletable name
// (RegistryTab::DeletableName) that is no general entry.
bool DeletableFileType(const std::string& name);
// Deletes the extension's key with its tree; a name that is not a deletable file type is
// refused (non-zero). The deletion's code.
long DeleteFileTypeKey(const std::string& extension);
// Deletes the extension's key and the key of its file type's name (unless that name is a shared
// tree or a general entry), each with its tree; each deletion goes on whatever the other gave.
void DeleteFileTypeEntries(const clsCMH& rec);

// Searches every file type's extension key and file type key with `options` and marks each hit's
// key node "Found" (RegistrySearch). Stops once `cancel` is set.
void CMH_Search(ui::TreeView& tree, colCMH& col, ui::StatusBar& statusBar, const SearchOptions& options,
                const bool& cancel);

}  // namespace Tab_CMH
