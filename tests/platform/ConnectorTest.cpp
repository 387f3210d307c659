// The single-instance connector against real processes: the stand-in main program holds the
// running state and records what the mailbox and the notifications deliver; registration runs
// the fixture COM server's own entry points against the prefix's registry.
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

TEST(Registration, FailuresComeBackAsText) {
    struct Case {
        std::string path;
        bool doRegister;
        std::string text;
    };
    const std::vector<Case> cases = {
        {VELM_FIXTURE_COMSERVER_FAIL_DLL, true, "DllRegisterServer failed with 0x80004005"},
        {VELM_FIXTURE_NOENTRY_DLL, true, "The file has no DllRegisterServer entry point."},
        {VELM_FIXTURE_NOENTRY_DLL, false, "The file has no DllUnregisterServer entry point."},
        {VELM_FIXTURE_OTHER_BITNESS_DLL, true,
         sizeof(void*) == 8 ? "The file is a 32-bit component; the 64-bit VelmRegSvr cannot load it."
                            : "The file is a 64-bit component; the 32-bit VelmRegSvr cannot load it."},
        {VELM_FIXTURE_COMSERVER_TLB, true, "The file is not a Windows program or library."},
        // The component's crash ends the child process that runs its entry point, not this one.
        {VELM_FIXTURE_CRASH_DLL, true,
         "DllRegisterServer crashed with exception 0xC0000005 (access violation) in comserver_crash.dll."},
        {VELM_FIXTURE_CRASH_DLL, false,
         "DllUnregisterServer crashed with exception 0xC0000005 (access violation) in comserver_crash.dll."},
        {std::string(VELM_FIXTURE_COMSERVER_DIR) + "\\missing.dll", true, "The file does not exist."},
        {"", false, "The file does not exist."},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_FALSE(Velm::Registration::Run(c.path, c.doRegister, err)) << c.path;
        EXPECT_EQ(err.rfind(c.text, 0), 0u) << c.path << ": " << err;
    }
    // An EXE server registers through its own switches and reports through its exit code.
    {
        std::string err;
        EXPECT_TRUE(Velm::Registration::Run(VELM_FIXTURE_EXESERVER_EXE, true, err)) << err;
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" VELM_FIXTURE_CLSID_EXESERVER));
        EXPECT_TRUE(Velm::Registration::Run(VELM_FIXTURE_EXESERVER_EXE, false, err)) << err;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" VELM_FIXTURE_CLSID_EXESERVER));
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

TEST(Registration, AProgramThatIsNoServerIsReportedAfterABoundedWait) {
    for (bool doRegister : {true, false}) {
        std::string err;
        EXPECT_FALSE(Velm::Registration::Run(VELM_FIXTURE_NOSERVER_EXE, doRegister, err, 1000));
        const std::string head = std::string("The server did not end within 1 second of its ") +
                                 (doRegister ? "/RegServer start, so it is not known to be registered."
                                             : "/UnregServer start, so it is not known to be unregistered.") +
                                 " It was left running (process id ";
        ASSERT_EQ(err.rfind(head, 0), 0u) << err;
        // The program named is the one that was started, still running: the test ends it.
        const DWORD pid = std::stoul(err.substr(head.size()));
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_TRUE(h != nullptr) << pid;
        char image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        EXPECT_TRUE(QueryFullProcessImageNameA(h, 0, image, &size));
        EXPECT_TRUE(std::string(image).ends_with("\\noserver.exe")) << image;
        EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 10000);
        CloseHandle(h);
    }
}

TEST(Registration, AnEntryPointThatNeverReturnsIsEndedAfterABoundedWait) {
    for (bool doRegister : {true, false}) {
        std::string err;
        EXPECT_FALSE(Velm::Registration::Run(VELM_FIXTURE_HANG_DLL, doRegister, err,
                                             Velm::Registration::kExeServerWaitMs, 1000));
        const std::string head = std::string(doRegister ? "DllRegisterServer" : "DllUnregisterServer") +
                                 " did not return within 1 second, so the component is not known to be " +
                                 (doRegister ? "registered" : "unregistered") +
                                 ". Its registration process (process id ";
        ASSERT_EQ(err.rfind(head, 0), 0u) << err;
        EXPECT_TRUE(err.ends_with(") was ended.")) << err;
        // The child named has really gone.
        const DWORD pid = std::stoul(err.substr(head.size()));
        HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (h) {
            EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << pid;
            CloseHandle(h);
        }
    }
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
