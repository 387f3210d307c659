// The keyed report-view list over the real SysListView32.
#include <gtest/gtest.h>

#include "base/QV_Err.h"
#include "tests/ui/UiTestSupport.h"

namespace {

std::string RealText(HWND list, int row, int column) {
    char buf[512] = "";
    LVITEMA it{};
    it.iSubItem = column;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return buf;
}

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
    EXPECT_EQ(RealText(lsv.hWnd(), 0, 0), "Default");
    EXPECT_EQ(RealText(lsv.hWnd(), 0, 1), "value a");
    EXPECT_EQ(RealText(lsv.hWnd(), 1, 0), "Bravo");
    EXPECT_EQ(RealText(lsv.hWnd(), 1, 1), "value b");
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
    EXPECT_EQ(RealText(lsv.hWnd(), 0, 0), "Bravo");
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

}  // namespace
