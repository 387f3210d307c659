#include "app/Master.h"

#include <windows.h>

#include <algorithm>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main.h"
#include "app/Register_UninstClean.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/frmSplash.h"
#include "base/Handle.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Application.h"
#include "base/QV_Err.h"
#include "base/QV_System.h"
#include "base/SharedFunctions.h"
#include "res/resource.h"
#include "ui/ui.h"

namespace {
constexpr char kModule[] = "Master";
}  // namespace

namespace Master {

namespace {
std::string g_helpFile;
bool g_ending = false;
Handle g_instanceMark;

// The shutting-down window: a caption, the program's icon and one line; no code of its own.
class dlg_ShuttingDown : public ui::Form {
public:
    dlg_ShuttingDown()
        : Form("dlg_ShuttingDown", {.caption = "Please be patient", .width = 4200, .height = 1300, .border = 3,
                                    .minButton = false, .maxButton = false, .centered = true, .iconResource = IDI_VELMORA}) {}
    ui::Label Label1;

protected:
    void Form_Load() override { Label1.Create(*this, 360, 240, 3600, 300, "Shutting down Velmora..."); }
};

// Asks every running operation to stop. Whether a run goes on stays with the run guard: the run
// ends at its worker's next look at the cancel flag, and its closing steps end its turn.
void StopRuns() {
    clsDroskGlobal& g = DroskGlobal();
    g.blnCancel = true;
    g.blnCancelUpdate = true;
}
}  // namespace

std::function<void()>& EndProgram() {
    static std::function<void()> end = [] { ExitProcess(0); };
    return end;
}

bool Ending() { return g_ending; }

const std::string& HelpFile() { return g_helpFile; }

void AutoUpdateStartStop(const std::string&) {}

bool PrevInstance() {
    if (!g_instanceMark) {
        g_instanceMark.reset(CreateMutexA(nullptr, FALSE, "Local\\Quorvath.Velmora.Instance"));
        if (g_instanceMark && GetLastError() == ERROR_ALREADY_EXISTS) {
            g_instanceMark.reset();
            return true;
        }
    }
    return false;
}

namespace {
// The running instance's message-only window: a second start asks it, by a registered message,
// to bring the main window forward (loading it when the program lives only in the tray).
const char kInstanceClass[] = "Quorvath.Velmora.Instance";

UINT BringForwardMessage() {
    static const UINT id = RegisterWindowMessageA("Quorvath.Velmora.BringForward");
    return id;
}

void BringForward() {
    // Loading the window runs its start tab's refresh: never inside a prompt or another run.
    if (!frmMain().IsLoaded() && RunGuard::Busy()) {
        RunGuard::AfterRun(BringForward, "bring forward");
        return;
    }
    TrapErrors(kModule, "BringForward", [] { ShowMainWindow(true); });
}

LRESULT CALLBACK InstanceWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != 0 && msg == BringForwardMessage()) {
        BringForward();
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void CreateInstanceWindow() {
    static HWND window = nullptr;
    if (window) return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = InstanceWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kInstanceClass;
    RegisterClassA(&wc);
    BringForwardMessage();
    window = CreateWindowExA(0, kInstanceClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

struct InstanceSearch {
    HWND found = nullptr;
};

// A visible top-level window of another process, titled "Velmora", owned by no other window.
BOOL CALLBACK FindMainWindow(HWND w, LPARAM p) {
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    if (std::string(title) != "Velmora" || GetWindow(w, GW_OWNER) || !IsWindowVisible(w)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) return TRUE;
    reinterpret_cast<InstanceSearch*>(p)->found = w;
    return FALSE;
}
}  // namespace

bool ActivatePrevInstance() {
    // The running instance shows its own window; it may take the foreground from this start.
    if (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, kInstanceClass, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId()) {
            AllowSetForegroundWindow(pid);
            if (PostMessageA(w, BringForwardMessage(), 0, 0)) return true;
        }
    }
    // An instance still starting has no such window yet: its visible main window is activated.
    InstanceSearch s;
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&s));
    if (!s.found) return false;
    if (IsIconic(s.found)) ShowWindow(s.found, SW_RESTORE);
    return QV_Application::ActivateWindow(s.found, "");
}

void ShowMainWindow(bool activate) {
    Form_Main& f = frmMain();
    if (!f.IsLoaded()) f.Load();
    if (!f.IsLoaded()) return;
    TrapErrors(kModule, "ShowMainWindow", [&] {
        f.Show();
        if (f.WindowState() == ui::vbMinimized) f.SetWindowState(ui::vbNormal);
        if (activate) QV_Application::ActivateWindow(f.hWnd(), "");
    });
    if (f.IsLoaded()) f.InitStartUpTab();
}

void WireConnectorEvents() {
    clsDroskGlobal::RegComp_checkVelm() = [] { frmMain().RegComp_checkVelm(); };
    clsDroskGlobal::MainFormLoaded() = [] { return blnMainFormLoaded; };
}

bool Main() {
    // A second start only brings the running instance forward.
    if (PrevInstance()) {
        ActivatePrevInstance();
        return false;
    }
    bool go = true;
    WireConnectorEvents();
    TrapErrors(kModule, "Startup Sequence", [&] {
        Register_UninstClean::RunStartupSequence();
        clsDroskGlobal& g = DroskGlobal();  // fails here when the connector cannot be created

        frmSplash& splash = SplashForm();
        splash.ShowWhileStarting();
        splash.Refresh();
        const std::string letter = g.objVelmora_mq()->ActionLetter();
        const bool trayOnly = letter != "V" && letter != "R" && g.blnOptionLaunchMinimized && g.blnOptionShowInTaskbar;
        // The splash stays up its 650 ms; the main window's pictures are loaded meanwhile.
        const ULONGLONG shownAt = GetTickCount64();
        if (!trayOnly) frmMain().BuildImageLists();
        QV_System::SleepMs(static_cast<long>(650 - std::min<ULONGLONG>(650, GetTickCount64() - shownAt)));

        g_helpFile = SharedFunctions::AppPath() + "\\Velmora.chm";
        splash.Hide();

        if (g.blnOptionShowInTaskbar) TrayForm().Load();

        if (!trayOnly) {
            Form_Main& f = frmMain();
            f.Load();
            if (f.IsLoaded()) f.InitStartUpTab();
        }
        if (splash.IsLoaded()) splash.Unload();
    });
    // Never stay running without a window or an icon.
    if (!frmMain().IsLoaded() && !TrayForm().IsLoaded()) {
        if (!DroskGlobalExists())
            ui::MsgBox("Velmora could not connect to its single-instance connector and ends.", ui::vbCritical);
        go = false;
    }
    if (go) CreateInstanceWindow();
    return go;
}

void AppShutdown(bool showDialog) {
    TrapErrors(kModule, "AppShutdown", [] { StopRuns(); });
    // A long run ends first; the shutdown happens after its closing steps (the program must
    // not end under a running run).
    if (RunGuard::Active()) {
        RunGuard::AfterRun([showDialog] { AppShutdown(showDialog); }, "shut down");
        return;
    }
    TrapErrors(kModule, "AppShutdown", [&] {
        g_ending = true;
        static dlg_ShuttingDown shuttingDown;
        if (showDialog) {
            shuttingDown.Show();
            QV_Application::ActivateWindow(shuttingDown.hWnd(), "");
            shuttingDown.Refresh();
        }
        if (frmMain().IsLoaded()) frmMain().Unload();
        if (DroskGlobal().blnOptionShowInTaskbar && TrayForm().IsLoaded()) {
            TrayForm().Unhook();
            TrayForm().Unload();
        }
        if (TrayForm().IsLoaded()) {
            TrayForm().Unhook();
            TrayForm().Unload();
        }
        if (shuttingDown.IsLoaded()) shuttingDown.Unload();
    });
    g_ending = true;
    EndProgram()();
}

void AppExit() {
    TrapErrors(kModule, "AppExit", [] {
        StopRuns();
        Form_Main& f = frmMain();
        if (f.IsLoaded() && !f.Closing()) f.Unload();
        if (!DroskGlobal().blnOptionShowInTaskbar) {
            g_ending = true;
            EndProgram()();
        }
    });
}

}  // namespace Master
