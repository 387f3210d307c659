// Placing and activating top-level windows.
#pragma once
#include <windows.h>

namespace QV_Forms {

// Moves the window so that it sits in the middle of the screen.
void CenterForm(HWND window);
// Brings the window to the foreground (attaching to the foreground thread's input when it
// belongs to another thread) and shows it, restoring it when minimised. True when
// SetForegroundWindow succeeded or the window was already in front.
bool ForceForeground(HWND window);

}  // namespace QV_Forms
