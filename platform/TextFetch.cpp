#include "platform/TextFetch.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <new>

#include "base/Handle.h"
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

[[noreturn]] void Fail(DWORD code, const std::string& url, std::string text = "") {
    if (text.empty()) text = WinText::SystemMessage(code, "\r\n. ");
    if (text.empty()) text = "Error " + std::to_string(code);
    throw RunTimeError(static_cast<long>(code), "TextFetch", text + " (" + url + ")");
}

// One transfer, shared by the caller and the worker thread: whichever lets go last frees it, so
// a worker the caller has given up on never writes to freed memory. The worker writes the
// results, then sets `done`; the caller reads them only after `done`.
struct Transfer {
    std::string url;
    unsigned long timeoutMs = 0;
    std::atomic<bool> abandoned{false};
    Handle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    bool ok = false;
    DWORD error = 0;
    std::string failure;  // the failure's own description, where the system's text does not say it
    std::string body;
};

void Run(Transfer& t) {
    const WinInet& net = Net();
    InternetHandle session(net.open("Velmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        t.error = GetLastError();
        return;
    }
    // The library's own time-outs, where it keeps them, end a stalled transfer sooner.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
        DWORD value = t.timeoutMs;
        net.setOption(session.get(), option, &value, sizeof value);
    }
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    InternetHandle request(net.openUrl(session.get(), t.url.c_str(), nullptr, 0, flags, 0));
    if (!request) {
        t.error = GetLastError();
        return;
    }
    std::string body;
    char buffer[8192];
    for (;;) {
        // Given up: what comes now is read by no one.
        if (t.abandoned) return;
        DWORD read = 0;
        if (!net.readFile(request.get(), buffer, sizeof buffer, &read)) {
            t.error = GetLastError();
            return;
        }
        if (read == 0) break;
        // An answer longer than any version file is no version file: the transfer ends here,
        // whatever the server would still send.
        if (read > kMaxAnswerBytes - body.size()) {
            t.error = ERROR_FILE_TOO_LARGE;
            t.failure = "The answer is longer than " + std::to_string(kMaxAnswerBytes) + " bytes";
            return;
        }
        body.append(buffer, read);
    }
    t.body = std::move(body);
    t.ok = true;
}

// Records a failure that was thrown on the worker: its code, and its own text when it has one
// (when even that text cannot be kept, the system's text for the code).
void Failed(Transfer& t, DWORD code, const char* text) noexcept {
    t.ok = false;
    t.error = code;
    try {
        t.failure = text ? text : "";
    } catch (...) {
        t.failure.clear();
    }
}

DWORD WINAPI Worker(void* arg) {
    const std::unique_ptr<std::shared_ptr<Transfer>> held(static_cast<std::shared_ptr<Transfer>*>(arg));
    Transfer& t = **held;
    // Nothing thrown here may end the program: whatever goes wrong is this transfer's failure,
    // reported to the caller like a failed request.
    try {
        Run(t);
    } catch (const std::bad_alloc&) {
        Failed(t, ERROR_NOT_ENOUGH_MEMORY, nullptr);
    } catch (const std::exception& e) {
        Failed(t, ERROR_INTERNAL_ERROR, e.what());
    } catch (...) {
        Failed(t, ERROR_INTERNAL_ERROR, "Unknown error");
    }
    SetEvent(t.done.get());
    return 0;
}

// What a finished transfer gives the caller: its body, or its failure raised.
std::string Result(Transfer& t, const std::string& url) {
    if (!t.ok) Fail(t.error, url, t.failure);
    return std::move(t.body);
}

}  // namespace

std::string OpenURL(const std::string& url, unsigned long timeoutMs, const WaitHook& wait) {
    Net();  // bound here, on the caller's thread, once
    auto transfer = std::make_shared<Transfer>();
    transfer->url = url;
    transfer->timeoutMs = timeoutMs;
    if (!transfer->done) Fail(GetLastError(), url);
    auto* arg = new std::shared_ptr<Transfer>(transfer);
    // The thread runs on its own, and its handle is let go at the end of this call; `done` says
    // when it has finished.
    const Handle thread(CreateThread(nullptr, 0, Worker, arg, 0, nullptr));
    if (!thread) {
        const DWORD e = GetLastError();
        delete arg;
        Fail(e, url);
    }

    const ULONGLONG until = GetTickCount64() + timeoutMs;
    HANDLE done = transfer->done.get();
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until) break;
        const DWORD left = static_cast<DWORD>(until - now);
        const DWORD r = wait ? MsgWaitForMultipleObjects(1, &done, FALSE, std::min(left, static_cast<DWORD>(kWaitHookMs)), QS_ALLINPUT)
                             : WaitForSingleObject(done, left);
        if (r == WAIT_OBJECT_0) return Result(*transfer, url);
        if (wait && !wait()) {
            transfer->abandoned = true;
            Fail(ERROR_INTERNET_OPERATION_CANCELLED, url);
        }
    }
    if (WaitForSingleObject(done, 0) == WAIT_OBJECT_0) return Result(*transfer, url);
    // The server has not given the whole answer in time: the caller goes on without it.
    transfer->abandoned = true;
    Fail(ERROR_INTERNET_TIMEOUT, url);
}

}  // namespace TextFetch
