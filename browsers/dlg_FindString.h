// The Find dialog of every registry search: the search text and where to look. It edits the
// options of the search engine and tells its caller, through blnFindOptionEnabled, whether the
// user confirmed a search (OK with a text) or not (Cancel, Escape, the close box).
#pragma once
#include "browsers/colQVRegistry.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class dlg_FindString : public ui::Form {
public:
    // `engine` holds the options; `cancel` is the program's cancel flag, cleared by OK.
    dlg_FindString(colQVRegistry& engine, bool& cancel);

    ui::Label Label1;
    ui::TextBox txbFindStrign;
    ui::Frame Frame1;
    ui::CheckBox chkKeys, chkValues, chkData;
    ui::CheckBox optFindWholeStringOnly;
    ui::CommandButton Command14;  // "&OK"
    ui::CommandButton Command1;   // "&Cancel"

    void Command14_Click();
    void Command1_Click();

protected:
    void Form_Load() override;

private:
    colQVRegistry& engine_;
    bool& cancel_;
};
