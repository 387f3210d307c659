// The single-instance connector: shared mailbox, running flag and sink window, and the
// registration object that hands the runner's results to the main program.
#include "platform/VelmConnector.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/Handle.h"
#include "base/QV_Err.h"
#include "base/WinText.h"
#include "platform/Registration.h"

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
    const std::string path = WinText::ProgramPath();
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

UINT NotifyMessageId() {
    static const UINT id = RegisterWindowMessageA(kNotifyMessage);
    return id;
}

}  // namespace

struct ConnectorCore {
    Handle mapping;
    Handle lock;
    SharedMailbox* box = nullptr;
    Handle running;  // owned while this process is the running main program
    HWND sink = nullptr;
    // Set by a register or unregister call until the mailbox write that follows it is complete.
    WPARAM pendingFinish = 0;
    std::string pendingText;
    bool pendingSucceeded = false;
    std::weak_ptr<VelmActionMailbox> mailbox;
    std::weak_ptr<VelmRegServer> regServer;

    ConnectorCore() {
        // The destructor does not run for a constructor that throws: the members made so far
        // close their handles as the error leaves.
        auto fail = [](const char* what) { throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", what); };
        lock.reset(CreateMutexA(nullptr, FALSE, kLockName));
        if (!lock) fail("The connector's mailbox cannot be created");
        mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedMailbox),
                                         kMappingName));
        if (!mapping) fail("The connector's mailbox cannot be created");
        box = static_cast<SharedMailbox*>(
            MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedMailbox)));
        if (!box) fail("The connector's mailbox cannot be opened");
    }
    ~ConnectorCore() {
        SetRunning(false);
        UnmapViewOfFile(box);
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
        const Handle h(OpenMutexA(SYNCHRONIZE, FALSE, kRunningName));
        if (!h) return false;
        // The live main program owns the mutex; getting it means its owner has gone.
        DWORD w = WaitForSingleObject(h.get(), 0);
        if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) ReleaseMutex(h.get());
        return w == WAIT_TIMEOUT;
    }

    HWND MainSink() {
        if (!IsRunning()) return nullptr;
        Guard g(lock.get());
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
            Guard g(lock.get());
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
            Handle h(CreateMutexA(nullptr, TRUE, kRunningName));
            if (!h) throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "The running flag cannot be set");
            if (GetLastError() == ERROR_ALREADY_EXISTS) {
                // Another instance made it: ours only if its owner has gone.
                DWORD w = WaitForSingleObject(h.get(), 0);
                if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED)
                    throw RunTimeError(429, "Velm.VelmSingleInstanceConnector", "Another main program is running");
            }
            running = std::move(h);
            WNDCLASSA wc = {};
            wc.lpfnWndProc = SinkProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = kSinkClass;
            RegisterClassA(&wc);  // fails harmlessly when already registered
            sink = CreateWindowExA(0, kSinkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
            if (sink) SetWindowLongPtrA(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            Guard g(lock.get());
            box->sinkWindow = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(sink));
            box->mainProcessId = GetCurrentProcessId();
            if (!PutText(box->folder, ModuleFolder())) box->folder[0] = 0;
        } else if (!on && running) {
            {
                Guard g(lock.get());
                box->sinkWindow = 0;
                box->mainProcessId = 0;
            }
            if (sink) DestroyWindow(sink);
            sink = nullptr;
            ReleaseMutex(running.get());
            running.reset();
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
            Guard g(lock.get());
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
    ConnectorCore::Guard g(core_->lock.get());
    return GetText(core_->box->path);
}

void VelmActionMailbox::ActionFilePath(const std::string& path) {
    ConnectorCore::Guard g(core_->lock.get());
    if (path.find('\0') != std::string::npos || !PutText(core_->box->path, path))
        throw RunTimeError(kErrPathTooLong, "Velm.VelmActionMailbox",
                           "The file path is too long for the action mailbox (" + std::to_string(path.size()) +
                               " characters, at most " + std::to_string(kMailboxPathMax) + ")");
}

std::string VelmActionMailbox::ActionLetter() const {
    ConnectorCore::Guard g(core_->lock.get());
    return GetText(core_->box->letter);
}

void VelmActionMailbox::ActionLetter(const std::string& letter) {
    ConnectorCore::Guard g(core_->lock.get());
    if (!PutText(core_->box->letter, letter))
        throw RunTimeError(380, "Velm.VelmActionMailbox", "Invalid action letter");
}

void VelmActionMailbox::NotifyMainApp() { core_->Post(kNotifyAction); }

bool VelmActionMailbox::ActionSucceeded() const {
    ConnectorCore::Guard g(core_->lock.get());
    return core_->box->succeeded != 0;
}

void VelmActionMailbox::ActionSucceeded(bool succeeded) {
    {
        ConnectorCore::Guard g(core_->lock.get());
        core_->box->succeeded = succeeded ? 1 : 0;
    }
    core_->ReleaseFinished();
}

std::string VelmActionMailbox::MainAppFolder() const {
    if (core_->IsRunning()) {
        ConnectorCore::Guard g(core_->lock.get());
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


}  // namespace Velm
