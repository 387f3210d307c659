#include "app/dlg_createShortCut.h"

#include <shlobj.h>

#include <fstream>

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/Seams.h"
#include "base/SharedFunctions.h"
#include "platform/ShellLink.h"

namespace {
constexpr char kModule[] = "dlg_createShortCut";
}  // namespace

namespace fd = QV_APIFileAndDisk;

dlg_createShortCut::dlg_createShortCut()
    : Form("dlg_createShortCut", {.caption = "Autostart Velmora", .width = 6300, .height = 4400, .border = 3,
                                  .minButton = false, .maxButton = false, .showInTaskbar = false, .centered = true}) {}

void dlg_createShortCut::Form_Load() {
    if (ProgramFolder.empty()) ProgramFolder = SharedFunctions::AppPath();
    Label1.Create(*this, 240, 180, 5700, 700,
                  "In   order   to   start  Velmora   automatically   while  logon process,  a  shortcut can be  "
                  "created in  your start  menu's startup-folder.");
    Frame1.Create(*this, 240, 960, 5700, 1100, "Your startup folder");
    Label2.Create(Frame1, 150, 300, 4000, 600, "");
    Command2.Click = [this] {
        TrapErrors(kModule, "Command2_Click",
                   [this] { FolderChosen(fd::BrowseForFolder(hWnd(), "", "", 1)); });
    };
    Command2.Create(Frame1, 4300, 300, 1250, 375, "&Browse...");
    // The notice takes two lines where the dialog font is wide (DejaVu Sans, the usual fallback
    // of a Wine without Tahoma), so that the button beside it fits its text in that font too.
    Label_Preex.Create(*this, 240, 2160, 3240, 420, "Shortcut to Velmora found at this location !");
    Command3.Click = [this] { TrapErrors(kModule, "Command3_Click", [this] { RemoveShortcut(); }); };
    Command3.Create(*this, 3540, 2100, 2400, 375, "&Remove existing shortcut");
    Label3.Create(*this, 240, 2640, 5700, 500,
                  "(The shortcut needs to be removed manually, when Velmora is being uninstalled.)");
    Command14.Click = [this] { CreateShortcut(); };
    Command14.Create(*this, 2640, 3360, 1900, 375, "&Create Shortcut", true);
    Command1.Click = [this] { Unload(); };
    Command1.Create(*this, 4680, 3360, 1260, 375, "&Cancel", false, true);

    std::string common;
    fd::GetSpecialFolder(hWnd(), CSIDL_COMMON_STARTUP, common);
    FolderChosen(common);
    ShowNotice();
}

void dlg_createShortCut::ShowNotice() {
    const bool present = fd::FileExists(ShortcutPath());
    Label_Preex.SetVisible(present);
    Command3.SetVisible(present);
}

void dlg_createShortCut::FolderChosen(std::string folder) {
    if (folder.empty()) return;
    // The browse result may still end in a backslash (a drive root): the shortcut path adds one.
    if (folder.back() == '\\') folder.pop_back();
    folder_ = folder;
    Label2.SetCaption(folder_);
    ShowNotice();
}

void dlg_createShortCut::CreateShortcut() {
    std::string target = ProgramFolder;
    if (!target.empty() && target.back() == '\\') target.pop_back();
    target += "\\Velmora.exe";
    const std::string link = ShortcutPath();
    bool succeeded = false;
    TrapErrors(kModule, "Command14_Click", [&] {
        QV_ShellLink::cShellLink shellLink;
        QV_ShellLink::ShellLinkData data;
        data.Target = target;
        data.IconLocation = target;
        shellLink.CreateLink(link, data, succeeded);
    });
    if (!succeeded) {
        ui::MsgBox("Unable to create shortcut", ui::vbCritical);
    } else {
        // The installer's log lists what it put on the disk; the shortcut is added to it.
        const std::string log = ProgramFolder + "\\INSTALL.LOG";
        if (fd::FileExists(log)) std::ofstream(log, std::ios::binary | std::ios::app) << "File Copy: " << link << "\r\n";
        ui::MsgBox("Shortcut successfully created.");
    }
    Unload();
}

void dlg_createShortCut::RemoveShortcut() {
    const std::string link = ShortcutPath();
    if (!fd::DeleteFile(link)) ui::MsgBox("Error deleting shortcut !\n" + link, ui::vbCritical);
    ShowNotice();
}
