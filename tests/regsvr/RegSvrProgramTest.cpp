// VelmRegSvr.exe run as a user runs it: its boxes and its result window are found on the
// virtual display, read and answered; the fixture COM server really registers itself in the
// prefix's registry; the stand-in main program records what reaches it through the connector.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "LoaderDamage.h"
#include "StandIn.h"
#include "VelmComServerFixture.h"
#include "platform/Registration.h"
#include "platform/VelmConnector.h"
#include "regsvr/Master.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace {

const std::string kSys = "C:\\windows\\system32\\";
const std::string kDll = VELM_FIXTURE_COMSERVER_DLL;

struct Win {
    std::string cls, text;
    bool visible, enabled;
    HWND hwnd;
};

class Program {
public:
    Program(const std::string& exe, const std::string& tail) {
        ok_ = StartProcess("\"" + exe + "\" " + tail, pi_, exe.c_str());
    }
    explicit Program(const std::string& tail) : Program(VELM_REGSVR_EXE, tail) {}
    ~Program() {
        if (!ok_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool Started() const { return ok_; }
    // Waits (bounded, 60 s unless said) for the program's top-level window of that class and
    // title ("" = any).
    HWND WaitWindow(const char* cls, const std::string& title, int waitMs = 60000) const {
        for (int i = 0; i < waitMs / 50; ++i) {
            Search s{pi_.dwProcessId, cls, title, nullptr};
            EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
            if (s.found) return s.found;
            if (Ended()) return nullptr;
            Sleep(50);
        }
        return nullptr;
    }
    bool Ended() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }
    // Waits (bounded) until the process has ended.
    bool WaitEnd() const { return WaitForSingleObject(pi_.hProcess, 60000) == WAIT_OBJECT_0; }

private:
    struct Search {
        DWORD pid;
        const char* cls;
        std::string title;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND w, LPARAM lp) {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[64] = {}, title[256] = {};
        GetClassNameA(w, cls, sizeof cls);
        GetWindowTextA(w, title, sizeof title);
        if (pid == s->pid && IsWindowVisible(w) && (!s->cls || std::string(cls) == s->cls) &&
            (s->title.empty() || s->title == title)) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }
    PROCESS_INFORMATION pi_{};
    bool ok_ = false;
};

std::string TextOf(HWND w) {
    char buf[4096] = {};
    SendMessageA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

BOOL CALLBACK Collect(HWND w, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    reinterpret_cast<std::vector<Win>*>(lp)->push_back(
        {cls, TextOf(w), IsWindowVisible(w) != FALSE, IsWindowEnabled(w) != FALSE, w});
    return TRUE;
}

std::vector<Win> Children(HWND parent) {
    std::vector<Win> out;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

const Win* Find(const std::vector<Win>& ws, const std::string& text) {
    for (const Win& w : ws)
        if (w.text == text) return &w;
    return nullptr;
}

struct Box {
    std::string title, text;
};

// Reads the program's message box, presses its OK button and waits for the program to end.
Box AnswerBox(Program& p) {
    Box box;
    HWND dlg = p.WaitWindow("#32770", "");
    if (!dlg) return box;
    box.title = TextOf(dlg);
    for (const Win& w : Children(dlg))
        if (w.cls == "Static" && !w.text.empty()) box.text = w.text;
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(p.WaitEnd());
    return box;
}

struct Result {
    std::string header, path, message;
    bool viewVisible = false, viewEnabled = false, lblViewVisible = false;
};

// Reads the result window and closes it with its OK button.
Result AnswerResult(Program& p) {
    Result r;
    HWND form = p.WaitWindow(nullptr, "VelmRegSvr 1.8");
    EXPECT_TRUE(form != nullptr);
    if (!form) return r;
    const std::vector<Win> ws = Children(form);
    for (const char* h : {"Component registered successfully.", "Component registered NOT successfully!",
                          "Component unregistered successfully.", "Component unregistered NOT successfully!"})
        if (const Win* w = Find(ws, h); w && w->visible) r.header = h;
    std::vector<std::string> edits;
    for (const Win& w : ws)
        if (w.cls == "Edit") edits.push_back(w.text);
    if (edits.size() == 2) {
        r.path = edits[0];
        r.message = edits[1];
    }
    if (const Win* v = Find(ws, "&View in Velmora")) {
        r.viewVisible = v->visible;
        r.viewEnabled = v->enabled;
    }
    if (const Win* l = Find(ws, "(Switch to Velmora to view Component details)")) r.lblViewVisible = l->visible;
    if (const Win* ok = Find(ws, "&OK")) PostMessageA(ok->hwnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(p.WaitEnd());
    return r;
}

const char* const kFixtureKeys[] = {
    "CLSID\\" VELM_FIXTURE_CLSID_WIDGET, "CLSID\\" VELM_FIXTURE_CLSID_GADGET, "CLSID\\" VELM_FIXTURE_CLSID_GIZMO,
    VELM_FIXTURE_PROGID_WIDGET, "TypeLib\\" VELM_FIXTURE_LIBID};

}  // namespace

TEST(RegSvrProgram, CommandLineBoxes) {
    const std::string usage = std::string("\r\n\r\n") + Master::kUsage;
    const std::string missing = std::string(VELM_FIXTURE_COMSERVER_DIR) + "\\missing.dll";
    const struct {
        std::string tail, text;
    } cases[] = {
        {"", "Parameter Missing" + usage},
        {"R " + kDll, "Parameter Missing" + usage},
        // Typed as the usage box shows it.
        {"/V " + kSys + "kernel32.dll", "Component does not contain any typelib information\r\n" + kSys + "kernel32.dll"},
        {"-x " + kDll, "Wrong action parameter" + usage},
        {"-U " + missing, "File does not exist !\r\n" + missing},
        {"-R", "File does not exist !\r\n"},
        {"-R " + kSys + "notepad.exe", "File is not OLESelfRegister !\r\n" + kSys + "notepad.exe"},
        {"   -v    " + kSys + "kernel32.dll   ",
         "Component does not contain any typelib information\r\n" + kSys + "kernel32.dll"},
        {"-View \"" + std::string(VELM_FIXTURE_NOCLASS_TLB) + "\"",
         "Component does not contain interface definitions in it's typelib header\r\n" VELM_FIXTURE_NOCLASS_TLB},
        // A path with the long-path prefix is the file of the plain path, and is told as that.
        {"-V \\\\?\\" + std::string(VELM_FIXTURE_NOCLASS_TLB),
         "Component does not contain interface definitions in it's typelib header\r\n" VELM_FIXTURE_NOCLASS_TLB},
        {"-U \\\\?\\" + missing, "File does not exist !\r\n" + missing},
        // One the program cannot take as a plain path says so.
        {"-V \\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x.dll",
         "File path is not supported !\r\n\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x.dll"},
        {"-V \\\\?\\" + kSys + ".\\kernel32.dll", "File path is not supported !\r\n\\\\?\\" + kSys + ".\\kernel32.dll"},
    };
    for (const auto& c : cases) {
        Program p(c.tail);
        ASSERT_TRUE(p.Started());
        const Box box = AnswerBox(p);
        EXPECT_EQ(box.title, "VelmRegSvr") << c.tail;
        EXPECT_EQ(box.text, c.text) << c.tail;
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

// A damaged type library viewed as a user views it: the program shows its box and ends, it is
// not taken down inside the type-library loader.
TEST(RegSvrProgram, ViewOfADamagedTypeLibraryShowsItsBox) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string path = std::string(tmp) + "velm-29-bytes.tlb";
    HANDLE src = CreateFileA(VELM_FIXTURE_COMSERVER_TLB, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    ASSERT_NE(src, INVALID_HANDLE_VALUE);
    char head[29] = {};
    DWORD got = 0;
    ReadFile(src, head, sizeof head, &got, nullptr);
    CloseHandle(src);
    ASSERT_EQ(got, sizeof head);
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(out, head, sizeof head, &put, nullptr);
    CloseHandle(out);
    Program p("-V " + path);
    ASSERT_TRUE(p.Started());
    const Box box = AnswerBox(p);
    EXPECT_EQ(box.title, "VelmRegSvr");
    EXPECT_EQ(box.text, "Component does not contain any typelib information\r\n" + path);
    DeleteFileA(path.c_str());
}

// Damaged copies of the prefix's real type libraries that pass the bounds check and end the
// system's loader, viewed as a user views them: the loader's crash ends the reading child, and
// the program shows its box saying so and ends, as for any failure of the check.
TEST(RegSvrProgram, ViewOfATypeLibraryThatEndsTheLoaderShowsItsBox) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    // (Which exception ends the loader, and in which module, is the loader's own affair.)
    const struct {
        const char* source;
        const char* damage;
    } cases[] = {
        {"stdole2.tlb", "type 0's name past the end of the file"},
        {"stdole2.tlb", "alias 6 of type 26"},
        {"stdole2.tlb", "alias 7 of type 28"},
        {"scrrun.dll", "a constant of type 7 as VT_UNKNOWN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + ": " + c.damage);
        const std::string path = std::string(tmp) + "velm-view-damaged-" + c.source;
        ASSERT_TRUE(loader_damage::WriteDamagedCopy(kSys + c.source, c.damage, path));
        Program p("-V " + path);
        ASSERT_TRUE(p.Started());
        const Box box = AnswerBox(p);
        EXPECT_EQ(box.title, "VelmRegSvr");
        EXPECT_EQ(box.text.rfind("The type library could not be read: the system's loader crashed on it with exception 0x", 0),
                  0u)
            << box.text;
        EXPECT_TRUE(box.text.ends_with(".\r\n" + path)) << box.text;
        DeleteFileA(path.c_str());
    }
}

// A file another program holds open without read sharing is not taken for a file without a type
// library: the box says that it could not be read, with the system's reason. Released, the same
// file gets its own answer.
TEST(RegSvrProgram, ViewOfAFileHeldByAnotherProgramSaysItCouldNotBeRead) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string path = std::string(tmp) + "velm-held.tlb";
    ASSERT_TRUE(CopyFileA(VELM_FIXTURE_NOCLASS_TLB, path.c_str(), FALSE));
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_SHARING_VIOLATION, 0, reason,
                   sizeof reason, nullptr);
    std::string why = reason;
    while (!why.empty() && (why.back() == '\r' || why.back() == '\n' || why.back() == ' ')) why.pop_back();
    ASSERT_FALSE(why.empty());
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        Program p("-V " + path);
        ASSERT_TRUE(p.Started());
        const Box box = AnswerBox(p);
        EXPECT_EQ(box.title, "VelmRegSvr");
        EXPECT_EQ(box.text, "The file could not be read: " + why + "\r\n" + path);
    }
    CloseHandle(held);
    {
        Program p("-V " + path);
        const Box box = AnswerBox(p);
        EXPECT_EQ(box.text, "Component does not contain interface definitions in it's typelib header\r\n" + path);
    }
    DeleteFileA(path.c_str());
}

TEST(RegSvrProgram, RegistersAndUnregistersTheFixtureServer) {
    // No main program runs: the mailbox is left alone.
    Velm::VelmSingleInstanceConnector connector;
    auto mq = connector.ActionMailbox();
    mq->ActionLetter("X");
    mq->ActionFilePath("untouched");
    {
        Program p("-R " + kDll);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, "Component registered successfully.");
        EXPECT_EQ(r.path, kDll);
        EXPECT_EQ(r.message, "");
        EXPECT_TRUE(r.viewVisible);
        EXPECT_TRUE(r.viewEnabled);  // no main program runs
        EXPECT_FALSE(r.lblViewVisible);
    }
    for (const char* key : kFixtureKeys) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    {
        Program p("-U " + kDll);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, "Component unregistered successfully.");
        EXPECT_FALSE(r.viewVisible);
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_EQ(mq->ActionLetter(), "X");
    EXPECT_EQ(mq->ActionFilePath(), "untouched");
    mq->ActionLetter("");
    mq->ActionFilePath("");
}

TEST(RegSvrProgram, RegistersAndUnregistersThroughTheLongPathPrefix) {
    // The registration, the version read and the result window take the plain path.
    {
        Program p("-R \\\\?\\" + kDll);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, "Component registered successfully.");
        EXPECT_EQ(r.path, kDll);
    }
    for (const char* key : kFixtureKeys) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    {
        Program p("-U \\\\?\\" + kDll);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, "Component unregistered successfully.");
        EXPECT_EQ(r.path, kDll);
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

TEST(RegSvrProgram, RegistersAnExeServerThroughItsSwitches) {
    const std::string key = "CLSID\\" VELM_FIXTURE_CLSID_EXESERVER "\\LocalServer32";
    {
        Program p("-R " VELM_FIXTURE_EXESERVER_EXE);
        EXPECT_EQ(AnswerResult(p).header, "Component registered successfully.");
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key));
    {
        Program p("-U " VELM_FIXTURE_EXESERVER_EXE);
        EXPECT_EQ(AnswerResult(p).header, "Component unregistered successfully.");
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" VELM_FIXTURE_CLSID_EXESERVER));
}

TEST(RegSvrProgram, TabKeepsToTheButtonPair) {
    auto focusOf = [](HWND form) {
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &gti);
        return gti.hwndFocus;
    };
    auto pressTab = [](HWND button) {
        PostMessageA(button, WM_KEYDOWN, VK_TAB, 0);
        PostMessageA(button, WM_KEYUP, VK_TAB, 0xC0000001);
    };
    auto settle = [&](HWND form, HWND want) {
        for (int i = 0; i < 200 && focusOf(form) != want; ++i) Sleep(50);
        return focusOf(form);
    };
    {
        Program p("-R " + kDll);  // no main program: the view button is enabled
        HWND form = p.WaitWindow(nullptr, "VelmRegSvr 1.8");
        ASSERT_TRUE(form != nullptr);
        const std::vector<Win> ws = Children(form);
        const Win* view = Find(ws, "&View in Velmora");
        const Win* ok = Find(ws, "&OK");
        ASSERT_TRUE(view && ok);
        pressTab(view->hwnd);
        EXPECT_EQ(settle(form, ok->hwnd), ok->hwnd);
        AnswerResult(p);
    }
    {
        Program p("-U " + kDll);  // the view button is hidden: Tab on OK stays on OK
        HWND form = p.WaitWindow(nullptr, "VelmRegSvr 1.8");
        ASSERT_TRUE(form != nullptr);
        const std::vector<Win> ws = Children(form);
        const Win* ok = Find(ws, "&OK");
        ASSERT_TRUE(ok);
        pressTab(ok->hwnd);
        pressTab(ok->hwnd);
        EXPECT_EQ(settle(form, ok->hwnd), ok->hwnd);
        AnswerResult(p);
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

TEST(RegSvrProgram, FailuresShowTheConnectorsText) {
    const struct {
        std::string tail, header, message;
    } cases[] = {
        {"-R " VELM_FIXTURE_COMSERVER_FAIL_DLL, "Component registered NOT successfully!",
         "DllRegisterServer failed with 0x80004005"},
        // The fixture is of the other bitness than this build's VelmRegSvr, and the text names both.
        {"-R " VELM_FIXTURE_OTHER_BITNESS_DLL, "Component registered NOT successfully!",
         sizeof(void*) == 8 ? "The file is a 32-bit component; the 64-bit VelmRegSvr cannot load it."
                            : "The file is a 64-bit component; the 32-bit VelmRegSvr cannot load it."},
        {"-U " VELM_FIXTURE_NOENTRY_DLL, "Component unregistered NOT successfully!",
         "The file has no DllUnregisterServer entry point."},
        // A component whose entry point crashes: the program survives and says so.
        {"-R " VELM_FIXTURE_CRASH_DLL, "Component registered NOT successfully!",
         "DllRegisterServer crashed with exception 0xC0000005 (access violation) in comserver_crash.dll."},
        {"-U " VELM_FIXTURE_CRASH_DLL, "Component unregistered NOT successfully!",
         "DllUnregisterServer crashed with exception 0xC0000005 (access violation) in comserver_crash.dll."},
    };
    for (const auto& c : cases) {
        Program p(c.tail);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, c.header) << c.tail;
        EXPECT_EQ(r.message.rfind(c.message, 0), 0u) << c.tail << ": " << r.message;
    }
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

// On 64-bit Windows, the 32-bit program named a component that only the system's own System32
// holds (its own System32 is SysWOW64) answers that it is of the other bitness: a file that
// exists in the other view is never said not to exist.
TEST(RegSvrProgram, AComponentOnlyInTheNativeSystemFolderGetsTheOtherBitnessAnswer) {
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8 || !IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "only a 32-bit program on 64-bit Windows has two views of System32";
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string native = std::string(windows) + "\\Sysnative\\velm-native-only.dll";
    ASSERT_TRUE(CopyFileA(VELM_FIXTURE_OTHER_BITNESS_DLL, native.c_str(), FALSE));
    const std::string named = std::string(system) + "\\velm-native-only.dll";
    ASSERT_EQ(GetFileAttributesA(named.c_str()), INVALID_FILE_ATTRIBUTES);  // not in this program's view
    {
        Program p("-R " + named);
        const Result r = AnswerResult(p);
        EXPECT_EQ(r.header, "Component registered NOT successfully!");
        EXPECT_EQ(r.message.rfind("The file is a 64-bit component; the 32-bit VelmRegSvr cannot load it.", 0), 0u)
            << r.message;
    }
    DeleteFileA(native.c_str());
}

TEST(RegSvrProgram, FailuresOfAComponentThatNeverReturnsAreShownAfterABoundedWait) {
    // DllRegisterServer sleeps for ever: after its wait the program ends the registration
    // process, shows its result window and ends when it is closed.
    Program p("-R " VELM_FIXTURE_HANG_DLL);
    HWND form = p.WaitWindow(nullptr, "VelmRegSvr 1.8", 120000);
    ASSERT_TRUE(form != nullptr);
    const Result r = AnswerResult(p);
    EXPECT_EQ(r.header, "Component registered NOT successfully!");
    const std::string head =
        "DllRegisterServer did not return within 50 seconds, so the component is not known to be registered. "
        "Its registration process (process id ";
    ExpectNamesAnEndedProcess(r.message, head);
}

TEST(RegSvrProgram, AProgramThatIsNoServerIsReportedNotUnregistered) {
    // Notepad does not know /UnregServer: it opens and asks about a file of that name. The wait
    // is the test's own second, not the program's ten (the result window shows the connector's
    // text as FailuresShowTheConnectorsText sees).
    std::string message;
    EXPECT_FALSE(Velm::Registration::Run(kSys + "notepad.exe", false, message, 1000));
    const std::string head =
        "The server did not end within 1 second of its /UnregServer start, so it is not known to be "
        "unregistered. It was left running (process id ";
    ASSERT_EQ(message.rfind(head, 0), 0u) << message;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(message.substr(head.size())));
    ASSERT_TRUE(h != nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(h, 1);
    WaitForSingleObject(h, 10000);
    CloseHandle(h);
}

TEST(RegSvrProgram, HandsEachActionToTheRunningMainProgram) {
    auto mq = Velm::VelmSingleInstanceConnector().ActionMailbox();
    {
        StandIn main;
        {
            Program p("-R " + kDll);
            const Result r = AnswerResult(p);
            EXPECT_EQ(r.header, "Component registered successfully.");
            EXPECT_TRUE(r.lblViewVisible);
            EXPECT_FALSE(r.viewEnabled);
        }
        EXPECT_TRUE(main.WaitFor("registered|R|" + kDll + "|1||1"));
        {
            Program p("-V " + kDll);  // every class registered: no box
            EXPECT_TRUE(p.WaitEnd());
        }
        EXPECT_TRUE(main.WaitFor("notify|V|" + kDll + "|0"));
        {
            Program p("-U " + kDll);
            EXPECT_EQ(AnswerResult(p).header, "Component unregistered successfully.");
        }
        EXPECT_TRUE(main.WaitFor("unregistered|U|" + kDll + "|1||1"));
        main.Sync();
        EXPECT_EQ(main.Events(), (std::vector<std::string>{"registered|R|" + kDll + "|1||1", "notify|V|" + kDll + "|0",
                                                            "unregistered|U|" + kDll + "|1||1"}));
        main.Quit();
    }
    EXPECT_FALSE(Velm::VelmSingleInstanceConnector().ActionMailbox()->IsMainAppRunning());
    for (const char* key : kFixtureKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

TEST(RegSvrProgram, ViewStartsTheMainProgramFromItsFolder) {
    const std::string log = StandIn::LogFor("started");
    const std::string quit = "Local\\VelmStandInQuit.started." + std::to_string(GetCurrentProcessId());
    HANDLE quitEvent = CreateEventA(nullptr, TRUE, FALSE, quit.c_str());
    SetEnvironmentVariableA("VELM_STANDIN_LOG", log.c_str());
    SetEnvironmentVariableA("VELM_STANDIN_QUIT", quit.c_str());
    const std::string tlb = kSys + "stdole2.tlb";
    {
        Program p(VELM_REGSVR_WITH_MAIN "\\VelmRegSvr.exe", "-V " + tlb);
        EXPECT_TRUE(WaitForLine(log, "start|V|" + tlb + "|0"));  // the main program found the action at start
        EXPECT_TRUE(p.WaitEnd());
    }
    SetEvent(quitEvent);
    auto mq = Velm::VelmSingleInstanceConnector().ActionMailbox();
    for (int i = 0; i < 1200 && mq->IsMainAppRunning(); ++i) Sleep(50);
    EXPECT_FALSE(mq->IsMainAppRunning());
    CloseHandle(quitEvent);
    DeleteFileA(log.c_str());
    mq->ActionLetter("");
    mq->ActionFilePath("");
}

TEST(RegSvrProgram, ViewButtonOpensTheMainProgramAtTheNewComponent) {
    const std::string log = StandIn::LogFor("viewbutton");
    const std::string quit = "Local\\VelmStandInQuit.viewbutton." + std::to_string(GetCurrentProcessId());
    HANDLE quitEvent = CreateEventA(nullptr, TRUE, FALSE, quit.c_str());
    SetEnvironmentVariableA("VELM_STANDIN_LOG", log.c_str());
    SetEnvironmentVariableA("VELM_STANDIN_QUIT", quit.c_str());
    {
        Program p(VELM_REGSVR_WITH_MAIN "\\VelmRegSvr.exe", "-R " + kDll);
        HWND form = p.WaitWindow(nullptr, "VelmRegSvr 1.8");
        ASSERT_TRUE(form != nullptr);
        const std::vector<Win> ws = Children(form);
        const Win* view = Find(ws, "&View in Velmora");
        ASSERT_TRUE(view != nullptr);
        EXPECT_TRUE(view->enabled);
        PostMessageA(view->hwnd, BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitForLine(log, "start|R|" + kDll + "|1"));
        EXPECT_TRUE(p.WaitEnd());  // the program ends after handing over
    }
    SetEvent(quitEvent);
    auto mq = Velm::VelmSingleInstanceConnector().ActionMailbox();
    for (int i = 0; i < 1200 && mq->IsMainAppRunning(); ++i) Sleep(50);
    CloseHandle(quitEvent);
    DeleteFileA(log.c_str());
    mq->ActionLetter("");
    mq->ActionFilePath("");
    std::string err;
    EXPECT_TRUE(Velm::Registration::Run(kDll, false, err)) << err;
}

TEST(RegSvrProgram, AFailedStartOfTheMainProgramIsShownAtOnce) {
    Program p(VELM_REGSVR_ALONE "\\VelmRegSvr.exe", "-V " + kSys + "stdole2.tlb");
    const Box box = AnswerBox(p);
    // The system's own text for the missing program follows (Wine 8's, in English).
    EXPECT_EQ(box.text, "Velmora application start failed.\r\nFile not found.");
}
