// The scans' file lookup: existence answers from folder listings, and the search path's folders
// with the finder over them, against the real prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/FileLookup.h"
#include "base/PeImage.h"
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

// PATH's shapes as the search path reads them, and where the finder finds a name: in PATH's
// folders in order, and in the Windows folders where and in the order each search asks for them.
TEST(FileLookup, SearchPathFoldersAndTheFinder) {
    const std::string w = WinDir(), s = Sys32();
    basetest::ScratchDir empty("lookup-empty"), full("lookup-full");
    const std::string a = empty.path(), b = full.path();
    basetest::WriteFile(full / "velmfound.dll", "x");
    basetest::WriteFile(full / "kernel32.dll", "x");  // a name the system folder has too
    // A name the Windows folder alone has, in every view of the system folder (the prefix's
    // own regedit.exe is in the 32-bit system folder of a 64-bit system too).
    const std::string windowsOnly = w + "\\velm-windows-only.dll";
    basetest::WriteFile(windowsOnly, "x");
    struct Remove {
        std::string path;
        ~Remove() { DeleteFileA(path.c_str()); }
    } removeWindowsOnly{windowsOnly};
    struct Shape {
        std::string path;
        std::vector<std::string> folders;
    };
    const Shape shapes[] = {
        {"", {}},
        {";;", {}},
        {a + ";;" + b + ";", {a, b}},
        {a + "\\;" + b + "\\", {a, b}},             // one trailing backslash goes
        {"C:\\no-such-folder;" + b, {"C:\\no-such-folder", b}},  // read as written, tested when searched
        {"C:\\", {"C:"}},
    };
    for (const Shape& c : shapes) {
        SCOPED_TRACE("PATH=" + c.path);
        EnvGuard path("PATH", c.path);
        EXPECT_EQ(SearchPathFolders(), c.folders);
    }

    using enum WindowsFolders;
    struct Find {
        std::string path;
        WindowsFolders windows;
        std::string name;
        std::string found;  // "" when nothing is found
    };
    const Find finds[] = {
        // PATH's folders alone.
        {"", None, "notepad.exe", ""},
        {";;", None, "notepad.exe", ""},
        {a + ";" + b, None, "velmfound.dll", b + "\\velmfound.dll"},
        {a + "\\;" + b + "\\", None, "velmfound.dll", b + "\\velmfound.dll"},
        {"C:\\no-such-folder;" + b, None, "velmfound.dll", b + "\\velmfound.dll"},
        {a + ";" + b, None, "nothing-here.dll", ""},
        {a + ";" + b, None, "", ""},
        {".;" + a, None, "velmfound.dll", ""},  // a relative folder names no file
        // Then Windows, Windows\system, Windows\system32.
        {"", AfterPath, "regedit.exe", w + "\\regedit.exe"},
        {"", AfterPath, "notepad.exe", w + "\\notepad.exe"},  // in both: Windows first
        {";;", AfterPath, "kernel32.dll", s + "\\kernel32.dll"},
        {a + ";" + b, AfterPath, "kernel32.dll", b + "\\kernel32.dll"},  // PATH's folders first
        {a, AfterPath, "nothing-here.dll", ""},
        // The first of PATH's folders, then Windows\system32 and Windows\system, then the rest.
        {"", SystemAfterFirst, "kernel32.dll", s + "\\kernel32.dll"},
        {";;", SystemAfterFirst, "kernel32.dll", s + "\\kernel32.dll"},
        {b + ";" + a, SystemAfterFirst, "kernel32.dll", b + "\\kernel32.dll"},
        {a + ";" + b, SystemAfterFirst, "kernel32.dll", s + "\\kernel32.dll"},
        {a + ";" + b, SystemAfterFirst, "velmfound.dll", b + "\\velmfound.dll"},
        {"", AfterPath, "velm-windows-only.dll", windowsOnly},
        {a, SystemAfterFirst, "velm-windows-only.dll", ""},  // the Windows folder itself is not searched
    };
    for (const Find& c : finds) {
        SCOPED_TRACE("PATH=" + c.path + " name=" + c.name + " windows=" + std::to_string(static_cast<int>(c.windows)));
        EnvGuard path("PATH", c.path);
        std::string found = "untouched";
        EXPECT_EQ(FindOnSearchPath(c.name, found, c.windows), !c.found.empty());
        if (c.found.empty()) {
            EXPECT_EQ(found, "untouched");
        } else {
            EXPECT_TRUE(TextCase::Equal(found, c.found)) << found;
        }
        // The same answers from the scan's folder listings.
        FolderListingCache listings;
        std::string listed = "untouched";
        EXPECT_EQ(FindInFolders(SearchFolders(c.windows), c.name, listed), !c.found.empty());
        EXPECT_EQ(listed, found);
    }
}

// A 32-bit program on 64-bit Windows reaches the system's own system folder through its
// Sysnative alias; inside a NativeSystemFolder scope the lookup tests, lists and opens the files
// the system itself names there, and reports them by the paths as written. Programs of the
// system's bitness see one system folder, and the scope changes nothing for them.
TEST(FileLookup, TheSystemsOwnSystemFolderInsideANativeScope) {
    const std::string w = WinDir(), s = Sys32();
    const bool wow64 = IsWow64();
    // A 32-bit program on a system that keeps a folder of 32-bit system files beside its own.
    const DWORD wow64Folder = GetFileAttributesA((w + "\\syswow64").c_str());
    EXPECT_EQ(wow64, sizeof(void*) == 4 && wow64Folder != INVALID_FILE_ATTRIBUTES);
    const std::string alias = wow64 ? w + "\\Sysnative" : s;
    struct Case {
        std::string path, native;
    };
    const Case cases[] = {
        {s + "\\notepad.exe", alias + "\\notepad.exe"},
        {w + "\\SYSTEM32\\drivers", alias + "\\drivers"},
        {s, alias},
        {w + "\\system32x\\a.dll", w + "\\system32x\\a.dll"},
        {w + "\\notepad.exe", w + "\\notepad.exe"},
        {"notepad.exe", "notepad.exe"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(TextCase::Equal(NativePath(c.path), c.native)) << c.path << " -> " << NativePath(c.path);
        EXPECT_EQ(PathToOpen(c.path), c.path);
    }

    // The machine of the file each view opens: the program's own outside the scope, the
    // system's inside it.
    const WORD own = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    const WORD system = sizeof(void*) == 8 || wow64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    const std::string notepad = s + "\\notepad.exe";
    EXPECT_EQ(PeImage(LoaderFile(notepad)).FileHeader().Machine, own);
    EXPECT_EQ(PeImage(LoaderFile("notepad.exe")).FileHeader().Machine, own);
    {
        NativeSystemFolder native;
        EXPECT_TRUE(TextCase::Equal(PathToOpen(notepad), alias + "\\notepad.exe"));
        std::string found;
        ASSERT_TRUE(ExistingFile(notepad + "  ", found));
        EXPECT_EQ(found, notepad);  // reported as written
        EXPECT_TRUE(IsFile(notepad));
        EXPECT_TRUE(ExistingFolder(s + "\\drivers"));
        EXPECT_EQ(PeImage(LoaderFile(notepad)).FileHeader().Machine, system);
        WIN32_FILE_ATTRIBUTE_DATA facts{};
        ASSERT_TRUE(Facts(notepad, facts));
        EXPECT_FALSE(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        // The answers of the system's own folder, also from the scan's listings.
        FolderListingCache listings;
        bool listedNotepad = false;
        EXPECT_EQ(ListFolder(s, [&](const FolderEntry& e) {
            listedNotepad |= TextCase::Equal(e.name, "notepad.exe");
            return true;
        }), Listed::Yes);
        EXPECT_TRUE(listedNotepad);
        for (const char* name : {"notepad.exe", "nothere1.dll", "nothere2.dll", "nothere3.dll", "nothere4.dll",
                                         "regedit.exe", "drivers"}) {
            SCOPED_TRACE(name);
            const std::string opened = NativePath(s + "\\" + name);
            for (int round = 0; round < 3; ++round) {
                EXPECT_EQ(ExistingFile(s + "\\" + name, found), QV_APIFileAndDisk::FileExists(opened));
                EXPECT_EQ(ExistingFolder(s + "\\" + name), QV_APIFileAndDisk::PathExists(opened));
            }
        }
    }
    EXPECT_EQ(PathToOpen(notepad), notepad);  // the scope ended
    // A text longer than a path names nothing, in either view.
    const std::string longText = s + "\\" + std::string(MAX_PATH, 'x');
    EXPECT_FALSE(IsFile(longText));
    EXPECT_EQ(LoaderFile(longText), "");
    WIN32_FILE_ATTRIBUTE_DATA none{};
    EXPECT_FALSE(Facts(longText, none));
    EXPECT_EQ(ListFolder(longText, [](const FolderEntry&) { return true; }), Listed::Refused);
}

// A module's system libraries are those of its own machine, whichever build looks: the paths a
// module of each machine names, the folder it takes its libraries from, the loader's answer for a
// bare name, the name of the file this program reads for a path and the other view's path.
TEST(FileLookup, EachMachineHasItsOwnSystemFolder) {
    const std::string w = WinDir(), s = Sys32();
    const bool program64 = sizeof(void*) == 8, wow64 = IsWow64();
    char buf[MAX_PATH] = {};
    const std::string wow64Dir = (program64 || wow64) && GetSystemWow64DirectoryA(buf, MAX_PATH) ? buf : "";
    const WORD own = program64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    // Where each machine's system files are as this program reaches them, and what they are
    // (32-bit Windows has 32-bit ones only).
    const std::string of32 = program64 ? wow64Dir : s;
    const std::string of64 = program64 ? s : wow64 ? w + "\\Sysnative" : s;
    const WORD files64 = program64 || wow64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    struct Case {
        WORD machine;
        std::string system;
        WORD files;
    };
    for (const Case& c : {Case{IMAGE_FILE_MACHINE_I386, of32, IMAGE_FILE_MACHINE_I386},
                          Case{IMAGE_FILE_MACHINE_AMD64, of64, files64}, Case{IMAGE_FILE_MACHINE_ARM64, of64, files64},
                          Case{0, s, own}}) {
        SCOPED_TRACE(c.machine);
        EXPECT_TRUE(TextCase::Equal(SystemFolderFor(c.machine), c.system)) << SystemFolderFor(c.machine);
        EXPECT_TRUE(TextCase::Equal(PathForMachine(s + "\\kernel32.dll", c.machine), c.system + "\\kernel32.dll"));
        for (const std::string& outside : {w + "\\system32x\\a.dll", w + "\\notepad.exe", std::string("kernel32.dll")})
            EXPECT_EQ(PathForMachine(outside, c.machine), outside);
        // A bare name is found in that machine's folder, and is a file of that machine.
        const std::string found = LoaderFile("kernel32", ".DLL", c.machine);
        EXPECT_TRUE(TextCase::Equal(found, c.system + "\\kernel32.DLL")) << found;
        EXPECT_EQ(PeImage(found).FileHeader().Machine, c.files);
    }
    // The folders the redirection leaves in place are the same for a 32-bit module.
    EXPECT_EQ(PathForMachine(s + "\\drivers\\etc\\hosts", IMAGE_FILE_MACHINE_I386), s + "\\drivers\\etc\\hosts");
    // The file read for a path, and the other view's path: only a 32-bit program on 64-bit
    // Windows reads another file than the system names.
    EXPECT_TRUE(TextCase::Equal(ReadPath(s + "\\notepad.exe"), (wow64 ? wow64Dir : s) + "\\notepad.exe"));
    EXPECT_EQ(ReadPath(s + "\\drivers\\etc\\hosts"), s + "\\drivers\\etc\\hosts");
    EXPECT_TRUE(TextCase::Equal(ReadPath(w + "\\regedit.exe"), (wow64 ? wow64Dir : w) + "\\regedit.exe"));
    EXPECT_EQ(ReadPath("C:\\Apps\\one.exe"), "C:\\Apps\\one.exe");
    EXPECT_TRUE(TextCase::Equal(OtherViewPath(s + "\\notepad.exe"), wow64 ? w + "\\Sysnative\\notepad.exe" : ""));
    EXPECT_EQ(OtherViewPath("C:\\Apps\\one.exe"), "");
    {
        // Inside the native scope the program reads what the system names.
        NativeSystemFolder native;
        EXPECT_EQ(ReadPath(s + "\\notepad.exe"), s + "\\notepad.exe");
        EXPECT_EQ(OtherViewPath(s + "\\notepad.exe"), "");
    }
}
