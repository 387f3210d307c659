// Helpers shared by the toolkit's sources (not part of its interface).
#pragma once
#include <windows.h>

#include <exception>
#include <string>

#include "base/QV_Err.h"

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

// Runs an event handler at a window-procedure boundary: an error escaping it is handed to the
// error sink rather than unwinding through the system's code.
template <class F>
void Fire(const char* source, const char* event, F&& body) {
    try {
        body();
    } catch (const RunTimeError& e) {
        QV_Err::HandleError(e.Number, e.Description, source, event);
    } catch (const std::exception& e) {
        QV_Err::HandleError(-1, e.what(), source, event);
    } catch (...) {
        QV_Err::HandleError(-1, "unknown error", source, event);
    }
}

// The colours of labels and buttons on a form's or frame's face; a read-only text box keeps the
// window colour (white) so its text reads as data.
LRESULT FaceColors(WPARAM dc, LPARAM control);

[[noreturn]] void Throw(long number, const char* source);

HINSTANCE Instance();

// Registers a window class of the program for windows with a form's face: button-face
// background, arrow cursor, double clicks.
void RegisterFaceClass(const char* className, WNDPROC proc);

}  // namespace ui::detail
