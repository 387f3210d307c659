// Waiting.
#pragma once

namespace QV_System {

// Suspends the thread for the given milliseconds.
void SleepMs(long milliseconds);
// Waits the given milliseconds on the manual-reset waitable timer "Ch14SleeperTimer".
// Window messages are not processed while it waits.
void TimerSleep(long milliseconds);

}  // namespace QV_System
