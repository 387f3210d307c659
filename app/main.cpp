// Velmora's entry point: the start-up routine, then the window events until the program ends.
#include <windows.h>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Master.h"
#include "platform/Registration.h"
#include "ui/ui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Started as a registration child: serve the component's entry point and end, before any
    // window or start-up work.
    Velm::Registration::ServeEntryCall();
    ui::SetAppTitle("Velmora");
    if (!Master::Main()) return 0;
    ui::Run();
    // The message loop ended without a shutdown (every window gone): take the icon away.
    if (TrayForm().IsLoaded()) TrayForm().Unhook();
    return 0;
}
