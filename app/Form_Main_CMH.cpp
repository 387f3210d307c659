// The file-types tab of the main window: its refresh, the "arranged by" choice, its Edit menu's
// items by the selected node and the events of its tree and lists.
#include "app/Form_Main.h"

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"

void Form_Main::WireEvents_CMH() {
    tvwCMH.KeyDown = [this](int k, int) { if (k == VK_F5) Command7_Click(); };
    lsvCMH_entries.KeyDown = tvwCMH.KeyDown;
    Option_select_by[0].Click = [this] {
        cboCMH_arrangedby.SetEnabled(false);
        DroskGlobal().blnCMHGeneralEntries = true;
        Command7_Click();
    };
    Option_select_by[1].Click = [this] {
        cboCMH_arrangedby.SetEnabled(true);
        DroskGlobal().blnCMHGeneralEntries = false;
        Command7_Click();
    };
    Command7.Click = [this] { Command7_Click(); };
}

void Form_Main::TabShown_CMH() {
    if (Visited(Tab::CMH)) return;
    Visited(Tab::CMH) = true;
    clsDroskGlobal& g = DroskGlobal();
    g.blnCancel = false;
    cboCMH_arrangedby.Clear();
    cboCMH_arrangedby.AddItem("File type");
    cboCMH_arrangedby.AddItem("File type name");
    // Selecting the stored choice raises the combo's Click, which has no handler here.
    const long by = g.vntCMHSelectedBy.ToLong();
    cboCMH_arrangedby.SetListIndex(by >= 0 && by <= 1 ? by : 0);
    Disable_MNU_CMH_Items();
    // Exactly one refresh: through the option's Click when the stored choice changes it.
    if (g.blnCMHGeneralEntries != Option_select_by[0].Value()) {
        if (g.blnCMHGeneralEntries) Option_select_by[0].SetValue(true);
        else Option_select_by[1].SetValue(true);
    } else {
        Command7_Click();
    }
}

void Form_Main::Disable_MNU_CMH_Items() {
    for (const char* n : {"MNU_CMHNew", "MNU_CMH_Delete", "MNU_CMH_Delete_all_entries_of_this_component", "MNU_CMH_Rename",
                          "MNU_CMH_Regedit", "MNU_CMHEntries_New", "MNU_CMHEntries_Delete", "MNU_CMHEntries_Rename",
                          "MNU_CMHEntries_Modify"})
        Menus[n].SetEnabled(false);
    // No selected node: everything stays off.
    TrapErrors("Form_Main", "Disable_MNU_CMH_Items", [this] {
        const std::optional<long> l = SelectedLevel(tvwCMH);
        if (!l) return;
        const bool general = Option_select_by[0].Value();
        if (*l == 0 && !general) Menus["MNU_CMH_Delete_all_entries_of_this_component"].SetEnabled(true);
        if (*l >= 2) {
            if (!general) Menus["MNU_CMH_Delete"].SetEnabled(true);
            for (const char* n : {"MNU_CMHNew", "MNU_CMH_Regedit", "MNU_CMHEntries_New", "MNU_CMHEntries_Delete"})
                Menus[n].SetEnabled(true);
        }
        if (*l >= 3)
            for (const char* n : {"MNU_CMH_Rename", "MNU_CMH_Delete"}) Menus[n].SetEnabled(true);
    });
}

void Form_Main::Command7_Click() {
    if (RunGuard::Active()) return;
    Disable_MNU_CMH_Items();
    tvwCMH.Nodes.Clear();
    lsvCMH_entries.ListItems.Clear();
    LongRun({.tab = Tab::CMH, .startText = "Scanning Registered File Types.", .procedure = "Refresh CMH"}, [this] {
        // Its buttons are off while it runs, and come back also after an error.
        const std::initializer_list<ui::Control*> buttons{&Command7, &Command5, &Option_select_by[0],
                                                          &Option_select_by[1]};
        for (ui::Control* c : buttons) c->SetEnabled(false);
        ScopeExit buttonsBack([&] {
            for (ui::Control* c : buttons) c->SetEnabled(true);
        });
        // Filled by the file-types tab's scan once it is part of the program.
    });
}
