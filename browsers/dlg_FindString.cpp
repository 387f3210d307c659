#include "browsers/dlg_FindString.h"

#include "base/Seams.h"

dlg_FindString::dlg_FindString(colQVRegistry& engine, bool& cancel)
    : Form("dlg_FindString", {.caption = "Find",
                              .width = 5400,
                              .height = 3300,
                              .border = 3,
                              .minButton = false,
                              .maxButton = false,
                              .showInTaskbar = false,
                              .centered = true}),
      engine_(engine),
      cancel_(cancel) {}

void dlg_FindString::Form_Load() {
    engine_.blnFindOptionEnabled = false;
    Label1.Create(*this, 240, 180, 4800, 255, "Please enter search string (non case-sensitive):");
    txbFindStrign.Create(*this, 240, 480, 4800, 315);
    Frame1.Create(*this, 240, 960, 2400, 1500, "Look at");
    chkKeys.Create(Frame1, 180, 300, 1800, 255, "Keys");
    chkValues.Create(Frame1, 180, 660, 1800, 255, "Values");
    chkData.Create(Frame1, 180, 1020, 1800, 255, "Data");
    optFindWholeStringOnly.Create(*this, 2880, 1080, 2300, 255, "Match whole string only");
    // Enter anywhere in the dialog is OK (the default button); Escape is Cancel.
    Command14.Create(*this, 2880, 1920, 1000, 375, "&OK", true);
    Command1.Create(*this, 4020, 1920, 1000, 375, "&Cancel", false, true);
    Command14.Click = [this] { Command14_Click(); };
    Command1.Click = [this] { Command1_Click(); };

    txbFindStrign.SetText(engine_.cstrFindString);
    chkKeys.SetValue(engine_.blnFindInKeys ? 1 : 0);
    chkValues.SetValue(engine_.blnFindInValues ? 1 : 0);
    chkData.SetValue(engine_.blnFindInData ? 1 : 0);
    optFindWholeStringOnly.SetValue(engine_.blnFindWholeStringOnly ? 1 : 0);
}

void dlg_FindString::Command14_Click() {
    const std::string text = txbFindStrign.Text();
    if (text.empty()) {
        ui::MsgBox("Please enter search string !", ui::vbOKOnly, "Empty field");
        return;
    }
    engine_.cstrFindString = text;
    engine_.blnFindInKeys = chkKeys.Value() != 0;
    engine_.blnFindInValues = chkValues.Value() != 0;
    engine_.blnFindInData = chkData.Value() != 0;
    engine_.blnFindWholeStringOnly = optFindWholeStringOnly.Value() != 0;
    engine_.blnFindOptionEnabled = true;
    cancel_ = false;
    Unload();
}

void dlg_FindString::Command1_Click() {
    Unload();
    engine_.blnFindOptionEnabled = false;
}
