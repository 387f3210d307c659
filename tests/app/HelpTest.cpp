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
#include "tests/app/RemoteWindows.h"

namespace {

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('\\')); }

bool Contains(const std::string& text, const std::string& part) {
    return TextCase::Upper(text).find(TextCase::Upper(part)) != std::string::npos;
}

// The program the system opens a file type with (".chm": the help viewer), as its association
// names it.
std::string OpeningProgram(const char* extension) {
    char exe[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (FAILED(AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, extension, "open", exe, &size))) return "";
    return exe;
}

// The stand-in in place of the programs that open the help file and the licence; the originals
// are kept aside and put back at the end.
class Openers {
public:
    Openers() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        log = std::string(temp) + "velm-help-started.log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("VELM_STUB_LOG", log.c_str());
        std::string stub = VELM_RECORDING_STUB;
        for (char& c : stub)
            if (c == '/') c = '\\';
        stub = "Z:" + stub;
        help = OpeningProgram(".chm");
        rtf = OpeningProgram(".rtf");
        placed = !help.empty() && !rtf.empty();
        for (const std::string& program : {help, rtf}) {
            if (program.empty()) continue;
            const std::string saved = program + ".velm-saved";
            if (GetFileAttributesA(saved.c_str()) == INVALID_FILE_ATTRIBUTES)
                MoveFileExA(program.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING);
            placed = CopyFileA(stub.c_str(), program.c_str(), FALSE) && placed;
        }
    }
    ~Openers() {
        for (const std::string& program : {help, rtf}) {
            if (program.empty()) continue;
            const std::string saved = program + ".velm-saved";
            if (GetFileAttributesA(saved.c_str()) != INVALID_FILE_ATTRIBUTES)
                MoveFileExA(saved.c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
        SetEnvironmentVariableA("VELM_STUB_LOG", nullptr);
        DeleteFileA(log.c_str());
    }
    // The lines recorded so far once there are `count` of them (a start that never comes ends
    // the wait after a minute).
    std::vector<std::string> Lines(size_t count) const {
        std::vector<std::string> lines;
        WaitUntil(
            [&] {
                std::ifstream in(log, std::ios::binary);
                const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
                lines.clear();
                for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
                    lines.push_back(text.substr(start, end - start));
                return lines.size() >= count;
            },
            60);
        return lines;
    }
    std::string log, help, rtf;
    bool placed = false;
};

// One recorded start: the program that ran and its command line.
struct Start {
    std::string program, commandLine;
};
Start Parse(const std::string& line) {
    const size_t first = line.find('|'), second = line.find('|', first + 1);
    if (second == std::string::npos) return {};
    return {line.substr(0, first), line.substr(second + 1)};
}

// An item of the Help menu chosen with the keyboard, as a user does without a mouse: Alt+H
// (the system's menu key with the menu's access key) opens the menu at its first item, Down
// `below` times moves to the item, Enter chooses it.
void ChooseFromHelpMenu(DWORD pid, HWND main, int below) {
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'h');
    HWND popup = WaitForWindow(pid, "#32768", "", 30);
    ASSERT_TRUE(popup);
    for (int i = 0; i < below; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    WaitUntil([&] { return ProcessWindows(pid, "#32768", "", true).empty(); }, 30);
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
