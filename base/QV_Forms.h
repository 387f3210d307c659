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
// The first visible top-level window of the process that no other window owns; null when the
// process shows none.
HWND TaskWindow(DWORD processId);
// Brings the window of a started process to the foreground. A process id is no window: the
// process's window is looked for, waiting up to waitMs for a process that is still starting
// (until it waits for input, then for its window to appear); a process that ends meanwhile
// (one that handed its work to another and left) ends the wait. True when a window was found
// and brought to the front.
bool ActivateTask(DWORD processId, DWORD waitMs);

}  // namespace QV_Forms
