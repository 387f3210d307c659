#include "base/QV_Forms.h"

#include "base/Handle.h"

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

namespace {
struct TaskSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindTaskWindow(HWND w, LPARAM lp) {
    auto* t = reinterpret_cast<TaskSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == t->pid && IsWindowVisible(w) && !GetWindow(w, GW_OWNER)) {
        t->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND TaskWindow(DWORD processId) {
    if (!processId) return nullptr;
    TaskSearch t{processId, nullptr};
    EnumWindows(FindTaskWindow, reinterpret_cast<LPARAM>(&t));
    return t.found;
}

bool ActivateTask(DWORD processId, DWORD waitMs) {
    if (!processId) return false;
    HWND window = TaskWindow(processId);
    if (!window && waitMs > 0) {
        if (const Handle process{OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId)}) {
            const DWORD start = GetTickCount();
            WaitForInputIdle(process.get(), waitMs);
            while (!(window = TaskWindow(processId)) && GetTickCount() - start < waitMs) {
                if (WaitForSingleObject(process.get(), 50) == WAIT_OBJECT_0) {
                    window = TaskWindow(processId);
                    break;
                }
            }
        }
    }
    return window && ForceForeground(window);
}

}  // namespace QV_Forms
