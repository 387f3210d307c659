// The busy box of every long run: an animation, a line of text and Cancel. Cancel, or closing
// the box other than by the program, sets the application-wide cancel flag.
#pragma once
#include <windows.h>

#include "ui/ui.h"

class dlg_searching : public ui::Form {
public:
    dlg_searching();
    ui::Animation ccrpAnimation1;
    ui::Label Label1;
    ui::CommandButton Command1;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int reason) override;
};

dlg_searching& BusyBox();
