#include "app/clsDroskGlobal.h"

#include "app/RunGuard.h"
#include "base/QV_Err.h"

namespace {
std::unique_ptr<clsDroskGlobal> g_drosk;
}

clsDroskGlobal& DroskGlobal() {
    if (!g_drosk) g_drosk = std::make_unique<clsDroskGlobal>();
    return *g_drosk;
}

bool clsDroskGlobal::blnProcessing() const {
    return RunGuard::Active() && RunGuard::Current() == RunGuard::Kind::Scan;
}

bool DroskGlobalExists() { return g_drosk != nullptr; }

std::function<void()>& clsDroskGlobal::RegComp_checkVelm() {
    static std::function<void()> handler;
    return handler;
}

std::function<bool()>& clsDroskGlobal::MainFormLoaded() {
    static std::function<bool()> loaded;
    return loaded;
}

clsDroskGlobal::clsDroskGlobal() {
    blnOptionShowInTaskbar = true;
    mvarobjConnector = std::make_shared<Velm::VelmSingleInstanceConnector>();
    mvarobjConnector->MainAppRunning(true);
    mvarobjRegServer = mvarobjConnector->RegServer();
    if (mvarobjRegServer) {
        // The events reach this object only while it lives, which is until the program ends.
        mvarobjRegServer->DeRegisterComponentFinishedEvent = [this](const std::string& t, bool v) {
            mvarobjRegServer_DeRegisterComponentFinishedEvent(t, v);
        };
        mvarobjRegServer->RegisterComponentFinishedEvent = [this](const std::string& t, bool v) {
            mvarobjRegServer_RegisterComponentFinishedEvent(t, v);
        };
    }
    AttachMailbox(mvarobjConnector->ActionMailbox());
}

void clsDroskGlobal::AttachMailbox(std::shared_ptr<Velm::VelmActionMailbox> mailbox) {
    mvarobjVelmora_mq = std::move(mailbox);
    if (mvarobjVelmora_mq)
        mvarobjVelmora_mq->lastRegSvrActionNotifyEvent = [this] { mvarobjVelmora_mq_lastRegSvrActionNotifyEvent(); };
}

std::shared_ptr<Velm::VelmActionMailbox> clsDroskGlobal::objVelmora_mq() {
    if (!mvarobjVelmora_mq) AttachMailbox(mvarobjConnector->ActionMailbox());
    return mvarobjVelmora_mq;
}

void clsDroskGlobal::mvarobjVelmora_mq_lastRegSvrActionNotifyEvent() {
    // The hand-over check loads the main window when it is not loaded.
    if (RegComp_checkVelm()) RegComp_checkVelm()();
}

void clsDroskGlobal::mvarobjRegServer_DeRegisterComponentFinishedEvent(const std::string&, bool) {
    if (MainFormLoaded() && MainFormLoaded()() && RegComp_checkVelm()) RegComp_checkVelm()();
}

void clsDroskGlobal::mvarobjRegServer_RegisterComponentFinishedEvent(const std::string&, bool) {
    if (MainFormLoaded() && MainFormLoaded()() && RegComp_checkVelm()) RegComp_checkVelm()();
}

void DroskGlobalDiscard() { g_drosk.reset(); }
