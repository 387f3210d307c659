// The keyboard of the running program, driven with real input (SendInput) and read back from
// its thread (GetGUIThreadInfo): where the focus goes when each window opens, that Escape and
// Enter close them, and which Alt+letter opens a menu or runs a button on each tab.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/app/RemoteWindows.h"
#include "tests/support/RealInput.h"

namespace {

using RealInput::Chord;
using RealInput::ClassOf;
using RealInput::FocusOf;
using RealInput::Keys;
using RealInput::TextOf;

// What has the focus, for messages: class and text.
std::string Describe(HWND w) { return w ? ClassOf(w) + " \"" + TextOf(w) + "\"" : "(none)"; }

HWND OpenMenu(DWORD pid) {
    const auto menus = ProcessWindows(pid, "#32768", "", true);
    return menus.empty() ? nullptr : menus.front();
}

bool Gone(HWND w) { return !IsWindow(w) || !IsWindowVisible(w); }

// The components tab is shown and filled, no run going on.
bool Settled(DWORD pid) {
    HWND main = MainWindow(pid);
    if (!main || BusyBox(pid)) return false;
    HWND tree = VisibleTree(main);
    return tree && SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 3;
}

struct KeyboardProgram : ::testing::Test {
    Program program;
    DWORD pid = 0;
    HWND main = nullptr;
    HWND status = nullptr;
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
        ASSERT_TRUE(program.Start());
        pid = program.pi.dwProcessId;
        ASSERT_TRUE(WaitUntil([&] { return Settled(pid); })) << "components tab not filled";
        main = MainWindow(pid);
        status = FirstChild(main, STATUSCLASSNAMEA);
        SetForegroundWindow(main);
        ASSERT_TRUE(WaitUntil([&] { return RealInput::ActiveOf(main) == main; }, 20));
    }
    void TearDown() override {
        program.Kill();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
    }
    // The focus of the program's thread once it is on a window that `want` accepts.
    HWND FocusWhen(const std::function<bool(HWND)>& want) {
        HWND f = nullptr;
        WaitUntil([&] { return want(f = FocusOf(main)); }, 30);
        return f;
    }
    // The main window is active again with the focus on one of its controls, as after a
    // dialog has closed.
    bool BackOnMain() {
        if (!WaitUntil([&] { return RealInput::ActiveOf(main) == main && IsChild(main, FocusOf(main)); }, 30))
            return false;
        // The display's own focus change follows; on it Wine takes the keyboard's state from the
        // display, which would release an Alt key that SendInput holds down meanwhile. A click
        // on the status bar gives the display's focus to the window now, as a user's would.
        RECT r{};
        GetWindowRect(status, &r);
        RealInput::Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        Sleep(700);
        return true;
    }
    // Alt+key, and the menu that it opens. Wine takes the modifier keys' state from the display
    // when a window gets the display's focus (which follows an activation by a moment, later
    // under load); an Alt that SendInput holds meanwhile is released and the letter arrives
    // alone (a tree's type-ahead). The chord is then given once more, as a user would.
    HWND AltMenu(WORD key) {
        HWND popup = nullptr;
        for (int attempt = 0; attempt < 2 && !popup; ++attempt) {
            if (attempt) BackOnMain();
            Chord({VK_MENU, key});
            WaitUntil([&] { return (popup = OpenMenu(pid)) != nullptr; }, attempt ? 20 : 10);
        }
        return popup;
    }
    HWND Wait(const std::string& cls, const std::string& title) { return WaitForWindow(pid, cls, title, 60); }
    void ClickToolbar(int index) {
        HWND bar = FirstChild(main, TOOLBARCLASSNAMEA);
        RECT r = RemoteToolbarButtonRect(program.pi.hProcess, bar, index);
        RealInput::Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    std::string Panel(int i) { return RemoteStatusText(program.pi.hProcess, status, i); }
};

// Toolbar buttons by position (separators counted).
enum { kSearch = 5, kOptions = 8 };

}  // namespace

// (window, how it is opened, the control that has the focus), then the key that closes it.
TEST_F(KeyboardProgram, EveryWindowFocusesItsFirstControlAndClosesByKey) {
    HWND tree = VisibleTree(main);
    EXPECT_EQ(FocusWhen([&](HWND f) { return f == tree; }), tree) << "main window at start";

    // Find from the toolbar: typed letters go into the text box; Escape closes it.
    ASSERT_TRUE(BackOnMain());
    ClickToolbar(kSearch);
    HWND find = Wait("", "Find");
    ASSERT_TRUE(find);
    HWND f = FocusWhen([&](HWND w) { return w && GetParent(w) == find; });
    EXPECT_EQ(ClassOf(f), "Edit") << Describe(f);
    RealInput::Type("scoco");  // "c" and "o" are the Cancel and OK buttons' keys
    EXPECT_TRUE(WaitUntil([&] { return TextOf(f) == "scoco"; }, 20)) << TextOf(f);
    EXPECT_FALSE(Gone(find));
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitUntil([&] { return Gone(find); }, 20)) << "Escape closes Find";
    EXPECT_EQ(FocusWhen([&](HWND w) { return w == tree; }), tree) << "focus back on the tree";

    // The arranged-by options from the toolbar: the list of fields first.
    ASSERT_TRUE(BackOnMain());
    ClickToolbar(kOptions);
    HWND options = Wait("", "Options");
    ASSERT_TRUE(options);
    f = FocusWhen([&](HWND w) { return w && GetParent(w) == options; });
    EXPECT_EQ(ClassOf(f), "ComboBox") << Describe(f);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitUntil([&] { return Gone(options); }, 20)) << "Escape closes Options";

    // Options > Autostart... by the keyboard: "&Create Shortcut" and "&Cancel" share C, so
    // Alt+C moves the focus between them and presses neither; Enter presses the focused one.
    char startup[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_COMMON_STARTUP, nullptr, 0, startup);
    const std::string link = std::string(startup) + "\\Velmora.lnk";
    DeleteFileA(link.c_str());
    ASSERT_TRUE(BackOnMain());
    ASSERT_TRUE(AltMenu('O'));
    Keys({VK_DOWN, VK_DOWN, VK_RETURN});
    HWND autostart = Wait("", "Autostart Velmora");
    ASSERT_TRUE(autostart);
    f = FocusWhen([&](HWND w) { return w && IsChild(autostart, w); });
    EXPECT_EQ(TextOf(f), "&Browse...");
    Chord({VK_MENU, 'C'});
    f = FocusWhen([&](HWND w) { return TextOf(w) == "&Create Shortcut"; });
    EXPECT_EQ(TextOf(f), "&Create Shortcut");
    Chord({VK_MENU, 'C'});
    f = FocusWhen([&](HWND w) { return TextOf(w) == "&Cancel"; });
    EXPECT_EQ(TextOf(f), "&Cancel");
    EXPECT_FALSE(Gone(autostart));
    EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << "no shortcut made";
    Keys({VK_RETURN});
    EXPECT_TRUE(WaitUntil([&] { return Gone(autostart); }, 20)) << "Enter on Cancel closes";
    EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);

    // Help > About: no control takes the focus, the window keeps it; Escape and Enter close it.
    for (WORD close : {VK_ESCAPE, VK_RETURN}) {
        ASSERT_TRUE(BackOnMain());
        ASSERT_TRUE(AltMenu('H'));
        Keys({VK_UP, VK_RETURN});
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND w : ProcessWindows(pid, "", "", true))
                if (TextOf(w).empty() && GetWindow(w, GW_OWNER) == main && ClassOf(w) != "#32768") about = w;
            return about != nullptr;
        }, 30));
        EXPECT_EQ(FocusWhen([&](HWND w) { return w == about; }), about) << "About";
        Keys({close});
        EXPECT_TRUE(WaitUntil([&] { return Gone(about); }, 20)) << "key " << close << " closes About";
    }

    // Options > Check for Updates...: the connecting dialog's Cancel has the focus; Escape
    // cancels, and Enter closes the message that follows.
    ASSERT_TRUE(BackOnMain());
    ASSERT_TRUE(AltMenu('O'));
    Keys({VK_UP, VK_RETURN});
    HWND connecting = Wait("", "Velmora - check for updates");
    ASSERT_TRUE(connecting);
    f = FocusWhen([&](HWND w) { return w && IsChild(connecting, w); });
    EXPECT_EQ(TextOf(f), "&Cancel");
    Keys({VK_ESCAPE});
    HWND box = Wait("#32770", "Velmora");
    ASSERT_TRUE(box) << "no connection message";
    Keys({VK_RETURN});
    EXPECT_TRUE(WaitUntil([&] { return Gone(box); }, 30));

    // Find again: a typed word and Enter start the search; the busy box sits on the main
    // window with its Cancel focused, and Escape cancels the run.
    ASSERT_TRUE(BackOnMain());
    ClickToolbar(kSearch);
    find = Wait("", "Find");
    ASSERT_TRUE(find);
    f = FocusWhen([&](HWND w) { return w && GetParent(w) == find; });
    RealInput::Type("velmora");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(f) == "velmora"; }, 20));
    Keys({VK_RETURN});
    HWND busy = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (busy = BusyBox(pid)) != nullptr; }, 60)) << "no search started";
    f = FocusWhen([&](HWND w) { return w && IsChild(busy, w); });
    EXPECT_EQ(TextOf(f), "&Cancel");
    RECT m{}, b{};
    GetWindowRect(main, &m);
    GetWindowRect(busy, &b);
    EXPECT_NEAR((b.left + b.right) / 2, (m.left + m.right) / 2, 2);
    EXPECT_NEAR((b.top + b.bottom) / 2, (m.top + m.bottom) / 2, 2);
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitUntil([&] { return !BusyBox(pid); }, 60)) << "Escape cancels the search";
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(main) == tree; }, 30)) << Describe(FocusOf(main));
}

// In the program as a user starts it, Shift+F10 and the Menu key on the components tree open
// the tree's pop-up menu at the selected node, the size of the one a right-click on that node
// opens (the same items); Escape closes it and leaves the focus on the tree, the menu bar not
// entered.
TEST_F(KeyboardProgram, TheMenuKeysOpenTheTreesMenuAtTheSelectedNode) {
    HWND tree = VisibleTree(main);
    ASSERT_EQ(FocusWhen([&](HWND f) { return f == tree; }), tree);
    ASSERT_TRUE(BackOnMain());
    Keys({VK_HOME, VK_DOWN});  // the first group's first component
    ASSERT_TRUE(WaitUntil([&] { return RemoteSelectedNodeRect(program.pi.hProcess, tree).bottom > 0; }, 20));
    const RECT node = RemoteSelectedNodeRect(program.pi.hProcess, tree);
    const POINT middle{(node.left + node.right) / 2, (node.top + node.bottom) / 2};

    auto sizeOf = [](HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    auto closed = [&] {
        Keys({VK_ESCAPE});
        return WaitUntil([&] { return !OpenMenu(pid); }, 20);
    };
    POINT client = middle;
    ScreenToClient(tree, &client);
    PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    HWND clicked = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (clicked = OpenMenu(pid)) != nullptr; }, 20)) << "no menu by a right-click";
    const SIZE clickedSize = sizeOf(clicked);
    ASSERT_TRUE(closed());

    for (bool shiftF10 : {true, false}) {
        SCOPED_TRACE(shiftF10 ? "Shift+F10" : "Menu key");
        // As with AltMenu: a Shift released by the display's focus change is given once more.
        HWND popup = nullptr;
        for (int attempt = 0; attempt < 2 && !popup; ++attempt) {
            if (attempt) Keys({VK_ESCAPE});
            ASSERT_TRUE(BackOnMain());
            ASSERT_EQ(FocusWhen([&](HWND f) { return f == tree; }), tree);
            if (shiftF10) Chord({VK_SHIFT, VK_F10});
            else Keys({VK_APPS});
            WaitUntil([&] { return (popup = OpenMenu(pid)) != nullptr; }, attempt ? 20 : 10);
        }
        ASSERT_TRUE(popup) << "no menu";
        RECT r{};
        GetWindowRect(popup, &r);
        EXPECT_EQ(r.left, middle.x);
        EXPECT_TRUE(r.top == middle.y || (r.top < middle.y && r.bottom == GetSystemMetrics(SM_CYSCREEN)))
            << r.top << " for " << middle.y;
        EXPECT_EQ(sizeOf(popup).cx, clickedSize.cx);
        EXPECT_EQ(sizeOf(popup).cy, clickedSize.cy);
        ASSERT_TRUE(closed());
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
        EXPECT_FALSE(info.flags & GUI_INMENUMODE) << "the menu bar was entered";
        EXPECT_EQ(FocusWhen([&](HWND f) { return f == tree; }), tree) << Describe(FocusOf(main));
    }
}

// (tab, Alt+letter, what opens or runs): the menu bar's File, Edit, Options and Help open on
// every tab (File, Options and Help by their underlined letters, the Edit menus by their first
// letter); on the file-types tab Alt+S runs "&Search in Registry...", while "R&egedit..." and
// "Re&fresh" give way to the Edit and File menus.
TEST_F(KeyboardProgram, AltKeysOpenTheMenusOnEveryTab) {
    struct TabCase {
        const char* title;  // status bar panel 2
        std::initializer_list<WORD> choose;  // keys in the File menu that show it
    };
    const TabCase tabs[] = {
        {"UninstClean", {VK_DOWN, VK_RETURN}},
        {"Services/Devices", {VK_DOWN, VK_DOWN, VK_RETURN}},
        {"Registered File Types", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}},
        {"COM Components", {VK_RETURN}},
    };
    for (const TabCase& tab : tabs) {
        SCOPED_TRACE(tab.title);
        ASSERT_TRUE(BackOnMain());
        ASSERT_TRUE(AltMenu('F'));
        Keys(tab.choose);
        ASSERT_TRUE(WaitUntil([&] { return Panel(1) == tab.title && !BusyBox(pid) && !OpenMenu(pid); }, 180));
        // The tab's first control has the focus once its first scan is over.
        ASSERT_TRUE(BackOnMain());
        HWND f = FocusWhen([&](HWND w) { return w && IsChild(main, w) && IsWindowVisible(w); });
        ASSERT_TRUE(f && IsChild(main, f)) << Describe(f);

        // Each menu opens under its caption: File, Edit, Options and Help left to right.
        int lastLeft = -1;
        for (WORD key : {'F', 'E', 'O', 'H'}) {
            SCOPED_TRACE(std::string("Alt+") + static_cast<char>(key));
            HWND popup = AltMenu(key);
            if (!popup) {
                ADD_FAILURE() << "no menu opened; focus " << Describe(FocusOf(main));
                continue;
            }
            RECT r{};
            GetWindowRect(popup, &r);
            EXPECT_GT(r.left, lastLeft);
            lastLeft = r.left;
            Keys({VK_ESCAPE, VK_ESCAPE});
            ASSERT_TRUE(WaitUntil([&] { return !OpenMenu(pid); }, 20));
            ASSERT_TRUE(BackOnMain());
            EXPECT_FALSE(BusyBox(pid)) << "a button ran instead";
        }
        if (std::string(tab.title) == "Registered File Types") {
            Chord({VK_MENU, 'S'});
            HWND find = Wait("", "Find");
            ASSERT_TRUE(find) << "Alt+S runs Search in Registry";
            Keys({VK_ESCAPE});
            EXPECT_TRUE(WaitUntil([&] { return Gone(find); }, 20));
        }
    }
}
