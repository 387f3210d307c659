#include "base/QV_Forms.h"

namespace QV_Forms {

void CenterForm(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return;
    int width = r.right - r.left, height = r.bottom - r.top;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ForceForeground(HWND window) {
    if (!window) return false;
    HWND foreground = GetForegroundWindow();
    if (foreground == window) return true;
    DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    DWORD targetThread = GetWindowThreadProcessId(window, nullptr);
    BOOL ok;
    if (foregroundThread == targetThread || foregroundThread == 0) {
        ok = SetForegroundWindow(window);
    } else {
        AttachThreadInput(foregroundThread, targetThread, TRUE);
        ok = SetForegroundWindow(window);
        AttachThreadInput(foregroundThread, targetThread, FALSE);
    }
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    return ok != FALSE;
}

}  // namespace QV_Forms
