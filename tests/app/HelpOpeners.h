// The programs that open Velmora's help file and licence, replaced by the recording stand-in
// (tests/app/RecordingStub.cpp) that writes down how it was started, and the Help menu chosen
// with the keyboard: what the tests of Help > Contents use, wherever the program is started from.
#pragma once
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/app/RemoteWindows.h"

// The program the system opens a file type with (".chm": the help viewer), as its association
// names it.
inline std::string OpeningProgram(const char* extension) {
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
inline Start Parse(const std::string& line) {
    const size_t first = line.find('|'), second = line.find('|', first + 1);
    if (second == std::string::npos) return {};
    return {line.substr(0, first), line.substr(second + 1)};
}

// An item of the Help menu chosen with the keyboard, as a user does without a mouse: Alt+H
// (the system's menu key with the menu's access key) opens the menu at its first item, Down
// `below` times moves to the item, Enter chooses it.
inline void ChooseFromHelpMenu(DWORD pid, HWND main, int below) {
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'h');
    HWND popup = WaitForWindow(pid, "#32768", "", 30);
    ASSERT_TRUE(popup);
    for (int i = 0; i < below; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    WaitUntil([&] { return ProcessWindows(pid, "#32768", "", true).empty(); }, 30);
}
