// A report-view list with a keyed item model over a real SysListView32.
//
//     lsv.Create(*this, 0, 0, 6000, 3000);
//     lsv.SetSmallIcons(&imlValues);
//     lsv.ColumnHeaders.Add("Name", 2000);
//     lsv.ColumnHeaders.Add("Value", 3500);
//     auto item = lsv.ListItems.Add(0, "k1", "Default", {}, "String");
//     item->SetSubItem(1, "some data");
//     { ui::RedrawOff quiet(lsv); lsv.ListItems.AddRows(std::move(rows)); }  // thousands at once
//     lsv.ItemClick = [this](ui::ListItem& it) { ... };   // raised by the user only
//
// Item keys follow the tree's rules: unique, case-insensitive, 35602 for a duplicate, 35601
// for a missing key; keyless items are allowed. Items are handed out as ListItemPtr; using a
// removed item throws 35605.
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

class ListView;
class ImageList;
class ListItem;
using ListItemPtr = std::shared_ptr<ListItem>;

enum : int { lvwColumnLeft = 0, lvwColumnRight = 1, lvwColumnCenter = 2 };

class ListItem {
public:
    const std::string& Key() const { return key_; }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    // Texts of the further columns, 1-based ("" where none was set).
    std::string SubItem(long column) const;
    void SetSubItem(long column, const std::string& text);
    const ImageRef& Icon() const { return icon_; }
    void SetIcon(const ImageRef& image);
    const ImageRef& SmallIcon() const { return smallIcon_; }
    void SetSmallIcon(const ImageRef& image);  // the picture report view shows
    long Index() const;                        // 1-based position in the list
    bool Selected() const;
    void SetSelected(bool selected);           // raises no ItemClick
    void EnsureVisible();
    std::string Tag;
    bool IsRemoved() const { return list_ == nullptr; }

private:
    friend class ListView;
    friend class ListItems;
    void Check() const;
    ListView* list_ = nullptr;
    std::string key_;
    std::string text_;
    std::vector<std::string> sub_;
    ImageRef icon_, smallIcon_;
    long pos_ = 0;  // zero-based row
};

// A row for ListItems::AddRows: what Add takes, and the texts of the further columns.
struct NewListRow {
    std::string key, text;
    ImageRef icon, smallIcon;
    std::vector<std::string> subItems;  // columns 1, 2, ...
};

class ListItems {
public:
    // Adds a row at the 1-based position `index` (0 = at the end).
    ListItemPtr Add(long index = 0, const std::string& key = "", const std::string& text = "",
                    const ImageRef& icon = {}, const ImageRef& smallIcon = {});
    // Appends rows in one step, as Add(0, ...) and SetSubItem would one by one, for filling a
    // list with thousands of rows: every key and picture is checked before anything is added
    // (a key already in the list or twice among the rows throws 35602, a picture the image list
    // lacks 35601, and the list stays as it was), the control makes room for all rows at once,
    // and rows showing the same picture share its look-up. Turn painting off around it.
    void AddRows(std::vector<NewListRow> rows);
    long Count() const { return static_cast<long>(rows_.size()); }
    bool Exists(const std::string& key) const;
    ListItemPtr Find(const std::string& key) const;
    ListItemPtr Item(const std::string& key) const;  // 35601 when missing
    ListItemPtr Item(long index) const;              // 1-based; 35600 out of range
    void Remove(const std::string& key);
    void Remove(long index);
    void Clear();
    auto begin() const { return rows_.begin(); }
    auto end() const { return rows_.end(); }

private:
    friend class ListView;
    friend class ListItem;
    explicit ListItems(ListView* list) : list_(list) {}
    void RemoveAt(size_t pos);
    ListView* list_;
    std::vector<ListItemPtr> rows_;
    std::unordered_map<std::string, ListItemPtr> byKey_;
};

class ColumnHeader {
public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    long Width() const;            // twips
    void SetWidth(long twips);
    long Index() const { return index_; }

private:
    friend class ColumnHeaders;
    ListView* list_ = nullptr;
    std::string text_;
    long index_ = 0;  // 1-based
};

class ColumnHeaders {
public:
    ColumnHeader& Add(const std::string& text, long widthTwips = 1440, int alignment = lvwColumnLeft);
    long Count() const { return static_cast<long>(columns_.size()); }
    ColumnHeader& Item(long index);  // 1-based
    void Clear();

private:
    friend class ListView;
    explicit ColumnHeaders(ListView* list) : list_(list) {}
    ListView* list_;
    std::vector<std::unique_ptr<ColumnHeader>> columns_;
};

class ListView : public ItemsControl {
public:
    ListView();
    ~ListView() override;

    // Report view, single selection, whole-row selection, selection always shown.
    void Create(Parent parent, long left, long top, long width, long height);

    ui::ColumnHeaders ColumnHeaders;
    ui::ListItems ListItems;

    void SetSmallIcons(ImageList* images);
    void SetIcons(ImageList* images);
    ImageList* SmallIcons() const { return small_; }

    ListItemPtr SelectedItem() const;
    void SetSelectedItem(const ListItemPtr& item);  // raises no ItemClick
    ListItemPtr HitTest(long x, long y) const;      // twips of the client area

    std::function<void(ListItem& item)> ItemClick;
    // Raised when the control asks for the picture of a row that has none (neither small icon
    // nor icon), as it draws the row, before the picture is looked up: the handler may give the
    // row its small icon then (SetSmallIcon), so that pictures that are slow to make are made
    // only for the rows a user sees; a row left without one is asked for again when next drawn.
    // It runs inside the control's painting: it shows no window and handles no messages; an
    // error it raises leaves the row as it was.
    std::function<void(ListItem& item)> SmallIconWanted;

    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnDestroyed() override;

protected:
    void ClickPressedItem(long x, long y) override;
    bool SelectedItemPoint(POINT& client) override;

private:
    friend class ListItem;
    friend class ui::ListItems;
    friend class ColumnHeader;
    friend class ui::ColumnHeaders;
    ImageList* small_ = nullptr;
    ImageList* large_ = nullptr;
    bool codeSelecting_ = false;
    bool answeringPicture_ = false;  // inside the control's request for a row's picture
};

}  // namespace ui
