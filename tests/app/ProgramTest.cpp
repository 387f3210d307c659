// Velmora started as a user starts it, on the test prefix's real registry: the components tab
// fills from HKEY_CLASSES_ROOT\CLSID, a second start activates the first and ends, the window's
// state comes back at the next start, and the File menu's Shutdown ends a program that lives
// on in the tray.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/Helpers.h"

#ifndef VELMORA_EXE
#error VELMORA_EXE names the program under test
#endif

namespace {

struct Found { DWORD pid; bool owned; std::vector<HWND> windows; };
struct TreeSearch { HWND tree = nullptr; };
struct WindowSearch { DWORD pid; std::string cls, title; bool visible; std::vector<HWND> out; };

BOOL CALLBACK CollectVelmoraWindows(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    DWORD wp = 0;
    GetWindowThreadProcessId(w, &wp);
    if (std::string(title) == "Velmora" && IsWindowVisible(w) && (f->pid == 0 || wp == f->pid) &&
        (GetWindow(w, GW_OWNER) != nullptr) == f->owned)
        f->windows.push_back(w);
    return TRUE;
}

BOOL CALLBACK FindVisibleTree(HWND w, LPARAM p) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) == WC_TREEVIEWA && IsWindowVisible(w)) {
        reinterpret_cast<TreeSearch*>(p)->tree = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectProcessWindows(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD wp = 0;
    GetWindowThreadProcessId(w, &wp);
    char c[64] = {}, t[64] = {};
    GetClassNameA(w, c, sizeof c);
    GetWindowTextA(w, t, sizeof t);
    if (wp == s->pid && (s->cls.empty() || s->cls == c) && s->title == t && (!s->visible || IsWindowVisible(w)))
        s->out.push_back(w);
    return TRUE;
}


std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

// Polls until `ready` holds; the bound only keeps a broken program from hanging the tests.
bool WaitUntil(const std::function<bool()>& ready, int seconds = 180) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (ready()) return true;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(100);
    }
    return ready();
}

struct Program {
    PROCESS_INFORMATION pi{};
    bool Start() {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + WindowsPath(VELMORA_EXE) + "\"";
        return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    }
    bool Running() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool WaitEnd(int seconds = 120) { return WaitForSingleObject(pi.hProcess, seconds * 1000) == WAIT_OBJECT_0; }
    void Kill() {
        if (Running()) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 10000);
        }
    }
    ~Program() {
        Kill();
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }
};


// Visible top-level windows titled "Velmora" (of one process when pid != 0), owned or not.
std::vector<HWND> VelmoraWindows(DWORD pid, bool owned) {
    Found f{pid, owned, {}};
    EnumWindows(
        CollectVelmoraWindows,
        reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

HWND MainWindow(DWORD pid) {
    auto w = VelmoraWindows(pid, false);
    return w.empty() ? nullptr : w.front();
}

HWND VisibleTree(HWND main) {
    TreeSearch s;
    EnumChildWindows(
        main,
        FindVisibleTree,
        reinterpret_cast<LPARAM>(&s));
    return s.tree;
}

int RootCount(HWND tree) {
    int n = 0;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        ++n;
    return n;
}

// The components tab is shown, its three roots are filled and the scan's busy box has gone.
bool ComponentsShown(DWORD pid) {
    HWND main = MainWindow(pid);
    if (!main || !VelmoraWindows(pid, true).empty()) return false;
    HWND tree = VisibleTree(main);
    return tree && RootCount(tree) == 3 && SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 3;
}

// Top-level windows of a process with that class name ("" = any) and title, hidden ones included.
std::vector<HWND> ProcessWindows(DWORD pid, const std::string& cls, const std::string& title, bool visibleOnly) {
    WindowSearch s{pid, cls, title, visibleOnly, {}};
    EnumWindows(
        CollectProcessWindows,
        reinterpret_cast<LPARAM>(&s));
    return s.out;
}

// The tray icon's menu, as the shell opens it on a right-button release over the icon, and its
// last item ("&Shutdown") chosen by the keyboard.
bool ShutdownFromTray(DWORD pid) {
    const UINT callback = WM_APP + 0x101;
    for (HWND w : ProcessWindows(pid, "", "", false))
        if (!IsWindowVisible(w)) PostMessageA(w, callback, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!WaitUntil([&] {
            auto m = ProcessWindows(pid, "#32768", "", true);
            menu = m.empty() ? nullptr : m.front();
            return menu != nullptr;
        }, 60))
        return false;
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

// The texts of a list view's first column in another process, read through a buffer there.
std::vector<std::string> RemoteListTexts(HANDLE process, HWND list, int column = 0) {
    std::vector<std::string> texts;
    const SIZE_T size = sizeof(LVITEMA) + 512;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return texts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = 512;
        char text[512] = {};
        if (!WriteProcessMemory(process, remote, &item, sizeof item, nullptr)) break;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote));
        if (!ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text - 1, nullptr)) break;
        texts.push_back(text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return texts;
}

BOOL CALLBACK CollectVisibleLists(HWND w, LPARAM p) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) == WC_LISTVIEWA && IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

// The components tab's details list: the visible list view beside the tree (the values list lies below it).
HWND DetailsList(HWND main) {
    std::vector<HWND> lists;
    EnumChildWindows(main, CollectVisibleLists, reinterpret_cast<LPARAM>(&lists));
    HWND best = nullptr;
    long bestTop = 0;
    for (HWND l : lists) {
        RECT r;
        GetWindowRect(l, &r);
        if (!best || r.top < bestTop) best = l, bestTop = r.top;
    }
    return best;
}

}  // namespace

TEST(Program, SingleInstanceSettingsAndTray) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");

    Program first;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(WaitUntil([&] { return ComponentsShown(first.pi.dwProcessId); })) << "components tab not filled";
    HWND main = MainWindow(first.pi.dwProcessId);

    // The keyboard walks the DLL servers; the first class whose file exists lists every file
    // fact in the details list, with the window's own pictures.
    {
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
                values = RemoteListTexts(first.pi.hProcess, details, 1);
                return values != before;
            }, 5);
            rows = RemoteListTexts(first.pi.hProcess, details);
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
    {
        Program second;
        ASSERT_TRUE(second.Start());
        EXPECT_TRUE(second.WaitEnd());
    }
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(VelmoraWindows(0, false).size(), 1u);

    // A normal position and size, then maximised; the close keeps the program in the tray.
    ASSERT_TRUE(SetWindowPos(main, nullptr, 100, 80, 800, 600, SWP_NOZORDER));
    ShowWindow(main, SW_MAXIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main) != 0; }));
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    EXPECT_TRUE(first.Running());

    char version[32] = {};
    DWORD size = sizeof version;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora", "Version", RRF_RT_REG_SZ, nullptr, version, &size);
    EXPECT_STREQ(version, "1.8.0");
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

    // Still in the tray: a new start finds no main window and ends; the first keeps running.
    {
        Program second;
        ASSERT_TRUE(second.Start());
        EXPECT_TRUE(second.WaitEnd());
    }
    EXPECT_TRUE(first.Running());
    first.Kill();

    // The next start comes back maximised over the stored normal rectangle.
    Program again;
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(WaitUntil([&] { return ComponentsShown(again.pi.dwProcessId); }));
    main = MainWindow(again.pi.dwProcessId);
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

    // Closed into the tray again, the tray menu's Shutdown ends the program.
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    EXPECT_TRUE(again.Running());
    ASSERT_TRUE(ShutdownFromTray(again.pi.dwProcessId));
    EXPECT_TRUE(again.WaitEnd());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora");
}
