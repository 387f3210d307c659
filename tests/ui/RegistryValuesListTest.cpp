// The values list of a registry key filled from a big key of the real registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/RegFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/RegistryValuesList.h"

namespace {

// A key of 10,000 values: a few of every kind, then text values up to the count.
class BigValuesList : public ::testing::Test {
protected:
    static constexpr int kValues = 10000;
    static void SetUpTestSuite() {
        hkcu = new RegFixture(HKEY_CURRENT_USER, R"(
            [Big]
            @="unnamed"
            "Text"="C:\\Program Files\\x"
            "Exp"=expand:"%SystemRoot%\\x"
            "Dw"=dword:0000002a
            "Short"=hex(4):2a,00
            "Big"=qword:0102030405060708
            "Multi"=multi:"one","two"
            "Bytes"=hex:00,0f,a0
            "Nothing"=none:
            "Default"="a value really named Default"
        )");
        HKEY h;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Big", 0, KEY_SET_VALUE, &h), 0);
        for (int i = 10; i < kValues; ++i) {
            char name[16], data[32];
            std::snprintf(name, sizeof name, "V%05d", i);
            const int n = std::snprintf(data, sizeof data, "data %d", i);
            RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), static_cast<DWORD>(n + 1));
        }
        RegCloseKey(h);
    }
    static void TearDownTestSuite() {
        delete hkcu;
        hkcu = nullptr;
    }
    void SetUp() override {
        if (lsv.ColumnHeaders.Count() == 0) {
            lsv.ColumnHeaders.Add("Name", 1500);
            lsv.ColumnHeaders.Add("Value", 2500);
        }
        // The values list's pictures, as two further keys of the form's pictures.
        if (!form.iml.Exists("String")) form.iml.AddKey("String", "Folder");
        if (!form.iml.Exists("Bin")) form.iml.AddKey("Bin", "Leaf");
    }
    void TearDown() override {
        lsv.ItemClick = nullptr;
        lsv.ListItems.Clear();
    }
    static RegFixture* hkcu;
    TestForm& form = SharedForm();
    ui::ListView& lsv = form.lsv;
};
RegFixture* BigValuesList::hkcu = nullptr;

TEST_F(BigValuesList, EveryValueHasItsRowInEnumerationOrder) {
    lsv.ListItems.Add(0, "KeyStale", "stale row");
    RegistryValuesList::Fill(HKEY_CURRENT_USER, "Big", lsv);
    const std::vector<std::string> names = ValueNames(HKEY_CURRENT_USER, "Big");
    ASSERT_EQ(names.size(), static_cast<size_t>(kValues));
    ASSERT_EQ(lsv.ListItems.Count(), kValues);
    ASSERT_EQ(ListView_GetItemCount(lsv.hWnd()), kValues);
    EXPECT_FALSE(lsv.ListItems.Exists("KeyStale"));

    struct Row {
        std::string name, key, icon, value;
    };
    const Row fixed[] = {
        {"Default", "", "String", "unnamed"},
        {"Text", "KeyText", "String", "C:\\Program Files\\x"},
        {"Exp", "KeyExp", "String", "%SystemRoot%\\x"},
        {"Dw", "KeyDw", "Bin", "42"},
        {"Short", "KeyShort", "Bin", "2A00"},
        {"Big", "KeyBig", "Bin", "72623859790382856"},
        {"Multi", "KeyMulti", "Bin", "one two"},
        {"Bytes", "KeyBytes", "Bin", "000FA0"},
        {"Nothing", "KeyNothing", "Bin", ""},
        {"Default", "KeyDefault", "String", "a value really named Default"},
    };
    const int stringPicture = form.iml.Resolve(ui::ImageRef("String"));
    const int binPicture = form.iml.Resolve(ui::ImageRef("Bin"));
    ASSERT_NE(stringPicture, binPicture);
    long keyless = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        auto item = lsv.ListItems.Item(static_cast<long>(i + 1));
        Row want;
        if (names[i].empty()) {
            want = fixed[0];
        } else if (names[i][0] == 'V') {
            want = {names[i], "Key" + names[i], "String", "data " + std::to_string(std::stoi(names[i].substr(1)))};
        } else {
            for (const Row& r : fixed)
                if (r.key == "Key" + names[i]) want = r;
        }
        ASSERT_FALSE(want.name.empty());
        EXPECT_EQ(item->Text(), want.name);
        EXPECT_EQ(item->Key(), want.key);
        EXPECT_EQ(item->SmallIcon().key, want.icon);
        EXPECT_EQ(item->Icon().key, want.icon);
        EXPECT_EQ(item->SubItem(1), want.value);
        EXPECT_EQ(RegistryValuesList::ValueNameOfRow(*item), names[i]);
        keyless += item->Key().empty();
        // What the real control shows, checked on every hundredth row and the fixed ones.
        if (i % 100 == 0 || names[i][0] != 'V') {
            EXPECT_EQ(ListItemText(lsv.hWnd(), static_cast<int>(i), 0), want.name);
            EXPECT_EQ(ListItemText(lsv.hWnd(), static_cast<int>(i), 1), want.value);
            EXPECT_EQ(ListItemImage(lsv.hWnd(), static_cast<int>(i)), want.icon == "String" ? stringPicture : binPicture);
        }
    }
    EXPECT_EQ(keyless, 1);

    // Filled again, the list has the same rows once.
    RegistryValuesList::Fill(HKEY_CURRENT_USER, "Big", lsv);
    EXPECT_EQ(lsv.ListItems.Count(), kValues);
    EXPECT_EQ(ListView_GetItemCount(lsv.hWnd()), kValues);
    EXPECT_EQ(lsv.ListItems.Item("KeyV09999")->SubItem(1), "data 9999");
}

TEST_F(BigValuesList, ARowFarDownSelectsAndAClickOnItRaisesItemClick) {
    RegistryValuesList::Fill(HKEY_CURRENT_USER, "Big", lsv);
    ASSERT_EQ(lsv.ListItems.Count(), kValues);
    // A row far down is brought into view and selected; the list paints again after the fill,
    // so a real click on a row in view selects it and raises ItemClick.
    std::vector<std::string> clicked;
    lsv.ItemClick = [&](ui::ListItem& it) { clicked.push_back(it.Key()); };
    auto deep = lsv.ListItems.Item("KeyV09000");
    deep->EnsureVisible();
    lsv.SetSelectedItem(deep);
    EXPECT_EQ(lsv.SelectedItem(), deep);
    EXPECT_TRUE(clicked.empty());

    auto next = lsv.ListItems.Item(deep->Index() - 1);  // in view above it
    RECT r{};
    r.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageA(lsv.hWnd(), LVM_GETITEMRECT, static_cast<WPARAM>(next->Index() - 1),
                             reinterpret_cast<LPARAM>(&r)));
    ClickAt(lsv.hWnd(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(lsv.SelectedItem(), next);
    EXPECT_EQ(clicked, std::vector<std::string>{next->Key()});
}

TEST_F(BigValuesList, NamesThatReadAlikeInAnsiGiveOneRowAndTheRestStay) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Alike", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    const wchar_t* names[] = {L"before", L"\x4e00", L"\x4e01", L"after"};
    for (const wchar_t* name : names)
        RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(h);
    const long errors = QV_Err::HandledCount();
    RegistryValuesList::Fill(HKEY_CURRENT_USER, "Alike", lsv);
    EXPECT_EQ(QV_Err::HandledCount(), errors);
    std::vector<std::string> texts;
    for (auto& row : lsv.ListItems) texts.push_back(row->Text());
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"?", "after", "before"}));
}

}  // namespace
