#include "app/dlg_searching.h"

#include "app/clsDroskGlobal.h"
#include "res/resource.h"

dlg_searching& BusyBox() {
    static dlg_searching form;
    return form;
}

dlg_searching::dlg_searching()
    : Form("dlg_searching", {.caption = "Velmora", .width = 4200, .height = 2100, .border = 3, .minButton = false,
                             .maxButton = false, .showInTaskbar = false, .centeredOnOwner = true}) {}

void dlg_searching::Form_Load() {
    ccrpAnimation1.Create(*this, 240, 180, 1300, 700);
    Label1.Create(*this, 1700, 360, 2300, 300, "Searching the Registry....");
    Command1.Click = [this] {
        DroskGlobal().blnCancel = true;
        Unload();
    };
    Command1.Create(*this, 1440, 1080, 1215, 375, "&Cancel", false, true);
    // Without the clip the box shows without animation.
    if (ccrpAnimation1.Open(IDR_AVI_BUSY)) ccrpAnimation1.Play();
}

void dlg_searching::Form_QueryUnload(int&, int reason) {
    if (reason != ui::vbFormCode) DroskGlobal().blnCancel = true;
}
