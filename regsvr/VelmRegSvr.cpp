// VelmRegSvr: registers, unregisters or views the component file named on the command line.
#include <windows.h>

#include "base/QV_Err.h"
#include "platform/Registration.h"
#include "regsvr/Master.h"
#include "regsvr/frmMessage.h"
#include "ui/ui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Started as a registration child: serve the component's entry point and end, before any
    // window or start-up work.
    Velm::Registration::ServeEntryCall();
    ui::SetAppTitle(Master::kAppTitle);
    Master::ShowResultWindow = [] { frmMessage::Instance().Show(ui::vbModeless); };
    try {
        Master::Main(Master::CommandTail());
    } catch (const RunTimeError& e) {
        // Errors are not trapped on the way: the run stops with the run-time error report.
        ui::MsgBox("Run-time error '" + std::to_string(e.Number) + "':\r\n\r\n" + e.Description, ui::vbCritical);
        return 0;
    }
    if (!ui::Forms().empty()) ui::Run();
    return 0;
}
