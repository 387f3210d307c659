#include "app/Form_Drosk_TrayIcon.h"

#include <cstring>

#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/frmSplash.h"
#include "base/QV_Err.h"
#include "base/SharedFunctions.h"
#include "res/resource.h"

Form_Drosk_TrayIcon& TrayForm() {
    static Form_Drosk_TrayIcon form;
    return form;
}

// Never shown; its caption is not the program's title, so a second start never takes it for
// the main window.
Form_Drosk_TrayIcon::Form_Drosk_TrayIcon()
    : Form("Form_Drosk_TrayIcon", {.caption = "", .width = 1200, .height = 900, .border = 0,
                                   .showInTaskbar = false, .iconResource = IDI_VELMORA}) {
    Timer1.Tick = [this] { Timer1_Timer(); };
    timrPassUserEvents.Tick = [this] { timrPassUserEvents_Timer(); };
}

HICON Form_Drosk_TrayIcon::FormIcon() {
    HICON icon = nullptr;
    if (hWnd()) {
        icon = reinterpret_cast<HICON>(SendMessageA(hWnd(), WM_GETICON, ICON_SMALL, 0));
        if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(hWnd(), WM_GETICON, ICON_BIG, 0));
    }
    if (icon) return icon;
    // A form without an icon shows the program's, loaded once for the form's life.
    if (!icon_)
        icon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    return icon_;
}

void Form_Drosk_TrayIcon::FillRecord() {
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd();
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kCallbackMessage;
    nid.hIcon = FormIcon();
    std::memset(nid.szTip, 0, sizeof nid.szTip);
    std::strncpy(nid.szTip, "Velmora", sizeof nid.szTip - 1);
}

bool Form_Drosk_TrayIcon::AddIcon() {
    std::memset(&nid, 0, sizeof nid);
    FillRecord();
    // The shell says whether it shows the icon; a refused add is tried again by the timer.
    blnIconAdded = Shell_NotifyIconA(NIM_ADD, &nid) != FALSE;
    lastTaskbar_ = FindWindowA("Shell_TrayWnd", nullptr);
    return blnIconAdded;
}

void Form_Drosk_TrayIcon::Form_Load() {
    auto& dummy = Menus.Add("mnuDummy", "Popup");
    dummy.SetVisible(false);
    dummy.Add("mnuPopUp0", "&Velmora").Click = [this] { mnuPopUp_Click(0); };
    dummy.Add("mnuPopUp1", cstrMakerWebAddress).Click = [this] { mnuPopUp_Click(1); };
    dummy.Add("mnuPopUp2", "-");
    dummy.Add("mnuPopUp3", "&Shutdown").Click = [this] { mnuPopUp_Click(3); };
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    SetWindowState(ui::vbMinimized);
    AddIcon();
    Hide();
    Timer1.SetInterval(1000);
    Timer1.SetEnabled(true);
    timrPassUserEvents.SetInterval(1);
    timrPassUserEvents.SetEnabled(false);
}

void Form_Drosk_TrayIcon::Form_Unload(int&) {
    Timer1.SetEnabled(false);
    timrPassUserEvents.SetEnabled(false);
    // The shell keeps its own copy of a shown icon.
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
}

void Form_Drosk_TrayIcon::Unhook() {
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd();
    nid.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &nid);
    blnIconAdded = false;
}

bool Form_Drosk_TrayIcon::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == kCallbackMessage) {
        phook_MouseMove(static_cast<UINT>(lParam));
        result = 0;
        return true;
    }
    if (taskbarCreated_ && msg == taskbarCreated_) {
        // A new taskbar knows no icons: put ours back at once.
        if (IsLoaded()) AddIcon();
        result = 0;
        return true;
    }
    return Form::OnMessage(msg, wParam, lParam, result);
}

void Form_Drosk_TrayIcon::phook_MouseMove(UINT mouseMessage) {
    lngTrayMessage = mouseMessage;
    if (blnInTrayCallback) return;
    blnInTrayCallback = true;
    switch (mouseMessage) {
        case WM_LBUTTONDOWN:
            lngPendingAction = 0;
            timrPassUserEvents.SetEnabled(true);
            // The icon and tip shown are refreshed from the form's icon and the program's name.
            FillRecord();
            Shell_NotifyIconA(NIM_MODIFY, &nid);
            break;
        case WM_LBUTTONDBLCLK:
            mnuPopUp_Click(0);
            break;
        case WM_RBUTTONUP:
            SetForegroundWindow(hWnd());
            PopupMenu(Menus["mnuDummy"], &Menus["mnuPopUp0"]);
            PostMessageA(hWnd(), WM_NULL, 0, 0);
            break;
        default:
            break;
    }
    blnInTrayCallback = false;
}

void Form_Drosk_TrayIcon::mnuPopUp_Click(int index) {
    lngPendingAction = index;
    timrPassUserEvents.SetEnabled(true);
}

void Form_Drosk_TrayIcon::timrPassUserEvents_Timer() {
    timrPassUserEvents.SetEnabled(false);
    switch (lngPendingAction) {
        case 0:
            Master::ShowMainWindow(false);
            break;
        case 1:
            SharedFunctions::ShellOpen(cstrMakerWebAddress);
            break;
        case 3:
            Master::AppShutdown(false);
            break;
        default:
            break;
    }
}

void Form_Drosk_TrayIcon::Timer1_Timer() {
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar) {
        if (blnIconAdded) Unhook();
        blnIconAdded = false;
        lastTaskbar_ = nullptr;
        return;
    }
    // A different taskbar window is a restarted taskbar: the icon has to be added again.
    if (!blnIconAdded || taskbar != lastTaskbar_) AddIcon();
}
