// A stand-in for the outside programs the main window starts (the registry editor, Explorer,
// the control panel, the management console). Copied under their names to where the window
// starts them from, it appends one line to the file named by VELM_STUB_LOG:
//     <own path>|<show state>|<command line>
// and ends. The tests read the lines back to see which file ran, how and with what arguments.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH] = {};
    if (GetEnvironmentVariableA("VELM_STUB_LOG", log, MAX_PATH) == 0) return 1;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    const std::string line = std::string(self) + "|" + std::to_string(show) + "|" + GetCommandLineA() + "\r\n";
    // The test may be reading the file meanwhile; two stand-ins started close together take
    // turns at writing.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(h);
            return 0;
        }
        Sleep(50);
    }
    return 2;
}
