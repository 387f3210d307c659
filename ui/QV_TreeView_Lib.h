// Tree-view node routines: every tab handles the nodes of its tree by key. A node's key is the
// backslash-joined path of the texts from its top-level node down to it, so a node's depth,
// parent and existence follow from its key and a path can be added level by level.
#pragma once
#include <string>

#include "ui/TreeView.h"

namespace QV_TreeView_Lib {

// The depth of the node with that key (0 for a top-level node). A key no node has throws the
// tree's 35601.
long GetNodeLevel(ui::TreeView& tree, const std::string& key);

// Removes every child (with its subtree) of the node with that key; the node itself stays.
void RemoveChildNodes(ui::TreeView& tree, const std::string& key);

// Adds the nodes of `fullPath` below the node `parentKey`, creating each missing level (key =
// parent key & "\" & segment, text = segment). One leading and one trailing backslash of the
// path are ignored. Images are used when both image and selectedImage are given. With
// ensureVisible the last node is scrolled into view and, when both final images are given,
// gets them. A level that exists already is kept as it is, and below a parent key no node has
// nothing is added; errors of the final lookup or image setting reach the caller.
void AddNodePath(ui::TreeView& tree, const std::string& parentKey, const std::string& fullPath,
                 bool ensureVisible, const ui::ImageRef& image = {}, const ui::ImageRef& selectedImage = {},
                 const ui::ImageRef& finalImage = {}, const ui::ImageRef& finalSelectedImage = {});

// 1 when the node with that key lies deeper than `depth`; its ancestor at that depth is then
// put in `node`. 0 otherwise (`node` is left alone).
long GetAncestorNode(ui::TreeView& tree, const std::string& key, long depth, ui::NodePtr& node);

}  // namespace QV_TreeView_Lib
