// The single-instance connector against real processes: the stand-in main program holds the
// running state and records what the mailbox and the notifications deliver; the registration
// object runs the fixture COM server's own entry points against the prefix's registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "StandIn.h"
#include "VelmComServerFixture.h"
#include "base/QV_Err.h"
#include "platform/VelmConnector.h"
#include "tests/support/RegFixture.h"

namespace {

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string OwnFolder() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return FolderOf(std::string(buf, n));
}

const char* const kFixtureKeys[] = {
    "CLSID\\" VELM_FIXTURE_CLSID_WIDGET, "CLSID\\" VELM_FIXTURE_CLSID_GADGET, "CLSID\\" VELM_FIXTURE_CLSID_GIZMO,
    VELM_FIXTURE_PROGID_WIDGET,          "TypeLib\\" VELM_FIXTURE_LIBID,      "Interface\\" VELM_FIXTURE_IID,
};

}  // namespace

TEST(Connector, RunningFollowsTheLiveMainProgram) {
    Velm::VelmSingleInstanceConnector connector;
    auto mq = connector.ActionMailbox();
    EXPECT_FALSE(mq->IsMainAppRunning());
    EXPECT_EQ(mq->MainAppFolder(), OwnFolder());
    {
        StandIn main;
        EXPECT_TRUE(mq->IsMainAppRunning());
        EXPECT_EQ(mq->MainAppFolder(), FolderOf(StandIn::DefaultExe()));
        main.Quit();
        EXPECT_FALSE(mq->IsMainAppRunning());
    }
    {
        StandIn main;
        EXPECT_TRUE(mq->IsMainAppRunning());
        main.Kill();  // no chance to give anything up: the flag still falls
        EXPECT_FALSE(mq->IsMainAppRunning());
    }
}

TEST(Connector, MailboxIsSharedAndRefusesPathsItCannotHold) {
    Velm::VelmSingleInstanceConnector a, b;
    auto ma = a.ActionMailbox();
    auto mb = b.ActionMailbox();
    EXPECT_EQ(ma, a.ActionMailbox());  // one mailbox object per connector while it is held
    ma->ActionLetter("R");
    ma->ActionFilePath("C:\\some where\\x.dll");
    ma->ActionSucceeded(true);
    EXPECT_EQ(mb->ActionLetter(), "R");
    EXPECT_EQ(mb->ActionFilePath(), "C:\\some where\\x.dll");
    EXPECT_TRUE(mb->ActionSucceeded());

    const std::string longest = "C:\\" + std::string(Velm::kMailboxPathMax - 3, 'a');
    mb->ActionFilePath(longest);
    EXPECT_EQ(ma->ActionFilePath(), longest);
    try {
        mb->ActionFilePath(longest + "b");
        ADD_FAILURE() << "a path longer than the mailbox was taken";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, Velm::kErrPathTooLong);
    }
    EXPECT_EQ(ma->ActionFilePath(), longest);  // refused, not cut
    ma->ActionLetter("");
    ma->ActionFilePath("");
    ma->ActionSucceeded(false);
}

TEST(Connector, MainProgramGetsOneEventAfterTheMailboxHoldsTheAction) {
    StandIn main;
    Velm::VelmSingleInstanceConnector connector;
    auto rs = connector.RegServer();
    auto mq = connector.ActionMailbox();
    const std::string dll = VELM_FIXTURE_COMSERVER_DLL;

    std::string err = "x";
    bool ok = false;
    rs->Register(dll, err, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(err, "");
    for (const char* key : kFixtureKeys) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    ASSERT_TRUE(mq->IsMainAppRunning());
    mq->ActionLetter("R");
    mq->ActionFilePath(dll);
    mq->ActionSucceeded(ok);
    EXPECT_TRUE(main.WaitFor("registered|R|" + dll + "|1||1"));

    rs->Unregister(dll, err, ok);
    EXPECT_TRUE(ok);
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    mq->ActionLetter("U");
    mq->ActionFilePath(dll);
    mq->ActionSucceeded(ok);
    EXPECT_TRUE(main.WaitFor("unregistered|U|" + dll + "|1||1"));

    mq->ActionLetter("V");
    mq->ActionFilePath(dll);
    mq->ActionSucceeded(false);
    mq->NotifyMainApp();
    EXPECT_TRUE(main.WaitFor("notify|V|" + dll + "|0"));

    main.Sync();
    EXPECT_EQ(main.Events(), (std::vector<std::string>{"registered|R|" + dll + "|1||1",
                                                        "unregistered|U|" + dll + "|1||1", "notify|V|" + dll + "|0"}));
    mq->ActionLetter("");
    mq->ActionFilePath("");
}

TEST(Connector, NotificationsNeedARunningMainProgram) {
    Velm::VelmSingleInstanceConnector connector;
    auto mq = connector.ActionMailbox();
    ASSERT_FALSE(mq->IsMainAppRunning());
    mq->NotifyMainApp();  // nobody to tell: nothing happens
    std::string err;
    bool ok = true;
    connector.RegServer()->Register(VELM_FIXTURE_COMSERVER_FAIL_DLL, err, ok);
    EXPECT_FALSE(ok);
    mq->ActionSucceeded(ok);
    // A main program that starts afterwards receives nothing of it.
    StandIn main;
    main.Sync();
    EXPECT_TRUE(main.Events().empty());
}

TEST(Connector, AMailboxThatCannotBeMadeLeavesNoLockBehind) {
    // Another kind of object holds the mailbox's name: the mapping cannot be made.
    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, "Local\\VelmoraConnector.Mailbox");
    ASSERT_TRUE(squatter != nullptr);
    try {
        Velm::VelmSingleInstanceConnector connector;
        ADD_FAILURE() << "a connector was made without its mailbox";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 429);
    }
    // No connector of this process holds the lock now: the failed one closed it.
    HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, "Local\\VelmoraConnector.Lock");
    EXPECT_EQ(lock, nullptr);
    if (lock) CloseHandle(lock);
    CloseHandle(squatter);
    Velm::VelmSingleInstanceConnector connector;  // and once the name is free, it works
    EXPECT_FALSE(connector.ActionMailbox()->IsMainAppRunning());
}
