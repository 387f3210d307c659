// The update check: the version file's records, the version comparison, the own uninstaller's
// command line, and whole checks against a local web server that the test run starts
// (tests/app/update_server.py) with the two dialogs driven as a user drives them, in this
// process and in Velmora started as a user starts it.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "VelmVersion.h"
#include "app/AutoUpdate_Lib.h"
#include "app/Master.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_tryingtoconnect.h"
#include "app/dlg_update_available.h"
#include "base/QV_Err.h"
#include "platform/TextFetch.h"
#include "tests/app/RemoteWindows.h"
#include "tests/support/Boxes.h"
#include "tests/support/RealInput.h"
#include "tests/support/RegFixture.h"
#include "ui/ui.h"

namespace U = AutoUpdate_Lib;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The local server of this test run: its folder, address and request log.
struct LocalServer {
    const std::string folder = VELM_UPDATE_SERVER_DIR;
    std::string Address() const { return "http://127.0.0.1:" + ReadFile(folder + "\\port") + "/"; }
    void Offer(const std::string& versionFile) const {
        std::ofstream(folder + "\\www\\Velmora\\Velmora.txt", std::ios::binary) << versionFile;
    }
    // A file of the served folder, below www\Velmora.
    void Serve(const std::string& name, const std::string& text) const {
        std::ofstream(folder + "\\www\\Velmora\\" + name, std::ios::binary) << text;
    }
    std::string Log() const { return ReadFile(folder + "\\requests.log"); }
    // A server that never gives a whole answer: "silent" (accepts and never answers), "trickle"
    // (one byte a second from the status line on), "slowbody" (its headers at once, then one
    // byte of the body a second), "endless" (its headers, then version-file records over and
    // over, as fast as they are taken, never ending).
    std::string Hostile(const char* mode) const {
        return "http://127.0.0.1:" + ReadFile(folder + "\\" + mode + "_port") + "/";
    }
    // The requests those servers took, one "mode path" line each.
    std::string HostileLog() const { return ReadFile(folder + "\\hostile.log"); }
};

// Points the check at an address for the life of the object.
struct UpdateAddress {
    explicit UpdateAddress(const std::string& url) { SetEnvironmentVariableA("VELMORA_UPDATE_URL", url.c_str()); }
    ~UpdateAddress() { SetEnvironmentVariableA("VELMORA_UPDATE_URL", nullptr); }
};

std::string OfferText(const std::string& version, const std::string& build, const std::string& location) {
    return "%version% '" + version + "''ITEM'%build% '" + build + "''ITEM'%location% '" + location + "'";
}

// Runs `action` once the form of that name is loaded and shown (from a timer, so a modal
// dialog's own loop runs it), for the life of the object.
class WhenShown {
public:
    WhenShown(std::string name, std::function<void(ui::Form&)> action) {
        timer_.Tick = [this, name, action] {
            ui::Form* f = ui::FindForm(name);
            if (!f || !f->Visible()) return;
            timer_.SetEnabled(false);
            action(*f);
        };
        timer_.SetInterval(20);
        timer_.SetEnabled(true);
    }

private:
    ui::Timer timer_;
};

}  // namespace

TEST(UpdateCheck, VersionFileRecords) {
    struct Case {
        const char* text;
        const char* version;
        const char* build;
        const char* location;
    } cases[] = {
        {"%version% '1.9.0''ITEM'%build% '1300''ITEM'%location% 'http://x/Setup.exe'", "1.9.0", "1300",
         "http://x/Setup.exe"},
        // Tags in any case, values keep theirs; the text before the first marker is a record.
        {"%VERSION% 'V2-Beta''ITEM'%Build% '7''ITEM'%LoCaTiOn% 'HTTP://Host/A.exe'", "V2-Beta", "7", "HTTP://Host/A.exe"},
        // Two tags in one record: both take the value after the record's last "%".
        {"%version% %build% '2.0''ITEM'%location% 'http://h/'", "2.0", "2.0", "http://h/"},
        // A later record overrides an earlier one.
        {"%version% '1''ITEM'%version% '2''ITEM'%build% '3''ITEM'%location% 'l'", "2", "3", "l"},
        // A missing closing quote: the text after the opening quote, and no record after it is read.
        {"%version% '1.9.0''ITEM'%build% '13''ITEM'%location% 'http://h/x.exe'ITEM'%version% '5'", "1.9.0", "13",
         "http://h/x.exe"},
        {"%version% '1.9.0''ITEM'%build% '13''ITEM'%location% 'http://h/x.exe", "1.9.0", "13", "http://h/x.exe"},
        {"%version% '1.9''ITEM'%build% '13''ITEM'%location% 'http://h/''ITEM'%build% '77", "1.9", "77", "http://h/"},
        // The marker is matched with its exact case; a missing tag stays empty.
        {"%version% '1.9.0''item'%build% '13'", "13", "13", ""},
        {"", "", "", ""},
        {"no tags at all 'ITEM' here", "", "", ""},
        // A value without quotes is the text after the last "%".
        {"%version%1.9.0", "1.9.0", "", ""},
    };
    for (const Case& c : cases) {
        const U::Offer o = U::ParseVersionFile(c.text);
        EXPECT_EQ(o.version, c.version) << c.text;
        EXPECT_EQ(o.build, c.build) << c.text;
        EXPECT_EQ(o.location, c.location) << c.text;
    }
}

TEST(UpdateCheck, VersionsCompareNumericallyPartByPart) {
    struct Case {
        const char* version;
        const char* build;
        bool newer;
    } cases[] = {
        {"1.9.0", "1", true},      {"1.10.0", "1", true},     {"1.8.0", "1225", false},  {"1.8.0", "1226", true},
        {"1.8.0", "999", false},   {"1.8.0", "10000", true},  {"1.7.9", "9999", false},  {"2", "0", true},
        {"1.8", "1225", false},    {"1.8.0.1", "0", true},    {"01.008.000", "1225", false},
        {"1.8.0", "01226", true},  {"1.8.0b", "1", true},     {"1.8.0", "x", true},
        {"1.08.0", "1224", false}, {"99999999999999999999.0", "1", true},
    };
    for (const Case& c : cases) EXPECT_EQ(U::IsNewer(c.version, c.build), c.newer) << c.version << " #" << c.build;
    EXPECT_EQ(U::CompareVersions("1.10.0", "1.9.0"), 1);
    EXPECT_EQ(U::CompareVersions("1.9", "1.9.0"), 0);
    EXPECT_EQ(U::CompareVersions("1.9.0", "1.10"), -1);
}

TEST(UpdateCheck, OnlyWebAddressesAreDownloadLocations) {
    for (const char* ok : {"http://h/a.exe", "HTTPS://h/a.exe", "hTtP://x"}) EXPECT_TRUE(U::IsDownloadAddress(ok)) << ok;
    for (const char* bad : {"", "C:\\windows\\notepad.exe", "file:///C:/x.exe", "ftp://h/a", " http://h/", "httpx://h",
                            "\\\\server\\share\\a.exe", "mailto:x@y"})
        EXPECT_FALSE(U::IsDownloadAddress(bad)) << bad;
}

TEST(UpdateCheck, OwnUninstallerCommandIsQuoted) {
    using D = dlg_update_available;
    EXPECT_EQ(D::UninstallCommand("\"C:\\Program Files\\Velmora\\UNWISE.EXE\" C:\\Program Files\\Velmora\\INSTALL.LOG"),
              "\"C:\\Program Files\\Velmora\\UNWISE.EXE\" /uninst ");
    EXPECT_EQ(D::UninstallCommand("C:\\Program Files\\Velmora\\UNWISE.EXE"),
              "\"C:\\Program Files\\Velmora\\UNWISE.EXE\" /uninst ");
    EXPECT_EQ(D::UninstallCommand("\"C:\\A\\un.exe\""), "\"C:\\A\\un.exe\" /uninst ");
    EXPECT_EQ(D::UninstallCommand(""), "");
    EXPECT_EQ(D::UninstallCommand("\"\""), "");
}

TEST(UpdateCheck, ChecksAgainstTheServer) {
    LocalServer server;
    UpdateAddress address(server.Address());
    DroskGlobal().blnCancelUpdate = false;
    const std::string logBefore = server.Log();
    std::string version, build, location;
    bool available = true;

    server.Offer(OfferText("1.9.0", "1300", "http://127.0.0.1/Setup.exe"));
    ASSERT_TRUE(U::checkForUpdate(U::DefaultFetcher(), version, build, location, available));
    EXPECT_EQ(version, "1.9.0");
    EXPECT_EQ(build, "1300");
    EXPECT_EQ(location, "http://127.0.0.1/Setup.exe");
    EXPECT_TRUE(available);
    // The two requests, in order (whether the "#1225" fragment reaches the server is the
    // client library's choice).
    const std::string log = server.Log().substr(logBefore.size());
    EXPECT_TRUE(log == "/Velmora/Velmora:" VELM_VERSION_TEXT "\n/Velmora/Velmora.txt\n" ||
                log == "/Velmora/Velmora:" VELM_VERSION_TEXT "#" VELM_VERSION_BUILD_TEXT "\n/Velmora/Velmora.txt\n")
        << log;

    server.Offer(OfferText(VELM_VERSION_TEXT, VELM_VERSION_BUILD_TEXT, "https://h/x.exe"));
    EXPECT_TRUE(U::checkForUpdate(U::DefaultFetcher(), version, build, location, available));
    EXPECT_FALSE(available);

    // A location that is not a web address, a missing tag and an empty file give no offer.
    for (const std::string& text : {OfferText("9.0", "1", "C:\\windows\\notepad.exe"),
                                    std::string("%version% '9.0''ITEM'%build% '1'"), std::string()}) {
        server.Offer(text);
        EXPECT_FALSE(U::checkForUpdate(U::DefaultFetcher(), version, build, location, available)) << text;
        EXPECT_FALSE(available);
    }
    // A cancel that came while the fetches ran ends the attempt.
    server.Offer(OfferText("1.9.0", "1300", "http://h/"));
    DroskGlobal().blnCancelUpdate = true;
    EXPECT_FALSE(U::checkForUpdate(U::DefaultFetcher(), version, build, location, available));
    DroskGlobal().blnCancelUpdate = false;
}

TEST(UpdateCheck, NoConnectionRaisesAndRetriesUntilCancel) {
    // Port 1 of the loopback interface refuses at once: no server there.
    EXPECT_THROW(TextFetch::OpenURL("http://127.0.0.1:1/Velmora/Velmora.txt"), RunTimeError);
    UpdateAddress address("http://127.0.0.1:1/");
    BoxRecorder boxes;
    int attempts = 0;
    const U::Fetcher fetch = [&](const std::string& url) {
        // Each attempt begins with the first request, which fails at once.
        if (!url.ends_with(".txt") && ++attempts == 3) TryingToConnect().Command1.DoClick();
        return TextFetch::OpenURL(url);
    };
    U::CheckNow(nullptr, fetch);
    EXPECT_EQ(attempts, 3);
    EXPECT_FALSE(TryingToConnect().IsLoaded());
    ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Error connecting to server. Please check your\n"
                                                        "internet connection and try again later"});
    EXPECT_EQ(boxes.boxes[0].style, ui::vbCritical);
}

// A server that answers every request with 404 (no version file) and an address where no
// server listens: a bounded number of attempts, each at least the spacing after the one before,
// with the connecting dialog shown throughout; then the connection error.
TEST(UpdateCheck, GivesUpAfterSpacedAttemptsWhenNoVersionFileComes) {
    LocalServer server;
    DeleteFileA((server.folder + "\\www\\Velmora\\Velmora.txt").c_str());
    for (const std::string& address : {server.Address(), std::string("http://127.0.0.1:1/")}) {
        SCOPED_TRACE(address);
        UpdateAddress use(address);
        const std::string logBefore = server.Log();
        BoxRecorder boxes;
        std::vector<ULONGLONG> starts;
        bool shownThroughout = true;
        const U::Fetcher fetch = [&](const std::string& url) {
            if (!url.ends_with(".txt")) starts.push_back(GetTickCount64());
            shownThroughout = shownThroughout && TryingToConnect().IsLoaded() && TryingToConnect().Visible();
            return TextFetch::OpenURL(url);
        };
        U::CheckNow(nullptr, fetch);
        EXPECT_EQ(starts.size(), static_cast<size_t>(U::kMaxAttempts));
        for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 1], U::kAttemptSpacingMs) << i;
        EXPECT_TRUE(shownThroughout);
        EXPECT_FALSE(TryingToConnect().IsLoaded());
        ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Error connecting to server. Please check your\n"
                                                            "internet connection and try again later"});
        // What the server received: both requests of each attempt, and nothing more.
        const std::string log = server.Log().substr(logBefore.size());
        const size_t requests = static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
        EXPECT_EQ(requests, address == server.Address() ? 2u * U::kMaxAttempts : 0u) << log;
    }
}

TEST(UpdateCheck, CancelBetweenAttemptsEndsTheCheckAtOnce) {
    UpdateAddress address("http://127.0.0.1:1/");
    BoxRecorder boxes;
    int attempts = 0;
    const U::Fetcher fetch = [&](const std::string& url) {
        if (!url.ends_with(".txt")) ++attempts;
        return TextFetch::OpenURL(url);
    };
    // The user presses Cancel while the check waits for its next attempt.
    ui::Timer press;
    press.Tick = [&] {
        if (attempts == 0 || !TryingToConnect().IsLoaded()) return;
        press.SetEnabled(false);
        TryingToConnect().Command1.DoClick();
    };
    press.SetInterval(20);
    press.SetEnabled(true);
    U::CheckNow(nullptr, fetch);
    EXPECT_EQ(attempts, 1);
    EXPECT_FALSE(TryingToConnect().IsLoaded());
    EXPECT_EQ(boxes.Prompts().size(), 1u);
}

TEST(UpdateCheck, LatestVersionNeedsNoUpdate) {
    LocalServer server;
    UpdateAddress address(server.Address());
    server.Offer(OfferText(VELM_VERSION_TEXT, VELM_VERSION_BUILD_TEXT, "http://h/x.exe"));
    BoxRecorder boxes;
    U::CheckNow(nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "You have the latest version of Velmora installed.");
    EXPECT_EQ(boxes.boxes[0].title, "No update required");
    EXPECT_EQ(boxes.boxes[0].style, ui::vbInformation);
    EXPECT_FALSE(TryingToConnect().IsLoaded());
    EXPECT_TRUE(DroskGlobal().blnCancelUpdate);  // the connecting box was unloaded
}

TEST(UpdateCheck, OfferDialogShowsBothVersionsAndDownloadsWithoutUninstalling) {
    LocalServer server;
    UpdateAddress address(server.Address());
    server.Offer(OfferText("1.9.0", "1301", "http://127.0.0.1/Velmora/Setup.exe"));
    BoxRecorder boxes(ui::vbNo);
    std::vector<std::string> opened;
    ui::ShellOverride shell([&](const ui::ShellRequest& r) {
        opened.push_back(r.file);
        return true;
    });
    std::string current, offered;
    WhenShown answer("dlg_update_available", [&](ui::Form& f) {
        auto& dlg = static_cast<dlg_update_available&>(f);
        EXPECT_EQ(dlg.Caption(), "Check for updates");
        current = dlg.LabelCurVersion.Caption();
        offered = dlg.LabelAvVer.Caption();
        dlg.Command14.DoClick();
    });
    U::CheckNow(nullptr);
    EXPECT_EQ(current, VELM_VERSION_TEXT "#" VELM_VERSION_BUILD_TEXT);
    EXPECT_EQ(offered, "1.9.0#1301");
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].title, "Update Velmora");
    EXPECT_EQ(boxes.boxes[0].style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(boxes.boxes[1].title, "Action cancled");
    EXPECT_EQ(opened, std::vector<std::string>{"http://127.0.0.1/Velmora/Setup.exe"});
    EXPECT_FALSE(ui::FindForm("dlg_update_available"));
}

TEST(UpdateCheck, DownloadWithUninstallStartsTheQuotedUninstallerAndEnds) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, R"(
      [Software\Quorvath\Velmora]
      "GUID"="{5A0B4C1E-0000-4000-8000-000000000001}"
      [Software\Microsoft\Windows\CurrentVersion\Uninstall\{5A0B4C1E-0000-4000-8000-000000000001}]
      "UninstallString"="\"C:\\Program Files\\Velmora\\UNWISE.EXE\" C:\\Program Files\\Velmora\\INSTALL.LOG"
    )");
    DroskGlobal().Custom = Variant("1.9.0");
    DroskGlobal().Custom2 = Variant("1");
    DroskGlobal().Custom3 = Variant("file:///C:/windows/notepad.exe");  // never handed to the shell
    BoxRecorder boxes(ui::vbYes);
    std::vector<std::string> opened, started;
    ui::ShellOverride shell([&](const ui::ShellRequest& r) {
        opened.push_back(r.file);
        return true;
    });
    ui::StartProgramOverride start([&](const std::string& command, int, bool) {
        started.push_back(command);
        return 1ul;
    });
    bool ended = false;
    auto previousEnd = Master::EndProgram();
    Master::EndProgram() = [&] { ended = true; };
    dlg_update_available dlg;
    dlg.Load();
    dlg.Command14.DoClick();
    Master::EndProgram() = previousEnd;
    EXPECT_TRUE(ended);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(started, std::vector<std::string>{"\"C:\\Program Files\\Velmora\\UNWISE.EXE\" /uninst "});
    EXPECT_FALSE(dlg.IsLoaded());
}

// Servers that accept the connection and then never give the whole answer: each fetch ends at
// its time-out with the time-out error, whatever the client library's own time-outs do.
TEST(UpdateCheck, AFetchEndsAtItsTimeOutWhateverTheServerDoes) {
    LocalServer server;
    constexpr unsigned long kTimeoutMs = 1500;
    for (const char* mode : {"silent", "trickle", "slowbody"}) {
        long error = 0;
        const ULONGLONG start = GetTickCount64();
        try {
            TextFetch::OpenURL(server.Hostile(mode) + "Velmora/Velmora.txt", kTimeoutMs);
        } catch (const RunTimeError& e) {
            error = e.Number;
        }
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_EQ(error, static_cast<long>(ERROR_INTERNET_TIMEOUT)) << mode;
        // Not before its time-out (the server might still have answered), and not long after it:
        // these servers would hold a fetch that waits for them a minute or more.
        EXPECT_GE(elapsed, kTimeoutMs - 100) << mode;
        EXPECT_LE(elapsed, kTimeoutMs + 2500) << mode;
    }
}

// An answer longer than a version file is a failed fetch: one of exactly the bound is taken
// whole, one byte more is refused, and so is a body that never ends, at the bound rather than at
// the time-out. A check that meets one finds no offer in it (the endless records would make one).
TEST(UpdateCheck, AnAnswerLongerThanTheBoundFailsTheFetch) {
    LocalServer server;
    const std::string full(TextFetch::kMaxAnswerBytes, 'v');
    server.Serve("bound.txt", full);
    server.Serve("over.txt", full + "v");
    const auto error = [](const std::string& url) {
        try {
            const std::string body = TextFetch::OpenURL(url);
            return body.size() == TextFetch::kMaxAnswerBytes ? 0L : -1L;
        } catch (const RunTimeError& e) {
            return e.Number;
        }
    };
    EXPECT_EQ(error(server.Address() + "Velmora/bound.txt"), 0L);
    EXPECT_EQ(error(server.Address() + "Velmora/over.txt"), static_cast<long>(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(error(server.Hostile("endless") + "Velmora/endless.txt"), static_cast<long>(ERROR_FILE_TOO_LARGE));

    UpdateAddress address(server.Hostile("endless"));
    DroskGlobal().blnCancelUpdate = false;
    std::string version, build, location;
    bool available = true;
    EXPECT_FALSE(U::checkForUpdate(U::DefaultFetcher(), version, build, location, available));
    EXPECT_FALSE(available);
}

// The whole check against such a server: every attempt ends at its time-out, the attempts are
// spaced and bounded, and the check ends with the connection error box.
TEST(UpdateCheck, ACheckAgainstAServerThatNeverAnswersEndsWithTheConnectionError) {
    LocalServer server;
    for (const char* mode : {"silent", "trickle"}) {
        SCOPED_TRACE(mode);
        UpdateAddress use(server.Hostile(mode));
        BoxRecorder boxes;
        int attempts = 0;
        std::vector<long> errors;
        bool shownThroughout = true;
        const U::Fetcher fetch = [&](const std::string& url) {
            if (!url.ends_with(".txt")) ++attempts;
            shownThroughout = shownThroughout && TryingToConnect().IsLoaded() && TryingToConnect().Visible();
            try {
                return U::DefaultFetcher()(url);
            } catch (const RunTimeError& e) {
                errors.push_back(e.Number);
                throw;
            }
        };
        U::CheckNow(nullptr, fetch);
        EXPECT_EQ(attempts, U::kMaxAttempts);
        // Each attempt's first request timed out; its second was never made.
        EXPECT_EQ(errors, std::vector<long>(U::kMaxAttempts, static_cast<long>(ERROR_INTERNET_TIMEOUT)));
        EXPECT_TRUE(shownThroughout);
        EXPECT_FALSE(TryingToConnect().IsLoaded());
        EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Error connecting to server. Please check your\n"
                                                            "internet connection and try again later"});
    }
}

// While a request waits for a server that never answers, the connecting box is live: its
// Cancel shows, and a click on it (real mouse input) ends the check at once, the request given
// up rather than timed out.
TEST(UpdateCheck, CancelInTheConnectingBoxEndsTheWaitForASilentServer) {
    LocalServer server;
    UpdateAddress use(server.Hostile("silent"));
    BoxRecorder boxes;
    int attempts = 0;
    std::vector<long> errors;
    const U::Fetcher fetch = [&](const std::string& url) {
        if (!url.ends_with(".txt")) ++attempts;
        try {
            return U::DefaultFetcher()(url);
        } catch (const RunTimeError& e) {
            errors.push_back(e.Number);
            throw;
        }
    };
    bool cancelShown = false;
    ui::Timer press;
    press.Tick = [&] {
        dlg_tryingtoconnect& box = TryingToConnect();
        if (attempts == 0 || !box.IsLoaded() || !box.Visible()) return;
        press.SetEnabled(false);
        HWND cancel = box.Command1.hWnd();
        cancelShown = IsWindowVisible(cancel) && IsWindowEnabled(cancel) && RealInput::TextOf(cancel) == "&Cancel";
        SetForegroundWindow(box.hWnd());
        RECT r;
        GetWindowRect(cancel, &r);
        RealInput::Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    };
    press.SetInterval(200);
    press.SetEnabled(true);
    U::CheckNow(nullptr, fetch);
    EXPECT_TRUE(cancelShown);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(errors, std::vector<long>{static_cast<long>(ERROR_INTERNET_OPERATION_CANCELLED)});
    EXPECT_FALSE(TryingToConnect().IsLoaded());
    EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Error connecting to server. Please check your\n"
                                                        "internet connection and try again later"});
}

// ---- Velmora started as a user starts it

namespace {

// The most memory a process has held, in bytes: the larger of its peak working set and its peak
// private bytes (Wine keeps a true peak of the first only).
SIZE_T PeakMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    if (!GetProcessMemoryInfo(process, &c, sizeof c)) return 0;
    return std::max(c.PeakWorkingSetSize, c.PeakPagefileUsage);
}

// A message box of the program showing that text (titled with the program's name), or null.
HWND MessageBoxWith(DWORD pid, const std::string& text) {
    for (HWND w : VelmoraWindows(pid, true))
        if (ChildWindow(w, "Static", text)) return w;
    return nullptr;
}

}  // namespace

// Velmora, pointed at a server whose answer never ends, checks for updates from its Options menu
// as a user does: every attempt fails at the answer's bound (its second request is never made),
// the check ends with the connection error box, the window answers throughout, and the program
// goes on with its memory far below what the endless body would take (the 32-bit program would
// run out of its address space).
TEST(UpdateCheckProgram, AnEndlessAnswerFailsEveryAttemptAndTheProgramGoesOn) {
    LocalServer server;
    // A path of its own on that server, so that the server's log tells this program's requests
    // from those of other tests.
    const std::string base = server.Hostile("endless") + "program/";
    UpdateAddress use(base);
    const std::string logBefore = server.HostileLog();
    Program program;
    ASSERT_TRUE(program.Start());
    const DWORD pid = program.pi.dwProcessId;
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        main = MainWindow(pid);
        return main && !BusyBox(pid);
    })) << "the main window did not come up";
    const SIZE_T before = PeakMemory(program.pi.hProcess);
    ASSERT_GT(before, 0u);

    // Options > Check for Updates..., the menu's last item, chosen with the keyboard: Alt+O opens
    // the menu at its first item, Up goes round to the last, Enter chooses it. On a loaded
    // display the menu can close again before the keys reach it (the window manager moves the
    // focus as the program's window settles), and then no check starts: the keys are given once
    // more, until the server has seen the check's first request.
    const auto checkStarted = [&] {
        return server.HostileLog().substr(logBefore.size()).find("endless /program/") != std::string::npos;
    };
    for (int tries = 0; tries < 3 && !checkStarted(); ++tries) {
        // A menu still open from the last try is closed first, as Esc closes it.
        for (HWND open : ProcessWindows(pid, "#32768", "", true)) PostMessageA(open, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitUntil([&] { return ProcessWindows(pid, "#32768", "", true).empty(); }, 10);
        PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'o');
        HWND popup = WaitForWindow(pid, "#32768", "", 30);
        // (A test of this process that has claimed the single instance makes the started program
        // not the main one: this suite runs in an entry where none has.)
        ASSERT_TRUE(popup) << "the Options menu did not open";
        PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
        PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
        WaitUntil([&] { return checkStarted(); }, 20);
    }
    ASSERT_TRUE(checkStarted()) << "the check for updates did not start";

    const std::string prompt = "Error connecting to server. Please check your\ninternet connection and try again later";
    HWND box = nullptr;
    bool hung = false;
    WaitUntil([&] {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer)) hung = hung || program.Running();
        box = MessageBoxWith(pid, prompt);
        return box || !program.Running();
    }, 120);
    ASSERT_TRUE(program.Running()) << "the program ended during the check";
    ASSERT_TRUE(box) << "no connection error box";
    EXPECT_FALSE(hung) << "the window did not answer during the check";
    const SIZE_T peak = PeakMemory(program.pi.hProcess);
    EXPECT_LT(peak - before, SIZE_T{48} << 20) << "peak memory before the check " << (before >> 20) << " MB, after "
                                               << (peak >> 20) << " MB";
    // Every attempt asked once, and each ended at its first request.
    std::istringstream log(server.HostileLog().substr(logBefore.size()));
    const std::string first = "endless /program/Velmora/Velmora:" VELM_VERSION_TEXT;
    int attempts = 0;
    for (std::string line; std::getline(log, line);)
        if (line.starts_with("endless /program/")) {
            ++attempts;
            EXPECT_TRUE(line.starts_with(first)) << line;
        }
    EXPECT_EQ(attempts, U::kMaxAttempts);

    // The box closes, and the program answers as before.
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !MessageBoxWith(pid, prompt); }, 30));
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer));
    EXPECT_TRUE(program.Running());
}
