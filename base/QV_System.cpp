#include "base/QV_System.h"

#include <windows.h>

#include "base/Handle.h"

namespace QV_System {

void SleepMs(long milliseconds) {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

void TimerSleep(long milliseconds) {
    const Handle timerHandle(CreateWaitableTimerA(nullptr, TRUE, "Ch14SleeperTimer"));
    if (!timerHandle) return;
    HANDLE timer = timerHandle.get();
    LARGE_INTEGER due;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        // A new timer starts out signalled.
        due.QuadPart = 0;
        SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    }
    // A negative due time is relative, in 100-nanosecond units.
    due.QuadPart = -static_cast<LONGLONG>(milliseconds > 0 ? milliseconds : 0) * 10000;
    if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) WaitForSingleObject(timer, INFINITE);
}

}  // namespace QV_System
