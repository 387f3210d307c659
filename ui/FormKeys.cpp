// The keyboard of a form, as the system's dialogs behave: Tab and Shift+Tab walk the controls in
// tab order (the order they were created in, frames' controls in place), the arrow keys move
// within a group of option buttons, Enter runs the focused push button or else the default
// button, Escape the cancel button, and access keys (Alt+letter, or the letter alone while a
// button has the focus) run or focus the control whose caption underlines that letter. On a form
// with a menu bar, Alt+letter opens the menu first; controls on a tab page answer their access
// keys only while the focus is on that page.
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/QV_Err.h"
#include "ui/Control.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Internal.h"

namespace ui::detail {
namespace {

std::string ClassOf(HWND w) {
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND w) {
    char buf[512] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

// Shown and usable: visible, and neither it nor a window between it and the form disabled.
bool Usable(HWND root, HWND w) {
    if (!IsWindowVisible(w)) return false;
    for (HWND p = w; p && p != root; p = GetParent(p))
        if (!IsWindowEnabled(p)) return false;
    return true;
}

// Every child window of the form in tab order: depth first in creation (z) order, the inside of
// a container (a frame) right after the container.
void Walk(HWND parent, std::vector<HWND>& out) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        out.push_back(c);
        if (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) Walk(c, out);
    }
}

bool TakesTab(HWND root, HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_TABSTOP) && Usable(root, w); }

int ButtonType(HWND w) { return static_cast<int>(GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK); }
bool IsButtonClass(HWND w) { return lstrcmpiA(ClassOf(w).c_str(), "Button") == 0; }
bool IsOptionButton(HWND w) {
    if (!IsButtonClass(w)) return false;
    const int t = ButtonType(w);
    return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON;
}

// The letter a caption underlines ("&Cancel" -> 'C'), or 0.
char AccessKey(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

Form* FormOf(HWND root) { return reinterpret_cast<Form*>(GetWindowLongPtrA(root, GWLP_USERDATA)); }

TabContainer* PagesOf(Form* form) {
    if (!form) return nullptr;
    for (Control* c : form->Controls())
        if (auto* t = dynamic_cast<TabContainer*>(c)) return t;
    return nullptr;
}

// The control the window belongs to: the window itself or the nearest control above it.
HWND OwnControl(HWND root, HWND w) {
    for (HWND p = w; p && p != root; p = GetParent(p))
        if (ControlOf(p)) return p;
    return w;
}

void Click(HWND button) {
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void FocusInto(HWND w) {
    SetFocus(w);
    // A text box entered from the keyboard shows its whole text selected.
    if (SendMessageA(w, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(w, EM_SETSEL, 0, -1);
}

// The first control that takes the focus at or after position `from` of the walk, or null.
HWND TabStopFrom(HWND root, const std::vector<HWND>& all, size_t from) {
    for (size_t i = from; i < all.size(); ++i)
        if (TakesTab(root, all[i])) return all[i];
    return nullptr;
}

// The menu bar's item (by position) that `key` opens: the one whose caption underlines it, or
// else one without an access key whose caption starts with it. -1 when none.
int MenuBarItem(HMENU bar, char key) {
    if (!bar) return -1;
    const int n = GetMenuItemCount(bar);
    int byFirstLetter = -1;
    for (int i = 0; i < n; ++i) {
        char buf[256] = "";
        GetMenuStringA(bar, static_cast<UINT>(i), buf, sizeof buf, MF_BYPOSITION);
        const std::string text = buf;
        if (text.empty() || (GetMenuState(bar, static_cast<UINT>(i), MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED))) continue;
        const char k = AccessKey(text);
        if (k == key) return i;
        if (!k && byFirstLetter < 0 && std::toupper(static_cast<unsigned char>(text[0])) == key) byFirstLetter = i;
    }
    return byFirstLetter;
}

// An access key among the form's controls. One control with that key: a button is pressed, a
// label hands the focus to the control after it. Several: the focus moves to the next of them
// after the focused one, and nothing is pressed.
bool AccessKeyOfControls(HWND root, HWND focus, char key) {
    std::vector<HWND> all;
    Walk(root, all);
    TabContainer* pages = PagesOf(FormOf(root));
    const int focusPage = pages ? pages->PageOf(focus) : -1;
    std::vector<size_t> hits;
    for (size_t i = 0; i < all.size(); ++i) {
        HWND w = all[i];
        if (!Usable(root, w)) continue;
        const std::string cls = ClassOf(w);
        const bool label = lstrcmpiA(cls.c_str(), "Static") == 0 && !(GetWindowLongA(w, GWL_STYLE) & SS_NOPREFIX);
        if (!label && !(IsButtonClass(w) && ButtonType(w) != BS_GROUPBOX)) continue;
        if (AccessKey(TextOf(w)) != key) continue;
        // A control of a tab page answers only while the focus is on that page.
        if (pages) {
            const int page = pages->PageOf(w);
            if (page >= 0 && page != focusPage) continue;
        }
        hits.push_back(i);
    }
    if (hits.empty()) return false;
    auto target = [&](size_t i) {
        HWND w = all[i];
        return IsButtonClass(w) ? w : TabStopFrom(root, all, i + 1);
    };
    if (hits.size() == 1) {
        HWND w = all[hits[0]];
        if (IsButtonClass(w)) {
            FocusInto(w);
            if (IsOptionButton(w)) {
                if (SendMessageA(w, BM_GETCHECK, 0, 0) != BST_CHECKED) Click(w);
            } else {
                Click(w);
            }
        } else if (HWND next = target(hits[0])) {
            FocusInto(next);
        }
        return true;
    }
    size_t at = all.size();
    const HWND own = OwnControl(root, focus);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == own) at = i;
    size_t pick = hits[0];
    for (size_t h : hits)
        if (at < all.size() && h > at) {
            pick = h;
            break;
        }
    if (HWND next = target(pick)) FocusInto(next);
    return true;
}

void MoveTab(HWND root, HWND focus, bool back) {
    std::vector<HWND> all;
    Walk(root, all);
    std::vector<HWND> stops;
    for (HWND w : all)
        if (TakesTab(root, w)) stops.push_back(w);
    if (stops.empty()) return;
    const HWND own = OwnControl(root, focus);
    size_t at = stops.size();
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i] == own) at = i;
    size_t next;
    if (at == stops.size()) next = back ? stops.size() - 1 : 0;
    else next = back ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    FocusInto(stops[next]);
}

// Up/Left and Down/Right within the option buttons of one group (same parent, same group):
// the next one gets the focus and is chosen.
void MoveInOptionGroup(HWND root, HWND focus, bool back) {
    auto* self = dynamic_cast<OptionButton*>(static_cast<Control*>(ControlOf(focus)));
    if (!self) return;
    std::vector<HWND> group;
    for (HWND c = GetWindow(GetParent(focus), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        auto* o = dynamic_cast<OptionButton*>(static_cast<Control*>(ControlOf(c)));
        if (o && o->Group() == self->Group() && Usable(root, c)) group.push_back(c);
    }
    size_t at = 0;
    for (size_t i = 0; i < group.size(); ++i)
        if (group[i] == focus) at = i;
    if (group.size() < 2) return;
    HWND next = group[back ? (at + group.size() - 1) % group.size() : (at + 1) % group.size()];
    SetFocus(next);
    if (SendMessageA(next, BM_GETCHECK, 0, 0) != BST_CHECKED) Click(next);
}

bool ComboDropped(HWND w) {
    return lstrcmpiA(ClassOf(w).c_str(), "ComboBox") == 0 && SendMessageA(w, CB_GETDROPPEDSTATE, 0, 0);
}

// A tree's or list's label editor: Enter and Escape end the edit.
bool LabelEditor(HWND w) {
    if (lstrcmpiA(ClassOf(w).c_str(), "Edit") != 0) return false;
    const std::string parent = ClassOf(GetParent(w));
    return parent == WC_TREEVIEWA || parent == WC_LISTVIEWA;
}

}  // namespace

HWND FirstTabStop(HWND root) {
    std::vector<HWND> all;
    Walk(root, all);
    return TabStopFrom(root, all, 0);
}

bool FocusableIn(HWND root, HWND w) { return w && IsWindow(w) && IsChild(root, w) && Usable(root, w); }

LRESULT MenuBarChar(HWND root, WPARAM wParam, LPARAM lParam) {
    HMENU bar = GetMenu(root);
    if (!bar || reinterpret_cast<HMENU>(lParam) != bar) return 0;
    const char key = static_cast<char>(std::toupper(LOWORD(wParam) & 0xFF));
    const int item = MenuBarItem(bar, key);
    return item >= 0 ? MAKELRESULT(item, MNC_EXECUTE) : 0;
}

bool FormKey(HWND root, MSG& msg) {
    HWND w = msg.hwnd;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (msg.message == WM_SYSCHAR) {
        const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(msg.wParam)));
        if (key <= ' ') return false;
        if (MenuBarItem(GetMenu(root), key) >= 0) return false;  // the menu bar opens it
        return AccessKeyOfControls(root, w, key);
    }
    if (msg.message == WM_CHAR) {
        if (ctrl || msg.wParam <= ' ' || msg.wParam > 0xFF) return false;
        // The letter alone is an access key while the focus is on a control that takes no
        // typing (a button) or on the form itself.
        const LRESULT code = w == root ? 0 : SendMessageA(w, WM_GETDLGCODE, msg.wParam, 0);
        if (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)) return false;
        if (w != root && !IsButtonClass(w)) return false;
        return AccessKeyOfControls(root, w, static_cast<char>(std::toupper(static_cast<unsigned char>(msg.wParam))));
    }
    if (msg.message != WM_KEYDOWN || GetKeyState(VK_MENU) < 0) return false;
    switch (msg.wParam) {
        case VK_TAB: {
            if (ctrl) return false;
            if (w != root && (SendMessageA(w, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTTAB))
                return false;
            MoveTab(root, w, GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (!IsOptionButton(w)) return false;
            MoveInOptionGroup(root, w, msg.wParam == VK_LEFT || msg.wParam == VK_UP);
            return true;
        case VK_RETURN: {
            if (ComboDropped(w) || LabelEditor(w)) return false;
            if (lstrcmpiA(ClassOf(w).c_str(), "Edit") == 0) {
                const LONG style = GetWindowLongA(w, GWL_STYLE);
                if ((style & ES_MULTILINE) && (style & ES_WANTRETURN) && !(style & ES_READONLY)) return false;
            }
            Form* form = FormOf(root);
            if (form && form->DialogCommand(IDOK, w)) return true;
            if (w == root) {
                SendMessageA(root, WM_COMMAND, IDOK, 0);
                return true;
            }
            return false;  // the control itself takes Enter (a tree, a list)
        }
        case VK_ESCAPE: {
            if (ComboDropped(w) || LabelEditor(w)) return false;
            Form* form = FormOf(root);
            if (!form || !form->DialogCommand(IDCANCEL, w)) SendMessageA(root, WM_COMMAND, IDCANCEL, 0);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace ui::detail
