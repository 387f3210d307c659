// The splash window shown while the program starts, and the About window: the splash picture,
// the program's version with the build number, the platforms, a notice line and the maker's address.
#pragma once
#include <windows.h>

#include "ui/ui.h"

class frmSplash : public ui::Form {
public:
    frmSplash();
    ui::PictureBox Image2;  // the splash picture (320 x 80 pixels); a click closes the window
    ui::Label Label1, lblPlatform, lblCopyright, Label5;

    // Loads and shows the splash at start-up, centred, without activating it. A window that
    // is never activated stays outside the window manager's care (Wine makes an activated
    // window a managed one), so hiding it waits for no window manager's answer: Wine waits up
    // to two seconds for that answer, also on a display where none runs.
    void ShowWhileStarting();

protected:
    void Form_Load() override;
    // Enter and Escape close the About window, as a click does.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

frmSplash& SplashForm();
// The maker's web address (About window, tray menu, Online-Help).
extern const char* const cstrMakerWebAddress;
