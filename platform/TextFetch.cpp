#include "platform/TextFetch.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "base/QV_Err.h"
#include "base/WinText.h"

namespace TextFetch {
namespace {

struct InternetCloser {
    void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

[[noreturn]] void Fail(DWORD code, const std::string& url) {
    std::string text = WinText::SystemMessage(code, "\r\n. ");
    if (text.empty()) text = "Error " + std::to_string(code);
    throw RunTimeError(static_cast<long>(code), "TextFetch", text + " (" + url + ")");
}

}  // namespace

std::string OpenURL(const std::string& url, unsigned long timeoutMs) {
    InternetHandle session(InternetOpenA("Velmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) Fail(GetLastError(), url);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
        DWORD value = timeoutMs;
        InternetSetOptionA(session.get(), option, &value, sizeof value);
    }
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    InternetHandle request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request) Fail(GetLastError(), url);

    std::string body;
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), buffer, sizeof buffer, &read)) Fail(GetLastError(), url);
        if (read == 0) break;
        body.append(buffer, read);
    }
    return body;
}

}  // namespace TextFetch
