// Pop-up menus as the user sees them. A probe reads each pop-up menu the thread opens from
// inside the menu's own loop (captions, enable states, where it came up) and closes it; the
// helpers open a tree's or list's menu the ways a user does: a right-click on the selected item,
// Shift+F10 and the Menu key, pressed through the window system (SendInput).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/RealInput.h"
#include "ui/ui.h"

// One item of a pop-up menu as it is shown: its caption ("-" for a separator) and whether it
// can be chosen, e.g. "Modify:0".
using ShownMenu = std::vector<std::string>;

// Reads each pop-up menu the thread opens while the probe lives, then closes it: a timer of the
// thread runs inside the menu's own message loop, finds the open menu window, takes its menu and
// reads the items' captions and enable states, and the window's top left corner.
class PopupProbe {
public:
    PopupProbe() {
        Current() = this;
        id_ = SetTimer(nullptr, 0, 30, &PopupProbe::Tick);
    }
    ~PopupProbe() {
        KillTimer(nullptr, id_);
        Current() = nullptr;
    }
    PopupProbe(const PopupProbe&) = delete;
    PopupProbe& operator=(const PopupProbe&) = delete;
    std::vector<ShownMenu> shown;
    std::vector<RECT> at;  // where each of them came up

private:
    static PopupProbe*& Current() {
        static PopupProbe* probe = nullptr;
        return probe;
    }
    static BOOL CALLBACK FindMenuWindow(HWND w, LPARAM out) {
        char cls[16] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (std::string(cls) != "#32768" || !IsWindowVisible(w)) return TRUE;
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        PopupProbe* self = Current();
        if (!self) return;
        HWND window = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&window));
        if (!window) {
            self->read_ = nullptr;
            return;
        }
        if (window == self->read_) return;  // read already, closing
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
        ShownMenu items;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (state & MF_SEPARATOR) {
                items.push_back("-");
                continue;
            }
            char caption[128] = {};
            GetMenuStringA(menu, i, caption, sizeof caption, MF_BYPOSITION);
            items.push_back(std::string(caption) + ((state & (MF_GRAYED | MF_DISABLED)) ? ":0" : ":1"));
        }
        RECT r{};
        GetWindowRect(window, &r);
        self->shown.push_back(items);
        self->at.push_back(r);
        self->read_ = window;
        EndMenu();
    }
    UINT_PTR id_ = 0;
    HWND read_ = nullptr;
};

// The middle of the selected item's text of a real tree or list, on the screen; none when no item
// is selected.
inline std::optional<POINT> SelectedItemOnScreen(HWND control) {
    RECT r{};
    if (RealInput::ClassOf(control) == WC_TREEVIEWA) {
        HTREEITEM item = TreeView_GetSelection(control);
        if (!item || !TreeView_GetItemRect(control, item, &r, TRUE)) return std::nullopt;
    } else {
        const int row = ListView_GetNextItem(control, -1, LVNI_SELECTED);
        if (row < 0 || !ListView_GetItemRect(control, row, &r, LVIR_LABEL)) return std::nullopt;
    }
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(control, &p);
    return p;
}

// A point of a real tree or list on no item, in client pixels: below the last item (near the
// bottom when there is none); none when the items fill the control.
inline std::optional<POINT> PointOnNoItem(HWND control) {
    RECT client{}, r{};
    GetClientRect(control, &client);
    bool any = false;
    if (RealInput::ClassOf(control) == WC_TREEVIEWA) {
        HTREEITEM last = TreeView_GetLastVisible(control);
        any = last && TreeView_GetItemRect(control, last, &r, FALSE);
    } else {
        const int count = ListView_GetItemCount(control);
        if (count > 0) ListView_EnsureVisible(control, count - 1, FALSE);
        any = count > 0 && ListView_GetItemRect(control, count - 1, &r, LVIR_BOUNDS);
    }
    if (!any) return POINT{client.left + 20, client.bottom - 10};
    if (r.bottom + 15 >= client.bottom) return std::nullopt;
    return POINT{r.left + 20, r.bottom + 15};
}

// Whether a pop-up menu came up at a point of the screen: its top left corner there, or moved only
// as far as the screen's edges demand.
inline bool OpensAt(const RECT& menu, POINT p) {
    const int right = GetSystemMetrics(SM_CXSCREEN), bottom = GetSystemMetrics(SM_CYSCREEN);
    const bool x = menu.left == p.x || (menu.right == right && menu.left < p.x);
    const bool y = menu.top == p.y || (menu.bottom == bottom && menu.top < p.y);
    return x && y;
}

enum class MenuWay { RightClick, ShiftF10, MenuKey };

inline const char* NameOf(MenuWay way) {
    return way == MenuWay::RightClick ? "right-click" : way == MenuWay::ShiftF10 ? "Shift+F10" : "Menu key";
}

// Opens the pop-up menu of a real tree or list of this thread as a user does, and returns the
// number of menus the probe read meanwhile. A right-click comes as the system delivers it on the
// selected item, or below the items when none is selected (a posted press and release); the keys come to the control once its window
// is in front and it has the focus. The queue is handled until a menu was read, at most `waitMs`.
inline size_t OpenMenuOf(PopupProbe& probe, HWND control, MenuWay way, int waitMs = 3000) {
    const size_t before = probe.shown.size();
    auto handle = [&](int rounds) {
        for (int i = 0; i < rounds && probe.shown.size() == before; ++i) {
            ui::DoEvents();
            Sleep(10);
        }
    };
    if (way == MenuWay::RightClick) {
        POINT pt{};
        if (std::optional<POINT> at = SelectedItemOnScreen(control)) {
            pt = *at;
            ScreenToClient(control, &pt);
        } else if (std::optional<POINT> none = PointOnNoItem(control)) {
            pt = *none;
        } else {
            return 0;
        }
        PostMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
        PostMessageA(control, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
        handle(waitMs / 10);
        return probe.shown.size() - before;
    }
    // Wine takes the modifier keys' state from the display when a window gets the display's
    // focus, a moment after it is activated (later under load): a Shift that SendInput holds
    // meanwhile is released and F10 arrives alone, entering the menu bar. The keys are then
    // given once more after leaving it, as a user would.
    for (int attempt = 0; attempt < 2 && probe.shown.size() == before; ++attempt) {
        if (attempt) {
            EndMenu();
            handle(50);
        }
        SetForegroundWindow(GetAncestor(control, GA_ROOT));
        SetFocus(control);
        handle(20);
        if (way == MenuWay::ShiftF10) RealInput::Chord({VK_SHIFT, VK_F10});
        else RealInput::Keys({VK_APPS});
        handle(waitMs / 10);
    }
    return probe.shown.size() - before;
}
