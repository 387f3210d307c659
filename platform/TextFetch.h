// Fetches the text at a web address: the stand-in for the transfer control the update check
// uses. Every fetch goes to the server (the cache is neither read nor written) and ends within
// its time-out whatever the server does: the transfer runs on a worker thread, and the caller
// stops waiting for it at the time-out (or when its own wait hook says to give up). A failure
// raises RunTimeError.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace TextFetch {

// Milliseconds a whole fetch may take: the connection, the request and every byte of the
// answer together.
inline constexpr unsigned long kTimeoutMs = 10000;

// Called on the caller's thread while it waits for the transfer, whenever a window message for
// that thread arrives and at least every kWaitHookMs; returns false to give the fetch up now.
using WaitHook = std::function<bool()>;
inline constexpr unsigned long kWaitHookMs = 100;

// The longest answer taken, in bytes. A version file is a few dozen bytes: the transfer stops
// at this bound, and a longer answer is a failure like any other, never held in memory whole.
inline constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

// The body of the server's answer to a GET of `url`, whatever its status (an error page is
// text like any other). Raises RunTimeError when no answer comes: the address cannot be
// reached, refuses the connection, or the answer is not complete within `timeoutMs`
// (ERROR_INTERNET_TIMEOUT), also from a server that accepts and never answers or answers a
// byte at a time; when `wait` gives the fetch up (ERROR_INTERNET_OPERATION_CANCELLED); when the
// answer is longer than kMaxAnswerBytes (ERROR_FILE_TOO_LARGE); and when anything else fails on
// the worker thread (running out of memory among them: ERROR_NOT_ENOUGH_MEMORY), which never
// ends the program. A transfer given up is left to end on its worker thread, which then drops
// what it read; it holds nothing of the caller's.
std::string OpenURL(const std::string& url, unsigned long timeoutMs = kTimeoutMs, const WaitHook& wait = nullptr);

}  // namespace TextFetch
