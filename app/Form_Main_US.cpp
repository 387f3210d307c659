// The uninstall tab of the main window: its refresh (the uninstall scan as a long run), its Edit
// menu's commands and items by the selected row, the events of its list, and the deferred
// opening of the hidden-autostart dialog.
#include "app/Form_Main.h"

#include "app/Form_Main_Menus.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "image/QV_IconsAndResources.h"
#include "uninstall/Tab_UninstClean.h"
#include "uninstall/dlg_hiddenAutostartEntries.h"
#include "uninstall/dlg_showAppPath.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {

constexpr const char* kProductName = "Velmora";

const char kRefreshFirst[] =
    "Rebuild of Application's cache information was canceled.\r\n"
    "Please refresh Uninstall list prior calling this function.\r\n"
    "You can refresh the Uninstall list by selecting 'Refresh List' in the UninstClean menu.";

}  // namespace

void Form_Main::WireEvents_US() {
    lsvUS.KeyDown = [this](int k, int) { if (k == VK_F5) MNU_UninstClean_RefreshUninst_Click(); };
    lsvUS.ItemClick = [this](ui::ListItem& row) {
        TrapErrors(kModule, "lsvUS_ItemClick", [&] {
            if (auto entry = colUS.Find(row.Key().substr(4))) Tab_UninstClean::US_RefreshListbox(lsvUSInfo, *entry);
        });
    };
    lsvUS.DblClick = [this] { MNU_UninstClean_ShowApplicationPath_Click(); };
    lsvUS.MouseUp = [this](int button, int, long, long) {
        TrapErrors(kModule, "lsvUS_MouseUp", [&] {
            lsvUS.SetToolTipText("");
            Disable_MNU_US_Items();
            if (button == ui::vbRightButton) PopupMenu(Menus[MainMenu::UninstClean::Menu]);
        });
    };
    TimerPopUpMenu.Tick = [this] { TimerPopUpMenu_Timer(); };
}

void Form_Main::TabShown_US() {
    if (Visited(Tab::US)) return;
    Visited(Tab::US) = true;
    DroskGlobal().blnCancel = false;
    Disable_MNU_US_Items();
    MNU_UninstClean_RefreshUninst_Click();
}

void Form_Main::Disable_MNU_US_Items() {
    namespace E = MainMenu::UninstClean;
    const auto items = {E::DeleteKey, E::Uninstall, E::ShowApplicationPath, E::Regedit};
    for (const char* n : items) Menus[n].SetEnabled(false);
    ui::ListItemPtr row = lsvUS.SelectedItem();
    if (row && !row->Key().empty())
        for (const char* n : items) Menus[n].SetEnabled(true);
}

std::shared_ptr<clsUS> Form_Main::SelectedUninstallEntry() {
    ui::ListItemPtr row = lsvUS.SelectedItem();
    if (!row || row->Key().size() < 4) return nullptr;
    return colUS.Find(row->Key().substr(4));
}

void Form_Main::MNU_UninstClean_RefreshUninst_Click() {
    if (RunGuard::Busy()) return;
    ui::HourglassScope hourglass;
    stb1.Panel(1).SetText("Analyzing installed Software entries.");
    // The findings of the list shown so far go to the cache the scan then reads.
    Register_UninstClean::Save_UninstCleanSettings(colUS);
    colUS.blnUserCanceledRefresh = false;
    LongRun({.tab = Tab::US, .procedure = "MNU_UninstClean_RefreshUninst_Click"}, [this] {
        clsDroskGlobal& g = DroskGlobal();
        QV_IconsAndResources::ResetImageList(imlUS, lsvUS, pixDummy);
        if (imlRegComp.Exists("Computer") && !imlUS.Exists("Computer")) imlUS.AddCopy("Computer", imlRegComp, "Computer");
        Tab_UninstClean::US_Refresh(lsvUS, colUS, colStartMenuTargets, imlUS, pixSmall, pixDummy, stb1, g.blnCancel);
        // A cancel is recorded before the closing steps clear the flag.
        if (g.blnCancel) colUS.blnUserCanceledRefresh = true;
    });
}

void Form_Main::MNU_UninstClean_RebuildCache_Click() {
    TrapErrors(kModule, "MNU_UninstClean_RebuildCache_Click", [&] {
        if (RunGuard::Active()) return;
        Register_UninstClean::DeleteUninstCache();
        colUS.Clear();
        MNU_UninstClean_RefreshUninst_Click();
    });
}

void Form_Main::MNU_UninstClean_DeleteKey_Click() {
    TrapErrors(kModule, "MNU_UninstClean_DeleteKey_Click", [&] {
        if (ui::MsgBox("Return to original setting not possible - always make\r\n"
                       "backup copies of your Registry before editing !\r\n"
                       "Really Delete currently selected Registry-Key ?",
                       ui::vbYesNo | ui::vbCritical, ui::kEmptyCaption) != ui::vbYes)
            return;
        auto entry = SelectedUninstallEntry();
        if (!entry) return;
        // The key in the registry view the row came from.
        if (Tab_UninstClean::DeleteEntryKey(*entry) != 0) {
            ui::MsgBox("Error deleting key !", ui::vbCritical);
            return;
        }
        lsvUS.ListItems.Remove("Key_" + entry->Key);
    });
}

void Form_Main::MNU_UninstClean_Regedit_Click() {
    TrapErrors(kModule, "MNU_UninstClean_Regedit_Click", [&] {
        auto entry = SelectedUninstallEntry();
        if (!entry) return;
        QV_Registry_Lib::OpenRegeditAt(Tab_UninstClean::RegeditPathOf(*entry));
    });
}

void Form_Main::MNU_UninstClean_HiddenAutostart_Click() {
    TimerPopUpMenu.SetEnabled(true);
}

void Form_Main::TimerPopUpMenu_Timer() {
    TrapErrors(kModule, "TimerPopUpMenu_Timer", [&] {
        // Off before the dialog's own message loop, so that no second tick opens a second one.
        TimerPopUpMenu.SetEnabled(false);
        dlg_hiddenAutostartEntries dlg;
        dlg.Show(ui::vbModal, this);
    });
}

void Form_Main::MNU_UninstClean_ShowApplicationPath_Click() {
    TrapErrors(kModule, "MNU_UninstClean_ShowApplicationPath_Click", [&] {
        auto entry = SelectedUninstallEntry();
        if (!entry) return;
        const std::string path = entry->strAppPath;
        if (colUS.blnUserCanceledRefresh && !QV_APIFileAndDisk::PathExists(path)) {
            ui::MsgBox(kRefreshFirst, ui::vbInformation, "Configure Application");
            return;
        }
        clsDroskGlobal& g = DroskGlobal();
        // The hourglass stays until the command ends, whatever the mouse does meanwhile.
        ui::HourglassScope hourglass;
        g.Custom2 = Variant(path);
        if (!QV_APIFileAndDisk::PathExists(path)) {
            g.Custom = Variant("The install path of '" + entry->strDisplayName + "'  does NOT exist.\r\n" +
                               "Show parent path now ?");
            dlg_showAppPath dlg(g.Custom, g.Custom2);
            dlg.Show(ui::vbModal, this);
        } else if (path.size() > 3) {
            // The started Explorer's window comes to the front once it shows.
            const unsigned long pid = ui::StartProgram("Explorer.exe /e," + path, SW_SHOWNORMAL, false);
            QV_Forms::ActivateTask(pid, 5000);
        } else {
            ui::MsgBox("The installation path could not be resolved", ui::vbOKOnly);
        }
    });
}

void Form_Main::MNU_UninstClean_Uninstall_Click() {
    TrapErrors(kModule, "MNU_UninstClean_Uninstall_Click", [&] {
        auto entry = SelectedUninstallEntry();
        if (!entry) return;
        if (colUS.blnUserCanceledRefresh && !QV_APIFileAndDisk::PathExists(entry->strAppPath)) {
            ui::MsgBox(kRefreshFirst, ui::vbInformation, "Configure Application");
            return;
        }
        const std::string product = kProductName;
        if (TextCase::Lower(entry->strDisplayName.substr(0, product.size())) == TextCase::Lower(product)) {
            if (ui::MsgBox("Really exit and configure " + product + " now?", ui::vbYesNo | ui::vbCritical,
                           ui::kEmptyCaption) == ui::vbNo)
                return;
            if (Tab_UninstClean::CommandCanStart(entry->strUninstallString))
                ui::StartProgram(entry->strUninstallString, SW_SHOWNORMAL, false);
            Unload();
            Master::AppShutdown(true);
            return;
        }
        // A command that no file can be the program of is not handed to the system, whose search
        // for its program would hold the window for as long as the text is long.
        if (!Tab_UninstClean::CommandCanStart(entry->strUninstallString) ||
            ui::StartProgram(entry->strUninstallString, SW_SHOWNORMAL, false) == 0) {
            ui::MsgBox(product + " detected corrupt Uninstall entries of current product.", ui::vbExclamation);
            return;
        }
        clsDroskGlobal& g = DroskGlobal();
        g.Custom2 = Variant(entry->strAppPath);
        if (!QV_APIFileAndDisk::PathExists(entry->strAppPath))
            g.Custom = Variant("The install path of currently configured/uninstalled application '\r\n" +
                               entry->strDisplayName + "'  does NOT exist.\r\nShow parent path now ?");
        else
            g.Custom = Variant("Do you want to check the install path of currently configured/uninstalled application\r\n'" +
                               entry->strDisplayName + "' ?");
        {
            dlg_showAppPath dlg(g.Custom, g.Custom2);
            dlg.Show(ui::vbModal, this);
        }
        // The uninstaller has run alongside the dialog: an entry whose key is gone was removed.
        auto still = SelectedUninstallEntry();
        if (!still) return;
        RegKey key;
        if (Tab_UninstClean::OpenEntryKey(*still, key.Receive()) == ERROR_FILE_NOT_FOUND) {
            lsvUS.ListItems.Remove("Key_" + still->Key);
            colUS.Remove(still->Key);
        }
    });
}
