// Activating the program's windows.
#pragma once
#include <windows.h>

#include <string>

namespace QV_Application {

// Brings the window to the foreground like QV_Forms::ForceForeground. A handle of 0 is
// replaced by the top-level window whose caption equals `caption`; false when none.
bool ActivateWindow(HWND window, const std::string& caption);

}  // namespace QV_Application
