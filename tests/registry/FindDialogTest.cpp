// The Find dialog: what it shows, OK with and without a text, Cancel, Escape, Enter and the
// close box, driven through the real controls of the modal window.
#include <gtest/gtest.h>
#include <windows.h>

#include "registry/dlg_FindString.h"
#include "tests/support/Boxes.h"

namespace {

// Shows the dialog modally and runs `act` from inside its message loop.
void ShowAndDo(dlg_FindString& dlg, std::function<void()> act) {
    ui::Defer([&dlg, act] {
        act();
        // Whatever happened, the modal loop must end for the test to go on.
        ui::Defer([&dlg] {
            if (dlg.IsLoaded()) dlg.Unload();
        });
    });
    dlg.Show(ui::vbModal);
    ui::DoEvents();  // runs what is still deferred while the dialog object lives
}

void Key(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 0);
    PostMessageA(target, WM_KEYUP, key, 0xC0000000);
}

}  // namespace

TEST(FindDialog, ShowsTheOptionsAndGivesThoseConfirmedWithOk) {
    const SearchOptions last{.text = "last", .inKeys = true, .inValues = false, .inData = true, .wholeOnly = true};
    bool cancel = true;
    dlg_FindString dlg(last, cancel);
    ShowAndDo(dlg, [&] {
        EXPECT_FALSE(dlg.Chosen());  // nothing confirmed yet
        EXPECT_EQ(dlg.Caption(), "Find");
        EXPECT_EQ(dlg.txbFindStrign.Text(), "last");
        EXPECT_EQ(dlg.chkKeys.Value(), 1);
        EXPECT_EQ(dlg.chkValues.Value(), 0);
        EXPECT_EQ(dlg.chkData.Value(), 1);
        EXPECT_EQ(dlg.optFindWholeStringOnly.Value(), 1);
        dlg.txbFindStrign.SetText("   ");  // blanks are a search text, kept as typed
        dlg.chkKeys.SetValue(0);
        dlg.chkValues.SetValue(1);
        dlg.optFindWholeStringOnly.SetValue(0);
        dlg.Command14.DoClick();
    });
    EXPECT_FALSE(cancel);
    ASSERT_TRUE(dlg.Chosen());
    EXPECT_EQ(*dlg.Chosen(),
              (SearchOptions{.text = "   ", .inKeys = false, .inValues = true, .inData = true, .wholeOnly = false}));
}

TEST(FindDialog, EmptyTextIsRefusedAndTheDialogStays) {
    bool cancel = true;
    BoxRecorder boxes;
    dlg_FindString dlg(SearchOptions{}, cancel);
    bool stayed = false;
    ShowAndDo(dlg, [&] {
        dlg.txbFindStrign.SetText("");
        Key(dlg.txbFindStrign.hWnd(), VK_RETURN);  // Enter in the text box acts as OK
        ui::Defer([&] { stayed = dlg.IsLoaded(); });
    });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Please enter search string !");
    EXPECT_EQ(boxes.boxes[0].title, "Empty field");
    EXPECT_EQ(boxes.boxes[0].style, 0);
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(dlg.Chosen());
    EXPECT_TRUE(cancel);
}

TEST(FindDialog, EnterInACheckBoxIsOk) {
    bool cancel = true;
    dlg_FindString dlg(SearchOptions{}, cancel);
    ShowAndDo(dlg, [&] {
        dlg.txbFindStrign.SetText("abc");
        Key(dlg.chkData.hWnd(), VK_RETURN);
    });
    ASSERT_TRUE(dlg.Chosen());
    EXPECT_EQ(dlg.Chosen()->text, "abc");
}

TEST(FindDialog, CancelEscapeAndCloseBoxConfirmNothing) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        bool cancel = true;
        dlg_FindString dlg(SearchOptions{.text = "kept"}, cancel);
        ShowAndDo(dlg, [&] {
            dlg.txbFindStrign.SetText("typed");
            if (way == 0) dlg.Command1.DoClick();
            if (way == 1) Key(dlg.txbFindStrign.hWnd(), VK_ESCAPE);
            if (way == 2) PostMessageA(dlg.hWnd(), WM_CLOSE, 0, 0);
        });
        EXPECT_FALSE(dlg.Chosen());
        EXPECT_TRUE(cancel);
    }
}
