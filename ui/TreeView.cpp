#include "ui/TreeView.h"

#include <cstring>
#include <unordered_set>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Internal.h"

namespace {
constexpr char kModule[] = "TreeView";
}  // namespace

namespace ui {
namespace {

const char kSource[] = "TreeView";

int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM) {
    auto* x = reinterpret_cast<Node*>(a);
    auto* y = reinterpret_cast<Node*>(b);
    return lstrcmpiA(x->Text().c_str(), y->Text().c_str());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Node

void Node::Check() const {
    if (!tree_) QV_Err::Raise(35605, kSource);
}

TreeView& Node::Tree() const {
    Check();
    return *tree_;
}

HTREEITEM Node::Handle() const { return item_; }

void Node::SetText(const std::string& text) {
    Check();
    text_ = text;
    TVITEMA tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item_;
    tv.pszText = const_cast<char*>(text_.c_str());
    tree_->Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    if (parent_ ? parent_->sorted_ : tree_->sorted_) tree_->ScheduleSort(parent_);
}

std::string Node::FullPath() const {
    Check();
    std::string path = text_;
    for (Node* p = parent_; p; p = p->parent_) path = p->text_ + "\\" + path;
    return path;
}

NodePtr Node::Parent() const {
    Check();
    return parent_ ? parent_->shared_from_this() : nullptr;
}

NodePtr Node::Child() const {
    Check();
    tree_->FlushSorts();
    return tree_->FromItem(tree_->NextItem(item_, TVGN_CHILD));
}

NodePtr Node::FirstSibling() const {
    Check();
    if (parent_) return parent_->Child();
    tree_->FlushSorts();
    return tree_->FromItem(tree_->NextItem(nullptr, TVGN_ROOT));
}

NodePtr Node::LastSibling() const {
    Check();
    tree_->FlushSorts();
    HTREEITEM last = item_;
    for (HTREEITEM h = item_; h; h = tree_->NextItem(h, TVGN_NEXT)) last = h;
    return tree_->FromItem(last);
}

NodePtr Node::Next() const {
    Check();
    tree_->FlushSorts();
    return tree_->FromItem(tree_->NextItem(item_, TVGN_NEXT));
}

NodePtr Node::Previous() const {
    Check();
    tree_->FlushSorts();
    return tree_->FromItem(tree_->NextItem(item_, TVGN_PREVIOUS));
}

NodePtr Node::Root() const {
    Check();
    const Node* n = this;
    while (n->parent_) n = n->parent_;
    return const_cast<Node*>(n)->shared_from_this();
}

long Node::Children() const {
    Check();
    return children_;
}

long Node::Index() const {
    Check();
    tree_->Nodes.Compact();
    return static_cast<long>(order_) + 1;
}

void Node::SetImage(const ImageRef& image) {
    Check();
    if (tree_->images_ && !image.IsNone()) tree_->images_->Resolve(image);  // 35601 for an unknown key
    image_ = image;
    if (!tree_->answeringImage_) tree_->InvalidateItem(item_);
}

void Node::SetSelectedImage(const ImageRef& image) {
    Check();
    if (tree_->images_ && !image.IsNone()) tree_->images_->Resolve(image);
    selectedImage_ = image;
    tree_->InvalidateItem(item_);
}

bool Node::Expanded() const {
    Check();
    return (tree_->Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void Node::SetExpanded(bool expanded) {
    Check();
    TreeView_Expand(tree_->hWnd(), item_, expanded ? TVE_EXPAND : TVE_COLLAPSE);
}

void Node::SetBold(bool bold) {
    Check();
    bold_ = bold;
    TVITEMA tv{};
    tv.mask = TVIF_STATE | TVIF_HANDLE;
    tv.hItem = item_;
    tv.state = bold ? TVIS_BOLD : 0;
    tv.stateMask = TVIS_BOLD;
    tree_->Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

bool Node::Selected() const {
    Check();
    return tree_->NextItem(nullptr, TVGN_CARET) == item_;
}

void Node::SetSelected(bool selected) {
    Check();
    if (selected) tree_->SetSelectedItem(const_cast<Node*>(this)->shared_from_this());
    else if (Selected()) tree_->SetSelectedItem(nullptr);
}

void Node::EnsureVisible() {
    Check();
    tree_->FlushSorts();
    TreeView_EnsureVisible(tree_->hWnd(), item_);
}

void Node::SetSorted(bool sorted) {
    Check();
    sorted_ = sorted;
    if (sorted) tree_->SortChildren(item_);
}

// ---------------------------------------------------------------------------------------------
// Nodes

NodePtr Nodes::Add(const std::string& relative, int relationship, const std::string& key, const std::string& text,
                   const ImageRef& image, const ImageRef& selectedImage) {
    NodePtr rel;
    if (!relative.empty()) rel = Item(relative);
    return Add(rel, relationship, key, text, image, selectedImage);
}

NodePtr Nodes::Add(const NodePtr& relative, int relationship, const std::string& key, const std::string& text,
                   const ImageRef& image, const ImageRef& selectedImage) {
    HWND h = tree_->hWnd();
    if (!h) QV_Err::Raise(91, kSource);
    if (relative && relative->IsRemoved()) QV_Err::Raise(35605, kSource);
    if (relative && &relative->Tree() != tree_) QV_Err::Raise(35601, kSource);
    std::string folded = TextCase::Lower(key);
    if (!key.empty() && byKey_.count(folded)) QV_Err::Raise(35602, kSource);
    if (relationship < tvwFirst || relationship > tvwChild) QV_Err::Raise(5, kSource);
    if (tree_->images_) {
        if (!image.IsNone()) tree_->images_->Resolve(image);
        if (!selectedImage.IsNone()) tree_->images_->Resolve(selectedImage);
    }

    Node* parent = nullptr;
    HTREEITEM after = TVI_LAST;
    if (!relative) {
        after = relationship == tvwFirst ? TVI_FIRST : TVI_LAST;
    } else if (relationship == tvwChild) {
        parent = relative.get();
    } else {
        parent = relative->parent_;
        switch (relationship) {
            case tvwFirst: after = TVI_FIRST; break;
            case tvwLast: after = TVI_LAST; break;
            case tvwNext: after = relative->item_; break;
            case tvwPrevious: {
                HTREEITEM prev = tree_->NextItem(relative->item_, TVGN_PREVIOUS);
                after = prev ? prev : TVI_FIRST;
                break;
            }
        }
    }

    auto node = std::make_shared<Node>();
    node->tree_ = tree_;
    node->key_ = key;
    node->text_ = text;
    node->image_ = image;
    node->selectedImage_ = selectedImage;
    node->parent_ = parent;
    node->depth_ = parent ? parent->depth_ + 1 : 0;

    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent->item_ : TVI_ROOT;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<char*>(node->text_.c_str());
    ins.item.iImage = I_IMAGECALLBACK;
    ins.item.iSelectedImage = I_IMAGECALLBACK;
    ins.item.lParam = reinterpret_cast<LPARAM>(node.get());
    auto item = reinterpret_cast<HTREEITEM>(tree_->Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    if (!item) QV_Err::Raise(7, kSource);

    node->item_ = item;
    node->order_ = order_.size();
    order_.push_back(node);
    live_[node.get()] = node;
    if (!key.empty()) byKey_[folded] = node;
    ++count_;
    if (parent) ++parent->children_;
    if (node->depth_ > tree_->maxDepth_) tree_->maxDepth_ = node->depth_;
    if (parent ? parent->sorted_ : tree_->sorted_) tree_->ScheduleSort(parent);
    return node;
}

bool Nodes::Exists(const std::string& key) const { return byKey_.count(TextCase::Lower(key)) != 0; }

NodePtr Nodes::Find(const std::string& key) const {
    auto it = byKey_.find(TextCase::Lower(key));
    return it == byKey_.end() ? nullptr : it->second;
}

NodePtr Nodes::Item(const std::string& key) const {
    NodePtr n = Find(key);
    if (!n) QV_Err::Raise(35601, kSource);
    return n;
}

void Nodes::Compact() const {
    if (!holes_) return;
    size_t out = 0;
    for (size_t i = 0; i < order_.size(); ++i) {
        if (!order_[i]) continue;
        order_[i]->order_ = out;
        if (out != i) order_[out] = std::move(order_[i]);
        ++out;
    }
    order_.resize(out);
    holes_ = false;
}

NodePtr Nodes::Item(long index) const {
    Compact();
    if (index < 1 || index > static_cast<long>(order_.size())) QV_Err::Raise(35600, kSource);
    return order_[static_cast<size_t>(index - 1)];
}

void Nodes::Remove(const NodePtr& node) {
    if (!node || node->IsRemoved()) QV_Err::Raise(35605, kSource);
    if (&node->Tree() != tree_) QV_Err::Raise(35601, kSource);
    NodePtr keep = node;
    tree_->DeleteItems(node->item_, node->depth_);
    // The control reports each deleted item (TVN_DELETEITEM); should it not have, drop the
    // subtree from the model here.
    if (!keep->IsRemoved()) {
        std::vector<Node*> doomed;
        for (auto& [raw, ptr] : live_) {
            for (Node* p = raw; p; p = p->parent_)
                if (p == keep.get()) {
                    doomed.push_back(raw);
                    break;
                }
        }
        for (Node* n : doomed) tree_->ItemDeleted(n);
    }
}

void Nodes::Remove(const std::string& key) { Remove(Item(key)); }
void Nodes::Remove(long index) { Remove(Item(index)); }

void Nodes::Clear() { tree_->DeleteAll(); }

std::vector<NodePtr> Nodes::All() const {
    Compact();
    return order_;
}

// ---------------------------------------------------------------------------------------------
// TreeView

TreeView::TreeView() : Nodes(this) {}

// The window goes here, while OnDestroyed still empties this control's own model.
TreeView::~TreeView() { DestroyOwnWindow(); }

void TreeView::Create(Parent parent, long left, long top, long width, long height) {
    windowGoing_ = false;
    CreateWindowFor(parent, WC_TREEVIEWA,
                    WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE,
                    "", left, top, width, height);
}

LRESULT TreeView::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return const_cast<TreeView*>(this)->CallOriginal(msg, wParam, lParam);
}

HTREEITEM TreeView::NextItem(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void TreeView::InvalidateItem(HTREEITEM item) const {
    RECT r;
    static_assert(sizeof item <= sizeof r);
    memcpy(&r, &item, sizeof item);  // the item goes in, its rectangle comes out
    if (Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r))) InvalidateRect(hWnd(), &r, TRUE);
}

NodePtr TreeView::FromItem(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
    auto* n = reinterpret_cast<Node*>(tv.lParam);
    if (!n) return nullptr;
    auto it = Nodes.live_.find(n);
    return it == Nodes.live_.end() ? nullptr : it->second;
}

void TreeView::ItemDeleted(Node* node) {
    if (tearingDown_) return;
    auto it = Nodes.live_.find(node);
    if (it == Nodes.live_.end()) return;
    NodePtr keep = it->second;
    // The parent is looked up rather than read: nodes may go in any order, and a parent that
    // went first may be freed already.
    if (node->parent_ && Nodes.live_.count(node->parent_) && node->parent_->children_ > 0) --node->parent_->children_;
    if (!node->key_.empty()) {
        auto k = Nodes.byKey_.find(TextCase::Lower(node->key_));
        if (k != Nodes.byKey_.end() && k->second.get() == node) Nodes.byKey_.erase(k);
    }
    if (node->order_ < Nodes.order_.size() && Nodes.order_[node->order_].get() == node) {
        Nodes.order_[node->order_].reset();
        Nodes.holes_ = true;
    }
    --Nodes.count_;
    node->tree_ = nullptr;
    node->item_ = nullptr;
    node->parent_ = nullptr;
    Nodes.live_.erase(it);
    if (Nodes.count_ == 0) {
        Nodes.order_.clear();
        Nodes.holes_ = false;
    }
}

void TreeView::DeleteAll() {
    // The nodes stay allocated until the control's items, which point at them, are gone.
    auto gone = std::move(Nodes.live_);
    Nodes.live_.clear();
    Nodes.byKey_.clear();
    Nodes.order_.clear();
    Nodes.holes_ = false;
    Nodes.count_ = 0;
    for (auto& [raw, ptr] : gone) {
        raw->tree_ = nullptr;
        raw->item_ = nullptr;
        raw->parent_ = nullptr;
        raw->children_ = 0;
    }
    pendingSorts_.clear();
    rootSortPending_ = false;
    if (hWnd() && !windowGoing_) {
        tearingDown_ = true;
        DeleteItems(TVI_ROOT, -1);
        tearingDown_ = false;
    }
    maxDepth_ = 0;
}

void TreeView::DeleteItems(HTREEITEM item, int depth) {
    if (!hWnd() || windowGoing_ || !item) return;
    if (maxDepth_ - depth > kDeleteDepth) {
        // Walk the subtree without recursion and take the items at every kDeleteDepth-th level
        // below it; they go deepest level first, so each deletion finds at most kDeleteDepth
        // levels below its item.
        if (item == TVI_ROOT && NextItem(nullptr, TVGN_CARET)) {
            // Everything goes: no selection hops up the chain as its items go.
            codeSelecting_ = true;
            TreeView_SelectItem(hWnd(), nullptr);
            codeSelecting_ = false;
        }
        std::vector<std::vector<HTREEITEM>> levels;
        int below = 1;
        HTREEITEM h = NextItem(item == TVI_ROOT ? nullptr : item, item == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD);
        while (h) {
            if (below % kDeleteDepth == 0) {
                const size_t level = static_cast<size_t>(below / kDeleteDepth);
                if (levels.size() < level) levels.resize(level);
                levels[level - 1].push_back(h);
            }
            if (HTREEITEM child = NextItem(h, TVGN_CHILD)) {
                h = child;
                ++below;
                continue;
            }
            for (;;) {
                if (HTREEITEM next = NextItem(h, TVGN_NEXT)) {
                    h = next;
                    break;
                }
                if (--below == 0) {
                    h = nullptr;
                    break;
                }
                h = NextItem(h, TVGN_PARENT);
            }
        }
        for (auto level = levels.rbegin(); level != levels.rend(); ++level)
            for (HTREEITEM cut : *level) Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(cut));
    }
    Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

bool TreeView::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_DESTROY) {
        // The control would empty itself now, one call level per tree level; it is emptied
        // here first, a bounded number of levels at a time.
        Send(WM_SETREDRAW, FALSE, 0);
        DeleteAll();
        windowGoing_ = true;
    }
    return ItemsControl::OnOwnMessage(msg, wParam, lParam, result);
}

void TreeView::OnDestroyed() {
    if (Nodes.count_ > 0 || !Nodes.live_.empty()) DeleteAll();
    images_ = nullptr;
    sorted_ = false;
    pendingSorts_.clear();
    rootSortPending_ = false;
}

void TreeView::SetImageList(ImageList* images) {
    images_ = images;
    if (hWnd())
        TreeView_SetImageList(hWnd(), images ? images->Handle() : nullptr, TVSIL_NORMAL);
}

NodePtr TreeView::SelectedItem() const { return hWnd() ? FromItem(NextItem(nullptr, TVGN_CARET)) : nullptr; }

void TreeView::SetSelectedItem(const NodePtr& node) {
    if (!hWnd()) QV_Err::Raise(91, kSource);
    if (node && node->IsRemoved()) QV_Err::Raise(35605, kSource);
    codeSelecting_ = true;
    TreeView_SelectItem(hWnd(), node ? node->item_ : nullptr);
    codeSelecting_ = false;
}

NodePtr TreeView::DropHighlight() const { return hWnd() ? FromItem(NextItem(nullptr, TVGN_DROPHILITE)) : nullptr; }

void TreeView::SetDropHighlight(const NodePtr& node) {
    if (!hWnd()) QV_Err::Raise(91, kSource);
    if (node && node->IsRemoved()) QV_Err::Raise(35605, kSource);
    TreeView_SelectDropTarget(hWnd(), node ? node->item_ : nullptr);
}

NodePtr TreeView::HitTest(long x, long y) const {
    if (!hWnd()) return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = {detail::ToPixelsX(x), detail::ToPixelsY(y)};
    auto item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item || !(hit.flags & TVHT_ONITEM)) return nullptr;
    return FromItem(item);
}

void TreeView::SetSorted(bool sorted) {
    sorted_ = sorted;
    if (sorted) SortChildren(TVI_ROOT);
}

void TreeView::SortChildren(HTREEITEM parent) {
    if (!hWnd()) return;
    TVSORTCB sort{};
    sort.hParent = parent;
    sort.lpfnCompare = CompareNodes;
    Send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void TreeView::ScheduleSort(Node* parent) {
    if (parent) pendingSorts_.push_back(parent->weak_from_this());
    else rootSortPending_ = true;
    if (sortDeferred_) return;
    sortDeferred_ = true;
    DeferWhileAlive([this] { FlushSorts(); });
}

void TreeView::FlushSorts() const {
    auto* self = const_cast<TreeView*>(this);
    self->sortDeferred_ = false;
    if (pendingSorts_.empty() && !rootSortPending_) return;
    auto pending = std::move(pendingSorts_);
    pendingSorts_.clear();
    bool root = rootSortPending_;
    rootSortPending_ = false;
    std::unordered_set<Node*> done;
    for (auto& w : pending)
        if (NodePtr n = w.lock())
            if (!n->IsRemoved() && done.insert(n.get()).second) self->SortChildren(n->item_);
    if (root) self->SortChildren(TVI_ROOT);
}

void TreeView::ClickPressedItem(long x, long y) { ClickIfSelected(HitTest(x, y), NodeClick); }

bool TreeView::SelectedItemPoint(POINT& client) {
    HTREEITEM item = NextItem(nullptr, TVGN_CARET);
    if (!item) return false;
    TreeView_EnsureVisible(hWnd(), item);
    RECT r{};
    if (!TreeView_GetItemRect(hWnd(), item, &r, TRUE)) return false;
    client = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return true;
}

bool TreeView::OnNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW: {
            auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
            ItemDeleted(reinterpret_cast<Node*>(nm->itemOld.lParam));
            return true;
        }
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
            auto* node = reinterpret_cast<Node*>(di->item.lParam);
            if (!node || !Nodes.live_.count(node)) return true;
            if (ImageWanted && (di->item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) && !answeringImage_) {
                NodePtr keep = Nodes.live_[node];
                answeringImage_ = true;
                TrapErrors(kModule, "ImageWanted", [&] { ImageWanted(*keep); });
                answeringImage_ = false;
                if (!Nodes.live_.count(node)) return true;
            }
            if (di->item.mask & TVIF_IMAGE) di->item.iImage = images_ ? images_->TryResolve(node->image_) : -1;
            if (di->item.mask & TVIF_SELECTEDIMAGE) {
                const ImageRef& sel = node->selectedImage_.IsNone() ? node->image_ : node->selectedImage_;
                di->item.iSelectedImage = images_ ? images_->TryResolve(sel) : -1;
            }
            return true;
        }
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW: {
            auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
            if (codeSelecting_ || (nm->action != TVC_BYMOUSE && nm->action != TVC_BYKEYBOARD)) return true;
            NodePtr node = FromItem(nm->itemNew.hItem);
            if (!node) return true;
            if (nm->action == TVC_BYMOUSE) ClickRaised();
            DeferItemEvent(&TreeView::NodeClick, node);
            return true;
        }
        case TVN_ITEMEXPANDEDA:
        case TVN_ITEMEXPANDEDW: {
            auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
            if (!(nm->action & TVE_EXPAND)) return true;
            NodePtr node = FromItem(nm->itemNew.hItem);
            if (node) DeferItemEvent(&TreeView::Expand, node);
            return true;
        }
        case TVN_KEYDOWN: {
            DeferKeyDown(reinterpret_cast<NMTVKEYDOWN*>(hdr)->wVKey);
            result = 0;
            return true;
        }
        case NM_DBLCLK:
            DeferDblClick();
            return false;
        default:
            return false;
    }
}

}  // namespace ui
