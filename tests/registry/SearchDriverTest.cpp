// The search driver of the registry tabs: which nodes it walks, when it lets the window run and
// stops once cancelled, and where it marks the hits of each key a node stands for.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/RegistrySearch.h"
#include "tests/support/RegFixture.h"
#include "tests/support/RegistryTabWindow.h"

namespace {

// The pumps a plan is given are plain functions: they count here, and one of them can set the
// cancel flag as the busy box's Cancel would.
int pumps = 0, branchPumps = 0, cancelAtPump = 0;
bool* cancelFlag = nullptr;
void CountingPump() {
    if (++pumps == cancelAtPump && cancelFlag) *cancelFlag = true;
}
void BranchPump() { ++branchPumps; }
void NoPump() {}

void AddChildren(ui::TreeView& tree, const std::string& root, std::initializer_list<const char*> children) {
    tree.Nodes.Add("", ui::tvwLast, root, root);
    for (const char* child : children) tree.Nodes.Add(root, ui::tvwChild, root + "\\" + child, child);
}

}  // namespace

TEST(SearchDriver, WalksTheChildrenOfEachRootAndStopsAtAPumpOnceCancelled) {
    RegistryTabWindow w;
    AddChildren(w.tvw, "A", {"a1", "a2", "a3"});
    AddChildren(w.tvw, "B", {"b1", "b2"});
    w.tvw.Nodes.Item("A")->SetExpanded(true);
    std::vector<std::string> visited;
    pumps = 0;
    cancelAtPump = 3;  // the one before the walk, after a2, and after b1: the pump count starts again for B
    cancelFlag = &w.blnCancel;
    const RegistrySearch::Plan plan{
        .root = HKEY_CURRENT_USER,
        .hive = "HKEY_CURRENT_USER",
        .walk = RegistrySearch::Walk::ChildrenOfRoots,
        .pacing = {.nodesPerPump = 2, .pump = CountingPump, .beforeHit = NoPump, .beforeBranch = nullptr},
        .describe =
            [&](ui::Node& node) {
                visited.push_back(node.Key());
                return RegistrySearch::NodeSearch{.status = "Processing " + node.Key()};
            },
    };
    RegistrySearch::Run(w.tvw, w.stb1, plan, SearchOptions{.text = "x"}, w.blnCancel);
    cancelFlag = nullptr;
    EXPECT_EQ(visited, (std::vector<std::string>{"A\\a1", "A\\a2", "A\\a3", "B\\b1"}));
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(w.tvw.Nodes.Item("A")->Expanded());
    EXPECT_EQ(w.stb1.Panel(1).Text(), "Processing B\\b1");
}

TEST(SearchDriver, MarksEachKeysHitsBelowTheNodeAndRebuildsOnlyForItsFirstKey) {
    RegFixture hkcu{HKEY_CURRENT_USER, R"(
        [T\Svc\Deep]
        "v"="a needle here"
    )"};
    RegistryTabWindow w;
    w.tvw.Nodes.Add("", ui::tvwLast, "First", "First");
    w.tvw.Nodes.Add("", ui::tvwLast, "Later", "Later");
    std::vector<std::string> rebuilt;
    branchPumps = 0;
    const RegistrySearch::Plan plan{
        .root = HKEY_CURRENT_USER,
        .hive = "HKEY_CURRENT_USER",
        .walk = RegistrySearch::Walk::Roots,
        .pacing = {.nodesPerPump = 50, .pump = NoPump, .beforeHit = NoPump, .beforeBranch = BranchPump},
        .describe =
            [&](ui::Node& node) {
                const std::string key = node.Key();
                return RegistrySearch::NodeSearch{
                    .status = key,
                    // "First" has the hit in its first key; "Later" in a later one, after an empty
                    // key (passed over) and one without hits.
                    .branches = key == "First" ? std::vector<std::string>{"T\\Svc"}
                                               : std::vector<std::string>{"", "T\\Nowhere", "T\\Svc"},
                    .expand = [&rebuilt, key] { rebuilt.push_back(key); }};
            },
    };
    RegistrySearch::Run(w.tvw, w.stb1, plan, SearchOptions{.text = "NEEDLE"}, w.blnCancel);
    auto found = w.NodesWithImage("Found");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"First\\HKEY_CURRENT_USER\\T\\Svc\\Deep",
                                               "Later\\HKEY_CURRENT_USER\\T\\Svc\\Deep"}));
    // The folder nodes on the way to a hit are made, with the folder pictures.
    ASSERT_TRUE(w.tvw.Nodes.Exists("Later\\HKEY_CURRENT_USER\\T"));
    EXPECT_EQ(w.tvw.Nodes.Item("Later\\HKEY_CURRENT_USER\\T")->Image().key, "Folder");
    EXPECT_EQ(rebuilt, std::vector<std::string>{"First"});
    EXPECT_EQ(branchPumps, 2);  // before each searched key of a node after its first
}
