#include "ui/ListView.h"

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Internal.h"

namespace {
constexpr char kModule[] = "ListView";
}  // namespace

namespace ui {
namespace {

const char kSource[] = "ListView";

// Sends a message of the list's own model (a row inserted, a text set) to the control's own
// procedure, past the toolkit's subclass, which has nothing to do with these messages and costs
// a window-property look-up for each one; with a thousand rows that is most of the filling.
LRESULT SendToList(HWND h, UINT msg, WPARAM wParam, const void* data) {
    static WNDPROC own = reinterpret_cast<WNDPROC>(GetClassLongPtrA(h, GCLP_WNDPROC));
    return CallWindowProcA(own, h, msg, wParam, reinterpret_cast<LPARAM>(data));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ListItem

void ListItem::Check() const {
    if (!list_) QV_Err::Raise(35605, kSource);
}

void ListItem::SetText(const std::string& text) {
    Check();
    text_ = text;
    ListView_SetItemText(list_->hWnd(), static_cast<int>(pos_), 0, const_cast<char*>(text_.c_str()));
}

std::string ListItem::SubItem(long column) const {
    Check();
    if (column < 1) QV_Err::Raise(35600, kSource);
    return static_cast<size_t>(column) <= sub_.size() ? sub_[static_cast<size_t>(column - 1)] : std::string();
}

void ListItem::SetSubItem(long column, const std::string& text) {
    Check();
    if (column < 1) QV_Err::Raise(35600, kSource);
    if (sub_.size() < static_cast<size_t>(column)) sub_.resize(static_cast<size_t>(column));
    sub_[static_cast<size_t>(column - 1)] = text;
    LVITEMA it{};
    it.iSubItem = static_cast<int>(column);
    it.pszText = const_cast<char*>(sub_[static_cast<size_t>(column - 1)].c_str());
    SendToList(list_->hWnd(), LVM_SETITEMTEXTA, static_cast<WPARAM>(pos_), &it);
}

void ListItem::SetIcon(const ImageRef& image) {
    Check();
    if (list_->large_ && !image.IsNone()) list_->large_->Resolve(image);
    icon_ = image;
    ListView_RedrawItems(list_->hWnd(), static_cast<int>(pos_), static_cast<int>(pos_));
}

void ListItem::SetSmallIcon(const ImageRef& image) {
    Check();
    if (list_->small_ && !image.IsNone()) list_->small_->Resolve(image);
    smallIcon_ = image;
    // Set while the control asks for the row's picture, it is the picture being drawn.
    if (!list_->answeringPicture_)
        ListView_RedrawItems(list_->hWnd(), static_cast<int>(pos_), static_cast<int>(pos_));
}

long ListItem::Index() const {
    Check();
    return pos_ + 1;
}

bool ListItem::Selected() const {
    Check();
    return (ListView_GetItemState(list_->hWnd(), static_cast<int>(pos_), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void ListItem::SetSelected(bool selected) {
    Check();
    list_->codeSelecting_ = true;
    UINT state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    ListView_SetItemState(list_->hWnd(), static_cast<int>(pos_), state, LVIS_SELECTED | LVIS_FOCUSED);
    list_->codeSelecting_ = false;
}

void ListItem::EnsureVisible() {
    Check();
    ListView_EnsureVisible(list_->hWnd(), static_cast<int>(pos_), FALSE);
}

// ---------------------------------------------------------------------------------------------
// ListItems

ListItemPtr ListItems::Add(long index, const std::string& key, const std::string& text, const ImageRef& icon,
                           const ImageRef& smallIcon) {
    HWND h = list_->hWnd();
    if (!h) QV_Err::Raise(91, kSource);
    std::string folded = TextCase::Lower(key);
    if (!key.empty() && byKey_.count(folded)) QV_Err::Raise(35602, kSource);
    if (index < 0 || index > Count() + 1) QV_Err::Raise(35600, kSource);
    if (list_->large_ && !icon.IsNone()) list_->large_->Resolve(icon);
    if (list_->small_ && !smallIcon.IsNone()) list_->small_->Resolve(smallIcon);

    size_t pos = index == 0 ? rows_.size() : static_cast<size_t>(index - 1);
    auto item = std::make_shared<ListItem>();
    item->list_ = list_;
    item->key_ = key;
    item->text_ = text;
    item->icon_ = icon;
    item->smallIcon_ = smallIcon;
    item->pos_ = static_cast<long>(pos);

    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    it.iItem = static_cast<int>(pos);
    it.pszText = const_cast<char*>(item->text_.c_str());
    it.iImage = I_IMAGECALLBACK;
    it.lParam = reinterpret_cast<LPARAM>(item.get());
    int got = static_cast<int>(SendToList(h, LVM_INSERTITEMA, 0, &it));
    if (got < 0) QV_Err::Raise(7, kSource);

    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos), item);
    for (size_t i = pos + 1; i < rows_.size(); ++i) rows_[i]->pos_ = static_cast<long>(i);
    if (!key.empty()) byKey_[folded] = item;
    return item;
}

void ListItems::AddRows(std::vector<NewListRow> rows) {
    HWND h = list_->hWnd();
    if (!h) QV_Err::Raise(91, kSource);
    // All checks first, so that a bad row adds nothing.
    std::vector<std::string> folded(rows.size());
    std::unordered_map<std::string, size_t> fresh;
    fresh.reserve(rows.size());
    const ImageRef* lastIcon = nullptr;
    const ImageRef* lastSmall = nullptr;
    auto same = [](const ImageRef* a, const ImageRef& b) { return a && a->key == b.key && a->index == b.index; };
    for (size_t i = 0; i < rows.size(); ++i) {
        const NewListRow& r = rows[i];
        if (!r.key.empty()) {
            folded[i] = TextCase::Lower(r.key);
            if (byKey_.count(folded[i]) || !fresh.emplace(folded[i], i).second) QV_Err::Raise(35602, kSource);
        }
        if (list_->large_ && !r.icon.IsNone() && !same(lastIcon, r.icon)) {
            list_->large_->Resolve(r.icon);
            lastIcon = &r.icon;
        }
        if (list_->small_ && !r.smallIcon.IsNone() && !same(lastSmall, r.smallIcon)) {
            list_->small_->Resolve(r.smallIcon);
            lastSmall = &r.smallIcon;
        }
    }

    const size_t first = rows_.size();
    rows_.reserve(first + rows.size());
    byKey_.reserve(byKey_.size() + fresh.size());
    ListView_SetItemCount(h, static_cast<int>(first + rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        NewListRow& r = rows[i];
        auto item = std::make_shared<ListItem>();
        item->list_ = list_;
        item->key_ = std::move(r.key);
        item->text_ = std::move(r.text);
        item->icon_ = std::move(r.icon);
        item->smallIcon_ = std::move(r.smallIcon);
        item->sub_ = std::move(r.subItems);
        item->pos_ = static_cast<long>(first + i);

        LVITEMA it{};
        it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        it.iItem = static_cast<int>(item->pos_);
        it.pszText = const_cast<char*>(item->text_.c_str());
        it.iImage = I_IMAGECALLBACK;
        it.lParam = reinterpret_cast<LPARAM>(item.get());
        if (SendToList(h, LVM_INSERTITEMA, 0, &it) < 0) {
            // The control refused a row (out of memory): the rows before it stay.
            item->list_ = nullptr;
            QV_Err::Raise(7, kSource);
        }
        rows_.push_back(item);
        if (!item->key_.empty()) byKey_.emplace(std::move(folded[i]), item);
        for (size_t c = 0; c < item->sub_.size(); ++c) {
            if (item->sub_[c].empty()) continue;
            LVITEMA sub{};
            sub.iSubItem = static_cast<int>(c + 1);
            sub.pszText = const_cast<char*>(item->sub_[c].c_str());
            SendToList(h, LVM_SETITEMTEXTA, static_cast<WPARAM>(item->pos_), &sub);
        }
    }
}

bool ListItems::Exists(const std::string& key) const { return byKey_.count(TextCase::Lower(key)) != 0; }

ListItemPtr ListItems::Find(const std::string& key) const {
    auto it = byKey_.find(TextCase::Lower(key));
    return it == byKey_.end() ? nullptr : it->second;
}

ListItemPtr ListItems::Item(const std::string& key) const {
    ListItemPtr p = Find(key);
    if (!p) QV_Err::Raise(35601, kSource);
    return p;
}

ListItemPtr ListItems::Item(long index) const {
    if (index < 1 || index > Count()) QV_Err::Raise(35600, kSource);
    return rows_[static_cast<size_t>(index - 1)];
}

void ListItems::RemoveAt(size_t pos) {
    ListItemPtr item = rows_[pos];
    if (list_->hWnd()) ListView_DeleteItem(list_->hWnd(), static_cast<int>(pos));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos));
    for (size_t i = pos; i < rows_.size(); ++i) rows_[i]->pos_ = static_cast<long>(i);
    if (!item->key_.empty()) byKey_.erase(TextCase::Lower(item->key_));
    item->list_ = nullptr;
}

void ListItems::Remove(const std::string& key) { RemoveAt(static_cast<size_t>(Item(key)->pos_)); }
void ListItems::Remove(long index) { RemoveAt(static_cast<size_t>(Item(index)->pos_)); }

void ListItems::Clear() {
    if (list_->hWnd()) ListView_DeleteAllItems(list_->hWnd());
    for (auto& r : rows_) r->list_ = nullptr;
    rows_.clear();
    byKey_.clear();
}

// ---------------------------------------------------------------------------------------------
// Columns

void ColumnHeader::SetText(const std::string& text) {
    text_ = text;
    if (!list_ || !list_->hWnd()) return;
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(text_.c_str());
    SendMessageA(list_->hWnd(), LVM_SETCOLUMNA, static_cast<WPARAM>(index_ - 1), reinterpret_cast<LPARAM>(&col));
}

long ColumnHeader::Width() const {
    if (!list_ || !list_->hWnd()) return 0;
    return detail::ToTwipsX(ListView_GetColumnWidth(list_->hWnd(), static_cast<int>(index_ - 1)));
}

void ColumnHeader::SetWidth(long twips) {
    if (list_ && list_->hWnd())
        ListView_SetColumnWidth(list_->hWnd(), static_cast<int>(index_ - 1), detail::ToPixelsX(std::max(0L, twips)));
}

ColumnHeader& ColumnHeaders::Add(const std::string& text, long widthTwips, int alignment) {
    if (!list_->hWnd()) QV_Err::Raise(91, kSource);
    auto col = std::make_unique<ColumnHeader>();
    col->list_ = list_;
    col->text_ = text;
    col->index_ = Count() + 1;
    LVCOLUMNA lc{};
    lc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    lc.fmt = alignment == lvwColumnRight ? LVCFMT_RIGHT : alignment == lvwColumnCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
    lc.cx = detail::ToPixelsX(widthTwips);
    lc.pszText = const_cast<char*>(col->text_.c_str());
    lc.iSubItem = static_cast<int>(col->index_ - 1);
    SendMessageA(list_->hWnd(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(col->index_ - 1), reinterpret_cast<LPARAM>(&lc));
    columns_.push_back(std::move(col));
    return *columns_.back();
}

ColumnHeader& ColumnHeaders::Item(long index) {
    if (index < 1 || index > Count()) QV_Err::Raise(35600, kSource);
    return *columns_[static_cast<size_t>(index - 1)];
}

void ColumnHeaders::Clear() {
    if (list_->hWnd())
        while (ListView_DeleteColumn(list_->hWnd(), 0)) {
        }
    columns_.clear();
}

// ---------------------------------------------------------------------------------------------
// ListView

ListView::ListView() : ColumnHeaders(this), ListItems(this) {}

// The window goes here, while OnDestroyed still empties this control's own model.
ListView::~ListView() { DestroyOwnWindow(); }

void ListView::Create(Parent parent, long left, long top, long width, long height) {
    CreateWindowFor(parent, WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                    WS_EX_CLIENTEDGE, "", left, top, width, height);
    ListView_SetExtendedListViewStyle(hWnd(), LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
}

void ListView::OnDestroyed() {
    for (auto& r : ListItems.rows_) r->list_ = nullptr;
    ListItems.rows_.clear();
    ListItems.byKey_.clear();
    ColumnHeaders.columns_.clear();
    small_ = large_ = nullptr;
}

void ListView::SetSmallIcons(ImageList* images) {
    small_ = images;
    if (hWnd()) ListView_SetImageList(hWnd(), images ? images->Handle() : nullptr, LVSIL_SMALL);
}

void ListView::SetIcons(ImageList* images) {
    large_ = images;
    if (hWnd()) ListView_SetImageList(hWnd(), images ? images->Handle() : nullptr, LVSIL_NORMAL);
}

ListItemPtr ListView::SelectedItem() const {
    if (!hWnd()) return nullptr;
    int i = ListView_GetNextItem(hWnd(), -1, LVNI_SELECTED);
    if (i < 0 || i >= ListItems.Count()) return nullptr;
    return ListItems.rows_[static_cast<size_t>(i)];
}

void ListView::SetSelectedItem(const ListItemPtr& item) {
    if (!hWnd()) QV_Err::Raise(91, kSource);
    if (item) {
        item->SetSelected(true);
        return;
    }
    codeSelecting_ = true;
    ListView_SetItemState(hWnd(), -1, 0, LVIS_SELECTED);
    codeSelecting_ = false;
}

ListItemPtr ListView::HitTest(long x, long y) const {
    if (!hWnd()) return nullptr;
    LVHITTESTINFO hit{};
    hit.pt = {detail::ToPixelsX(x), detail::ToPixelsY(y)};
    int i = ListView_HitTest(hWnd(), &hit);
    if (i < 0 || i >= ListItems.Count()) {
        // Report view with whole-row selection: a point right of the first column is on the row too.
        hit = {};
        hit.pt = {detail::ToPixelsX(x), detail::ToPixelsY(y)};
        i = static_cast<int>(SendMessageA(hWnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (i < 0 || i >= ListItems.Count()) return nullptr;
    }
    return ListItems.rows_[static_cast<size_t>(i)];
}

void ListView::ClickPressedItem(long x, long y) { ClickIfSelected(HitTest(x, y), ItemClick); }

bool ListView::SelectedItemPoint(POINT& client) {
    const int i = ListView_GetNextItem(hWnd(), -1, LVNI_SELECTED);
    if (i < 0) return false;
    ListView_EnsureVisible(hWnd(), i, FALSE);
    RECT r{};
    if (!ListView_GetItemRect(hWnd(), i, &r, LVIR_LABEL)) return false;
    client = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return true;
}

bool ListView::OnNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case LVN_INSERTITEM:
            return true;  // the model has the row already
        case LVN_DELETEALLITEMS:
            // Clearing the list is one step: no per-row deletion notices (the model keeps no
            // per-row state in the control).
            result = TRUE;
            return true;
        case LVN_GETDISPINFOA:
        case LVN_GETDISPINFOW: {
            auto* di = reinterpret_cast<NMLVDISPINFOA*>(hdr);
            if (!(di->item.mask & LVIF_IMAGE)) return true;
            int row = di->item.iItem;
            di->item.iImage = -1;
            if (row >= 0 && row < ListItems.Count()) {
                ListItemPtr keep = ListItems.rows_[static_cast<size_t>(row)];
                ListItem& it = *keep;
                if (SmallIconWanted && it.smallIcon_.IsNone() && it.icon_.IsNone()) {
                    answeringPicture_ = true;
                    TrapErrors(kModule, "SmallIconWanted", [&] { SmallIconWanted(it); });
                    answeringPicture_ = false;
                    if (it.IsRemoved()) return true;
                }
                if (small_) di->item.iImage = small_->TryResolve(it.smallIcon_.IsNone() ? it.icon_ : it.smallIcon_);
                else if (large_) di->item.iImage = large_->TryResolve(it.icon_);
            }
            return true;
        }
        case LVN_ITEMCHANGED: {
            auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            if (codeSelecting_ || !(nm->uChanged & LVIF_STATE)) return true;
            if (!(nm->uNewState & LVIS_SELECTED) || (nm->uOldState & LVIS_SELECTED)) return true;
            if (nm->iItem < 0 || nm->iItem >= ListItems.Count()) return true;
            ListItemPtr item = ListItems.rows_[static_cast<size_t>(nm->iItem)];
            ClickRaised();
            DeferItemEvent(&ListView::ItemClick, item);
            return true;
        }
        case LVN_KEYDOWN: {
            DeferKeyDown(reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey);
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
