// Window and cursor helpers: set the mouse cursor, ask whether a window with a given title or
// a form with a given name exists, and whether the program runs inside its development
// environment (a window of class "ThunderMain" sharing the first form's instance handle).
#pragma once
#include <string>

#include "base/Variant.h"

class cVBW {
public:
    // Makes a system cursor (IDC_WAIT, ...) current; returns Empty.
    Variant MouseCursor(long cursorId);
    // Makes a cursor from a .cur or .ani file current; returns Empty.
    Variant PointM(const std::string& cursorFile);
    // True when a top-level window has exactly that title.
    bool IsAppRunningTitled(const std::string& windowTitle);
    // True when a loaded form has that name (without regard to case).
    bool IsFormLoaded(const std::string& formName);
    bool RunningFromIDE();
};
