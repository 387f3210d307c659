#include "registry/RegistrySearch.h"

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/TreeView.h"

namespace RegistrySearch {

const Pacing kManyRoots{.nodesPerPump = 50, .pump = ui::DoEventsNow, .beforeHit = ui::DoEventsWhenDue, .beforeBranch = nullptr};

namespace {

// Marks the hits the engine holds below the node `nodeKey`.
void MarkHits(ui::TreeView& tree, const colQVRegistry& engine, const std::string& nodeKey, const Plan& plan) {
    for (const auto& hit : engine) {
        plan.pacing.beforeHit();
        QV_TreeView_Lib::AddNodePath(tree, nodeKey, nodeKey + "\\" + plan.hive + "\\" + hit->vntKey, true, "Folder",
                                     "FolderOpen", "Found", "Found");
    }
}

void SearchNode(ui::TreeView& tree, ui::StatusBar& statusBar, ui::Node& node, const Plan& plan,
                const SearchOptions& options, const bool& cancel) {
    colQVRegistry& engine = QVRegistry();
    const NodeSearch search = plan.describe(node);
    statusBar.Panel(1).SetText(search.status);
    node.SetExpanded(false);
    const std::string nodeKey = node.Key();
    for (size_t i = 0; i < search.branches.size(); ++i) {
        const std::string& branch = search.branches[i];
        if (branch.empty()) continue;
        if (i > 0 && plan.pacing.beforeBranch) plan.pacing.beforeBranch();
        if (engine.Find(plan.root, branch, options, cancel) != 1) continue;
        if (i == 0 && search.expand) search.expand();
        MarkHits(tree, engine, nodeKey, plan);
    }
}

// Walks the siblings from `first` on; false when the cancel flag ended the walk.
bool SearchRun(ui::TreeView& tree, ui::StatusBar& statusBar, ui::NodePtr first, const Plan& plan,
               const SearchOptions& options, const bool& cancel) {
    int counter = 0;
    for (ui::NodePtr node = first; node; node = node->Next()) {
        if (++counter >= plan.pacing.nodesPerPump) {
            counter = 0;
            plan.pacing.pump();
            if (cancel) return false;
        }
        SearchNode(tree, statusBar, *node, plan, options, cancel);
    }
    return true;
}

}  // namespace

void Run(ui::TreeView& tree, ui::StatusBar& statusBar, const Plan& plan, const SearchOptions& options,
         const bool& cancel) {
    QVRegistry().Clear();
    plan.pacing.pump();
    // The first root node: the first sibling of any node's root (an empty tree raises 35600).
    const ui::NodePtr firstRoot = tree.Nodes.Item(1)->Root()->FirstSibling();
    if (plan.walk == Walk::Roots) {
        SearchRun(tree, statusBar, firstRoot, plan, options, cancel);
        return;
    }
    for (ui::NodePtr root = firstRoot; root; root = root->Next()) {
        root->SetExpanded(false);
        if (!SearchRun(tree, statusBar, root->Child(), plan, options, cancel)) return;
    }
}

}  // namespace RegistrySearch
