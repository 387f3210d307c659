// The single-instance connector between Velmora and VelmRegSvr.
//
// One mailbox is shared by every process of the session: a named file mapping guarded by a
// named mutex holds the pending action letter ("R", "U", "V" or ""), the file path, the
// success flag and the main program's folder. "Main program running" is a named mutex that
// the live Velmora process owns, so it reads false as soon as that process ends, however
// it ends. Notifications are a registered window message posted to a hidden sink window
// that the main program's connector creates on the thread that sets MainAppRunning: the
// events below are called on that thread from its message loop, like any window event.
//
// Registering and unregistering are asked for by the calling process through VelmRegServer,
// which runs platform/Registration.h's runner in that process. A finished event is
// posted to the main program only once the caller has completed the mailbox write that
// follows the call (the success flag is its last step), so the main program always finds the
// action in the mailbox when the event arrives.
//
// Use from the main program:
//   auto connector = std::make_shared<Velm::VelmSingleInstanceConnector>();
//   connector->MainAppRunning(true);                 // on the GUI thread
//   auto mq = connector->ActionMailbox();
//   mq->lastRegSvrActionNotifyEvent = [] { ... };     // runs on the GUI thread
//   auto rs = connector->RegServer();
//   rs->RegisterComponentFinishedEvent = [](const std::string&, bool) { ... };
#pragma once
#include <functional>
#include <memory>
#include <string>

namespace Velm {

struct ConnectorCore;

// Longest file path the mailbox holds; a longer one is refused, never cut.
constexpr std::size_t kMailboxPathMax = 1023;
// Run-time error number raised for a path the mailbox cannot hold.
constexpr long kErrPathTooLong = 380;

class VelmActionMailbox {
public:
    explicit VelmActionMailbox(std::shared_ptr<ConnectorCore> core);

    // True while a main program instance runs.
    bool IsMainAppRunning() const;
    std::string ActionFilePath() const;
    // Throws RunTimeError kErrPathTooLong, leaving the mailbox as it was, when the path is
    // longer than kMailboxPathMax.
    void ActionFilePath(const std::string& path);
    std::string ActionLetter() const;
    void ActionLetter(const std::string& letter);
    // Makes the running main program take the pending action now (lastRegSvrActionNotifyEvent).
    void NotifyMainApp();
    bool ActionSucceeded() const;
    // The last of the mailbox writes after a register or unregister: it releases that
    // call's finished event to the main program.
    void ActionSucceeded(bool succeeded);
    // Folder of the main program's executable, without a trailing backslash: the running main
    // program's own, else the folder of this program (the programs are installed together).
    std::string MainAppFolder() const;

    // Raised in the main program when a registration server calls NotifyMainApp.
    std::function<void()> lastRegSvrActionNotifyEvent;

private:
    std::shared_ptr<ConnectorCore> core_;
};

class VelmRegServer {
public:
    explicit VelmRegServer(std::shared_ptr<ConnectorCore> core);

    // Registers or unregisters the file; returns when the work is done. errText is "" on
    // success, else says what failed.
    void Register(const std::string& path, std::string& errText, bool& succeeded);
    void Unregister(const std::string& path, std::string& errText, bool& succeeded);

    // Raised in the main program after a registration server's register or unregister and
    // its mailbox write: the error text of that call and its success flag.
    std::function<void(const std::string& errText, bool succeeded)> RegisterComponentFinishedEvent;
    std::function<void(const std::string& errText, bool succeeded)> DeRegisterComponentFinishedEvent;

private:
    std::shared_ptr<ConnectorCore> core_;
};

class VelmSingleInstanceConnector {
public:
    VelmSingleInstanceConnector();
    ~VelmSingleInstanceConnector();
    VelmSingleInstanceConnector(const VelmSingleInstanceConnector&) = delete;
    VelmSingleInstanceConnector& operator=(const VelmSingleInstanceConnector&) = delete;

    // The connector's one mailbox and registration object. While the caller keeps them, the
    // same objects come back and receive the events; once dropped, a fresh one is made.
    std::shared_ptr<VelmActionMailbox> ActionMailbox();
    std::shared_ptr<VelmRegServer> RegServer();

    // True: this process is the running main program (creates the sink window on the calling
    // thread and records this program's folder). False: gives that up again.
    void MainAppRunning(bool running);

private:
    std::shared_ptr<ConnectorCore> core_;
};

}  // namespace Velm
