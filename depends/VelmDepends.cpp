// VelmDepends: the stand-alone dependency viewer. Its one window opens the PE file named by
// the whole command line; closing the window (or File > Exit) ends the program.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "image/frmDepends.h"
#include "ui/Seams.h"

namespace {

// The text after the program name as the platform hands it over: the blanks that separate it
// from the program name are dropped, everything else (quotes included) is kept.
std::string CommandText() {
    const char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    ui::SetAppTitle("Velm Depends");
    {
        frmDepends window(true);
        window.CommandLine = CommandText();
        window.Show();
        ui::Run();
    }
    OleUninitialize();
    return 0;
}
