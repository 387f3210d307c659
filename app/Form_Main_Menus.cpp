// The main window's menus: the File, Options and Help menus, each tab's "Edit" menu, the
// pop-up menus of the values lists and of the clipboard, with the commands their items run.
#include "app/Form_Main.h"

#include "app/AutoUpdate_Lib.h"
#include "app/dlg_createShortCut.h"

#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "app/frmSplash.h"
#include "base/SharedFunctions.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {
ui::MenuItem& item(ui::MenuItem& m, const char* name, const char* caption, std::function<void()> click = {}) {
    auto& i = m.Add(name, caption);
    if (click) i.Click = std::move(click);
    return i;
}
}  // namespace

void Form_Main::BuildMenus() {
    ui::Menu::Batch batch(Menus);
    auto& file = Menus.Add("MNU_File", "&File");
    for (Tab tab : {Tab::RegComp, Tab::US, Tab::SD, Tab::CMH}) {
        const TabFacts& t = Facts(tab);
        item(file, t.fileItem, t.title, [this, tab] { MenuFileTab(tab); });
    }
    item(file, "MNU_File_Sep1", "-");
    item(file, "MNU_File_Exit", "Exit", [this] { MNU_File_Exit_Click(); });
    item(file, "MNU_File_Sep2", "-");
    item(file, "MNU_File_ShutDown", "Shutdown", [this] { MNU_File_ShutDown_Click(); });

    // Each tab's Edit menu, shown in the menu bar while its tab is shown.
    auto& us = Menus.Add(Facts(Tab::US).editMenu, "Edit");
    item(us, "MNU_UninstClean_Uninstall", "Configure/Uninstall this Application", [this] { MNU_UninstClean_Uninstall_Click(); });
    item(us, "MNU_UninstClean_ShowApplicationPath", "Show Application Path",
         [this] { MNU_UninstClean_ShowApplicationPath_Click(); });
    item(us, "MNU_UninstClean_DeleteKey", "Delete Key", [this] { MNU_UninstClean_DeleteKey_Click(); });
    item(us, "MNU_UninstClean_Sep1", "-");
    item(us, "MNU_UninstClean_RefreshUninst", "Refresh List", [this] { MNU_UninstClean_RefreshUninst_Click(); });
    item(us, "MNU_UninstClean_RebuildCache", "Rebuild cached Software Information",
         [this] { MNU_UninstClean_RebuildCache_Click(); });
    item(us, "MNU_UninstClean_Sep2", "-");
    item(us, "MNU_UninstClean_Regedit", "Regedit...", [this] { MNU_UninstClean_Regedit_Click(); });
    item(us, "MNU_UninstClean_HiddenAutostart", "Hidden Autostart entries...",
         [this] { MNU_UninstClean_HiddenAutostart_Click(); });

    auto& sd = Menus.Add(Facts(Tab::SD).editMenu, "Edit");
    auto& sdNew = item(sd, "MNU_ServicesDevicesNew", "New");
    item(sdNew, "MNU_ServicesDevices_New_Key", "Key");
    item(sdNew, "MNU_ServicesDevices_New_Value", "Value");
    item(sd, "MNU_ServicesDevices_Delete", "Delete");
    item(sd, "MNU_ServicesDevices_DeleteComponent", "Delete Component");
    item(sd, "MNU_ServicesDevices_Rename", "Rename");
    item(sd, "MNU_ServicesDevices_Sep1", "-");
    item(sd, "MNU_ServicesDevices_ShowFilePath", "Show File path");
    item(sd, "MNU_ServicesDevices_Sep2", "-");
    item(sd, "MNU_ServicesDevices_Refresh", "Refresh TreeView", [this] { cmdSD_Refresh_Click(); });
    item(sd, "MNU_ServicesDevices_SearchInRegistry", "Search in Registry");
    item(sd, "MNU_ServicesDevices_Regedit", "Regedit...");
    item(sd, "MNU_ServicesDevices_Dependencies", "Dependencies...");
    item(sd, "MNU_ServicesDevices_Options", "Options...");
    item(sd, "MNU_ServicesDevices_Sep3", "-");
    item(sd, "MNU_Services_Devices_MMC", "Management Console (Win 2K/XP only)...");

    auto& cmh = Menus.Add(Facts(Tab::CMH).editMenu, "Edit");
    auto& cmhNew = item(cmh, "MNU_CMHNew", "New");
    item(cmhNew, "MNU_CMHNEw_Key", "Key");
    item(cmhNew, "MNU_CMHNew_Value", "Value");
    item(cmh, "MNU_CMH_Delete", "Delete");
    item(cmh, "MNU_CMH_Delete_all_entries_of_this_component", "Delete all entries of this component");
    item(cmh, "MNU_CMH_Rename", "Rename");
    item(cmh, "MNU_CMH_Sep1", "-");
    item(cmh, "MNU_CMH_Refresh", "Refresh TreeView", [this] { Command7_Click(); });
    item(cmh, "MNU_CMH_SearchInRegistry", "Search in Registry");
    item(cmh, "MNU_CMH_Regedit", "Regedit...");
    item(cmh, "MNU_CMH_Sep2", "-");
    item(cmh, "MNU_CMH_FolderOptions", "Folder options (Win 2K/XP only)...");

    auto& rc = Menus.Add(Facts(Tab::RegComp).editMenu, "Edit");
    auto& rcNew = item(rc, "MNU_RegComp_Newxx", "New");
    item(rcNew, "MNU_RegComp_New", "Key");
    item(rcNew, "MNU_RegComp_NewValue", "Value");
    item(rc, "MNU_RegComp_Sep1", "-");
    item(rc, "MNU_RegComp_Delete", "Delete");
    item(rc, "MNU_RegComp_Rename", "Rename");
    item(rc, "MNU_RegComp_Delete_all_enties_of_this_component", "Remove this class entry");
    item(rc, "MNU_RegComp_Delete_components_Server", "Remove this and all other entries referring to the same server");
    item(rc, "MNU_RegComp_Sep2", "-");
    item(rc, "MNU_RegComp_Show_File_path", "Show server/class File path", [this] { MNU_RegComp_Show_File_path_Click(); });
    item(rc, "MNU_RegComp_Unregisterthiscomponent", "Unregister server this class refers to",
         [this] { MNU_RegComp_Unregisterthiscomponent_Click(); });
    item(rc, "MNU_RegComp_Register_NEW_component", "Register NEW server",
         [this] { MNU_RegComp_Register_NEW_component_Click(); });
    item(rc, "MNU_RegComp_RegUnregShortcut", "Register/Unregister shortcut...").SetVisible(false);
    item(rc, "MNU_RegComp_Sep3", "-");
    item(rc, "MNU_RegComp_RefreshTreeView", "Refresh TreeView", [this] { MNU_RegComp_RefreshTreeView_Click(); });
    item(rc, "MNU_RegComp_SearchInRegistry", "Search in Registry", [this] { MNU_RegComp_SearchInRegistry_Click(); });
    item(rc, "MNU_RegComp_Regedit", "Regedit...", [this] { MNU_RegComp_Regedit_Click(); });
    item(rc, "MNU_RegComp_Dependencies", "Dependencies...", [this] { MNU_RegComp_Dependencies_Click(); });
    item(rc, "MNU_RegComp_Options", "Options...");

    auto& opt = Menus.Add("MNU_Options", "&Options");
    item(opt, "MNU_Options_Show_in_Taskbar", "Show in Taskbar", [this] { MNU_Options_Show_in_Taskbar_Click(); });
    item(opt, "MNU_Options_StartMinimized", "Start Minimized", [this] {
        auto& m = Menus["MNU_Options_StartMinimized"];
        m.SetChecked(!m.Checked());
        DroskGlobal().blnOptionLaunchMinimized = m.Checked();
    });
    item(opt, "MNU_Options_Autostart", "Autostart...", [this] {
        TrapErrors(kModule, "MNU_Options_Autostart_Click", [this] {
            dlg_createShortCut dlg;
            dlg.Show(ui::vbModal, this);
        });
    });
    item(opt, "MNU_Options_Sep1", "-");
    // The stored option only drives the check mark: nothing starts a check by itself.
    item(opt, "MNU_Options_AutoUpdate", "Check for Updates", [this] {
        auto& m = Menus["MNU_Options_AutoUpdate"];
        m.SetChecked(!m.Checked());
        DroskGlobal().blnOptionAutoUpdate = m.Checked();
    }).SetVisible(false);
    item(opt, "MNU_Options_AutoUpdateCheckNow", "Check for Updates...", [this] { AutoUpdate_Lib::CheckNow(this); });

    auto& help = Menus.Add("Help", "&Help");
    item(help, "Contents", "Contents", [this] { Contents_Click(); });
    item(help, "OnlineHelp", "Online-Help", [] { SharedFunctions::ShellOpen(cstrMakerWebAddress); });
    item(help, "Help_Sep1", "-");
    item(help, "License_Agreement", "License Agreement", [] {
        ui::ShellRequest r;
        r.owner = frmMain().hWnd();
        r.file = SharedFunctions::AppPath() + "\\LICENSE.RTF";
        ui::RunShellExecute(r);
    });
    item(help, "Help_Sep2", "-");
    item(help, "About", "About", [this] { About_Click(); });

    // Menus kept only for pop-ups over the trees and lists.
    for (Tab tab : {Tab::SD, Tab::CMH, Tab::RegComp}) {
        const char* name = Facts(tab).entriesMenu;
        auto& m = Menus.Add(name, name + 4);  // the caption is the name without "MNU_"
        std::string n = name;
        m.Add(n + "_New", "New");
        m.Add(n + "_Delete", "Delete");
        m.Add(n + "_Sep1", "-");
        m.Add(n + "_Modify", "Modify");
        m.Add(n + "_Rename", "Rename");
        m.SetVisible(false);
    }
    Menus.Add("MNU_RegComp_Clipboard", "Clipboard").Add("MNU_RegComp_Clipboard_Copy", "Copy to clipboard");
    Menus["MNU_RegComp_Clipboard"].SetVisible(false);
    Menus.Add("MNU_SD_Clipboard", "Clipboard").Add("MNU_SD_Clipboard_copy", "Copy to clipboard");
    Menus["MNU_SD_Clipboard"].SetVisible(false);

    WireEditMenus();
}
