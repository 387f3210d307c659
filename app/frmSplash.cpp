#include "app/frmSplash.h"

#include "base/SharedFunctions.h"
#include "res/resource.h"
#include "VelmVersion.h"

const char* const cstrMakerWebAddress = "http://www.quorvath.com/velmora";

frmSplash& SplashForm() {
    static frmSplash form;
    return form;
}

// No title bar text: the window must never be mistaken for the main window.
frmSplash::frmSplash()
    : Form("frmSplash", {.caption = "", .width = 5400, .height = 3240, .border = 0, .minButton = false,
                         .maxButton = false, .showInTaskbar = false, .centered = true}) {}

void frmSplash::Form_Load() {
    auto close = [this] { ui::Defer([this] { if (IsLoaded()) Unload(); }); };
    Image2.MouseUp = [close](int, int, long, long) { close(); };
    Label1.Click = close;
    lblPlatform.Click = close;
    lblCopyright.Click = close;
    Label5.Click = [] { SharedFunctions::ShellOpen(cstrMakerWebAddress); };
    Image2.Create(*this, 300, 240, 4800, 1200);
    Image2.SetPictureFromResource(IDB_SPLASH);
    Label1.Create(*this, 360, 1560, 4600, 300, "");
    lblPlatform.Create(*this, 360, 1920, 4600, 300, "For Windows ME/2000");
    lblCopyright.Create(*this, 360, 2280, 4600, 300, "Copyright (C) Quorvath. All rights reserved.");
    Label5.Create(*this, 360, 2640, 4600, 300, cstrMakerWebAddress);
    Label1.SetCaption(std::string("(") + VELM_VERSION_TEXT + " " + VELM_VERSION_BUILD_TEXT + ")");
}

bool frmSplash::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_COMMAND && !lParam && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ui::Defer([this] { if (IsLoaded()) Unload(); });
        result = 0;
        return true;
    }
    return false;
}

void frmSplash::ShowWhileStarting() {
    Load();
    RECT r;
    GetWindowRect(hWnd(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hWnd(), HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
