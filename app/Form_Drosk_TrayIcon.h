// The hidden form that owns the notification-area icon: it adds the icon when it loads, turns
// clicks on the icon into showing the main window, opening the maker's site or shutting down,
// and puts the icon back whenever the taskbar is re-created.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "ui/ui.h"

class Form_Drosk_TrayIcon : public ui::Form {
public:
    Form_Drosk_TrayIcon();

    // Removes the icon from the notification area.
    void Unhook();
    // One icon callback: the mouse message the shell reports (WM_LBUTTONDOWN, ...).
    void phook_MouseMove(UINT mouseMessage);
    void mnuPopUp_Click(int index);
    void timrPassUserEvents_Timer();
    void Timer1_Timer();

    // The shell shows the icon (its answer to the last add, cleared by Unhook).
    bool blnIconAdded = false;
    long lngPendingAction = 0;
    UINT lngTrayMessage = 0;
    bool blnInTrayCallback = false;

    ui::Timer Timer1, timrPassUserEvents;

    // The notification record last given to the shell.
    const NOTIFYICONDATAA& Record() const { return nid; }

    // The window message the shell sends the icon's callbacks with.
    static constexpr UINT kCallbackMessage = WM_APP + 0x101;

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Shows the icon in the notification area; true when the shell took it.
    bool AddIcon();
    // The record of the icon: this form's window, the callback message, the form's icon and
    // the tip "Velmora".
    void FillRecord();
    // The form's small icon (its large one, else the program's).
    HICON FormIcon();
    NOTIFYICONDATAA nid{};
    HICON icon_ = nullptr;
    HWND lastTaskbar_ = nullptr;
    UINT taskbarCreated_ = 0;
};

Form_Drosk_TrayIcon& TrayForm();
