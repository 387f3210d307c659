// The keyed report-view list over the real SysListView32.
#include <gtest/gtest.h>

#include "base/QV_Err.h"
#include "tests/ui/UiTestSupport.h"

namespace {

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (lsv.ColumnHeaders.Count() == 0) {
            lsv.ColumnHeaders.Add("Name", 1500);
            lsv.ColumnHeaders.Add("Value", 2500);
        }
    }
    void TearDown() override {
        lsv.ItemClick = nullptr;
        lsv.MouseUp = nullptr;
        lsv.ListItems.Clear();
    }
    TestForm& form = SharedForm();
    ui::ListView& lsv = form.lsv;
};

TEST_F(ListTest, RowsKeysAndSubItemsAgreeWithTheRealControl) {
    auto a = lsv.ListItems.Add(0, "Key_A", "Default", {}, "Leaf");
    a->SetSubItem(1, "value a");
    auto c = lsv.ListItems.Add(0, "Key_C", "Charlie", {}, "Folder");
    auto b = lsv.ListItems.Add(2, "", "Bravo");  // keyless, in the middle
    b->SetSubItem(1, "value b");
    EXPECT_EQ(ListView_GetItemCount(lsv.hWnd()), 3);
    EXPECT_EQ(ListItemText(lsv.hWnd(), 0, 0), "Default");
    EXPECT_EQ(ListItemText(lsv.hWnd(), 0, 1), "value a");
    EXPECT_EQ(ListItemText(lsv.hWnd(), 1, 0), "Bravo");
    EXPECT_EQ(ListItemText(lsv.hWnd(), 1, 1), "value b");
    EXPECT_EQ(c->Index(), 3);
    EXPECT_EQ(lsv.ListItems.Item("key_c"), c);
    EXPECT_EQ(a->SubItem(1), "value a");
    EXPECT_EQ(c->SubItem(1), "");

    EXPECT_EQ(ErrorOf([&] { lsv.ListItems.Add(0, "KEY_a", "dup"); }), 35602);
    EXPECT_EQ(ErrorOf([&] { lsv.ListItems.Item("none"); }), 35601);
    EXPECT_EQ(ErrorOf([&] { lsv.ListItems.Add(0, "img", "x", {}, "NoSuchImage"); }), 35601);
    EXPECT_EQ(ListView_GetItemCount(lsv.hWnd()), 3);

    lsv.ListItems.Remove("Key_A");
    EXPECT_EQ(ListView_GetItemCount(lsv.hWnd()), 2);
    EXPECT_EQ(ListItemText(lsv.hWnd(), 0, 0), "Bravo");
    EXPECT_EQ(c->Index(), 2);
    EXPECT_TRUE(a->IsRemoved());
    EXPECT_EQ(ErrorOf([&] { a->SetText("x"); }), 35605);
    EXPECT_EQ(lsv.ColumnHeaders.Item(2).Text(), "Value");
}

TEST_F(ListTest, AClickRaisesItemClickThenMouseUpAndCodeSelectionRaisesNothing) {
    lsv.ListItems.Add(0, "a", "Alpha");
    auto b = lsv.ListItems.Add(0, "b", "Bravo");
    std::vector<std::string> events;
    lsv.ItemClick = [&](ui::ListItem& it) { events.push_back("ItemClick " + it.Key()); };
    lsv.MouseUp = [&](int button, int, long, long) { events.push_back("MouseUp " + std::to_string(button)); };
    lsv.SetSelectedItem(lsv.ListItems.Item("a"));
    Pump();
    EXPECT_TRUE(events.empty());

    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(lsv.hWnd(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    ClickAt(lsv.hWnd(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(lsv.SelectedItem(), b);
    EXPECT_EQ(events, (std::vector<std::string>{"ItemClick b", "MouseUp 1"}));
}

TEST_F(ListTest, AddRowsAppendsEveryRowOrNoneAndTheRowsSelectAndClick) {
    lsv.ListItems.Add(0, "first", "First", {}, "Folder");
    std::vector<ui::NewListRow> rows = {
        {"R1", "One", {}, "Leaf", {"value one"}},
        {"", "Two", {}, "Folder", {}},
        {"R3", "Three", {}, "Leaf", {"value three"}},
    };
    lsv.ListItems.AddRows(rows);
    ASSERT_EQ(lsv.ListItems.Count(), 4);
    ASSERT_EQ(ListView_GetItemCount(lsv.hWnd()), 4);
    struct Row {
        int row;
        std::string text, sub;
        int image;
    };
    for (const Row& r : {Row{0, "First", "", 0}, Row{1, "One", "value one", 1}, Row{2, "Two", "", 0},
                         Row{3, "Three", "value three", 1}}) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(ListItemText(lsv.hWnd(), r.row, 0), r.text);
        EXPECT_EQ(ListItemText(lsv.hWnd(), r.row, 1), r.sub);
        EXPECT_EQ(ListItemImage(lsv.hWnd(), r.row), r.image);
        auto item = lsv.ListItems.Item(static_cast<long>(r.row + 1));
        EXPECT_EQ(item->Text(), r.text);
        EXPECT_EQ(item->SubItem(1), r.sub);
        EXPECT_EQ(item->Index(), r.row + 1);
    }
    EXPECT_EQ(lsv.ListItems.Item("r3")->Text(), "Three");
    EXPECT_EQ(lsv.ListItems.Item("R1")->SmallIcon().key, "Leaf");

    // A key already there, a key twice in the batch, a picture the list lacks: nothing is added.
    const std::vector<std::vector<ui::NewListRow>> bad = {
        {{"new", "New", {}, {}, {}}, {"r1", "Again", {}, {}, {}}},
        {{"twice", "A", {}, {}, {}}, {"TWICE", "B", {}, {}, {}}},
        {{"pic", "P", {}, "NoSuchImage", {}}},
    };
    const long errors[] = {35602, 35602, 35601};
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(ErrorOf([&] { lsv.ListItems.AddRows(bad[i]); }), errors[i]) << i;
        EXPECT_EQ(lsv.ListItems.Count(), 4) << i;
        EXPECT_EQ(ListView_GetItemCount(lsv.hWnd()), 4) << i;
        EXPECT_FALSE(lsv.ListItems.Exists("new")) << i;
    }

    // The batch's rows select by code and by a click as any row.
    std::vector<std::string> clicked;
    lsv.ItemClick = [&](ui::ListItem& it) { clicked.push_back(it.Text()); };
    lsv.SetSelectedItem(lsv.ListItems.Item("R1"));
    EXPECT_EQ(lsv.SelectedItem(), lsv.ListItems.Item("R1"));
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(lsv.hWnd(), LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    ClickAt(lsv.hWnd(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(lsv.SelectedItem(), lsv.ListItems.Item("R3"));
    EXPECT_EQ(clicked, std::vector<std::string>{"Three"});
}

}  // namespace
