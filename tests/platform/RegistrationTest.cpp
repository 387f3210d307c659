// The registration runner against real components: the fixture COM servers' own entry points
// run in a child process of this test program (its main serves the child first) and write the
// prefix's registry; failures, crashes and hangs come back as text.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "VelmComServerFixture.h"
#include "platform/Registration.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace {

const char* const kFixtureKeys[] = {
    "CLSID\\" VELM_FIXTURE_CLSID_WIDGET, "CLSID\\" VELM_FIXTURE_CLSID_GADGET, "CLSID\\" VELM_FIXTURE_CLSID_GIZMO,
    VELM_FIXTURE_PROGID_WIDGET,          "TypeLib\\" VELM_FIXTURE_LIBID,      "Interface\\" VELM_FIXTURE_IID,
};

}  // namespace

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
        ExpectNamesAnEndedProcess(err, head);
    }
}

// A type library read in the child reads as the loader reads it in this process: the classes
// in the library's order, and the failures of a file without a type library.
TEST(TypeLibRead, TheChildReadsWhatTheLoaderReads) {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    const std::string dir = std::string(sys) + "\\";
    for (const std::string& file : {dir + "stdole2.tlb", dir + "scrrun.dll", dir + "stdole32.tlb",
                                    std::string(VELM_FIXTURE_COMSERVER_DLL), std::string(VELM_FIXTURE_COMSERVER_TLB),
                                    dir + "kernel32.dll", dir + "no_such_file.tlb", std::string()}) {
        SCOPED_TRACE(file);
        const QV_Typelib::CoClassList here = QV_Typelib::ReadCoClasses(file);
        const QV_Typelib::CoClassList child = Velm::Registration::ReadTypeLib(file);
        EXPECT_EQ(child.loaded, here.loaded);
        EXPECT_EQ(child.loadResult, here.loadResult);
        EXPECT_EQ(child.loadFailureText, here.loadFailureText);
        EXPECT_EQ(child.clsids, here.clsids);
        EXPECT_EQ(child.failureText, here.failureText);
    }
    EXPECT_FALSE(Velm::Registration::ReadTypeLib(dir + "stdole2.tlb").clsids.empty());
}

// A loader that has not returned within the wait is ended, and that is the answer: here a
// good library given a wait too short for any child to read it.
TEST(TypeLibRead, AChildPastItsWaitIsEndedAndSaysSo) {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    const QV_Typelib::CoClassList lib = Velm::Registration::ReadTypeLib(std::string(sys) + "\\stdole2.tlb", 1);
    EXPECT_FALSE(lib.loaded);
    EXPECT_TRUE(lib.clsids.empty());
    const std::string head =
        "The type library could not be read: the system's loader did not return within 1 second, and its reading "
        "process (process id ";
    ExpectNamesAnEndedProcess(lib.loadFailureText, head);
}
