#include "app/dlg_update_available.h"

#include <windows.h>

#include "app/AutoUpdate_Lib.h"
#include "app/Master.h"
#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"

namespace {
constexpr char kModule[] = "dlg_update_available";
}  // namespace

namespace {
// A REG_SZ value of an open key, "" when it cannot be read.
std::string ReadText(HKEY key, const std::string& name) {
    std::string data;
    long type = REG_SZ;
    return QV_Registry_Lib::QueryValue(key, name, data, type, 0) == "0" ? data : "";
}
}  // namespace

dlg_update_available::dlg_update_available()
    : Form("dlg_update_available", {.caption = "Check for updates", .width = 6600, .height = 5200, .border = 3,
                                    .minButton = false, .maxButton = false, .showInTaskbar = false, .centered = true}) {}

void dlg_update_available::Form_Load() {
    Label1.Create(*this, 240, 180, 6000, 300, "New Update for Velmora available !");
    Frame1.Create(*this, 240, 600, 6000, 1000, "Build information");
    Label2.Create(Frame1, 200, 280, 2600, 260, "Currently installed version:");
    LabelCurVersion.Create(Frame1, 2900, 280, 2800, 260, "");
    Label3.Create(Frame1, 200, 600, 2600, 260, "Available version:");
    LabelAvVer.Create(Frame1, 2900, 600, 2800, 260, "");
    Label4.Create(*this, 240, 1750, 6000, 2100,
                  "Velmora discovered that an updated version is available for download now. By choosing to download "
                  "this update your default browser will launch and ask you where to save the file.\r\n\r\n"
                  "Please verifiy that the previous version of Velmora is completely uninstalled from your system "
                  "before installing the update.\r\n\r\n"
                  "(The AutoUpdate-function is performed without sending any data to Quorvath).");
    Command14.Click = [this] { TrapErrors(kModule, "Command14_Click", [this] { Download(); }); };
    Command14.Create(*this, 2700, 4100, 2000, 375, "&Download update", true);
    Command1.Click = [this] {
        TrapErrors(kModule, "Command1_Click", [this] {
            ui::MsgBox(std::string("It is strongly recommended to update your version of ") + "Velmora" + ".\n" +
                           "If you desired to download the new version later, the AutoUpdate function\n" +
                           "can be achieved in the 'Options menu'.",
                       ui::vbInformation);
            Unload();
        });
    };
    Command1.Create(*this, 4860, 4100, 1215, 375, "&Cancel", false, true);
    Reload();
}

void dlg_update_available::Reload() {
    const clsDroskGlobal& g = DroskGlobal();
    LabelCurVersion.SetCaption(std::string(AutoUpdate_Lib::kProgramVersion) + "#" + AutoUpdate_Lib::kProgramBuild);
    LabelAvVer.SetCaption(g.Custom.ToText() + "#" + g.Custom2.ToText());
}

void dlg_update_available::Form_Unload(int&) { DroskGlobal().blnCancelUpdate = true; }

std::string dlg_update_available::UninstallCommand(const std::string& uninstallString) {
    std::string path = uninstallString;
    const size_t open = path.find('"');
    if (open != std::string::npos) path.erase(0, open + 1);
    const size_t close = path.rfind('"');
    if (close != std::string::npos) path.erase(close);
    if (path.empty()) return "";
    // Quoted, so a path with blanks never runs another program.
    return "\"" + path + "\" /uninst ";
}

void dlg_update_available::StartOwnUninstaller() {
    namespace reg = QV_Registry_Lib;
    RegKey program;
    if (reg::OpenKey(HKEY_LOCAL_MACHINE, std::string("Software\\Quorvath\\") + "Velmora", program.Receive(), 0,
                     reg::KEY_READ_ONLY) != 0)
        return;
    const std::string guid = ReadText(program.get(), "GUID");
    if (guid.empty()) return;
    RegKey entry;
    if (reg::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + guid,
                     entry.Receive(), 0, reg::KEY_READ_ONLY) != 0)
        return;
    const std::string command = UninstallCommand(ReadText(entry.get(), "UninstallString"));
    if (!command.empty()) ui::StartProgram(command, SW_SHOWNORMAL, false);
}

void dlg_update_available::Download() {
    clsDroskGlobal& g = DroskGlobal();
    const std::string location = g.Custom3.ToText();
    // Only a web address is handed to the shell: the version file comes over plain HTTP.
    auto openLocation = [&] {
        if (AutoUpdate_Lib::IsDownloadAddress(location)) ui::ShellOpen(location);
    };
    const int answer = ui::MsgBox(std::string("Do you want to uninstall this version of ") + "Velmora" + "\n" +
                                      "while downloading the update ?",
                                  ui::vbYesNo | ui::vbQuestion, std::string("Update ") + "Velmora");
    if (answer == ui::vbYes) {
        openLocation();
        g.blnCancelUpdate = true;
        TrapErrors(kModule, "StartOwnUninstaller", [this] { StartOwnUninstaller(); });
        Unload();
        Master::AppShutdown(true);
        return;
    }
    ui::MsgBox(std::string("Please verify that this version of ") + "Velmora" + " is completely\n" +
                   "uninstalled from your system before installing the update !",
               ui::vbExclamation, "Action cancled");
    TrapErrors(kModule, "openLocation", openLocation);
    g.blnCancelUpdate = true;
    Unload();
}
