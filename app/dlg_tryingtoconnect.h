// The box shown while the update check tries to reach the update server: an animation, two
// lines of text and Cancel. However it closes, the check is told to give up.
#pragma once
#include "ui/ui.h"

class dlg_tryingtoconnect : public ui::Form {
public:
    dlg_tryingtoconnect();
    ui::Animation ccrpAnimation1;
    ui::Label Label1, Label2;
    ui::CommandButton Command1;

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
};

dlg_tryingtoconnect& TryingToConnect();
