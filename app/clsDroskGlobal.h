// The one application-wide state object of the main program: the mirror of the stored
// settings, the run-time flags through which long runs are cancelled and the main window
// refuses to close, the dialog parameters, and the link to the single-instance connector.
#pragma once
#include <functional>
#include <memory>

#include "platform/VelmConnector.h"
#include "base/Variant.h"

class clsDroskGlobal {
public:
    clsDroskGlobal();  // the initialiser: creates the connector and keeps its two objects

    // The connector's action mailbox; fetched again from the connector when the reference was lost.
    std::shared_ptr<Velm::VelmActionMailbox> objVelmora_mq();
    // Drops the held mailbox reference (the next objVelmora_mq fetches it again).
    void DropMailbox() { mvarobjVelmora_mq.reset(); }

    Variant LastTab;
    long lngRunningTasks = 0;
    bool blnExit = false;
    bool DebugMode = false;
    Variant vntMyUninstString;
    // A scan fills a tab: the main window refuses to close meanwhile. The run guard is the
    // truth (app/RunGuard.h); this only reports it, so nothing can clear it while a scan runs.
    bool blnProcessing() const;
    long lngSplitterSDLeft = 0;
    long lngSplitterRegCompLeft = 0;
    bool blnSDDetailed = false;
    bool blnCMHGeneralEntries = false;
    Variant vntSDSelectedBy;
    Variant vntCMHSelectedBy;
    bool blnRegCompDetailed = false;
    Variant vntRegCompSelectedBy;
    bool blnCancelUpdate = false;
    bool blnIsFirsttime = false;
    bool blnOptionAutoUpdate = false;
    long lngScreenHeight = 0;
    long lngWindowLeft = 0;
    long lngWindowTop = 0;
    long lngScreenWidth = 0;
    long lngWindowState = 0;
    long lngWindowWidth = 0;
    long lngWindowHeight = 0;
    bool blnOptionLaunchMinimized = false;
    Variant blnOptionAutostart;
    bool blnOptionShowInTaskbar = true;
    Variant Custom3;
    Variant Custom2;
    Variant Custom;
    // A request to stop the running scan or search: the busy box's Cancel and a shutdown set
    // it, the worker polls it, the run's closing steps put it back. It says nothing about
    // whether a run is under way (RunGuard::Active does).
    bool blnCancel = false;

    // Where the connector's events lead: the main window's hand-over check, and whether the
    // main window is loaded. The program sets both at start; until then the events do nothing.
    static std::function<void()>& RegComp_checkVelm();
    static std::function<bool()>& MainFormLoaded();

    void mvarobjVelmora_mq_lastRegSvrActionNotifyEvent();
    void mvarobjRegServer_DeRegisterComponentFinishedEvent(const std::string& text, bool value);
    void mvarobjRegServer_RegisterComponentFinishedEvent(const std::string& text, bool value);

private:
    void AttachMailbox(std::shared_ptr<Velm::VelmActionMailbox> mailbox);

    std::shared_ptr<Velm::VelmSingleInstanceConnector> mvarobjConnector;
    std::shared_ptr<Velm::VelmRegServer> mvarobjRegServer;
    std::shared_ptr<Velm::VelmActionMailbox> mvarobjVelmora_mq;
};

// The global state object, created on first use and kept until the program ends. When its
// creation fails (no connector), the error goes to the caller and the next use tries again.
clsDroskGlobal& DroskGlobal();
// True once the object exists (tests and shutdown look without creating it).
bool DroskGlobalExists();
// Drops the object so that the next use creates a fresh one (test programs only).
void DroskGlobalDiscard();
