#include <windows.h>

#include "uninstall/dlg_showAppPath.h"

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Strings_Lib.h"
#include "base/Seams.h"

namespace {
constexpr char kModule[] = "dlg_showAppPath";
}  // namespace

dlg_showAppPath::dlg_showAppPath(Variant& custom, Variant& custom2)
    : Form("dlg_showAppPath", {.caption = "Check AppPath",
                               .width = 6900,
                               .height = 3300,
                               .border = 3,
                               .minButton = false,
                               .maxButton = false,
                               .showInTaskbar = false,
                               .centered = true}),
      custom_(custom),
      custom2_(custom2) {}

void dlg_showAppPath::Form_Load() {
    labelMain.Create(*this, 240, 120, 6300, 600, "The install path of currently configured application exists !");
    Frame1.Create(*this, 240, 780, 6300, 1260, "Show");
    LabelPath.Create(Frame1, 120, 300, 6000, 420, "C:\\.");
    LabelNotExist.Create(Frame1, 120, 780, 3600, 300, "This path does NOT exist !");
    Label1.Create(*this, 240, 2100, 4200, 300, "(path-existence is being periodically checked...)");
    Command14.Create(*this, 1800, 2460, 1440, 400, "&OK", true);
    Command2.Create(*this, 3360, 2460, 1440, 400, "&UpDir");
    Command1.Create(*this, 4920, 2460, 1440, 400, "&Cancel", false, true);
    Command14.Click = [this] { Command14_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(LabelNotExist.hWnd(), WM_GETFONT, 0, 0))) {
        LOGFONTA lf{};
        GetObjectA(font, sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        static HFONT bold = CreateFontIndirectA(&lf);
        SendMessageA(LabelNotExist.hWnd(), WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    }
    TimerPathExist.SetInterval(50);
    TimerPathExist.Tick = [this] { ShowState(); };
    ShowState();
}

void dlg_showAppPath::Form_Unload(int& cancel) {
    (void)cancel;
    TimerPathExist.SetEnabled(false);
}

void dlg_showAppPath::ShowState() {
    TrapErrors(kModule, "Form_Load", [&] {
        labelMain.SetCaption(custom_.ToText());
        LabelPath.SetCaption(custom2_.ToText());
        LabelNotExist.SetVisible(!QV_APIFileAndDisk::PathExists(custom2_.ToText()));
        TimerPathExist.SetEnabled(true);
    });
}

void dlg_showAppPath::Command14_Click() {
    TimerPathExist.SetEnabled(false);
    TrapErrors(kModule, "Command14_Click", [&] {
        const std::string folder = custom2_.ToText();
        if (!QV_APIFileAndDisk::PathExists(folder)) {
            LabelNotExist.SetVisible(true);
            return;
        }
        Unload();
        ui::StartProgram("Explorer.exe /e," + folder, SW_SHOWNORMAL, false);
    });
}

void dlg_showAppPath::Command2_Click() {
    TimerPathExist.SetEnabled(false);
    TrapErrors(kModule, "Command2_Click", [&] {
        custom2_ = Variant(QV_Strings_Lib::GetParentPath(custom2_.ToText()));
        LabelPath.SetCaption(custom2_.ToText());
        LabelNotExist.SetVisible(!QV_APIFileAndDisk::PathExists(custom2_.ToText()));
    });
}

void dlg_showAppPath::Command1_Click() {
    TimerPathExist.SetEnabled(false);
    TrapErrors(kModule, "Command1_Click", [&] {
        custom2_ = Variant(0L);
        Unload();
    });
}
