// Small windows of the main program as a user sees them, for tools/screenshot to photograph:
//
//   app_gallery.exe splash     the splash picture window (closes on a click)
//   app_gallery.exe explorer   the Explorer menu dialog with its illustration
//   app_gallery.exe tray       the tray icon after a left click on it, the mouse resting on it
//                              so that the shell shows its tip (the click's "show the main
//                              window" is not run here: only the icon is shown)
#include <windows.h>

#include <string>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/frmSplash.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"
#include "ui/ui.h"

namespace {

// Handles the waiting messages until `done` says so or the time is up.
template <class Done>
void PumpUntil(DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done()) return;
        }
        Sleep(10);
    }
}

// Clicks the tray form's icon where the shell shows it, as the user does, and leaves the mouse
// on it.
void ClickTrayIcon(Form_Drosk_TrayIcon& tray) {
    HWND shell = nullptr;
    // Without a desktop's taskbar the shell shows its icons in a window of their own.
    PumpUntil(5000, [&] { return (shell = FindWindowA(nullptr, "Wine System Tray")) && IsWindowVisible(shell); });
    if (!shell) return;
    RECT r{};
    GetClientRect(shell, &r);
    POINT icon{GetSystemMetrics(SM_CXSMICON) / 2 + 2, (r.bottom - r.top) / 2};
    ClientToScreen(shell, &icon);

    SetCursorPos(icon.x, icon.y);
    PumpUntil(300, [] { return false; });
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    // The click's deferred action is dropped as soon as the click has come.
    PumpUntil(3000, [&] {
        if (tray.lngTrayMessage != WM_LBUTTONDOWN) return false;
        tray.timrPassUserEvents.SetEnabled(false);
        return true;
    });
    // Small moves on the icon make the shell show the tip.
    for (int i = 0; i < 6; ++i) {
        SetCursorPos(icon.x + (i % 2), icon.y + 1);
        PumpUntil(150, [&] {
            tray.timrPassUserEvents.SetEnabled(false);
            return false;
        });
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    const std::string what = cmdLine ? cmdLine : "";
    if (what == "splash") {
        frmSplash& splash = SplashForm();
        splash.Show();
        ui::Run();
    } else if (what == "explorer") {
        Reg_Unreg_Shortcut_Dialog dialog;
        dialog.Show();
        ui::Run();
    } else if (what == "tray") {
        Form_Drosk_TrayIcon& tray = TrayForm();
        tray.Load();
        tray.timrPassUserEvents.Tick = [&tray] { tray.timrPassUserEvents.SetEnabled(false); };
        ClickTrayIcon(tray);
        PumpUntil(60000, [&] {
            tray.timrPassUserEvents.SetEnabled(false);
            return !tray.IsLoaded();
        });
        if (tray.IsLoaded()) {
            tray.Unhook();
            tray.Unload();
        }
    }
    return 0;
}
