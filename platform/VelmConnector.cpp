// The single-instance connector: shared mailbox, running flag, sink window and the
// registration of component files for the calling process.
#include "platform/VelmConnector.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/PeImage.h"
#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "base/WinText.h"

namespace Velm {
namespace {

const char* const kMappingName = "Local\\VelmoraConnector.Mailbox";
const char* const kLockName = "Local\\VelmoraConnector.Lock";
const char* const kRunningName = "Local\\VelmoraConnector.MainAppRunning";
const char* const kSinkClass = "VelmConnectorSink";
const char* const kNotifyMessage = "VelmConnectorNotify";

// What the message's wParam says.
enum : WPARAM { kNotifyAction = 1, kRegisterFinished = 2, kUnregisterFinished = 3 };

// The shared mailbox. Fixed-size fields only, so the 32-bit and 64-bit programs agree on it.
struct SharedMailbox {
    std::uint32_t sinkWindow;  // window handles are 32-bit values across processes
    std::uint32_t mainProcessId;
    std::int32_t succeeded;
    std::int32_t finishedSucceeded;
    char letter[8];
    char path[kMailboxPathMax + 1];
    char folder[MAX_PATH + 1];
    char finishedText[1024];
};

// Copies text into a fixed field; false (field untouched) when it does not fit.
template <std::size_t N>
bool PutText(char (&field)[N], const std::string& text) {
    if (text.size() >= N) return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

template <std::size_t N>
std::string GetText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// The running program's own executable.
std::string OwnExe() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "";
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string ModuleFolder() {
    const std::string path = OwnExe();
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

UINT NotifyMessageId() {
    static const UINT id = RegisterWindowMessageA(kNotifyMessage);
    return id;
}

}  // namespace

struct ConnectorCore {
    HANDLE mapping = nullptr;
    HANDLE lock = nullptr;
    SharedMailbox* box = nullptr;
    HANDLE running = nullptr;  // owned while this process is the running main program
    HWND sink = nullptr;
    // Set by a register or unregister call until the mailbox write that follows it is complete.
    WPARAM pendingFinish = 0;
    std::string pendingText;
    bool pendingSucceeded = false;
    std::weak_ptr<VelmActionMailbox> mailbox;
    std::weak_ptr<VelmRegServer> regServer;

    ConnectorCore() {
        // The destructor does not run for a constructor that throws: every handle made so far
        // is closed before the error leaves.
        auto fail = [this](const char* what) {
            if (mapping) CloseHandle(mapping);
            if (lock) CloseHandle(lock);
            mapping = lock = nullptr;
            throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", what);
        };
        lock = CreateMutexA(nullptr, FALSE, kLockName);
        if (!lock) fail("The connector's mailbox cannot be created");
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedMailbox),
                                     kMappingName);
        if (!mapping) fail("The connector's mailbox cannot be created");
        box = static_cast<SharedMailbox*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedMailbox)));
        if (!box) fail("The connector's mailbox cannot be opened");
    }
    ~ConnectorCore() {
        SetRunning(false);
        UnmapViewOfFile(box);
        CloseHandle(mapping);
        CloseHandle(lock);
    }

    // Holds the mailbox lock for a scope. An owner that died while holding it leaves the
    // mutex abandoned: the fields are plain values, so the next owner simply goes on.
    class Guard {
    public:
        explicit Guard(HANDLE h) : h_(h) { WaitForSingleObject(h_, INFINITE); }
        ~Guard() { ReleaseMutex(h_); }
    private:
        HANDLE h_;
    };

    bool IsRunning() {
        if (running) return true;
        HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, kRunningName);
        if (!h) return false;
        // The live main program owns the mutex; getting it means its owner has gone.
        DWORD w = WaitForSingleObject(h, 0);
        if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) ReleaseMutex(h);
        CloseHandle(h);
        return w == WAIT_TIMEOUT;
    }

    HWND MainSink() {
        if (!IsRunning()) return nullptr;
        Guard g(lock);
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(box->sinkWindow));
    }

    void Post(WPARAM what) {
        if (HWND w = MainSink()) PostMessageA(w, NotifyMessageId(), what, 0);
    }

    static LRESULT CALLBACK SinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == NotifyMessageId() && msg != 0) {
            auto* core = reinterpret_cast<ConnectorCore*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (core) core->Deliver(wp);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }

    void Deliver(WPARAM what) {
        if (what == kNotifyAction) {
            if (auto mq = mailbox.lock(); mq && mq->lastRegSvrActionNotifyEvent) mq->lastRegSvrActionNotifyEvent();
            return;
        }
        std::string text;
        bool ok;
        {
            Guard g(lock);
            text = GetText(box->finishedText);
            ok = box->finishedSucceeded != 0;
        }
        auto rs = regServer.lock();
        if (!rs) return;
        if (what == kRegisterFinished && rs->RegisterComponentFinishedEvent) rs->RegisterComponentFinishedEvent(text, ok);
        if (what == kUnregisterFinished && rs->DeRegisterComponentFinishedEvent)
            rs->DeRegisterComponentFinishedEvent(text, ok);
    }

    void SetRunning(bool on) {
        if (on && !running) {
            HANDLE h = CreateMutexA(nullptr, TRUE, kRunningName);
            if (!h) throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "The running flag cannot be set");
            if (GetLastError() == ERROR_ALREADY_EXISTS) {
                // Another instance made it: ours only if its owner has gone.
                DWORD w = WaitForSingleObject(h, 0);
                if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
                    CloseHandle(h);
                    throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "Another main program is running");
                }
            }
            running = h;
            WNDCLASSA wc = {};
            wc.lpfnWndProc = SinkProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = kSinkClass;
            RegisterClassA(&wc);  // fails harmlessly when already registered
            sink = CreateWindowExA(0, kSinkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
            if (sink) SetWindowLongPtrA(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            Guard g(lock);
            box->sinkWindow = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(sink));
            box->mainProcessId = GetCurrentProcessId();
            if (!PutText(box->folder, ModuleFolder())) box->folder[0] = 0;
        } else if (!on && running) {
            {
                Guard g(lock);
                box->sinkWindow = 0;
                box->mainProcessId = 0;
            }
            if (sink) DestroyWindow(sink);
            sink = nullptr;
            ReleaseMutex(running);
            CloseHandle(running);
            running = nullptr;
        }
    }

    void Finished(WPARAM what, const std::string& text, bool ok) {
        pendingFinish = what;
        pendingText = text;
        pendingSucceeded = ok;
    }

    // Called after the success flag was written: the mailbox now holds the whole action.
    void ReleaseFinished() {
        if (!pendingFinish) return;
        WPARAM what = pendingFinish;
        pendingFinish = 0;
        {
            Guard g(lock);
            std::string text = pendingText;
            if (text.size() >= sizeof(box->finishedText)) text.resize(sizeof(box->finishedText) - 1);
            PutText(box->finishedText, text);
            box->finishedSucceeded = pendingSucceeded ? 1 : 0;
        }
        Post(what);
    }
};

// ---- VelmActionMailbox ----

VelmActionMailbox::VelmActionMailbox(std::shared_ptr<ConnectorCore> core) : core_(std::move(core)) {}

bool VelmActionMailbox::IsMainAppRunning() const { return core_->IsRunning(); }

std::string VelmActionMailbox::ActionFilePath() const {
    ConnectorCore::Guard g(core_->lock);
    return GetText(core_->box->path);
}

void VelmActionMailbox::ActionFilePath(const std::string& path) {
    ConnectorCore::Guard g(core_->lock);
    if (path.find('\0') != std::string::npos || !PutText(core_->box->path, path))
        throw RunTimeError(kErrPathTooLong, "Velm.VelmActionMailbox",
                           "The file path is too long for the action mailbox (" + std::to_string(path.size()) +
                               " characters, at most " + std::to_string(kMailboxPathMax) + ")");
}

std::string VelmActionMailbox::ActionLetter() const {
    ConnectorCore::Guard g(core_->lock);
    return GetText(core_->box->letter);
}

void VelmActionMailbox::ActionLetter(const std::string& letter) {
    ConnectorCore::Guard g(core_->lock);
    if (!PutText(core_->box->letter, letter))
        throw RunTimeError(380, "Velm.VelmActionMailbox", "Invalid action letter");
}

void VelmActionMailbox::NotifyMainApp() { core_->Post(kNotifyAction); }

bool VelmActionMailbox::ActionSucceeded() const {
    ConnectorCore::Guard g(core_->lock);
    return core_->box->succeeded != 0;
}

void VelmActionMailbox::ActionSucceeded(bool succeeded) {
    {
        ConnectorCore::Guard g(core_->lock);
        core_->box->succeeded = succeeded ? 1 : 0;
    }
    core_->ReleaseFinished();
}

std::string VelmActionMailbox::MainAppFolder() const {
    if (core_->IsRunning()) {
        ConnectorCore::Guard g(core_->lock);
        std::string folder = GetText(core_->box->folder);
        if (!folder.empty()) return folder;
    }
    return ModuleFolder();
}

// ---- VelmRegServer ----

VelmRegServer::VelmRegServer(std::shared_ptr<ConnectorCore> core) : core_(std::move(core)) {}

void VelmRegServer::Register(const std::string& path, std::string& errText, bool& succeeded) {
    succeeded = Registration::Run(path, true, errText);
    core_->Finished(kRegisterFinished, errText, succeeded);
}

void VelmRegServer::Unregister(const std::string& path, std::string& errText, bool& succeeded) {
    succeeded = Registration::Run(path, false, errText);
    core_->Finished(kUnregisterFinished, errText, succeeded);
}

// ---- VelmSingleInstanceConnector ----

VelmSingleInstanceConnector::VelmSingleInstanceConnector() : core_(std::make_shared<ConnectorCore>()) {}

VelmSingleInstanceConnector::~VelmSingleInstanceConnector() { core_->SetRunning(false); }

std::shared_ptr<VelmActionMailbox> VelmSingleInstanceConnector::ActionMailbox() {
    auto mq = core_->mailbox.lock();
    if (!mq) {
        mq = std::make_shared<VelmActionMailbox>(core_);
        core_->mailbox = mq;
    }
    return mq;
}

std::shared_ptr<VelmRegServer> VelmSingleInstanceConnector::RegServer() {
    auto rs = core_->regServer.lock();
    if (!rs) {
        rs = std::make_shared<VelmRegServer>(core_);
        core_->regServer = rs;
    }
    return rs;
}

void VelmSingleInstanceConnector::MainAppRunning(bool running) { core_->SetRunning(running); }

// ---- Registration ----

namespace {

// The system's message without the line end and the full stop (the callers close the sentence).
std::string SystemMessage(DWORD code) { return WinText::SystemMessage(code, "\r\n ."); }

std::string Hex32(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", v);
    return buf;
}

// The machine a PE file is built for, read from its headers; 0 when the file is no PE image.
WORD PeMachine(const std::string& path) {
    const PeImage image(path);
    return image.HasFileHeader() ? image.FileHeader().Machine : 0;
}

bool EndsWithExe(const std::string& path) { return TextCase::EndsWith(path, ".EXE"); }

// The name of an exception code a component's crash ends with ("" for others).
const char* ExceptionName(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION: return "access violation";
        case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
        case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
        case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
        case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
        case EXCEPTION_BREAKPOINT: return "breakpoint";
        case 0xC0000409: return "stack buffer overrun";
        default: return "";
    }
}

// "exception 0xC0000005 (access violation)"
std::string ExceptionText(DWORD code) {
    const char* name = ExceptionName(code);
    return "exception " + Hex32(code) + (*name ? std::string(" (") + name + ")" : std::string());
}

// An exit code that is an error status of the system (0xC…): what a process ends with when an
// exception nobody handled ends it.
bool IsErrorStatus(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

std::string Seconds(unsigned long ms) {
    const unsigned long s = (ms + 999) / 1000;
    return std::to_string(s) + (s == 1 ? " second" : " seconds");
}

bool RunExeServer(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
    const char* const action = doRegister ? "/RegServer" : "/UnregServer";
    std::string cmd = "\"" + path + "\" " + action;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        DWORD e = GetLastError();
        errText = "The server could not be started (error " + std::to_string(e) + ": " + SystemMessage(e) + ").";
        return false;
    }
    CloseHandle(pi.hThread);
    // A server registers itself and ends. A program that is no COM server does not know the
    // switch and may open its window and wait for the user for ever: the wait is bounded.
    // Such a program is left running, not ended: it may be half-way through writing the
    // registry, or may by now hold what the user typed into it; the text names it instead.
    if (WaitForSingleObject(pi.hProcess, waitMs) != WAIT_OBJECT_0) {
        CloseHandle(pi.hProcess);
        errText = std::string("The server did not end within ") + Seconds(waitMs) + " of its " + action +
                  " start, so it is not known to be " + (doRegister ? "registered" : "unregistered") +
                  ". It was left running (process id " + std::to_string(pi.dwProcessId) +
                  "): a program that is no COM server may be waiting for input in a window of its own.";
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (code != 0) {
        errText = IsErrorStatus(code) ? "The server ended with " + ExceptionText(code) + "."
                                      : "The server ended with exit code " + std::to_string(code) + ".";
        return false;
    }
    return true;
}

// ---- The entry point in a process of its own ----
//
// A component's DllRegisterServer (or its DllMain) may crash. Run in this process, the crash
// would take the calling program down with it; so the entry point runs in a child process:
// this same program started again with an internal switch. The child loads the component,
// calls the entry point and writes one line on a pipe inherited from the parent:
//   "load E"      the component could not be loaded (system error E)
//   "noentry 0"   the component has no such entry point
//   "result H"    the entry point returned HRESULT H
//   "fault C M"   exception C, raised in module M, ended the child
// The child is served before main() runs, by a static object of this file, so every program
// that can register components can host the call.

const char* const kChildSwitch = "/VelmRegistrationEntryCall";

void ChildWrite(HANDLE out, const char* text) {
    DWORD written = 0;
    WriteFile(out, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

HANDLE g_childOut = nullptr;

LONG WINAPI ChildFault(EXCEPTION_POINTERS* ep) {
    char module[MAX_PATH] = "?";
    HMODULE in = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(ep->ExceptionRecord->ExceptionAddress), &in) &&
        in) {
        char full[MAX_PATH] = "";
        if (GetModuleFileNameA(in, full, MAX_PATH)) {
            const char* name = std::strrchr(full, '\\');
            std::snprintf(module, sizeof module, "%s", name ? name + 1 : full);
        }
    }
    char line[MAX_PATH + 64];
    std::snprintf(line, sizeof line, "fault %lX %s\n", static_cast<unsigned long>(ep->ExceptionRecord->ExceptionCode),
                  module);
    if (g_childOut) ChildWrite(g_childOut, line);
    g_childOut = nullptr;  // the first report is the one that counts
    return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception code
}

// Child side: "<program> /VelmRegistrationEntryCall R|U <pipe handle> <path>".
[[noreturn]] void ServeEntryCall(const char* args) {
    char letter = 0;
    unsigned long long handle = 0;
    int used = 0;
    if (std::sscanf(args, " %c %llu %n", &letter, &handle, &used) < 2 || used <= 0) ExitProcess(2);
    const std::string path = args + used;
    HANDLE out = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
    // Whatever the component starts does not get the pipe: the parent waits only for us.
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    g_childOut = out;
    // No crash dialog and no debugger: the parent reports the fault.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ChildFault);
    const bool doRegister = letter == 'R';
    char line[64];
    OleInitialize(nullptr);
    HMODULE dll = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!dll) {
        std::snprintf(line, sizeof line, "load %lX\n", static_cast<unsigned long>(GetLastError()));
    } else {
        using EntryFn = HRESULT(STDAPICALLTYPE*)();
        auto fn = reinterpret_cast<EntryFn>(
            reinterpret_cast<void*>(GetProcAddress(dll, doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
        if (!fn) {
            std::snprintf(line, sizeof line, "noentry 0\n");
        } else {
            const HRESULT hr = fn();
            std::snprintf(line, sizeof line, "result %lX\n", static_cast<unsigned long>(hr));
        }
    }
    if (g_childOut) ChildWrite(g_childOut, line);
    g_childOut = nullptr;
    FreeLibrary(dll);
    OleUninitialize();
    ExitProcess(0);
}

// Serves the child's call before main() when the program was started with the switch.
struct ChildHost {
    ChildHost() {
        const std::string tail = WinText::CommandTail();
        const std::size_t start = tail.find_first_not_of(" \t");
        if (start == std::string::npos || tail.compare(start, std::strlen(kChildSwitch), kChildSwitch) != 0) return;
        ServeEntryCall(tail.c_str() + start + std::strlen(kChildSwitch));
    }
} g_childHost;

// Parent side: runs the entry point in the child and turns its report into the result.
bool RunEntryInChild(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
    const char* entry = doRegister ? "DllRegisterServer" : "DllUnregisterServer";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 4096)) {
        DWORD e = GetLastError();
        errText = "The registration process could not be started (error " + std::to_string(e) + ": " +
                  SystemMessage(e) + ").";
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = OwnExe();
    std::string cmd = "\"" + exe + "\" " + kChildSwitch + " " + (doRegister ? "R " : "U ") +
                      std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(writeEnd))) +
                      " " + path;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const BOOL started =
        CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        errText = "The registration process could not be started (error " + std::to_string(startError) + ": " +
                  SystemMessage(startError) + ").";
        return false;
    }
    CloseHandle(pi.hThread);
    // The child's report fits the pipe's buffer: read it once the child has ended. An entry
    // point that never returns would keep the caller waiting for ever: the wait is bounded, and
    // a child still running then is ended. It runs nothing but the component's entry point, so
    // nothing of the calling program is lost with it; what the component wrote so far stays.
    if (WaitForSingleObject(pi.hProcess, waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, static_cast<UINT>(ERROR_TIMEOUT));
        const bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
        errText = std::string(entry) + " did not return within " + Seconds(waitMs) +
                  ", so the component is not known to be " + (doRegister ? "registered" : "unregistered") +
                  ". Its registration process (process id " +
                  std::to_string(pi.dwProcessId) + ") " + (ended ? "was ended." : "could not be ended.");
        CloseHandle(pi.hProcess);
        CloseHandle(readEnd);
        return false;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hProcess);
    std::string report;
    DWORD avail = 0;
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
        std::vector<char> buf(avail);
        DWORD got = 0;
        if (ReadFile(readEnd, buf.data(), avail, &got, nullptr)) report.assign(buf.data(), got);
    }
    CloseHandle(readEnd);
    report = report.substr(0, report.find('\n'));

    char kind[16] = "";
    unsigned long code = 0;
    int used = 0;
    if (std::sscanf(report.c_str(), "%15s %lx %n", kind, &code, &used) < 2) {
        // Nothing reported: the component ended the process itself, or its crash could not be caught.
        errText = std::string("The component ended the registration process before ") + entry + " returned (" +
                  (IsErrorStatus(exitCode) ? ExceptionText(exitCode) : "exit code " + std::to_string(exitCode)) +
                  ").";
        return false;
    }
    const std::string what = kind;
    if (what == "load") {
        const DWORD e = static_cast<DWORD>(code);
        errText = "The file could not be loaded (error " + std::to_string(e) + ": " + SystemMessage(e) + ").";
        return false;
    }
    if (what == "noentry") {
        errText = std::string("The file has no ") + entry + " entry point.";
        return false;
    }
    if (what == "fault") {
        const std::string module = report.substr(static_cast<std::size_t>(used));
        errText = std::string(entry) + " crashed with " + ExceptionText(code) +
                  (module.empty() || module == "?" ? std::string() : " in " + module) + ".";
        return false;
    }
    const HRESULT hr = static_cast<HRESULT>(code);
    if (FAILED(hr)) {
        std::string msg = SystemMessage(static_cast<DWORD>(hr));
        errText = std::string(entry) + " failed with " + Hex32(static_cast<unsigned long>(hr)) +
                  (msg.empty() ? std::string(".") : ": " + msg + ".");
        return false;
    }
    return true;
}

bool RunDllServer(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
#if defined(_WIN64)
    const WORD ownMachine = IMAGE_FILE_MACHINE_AMD64;
    const char* const ownBits = "64-bit";
#else
    const WORD ownMachine = IMAGE_FILE_MACHINE_I386;
    const char* const ownBits = "32-bit";
#endif
    const WORD machine = PeMachine(path);
    if (machine == 0) {
        errText = "The file is not a Windows program or library.";
        return false;
    }
    if (machine != ownMachine) {
        const char* fileBits = machine == IMAGE_FILE_MACHINE_I386    ? "32-bit"
                               : machine == IMAGE_FILE_MACHINE_AMD64 ? "64-bit"
                                                                     : "foreign";
        errText = std::string("The file is a ") + fileBits + " component; the " + ownBits +
                  " VelmRegSvr cannot load it. Use the VelmRegSvr of the component's bitness.";
        return false;
    }
    return RunEntryInChild(path, doRegister, errText, waitMs);
}

}  // namespace

bool Registration::Run(const std::string& path, bool doRegister, std::string& errText, unsigned long exeWaitMs,
                       unsigned long dllWaitMs) {
    errText.clear();
    DWORD attr = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        errText = "The file does not exist.";
        return false;
    }
    return EndsWithExe(path) ? RunExeServer(path, doRegister, errText, exeWaitMs)
                             : RunDllServer(path, doRegister, errText, dllWaitMs);
}

}  // namespace Velm
