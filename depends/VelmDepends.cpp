// VelmDepends: the stand-alone dependency viewer. Its one window opens the PE file named by
// the whole command line; closing the window (or File > Exit) ends the program.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/WinText.h"
#include "depends/Form1.h"
#include "image/frmDepends.h"
#include "base/Seams.h"

namespace {

// The text after the program name as the platform hands it over: the blanks that separate it
// from the program name are dropped, everything else is kept (the window takes off one
// enclosing pair of quotes).
std::string CommandText() {
    std::string tail = WinText::CommandTail();
    size_t start = tail.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : tail.substr(start);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    ui::SetAppTitle("Velm Depends");
    {
        frmDepends window(true);
        Form1 form1;  // the project's second window: never loaded, so it never shows
        window.CommandLine = CommandText();
        window.Show();
        ui::Run();
    }
    OleUninitialize();
    return 0;
}
