// The uninstall tab of the main window: its refresh, its Edit menu's items by the selected row
// and the events of its list.
#include "app/Form_Main.h"

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"

void Form_Main::WireEvents_US() {
    lsvUS.KeyDown = [this](int k, int) { if (k == VK_F5) MNU_UninstClean_RefreshUninst_Click(); };
}

void Form_Main::TabShown_US() {
    if (Visited(Tab::US)) return;
    Visited(Tab::US) = true;
    DroskGlobal().blnCancel = false;
    Disable_MNU_US_Items();
    MNU_UninstClean_RefreshUninst_Click();
}

void Form_Main::Disable_MNU_US_Items() {
    const auto items = {"MNU_UninstClean_DeleteKey", "MNU_UninstClean_Uninstall", "MNU_UninstClean_ShowApplicationPath",
                        "MNU_UninstClean_Regedit"};
    for (const char* n : items) Menus[n].SetEnabled(false);
    ui::ListItemPtr row = lsvUS.SelectedItem();
    if (row && !row->Key().empty())
        for (const char* n : items) Menus[n].SetEnabled(true);
}

void Form_Main::MNU_UninstClean_RefreshUninst_Click() {
    if (RunGuard::Active()) return;
    stb1.Panel(1).SetText("Analyzing installed Software entries.");
    LongRun({.tab = Tab::US, .procedure = "MNU_UninstClean_RefreshUninst_Click"}, [] {
        // The uninstall list comes from the uninstall tab's scan; until it is part of the
        // program the run only goes through its frame and leaves the list empty.
    });
}
