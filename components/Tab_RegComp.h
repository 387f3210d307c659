// The components tab: every class under HKEY_CLASSES_ROOT\CLSID read into component records,
// the component tree, a class's registry entries and values, their edits, the details list,
// the type-library refresh and the start of Regedit and of the registration server.
//
// The main window calls these routines with its controls as arguments; they report only
// through the status bar they are given and the cancel flag they poll.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/FileLookup.h"
#include "components/colRegComp.h"
#include "registry/RegistryTab.h"
#include "registry/colQVRegistry.h"

namespace ui {
class TreeView;
class ListView;
class ListItem;
class Node;
class StatusBar;
}  // namespace ui

namespace Tab_RegComp {

// ---- Server file resolution ----

// Reads the PATH value and the Windows folder that FindServerFile searches.
void PrepareSearchPath();
// PrepareSearchPath, unless it ran before.
void EnsureSearchPath();
// Tries the candidates of a registered server text (switches cut, environment references
// expanded, a bare name searched on the search path and in the Windows folders, the text cut
// from the right); true when a file was found, its path then stored in rec.vntFileLocationEx.
bool FindServerFile(clsRegComp& rec, const std::string& path);
// The long-name form of a path ("~" components expanded); the path itself when there is none.
std::string LongName(const std::string& path);
// Whether the absolute path names an existing file (never a bare name, a path with wildcards or
// a last name ending in a blank or a dot); answered from folder listings while a ScanFileCache
// lives.
bool ServerFileExists(const std::string& path);
// What a class reads of the type library it names: the title and file of its last-enumerated
// version (empty when the library or version is missing).
struct TypeLibFacts {
    std::string title;
    std::string file;
};
// The facts of a library read before in this scan, or null.
const TypeLibFacts* CachedTypeLib(const std::string& lib);
void CacheTypeLib(const std::string& lib, const TypeLibFacts& facts);
// File-existence answers from the file lookup's folder listings, and type-library facts, for
// the life of the object (one scan).
class ScanFileCache {
public:
    ScanFileCache();
    ~ScanFileCache();
    ScanFileCache(const ScanFileCache&) = delete;
    ScanFileCache& operator=(const ScanFileCache&) = delete;
private:
    FileLookup::FolderListingCache listings_;
    void* previous_;
};

// ---- Reading a class ----

// Adds a record for the class `clsid` (the sub-key name under CLSID) to `col` and reads it
// from the registry; `hClsidKey` is the open CLSID key, or null to open it here. A class
// without a ProgID keeps only its key fields. A class already held raises 457.
std::shared_ptr<clsRegComp> ReadRegCompRecord(colRegComp& col, const std::string& clsid, HKEY hClsidKey = nullptr);
// The node text of a record by the arranged-by choice (0 ProgID, 1 CLSID, 2 file location,
// 3 type-library name) and the detailed flag.
std::string RegCompNodeText(const clsRegComp& rec, long selectedBy, bool detailed);
// The root the record's node belongs under: "Control", "DLLServer" or "EXEServer".
std::string RegCompCategory(const clsRegComp& rec);

// ---- The component tree ----
//
// Three roots ("Control" "Controls", "DLLServer" "DLL Servers", "EXEServer" "EXE Servers") and
// below them one node per class, keyed root key & "\" & CLSID. The images "Control",
// "DLLServer", "EXEServer" and "Strike" come from the tree's image list.

// Empties `col` and `tree` and reads every class of HKEY_CLASSES_ROOT\CLSID into them. Every
// 220 keys, and at the latest every 100 ms, it writes "Processing '<KEY>'" to panel 1 of the
// status bar and yields to the message loop; it stops when `cancel` is set (the roots are then
// left unsorted). True when every class was read and the roots sorted; false when cancelled,
// when the CLSID key does not open, when an error ended it, and at once when called inside
// the yield of a running scan or refresh.
bool FillRegCompTree(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, ui::StatusBar& statusBar,
                     const bool& cancel);
// Reads one class into `col` and adds its node (bold when `mark`, selected when `select`).
// Any failure ends the reading of that class silently.
void ReadRegCompEntry(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed, const std::string& clsid,
                      bool mark, bool select, HKEY hClsidKey = nullptr);
// Adds the node of a record below the root of its category; image "Strike" and bold when its
// server file is missing. A node that cannot be added (key present, root missing) is skipped.
void AddRegCompNode(const clsRegComp& rec, const std::string& text, ui::TreeView& tree, bool mark, bool select);
// The keys of the three roots, one per category.
extern const char* const Categories[3];  // "Control", "DLLServer", "EXEServer"
// Adds the three roots (those already present are kept).
void AddRegCompRoots(ui::TreeView& tree);

// Re-reads the classes that the type library of `file` describes: each one's node and record
// are removed and, unless `removeOnly`, read again from the registry, bold and selected.
// A file without a type library changes nothing.
void RefreshTypeLibClasses(colRegComp& col, ui::TreeView& tree, long selectedBy, bool detailed,
                           const std::string& file, bool removeOnly);

// ---- Registry entries of a class and the values list ----
//
// Entry nodes are keyed class node key & "\HKEY_CLASSES_ROOT\" & the registry path; the
// registry path of a node is its key without its first three components.

// The key path below the root that an entries node stands for: the node key without its
// first `leading` backslash-separated components.
std::string RegistryPathOf(const std::string& nodeKey, int leading = 3);
// Rebuilds below the class node (level 1) the class's CLSID, ProgID, AppID and TypeLib keys
// with all their sub-keys. With `makeVisible` the class key node is scrolled into view.
void FillRegCompEntriesTree(ui::TreeView& tree, const std::string& classNodeKey, const clsRegComp& rec,
                            bool makeVisible);
// Adds every sub-key of the key that the node stands for below it, recursively.
void AddRegistrySubkeysRec(ui::TreeView& tree, const std::string& nodeKey);
// Replaces the rows of `list` by the values of the key that the node stands for; a key that
// does not open leaves the list as it was.
void FillRegistryValuesList(const std::string& nodeKey, ui::ListView& list);
// (The list itself, the value a row stands for and the data texts: ui/RegistryValuesList.h.)

// ---- Edits of the registry entries (all below HKEY_CLASSES_ROOT, silent) ----

void NewRegistryKey(ui::TreeView& tree, const std::string& nodeKey, const std::string& name);
// 0 when the key is gone and its node removed; 1 when the key is still there (node kept, its
// sub-tree read again from the registry), when a part of its tree could not be deleted, or when
// the node stands for no key of the class.
long DeleteRegistryKey(ui::TreeView& tree, const std::string& nodeKey);
// 0 when moved (the node is rebuilt under its parent), 1 when nothing was changed.
long RenameRegistryKey(ui::TreeView& tree, const std::string& nodeKey, const std::string& newName);
void NewRegistryValue(const std::string& nodeKey, const std::string& name, const std::string& data);
// Deletes the value of that exact name ("" = the unnamed value; see ValueNameOfRow).
void DeleteRegistryValue(const std::string& nodeKey, const std::string& name);

// The tab's description for the edit commands: HKEY_CLASSES_ROOT, three leading node-key
// components, edits and renames from level 3, and the edits above on a node.
const RegistryTabRules& EditRules();
// The shared tree a name stands for ("CLSID", "TypeLib", "AppID", spelled so), or "" for any
// other name: a key the edit commands never rename or delete as an entries node of level 3.
std::string SharedTreeName(const std::string& text);
// The CLSID of a class node (its key after the category); "" for a key without one.
std::string ClassOfNode(const std::string& classNodeKey);
// Whether the entries node `nodeKey` is the class's own key (its entry in the CLSID tree) of the
// class node `classNodeKey`; an AppID or TypeLib entry of the same name is not.
bool IsClassKeyNode(const std::string& classNodeKey, const std::string& nodeKey);
// Removes the class nodes of a CLSID under each category.
void RemoveClassNodes(ui::TreeView& tree, const std::string& clsid);
// Deletes the class's key CLSID\<clsid> with its tree; a name that is not deletable
// (RegistryTab::DeletableName) is refused (non-zero). The deletion's code.
long DeleteClassKey(const std::string& clsid);
// Deletes the class's CLSID key and the ProgID, AppID and TypeLib keys its record names, each
// with its tree; each deletion goes on whatever the others gave, and a name that would name a
// shared tree is skipped.
void DeleteClassEntries(const clsRegComp& rec);
// Starts the registration server to unregister the record's server file.
void UnregisterComponent(const clsRegComp& rec);

// ---- Details ----

// Fills the details list with the class's rows and the facts of its server file.
void ShowRegCompDetails(const clsRegComp& rec, ui::ListView& list);

// ---- Search ----

// Searches the registry keys of every class in the tree (its CLSID key, type library, AppID and
// ProgID) with `options`, and marks each hit's node "Found" in the class's entries tree (rebuilt
// first when the class key itself had a hit; RegistrySearch). Every tenth class it lets the user
// interface run and stops once `cancel` is set.
void FindInRegComp(ui::TreeView& tree, colRegComp& col, ui::StatusBar& statusBar, const SearchOptions& options,
                   const bool& cancel);

// ---- Type libraries ----

// The CLSIDs (upper-case, in braces) of the classes described by the type library of `file`,
// loaded without registering it. False when the file has no readable type library.
bool TypeLibCoClasses(const std::string& file, std::vector<std::string>& classes);

}  // namespace Tab_RegComp
