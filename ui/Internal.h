// Helpers shared by the toolkit's sources (not part of its interface).
#pragma once
#include <windows.h>

#include <string>

namespace ui::detail {

// Twips <-> pixels by the screen's resolution.
int ToPixelsX(long twips);
int ToPixelsY(long twips);
long ToTwipsX(int pixels);
long ToTwipsY(int pixels);

// The control (if any) a child window belongs to.
class ControlLookup;
void* ControlOf(HWND hwnd);

// Routes WM_COMMAND / WM_NOTIFY of a child window to its control. True when handled.
bool RouteChildMessage(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Next child-window id of the program's controls.
int NextControlId();

// The colours of labels and buttons on a form's or frame's face; a read-only text box keeps the
// window colour (white) so its text reads as data.
LRESULT FaceColors(WPARAM dc, LPARAM control);

HINSTANCE Instance();

// The keyboard of a form (FormKeys.cpp). FormKey handles a key message of a window on the form
// `root` (Tab, arrows in option groups, Enter, Escape, access keys); true when it was handled
// and must not be dispatched.
bool FormKey(HWND root, MSG& msg);
// The first control of the form in tab order that can take the focus, or null.
HWND FirstTabStop(HWND root);
// Whether the window is a shown, enabled window inside the form.
bool FocusableIn(HWND root, HWND window);
// WM_MENUCHAR of a form: a menu-bar caption without an access key opens by its first letter.
LRESULT MenuBarChar(HWND root, WPARAM wParam, LPARAM lParam);

// While one lives, a pop-up menu the form opens (Form::PopupMenu) opens at `screen` rather than
// at the mouse pointer: the keyboard's menu keys open the menu at the selected item. The first
// pop-up takes the point, so a menu its command opens goes back to the pointer.
class MenuAnchor {
public:
    explicit MenuAnchor(POINT screen);
    ~MenuAnchor();
    MenuAnchor(const MenuAnchor&) = delete;
    MenuAnchor& operator=(const MenuAnchor&) = delete;
    // The point of the living anchor, once; false when there is none or it was taken.
    static bool Take(POINT& screen);
};

// Registers a window class of the program for windows with a form's face: button-face
// background, arrow cursor, double clicks.
void RegisterFaceClass(const char* className, WNDPROC proc);

}  // namespace ui::detail
