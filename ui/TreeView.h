// A tree view with a keyed node model over a real SysTreeView32.
//
//     tvw.Create(*this, 0, 0, 4000, 5000);
//     tvw.SetImageList(&imlRegComp);
//     {
//         ui::RedrawOff quiet(tvw);                       // no painting while filling
//         auto root = tvw.Nodes.Add("", ui::tvwFirst, "HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT", "Root");
//         tvw.Nodes.Add(root, ui::tvwChild, "HKEY_CLASSES_ROOT\\CLSID", "CLSID", "Folder", "FolderOpen");
//         tvw.Nodes.Add("HKEY_CLASSES_ROOT", ui::tvwChild, "", "keyless node");
//     }
//     tvw.NodeClick = [this](ui::Node& n) { ... };        // raised by the user only
//
// Keys are unique in the tree and compared without regard to case; a duplicate key throws
// 35602, a missing key or relative node 35601. Adding, looking up by key and removing are
// constant time per node (a hash index); nothing is O(n) per add. Turn redraw off (RedrawOff)
// while adding thousands of nodes.
//
// Nodes are handed out as NodePtr (shared): a pointer kept past the node's removal stays safe,
// and using a removed node throws 35605.
//
// The model follows the real control: emptying the control by its own message
// (TVM_DELETEITEM with TVI_ROOT) empties the model and its key index too.
//
// Clearing the tree, and taking the control's window down, forget the whole model in one pass
// and then empty the control, ignoring its per-item notifications. The control deletes a
// subtree one call level per tree level, so in a tree nested thousands of levels deep (an import
// chain) the items at every 128th level are deleted first, deepest first: no deletion reaches
// more than 128 levels down, however deep the tree.
//
// Events (see ItemsControl): a press of the left button gives NodeClick (when it selects a node,
// or clicks the selected one) and then MouseUp; a press of the right button gives MouseUp only.
// Selecting a node from code raises no NodeClick.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/ItemsControl.h"

namespace ui {

class TreeView;
class ImageList;
class Node;
using NodePtr = std::shared_ptr<Node>;

// Where Nodes.Add places a node relative to its relative node (or at the top level without one).
enum TreeRelationship : int { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

class Node : public std::enable_shared_from_this<Node> {
public:
    const std::string& Key() const { return key_; }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    std::string FullPath() const;  // texts from the top, joined by "\"

    // Navigation; null where there is no such node (a top node has no Parent).
    NodePtr Parent() const;
    NodePtr Child() const;         // first child
    NodePtr FirstSibling() const;
    NodePtr LastSibling() const;
    NodePtr Next() const;
    NodePtr Previous() const;
    NodePtr Root() const;
    long Children() const;         // number of direct children
    long Index() const;            // 1-based position in the tree's Nodes collection

    const ImageRef& Image() const { return image_; }
    void SetImage(const ImageRef& image);           // throws 35601 for a key the image list lacks
    const ImageRef& SelectedImage() const { return selectedImage_; }
    void SetSelectedImage(const ImageRef& image);
    bool Expanded() const;
    void SetExpanded(bool expanded);
    bool Bold() const { return bold_; }
    void SetBold(bool bold);
    bool Selected() const;
    void SetSelected(bool selected);                // raises no NodeClick
    void EnsureVisible();                           // expands the ancestors and scrolls to it
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);                    // children by text, without regard to case

    std::string Tag;
    TreeView& Tree() const;
    HTREEITEM Handle() const;
    bool IsRemoved() const { return tree_ == nullptr; }

private:
    friend class TreeView;
    friend class Nodes;
    void Check() const;
    TreeView* tree_ = nullptr;
    HTREEITEM item_ = nullptr;
    std::string key_;
    std::string text_;
    ImageRef image_, selectedImage_;
    bool bold_ = false;
    bool sorted_ = false;
    long children_ = 0;
    size_t order_ = 0;  // slot in the collection's order list
    int depth_ = 0;     // 0 for a top-level node
    Node* parent_ = nullptr;
};

// The keyed collection of a tree's nodes, in the order they were added.
class Nodes {
public:
    // Adds a node. `relative` is the relative node's key ("" = none: a top-level node).
    NodePtr Add(const std::string& relative, int relationship, const std::string& key,
                const std::string& text, const ImageRef& image = {}, const ImageRef& selectedImage = {});
    NodePtr Add(const NodePtr& relative, int relationship, const std::string& key,
                const std::string& text, const ImageRef& image = {}, const ImageRef& selectedImage = {});

    long Count() const { return count_; }
    bool Exists(const std::string& key) const;
    NodePtr Find(const std::string& key) const;   // null when there is none
    NodePtr Item(const std::string& key) const;   // 35601 when there is none
    NodePtr Item(long index) const;               // 1-based; 35600 out of range
    NodePtr operator[](const std::string& key) const { return Item(key); }

    // Removes the node and its subtree, with their keys.
    void Remove(const std::string& key);
    void Remove(long index);
    void Remove(const NodePtr& node);
    void Clear();

    // Every node in the order of the collection.
    std::vector<NodePtr> All() const;

private:
    friend class TreeView;
    friend class Node;
    explicit Nodes(TreeView* tree) : tree_(tree) {}
    void Compact() const;
    TreeView* tree_;
    long count_ = 0;
    mutable std::vector<NodePtr> order_;       // with holes after removals until compacted
    mutable bool holes_ = false;
    std::unordered_map<std::string, NodePtr> byKey_;      // folded key
    std::unordered_map<Node*, NodePtr> live_;             // every node, keyless ones included
};

class TreeView : public ItemsControl {
public:
    TreeView();
    ~TreeView() override;

    // Lines, buttons at the root, selection always shown.
    void Create(Parent parent, long left, long top, long width, long height);

    ui::Nodes Nodes;

    void SetImageList(ImageList* images);  // null detaches
    ImageList* GetImageList() const { return images_; }

    NodePtr SelectedItem() const;
    void SetSelectedItem(const NodePtr& node);      // raises no NodeClick
    NodePtr DropHighlight() const;
    void SetDropHighlight(const NodePtr& node);     // null clears
    // The node at a point in twips of the control's client area, or null.
    NodePtr HitTest(long x, long y) const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);                    // top-level nodes by text

    std::function<void(Node& node)> NodeClick;
    std::function<void(Node& node)> Expand;
    // Asked whenever the control draws a node, before its picture is looked up: a node whose
    // picture is costly to make can be given it when it is first shown (SetImage there does not
    // draw the node again).
    std::function<void(Node& node)> ImageWanted;

    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroyed() override;

protected:
    void ClickPressedItem(long x, long y) override;
    bool SelectedItemPoint(POINT& client) override;

private:
    friend class Node;
    friend class ui::Nodes;
    // The tree's own messages go straight to the control's window procedure: the subclass has
    // nothing to do with them, and finding the subclass's control costs a call to the window
    // server per message, which adding thousands of nodes would pay thousands of times.
    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) const;
    HTREEITEM NextItem(HTREEITEM item, UINT relation) const;  // TVGN_*
    void InvalidateItem(HTREEITEM item) const;
    NodePtr FromItem(HTREEITEM item) const;
    void ItemDeleted(Node* node);
    // Forgets every node in one pass and empties the control (while its window is there).
    void DeleteAll();
    // Deletes the item (TVI_ROOT: every item) with everything below it from the control, never
    // letting one deletion go more than kDeleteDepth levels down. `depth` is the item's depth
    // (-1 for TVI_ROOT).
    void DeleteItems(HTREEITEM item, int depth);
    static constexpr int kDeleteDepth = 128;
    void SortChildren(HTREEITEM parent);
    void ScheduleSort(Node* parent);  // sorted parents are sorted once after a run of adds
    void FlushSorts() const;
    ImageList* images_ = nullptr;
    bool sorted_ = false;
    bool codeSelecting_ = false;
    bool answeringImage_ = false;
    mutable std::vector<std::weak_ptr<Node>> pendingSorts_;
    mutable bool rootSortPending_ = false;
    bool sortDeferred_ = false;
    int maxDepth_ = 0;           // deepest node added since the tree was last emptied
    bool tearingDown_ = false;   // the control's deletion notifications are ignored meanwhile
    bool windowGoing_ = false;   // the window has had WM_DESTROY: it takes no more messages
};

// Turns a tree's or list's painting off for its lifetime and back on (with a repaint) afterwards.
class RedrawOff {
public:
    explicit RedrawOff(ItemsControl& control) : control_(&control) { control.SetRedraw(false); }
    ~RedrawOff() { control_->SetRedraw(true); }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;
private:
    ItemsControl* control_;
};

}  // namespace ui
