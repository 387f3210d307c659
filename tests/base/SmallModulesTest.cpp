#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "BaseFiles.h"
#include "base/ComPtr.h"
#include "base/Handle.h"
#include "base/QV_Application.h"
#include "base/QV_Clipboard.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_System.h"
#include "base/QV_Typelib.h"
#include "base/SharedFunctions.h"
#include "base/Seams.h"

using basetest::ScratchDir;

namespace {

std::atomic<int> gProbeMessages{0};

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++gProbeMessages;
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeWindow(const char* caption) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmBaseProbe";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "VelmBaseProbe", caption, WS_OVERLAPPEDWINDOW, 10, 20, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::string ClipboardBytes(SIZE_T& blockSize) {
    blockSize = 0;
    if (!OpenClipboard(nullptr)) return "<closed>";
    std::string out = "<none>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        blockSize = GlobalSize(h);
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            out.assign(p, blockSize);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return out;
}

}  // namespace

TEST(Clipboard, TextGoesOnAsItsAnsiBytesAndOneNul) {
    const std::string text = "Gr\xFC\xDF" "e \xA9 caf\xE9";  // outside ASCII in the ANSI code page
    QV_Clipboard::SetClipboardText(text);
    SIZE_T size = 0;
    std::string bytes = ClipboardBytes(size);
    ASSERT_GE(size, text.size() + 1);
    EXPECT_EQ(bytes.substr(0, text.size() + 1), text + std::string(1, '\0'));

    QV_Clipboard::SetClipboardText("");
    bytes = ClipboardBytes(size);
    ASSERT_GE(size, 1u);
    EXPECT_EQ(bytes[0], '\0');

    QV_Clipboard::ClearClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST(SystemSleep, TimerSleepWaitsOnTheNamedTimerWithoutProcessingMessages) {
    HWND probe = MakeWindow("velm sleep probe");
    ASSERT_TRUE(probe);
    gProbeMessages = 0;
    PostMessageA(probe, WM_APP, 0, 0);
    std::thread sender([&] { SendMessageTimeoutA(probe, WM_APP, 0, 0, SMTO_NORMAL, 10000, nullptr); });
    // Wait (without looking at messages) until the other thread's message is waiting here.
    for (int i = 0; i < 5000 && !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); ++i) Sleep(1);
    ASSERT_TRUE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    QV_System::TimerSleep(200);
    QueryPerformanceCounter(&end);
    // It waited the time asked for (a timer tick of rounding aside), not less.
    const double waitedMs = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart);
    EXPECT_GE(waitedMs, 185.0);
    // Neither the posted nor the sent message was handled meanwhile: both are still waiting.
    EXPECT_EQ(gProbeMessages, 0);
    const DWORD waiting = HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE));
    EXPECT_TRUE(waiting & QS_POSTMESSAGE);
    EXPECT_TRUE(waiting & QS_SENDMESSAGE);
    // Once this thread looks at its queue, both are handled.
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    sender.join();
    EXPECT_EQ(gProbeMessages, 2);

    // The timer is a named kernel object that stays open to others while it exists.
    QV_System::TimerSleep(0);
    QV_System::SleepMs(1);
    DestroyWindow(probe);
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

TEST(Windows, CenterActivateAndRestore) {
    HWND w = MakeWindow("velm activate probe 7301");
    ASSERT_TRUE(w);
    QV_Forms::CenterForm(w);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);

    ShowWindow(w, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(w));
    EXPECT_TRUE(QV_Application::ActivateWindow(nullptr, "velm activate probe 7301"));
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_FALSE(QV_Application::ActivateWindow(nullptr, "no window has this caption 7301"));

    HWND other = MakeWindow("velm other probe 7301");
    ShowWindow(other, SW_SHOW);
    SetForegroundWindow(other);
    EXPECT_TRUE(QV_Forms::ForceForeground(w));
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_TRUE(QV_Application::ActivateWindow(w, ""));  // already in front
    EXPECT_FALSE(QV_Forms::ForceForeground(nullptr));
    DestroyWindow(other);
    DestroyWindow(w);
}

TEST(Typelib, TypeAttrIsACopy) {
    CoInitialize(nullptr);
    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, &lib), S_OK);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_IDispatch, &info), S_OK);
    TYPEATTR attr = QV_Typelib::GetTypeAttr(info);
    EXPECT_TRUE(IsEqualGUID(attr.guid, IID_IDispatch));
    EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
    info->Release();
    lib->Release();
    // Still readable after the type information has gone.
    EXPECT_TRUE(IsEqualGUID(attr.guid, IID_IDispatch));
    try {
        QV_Typelib::GetTypeAttr(nullptr);
        ADD_FAILURE() << "no error for a null object";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 91);
    }
    CoUninitialize();
}

// The co-classes of real type libraries of the prefix: a library with classes, one without, a
// file with no library and a missing file.
TEST(Typelib, CoClassesOfRealLibraries) {
    CoInitialize(nullptr);
    char system[MAX_PATH + 1] = {};
    GetSystemDirectoryA(system, sizeof system);
    const std::string sys = std::string(system) + "\\";
    QV_Typelib::CoClassList stdole = QV_Typelib::ReadCoClasses(sys + "stdole2.tlb");
    EXPECT_TRUE(stdole.loaded);
    EXPECT_FALSE(stdole.Failed()) << stdole.failureText;
    EXPECT_EQ(stdole.clsids, (std::vector<std::string>{"{0BE35203-8F91-11CE-9DE3-00AA004BB851}",
                                                       "{0BE35204-8F91-11CE-9DE3-00AA004BB851}"}));
    QV_Typelib::CoClassList noClasses = QV_Typelib::ReadCoClasses(sys + "stdole32.tlb");
    EXPECT_TRUE(noClasses.loaded);
    EXPECT_TRUE(noClasses.clsids.empty());
    for (const std::string& file : {sys + "kernel32.dll", sys + "no_such_file_here.tlb", std::string()}) {
        QV_Typelib::CoClassList none = QV_Typelib::ReadCoClasses(file);
        EXPECT_FALSE(none.loaded) << file;
        EXPECT_TRUE(none.clsids.empty()) << file;
    }
    CoUninitialize();
}

// The owning COM pointer releases its one reference once: at scope end, when it receives
// another, or by the new owner after a move.
TEST(ComPtr, ReleasesWhatItHoldsOnce) {
    struct Counted {
        int releases = 0;
        unsigned long Release() { return static_cast<unsigned long>(++releases); }
    };
    Counted a, b;
    {
        ComPtr<Counted> p(&a);
        EXPECT_EQ(p.get(), &a);
        *p.Receive() = &b;  // a is released before the slot is handed out
        EXPECT_EQ(a.releases, 1);
        ComPtr<Counted> q(std::move(p));
        EXPECT_FALSE(p);
        EXPECT_EQ(q->releases, 0);
    }
    EXPECT_EQ(a.releases, 1);
    EXPECT_EQ(b.releases, 1);
    ComPtr<Counted> kept(&a);
    EXPECT_EQ(kept.release(), &a);
    EXPECT_EQ(a.releases, 1);
}

TEST(Handle, ClosesWhatItHoldsOnceAndTakesNeitherNoneValueForAHandle) {
    // A handle is open while GetHandleInformation answers for it.
    auto open = [](HANDLE h) {
        DWORD flags = 0;
        return GetHandleInformation(h, &flags) != FALSE;
    };
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        Handle a(first);
        EXPECT_TRUE(a);
        *a.Receive() = second;  // the first is closed before the slot is handed out
        EXPECT_FALSE(open(first));
        Handle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), second);
        EXPECT_TRUE(open(second));
        Handle c(kept);
        EXPECT_EQ(c.release(), kept);
    }
    EXPECT_FALSE(open(second));
    EXPECT_TRUE(open(kept));
    CloseHandle(kept);
    EXPECT_FALSE(Handle(nullptr));
    EXPECT_FALSE(Handle(INVALID_HANDLE_VALUE));

    WIN32_FIND_DATAA data;
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    FindHandle search(FindFirstFileA((std::string(windows) + "\\*").c_str(), &data));
    ASSERT_TRUE(search);
    EXPECT_TRUE(FindNextFileA(search.get(), &data));
    EXPECT_FALSE(FindHandle(FindFirstFileA((std::string(windows) + "\\no such file.velm").c_str(), &data)));
}

TEST(ErrorTexts, RaiseCarriesTheNumbersText) {
    const struct {
        long number;
        const char* text;
    } cases[] = {{91, "Object variable or With block variable not set"},
                 {35601, "Element not found"},
                 {35602, "Key is not unique in collection"},
                 {1234, "Application-defined or object-defined error"}};
    for (const auto& c : cases) {
        try {
            QV_Err::Raise(c.number, "Here");
            ADD_FAILURE() << "nothing raised";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number, c.number);
            EXPECT_EQ(e.Source, "Here");
            EXPECT_EQ(e.Description, c.text);
        }
    }
}

// The one boundary: whatever a body throws is handed to the sink under the procedure's name.
TEST(ErrorTexts, TrapErrorsHandsEveryErrorToTheSink) {
    EXPECT_TRUE(TrapErrors("m", "Quiet", [] {}));
    const long before = QV_Err::HandledCount();
    EXPECT_FALSE(TrapErrors("m", "Raised", [] { QV_Err::Raise(35601, "x"); }));
    EXPECT_EQ(QV_Err::LastNumber(), 35601);
    EXPECT_FALSE(TrapErrors("m", "Thrown", [] { throw 42; }));
    EXPECT_EQ(QV_Err::LastNumber(), -1);
    EXPECT_EQ(QV_Err::LastProcedure(), "Thrown");
    EXPECT_EQ(QV_Err::HandledCount(), before + 2);
}

TEST(SharedFunctions, ShellOpenUsesTheDefaultActionInANormalWindow) {
    std::vector<ui::ShellRequest> seen;
    ui::ShellOverride shell([&](const ui::ShellRequest& r) {
        seen.push_back(r);
        return false;  // the answer is ignored
    });
    SharedFunctions::ShellOpen("https://example.invalid/velmora");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, nullptr);
    EXPECT_EQ(seen[0].verb, "");
    EXPECT_EQ(seen[0].file, "https://example.invalid/velmora");
    EXPECT_EQ(seen[0].parameters, "");
    EXPECT_EQ(seen[0].directory, "");
    EXPECT_EQ(seen[0].show, SW_SHOWNORMAL);
    EXPECT_FALSE(seen[0].wait);
}

TEST(SharedFunctions, StrayHelperCopiesAreDeletedOutsideTheSystemFolders) {
    ScratchDir dir("velm-helpers");
    for (const char* name : {"msiexec.exe", "rundll32.exe", "other.exe"}) basetest::WriteFile(dir / name, "x");
    SharedFunctions::DeleteStrayHelperCopiesIn(dir.path());
    EXPECT_FALSE(basetest::Exists(dir / "msiexec.exe"));
    EXPECT_FALSE(basetest::Exists(dir / "rundll32.exe"));
    EXPECT_TRUE(basetest::Exists(dir / "other.exe"));

    // The program's own folder.
    std::string own = SharedFunctions::AppPath();
    EXPECT_EQ(own, basetest::ExeFolder());
    basetest::WriteFile(own + "\\rundll32.exe", "x");
    SharedFunctions::DeleteStrayHelperCopies();
    EXPECT_FALSE(basetest::Exists(own + "\\rundll32.exe"));

    // The real helpers of the Windows and system folders stay, however the folder is written.
    char windows[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    std::string sysMsi = std::string(system) + "\\msiexec.exe";
    ASSERT_TRUE(basetest::Exists(sysMsi));
    std::string winHelper = std::string(windows) + "\\rundll32.exe";
    bool madeWinHelper = !basetest::Exists(winHelper);
    if (madeWinHelper) basetest::WriteFile(winHelper, "x");
    std::string upper = system;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    for (const std::string& folder : {std::string(system), upper, std::string(system) + "\\", std::string(windows),
                                      std::string(windows) + "\\"}) {
        SharedFunctions::DeleteStrayHelperCopiesIn(folder);
        EXPECT_TRUE(basetest::Exists(sysMsi)) << folder;
        EXPECT_TRUE(basetest::Exists(winHelper)) << folder;
    }
    if (madeWinHelper) DeleteFileA(winHelper.c_str());
}

TEST(SharedFunctions, UninstallerCopiesEndUpEqual) {
    {
        ScratchDir dir("velm-unwise1");
        basetest::WriteFile(dir / "UNWISE.EXE", "plain");
        SharedFunctions::SyncUninstallerCopiesIn(dir.path());
        EXPECT_EQ(basetest::ReadFile(dir / "QVUNWISE.EXE"), "plain");
        EXPECT_EQ(basetest::ReadFile(dir / "UNWISE.EXE"), "plain");
    }
    {
        ScratchDir dir("velm-unwise2");
        basetest::WriteFile(dir / "QVUNWISE.EXE", "qv");
        SharedFunctions::SyncUninstallerCopiesIn(dir.path());
        EXPECT_EQ(basetest::ReadFile(dir / "UNWISE.EXE"), "qv");
        EXPECT_EQ(basetest::ReadFile(dir / "QVUNWISE.EXE"), "qv");
    }
    {
        ScratchDir dir("velm-unwise3");
        basetest::WriteFile(dir / "QVUNWISE.EXE", "qv");
        basetest::WriteFile(dir / "UNWISE.EXE", "plain");
        SharedFunctions::SyncUninstallerCopiesIn(dir.path());
        EXPECT_EQ(basetest::ReadFile(dir / "UNWISE.EXE"), "qv");
        EXPECT_EQ(basetest::ReadFile(dir / "QVUNWISE.EXE"), "qv");
    }
    {
        ScratchDir dir("velm-unwise4");
        SharedFunctions::SyncUninstallerCopiesIn(dir.path());
        EXPECT_FALSE(basetest::Exists(dir / "UNWISE.EXE"));
        EXPECT_FALSE(basetest::Exists(dir / "QVUNWISE.EXE"));
    }
}
