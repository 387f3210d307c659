#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "BaseFiles.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"
#include "base/Seams.h"

using namespace QV_APIFileAndDisk;
using basetest::ScratchDir;

namespace {

// Drive letters that the test run maps in the prefix's dosdevices (see CMakeLists.txt):
// P: an empty folder, Q: a folder holding only the file "only.txt". A Wine server that
// was already running when the links were made does not list them among the logical
// drives yet; it is told of them here.
bool MappedDrivesPresent() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("Q:\\*", &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    if (std::string(fd.cFileName) != "only.txt") return false;
    const std::string drives = basetest::ExeFolder() + "\\drives\\";
    for (const char* d : {"P:empty", "Q:onefile"}) {
        if (GetLogicalDrives() & (1u << (d[0] - 'A'))) continue;
        DefineDosDeviceA(DDD_RAW_TARGET_PATH, std::string(d, 2).c_str(), ("\\??\\" + drives + (d + 2)).c_str());
    }
    return (GetLogicalDrives() & (1u << ('P' - 'A'))) && (GetLogicalDrives() & (1u << ('Q' - 'A')));
}

}  // namespace

TEST(FileAndDisk, FoldersFilesAndDrives) {
    struct Case { const char* path; bool folder; bool file; };
    const Case cases[] = {
        {"C:\\windows", true, false},
        {"C:\\windows\\", true, false},
        {"C:\\WINDOWS\\System32", true, false},
        {"windows", false, false},
        {"C:", true, false},
        {"c:", true, false},
        {"C:\\", true, false},
        {"Z:\\", true, false},
        {"", false, false},
        {"C:\\windows\\notepad.exe", false, true},
        {"C:\\windows\\win.ini", false, true},
        {"C:\\windows\\system32\\comctl32.dll", false, true},
        {"C:\\windows\\system32\\comctl32.dll\\", false, false},
        {"notepad.exe", false, false},
        {"C:\\NoSuchFolder-velm", false, false},
        {"C:\\NoSuchFolder-velm\\x.dll", false, false},
        {"C:\\windows\\*.exe", false, false},
        {"C:\\windows\\notepad.???", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathExists(c.path), c.folder) << c.path;
        EXPECT_EQ(FileExists(c.path), c.file) << c.path;
    }
    // A drive letter that is not mapped.
    std::string missing;
    for (char d = 'Y'; d >= 'D'; --d)
        if (!(GetLogicalDrives() & (1u << (d - 'A')))) {
            missing = std::string(1, d) + ":";
            break;
        }
    ASSERT_FALSE(missing.empty());
    EXPECT_FALSE(PathExists(missing));
    EXPECT_FALSE(PathExists(missing + "\\"));
    EXPECT_FALSE(PathExists(missing + "\\windows"));
    std::string onMissing = missing + "\\a\\b";
    EXPECT_FALSE(FindExistingPathPrefix(onMissing));
    EXPECT_EQ(onMissing, missing);
}

// A drive root has no "." entry, so its first entry says nothing about the drive: an
// empty drive and a drive holding only a file both exist.
TEST(FileAndDisk, MappedDriveRootsExistWhateverTheyHold) {
    if (!MappedDrivesPresent()) GTEST_SKIP() << "P: and Q: are mapped by the ctest set-up step";
    for (const char* root : {"P:", "P:\\", "p:\\", "Q:", "Q:\\"}) EXPECT_TRUE(PathExists(root)) << root;
    EXPECT_TRUE(FileExists("Q:\\only.txt"));
    EXPECT_FALSE(PathExists("Q:\\only.txt"));
    EXPECT_FALSE(PathExists("P:\\nothing"));
    std::string p = "P:\\a\\b\\c.dll";
    EXPECT_FALSE(FindExistingPathPrefix(p));  // the drive root itself is never tested
}

TEST(FileAndDisk, ExistingPrefixShrinksToTheExistingFolder) {
    struct Case { const char* in; bool found; const char* out; };
    const Case cases[] = {
        {"C:\\windows\\NoSuchFolder\\x.dll", true, "C:\\windows"},
        {"C:\\windows\\system32\\NoSuch\\deeper\\x.dll", true, "C:\\windows\\system32"},
        {"C:\\windows", true, "C:\\windows"},
        {"C:\\windows\\ ", true, "C:\\windows\\ "},
        {"C:\\NoSuchFolder-velm\\x", false, "C:"},
        {"C:\\", false, "C:\\"},
    };
    for (const Case& c : cases) {
        std::string p = c.in;
        EXPECT_EQ(FindExistingPathPrefix(p), c.found) << c.in;
        EXPECT_EQ(p, c.out) << c.in;
    }
}

// No text longer than a path names a file or folder, whatever it begins with; the shortening
// of such a text starts at the path limit.
TEST(FileAndDisk, TextsLongerThanAPathNameNothing) {
    const std::string sys = "C:\\windows\\system32";
    for (const std::string& tail : {std::string(300, ' '), std::string(300, '\\'), "\\" + std::string(300, 'x')}) {
        EXPECT_FALSE(FileExists(sys + "\\notepad.exe" + tail)) << tail.size();
        if (tail[0] != ' ') {
            EXPECT_FALSE(PathExists(sys + tail.substr(1))) << tail[0];
        }
    }
    EXPECT_TRUE(PathExists(sys + std::string(300, ' ')));  // trailing blanks do not count
    std::string p = sys + "\\" + std::string(100000, 'x');
    EXPECT_TRUE(FindExistingPathPrefix(p));
    EXPECT_EQ(p, sys);
    // The leading parts tried: longest first, from the path limit down to the shortest asked.
    std::vector<size_t> lengths;
    EXPECT_FALSE(TryLeadingParts(std::string(100000, 'x'), 3, [&](const std::string& t) {
        lengths.push_back(t.size());
        return false;
    }));
    ASSERT_EQ(lengths.size(), kLongestPath - 2);
    EXPECT_EQ(lengths.front(), kLongestPath);
    EXPECT_EQ(lengths.back(), 3u);
    std::string hit;
    EXPECT_TRUE(TryLeadingParts("abcdef", 3, [&](const std::string& t) { return (hit = t) == "abcd"; }));
    EXPECT_EQ(hit, "abcd");
}

// Environment references expand in one pass, each value once, and never beyond the path limit.
TEST(FileAndDisk, ExpandReferencesInOneBoundedPass) {
    auto value = [](const std::string& name) { return name == "A" ? std::string("aa%B%") : name == "B" ? "b" : ""; };
    const struct {
        std::string text;
        bool firstOnly;
        std::string expanded;
    } cases[] = {
        {"%A%\\%B%\\x", false, "aa%B%\\b\\x"},
        {"%A%\\%B%\\%A%", true, "aa%B%\\%B%\\aa%B%"},
        {"%B%%A%%B%", true, "b%A%b"},
        {"x%A", false, "x%A"},
        {"%%", false, ""},
        {"%Unset%\\x", false, "\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpandReferences(c.text, value, c.firstOnly), c.expanded) << c.text;
    // A long run of references stops growing once past the limit; the rest stays as it stands.
    std::string many;
    while (many.size() < 100000) many += "%A%";
    const std::string out = ExpandReferences(many, value);
    EXPECT_LT(out.size(), many.size() + 2 * kLongestPath);
    EXPECT_EQ(out.rfind("aa%B%", 0), 0u);
    EXPECT_TRUE(out.ends_with("%A%%A%"));
    // A name longer than any path is no variable: the pass ends before it.
    const std::string longName = "%B%\\%" + std::string(100000, 'n') + "%";
    EXPECT_EQ(ExpandReferences(longName, value), "b" + longName.substr(3));
}

TEST(FileAndDisk, SpecialFolders) {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string path = "unchanged";
    ASSERT_TRUE(GetSpecialFolder(nullptr, CSIDL_WINDOWS_, path));
    EXPECT_TRUE(TextCase::Equal(path, windows)) << path;
    EXPECT_NE(path.back(), '\\');
    for (int csidl : {CSIDL_DESKTOP_, CSIDL_STARTMENU_, CSIDL_COMMON_STARTMENU_, CSIDL_COMMON_STARTUP_,
                      CSIDL_PROGRAM_FILES_, CSIDL_PROGRAM_FILES_COMMON_}) {
        std::string p;
        ASSERT_TRUE(GetSpecialFolder(nullptr, csidl, p)) << csidl;
        EXPECT_TRUE(p.size() > 3 && p[1] == ':') << csidl << " " << p;
        EXPECT_NE(p.back(), '\\') << p;
    }
    std::string programFiles;
    GetSpecialFolder(nullptr, CSIDL_PROGRAM_FILES_, programFiles);
    EXPECT_TRUE(PathExists(programFiles)) << programFiles;
    std::string bad = "unchanged";
    EXPECT_FALSE(GetSpecialFolder(nullptr, 0x7777, bad));
    EXPECT_EQ(bad, "unchanged");
}

TEST(FileAndDisk, StripTrailingBackslashChangesTheArgumentToo) {
    std::string p = "C:\\windows\\";
    EXPECT_EQ(StripTrailingBackslash(p), "C:\\windows");
    EXPECT_EQ(p, "C:\\windows");
    EXPECT_EQ(StripTrailingBackslash(p), "C:\\windows");
    std::string empty;
    EXPECT_EQ(StripTrailingBackslash(empty), "");
}

TEST(FileAndDisk, CopyAndDelete) {
    ScratchDir dir("velm-copy");
    basetest::WriteFile(dir / "a.txt", "first");
    basetest::WriteFile(dir / "b.txt", "second");
    EXPECT_FALSE(CopyFile(dir / "a.txt", dir / "b.txt", true));
    EXPECT_EQ(basetest::ReadFile(dir / "b.txt"), "second");
    EXPECT_TRUE(CopyFile(dir / "a.txt", dir / "b.txt", false));
    EXPECT_EQ(basetest::ReadFile(dir / "b.txt"), "first");
    EXPECT_TRUE(CopyFile("C:\\windows\\win.ini", dir / "win.ini", true));
    EXPECT_FALSE(CopyFile(dir / "missing.txt", dir / "c.txt", false));

    basetest::WriteFile(dir / "keep.dat", "k");
    EXPECT_TRUE(DeleteFile(dir / "*.txt"));
    EXPECT_FALSE(basetest::Exists(dir / "a.txt"));
    EXPECT_FALSE(basetest::Exists(dir / "b.txt"));
    EXPECT_TRUE(basetest::Exists(dir / "keep.dat"));
    EXPECT_FALSE(DeleteFile(dir / "*.txt"));
    EXPECT_TRUE(DeleteFile(dir / "keep.dat"));
    EXPECT_FALSE(DeleteFile(dir / "keep.dat"));
    EXPECT_FALSE(DeleteFile(""));
}

TEST(FileAndDisk, ShellExecuteWaitStartsAndWaits) {
    ScratchDir dir("velm-shell");
    std::string marker = dir / "marker.txt";
    std::string cmd = "C:\\windows\\system32\\cmd.exe";
    // With the wait flag the program has ended (and written its file) when the call returns.
    EXPECT_TRUE(ShellExecuteWait(nullptr, cmd, "", 1, "/c echo done> \"" + marker + "\"", SW_HIDE));
    EXPECT_EQ(basetest::ReadFile(marker), "done\r\n");
    EXPECT_EQ(cmd, "C:\\windows\\system32\\cmd.exe");
    std::string missing = dir / "no-such-program.exe";
    EXPECT_FALSE(ShellExecuteWait(nullptr, missing, " "));
}

TEST(FileAndDisk, ShellExecuteWaitHandsTheShellItsRequest) {
    std::vector<ui::ShellRequest> seen;
    ui::ShellOverride shell([&](const ui::ShellRequest& r) {
        seen.push_back(r);
        return r.file.find("refuse") == std::string::npos;
    });
    std::string licence = "C:\\Program Files\\Velmora\\LICENSE.RTF";
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_TRUE(ShellExecuteWait(owner, licence));
    std::string refused = "\\\\srv\\share\\refuse.doc";
    EXPECT_FALSE(ShellExecuteWait(nullptr, refused, "print", 1, "/x", SW_SHOWMINIMIZED));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].owner, owner);
    EXPECT_EQ(seen[0].verb, "open");
    EXPECT_EQ(seen[0].file, licence);
    EXPECT_EQ(seen[0].parameters, "");
    EXPECT_EQ(seen[0].directory, "C:\\Program Files\\Velmora");
    EXPECT_EQ(seen[0].show, SW_SHOWNORMAL);
    EXPECT_FALSE(seen[0].wait);
    EXPECT_EQ(seen[1].verb, "print");
    EXPECT_EQ(seen[1].directory, "\\\\srv\\share");
    EXPECT_EQ(seen[1].parameters, "/x");
    EXPECT_EQ(seen[1].show, SW_SHOWMINIMIZED);
    EXPECT_TRUE(seen[1].wait);
}

TEST(FileAndDisk, BrowseForFolderOpensAtTheInitialFolder) {
    const std::string title = "Pick the velm folder";
    std::atomic<bool> stop{false};
    // Plays the user: presses OK once this program's dialog shows up.
    std::thread user([&] {
        for (int i = 0; i < 600 && !stop; ++i) {
            HWND dlg = FindWindowA("#32770", nullptr);
            while (dlg) {
                DWORD pid = 0;
                GetWindowThreadProcessId(dlg, &pid);
                if (pid == GetCurrentProcessId() && GetDlgItem(dlg, IDOK)) {
                    Sleep(300);  // let the dialog select the initial folder first
                    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
                    return;
                }
                dlg = FindWindowExA(nullptr, dlg, "#32770", nullptr);
            }
            Sleep(50);
        }
    });
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string chosen = BrowseForFolder(nullptr, title, std::string(windows) + "\\system32", 1);
    stop = true;
    user.join();
    EXPECT_TRUE(TextCase::Equal(chosen, std::string(windows) + "\\system32")) << chosen;
}
