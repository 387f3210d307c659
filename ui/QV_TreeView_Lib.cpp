#include "ui/QV_TreeView_Lib.h"

#include "base/TextCase.h"

namespace QV_TreeView_Lib {

long GetNodeLevel(ui::TreeView& tree, const std::string& key) {
    ui::NodePtr node = tree.Nodes.Item(key);  // 35601 for a key no node has
    long level = 0;
    for (ui::NodePtr p = node->Parent(); p; p = p->Parent()) ++level;
    return level;
}

void RemoveChildNodes(ui::TreeView& tree, const std::string& key) {
    ui::NodePtr node = tree.Nodes.Item(key);
    while (node->Children() > 0) {
        ui::NodePtr child = node->Child();
        if (!child) break;
        tree.Nodes.Remove(child);
    }
}

void AddNodePath(ui::TreeView& tree, const std::string& parentKey, const std::string& fullPath, bool ensureVisible,
                 const ui::ImageRef& image, const ui::ImageRef& selectedImage, const ui::ImageRef& finalImage,
                 const ui::ImageRef& finalSelectedImage) {
    std::string path = fullPath;
    if (!path.empty() && path.front() == '\\') path.erase(0, 1);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    bool withImages = !image.IsNone() && !selectedImage.IsNone();

    // Walk down level by level: each pass adds the next segment below the key reached so far.
    std::string parent = parentKey;
    for (;;) {
        // A path that does not continue below the parent key has nothing to add.
        if (path.size() <= parent.size() + 1 || !TextCase::StartsWith(path, parent) || path[parent.size()] != '\\') {
            if (ensureVisible)
                if (ui::NodePtr n = tree.Nodes.Find(parent)) n->EnsureVisible();
            return;
        }
        std::string rest = path.substr(parent.size() + 1);
        size_t cut = rest.find('\\');
        std::string segment = cut == std::string::npos ? rest : rest.substr(0, cut);
        std::string key = parent + "\\" + segment;
        // A level that exists already stays; below a parent no node has, nothing is added.
        if (!tree.Nodes.Exists(key) && tree.Nodes.Exists(parent)) {
            if (withImages) tree.Nodes.Add(parent, ui::tvwChild, key, segment, image, selectedImage);
            else tree.Nodes.Add(parent, ui::tvwChild, key, segment);
        }
        if (rest != segment) {
            parent = key;
            continue;
        }
        if (ensureVisible) {
            ui::NodePtr last = tree.Nodes.Item(key);
            last->EnsureVisible();
            if (!finalImage.IsNone() && !finalSelectedImage.IsNone()) {
                last->SetImage(finalImage);
                last->SetSelectedImage(finalSelectedImage);
            }
        }
        return;
    }
}

long GetAncestorNode(ui::TreeView& tree, const std::string& key, long depth, ui::NodePtr& node) {
    long level = GetNodeLevel(tree, key);
    if (level <= depth || depth < 0) return 0;
    ui::NodePtr n = tree.Nodes.Item(key);
    for (long i = 0; i < level - depth && n; ++i) n = n->Parent();
    if (!n) return 0;
    node = n;
    return 1;
}

}  // namespace QV_TreeView_Lib
