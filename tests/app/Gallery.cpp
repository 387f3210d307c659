// Small windows of the main program as a user sees them, for tools/screenshot to photograph:
//
//   app_gallery.exe splash     the splash picture window (closes on a click)
//   app_gallery.exe explorer   the Explorer menu dialog with its illustration
//   app_gallery.exe tray       the tray icon after a left click on it, the mouse resting on it
//                              so that the shell shows its tip (the click's "show the main
//                              window" is not run here: only the icon is shown)
//   app_gallery.exe all FOLDER every window of Velmora photographed into FOLDER as .bmp files:
//                              the main window on each tab (after its scan), then each dialog
//                              shown in front of it (tools/gallery adds VelmRegSvr's and
//                              VelmDepends' windows and makes .png files of them all)
#include <windows.h>

#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main.h"
#include "app/Register_UninstClean.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_ArrangedByOptions.h"
#include "app/dlg_createShortCut.h"
#include "app/dlg_filedoesntexist.h"
#include "app/dlg_searching.h"
#include "app/dlg_tryingtoconnect.h"
#include "app/dlg_update_available.h"
#include "app/frmSplash.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"
#include "image/frmDepends.h"
#include "registry/dlg_FindString.h"
#include "ui/ui.h"
#include "uninstall/dlg_hiddenAutostartEntries.h"
#include "uninstall/dlg_showAppPath.h"

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

// What is on the screen inside a window's outer rectangle, written as a 24-bit .bmp file.
bool SaveWindow(HWND window, const std::string& path) {
    RECT r{};
    if (!window || !GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u, size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    bi.bmiHeader.biSizeImage = size;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out.good();
}

// Moves a window out from under the shell's notification-area window (a window of its own at
// the screen's top-left corner when there is no taskbar), which would be in its picture.
void ClearOfTray(HWND window) {
    HWND tray = FindWindowA(nullptr, "Wine System Tray");
    RECT t{}, w{};
    if (!tray || !IsWindowVisible(tray) || !GetWindowRect(tray, &t) || !GetWindowRect(window, &w)) return;
    RECT overlap{};
    if (!IntersectRect(&overlap, &t, &w)) return;
    SetWindowPos(window, nullptr, w.left + (t.right - w.left) + 20, w.top + (t.bottom - w.top) + 20, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Lets the windows paint (and a tab's scan end) before a picture is taken.
void Settle(DWORD ms = 700) {
    PumpUntil(ms, [] { return false; });
    PumpUntil(600000, [] { return !RunGuard::Active(); });
    PumpUntil(300, [] { return false; });
}

// Every window of Velmora, one after the other, in front of the main window.
void PhotographAll(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    const auto save = [&](HWND window, const std::string& name) {
        ClearOfTray(window);
        SetForegroundWindow(window);
        PumpUntil(400, [] { return false; });
        SaveWindow(window, folder + "\\" + name + ".bmp");
    };
    Register_UninstClean::RunStartupSequence();
    Form_Main& main = frmMain();
    main.Load();
    main.InitStartUpTab();
    main.Show();
    Settle();
    const std::pair<Tab, const char*> tabs[] = {
        {Tab::RegComp, "main-components"}, {Tab::US, "main-uninstall"}, {Tab::SD, "main-services"},
        {Tab::CMH, "main-filetypes"}};
    for (const auto& [tab, name] : tabs) {
        main.SelectTab(tab);
        Settle(1500);
        save(main.hWnd(), name);
    }

    // Each dialog shown modeless over the main window, photographed and closed again. The
    // dialogs that take their parameters from the global state get typical ones.
    clsDroskGlobal& g = DroskGlobal();
    const auto dialog = [&](ui::Form& form, const std::string& name) {
        form.Show(ui::vbModeless, &main);
        Settle();
        save(form.hWnd(), name);
        form.Unload();
        Settle(200);
    };
    dialog(SplashForm(), "about");
    g.Custom = Variant(std::string("RegComp"));
    g.Custom2 = Variant(0L);
    { dlg_ArrangedByOptions d; dialog(d, "options-components"); }
    g.Custom = Variant(std::string("SD"));
    g.Custom2 = Variant(0L);
    { dlg_ArrangedByOptions d; dialog(d, "options-services"); }
    g.Custom2 = Variant(std::string("C:\\Program Files\\Gone Tool\\bin\\gone.dll"));
    { dlg_filedoesntexist d; dialog(d, "file-does-not-exist"); }
    dialog(BusyBox(), "busy");
    { dlg_createShortCut d; dialog(d, "autostart"); }
    // The offer of a newer version: its version, build and download address.
    g.Custom = Variant(std::string("1.9.0"));
    g.Custom2 = Variant(std::string("1301"));
    g.Custom3 = Variant(std::string("http://update.velmora.invalid/Velmora-1.9.0.exe"));
    { dlg_update_available d; dialog(d, "update-available"); }
    dialog(TryingToConnect(), "trying-to-connect");
    {
        bool cancel = false;
        dlg_FindString d(QVRegistry().Options(), cancel);
        dialog(d, "find");
    }
    { Reg_Unreg_Shortcut_Dialog d; dialog(d, "explorer-menu"); }
    { dlg_hiddenAutostartEntries d; dialog(d, "hidden-autostart"); }
    {
        Variant heading(std::string("Application path")), path(std::string("C:\\windows"));
        dlg_showAppPath d(heading, path);
        dialog(d, "show-application-path");
    }
    {
        frmDepends d;
        d.Show(ui::vbModeless, &main);
        d.LoadTree("C:\\windows\\system32\\notepad.exe");
        Settle();
        save(d.hWnd(), "dependencies");
        d.Unload();
    }
    main.Unload();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    const std::string what = cmdLine ? cmdLine : "";
    if (what.rfind("all ", 0) == 0) {
        PhotographAll(what.substr(4));
    } else if (what == "splash") {
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
