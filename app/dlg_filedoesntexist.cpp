#include "app/dlg_filedoesntexist.h"

#include <windows.h>

#include "app/clsDroskGlobal.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Strings_Lib.h"
#include "base/Seams.h"

namespace {
constexpr char kModule[] = "dlg_filedoesntexist";
}  // namespace

dlg_filedoesntexist::dlg_filedoesntexist()
    : Form("dlg_filedoesntexist", {.caption = "Show file location",
                                   .width = 6900,
                                   .height = 3000,
                                   .border = 3,
                                   .minButton = false,
                                   .maxButton = false,
                                   .showInTaskbar = false,
                                   .centered = true}) {}

void dlg_filedoesntexist::Form_Load() {
    Label1.Create(*this, 240, 120, 6300, 500, "The path specified was not found. Show next level of path ?");
    Frame1.Create(*this, 240, 660, 6300, 1260, "Show");
    LabelPath.Create(Frame1, 120, 300, 6000, 420, "");
    LabelNotExist.Create(Frame1, 120, 780, 3600, 300, "This path does NOT exist !");
    Command14.Create(*this, 1800, 2100, 1440, 400, "&OK", true);
    Command2.Create(*this, 3360, 2100, 1440, 400, "&UpDir");
    Command1.Create(*this, 4920, 2100, 1440, 400, "&Cancel", false, true);
    Command14.Click = [this] { Command14_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    TrapErrors(kModule, "Form_Load", [this] { ShowPath(); });
}

void dlg_filedoesntexist::ShowPath() {
    const std::string path = DroskGlobal().Custom2.ToText();
    LabelPath.SetCaption(path);
    // Folders only: OK never hands an existing file to Explorer's folder view.
    LabelNotExist.SetVisible(!QV_APIFileAndDisk::PathExists(path));
}

void dlg_filedoesntexist::Command2_Click() {
    TrapErrors(kModule, "Command2_Click", [this] {
        Variant& custom2 = DroskGlobal().Custom2;
        // A path too short or without a backslash to climb stays as it is (C: stays C:).
        const std::string parent = QV_Strings_Lib::GetParentPath(custom2.ToText());
        if (!parent.empty()) custom2 = Variant(parent);
        ShowPath();
    });
}

void dlg_filedoesntexist::Command14_Click() {
    TrapErrors(kModule, "Command14_Click", [this] {
        const std::string path = DroskGlobal().Custom2.ToText();
        if (!QV_APIFileAndDisk::PathExists(path)) {
            LabelNotExist.SetVisible(true);
            return;
        }
        Unload();
        ui::StartProgram("Explorer.exe /e," + path, SW_SHOWNORMAL, false);
    });
}

void dlg_filedoesntexist::Command1_Click() {
    DroskGlobal().Custom2 = Variant(int16_t{0});
    Unload();
}
