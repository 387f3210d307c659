// The search of a registry tab: walks the tab's tree node by node, lets the search engine search
// the registry keys each node stands for, and marks every hit in the tree as a "Found" node below
// the node it was found for. The tabs differ only in what they give here: which nodes are walked,
// the keys of a node, the status text, and how often the window is let run.
//
//     RegistrySearch::Run(tree, statusBar, {.root = HKEY_LOCAL_MACHINE, .hive = "HKEY_LOCAL_MACHINE",
//                          .walk = RegistrySearch::Walk::Roots, .pacing = {...},
//                          .describe = [&](ui::Node& node) { return RegistrySearch::NodeSearch{...}; }},
//                         options, cancel);
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "registry/colQVRegistry.h"

namespace ui {
class Node;
class StatusBar;
class TreeView;
}  // namespace ui

namespace RegistrySearch {

// How a search lets the window live (the busy box's Cancel, painting) while it walks.
struct Pacing {
    int nodesPerPump;             // on every this many nodes: pump, then the cancel flag ends the walk
    void (*pump)();               // that pump, and the one before the walk
    void (*beforeHit)();          // the pump before each hit is marked
    void (*beforeBranch)();       // the pump before each key of a node after its first; null: none
};

// The pacing of a walk over many small roots (file types, services): the window runs every 50
// nodes, and before each hit is marked when a pump is due; nothing before a node's later keys.
extern const Pacing kManyRoots;

// What one node is searched for.
struct NodeSearch {
    std::string status = {};                 // panel 1 of the status bar while the node is searched
    std::vector<std::string> branches = {};  // the keys below the root searched, in order; "" is passed over
    // Rebuilds the node's sub-tree before the hits of its first key are marked; null: not rebuilt.
    std::function<void()> expand = nullptr;
};

// The nodes walked: the tree's root nodes, or the children of each root node (each root
// collapsed before its children, the pump count starting again for each).
enum class Walk { Roots, ChildrenOfRoots };

struct Plan {
    HKEY root;         // the keys are searched below it
    const char* hive;  // its name in the node keys of the hits
    Walk walk;
    Pacing pacing;
    std::function<NodeSearch(ui::Node& node)> describe;
};

// Empties the engine's hits, lets the window run, and walks the nodes from the tree's first root
// node on: each is collapsed and its keys searched with `options`; the hits of a key are marked
// below the node (key: node key & "\" & hive & "\" & the hit's key path, the folder nodes on the
// way created with "Folder"/"FolderOpen", the hit's own node given "Found" and made visible)
// before the next key is searched. The engine's cancel check reads `cancel` at every key; the
// walk ends at its next pacing check once it is set.
void Run(ui::TreeView& tree, ui::StatusBar& statusBar, const Plan& plan, const SearchOptions& options,
         const bool& cancel);

}  // namespace RegistrySearch
