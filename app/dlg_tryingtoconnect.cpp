#include "app/dlg_tryingtoconnect.h"

#include "app/clsDroskGlobal.h"
#include "res/resource.h"

dlg_tryingtoconnect& TryingToConnect() {
    static dlg_tryingtoconnect form;
    return form;
}

dlg_tryingtoconnect::dlg_tryingtoconnect()
    : Form("dlg_tryingtoconnect", {.caption = "Velmora - check for updates", .width = 5400, .height = 2500,
                                   .border = 3, .minButton = false, .maxButton = false, .showInTaskbar = false,
                                   .centered = true}) {}

void dlg_tryingtoconnect::Form_Load() {
    ccrpAnimation1.Create(*this, 240, 240, 1300, 700);
    Label1.Create(*this, 1700, 300, 3400, 300, "Trying to connect server....");
    Label2.Create(*this, 1700, 700, 3400, 600,
                  "(The AutoUpdate-function is performed without sending any data to Quorvath)");
    Command1.Click = [this] { Unload(); };
    Command1.Create(*this, 2040, 1500, 1215, 375, "&Cancel", false, true);
    // Without the clip the box shows without animation.
    if (ccrpAnimation1.Open(IDR_AVI_CONNECT)) ccrpAnimation1.Play();
}

void dlg_tryingtoconnect::Form_Unload(int&) { DroskGlobal().blnCancelUpdate = true; }
