// The services tab of the main window: its refresh, its Edit menu's items by the selected node
// and the events of its tree and lists.
#include "app/Form_Main.h"

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"

void Form_Main::WireEvents_SD() {
    tvwSD.KeyDown = [this](int k, int) { if (k == VK_F5) cmdSD_Refresh_Click(); };
    lsvSD_entries.KeyDown = tvwSD.KeyDown;
}

void Form_Main::TabShown_SD() {
    if (Visited(Tab::SD)) return;
    Visited(Tab::SD) = true;
    DroskGlobal().blnCancel = false;
    Disable_MNU_ServicesDevices_Items();
    cmdSD_Refresh_Click();
}

void Form_Main::Disable_MNU_ServicesDevices_Items() {
    for (const char* n : {"MNU_ServicesDevicesNew", "MNU_ServicesDevices_Delete", "MNU_ServicesDevices_DeleteComponent",
                          "MNU_ServicesDevices_ShowFilePath", "MNU_ServicesDevices_Dependencies",
                          "MNU_ServicesDevices_Rename", "MNU_ServicesDevices_Regedit", "MNU_SDEntries_Delete",
                          "MNU_SDEntries_New", "MNU_SDEntries_Rename", "MNU_SDEntries_Modify"})
        Menus[n].SetEnabled(false);
    // No selected node: everything stays off.
    TrapErrors("Form_Main", "Disable_MNU_ServicesDevices_Items", [this] {
        const std::optional<long> l = SelectedLevel(tvwSD);
        if (!l) return;
        if (*l == 0)
            for (const char* n : {"MNU_ServicesDevices_DeleteComponent", "MNU_ServicesDevices_ShowFilePath",
                                  "MNU_ServicesDevices_Dependencies"})
                Menus[n].SetEnabled(true);
        if (*l >= 5)
            for (const char* n : {"MNU_ServicesDevices_Delete", "MNU_ServicesDevicesNew", "MNU_ServicesDevices_Regedit",
                                  "MNU_SDEntries_Delete", "MNU_SDEntries_New"})
                Menus[n].SetEnabled(true);
        if (*l >= 6) Menus["MNU_ServicesDevices_Rename"].SetEnabled(true);
    });
}

void Form_Main::cmdSD_Refresh_Click() {
    if (RunGuard::Active()) return;
    Disable_MNU_ServicesDevices_Items();
    tvwSD.Nodes.Clear();
    lsvSD_entries.ListItems.Clear();
    LongRun({.tab = Tab::SD, .startText = "Analyzing installed Servics/Devices entries.", .procedure = "cmdSD_Refresh_Click"},
            [] {
                // Filled by the services tab's scan once it is part of the program.
            });
}
