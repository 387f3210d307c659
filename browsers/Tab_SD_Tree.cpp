// A service's registry key as a sub-tree, its values and details, the edits of its keys and
// values, and the registry search over all services.
#include <windows.h>

#include "base/FileLookup.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "browsers/Tab_SD.h"
#include "registry/RegistryNodes.h"
#include "registry/RegistrySearch.h"
#include "registry/RegistryTab.h"
#include "registry/colQVRegistry.h"
#include "ui/Form.h"
#include "ui/Controls.h"
#include "ui/DetailsRows.h"
#include "ui/ListView.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/RegistryValuesList.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_SD";
}  // namespace

using namespace QV_Registry_Lib;

namespace Tab_SD {
namespace {

const std::string kChain = "\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";

// The registry path (below HKEY_LOCAL_MACHINE) of a node of at least `minLevel`, when it lies
// within its own service's key: "SYSTEM\CurrentControlSet\Services\" & K & ... where K is the
// service of the node's top-level ancestor. Anything else (a level above, a path that names
// the services key or another service, a malformed key) gives false.
bool OwnPath(const ui::Node& node, long minLevel, std::string& path) {
    long level = 0;
    for (ui::NodePtr p = node.Parent(); p; p = p->Parent()) ++level;
    if (level < minLevel) return false;
    const std::string& key = node.Key();
    const size_t slash = key.find('\\');
    if (slash == std::string::npos || slash == 0) return false;
    const std::string service = key.substr(0, slash);
    path = RegistryNodes::PathBelow(key, 2);
    const std::string own = std::string(ServicesKey) + "\\" + service;
    if (!RegistryNodes::IsKeyPath(path)) return false;
    return TextCase::Equal(path, own) || TextCase::StartsWith(path, own + "\\");
}

}  // namespace

const RegistryTabRules& EditRules() {
    // Only a service's own key and what lies below it (level 5 on; a rename from level 6): never
    // HKEY_LOCAL_MACHINE\SYSTEM nor the services key itself.
    static const RegistryTabRules rules{HKEY_LOCAL_MACHINE, kModule, "SD_", 2, 5, 6, OwnPath,
                                        SD_NewKey, SD_RenameKey, SD_DeleteKey, SD_NewValue, SD_DeleteValue};
    return rules;
}

long DeleteServiceKey(const std::string& service) {
    if (!RegistryTab::DeletableName(service)) return ERROR_INVALID_PARAMETER;
    return RegistryTab::DeleteTree(HKEY_LOCAL_MACHINE, std::string(ServicesKey) + "\\" + service);
}

void SD_AddSubKeys(ui::TreeView& tree, const std::string& nodeKey) {
    RegistryNodes::AddSubKeys(tree, HKEY_LOCAL_MACHINE, nodeKey);
}

void SD_ExpandNode(ui::TreeView& tree, ui::Node& node, const clsSD& rec, bool ensureVisible) {
    const std::string k = node.Key();
    QV_TreeView_Lib::RemoveChildNodes(tree, k);
    RegKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, std::string(ServicesKey) + "\\" + rec.Key, key.Receive(), 0, KEY_READ_ONLY) != 0)
        return;
    const std::string serviceKey = k + kChain + rec.Key;
    QV_TreeView_Lib::AddNodePath(tree, k, serviceKey, ensureVisible, "Folder", "FolderOpen", "Folder", "Folder");
    RegistryNodes::AddSubKeyNodes(tree, key.get(), serviceKey);
}

void SD_FillValueList(const std::string& nodeKey, ui::ListView& list) {
    RegistryValuesList::Fill(HKEY_LOCAL_MACHINE, RegistryNodes::PathBelow(nodeKey, 2), list);
}

void SD_NewKey(ui::TreeView& tree, ui::Node& node, const std::string& name) {
    RegistryTab::NewKey(EditRules(), tree, node, name);
}

long SD_DeleteKey(ui::TreeView& tree, ui::Node& node) { return RegistryTab::DeleteKey(EditRules(), tree, node); }

void SD_NewValue(ui::Node& node, const std::string& name, const std::string& data) {
    RegistryTab::NewValue(EditRules(), node, name, data);
}

void SD_DeleteValue(ui::Node& node, const std::string& name) { RegistryTab::DeleteValue(EditRules(), node, name); }

long SD_RenameKey(ui::TreeView& tree, ui::Node& node, const std::string& newName) {
    return RegistryTab::RenameKey(EditRules(), tree, node, newName);
}

void SD_Find(ui::TreeView& tree, colSD& col, ui::StatusBar& statusBar, const SearchOptions& options,
             const bool& cancel) {
    TrapErrors(kModule, "SD_Find", [&] {
        // Each service's key (its sub-tree rebuilt when it has hits); the window runs every 50
        // services and before each hit is marked.
        const RegistrySearch::Plan plan{
            .root = HKEY_LOCAL_MACHINE,
            .hive = "HKEY_LOCAL_MACHINE",
            .walk = RegistrySearch::Walk::Roots,
            .pacing = RegistrySearch::kManyRoots,
            .describe =
                [&](ui::Node& node) {
                    auto rec = col.Item(node.Key());
                    return RegistrySearch::NodeSearch{
                        .status = "Processing '" + rec->vntRegKey + "'",
                        .branches = {std::string(ServicesKey) + "\\" + rec->Key},
                        .expand = [&tree, &node, rec] { SD_ExpandNode(tree, node, *rec, false); }};
                },
        };
        RegistrySearch::Run(tree, statusBar, plan, options, cancel);
    });
}

void SD_ShowDetails(const clsSD& rec, ui::ListView& list) {
    // The facts of the image file the system names, also in a 32-bit program on 64-bit Windows.
    FileLookup::NativeSystemFolder native;
    list.ListItems.Clear();
    DetailsRows::AddRow(list, "Display_Name", "Display Name", "RegistryItem", rec.vntDisplayName, true);
    DetailsRows::AddRow(list, "Description", "Description", "RegistryItem", rec.vntDescription, true);
    DetailsRows::AddRow(list, "Registry_Key", "Registry Key", "RegistryItem", rec.vntRegKey, true);
    DetailsRows::Style style;
    style.calculatedKey = "File Location_calculated";
    style.descriptionKey = "xDescription";
    style.internalVersionIsFileVersion = true;
    DetailsRows::AddFileRows(list, rec.vntImagePath, rec.vntImagePathEx, rec.blnFileExist, style);
}

}  // namespace Tab_SD
