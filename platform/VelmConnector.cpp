// The single-instance connector: shared mailbox, running flag, sink window and the
// registration of component files in the calling process.
#include "platform/VelmConnector.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

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

std::string ModuleFolder() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "";
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            std::size_t slash = path.find_last_of('\\');
            return slash == std::string::npos ? "" : path.substr(0, slash);
        }
        buf.resize(buf.size() * 2);
    }
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
        lock = CreateMutexA(nullptr, FALSE, kLockName);
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedMailbox),
                                     kMappingName);
        if (!lock || !mapping)
            throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "The connector's mailbox cannot be created");
        box = static_cast<SharedMailbox*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedMailbox)));
        if (!box) {
            CloseHandle(mapping);
            CloseHandle(lock);
            throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "The connector's mailbox cannot be opened");
        }
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
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    WORD machine = 0;
    IMAGE_DOS_HEADER dos{};
    DWORD got = 0;
    if (ReadFile(f, &dos, sizeof dos, &got, nullptr) && got == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        dos.e_lfanew > 0 && SetFilePointer(f, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        struct {
            DWORD signature;
            IMAGE_FILE_HEADER file;
        } nt{};
        if (ReadFile(f, &nt, sizeof nt, &got, nullptr) && got == sizeof nt && nt.signature == IMAGE_NT_SIGNATURE)
            machine = nt.file.Machine;
    }
    CloseHandle(f);
    return machine;
}

bool EndsWithExe(const std::string& path) { return TextCase::EndsWith(path, ".EXE"); }

bool RunExeServer(const std::string& path, bool doRegister, std::string& errText) {
    std::string cmd = "\"" + path + "\" " + (doRegister ? "/RegServer" : "/UnregServer");
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
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (code != 0) {
        errText = "The server ended with exit code " + std::to_string(code) + ".";
        return false;
    }
    return true;
}

bool RunDllServer(const std::string& path, bool doRegister, std::string& errText) {
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
    const char* entry = doRegister ? "DllRegisterServer" : "DllUnregisterServer";
    HRESULT ole = OleInitialize(nullptr);
    bool ok = false;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE dll = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(oldMode);
    if (!dll) {
        DWORD e = GetLastError();
        errText = "The file could not be loaded (error " + std::to_string(e) + ": " + SystemMessage(e) + ").";
    } else {
        using EntryFn = HRESULT(STDAPICALLTYPE*)();
        auto fn = reinterpret_cast<EntryFn>(reinterpret_cast<void*>(GetProcAddress(dll, entry)));
        if (!fn) {
            errText = std::string("The file has no ") + entry + " entry point.";
        } else {
            HRESULT hr = fn();
            if (FAILED(hr)) {
                std::string msg = SystemMessage(static_cast<DWORD>(hr));
                errText = std::string(entry) + " failed with " + Hex32(static_cast<unsigned long>(hr)) +
                          (msg.empty() ? std::string(".") : ": " + msg + ".");
            } else {
                ok = true;
            }
        }
        FreeLibrary(dll);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return ok;
}

}  // namespace

bool Registration::Run(const std::string& path, bool doRegister, std::string& errText) {
    errText.clear();
    DWORD attr = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) {
        errText = "The file does not exist.";
        return false;
    }
    return EndsWithExe(path) ? RunExeServer(path, doRegister, errText) : RunDllServer(path, doRegister, errText);
}

}  // namespace Velm
