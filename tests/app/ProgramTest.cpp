// Velmora started as a user starts it, on the test prefix's real registry: the components tab
// fills from HKEY_CLASSES_ROOT\CLSID and lists a class's file facts, a second start activates
// the first (also one living only in the tray) and ends, the window's state stored at the close
// comes back at the next start, the tray menu's Shutdown ends a program that lives on in the
// tray, and a registration child's call is served before the start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "VelmVersion.h"
#include "base/Handle.h"
#include "tests/app/RemoteWindows.h"
#include "tests/support/Helpers.h"

namespace {

// The components tab is shown, its three roots are filled and the scan's busy box has gone.
bool ComponentsShown(DWORD pid) {
    HWND main = MainWindow(pid);
    if (!main || !VelmoraWindows(pid, true).empty()) return false;
    HWND tree = VisibleTree(main);
    return tree && RootCount(tree) == 3 && SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 3;
}

// The tray icon's menu, as the shell opens it on a right-button release over the icon, and its
// last item ("&Shutdown") chosen by the keyboard.
bool ShutdownFromTray(DWORD pid) {
    const UINT callback = WM_APP + 0x101;
    for (HWND w : ProcessWindows(pid, "", "", false))
        if (!IsWindowVisible(w)) PostMessageA(w, callback, 1, WM_RBUTTONUP);
    HWND menu = WaitForWindow(pid, "#32768", "", 60);
    if (!menu) return false;
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

// Closes a window of the program as a user does: a close that is refused while a refresh
// fills a tab is asked again a second later, until the window is gone.
bool CloseUntilGone(HWND w) {
    int polls = 0;
    return WaitUntil([&] {
        if (polls++ % 10 == 0) PostMessageA(w, WM_CLOSE, 0, 0);
        return !IsWindow(w);
    });
}

// A second start of the program, which hands over to the running one and ends.
void SecondStartEnds() {
    Program second;
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitEnd());
}

// Velmora started with no stored settings, its components tab filled; killed at the end, and
// the settings it stored removed.
struct RunningProgram : ::testing::Test {
    Program program;
    HWND main = nullptr;

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
        ASSERT_NO_FATAL_FAILURE(StartShown(program, main));
    }
    void TearDown() override {
        program.Kill();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
    }
    // Starts a program and waits for its main window with the components tab filled.
    static void StartShown(Program& p, HWND& window) {
        ASSERT_TRUE(p.Start());
        ASSERT_TRUE(WaitUntil([&] { return ComponentsShown(p.pi.dwProcessId); })) << "components tab not filled";
        window = MainWindow(p.pi.dwProcessId);
        ASSERT_TRUE(window);
    }
    // The main window closed as a user closes it; the program lives on in the tray.
    void CloseIntoTray() {
        ASSERT_TRUE(CloseUntilGone(main));
        EXPECT_TRUE(program.Running());
    }
    // The main window given a normal position and size (100, 80, 800 x 600), then maximised
    // and closed into the tray, which stores its state.
    void CloseMaximised() {
        ASSERT_TRUE(SetWindowPos(main, nullptr, 100, 80, 800, 600, SWP_NOZORDER));
        ShowWindow(main, SW_MAXIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main) != 0; }));
        ASSERT_NO_FATAL_FAILURE(CloseIntoTray());
    }
};

}  // namespace

// The keyboard walks the DLL servers; the first class whose file exists lists every file fact
// in the details list, with the window's own pictures.
TEST_F(RunningProgram, TheFirstDllServerWhoseFileExistsListsEveryFileFact) {
    HWND tree = VisibleTree(main);
    HWND details = DetailsList(main);
    ASSERT_TRUE(tree && details);
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)));
    ASSERT_TRUE(root);  // "DLL Servers", the second root
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    std::vector<std::string> rows;
    auto has = [&](const char* label) { return std::find(rows.begin(), rows.end(), label) != rows.end(); };
    std::vector<std::string> values;
    for (int i = 0; i < 40 && !has("File version"); ++i) {
        // The next class's details differ from this one's (its CLSID row at least).
        const std::vector<std::string> before = values;
        PostMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
        WaitUntil([&] {
            values = RemoteListTexts(program.pi.hProcess, details, 1);
            return values != before;
        }, 5);
        rows = RemoteListTexts(program.pi.hProcess, details);
    }
    auto from = std::find(rows.begin(), rows.end(), "File Location, calculated");
    EXPECT_EQ(std::vector<std::string>(from, rows.end()),
              (std::vector<std::string>{"File Location, calculated", "File Name, calculated", "File exists",
                                        "File version", "File size", "File Attributes", "File Created",
                                        "File Last Accessed", "File Last Modified", "Company Name", "Description",
                                        "Internal Version", "Internal Name", "Legal Copyright",
                                        "Original File Name", "Product Name", "Product Version"}));
}

// A second start brings the first forward and ends; one main window remains.
TEST_F(RunningProgram, ASecondStartHandsOverToTheFirstAndEnds) {
    ASSERT_NO_FATAL_FAILURE(SecondStartEnds());
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(VelmoraWindows(0, false).size(), 1u);
}

// Living only in the tray: a second start has the first load, show and activate its main
// window (as the tray icon's click loads it), and ends.
TEST_F(RunningProgram, ASecondStartShowsTheWindowOfAProgramLivingInTheTray) {
    ASSERT_NO_FATAL_FAILURE(CloseIntoTray());
    ASSERT_NO_FATAL_FAILURE(SecondStartEnds());
    EXPECT_TRUE(program.Running());
    ASSERT_TRUE(WaitUntil([&] { return ComponentsShown(program.pi.dwProcessId); })) << "the main window did not come back";
    main = MainWindow(program.pi.dwProcessId);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }, 30));
    EXPECT_EQ(VelmoraWindows(0, false).size(), 1u);
}

// The close stores the window's state, its normal rectangle in twips and the program's other
// settings; the next start comes back maximised over the stored normal rectangle.
TEST_F(RunningProgram, TheWindowStoredAtTheCloseComesBackAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(CloseMaximised());

    char version[32] = {};
    DWORD size = sizeof version;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora", "Version", RRF_RT_REG_SZ, nullptr, version, &size);
    EXPECT_STREQ(version, VELM_VERSION_TEXT);
    EXPECT_EQ(Setting("WindowState"), "2");
    HDC dc = GetDC(nullptr);
    const long tpx = 1440 / GetDeviceCaps(dc, LOGPIXELSX), tpy = 1440 / GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(Setting("WindowWidth"), std::to_string(800 * tpx));
    EXPECT_EQ(Setting("WindowHeight"), std::to_string(600 * tpy));
    EXPECT_EQ(Setting("WindowLeft"), std::to_string(100 * tpx));
    EXPECT_EQ(Setting("WindowTop"), std::to_string(80 * tpy));
    EXPECT_EQ(Setting("Last_Tab"), "3");
    EXPECT_EQ(Setting("ShowInTaskbar"), "1");
    EXPECT_NE(Setting("Find_MatchWholeStringOnly"), "<none>");
    program.Kill();

    Program again;
    ASSERT_NO_FATAL_FAILURE(StartShown(again, main));
    EXPECT_TRUE(IsZoomed(main));
    // Restored, it takes the stored normal rectangle. (Wine answers GetWindowPlacement for
    // another process's window with its current rectangle, so the restore is what shows it.)
    ShowWindow(main, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(main); }));
    RECT normal{};
    ASSERT_TRUE(WaitUntil([&] {
        GetWindowRect(main, &normal);
        return normal.right - normal.left == 800 && normal.bottom - normal.top == 600;
    }));
    EXPECT_EQ(normal.left, 100);
    EXPECT_EQ(normal.top, 80);
}

// Closed into the tray, the tray menu's Shutdown ends the program.
TEST_F(RunningProgram, TheTrayMenusShutdownEndsAProgramLivingInTheTray) {
    ASSERT_NO_FATAL_FAILURE(CloseIntoTray());
    ASSERT_TRUE(ShutdownFromTray(program.pi.dwProcessId));
    EXPECT_TRUE(program.WaitEnd());
}

// Started as the registration runner's child (the program itself with its internal switch), the
// program serves that call before any start-up of its own: a call it cannot read ends it at once
// with exit code 2, where the program's start-up would open its windows and keep running.
TEST(Program, ARegistrationChildCallIsServedBeforeTheStartUp) {
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(StartProcess("\"" + WindowsPath(VELMORA_EXE) + "\" /VelmRegistrationEntryCall", pi));
    const Handle process(pi.hProcess), thread(pi.hThread);
    const bool ended = WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the program went on with its start-up";
    if (!ended) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 10000);
        return;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 2u);
}
