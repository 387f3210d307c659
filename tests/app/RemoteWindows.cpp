#include "tests/app/RemoteWindows.h"

#include <algorithm>

#include "tests/support/Helpers.h"
#include "tests/support/RealInput.h"

#ifndef VELMORA_EXE
#error VELMORA_EXE names the program under test
#endif

namespace {

struct Found { DWORD pid; bool owned; std::vector<HWND> windows; };
struct WindowSearch { DWORD pid; std::string cls, title; bool visible; std::vector<HWND> out; };
struct ChildSearch { std::string cls, text; bool anyText; HWND found = nullptr; };

using RealInput::ClassOf;

// A window's caption as the window system keeps it: unlike WM_GETTEXT it never waits for a
// program that is busy (a scan of Velmora's).
std::string TextOf(HWND w) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectVelmoraWindows(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    DWORD wp = 0;
    GetWindowThreadProcessId(w, &wp);
    if (TextOf(w) == "Velmora" && IsWindowVisible(w) && (f->pid == 0 || wp == f->pid) &&
        (GetWindow(w, GW_OWNER) != nullptr) == f->owned)
        f->windows.push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectProcessWindows(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD wp = 0;
    GetWindowThreadProcessId(w, &wp);
    if (wp == s->pid && (s->cls.empty() || s->cls == ClassOf(w)) && s->title == TextOf(w) &&
        (!s->visible || IsWindowVisible(w)))
        s->out.push_back(w);
    return TRUE;
}

BOOL CALLBACK FindChild(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<ChildSearch*>(p);
    if (ClassOf(w) == s->cls && (s->anyText || TextOf(w) == s->text)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectVisible(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<std::pair<const char*, std::vector<HWND>>*>(p);
    if (ClassOf(w) == s->first && IsWindowVisible(w)) s->second.push_back(w);
    return TRUE;
}

std::vector<HWND> VisibleChildren(HWND main, const char* cls) {
    std::pair<const char*, std::vector<HWND>> s{cls, {}};
    EnumChildWindows(main, CollectVisible, reinterpret_cast<LPARAM>(&s));
    return s.second;
}

// A block of memory in another process, released at the end of the scope.
struct RemoteBuffer {
    HANDLE process;
    char* at;
    RemoteBuffer(HANDLE p, SIZE_T size)
        : process(p), at(static_cast<char*>(VirtualAllocEx(p, nullptr, size, MEM_COMMIT, PAGE_READWRITE))) {}
    ~RemoteBuffer() {
        if (at) VirtualFreeEx(process, at, 0, MEM_RELEASE);
    }
    template <class T>
    bool Put(const T& value, SIZE_T offset = 0) {
        return WriteProcessMemory(process, at + offset, &value, sizeof value, nullptr) != 0;
    }
    template <class T>
    bool Get(T& value, SIZE_T offset = 0) {
        return ReadProcessMemory(process, at + offset, &value, sizeof value, nullptr) != 0;
    }
};

constexpr int kTextMax = 512;

}  // namespace

std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

bool WaitUntil(const std::function<bool()>& ready, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (ready()) return true;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(100);
    }
    return ready();
}

bool Program::Start(const std::string& exe) {
    return StartProcess("\"" + (exe.empty() ? WindowsPath(VELMORA_EXE) : exe) + "\"", pi);
}

bool Program::Running() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }

bool Program::WaitEnd(int seconds) { return WaitForSingleObject(pi.hProcess, seconds * 1000) == WAIT_OBJECT_0; }

void Program::Kill() {
    if (Running()) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
    }
}

Program::~Program() {
    Kill();
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
}

std::vector<HWND> VelmoraWindows(DWORD pid, bool owned) {
    Found f{pid, owned, {}};
    EnumWindows(CollectVelmoraWindows, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

HWND MainWindow(DWORD pid) {
    auto w = VelmoraWindows(pid, false);
    return w.empty() ? nullptr : w.front();
}

HWND BusyBox(DWORD pid) {
    for (HWND w : VelmoraWindows(pid, true))
        if (ChildWindow(w, "Button", "&Cancel")) return w;
    return nullptr;
}

std::vector<HWND> ProcessWindows(DWORD pid, const std::string& cls, const std::string& title, bool visibleOnly) {
    WindowSearch s{pid, cls, title, visibleOnly, {}};
    EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&s));
    return s.out;
}

HWND WaitForWindow(DWORD pid, const std::string& cls, const std::string& title, int seconds) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            auto w = ProcessWindows(pid, cls, title, true);
            found = w.empty() ? nullptr : w.front();
            return found != nullptr;
        },
        seconds);
    return found;
}

HWND ChildWindow(HWND parent, const std::string& cls, const std::string& text) {
    ChildSearch s{cls, text, false};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND FirstChild(HWND parent, const std::string& cls) {
    ChildSearch s{cls, "", true};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND VisibleTree(HWND main) {
    auto trees = VisibleChildren(main, WC_TREEVIEWA);
    return trees.empty() ? nullptr : trees.front();
}

int RootCount(HWND tree) {
    int n = 0;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        ++n;
    return n;
}

std::vector<HWND> VisibleLists(HWND main) {
    std::vector<HWND> lists = VisibleChildren(main, WC_LISTVIEWA);
    auto top = [](HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        return r.top;
    };
    std::stable_sort(lists.begin(), lists.end(), [&](HWND a, HWND b) { return top(a) < top(b); });
    return lists;
}

HWND DetailsList(HWND main) {
    auto lists = VisibleLists(main);
    return lists.empty() ? nullptr : lists.front();
}

std::vector<RemoteNode> RemoteTreeNodes(HANDLE process, HWND tree) {
    std::vector<RemoteNode> nodes;
    RemoteBuffer remote(process, sizeof(TVITEMA) + kTextMax);
    if (!remote.at) return nodes;
    auto next = [&](UINT how, HTREEITEM from) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    };
    std::function<void(HTREEITEM, int, const std::string&)> walk = [&](HTREEITEM item, int depth,
                                                                        const std::string& parent) {
        for (; item; item = next(TVGN_NEXT, item)) {
            TVITEMA tv{};
            tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
            tv.hItem = item;
            tv.pszText = remote.at + sizeof(TVITEMA);
            tv.cchTextMax = kTextMax;
            char text[kTextMax + 1] = {};
            if (!remote.Put(tv) || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at)) ||
                !remote.Get(tv) ||
                !ReadProcessMemory(process, remote.at + sizeof(TVITEMA), text, kTextMax, nullptr))
                continue;
            RemoteNode n{item, text, tv.iImage, depth, parent.empty() ? std::string(text) : parent + "\\" + text};
            nodes.push_back(n);
            walk(next(TVGN_CHILD, item), depth + 1, n.path);
        }
    };
    walk(next(TVGN_ROOT, nullptr), 0, "");
    return nodes;
}

std::vector<std::string> RemoteListTexts(HANDLE process, HWND list, int column) {
    std::vector<std::string> texts;
    RemoteBuffer remote(process, sizeof(LVITEMA) + kTextMax);
    if (!remote.at) return texts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote.at + sizeof(LVITEMA);
        item.cchTextMax = kTextMax;
        char text[kTextMax + 1] = {};
        if (!remote.Put(item)) break;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote.at));
        if (!ReadProcessMemory(process, remote.at + sizeof(LVITEMA), text, kTextMax, nullptr)) break;
        texts.push_back(text);
    }
    return texts;
}

std::vector<int> RemoteListImages(HANDLE process, HWND list) {
    std::vector<int> images;
    RemoteBuffer remote(process, sizeof(LVITEMA));
    if (!remote.at) return images;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        if (!remote.Put(item) || !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at)) ||
            !remote.Get(item))
            break;
        images.push_back(item.iImage);
    }
    return images;
}

std::string RemoteStatusText(HANDLE process, HWND statusBar, int panel) {
    RemoteBuffer remote(process, 1024);
    if (!remote.at) return "";
    const LRESULT length = LOWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, panel, 0));
    if (length >= 1024) return "";
    SendMessageA(statusBar, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(remote.at));
    char text[1024] = {};
    ReadProcessMemory(process, remote.at, text, static_cast<SIZE_T>(length), nullptr);
    return text;
}

void KeyToTab(HWND tabs, int index) {
    const int current = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    for (int i = current; i != index; i += index > current ? 1 : -1) {
        const WPARAM key = index > current ? VK_RIGHT : VK_LEFT;
        PostMessageA(tabs, WM_KEYDOWN, key, 0);
        PostMessageA(tabs, WM_KEYUP, key, 0);
    }
}

void RemoteSetStatusText(HANDLE process, HWND statusBar, int panel, const std::string& text) {
    RemoteBuffer remote(process, text.size() + 1);
    if (!remote.at || !WriteProcessMemory(process, remote.at, text.c_str(), text.size() + 1, nullptr)) return;
    SendMessageA(statusBar, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(remote.at));
}

namespace {
// The client rectangle of a tree node's text in another process (false when it has none).
bool RemoteNodeTextRect(HANDLE process, HWND tree, HTREEITEM item, RECT& r) {
    RemoteBuffer remote(process, sizeof(RECT));
    // The rectangle's place holds the node on the way in.
    return item && remote.at && remote.Put(item) &&
           SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.at)) && remote.Get(r);
}
}  // namespace

void ClickTreeNode(HANDLE process, HWND tree, HTREEITEM item, bool twice) {
    RECT r{};
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    if (!RemoteNodeTextRect(process, tree, item, r)) return;
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
    if (!twice) return;
    PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
}

RECT RemoteSelectedNodeRect(HANDLE process, HWND tree) {
    RECT r{};
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!RemoteNodeTextRect(process, tree, item, r)) return RECT{};
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ClickListRow(HANDLE process, HWND list, int index) {
    RECT r{};
    r.left = LVIR_LABEL;
    RemoteBuffer remote(process, sizeof(RECT));
    if (!remote.at || !remote.Put(r)) return;
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.at)) ||
        !remote.Get(r))
        return;
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
}

RECT RemoteToolbarButtonRect(HANDLE process, HWND toolbar, int index) {
    RECT r{};
    RemoteBuffer buf(process, sizeof(RECT));
    if (!buf.at) return r;
    if (SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.at))) buf.Get(r);
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
