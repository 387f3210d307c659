// The options dialog of the components and services tabs: by which field their tree nodes are
// labelled and whether the other fields are appended ("Detailed"). The caller names the tab in
// the global state's Custom ("RegComp" or "SD") and puts 0 into Custom2; the dialog stores the
// choice in the global state and leaves 1 in Custom2 when the tree must be rebuilt.
#pragma once
#include "ui/Controls.h"
#include "ui/Form.h"

class dlg_ArrangedByOptions : public ui::Form {
public:
    dlg_ArrangedByOptions();

    ui::Label Label1;
    ui::ComboBox cboArrangedby;
    ui::Frame Frame_RegComp_ArrangedBy;
    ui::CheckBox optdetailed;
    ui::CommandButton Command1;  // "&OK"
    ui::CommandButton Command2;  // "&Cancel"

    void Command1_Click();
    void Command2_Click();
    void optdetailed_Click();

protected:
    void Form_Load() override;
};
