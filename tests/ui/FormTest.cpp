// Forms, menus, the modal seams, the tab container, option buttons, combo boxes, timers, bars,
// the splitter's capture and dropped files, each driven through the real windows.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "base/QV_Err.h"
#include "resource.h"
#include "tests/support/Boxes.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/cVBW.h"

namespace {

// Waits (by handling messages as they come, never by the clock) until `done` holds.
template <class F>
bool PumpUntil(F done, int rounds = 2000) {
    for (int i = 0; i < rounds && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ui::DoEvents();
    }
    return done();
}

std::vector<std::string> BarCaptions(HWND window) {
    std::vector<std::string> out;
    HMENU bar = GetMenu(window);
    for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
        char buf[128] = "";
        GetMenuStringA(bar, static_cast<UINT>(i), buf, sizeof buf, MF_BYPOSITION);
        out.emplace_back(buf);
    }
    return out;
}

// A window of the kind the programs have: menus, a command that asks through the modal seams.
class frmSample : public ui::Form {
public:
    frmSample() : Form("frmSample", {.caption = "Sample", .width = 7000, .height = 5000}) {}
    ui::CommandButton cmdAsk;
    ui::TabContainer SSTab1;
    ui::Label lblPage1;
    ui::OptionButton optA, optB;
    ui::ComboBox cbo;
    ui::Toolbar Toolbar1;
    ui::StatusBar stb1;
    ui::PictureBox Splitter;
    ui::ImageList iml;
    std::string answer;
    int queryCancel = 0;
    int lastReason = -1;
    HMENU popupSeen = nullptr;
    UINT popupDefault = static_cast<UINT>(-1);
    UINT secondItemState = 0, secondItemId = 0;
    int idleRounds = 0;

protected:
    void Form_Load() override {
        auto& file = Menus.Add("MNU_File", "File");
        file.Add("MNU_File_Exit", "Exit");
        auto& edit1 = Menus.Add("MNU_UninstClean", "Edit");
        edit1.Add("MNU_UninstClean_Delete", "Delete Key");
        auto& edit2 = Menus.Add("MNU_RegComp", "Edit");
        edit2.Add("MNU_RegComp_Delete", "Delete");
        edit2.Add("MNU_RegComp_Sep", "-");
        edit2.Add("MNU_RegComp_Options", "Options...");
        Menus.Add("MNU_Options", "Options").Add("MNU_Options_Show_in_Taskbar", "Show in Taskbar");
        auto& pop = Menus.Add("MNU_RegCompEntries", "RegCompEntries");
        pop.Add("MNU_RegCompEntries_New", "New");
        pop.Add("MNU_RegCompEntries_Modify", "Modify");
        pop.SetVisible(false);
        Menus["MNU_UninstClean"].SetVisible(false);

        iml.Clear();
        iml.Add("US", LoadIcon(nullptr, IDI_APPLICATION));
        iml.Add("Help", LoadIcon(nullptr, IDI_QUESTION));
        Toolbar1.Create(*this);
        Toolbar1.SetImageList(&iml);
        Toolbar1.Add("US", "US", "UninstClean", ui::tbrCheck);
        Toolbar1.Add("Help", "Help", "Help");
        stb1.Create(*this);
        stb1.AddPanel("Ready.", 0);
        stb1.AddPanel("UninstClean", 2000);

        SSTab1.Create(*this, 0, 600, 6000, 400);
        for (const char* t : {"UninstClean", "Services/Devices", "Reg. File types", "Reg. Components"}) SSTab1.AddTab(t);
        lblPage1.Create(*this, 100, 1100, 2000, 300, "page 1 only");
        SSTab1.AddToPage(1, lblPage1);

        cmdAsk.Create(*this, 100, 1500, 1500, 400, "&Ask", true);
        cmdAsk.Click = [this] {
            if (ui::MsgBox("Proceed?", ui::vbYesNo | ui::vbQuestion) == ui::vbYes)
                answer = ui::InputBox("Name of the new key:", "", "New Key #1");
        };
        optA.Create(*this, 100, 2000, 1500, 300, "General entries");
        optB.Create(*this, 1700, 2000, 1500, 300, "Reg. File types");
        cbo.Create(*this, 100, 2400, 2000, 1500);
        for (const char* t : {"Extension", "File type", "Program"}) cbo.AddItem(t);
        Splitter.Create(*this, 3500, 1500, 60, 1500);
        Splitter.SetBackColor(0x8000000F);
        Splitter.SetSizingCursor(true);
    }
    void Form_QueryUnload(int& cancel, int reason) override {
        lastReason = reason;
        cancel = queryCancel;
    }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) override {
        if (msg == WM_INITMENUPOPUP && !popupSeen) {
            popupSeen = reinterpret_cast<HMENU>(wParam);
            popupDefault = GetMenuDefaultItem(popupSeen, FALSE, 0);
            MENUITEMINFOA mi{};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_STATE | MIIM_ID;
            if (GetMenuItemInfoA(popupSeen, 1, TRUE, &mi)) {
                secondItemState = mi.fState;
                secondItemId = mi.wID;
            }
        }
        if (msg == WM_ENTERIDLE && wParam == MSGF_MENU) {
            // The pop-up is up: choose its first item by keyboard, as a user would.
            if (++idleRounds == 1) {
                PostMessageA(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, VK_RETURN, 0);
            } else if (idleRounds > 50) {
                EndMenu();
            }
        }
        return false;
    }
};

// The tests share one loaded window (each close costs the display server a round trip); each
// test leaves no handler of its own behind.
class FormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared = new frmSample;
        shared->Show();
        Pump();
    }
    static void TearDownTestSuite() {
        shared->Unload();
        delete shared;
    }
    void SetUp() override {
        if (!form.IsLoaded()) form.Show();
    }
    void TearDown() override {
        form.SSTab1.Click = nullptr;
        form.optA.Click = form.optB.Click = form.cbo.Click = nullptr;
        form.Toolbar1.ButtonClick = nullptr;
        form.Splitter.MouseDown = form.Splitter.MouseMove = form.Splitter.MouseUp = nullptr;
        if (form.IsLoaded())
            for (const char* m : {"MNU_File_Exit", "MNU_RegCompEntries_New", "MNU_RegCompEntries_Modify"})
                form.Menus[m].Click = nullptr;
    }
    static frmSample* shared;
    frmSample& form = *shared;
};
frmSample* FormTest::shared = nullptr;

TEST_F(FormTest, FormsListUnloadWithQueryUnloadAndTheUtilityClass) {
    cVBW vbw;
    EXPECT_TRUE(vbw.IsFormLoaded("FRMSAMPLE"));
    EXPECT_EQ(ui::FindForm("frmsample"), &form);
    form.queryCancel = 1;
    SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.IsLoaded()) << "a query-unload that cancels keeps the form";
    EXPECT_EQ(form.lastReason, ui::vbFormControlMenu);
    form.queryCancel = 0;
    EXPECT_TRUE(form.Unload());
    EXPECT_EQ(form.lastReason, ui::vbFormCode);
    EXPECT_FALSE(vbw.IsFormLoaded("frmSample"));
    EXPECT_EQ(ui::FindForm("frmSample"), nullptr);
    form.Show();

    EXPECT_FALSE(vbw.RunningFromIDE()) << "no development window";
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ThunderMain";
    struct {
        HINSTANCE instance;
        bool expected;
    } cases[] = {{GetModuleHandleA(nullptr), true}, {GetModuleHandleA("user32.dll"), false}};
    for (auto& c : cases) {
        wc.hInstance = c.instance;
        RegisterClassA(&wc);
        HWND ide = CreateWindowA("ThunderMain", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, c.instance, nullptr);
        EXPECT_EQ(vbw.RunningFromIDE(), c.expected);
        DestroyWindow(ide);
        UnregisterClassA("ThunderMain", c.instance);
    }
    EXPECT_TRUE(vbw.IsAppRunningTitled("Sample"));
    EXPECT_FALSE(vbw.IsAppRunningTitled("No such window title"));
}

TEST_F(FormTest, GeometryIsInTwipsOfTheOuterRectangleAndStatesApply) {
    form.SetWindowState(ui::vbNormal);
    form.Move(1500, 1200, 6000, 4500);
    RECT r;
    GetWindowRect(form.hWnd(), &r);
    long tx = ui::Screen::TwipsPerPixelX(), ty = ui::Screen::TwipsPerPixelY();
    EXPECT_EQ(form.Left(), r.left * tx);
    EXPECT_EQ(form.Width(), (r.right - r.left) * tx);
    EXPECT_EQ(form.Height(), (r.bottom - r.top) * ty);
    EXPECT_NEAR(form.Left(), 1500, tx);
    EXPECT_NEAR(form.Width(), 6000, tx);
    EXPECT_LT(form.ScaleWidth(), form.Width());
    EXPECT_LT(form.ScaleHeight(), form.Height());
    form.SetWindowState(ui::vbMaximized);
    EXPECT_TRUE(IsZoomed(form.hWnd()));
    EXPECT_EQ(form.WindowState(), ui::vbMaximized);
    form.SetWindowState(ui::vbNormal);
    EXPECT_EQ(form.WindowState(), ui::vbNormal);
    EXPECT_NEAR(form.Width(), 6000, tx);
}

TEST_F(FormTest, HiddenMenusLeaveTheBarAndComeBackInTheirPlace) {
    HWND h = form.hWnd();
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"}));
    auto& item = form.Menus["MNU_Options_Show_in_Taskbar"];
    item.SetChecked(true);
    form.Menus["MNU_RegComp"].SetVisible(false);
    form.Menus["MNU_UninstClean"].SetVisible(true);
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"}));
    form.Menus["MNU_UninstClean"].SetVisible(false);
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Options"}));
    form.Menus["MNU_RegComp"].SetVisible(true);
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"}));
    char buf[64] = "";
    GetMenuStringA(GetSubMenu(GetMenu(h), 1), 2, buf, sizeof buf, MF_BYPOSITION);
    EXPECT_STREQ(buf, "Options...") << "the shown menu holds its own items";

    // A hidden item keeps its check mark and its place.
    item.SetVisible(false);
    HMENU options = GetSubMenu(GetMenu(h), 2);
    EXPECT_EQ(GetMenuItemCount(options), 0);
    EXPECT_TRUE(item.Checked());
    item.SetVisible(true);
    EXPECT_EQ(GetMenuItemCount(options), 1);
    EXPECT_TRUE(GetMenuState(options, 0, MF_BYPOSITION) & MF_CHECKED);

    // Disabled items are grayed in the real menu; a click of a menu command reaches its handler.
    form.Menus["MNU_RegComp_Delete"].SetEnabled(false);
    EXPECT_TRUE(GetMenuState(GetSubMenu(GetMenu(h), 1), 0, MF_BYPOSITION) & MF_GRAYED);
    bool exited = false;
    form.Menus["MNU_File_Exit"].Click = [&] { exited = true; };
    UINT exitId = GetMenuItemID(GetSubMenu(GetMenu(h), 0), 0);
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(exitId, 0), 0);
    EXPECT_TRUE(exited);

    // An item has one command: a second one is refused (the first stays), unwiring is allowed.
    EXPECT_THROW(form.Menus["MNU_File_Exit"].Click = [] {}, std::logic_error);
    exited = false;
    form.Menus["MNU_File_Exit"].DoClick();
    EXPECT_TRUE(exited);
    form.Menus["MNU_File_Exit"].Click = nullptr;
    EXPECT_FALSE(form.Menus["MNU_File_Exit"].Click);
    form.Menus["MNU_File_Exit"].Click = [&] { exited = false; };
    form.Menus["MNU_File_Exit"].DoClick();
    EXPECT_FALSE(exited);
}

TEST_F(FormTest, MenuChangesInABatchReachTheRealMenusWhenTheOutermostBatchEnds) {
    HWND h = form.hWnd();
    const auto grayed = [&](int menu, int item) {
        return (GetMenuState(GetSubMenu(GetMenu(h), menu), static_cast<UINT>(item), MF_BYPOSITION) & MF_GRAYED) != 0;
    };
    ASSERT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"}));
    {
        ui::Menu::Batch outer(form.Menus);
        {
            ui::Menu::Batch inner(form.Menus);
            form.Menus["MNU_RegComp"].SetVisible(false);
            form.Menus["MNU_File_Exit"].SetEnabled(false);
            form.Menus["MNU_Options"].SetVisible(false);
        }
        EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"})) << "held back";
        EXPECT_FALSE(grayed(0, 0));
    }
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File"}));
    EXPECT_TRUE(grayed(0, 0));
    {
        ui::Menu::Batch batch(form.Menus);
        form.Menus["MNU_RegComp"].SetVisible(true);
        form.Menus["MNU_File_Exit"].SetEnabled(true);
        form.Menus["MNU_Options"].SetVisible(true);
    }
    EXPECT_EQ(BarCaptions(h), (std::vector<std::string>{"File", "Edit", "Options"}));
    EXPECT_FALSE(grayed(0, 0));
    char buf[64] = "";
    GetMenuStringA(GetSubMenu(GetMenu(h), 1), 2, buf, sizeof buf, MF_BYPOSITION);
    EXPECT_STREQ(buf, "Options...") << "the menu shown again holds its own items";
}

TEST_F(FormTest, APopupMenuShowsItsDefaultItemBoldAndRunsTheChosenItem) {
    std::string chosen;
    form.Menus["MNU_RegCompEntries_New"].Click = [&] { chosen = "New"; };
    form.Menus["MNU_RegCompEntries_Modify"].Click = [&] { chosen = "Modify"; };
    auto& modify = form.Menus["MNU_RegCompEntries_Modify"];
    form.PopupMenu(form.Menus["MNU_RegCompEntries"], &modify);
    ASSERT_NE(form.popupSeen, nullptr);
    EXPECT_NE(form.popupDefault, static_cast<UINT>(-1));
    EXPECT_TRUE(form.secondItemState & MFS_DEFAULT) << "the default item is drawn bold";
    EXPECT_EQ(form.secondItemId, form.popupDefault);
    EXPECT_EQ(chosen, "New") << "the chosen item's Click ran before PopupMenu returned";
    EXPECT_EQ(BarCaptions(form.hWnd()).size(), 3u) << "the pop-up menu stays out of the bar";
}

TEST_F(FormTest, ACommandAsksThroughTheReplacedSeamsWithoutBlocking) {
    BoxRecorder boxes(ui::vbYes);
    std::vector<std::string> inputs;
    ui::InputBoxOverride input([&](const std::string& prompt, const std::string& title, const std::string& def) {
        inputs.push_back(prompt + "|" + title + "|" + def);
        return std::string("HKCR\\New");
    });
    PostMessageA(form.cmdAsk.hWnd(), BM_CLICK, 0, 0);
    Pump();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Proceed?");
    EXPECT_EQ(boxes.boxes[0].style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(inputs, (std::vector<std::string>{"Name of the new key:|" + ui::AppTitle() + "|New Key #1"}));
    EXPECT_EQ(form.answer, "HKCR\\New");

    // The same from a modal window owned by the form: the owner is disabled meanwhile.
    frmSample dialog;
    bool ownerDisabled = false;
    ui::Defer([&] {
        ownerDisabled = !IsWindowEnabled(form.hWnd());
        dialog.cmdAsk.DoClick();
        dialog.Unload();
    });
    boxes.answer = ui::vbNo;
    dialog.Show(ui::vbModal, &form);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(form.hWnd()));
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(dialog.answer, "") << "No: no input box";

    // The other seams answer as replaced.
    ui::ShellOverride shell([](const ui::ShellRequest& rq) { return rq.file == "C:\\x\\Velmora.chm"; });
    EXPECT_TRUE(ui::ShellOpen("C:\\x\\Velmora.chm"));
    ui::StartProgramOverride start([](const std::string& cmd, int, bool) { return cmd.empty() ? 0ul : 42ul; });
    EXPECT_EQ(ui::StartProgram("VelmRegSvr.exe -U x.dll"), 42ul);
    ui::OpenFileOverride open([](const ui::OpenFileRequest& rq) { return rq.initialDir + "\\a.dll"; });
    ui::OpenFileRequest rq;
    rq.initialDir = "C:\\w";
    EXPECT_EQ(ui::OpenFileDialog(rq), "C:\\w\\a.dll");
}

TEST_F(FormTest, TabContainerRaisesClickOnlyWhenTheTabChanges) {
    std::vector<int> previous;
    form.SSTab1.Click = [&](int prev) { previous.push_back(prev); };
    EXPECT_EQ(form.SSTab1.Tab(), 0);
    EXPECT_FALSE(IsWindowVisible(form.lblPage1.hWnd())) << "a control of another page is hidden";
    form.SSTab1.SetTab(1);
    form.SSTab1.SetTab(1);
    EXPECT_EQ(previous, (std::vector<int>{0}));
    EXPECT_TRUE(IsWindowVisible(form.lblPage1.hWnd()));
    EXPECT_EQ(TabCtrl_GetCurSel(form.SSTab1.hWnd()), 1);

    // A user's click on tab 3, then on a disabled tab 2.
    auto clickTab = [&](int i) {
        RECT r;
        TabCtrl_GetItemRect(form.SSTab1.hWnd(), i, &r);
        ClickAt(form.SSTab1.hWnd(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    };
    clickTab(3);
    EXPECT_EQ(form.SSTab1.Tab(), 3);
    EXPECT_EQ(previous, (std::vector<int>{0, 1}));
    EXPECT_FALSE(IsWindowVisible(form.lblPage1.hWnd()));
    form.SSTab1.SetTabEnabled(2, false);
    clickTab(2);
    EXPECT_EQ(form.SSTab1.Tab(), 3);
    EXPECT_EQ(TabCtrl_GetCurSel(form.SSTab1.hWnd()), 3);
    EXPECT_EQ(previous.size(), 2u);

    int key = 0;
    form.SSTab1.KeyDown = [&](int k, int) { key = k; };
    SendMessageA(form.SSTab1.hWnd(), WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(key, 116) << "F5 in the tab strip";
    form.SSTab1.KeyDown = nullptr;
}

TEST_F(FormTest, OptionButtonsAndComboBoxesRaiseClickWhenCodeSetsThem) {
    int a = 0, b = 0, c = 0;
    form.optA.Click = [&] { ++a; };
    form.optB.Click = [&] { ++b; };
    form.cbo.Click = [&] { ++c; };
    form.optB.SetValue(true);
    EXPECT_EQ(b, 1);
    form.optA.SetValue(true);
    EXPECT_EQ(a, 1);
    EXPECT_FALSE(form.optB.Value()) << "one of a group";
    EXPECT_EQ(SendMessageA(form.optB.hWnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    form.cbo.SetListIndex(1);
    form.cbo.SetListIndex(1);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(form.cbo.Text(), "File type");
    form.cbo.SetListIndex(-1);
    EXPECT_EQ(c, 2);
    PostMessageA(form.optB.hWnd(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(b, 2);
    EXPECT_TRUE(form.optB.Value());
}

TEST_F(FormTest, ToolbarCheckButtonIsToggledWhenButtonClickRunsAndPanelsHoldTheirTexts) {
    std::vector<std::string> clicks;
    form.Toolbar1.ButtonClick = [&](ui::ToolbarButton& b) {
        clicks.push_back(b.Key() + (b.Value() == ui::tbrPressed ? " pressed" : " up"));
    };
    RECT r;
    SendMessageA(form.Toolbar1.hWnd(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    ClickAt(form.Toolbar1.hWnd(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(clicks, (std::vector<std::string>{"US pressed"}));
    form.Toolbar1.Button("Help").SetEnabled(false);
    EXPECT_FALSE(form.Toolbar1.Button("help").Enabled());
    EXPECT_EQ(form.Toolbar1.Button("US").ToolTipText(), "UninstClean");

    form.stb1.Panel(2).SetText("COM Components");
    char buf[128] = "";
    SendMessageA(form.stb1.hWnd(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "COM Components");
    SendMessageA(form.stb1.hWnd(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "Ready.");
}

TEST_F(FormTest, TheSplitterKeepsTheMouseWhileItsButtonIsDown) {
    std::vector<std::string> seen;
    form.Splitter.MouseDown = [&](int b, int, long, long) { seen.push_back("down " + std::to_string(b)); };
    form.Splitter.MouseMove = [&](int b, int, long x, long) {
        seen.push_back("move " + std::to_string(b) + " " + std::to_string(x / ui::Screen::TwipsPerPixelX()));
    };
    form.Splitter.MouseUp = [&](int b, int, long, long) { seen.push_back("up " + std::to_string(b)); };
    HWND h = form.Splitter.hWnd();
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 10));
    EXPECT_EQ(GetCapture(), h);
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-30), 10));  // left of the bar
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-30), 10));
    EXPECT_NE(GetCapture(), h);
    EXPECT_EQ(seen, (std::vector<std::string>{"down 1", "move 1 -30", "up 1"}));
}

TEST_F(FormTest, FilesDroppedOnATreeReachItsHandler) {
    TestForm& tf = SharedForm();
    std::vector<std::string> got;
    tf.tvw.FilesDropped = [&](const std::vector<std::string>& files) { got = files; };
    tf.tvw.AcceptFiles(true);
    EXPECT_TRUE(GetWindowLongA(tf.tvw.hWnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const char names[] = "C:\\windows\\system32\\kernel32.dll\0C:\\x.txt\0";
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof names + 1);
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names, sizeof names);
    GlobalUnlock(mem);
    SendMessageA(tf.tvw.hWnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
    EXPECT_EQ(got, (std::vector<std::string>{"C:\\windows\\system32\\kernel32.dll", "C:\\x.txt"}));
    tf.tvw.FilesDropped = nullptr;
}

TEST(TimerTest, ATickIsNeverReenteredWhileItsHandlerRuns) {
    ui::Timer t;
    int ticks = 0, depth = 0, deepest = 0;
    t.Tick = [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        // The handler yields to the message loop, as the programs' handlers do.
        for (int i = 0; i < 3; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            ui::DoEvents();
        }
        --depth;
    };
    t.SetInterval(1);
    t.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    t.SetEnabled(false);
    EXPECT_EQ(deepest, 1);
}

}  // namespace

namespace {

// The real input box, answered by a user's typing and a press of OK (or Cancel).
TEST(RealBoxes, TheInputBoxReturnsWhatWasTypedAndNothingOnCancel) {
    struct Case {
        const char* typed;
        int button;
        const char* expected;
    } cases[] = {{"HKEY_CLASSES_ROOT\\x", IDOK, "HKEY_CLASSES_ROOT\\x"}, {"ignored", IDCANCEL, ""}};
    for (auto& c : cases) {
        std::string defaultSeen;
        ui::Defer([&] {
            HWND box = FindWindowA(nullptr, "Input test");
            ASSERT_NE(box, nullptr);
            char buf[256] = "";
            GetDlgItemTextA(box, 101, buf, sizeof buf);
            defaultSeen = buf;
            SetDlgItemTextA(box, 101, c.typed);
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        });
        EXPECT_EQ(ui::InputBox("Value name:", "Input test", "New Value #1"), c.expected);
        EXPECT_EQ(defaultSeen, "New Value #1");
    }
}

// Texts longer than any fixed buffer come back whole: a long default answered unchanged (also
// one longer than the box offers for editing), and a long text put in place of a short one.
TEST(RealBoxes, TheInputBoxReturnsLongTextsWhole) {
    auto text = [](size_t length, char first) {
        std::string t(length, ' ');
        for (size_t i = 0; i < length; ++i) t[i] = static_cast<char>(first + (i * 7 + i / 26) % 26);
        return t;
    };
    struct Case {
        std::string defaultText, typed;  // typed "" = OK on the default
    } cases[] = {{text(5000, 'a'), ""}, {text(ui::kInputBoxLongest + 5000, 'A'), ""}, {"short", text(9000, 'a')}};
    for (auto& c : cases) {
        size_t shownLength = 0;
        ui::Defer([&] {
            HWND box = FindWindowA(nullptr, "Long input test");
            ASSERT_NE(box, nullptr);
            shownLength = static_cast<size_t>(GetWindowTextLengthA(GetDlgItem(box, 101)));
            if (!c.typed.empty()) SetDlgItemTextA(box, 101, c.typed.c_str());
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        const std::string answer = ui::InputBox("Value:", "Long input test", c.defaultText);
        EXPECT_EQ(shownLength, c.defaultText.size());
        const std::string& expected = c.typed.empty() ? c.defaultText : c.typed;
        EXPECT_TRUE(answer == expected) << answer.size() << " characters returned";
    }
}

TEST(Handlers, AnErrorEscapingAnEventHandlerGoesToTheErrorSink) {
    TestForm& tf = SharedForm();
    auto n = tf.tvw.Nodes.Add("", ui::tvwLast, "E", "E");
    tf.tvw.NodeClick = [](ui::Node&) { throw RunTimeError(35601, "test", "Element not found"); };
    long before = QV_Err::HandledCount();
    ClickAt(tf.tvw.hWnd(), TreeItemPoint(tf.tvw.hWnd(), n->Handle()));
    EXPECT_EQ(QV_Err::HandledCount(), before + 1);
    EXPECT_EQ(QV_Err::LastNumber(), 35601);
    tf.tvw.NodeClick = nullptr;
    tf.tvw.Nodes.Clear();
}

// A form whose query-unload handler fails with something that is no run-time error.
class frmFailingClose : public ui::Form {
public:
    frmFailingClose() : Form("frmFailingClose", {.caption = "Failing close"}) {}
    bool fail = true;

protected:
    void Form_QueryUnload(int&, int) override {
        if (fail) throw 42;
    }
};

TEST(Handlers, AnyErrorEscapingAWindowsHandlerGoesToTheSinkUnderItsName) {
    frmFailingClose form;
    form.Show();
    const long before = QV_Err::HandledCount();
    SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(QV_Err::HandledCount(), before + 1);
    EXPECT_EQ(QV_Err::LastNumber(), -1);
    EXPECT_EQ(QV_Err::LastProcedure(), "Unload");
    EXPECT_TRUE(form.IsLoaded()) << "the failed close left the window as it was";
    form.fail = false;
    SendMessageA(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.IsLoaded());
}

// A form shown with an owner outlives the owner's unload: it is a form of its own.
TEST(FormOwner, AnOwnedFormStaysLoadedWhenItsOwnerIsUnloaded) {
    ui::Form owner("frmOwner", {.caption = "Owner"});
    ui::Form owned("frmOwned", {.caption = "Owned"});
    owner.Show();
    owned.Show(ui::vbModeless, &owner);
    ASSERT_EQ(GetWindow(owned.hWnd(), GW_OWNER), owner.hWnd());
    EXPECT_TRUE(owner.Unload());
    EXPECT_TRUE(owned.IsLoaded());
    EXPECT_TRUE(IsWindow(owned.hWnd()));
    EXPECT_TRUE(IsWindowVisible(owned.hWnd()));
    EXPECT_EQ(ui::FindForm("frmOwned"), &owned);
    EXPECT_TRUE(owned.Unload());
}

bool IconAlive(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

// The caption's small icon is loaded for the window and destroyed with it, by an unload or by
// the form's end; the big one is the module's shared icon and stays.
TEST(FormIcon, TheSmallIconGoesWithTheWindow) {
    auto form = std::make_unique<ui::Form>("frmIcon", ui::FormStyle{.caption = "Icon", .iconResource = IDI_VELMORA});
    HICON big = nullptr;
    for (int load = 0; load < 2; ++load) {
        form->Load();
        auto small = reinterpret_cast<HICON>(SendMessageA(form->hWnd(), WM_GETICON, ICON_SMALL, 0));
        big = reinterpret_cast<HICON>(SendMessageA(form->hWnd(), WM_GETICON, ICON_BIG, 0));
        ASSERT_NE(small, nullptr);
        ASSERT_NE(small, big);
        EXPECT_TRUE(IconAlive(small));
        if (load == 0) EXPECT_TRUE(form->Unload());
        else form.reset();
        EXPECT_FALSE(IconAlive(small)) << "load " << load;
    }
    EXPECT_TRUE(IconAlive(big));
}

TEST(Handlers, TheUtilityClassSetsSystemCursorsAndIgnoresMissingOnes) {
    cVBW vbw;
    EXPECT_TRUE(vbw.MouseCursor(32514).IsEmpty());  // the wait cursor
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    vbw.PointM("C:\\no\\such\\cursor.cur");
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT)) << "no cursor from a missing file";
    vbw.MouseCursor(32512);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace

namespace {

// A dialog with the pieces the keyboard walks: a text box, a frame with a group of option
// buttons, a check box, two buttons that share an access key, a default and a cancel button.
class frmKeys : public ui::Form {
public:
    frmKeys() : Form("frmKeys", {.caption = "Keys", .width = 6000, .height = 4000, .border = 3}) {}
    ui::Label lbl;
    ui::TextBox txt;
    ui::Frame frame;
    ui::OptionButton opt[3];
    ui::CheckBox chk;
    ui::CommandButton cmdCreate, cmdOK, cmdCancel;
    std::string ran;

protected:
    void Form_Load() override {
        lbl.Create(*this, 120, 120, 2000, 255, "&Name:");
        txt.Create(*this, 120, 420, 3000, 315);
        frame.Create(*this, 120, 840, 3000, 1300, "Kind");
        for (int i = 0; i < 3; ++i) {
            opt[i].Click = [this, i] { ran += "opt" + std::to_string(i) + " "; };
            opt[i].Create(frame, 120, 240 + i * 300, 2000, 255, "Kind " + std::to_string(i), 1);
        }
        chk.Create(*this, 120, 2240, 2000, 255, "&Check");
        cmdCreate.Click = [this] { ran += "create "; };
        cmdOK.Click = [this] { ran += "ok "; };
        cmdCancel.Click = [this] { ran += "cancel "; };
        cmdCreate.Create(*this, 3300, 420, 1500, 375, "&Create");
        cmdOK.Create(*this, 3300, 900, 1500, 375, "OK", true);
        cmdCancel.Create(*this, 3300, 1380, 1500, 375, "&Cancel", false, true);
    }
};

void PostKey(WPARAM vk) {
    HWND to = GetFocus();
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, 0xC0000001);
    ui::DoEvents();
}
void PostAlt(char key) {
    PostMessageA(GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(key), 0x20000001);
    ui::DoEvents();
}

}  // namespace

// (key, where the focus goes or what runs), in order, on one dialog; then the focus comes back
// to the last focused control when the dialog is activated again.
TEST(FormKeyboard, TabOrderGroupsAccessKeysEnterAndEscape) {
    frmKeys f;
    f.Show();
    SetForegroundWindow(f.hWnd());
    ui::DoEvents();
    EXPECT_EQ(GetFocus(), f.txt.hWnd()) << "the first control in tab order";
    f.opt[0].SetValue(true);
    f.ran.clear();
    PostKey(VK_TAB);
    EXPECT_EQ(GetFocus(), f.opt[0].hWnd()) << "into the frame";
    PostKey(VK_DOWN);
    EXPECT_EQ(GetFocus(), f.opt[1].hWnd());
    EXPECT_TRUE(f.opt[1].Value()) << "an arrow chooses the option";
    PostKey(VK_UP);
    PostKey(VK_UP);
    EXPECT_EQ(GetFocus(), f.opt[2].hWnd()) << "the group wraps";
    EXPECT_EQ(f.ran, "opt1 opt0 opt2 ");
    PostKey(VK_TAB);
    EXPECT_EQ(GetFocus(), f.chk.hWnd()) << "out of the frame";
    {
        // Shift+Tab goes back.
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_SHIFT] = 0x80;
        SetKeyboardState(state);
        PostKey(VK_TAB);
        state[VK_SHIFT] = 0;
        SetKeyboardState(state);
    }
    EXPECT_EQ(GetFocus(), f.opt[2].hWnd());
    f.ran.clear();

    // Access keys: a label gives the focus to the control after it; two buttons sharing C take
    // the focus in turn and neither runs; Enter runs the focused button, else the default.
    PostAlt('n');
    EXPECT_EQ(GetFocus(), f.txt.hWnd());
    PostKey(VK_RETURN);
    EXPECT_EQ(f.ran, "ok ");
    PostAlt('c');
    EXPECT_EQ(GetFocus(), f.chk.hWnd()) << "the next control with that key after the focus";
    PostAlt('c');
    EXPECT_EQ(GetFocus(), f.cmdCreate.hWnd());
    PostAlt('c');
    EXPECT_EQ(GetFocus(), f.cmdCancel.hWnd());
    EXPECT_EQ(f.ran, "ok ");
    EXPECT_EQ(f.chk.Value(), 0);
    PostKey(VK_RETURN);
    EXPECT_EQ(f.ran, "ok cancel ");
    f.txt.SetFocus();
    PostKey(VK_ESCAPE);
    EXPECT_EQ(f.ran, "ok cancel cancel ");

    // Deactivated and activated again: the focus returns to the control that had it.
    f.cmdCreate.SetFocus();
    frmKeys other;
    other.Show();
    SetForegroundWindow(other.hWnd());
    ui::DoEvents();
    EXPECT_EQ(GetFocus(), other.txt.hWnd());
    SetForegroundWindow(f.hWnd());
    ui::DoEvents();
    EXPECT_EQ(GetFocus(), f.cmdCreate.hWnd());
    other.Unload();
    f.Unload();
}
