// Fetches the text at a web address, synchronously: the stand-in for the transfer control the
// update check uses. Every fetch goes to the server (the cache is neither read nor written) and
// is bounded by connect and receive timeouts; a failure raises RunTimeError.
#pragma once
#include <functional>
#include <string>

namespace TextFetch {

// Milliseconds a fetch waits for the connection and for each part of the answer.
inline constexpr unsigned long kTimeoutMs = 10000;

// The body of the server's answer to a GET of `url`, whatever its status (an error page is
// text like any other). Raises RunTimeError when no answer comes: the address cannot be
// reached, refuses the connection or times out.
std::string OpenURL(const std::string& url, unsigned long timeoutMs = kTimeoutMs);

}  // namespace TextFetch
