// The keyboard's menu keys in the trees and lists, pressed as a user presses them (SendInput):
// Shift+F10 and the Menu key give the right button's MouseUp at the selected item, and the
// pop-up menu its handler opens comes up there, as a right-click on that item would; the menu
// bar stays as it was.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/RealInput.h"
#include "tests/ui/UiTestSupport.h"

namespace {

class frmMenuKeys : public ui::Form {
public:
    frmMenuKeys() : Form("frmMenuKeys", {.caption = "Menu keys", .width = 9000, .height = 6000}) {}
    ui::TreeView tvw;
    ui::ListView lsv;
    // Where each pop-up menu came up (its window's top left corner), and how many times the
    // menu bar was entered.
    std::vector<POINT> popups;
    int barEntered = 0;

protected:
    void Form_Load() override {
        Menus.Add("mnuFile", "&File").Add("mnuFile_Exit", "Exit");
        auto& pop = Menus.Add("mnuItems", "Items");
        pop.Add("mnuItems_Copy", "Copy");
        pop.SetVisible(false);
        tvw.Create(*this, 100, 100, 4000, 4000);
        lsv.Create(*this, 4300, 100, 4400, 4000);
        lsv.ColumnHeaders.Add("Name", 3000);
    }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) override {
        if (msg == WM_ENTERMENULOOP && !wParam) ++barEntered;
        if (msg == WM_ENTERIDLE && wParam == MSGF_MENU) {
            RECT r{};
            GetWindowRect(reinterpret_cast<HWND>(lParam), &r);
            popups.push_back({r.left, r.top});
            EndMenu();
        }
        return false;
    }
};

struct MouseUpSeen {
    int button = 0;
    long x = 0, y = 0;
};

// Handles the queue for a while: key input reaches the window through the display.
void Settle() {
    for (int i = 0; i < 20; ++i) {
        ui::DoEvents();
        Sleep(20);
    }
}

class MenuKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        form = new frmMenuKeys;
        form->Show();
        Pump();
    }
    static void TearDownTestSuite() {
        form->Unload();
        delete form;
        form = nullptr;
    }
    void SetUp() override {
        SetForegroundWindow(form->hWnd());
        Settle();
    }
    // Presses one of the menu keys on the control, which has the focus, and returns the MouseUp
    // it raised (button 0 when none).
    std::vector<MouseUpSeen> Press(ui::ItemsControl& control, bool shiftF10) {
        std::vector<MouseUpSeen> seen;
        control.MouseUp = [&](int button, int, long x, long y) {
            seen.push_back({button, x, y});
            form->PopupMenu(form->Menus["mnuItems"]);
        };
        // Wine takes the modifier keys' state from the display when a window gets the display's
        // focus, a moment after it is activated (later under load): a Shift that SendInput holds
        // meanwhile is released and F10 arrives alone, entering the menu bar. The keys are then
        // given once more after leaving it, as a user would.
        for (int attempt = 0; attempt < 2 && seen.empty(); ++attempt) {
            if (attempt) {
                EndMenu();
                Settle();
                form->barEntered = 0;
                form->popups.clear();
            }
            ::SetFocus(control.hWnd());
            Settle();
            if (shiftF10) RealInput::Chord({VK_SHIFT, VK_F10});
            else RealInput::Keys({VK_APPS});
            Settle();
        }
        control.MouseUp = nullptr;
        return seen;
    }
    static frmMenuKeys* form;
};
frmMenuKeys* MenuKeys::form = nullptr;

// The middle of a rectangle of the control's client area, on the screen.
POINT MiddleOnScreen(HWND h, const RECT& r) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(h, &p);
    return p;
}

bool Inside(HWND h, const RECT& r) {
    RECT client{};
    GetClientRect(h, &client);
    return r.top >= client.top && r.bottom <= client.bottom;
}

}  // namespace

TEST_F(MenuKeys, TheMenuOpensAtTheSelectedItemOrAtTheCornerWithoutOne) {
    ui::TreeView& tvw = form->tvw;
    ui::ListView& lsv = form->lsv;
    tvw.Nodes.Clear();
    lsv.ListItems.Clear();
    auto root = tvw.Nodes.Add("", ui::tvwLast, "R", "Root");
    ui::NodePtr deep;
    for (int i = 0; i < 60; ++i)
        deep = tvw.Nodes.Add("R", ui::tvwChild, "N" + std::to_string(i), "Node " + std::to_string(i));
    root->SetExpanded(true);
    for (int i = 0; i < 60; ++i) lsv.ListItems.Add(0, "K" + std::to_string(i), "Row " + std::to_string(i));
    ui::ListItemPtr row = lsv.ListItems.Item(55);  // the 55th row, index 54 of the control
    const HWND th = tvw.hWnd(), lh = lsv.hWnd();
    // The selected item's text rectangle, read after the keys have scrolled it into view.
    auto nodeRect = [&] {
        RECT r{};
        TreeView_GetItemRect(th, deep->Handle(), &r, TRUE);
        return r;
    };
    auto rowRect = [&] {
        RECT r{};
        ListView_GetItemRect(lh, 54, &r, LVIR_LABEL);
        return r;
    };
    struct Case {
        const char* what;
        ui::ItemsControl* control;
        std::function<void()> select;
        std::function<bool(long x, long y)> onTheSelection;  // what the MouseUp point hits
        std::function<RECT()> selectedRect;                  // null: nothing selected
    } cases[] = {
        // (A tree without a selection takes one as it gets the focus, so only a list is left
        // without one when the key comes.)
        {"a tree node below the fold", &tvw, [&] { tvw.SetSelectedItem(deep); },
         [&](long x, long y) { return tvw.HitTest(x, y) == deep; }, nodeRect},
        {"a list row below the fold", &lsv, [&] { lsv.SetSelectedItem(row); },
         [&](long x, long y) { return lsv.HitTest(x, y) == row; }, rowRect},
        {"a list without selection", &lsv, [&] { lsv.SetSelectedItem(nullptr); },
         [&](long x, long y) { return lsv.HitTest(x, y) == nullptr; }, nullptr},
    };
    for (const Case& c : cases)
        for (bool shiftF10 : {true, false}) {
            const std::string what = std::string(c.what) + (shiftF10 ? ", Shift+F10" : ", the Menu key");
            // Scrolled back to the top first, so the selected item is out of view.
            SendMessageA(th, WM_VSCROLL, SB_TOP, 0);
            ListView_EnsureVisible(lh, 0, FALSE);
            c.select();
            form->popups.clear();
            form->barEntered = 0;
            const std::vector<MouseUpSeen> seen = Press(*c.control, shiftF10);
            ASSERT_EQ(seen.size(), 1u) << what;
            EXPECT_EQ(seen[0].button, ui::vbRightButton) << what;
            EXPECT_TRUE(c.onTheSelection(seen[0].x, seen[0].y)) << what;
            ASSERT_EQ(form->popups.size(), 1u) << what;
            const HWND h = c.control->hWnd();
            POINT expected{0, 0};
            if (c.selectedRect) {
                const RECT r = c.selectedRect();
                EXPECT_TRUE(Inside(h, r)) << what << ": the selected item was not scrolled into view";
                expected = MiddleOnScreen(h, r);
            } else {
                ClientToScreen(h, &expected);
            }
            EXPECT_EQ(form->popups[0].x, expected.x) << what;
            EXPECT_EQ(form->popups[0].y, expected.y) << what;
            EXPECT_EQ(form->barEntered, 0) << what << ": the menu bar was entered";
            EXPECT_EQ(GetFocus(), h) << what;
        }
}

TEST_F(MenuKeys, ARightClickRaisesOneMouseUpAndOpensTheMenuAtThePointer) {
    ui::ListView& lsv = form->lsv;
    lsv.ListItems.Clear();
    lsv.ListItems.Add(0, "K0", "Row 0");
    std::vector<MouseUpSeen> seen;
    lsv.MouseUp = [&](int button, int, long x, long y) {
        seen.push_back({button, x, y});
        form->PopupMenu(form->Menus["mnuItems"]);
    };
    form->popups.clear();
    RECT r{};
    ListView_GetItemRect(lsv.hWnd(), 0, &r, LVIR_LABEL);
    POINT at = MiddleOnScreen(lsv.hWnd(), r);
    SetCursorPos(at.x, at.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, in, sizeof(INPUT));
    Settle();
    lsv.MouseUp = nullptr;
    ASSERT_EQ(seen.size(), 1u) << "the click's own context-menu message raised a second MouseUp";
    EXPECT_EQ(seen[0].button, ui::vbRightButton);
    ASSERT_EQ(form->popups.size(), 1u);
    EXPECT_EQ(form->popups[0].x, at.x);
    EXPECT_EQ(form->popups[0].y, at.y);
}
