// Velmora started as a user starts it, in a process of its own, and its windows read from the
// test process: top-level windows by title, the visible tree and lists of the main window, and
// the texts and pictures of tree nodes, list rows and status bar panels, read through a buffer
// in the program's process (VirtualAllocEx) as the controls answer only there.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

// A Unix path as the Windows path Wine shows for it ("Z:\...").
std::string WindowsPath(std::string unixPath);

// Polls until `ready` holds, dispatching this thread's messages meanwhile; the bound only keeps
// a broken program from hanging the tests.
bool WaitUntil(const std::function<bool()>& ready, int seconds = 180);

// The program under test, started with no arguments; killed at the end when still running.
struct Program {
    PROCESS_INFORMATION pi{};
    // The build's Velmora.exe, or the one at that Windows path.
    bool Start(const std::string& exe = "");
    bool Running() const;
    bool WaitEnd(int seconds = 120);
    void Kill();
    ~Program();
};

// Visible top-level windows titled "Velmora" (of one process when pid != 0), owned or not.
std::vector<HWND> VelmoraWindows(DWORD pid, bool owned);
// The main window of a process (the visible unowned "Velmora" window), or null.
HWND MainWindow(DWORD pid);
// The busy box of a long run (a visible owned "Velmora" window), or null.
HWND BusyBox(DWORD pid);
// Top-level windows of a process with that class name ("" = any) and title, hidden ones included.
std::vector<HWND> ProcessWindows(DWORD pid, const std::string& cls, const std::string& title, bool visibleOnly);
// Waits up to `seconds` for a visible top-level window of a process with that class name ("" =
// any) and title; the first one, or null.
HWND WaitForWindow(DWORD pid, const std::string& cls, const std::string& title, int seconds);
// The first child (at any depth) of that class and text, or null.
HWND ChildWindow(HWND parent, const std::string& cls, const std::string& text);
// The first child (at any depth) of that class, or null.
HWND FirstChild(HWND parent, const std::string& cls);

// The visible tree view of a window (the shown tab's tree), or null.
HWND VisibleTree(HWND main);
int RootCount(HWND tree);
// The visible list views of a window, topmost first.
std::vector<HWND> VisibleLists(HWND main);
// The details list of a tab: the topmost visible list view (the values list lies below it).
HWND DetailsList(HWND main);

// A tree node read from another process: its text, picture index, depth (0 for a root) and the
// path of texts from its root, joined by "\".
struct RemoteNode {
    HTREEITEM item;
    std::string text;
    int image;
    int depth;
    std::string path;
};
// Every node of a tree, collapsed branches included, in display order.
std::vector<RemoteNode> RemoteTreeNodes(HANDLE process, HWND tree);
// The texts of a list view's column in another process.
std::vector<std::string> RemoteListTexts(HANDLE process, HWND list, int column = 0);
// The picture indexes of a list view's rows in another process.
std::vector<int> RemoteListImages(HANDLE process, HWND list);
// The text of a status bar's panel (0-based) in another process.
std::string RemoteStatusText(HANDLE process, HWND statusBar, int panel);
// A user's move to a tab with the arrow keys on the tab strip, one tab at a time.
void KeyToTab(HWND tabs, int index);
// Sets the text of a status bar's panel (0-based) in another process, as a mark that the
// program's next text replaces.
void RemoteSetStatusText(HANDLE process, HWND statusBar, int panel, const std::string& text);
// A user's click (or double click) on a tree node.
void ClickTreeNode(HANDLE process, HWND tree, HTREEITEM item, bool twice = false);
// The screen rectangle of the text of a tree's selected node in another process (empty when no
// node is selected).
RECT RemoteSelectedNodeRect(HANDLE process, HWND tree);
// Scrolls the list's row (0-based) into view and posts a left click on it.
void ClickListRow(HANDLE process, HWND list, int index);
// The screen rectangle of a toolbar's button (by its 0-based index, separators counted) in
// another process.
RECT RemoteToolbarButtonRect(HANDLE process, HWND toolbar, int index);
