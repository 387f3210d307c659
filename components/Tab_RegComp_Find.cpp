// The search of the components tab: the registry keys of every listed class (its CLSID key,
// type library, AppID and ProgID) searched with the program's search engine, each hit shown
// as a "Found" node in the class's entries tree.
#include <windows.h>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "registry/RegistrySearch.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_RegComp";
}  // namespace

namespace Tab_RegComp {

void FindInRegComp(ui::TreeView& tree, colRegComp& col, ui::StatusBar& statusBar, const SearchOptions& options,
                   const bool& cancel) {
    TrapErrors(kModule, "FindInRegComp", [&] {
        auto isClsid = [](const std::string& s) { return TextCase::Equal(s, "clsid"); };
        // The class nodes of each category: the class key (the class's entries tree rebuilt when it
        // has hits), then its type library, AppID and ProgID; the window runs every tenth class of
        // a category, before each branch after the first and before each hit is marked.
        const RegistrySearch::Plan plan{
            .root = HKEY_CLASSES_ROOT,
            .hive = "HKEY_CLASSES_ROOT",
            .walk = RegistrySearch::Walk::ChildrenOfRoots,
            .pacing = {.nodesPerPump = 10, .pump = ui::DoEvents, .beforeHit = ui::DoEvents, .beforeBranch = ui::DoEvents},
            .describe =
                [&](ui::Node& node) {
                    const std::string classKey = node.Key();
                    auto rec = col.Item(classKey.substr(classKey.find('\\') + 1));
                    return RegistrySearch::NodeSearch{
                        .status = "Processing '" + rec->Key + "'",
                        .branches = {"CLSID\\" + rec->Key,
                                     rec->vntTypeLib.empty() ? "" : "TypeLib\\" + rec->vntTypeLib,
                                     rec->vntAppID.empty() || isClsid(rec->vntAppID) ? "" : "AppID\\" + rec->vntAppID,
                                     isClsid(rec->vntProgID) ? "" : rec->vntProgID},
                        .expand = [&tree, classKey, rec] { FillRegCompEntriesTree(tree, classKey, *rec, false); }};
                },
        };
        RegistrySearch::Run(tree, statusBar, plan, options, cancel);
    });
}

}  // namespace Tab_RegComp
