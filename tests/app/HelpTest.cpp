// The Help menu of Velmora started as a user starts it: Help > Contents and the toolbar's Help
// button open Velmora.chm from the program's folder with the system's help viewer, and Help >
// License Agreement opens LICENSE.RTF from there with the program the system opens rich text
// with. The programs the system starts for the two file types are replaced by the recording
// stand-in (tests/app/RecordingStub.cpp), which writes down how it was started.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/TextCase.h"
#include "tests/app/HelpOpeners.h"
#include "tests/app/RemoteWindows.h"

namespace {

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('\\')); }

bool Contains(const std::string& text, const std::string& part) {
    return TextCase::Upper(text).find(TextCase::Upper(part)) != std::string::npos;
}

// A click on a toolbar button (by position, separators counted), posted to the real toolbar as
// the system delivers a mouse click. The button's rectangle is asked through a buffer in the
// program's process, where the toolbar answers.
void ClickToolbarButton(HANDLE process, HWND toolbar, int index) {
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(remote);
    RECT r{};
    SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ASSERT_GT(r.right, r.left);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(toolbar, WM_MOUSEMOVE, 0, at);
    PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
}

}  // namespace

TEST(Help, ContentsAndTheHelpButtonOpenTheHelpFileAndLicenseAgreementTheLicence) {
    // The build puts both files beside the program.
    const std::string folder = Folder(WindowsPath(VELMORA_EXE));
    for (const char* file : {"\\Velmora.chm", "\\LICENSE.RTF"})
        ASSERT_NE(GetFileAttributesA((folder + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;

    Openers openers;
    ASSERT_TRUE(openers.placed) << openers.help << " / " << openers.rtf;
    Program program;
    ASSERT_TRUE(program.Start());
    const DWORD pid = program.pi.dwProcessId;
    HWND main = nullptr, toolbar = nullptr;
    // The window is up with its toolbar and its first scan has ended (no busy box).
    const bool up = WaitUntil([&] {
        main = MainWindow(pid);
        toolbar = main ? FirstChild(main, TOOLBARCLASSNAMEA) : nullptr;
        return toolbar && !BusyBox(pid);
    });
    if (!up) {
        std::string shown;
        for (HWND w : ProcessWindows(pid, "", "", true)) {
            char title[256] = {}, cls[64] = {};
            GetWindowTextA(w, title, sizeof title);
            GetClassNameA(w, cls, sizeof cls);
            shown += std::string(" [") + cls + " \"" + title + "\"]";
        }
        FAIL() << "the main window did not come up; shown:" << shown;
    }

    ChooseFromHelpMenu(pid, main, 0);  // Help > Contents
    ASSERT_EQ(openers.Lines(1).size(), 1u);
    // The toolbar's last button is Help.
    const int buttons = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    ClickToolbarButton(program.pi.hProcess, toolbar, buttons - 1);
    ASSERT_EQ(openers.Lines(2).size(), 2u);
    ChooseFromHelpMenu(pid, main, 2);  // Help > License Agreement, after Online-Help
    const std::vector<std::string> lines = openers.Lines(3);
    ASSERT_EQ(lines.size(), 3u);

    struct Expected {
        const std::string& program;
        std::string file;
    } expected[] = {{openers.help, folder + "\\Velmora.chm"},
                    {openers.help, folder + "\\Velmora.chm"},
                    {openers.rtf, folder + "\\LICENSE.RTF"}};
    for (size_t i = 0; i < lines.size(); ++i) {
        const Start start = Parse(lines[i]);
        EXPECT_TRUE(TextCase::Equal(start.program, expected[i].program)) << lines[i];
        EXPECT_TRUE(Contains(start.commandLine, expected[i].file)) << lines[i];
    }
    EXPECT_TRUE(program.Running());
}
