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

// Registers a window class of the program for windows with a form's face: button-face
// background, arrow cursor, double clicks.
void RegisterFaceClass(const char* className, WNDPROC proc);

}  // namespace ui::detail
