// The program's small windows and parts: the splash with its picture, the tray form's load and
// its left click, and the splitter bar that Init makes borderless.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "VelmVersion.h"
#include "app/Form_Drosk_TrayIcon.h"
#include "app/SplitterCtrl.h"
#include "app/frmSplash.h"
#include "ui/ui.h"

namespace {

// A pixel of what a picture box shows.
COLORREF Shown(ui::PictureBox& box, int x, int y) { return GetPixel(box.hDC(), x, y); }

class frmBars : public ui::Form {
public:
    frmBars() : Form("frmBars", {.caption = "Bars", .width = 6000, .height = 4000}) {}
    ui::PictureBox bar;
    ui::ListView tree;

protected:
    void Form_Load() override {
        bar.SetBorderStyle(1);
        bar.Create(*this, 2000, 200, 60, 3000);
        tree.Create(*this, 100, 200, 1800, 3000);
    }
};

}  // namespace

TEST(Splash, ShowsItsPictureAndVersionAndAClickOnThePictureClosesIt) {
    frmSplash& splash = SplashForm();
    splash.Load();
    ASSERT_TRUE(splash.IsLoaded());
    EXPECT_EQ(splash.Label1.Caption(), "(" VELM_VERSION_TEXT " " VELM_VERSION_BUILD_TEXT ")");
    // Image2 holds the program's splash bitmap, whole, and shows it.
    HBITMAP picture = splash.Image2.Picture();
    ASSERT_NE(picture, nullptr);
    BITMAP bm{};
    GetObject(picture, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 320);
    EXPECT_EQ(bm.bmHeight, 80);
    RECT r{};
    GetClientRect(splash.Image2.hWnd(), &r);
    EXPECT_GE(r.right, 320);
    EXPECT_GE(r.bottom, 80);
    EXPECT_EQ(Shown(splash.Image2, 200, 0), RGB(10, 36, 106));  // the band's top row
    EXPECT_EQ(Shown(splash.Image2, 30, 13), RGB(60, 60, 60));  // the icon's outline
    // The labels lie below the picture, inside the window.
    EXPECT_GE(splash.Label1.Top(), splash.Image2.Top() + splash.Image2.Height());
    EXPECT_LE(splash.Label5.Top() + splash.Label5.Height(), splash.ScaleHeight());

    SendMessageA(splash.Image2.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(splash.Image2.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ui::DoEvents();
    EXPECT_FALSE(splash.IsLoaded());
}

TEST(TrayIcon, LoadsMinimisedAndALeftClickRefreshesTheIconAndTip) {
    Form_Drosk_TrayIcon& tray = TrayForm();
    tray.Load();
    ASSERT_TRUE(tray.IsLoaded());
    EXPECT_EQ(tray.WindowState(), ui::vbMinimized);
    EXPECT_FALSE(IsWindowVisible(tray.hWnd()));
    const HICON first = tray.Record().hIcon;
    EXPECT_NE(first, nullptr);
    EXPECT_STREQ(tray.Record().szTip, "Velmora");

    // The form's icon changes: a left click shows the new one with the program's tip.
    HICON other = LoadIcon(nullptr, IDI_WARNING);
    const LRESULT previous = SendMessageA(tray.hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(other));
    tray.phook_MouseMove(WM_MOUSEMOVE);
    EXPECT_EQ(tray.Record().hIcon, first);  // a move refreshes nothing
    tray.phook_MouseMove(WM_LBUTTONDOWN);
    EXPECT_EQ(tray.Record().hIcon, other);
    EXPECT_STREQ(tray.Record().szTip, "Velmora");
    EXPECT_EQ(tray.Record().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(tray.lngPendingAction, 0);
    EXPECT_FALSE(tray.blnInTrayCallback);
    // Only an icon the shell holds can be modified: the click's refresh reached it.
    NOTIFYICONDATAA probe = tray.Record();
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));

    SendMessageA(tray.hWnd(), WM_SETICON, ICON_SMALL, previous);
    // The pending "show the main window" is not run: the form goes before any tick.
    tray.Unhook();
    tray.Unload();
    EXPECT_FALSE(tray.IsLoaded());
}

TEST(Splitter, InitMakesTheBarABorderlessButtonFaceStrip) {
    frmBars form;
    form.Load();
    ASSERT_TRUE(form.IsLoaded());
    EXPECT_EQ(form.bar.BorderStyle(), 1);
    EXPECT_TRUE(GetWindowLongPtrA(form.bar.hWnd(), GWL_STYLE) & WS_BORDER);
    SplitterCtrl split;
    split.Init(form.bar, &form.tree);
    EXPECT_EQ(form.bar.BorderStyle(), 0);
    EXPECT_FALSE(GetWindowLongPtrA(form.bar.hWnd(), GWL_STYLE) & WS_BORDER);
    // Without a border the whole bar is client area.
    RECT client{}, window{};
    GetClientRect(form.bar.hWnd(), &client);
    GetWindowRect(form.bar.hWnd(), &window);
    EXPECT_EQ(client.right, window.right - window.left);
    EXPECT_EQ(form.bar.BackColor(), GetSysColor(COLOR_BTNFACE));
    // The panes take the reference control's top and height.
    split.SetSplitter();
    EXPECT_EQ(form.bar.Top(), form.tree.Top());
    EXPECT_EQ(form.bar.Height(), form.tree.Height());
    form.Unload();
}
