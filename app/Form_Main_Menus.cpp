// The main window's menus: the File, Options and Help menus, each tab's "Edit" menu, the
// pop-up menus of the values lists and of the clipboard. One table per menu gives each item's
// parent, name, caption and command, in menu order: every item is created and wired here.
#include "app/Form_Main.h"

#include "app/AutoUpdate_Lib.h"
#include "app/Form_Main_Menus.h"
#include "app/dlg_createShortCut.h"

#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "app/frmSplash.h"
#include "base/SharedFunctions.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"

namespace {
constexpr char kModule[] = "Form_Main";

namespace M = MainMenu;

// One menu item: its parent (null for a menu of the menu bar), name, caption ("-" is a
// separator line) and command. An item with neither a command in this program nor items of
// its own stays grey.
struct MenuRow {
    const char* parent;
    const char* name;
    const char* caption;
    std::function<void(Form_Main&)> click = {};
    bool hidden = false;  // taken out of its menu (a pop-up-only menu: out of the menu bar)
};

template <size_t N>
void AddMenu(ui::Menu& menus, Form_Main& form, const MenuRow (&rows)[N]) {
    for (const MenuRow& row : rows) {
        ui::MenuItem& item = row.parent ? menus[row.parent].Add(row.name, row.caption) : menus.Add(row.name, row.caption);
        if (row.click) item.Click = [&form, click = row.click] { click(form); };
        if (row.hidden) item.SetVisible(false);
    }
    for (const MenuRow& row : rows) {
        ui::MenuItem& item = menus[row.name];
        if (row.parent && !row.click && !item.IsSeparator() && item.Count() == 0) item.SetEnabled(false);
    }
}
}  // namespace

void Form_Main::BuildMenus() {
    ui::Menu::Batch batch(Menus);
    // The File menu's first items show the tabs, named and captioned by the tab table.
    auto tabRow = [](Tab tab) {
        return MenuRow{M::File::Menu, Facts(tab).fileItem, Facts(tab).title, [tab](Form_Main& f) { f.MenuFileTab(tab); }};
    };
    const MenuRow file[] = {
        {nullptr, M::File::Menu, "&File"},
        tabRow(Tab::RegComp),
        tabRow(Tab::US),
        tabRow(Tab::SD),
        tabRow(Tab::CMH),
        {M::File::Menu, M::File::Sep1, "-"},
        {M::File::Menu, M::File::Exit, "Exit", [](Form_Main& f) { f.MNU_File_Exit_Click(); }},
        {M::File::Menu, M::File::Sep2, "-"},
        {M::File::Menu, M::File::ShutDown, "Shutdown", [](Form_Main& f) { f.MNU_File_ShutDown_Click(); }},
    };
    AddMenu(Menus, *this, file);

    // Each tab's Edit menu, shown in the menu bar while its tab is shown.
    namespace US = M::UninstClean;
    const MenuRow us[] = {
        {nullptr, US::Menu, "Edit"},
        {US::Menu, US::Uninstall, "Configure/Uninstall this Application",
         [](Form_Main& f) { f.MNU_UninstClean_Uninstall_Click(); }},
        {US::Menu, US::ShowApplicationPath, "Show Application Path",
         [](Form_Main& f) { f.MNU_UninstClean_ShowApplicationPath_Click(); }},
        {US::Menu, US::DeleteKey, "Delete Key", [](Form_Main& f) { f.MNU_UninstClean_DeleteKey_Click(); }},
        {US::Menu, US::Sep1, "-"},
        {US::Menu, US::RefreshUninst, "Refresh List", [](Form_Main& f) { f.MNU_UninstClean_RefreshUninst_Click(); }},
        {US::Menu, US::RebuildCache, "Rebuild cached Software Information",
         [](Form_Main& f) { f.MNU_UninstClean_RebuildCache_Click(); }},
        {US::Menu, US::Sep2, "-"},
        {US::Menu, US::Regedit, "Regedit...", [](Form_Main& f) { f.MNU_UninstClean_Regedit_Click(); }},
        {US::Menu, US::HiddenAutostart, "Hidden Autostart entries...",
         [](Form_Main& f) { f.MNU_UninstClean_HiddenAutostart_Click(); }},
    };
    AddMenu(Menus, *this, us);

    namespace SD = M::ServicesDevices;
    const MenuRow sd[] = {
        {nullptr, SD::Menu, "Edit"},
        {SD::Menu, SD::New, "New"},
        {SD::New, SD::NewKey, "Key", [](Form_Main& f) { f.EditNewKey(Tab::SD); }},
        {SD::New, SD::NewValue, "Value", [](Form_Main& f) { f.EditNewValue(Tab::SD); }},
        {SD::Menu, SD::Delete, "Delete", [](Form_Main& f) { f.EditDeleteKey(Tab::SD); }},
        {SD::Menu, SD::DeleteComponent, "Delete Component",
         [](Form_Main& f) { f.MNU_ServicesDevices_DeleteComponent_Click(); }},
        {SD::Menu, SD::Rename, "Rename", [](Form_Main& f) { f.EditRenameKey(Tab::SD); }},
        {SD::Menu, SD::Sep1, "-"},
        {SD::Menu, SD::ShowFilePath, "Show File path", [](Form_Main& f) { f.MNU_ServicesDevices_ShowFilePath_Click(); }},
        {SD::Menu, SD::Sep2, "-"},
        {SD::Menu, SD::Refresh, "Refresh TreeView", [](Form_Main& f) { f.cmdSD_Refresh_Click(); }},
        {SD::Menu, SD::SearchInRegistry, "Search in Registry", [](Form_Main& f) { f.cmdSD_SearchRegistry_Click(); }},
        {SD::Menu, SD::Regedit, "Regedit...",
         [](Form_Main& f) { f.RegeditAtNode(f.tvwSD, "HKEY_LOCAL_MACHINE", "MNU_ServicesDevices_Regedit_Click"); }},
        {SD::Menu, SD::Dependencies, "Dependencies...", [](Form_Main& f) { f.MNU_ServicesDevices_Dependencies_Click(); }},
        {SD::Menu, SD::Options, "Options...", [](Form_Main& f) { f.ArrangedByOptions(Tab::SD); }},
        {SD::Menu, SD::Sep3, "-"},
        {SD::Menu, SD::MMC, "Management Console (Win 2K/XP only)...", [](Form_Main& f) { f.SD_OpenServicesConsole(); }},
    };
    AddMenu(Menus, *this, sd);

    namespace CMH = M::CMH;
    const MenuRow cmh[] = {
        {nullptr, CMH::Menu, "Edit"},
        {CMH::Menu, CMH::New, "New"},
        {CMH::New, CMH::NewKey, "Key", [](Form_Main& f) { f.EditNewKey(Tab::CMH); }},
        {CMH::New, CMH::NewValue, "Value", [](Form_Main& f) { f.EditNewValue(Tab::CMH); }},
        {CMH::Menu, CMH::Delete, "Delete", [](Form_Main& f) { f.EditDeleteKey(Tab::CMH); }},
        {CMH::Menu, CMH::DeleteAllEntries, "Delete all entries of this component",
         [](Form_Main& f) { f.MNU_CMH_Delete_all_entries_of_this_component_Click(); }},
        {CMH::Menu, CMH::Rename, "Rename", [](Form_Main& f) { f.EditRenameKey(Tab::CMH); }},
        {CMH::Menu, CMH::Sep1, "-"},
        {CMH::Menu, CMH::Refresh, "Refresh TreeView", [](Form_Main& f) { f.Command7_Click(); }},
        {CMH::Menu, CMH::SearchInRegistry, "Search in Registry", [](Form_Main& f) { f.Command5_Click(); }},
        {CMH::Menu, CMH::Regedit, "Regedit...",
         [](Form_Main& f) { f.RegeditAtNode(f.tvwCMH, "HKEY_CLASSES_ROOT", "MNU_CMH_Regedit_Click"); }},
        {CMH::Menu, CMH::Sep2, "-"},
        {CMH::Menu, CMH::FolderOptions, "Folder options (Win 2K/XP only)...",
         [](Form_Main&) {
             // Errors are ignored: a missing applet starts nothing.
             TrapErrors(kModule, "MNU_CMH_FolderOptions_Click",
                        [] { ui::StartProgram("control.exe folders", SW_SHOWMAXIMIZED, false); });
         }},
    };
    AddMenu(Menus, *this, cmh);

    namespace RC = M::RegComp;
    const MenuRow rc[] = {
        {nullptr, RC::Menu, "Edit"},
        {RC::Menu, RC::New, "New"},
        {RC::New, RC::NewKey, "Key", [](Form_Main& f) { f.EditNewKey(Tab::RegComp); }},
        {RC::New, RC::NewValue, "Value", [](Form_Main& f) { f.EditNewValue(Tab::RegComp); }},
        {RC::Menu, RC::Sep1, "-"},
        {RC::Menu, RC::Delete, "Delete", [](Form_Main& f) { f.EditDeleteKey(Tab::RegComp); }},
        {RC::Menu, RC::Rename, "Rename", [](Form_Main& f) { f.EditRenameKey(Tab::RegComp); }},
        {RC::Menu, RC::DeleteAllEntries, "Remove this class entry",
         [](Form_Main& f) { f.MNU_RegComp_Delete_all_enties_of_this_component_Click(); }},
        {RC::Menu, RC::DeleteServer, "Remove this and all other entries referring to the same server",
         [](Form_Main& f) { f.MNU_RegComp_Delete_components_Server_Click(); }},
        {RC::Menu, RC::Sep2, "-"},
        {RC::Menu, RC::ShowFilePath, "Show server/class File path",
         [](Form_Main& f) { f.MNU_RegComp_Show_File_path_Click(); }},
        {RC::Menu, RC::Unregister, "Unregister server this class refers to",
         [](Form_Main& f) { f.MNU_RegComp_Unregisterthiscomponent_Click(); }},
        {RC::Menu, RC::RegisterNew, "Register NEW server",
         [](Form_Main& f) { f.MNU_RegComp_Register_NEW_component_Click(); }},
        {RC::Menu, RC::RegUnregShortcut, "Register/Unregister shortcut...",
         [](Form_Main& f) {
             TrapErrors(kModule, "MNU_RegComp_RegUnregShortcut_Click", [&f] {
                 Reg_Unreg_Shortcut_Dialog dlg;
                 dlg.Show(ui::vbModal, &f);
             });
         },
         true},
        {RC::Menu, RC::Sep3, "-"},
        {RC::Menu, RC::RefreshTreeView, "Refresh TreeView", [](Form_Main& f) { f.MNU_RegComp_RefreshTreeView_Click(); }},
        {RC::Menu, RC::SearchInRegistry, "Search in Registry",
         [](Form_Main& f) { f.MNU_RegComp_SearchInRegistry_Click(); }},
        {RC::Menu, RC::Regedit, "Regedit...", [](Form_Main& f) { f.MNU_RegComp_Regedit_Click(); }},
        {RC::Menu, RC::Dependencies, "Dependencies...", [](Form_Main& f) { f.MNU_RegComp_Dependencies_Click(); }},
        {RC::Menu, RC::Options, "Options...", [](Form_Main& f) { f.ArrangedByOptions(Tab::RegComp); }},
    };
    AddMenu(Menus, *this, rc);

    namespace Opt = M::Options;
    const MenuRow options[] = {
        {nullptr, Opt::Menu, "&Options"},
        {Opt::Menu, Opt::ShowInTaskbar, "Show in Taskbar", [](Form_Main& f) { f.MNU_Options_Show_in_Taskbar_Click(); }},
        {Opt::Menu, Opt::StartMinimized, "Start Minimized",
         [](Form_Main& f) {
             auto& m = f.Menus[Opt::StartMinimized];
             m.SetChecked(!m.Checked());
             DroskGlobal().blnOptionLaunchMinimized = m.Checked();
         }},
        {Opt::Menu, Opt::Autostart, "Autostart...",
         [](Form_Main& f) {
             TrapErrors(kModule, "MNU_Options_Autostart_Click", [&f] {
                 dlg_createShortCut dlg;
                 dlg.Show(ui::vbModal, &f);
             });
         }},
        {Opt::Menu, Opt::Sep1, "-"},
        // The stored option only drives the check mark: nothing starts a check by itself.
        {Opt::Menu, Opt::AutoUpdate, "Check for Updates",
         [](Form_Main& f) {
             auto& m = f.Menus[Opt::AutoUpdate];
             m.SetChecked(!m.Checked());
             DroskGlobal().blnOptionAutoUpdate = m.Checked();
         },
         true},
        {Opt::Menu, Opt::AutoUpdateCheckNow, "Check for Updates...", [](Form_Main& f) { AutoUpdate_Lib::CheckNow(&f); }},
    };
    AddMenu(Menus, *this, options);

    namespace Help = M::Help;
    const MenuRow help[] = {
        {nullptr, Help::Menu, "&Help"},
        {Help::Menu, Help::Contents, "Contents", [](Form_Main& f) { f.Contents_Click(); }},
        {Help::Menu, Help::OnlineHelp, "Online-Help", [](Form_Main&) { SharedFunctions::ShellOpen(cstrMakerWebAddress); }},
        {Help::Menu, Help::Sep1, "-"},
        {Help::Menu, Help::LicenseAgreement, "License Agreement",
         [](Form_Main&) {
             ui::ShellRequest r;
             r.owner = frmMain().hWnd();
             r.file = SharedFunctions::AppPath() + "\\LICENSE.RTF";
             ui::RunShellExecute(r);
         }},
        {Help::Menu, Help::Sep2, "-"},
        {Help::Menu, Help::About, "About", [](Form_Main& f) { f.About_Click(); }},
    };
    AddMenu(Menus, *this, help);

    // Menus kept only for pop-ups over the values lists (captioned by their names without
    // "MNU_") and the details lists: hidden in the menu bar.
    namespace SDE = M::SDEntries;
    const MenuRow sdEntries[] = {
        {nullptr, SDE::Menu, "SDEntries", {}, true},
        {SDE::Menu, SDE::New, "New", [](Form_Main& f) { f.EditNewValue(Tab::SD); }},
        {SDE::Menu, SDE::Delete, "Delete", [](Form_Main& f) { f.EditDeleteValue(Tab::SD); }},
        {SDE::Menu, SDE::Sep1, "-"},
        {SDE::Menu, SDE::Modify, "Modify", [](Form_Main& f) { f.EditModifyValue(Tab::SD); }},
        {SDE::Menu, SDE::Rename, "Rename", [](Form_Main& f) { f.EditRenameValue(Tab::SD); }},
    };
    AddMenu(Menus, *this, sdEntries);

    namespace CMHE = M::CMHEntries;
    const MenuRow cmhEntries[] = {
        {nullptr, CMHE::Menu, "CMHEntries", {}, true},
        {CMHE::Menu, CMHE::New, "New", [](Form_Main& f) { f.EditNewValue(Tab::CMH); }},
        {CMHE::Menu, CMHE::Delete, "Delete", [](Form_Main& f) { f.EditDeleteValue(Tab::CMH); }},
        {CMHE::Menu, CMHE::Sep1, "-"},
        {CMHE::Menu, CMHE::Modify, "Modify", [](Form_Main& f) { f.EditModifyValue(Tab::CMH); }},
        {CMHE::Menu, CMHE::Rename, "Rename", [](Form_Main& f) { f.EditRenameValue(Tab::CMH); }},
    };
    AddMenu(Menus, *this, cmhEntries);

    namespace RCE = M::RegCompEntries;
    const MenuRow rcEntries[] = {
        {nullptr, RCE::Menu, "RegCompEntries", {}, true},
        {RCE::Menu, RCE::New, "New", [](Form_Main& f) { f.EditNewValue(Tab::RegComp); }},
        {RCE::Menu, RCE::Delete, "Delete", [](Form_Main& f) { f.EditDeleteValue(Tab::RegComp); }},
        {RCE::Menu, RCE::Sep1, "-"},
        {RCE::Menu, RCE::Modify, "Modify", [](Form_Main& f) { f.EditModifyValue(Tab::RegComp); }},
        {RCE::Menu, RCE::Rename, "Rename", [](Form_Main& f) { f.EditRenameValue(Tab::RegComp); }},
    };
    AddMenu(Menus, *this, rcEntries);

    // The copy keeps the item's name as the procedure its errors are reported under.
    namespace RCC = M::RegCompClipboard;
    const MenuRow rcClipboard[] = {
        {nullptr, RCC::Menu, "Clipboard", {}, true},
        {RCC::Menu, RCC::Copy, "Copy to clipboard", [](Form_Main& f) { f.CopyDetail(f.lsvRegCompDetails, RCC::Copy); }},
    };
    AddMenu(Menus, *this, rcClipboard);

    namespace SDC = M::SDClipboard;
    const MenuRow sdClipboard[] = {
        {nullptr, SDC::Menu, "Clipboard", {}, true},
        {SDC::Menu, SDC::Copy, "Copy to clipboard", [](Form_Main& f) { f.CopyDetail(f.lsvSDDetails, SDC::Copy); }},
    };
    AddMenu(Menus, *this, sdClipboard);
}
