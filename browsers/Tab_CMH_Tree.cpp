// A file type's registry keys as sub-trees, their values, the edits of their keys and values,
// and the registry search over all file types.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "browsers/Tab_CMH.h"
#include "registry/RegistryNodes.h"
#include "registry/RegistrySearch.h"
#include "registry/RegistryTab.h"
#include "registry/colQVRegistry.h"
#include "ui/Form.h"
#include "ui/Controls.h"
#include "ui/ListView.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/RegistryValuesList.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_CMH";
}  // namespace

using namespace QV_Registry_Lib;

namespace Tab_CMH {
namespace {

const char kHive[] = "HKEY_CLASSES_ROOT";

// The registry path (below HKEY_CLASSES_ROOT) of a node of at least `minLevel` in a file
// type's sub-tree ("File_Type_<x>\HKEY_CLASSES_ROOT\<key>..."). A level above, a malformed key,
// and the CLSID, TypeLib, AppID and Interface keys themselves give false.
bool OwnPath(const ui::Node& node, long minLevel, std::string& path) {
    long level = 0;
    for (ui::NodePtr p = node.Parent(); p; p = p->Parent()) ++level;
    if (level < minLevel || minLevel < 2) return false;
    const std::string& key = node.Key();
    if (!TextCase::StartsWith(key, NodePrefix)) return false;
    const size_t first = key.find('\\');
    if (first == std::string::npos || !TextCase::StartsWith(key.substr(first + 1), std::string(kHive) + "\\"))
        return false;
    path = RegistryNodes::PathBelow(key, 2);
    if (!RegistryNodes::IsKeyPath(path)) return false;
    // A file type's key is named by registry data: never one of the trees every class shares.
    return !RegistryTab::IsSharedTree(path);
}

// The general entries, as they are spelled in the questions of the edit commands.
const char* const kGeneralEntries[] = {"*", "Directory", "Drive", "File", "Folder", "Network", "Unknown"};

}  // namespace

const RegistryTabRules& EditRules() {
    static const RegistryTabRules rules{HKEY_CLASSES_ROOT, kModule, "CMH_", 2, 2, 3, OwnPath,
                                        CMH_NewKey, CMH_RenameKey, CMH_DeleteKey, CMH_NewValue, CMH_DeleteValue};
    return rules;
}

std::string GeneralEntryName(const std::string& text) {
    for (const char* g : kGeneralEntries)
        if (TextCase::Equal(text, g)) return g;
    return "";
}

bool DeletableFileType(const std::string& name) {
    return RegistryTab::DeletableName(name) && GeneralEntryName(name).empty();
}

long DeleteFileTypeKey(const std::string& extension) {
    if (!DeletableFileType(extension)) return ERROR_INVALID_PARAMETER;
    return RegistryTab::DeleteTree(HKEY_CLASSES_ROOT, extension);
}

void DeleteFileTypeEntries(const clsCMH& rec) {
    RegistryTab::DeleteTree(HKEY_CLASSES_ROOT, rec.Key);
    // The file type's name is registry data: a name of a shared tree or a general entry is kept.
    if (DeletableFileType(rec.vntDefault)) RegistryTab::DeleteTree(HKEY_CLASSES_ROOT, rec.vntDefault);
}

std::string ExtensionOfNode(const std::string& rootKey) {
    if (!TextCase::StartsWith(rootKey, NodePrefix)) return "";
    return rootKey.substr(std::string(NodePrefix).size());
}

bool CMH_AddSubKeys_Rec(ui::TreeView& tree, const std::string& nodeKey) {
    return RegistryNodes::AddSubKeys(tree, HKEY_CLASSES_ROOT, nodeKey);
}

void CMH_ExpandFileType(ui::TreeView& tree, ui::Node& node, const clsCMH& rec, bool makeVisible) {
    const std::string k = node.Key();
    QV_TreeView_Lib::RemoveChildNodes(tree, k);
    RegKey ext;
    if (OpenKey(HKEY_CLASSES_ROOT, rec.Key, ext.Receive(), 0, KEY_READ_ONLY) != 0) return;
    const std::string hive = k + "\\" + kHive;
    tree.Nodes.Add(k, ui::tvwChild, hive, kHive, "Folder", "FolderOpen");
    RegistryNodes::AddKeyNode(tree, hive, rec.Key);
    if (makeVisible) tree.Nodes.Item(hive + "\\" + rec.Key)->EnsureVisible();
    RegistryNodes::AddSubKeyNodes(tree, ext.get(), hive + "\\" + rec.Key);
    if (rec.vntDefault.empty()) return;
    RegKey type;
    if (OpenKey(HKEY_CLASSES_ROOT, rec.vntDefault, type.Receive(), 0, KEY_READ_ONLY) != 0) return;
    RegistryNodes::AddKeyNode(tree, hive, rec.vntDefault);
    RegistryNodes::AddSubKeyNodes(tree, type.get(), hive + "\\" + rec.vntDefault);
}

void CMH_ListValues(const std::string& nodeKey, ui::ListView& list) {
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, RegistryNodes::PathBelow(nodeKey, 2), list);
}

void CMH_NewKey(ui::TreeView& tree, ui::Node& node, const std::string& name) {
    RegistryTab::NewKey(EditRules(), tree, node, name);
}

long CMH_DeleteKey(ui::TreeView& tree, ui::Node& node) { return RegistryTab::DeleteKey(EditRules(), tree, node); }

void CMH_NewValue(ui::Node& node, const std::string& name, const std::string& data) {
    RegistryTab::NewValue(EditRules(), node, name, data);
}

void CMH_DeleteValue(ui::Node& node, const std::string& name) { RegistryTab::DeleteValue(EditRules(), node, name); }

long CMH_RenameKey(ui::TreeView& tree, ui::Node& node, const std::string& newName) {
    return RegistryTab::RenameKey(EditRules(), tree, node, newName);
}

void CMH_Search(ui::TreeView& tree, colCMH& col, ui::StatusBar& statusBar, const SearchOptions& options,
                const bool& cancel) {
    TrapErrors(kModule, "CMH_Search", [&] {
        // Each file type: its extension key (the node's sub-tree rebuilt when it has hits), then
        // its file type key; the window runs every 50 types and before each hit is marked.
        const RegistrySearch::Plan plan{
            .root = HKEY_CLASSES_ROOT,
            .hive = kHive,
            .walk = RegistrySearch::Walk::Roots,
            .pacing = RegistrySearch::kManyRoots,
            .describe =
                [&](ui::Node& node) {
                    auto rec = col.Item(ExtensionOfNode(node.Key()));
                    return RegistrySearch::NodeSearch{
                        .status = "Processing '" + rec->Key + "'",
                        .branches = {rec->Key, rec->vntDefault},
                        .expand = [&tree, &node, rec] { CMH_ExpandFileType(tree, node, *rec, false); }};
                },
        };
        RegistrySearch::Run(tree, statusBar, plan, options, cancel);
    });
}

}  // namespace Tab_CMH
