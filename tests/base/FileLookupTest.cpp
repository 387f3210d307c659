// The scans' file lookup: existence answers from folder listings, against the real prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"
#include "tests/base/BaseFiles.h"
#include "tests/support/Helpers.h"

using namespace FileLookup;

// During a scan the file tests answer from folder listings; every answer must be the file
// system's own, whatever form the path takes.
TEST(FileLookup, ListedFoldersAnswerAsTheFileSystemDoes) {
    const std::string w = WinDir(), s = w + "\\system32";
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA("C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe", shortPath, MAX_PATH);
    const std::string paths[] = {
        s + "\\msiexec.exe", w + "\\SYSTEM32\\MSIEXEC.EXE", s + "\\msiexec.exe.", s + "\\msiexec.exe . .",
        s + "\\msiexec.exe /V", s + "\\msiexec.exe /", s + "\\msiexec.exe /..\\notepad.exe",
        w + "/system32/notepad.exe", s + "\\drivers\\..\\notepad.exe", w + "\\system32.\\notepad.exe",
        w + "\\system32 \\notepad.exe", s + "\\", s, s + "\\drivers", s + "\\drivers.", s + "\\drivers\\",
        s + "\\drivers\\.", s + "\\drivers\\..", s + "\\nothere.dll", w + "\\nofolder\\x.exe", s + "\\...",
        w + "\\C:\\windows\\notepad.exe", shortPath, std::string(shortPath) + ".",
        // Names system32 lacks: three of one letter have the names of that letter listed (and
        // then answer for notepad.exe), eight in all the whole folder.
        s + "\\nothere2.dll", s + "\\nothere3.dll", s + "\\notepad.exe", s + "\\NOTEPAD.EXE", s + "\\absent.dll",
        s + "\\b.dll", s + "\\c.dll", s + "\\d.dll", s + "\\e.dll", s + "\\f.dll", s + "\\_.dll", s + "\\msiexec.exe",
        " " + s, s + " ", s + "\\ ", w + "\\system32 \\drivers", s + "\\drivers\\ ",
        // A folder that is not there answers "nothing" for every name in it.
        w + "\\nofolder\\x2.exe", w + "\\nofolder\\x3.exe", w + "\\nofolder\\xfolder",
    };
    struct Answer {
        bool file, folder;
        std::string found;
    };
    auto ask = [](const std::string& p) {
        Answer a{};
        a.file = ExistingFile(p, a.found);
        a.folder = ExistingFolder(p);
        return a;
    };
    std::vector<Answer> direct;
    for (const std::string& p : paths) {
        direct.push_back(ask(p));
        std::string trimmed = p;
        trimmed.erase(trimmed.find_last_not_of(' ') + 1);
        EXPECT_EQ(direct.back().file, QV_APIFileAndDisk::FileExists(trimmed)) << p;
        EXPECT_EQ(direct.back().folder, QV_APIFileAndDisk::PathExists(p)) << p;
    }
    EXPECT_TRUE(direct[0].file && direct[2].file && direct[6].file && direct[12].folder);
    FolderListingCache listings;
    for (int round = 0; round < 12; ++round)  // the later rounds answer from the listings
        for (size_t i = 0; i < std::size(paths); ++i) {
            SCOPED_TRACE(paths[i] + " round " + std::to_string(round));
            const Answer a = ask(paths[i]);
            EXPECT_EQ(a.file, direct[i].file);
            EXPECT_EQ(a.folder, direct[i].folder);
            EXPECT_EQ(a.found, direct[i].found);
        }
}
