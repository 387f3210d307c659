// The dialog shown when a server or image file is missing: the path (the global state's
// Custom2), whether it exists, a climb to the parent folder, and OK to open an existing folder
// in Explorer. After Cancel Custom2 holds the number 0.
#pragma once
#include "ui/Controls.h"
#include "ui/Form.h"

class dlg_filedoesntexist : public ui::Form {
public:
    dlg_filedoesntexist();

    ui::Label Label1;
    ui::Frame Frame1;
    ui::Label LabelPath;
    ui::Label LabelNotExist;
    ui::CommandButton Command14;  // "&OK"
    ui::CommandButton Command2;   // "&UpDir"
    ui::CommandButton Command1;   // "&Cancel"

    void Command14_Click();
    void Command2_Click();
    void Command1_Click();

protected:
    void Form_Load() override;

private:
    // Shows the path and whether it exists.
    void ShowPath();
};
