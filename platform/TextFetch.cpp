#include "platform/TextFetch.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "base/QV_Err.h"
#include "base/WinText.h"
#include "platform/SystemFunction.h"

namespace TextFetch {
namespace {

// WinINet is loaded when the first text is fetched, not at every start.
struct WinInet {
    decltype(&InternetOpenA) open = Bind<decltype(&InternetOpenA)>("InternetOpenA");
    decltype(&InternetSetOptionA) setOption = Bind<decltype(&InternetSetOptionA)>("InternetSetOptionA");
    decltype(&InternetOpenUrlA) openUrl = Bind<decltype(&InternetOpenUrlA)>("InternetOpenUrlA");
    decltype(&InternetReadFile) readFile = Bind<decltype(&InternetReadFile)>("InternetReadFile");
    decltype(&InternetCloseHandle) closeHandle = Bind<decltype(&InternetCloseHandle)>("InternetCloseHandle");

    template <typename F>
    static F Bind(const char* name) {
        return SystemFunction::Bind<F>("wininet.dll", name);
    }
};

const WinInet& Net() {
    static const WinInet net;
    return net;
}

struct InternetCloser {
    void operator()(HINTERNET h) const { Net().closeHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

[[noreturn]] void Fail(DWORD code, const std::string& url) {
    std::string text = WinText::SystemMessage(code, "\r\n. ");
    if (text.empty()) text = "Error " + std::to_string(code);
    throw RunTimeError(static_cast<long>(code), "TextFetch", text + " (" + url + ")");
}

}  // namespace

std::string OpenURL(const std::string& url, unsigned long timeoutMs) {
    const WinInet& net = Net();
    InternetHandle session(net.open("Velmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) Fail(GetLastError(), url);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
        DWORD value = timeoutMs;
        net.setOption(session.get(), option, &value, sizeof value);
    }
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    InternetHandle request(net.openUrl(session.get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request) Fail(GetLastError(), url);

    std::string body;
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!net.readFile(request.get(), buffer, sizeof buffer, &read)) Fail(GetLastError(), url);
        if (read == 0) break;
        body.append(buffer, read);
    }
    return body;
}

}  // namespace TextFetch
