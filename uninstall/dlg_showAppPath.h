// The dialog that shows an application's folder, keeps checking whether it still exists (an
// uninstaller may be removing it) and opens it in Explorer or goes up one level. The caller
// hands over the heading and the folder (the global state's Custom and Custom2); after Cancel
// the folder parameter holds the number 0.
#pragma once
#include "base/Variant.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class dlg_showAppPath : public ui::Form {
public:
    dlg_showAppPath(Variant& custom, Variant& custom2);

    ui::Label labelMain;
    ui::Frame Frame1;
    ui::Label LabelPath;
    ui::Label LabelNotExist;
    ui::Label Label1;
    ui::CommandButton Command14;  // "&OK"
    ui::CommandButton Command2;   // "&UpDir"
    ui::CommandButton Command1;   // "&Cancel"
    ui::Timer TimerPathExist;

    void Command14_Click();
    void Command2_Click();
    void Command1_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    // Shows the parameters and whether the folder exists, and (re)starts the checking.
    void ShowState();

    Variant& custom_;
    Variant& custom2_;
};
