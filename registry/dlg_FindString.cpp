#include "registry/dlg_FindString.h"

#include "base/Seams.h"

dlg_FindString::dlg_FindString(const SearchOptions& shown, bool& cancel)
    : Form("dlg_FindString", {.caption = "Find",
                              .width = 5400,
                              .height = 3300,
                              .border = 3,
                              .minButton = false,
                              .maxButton = false,
                              .showInTaskbar = false,
                              .centered = true}),
      shown_(shown),
      cancel_(cancel) {}

void dlg_FindString::Form_Load() {
    chosen_.reset();
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

    txbFindStrign.SetText(shown_.text);
    chkKeys.SetValue(shown_.inKeys ? 1 : 0);
    chkValues.SetValue(shown_.inValues ? 1 : 0);
    chkData.SetValue(shown_.inData ? 1 : 0);
    optFindWholeStringOnly.SetValue(shown_.wholeOnly ? 1 : 0);
}

void dlg_FindString::Command14_Click() {
    const std::string text = txbFindStrign.Text();
    if (text.empty()) {
        ui::MsgBox("Please enter search string !", ui::vbOKOnly, "Empty field");
        return;
    }
    chosen_ = SearchOptions{.text = text,
                            .inKeys = chkKeys.Value() != 0,
                            .inValues = chkValues.Value() != 0,
                            .inData = chkData.Value() != 0,
                            .wholeOnly = optFindWholeStringOnly.Value() != 0};
    shown_ = *chosen_;
    cancel_ = false;
    Unload();
}

void dlg_FindString::Command1_Click() {
    Unload();
    chosen_.reset();
}
