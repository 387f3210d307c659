// Finding an entry's application folder and main executable: the uninstall command's forms,
// the candidate filtering and the literal selection, the installer's component data, and the
// executable search in the chosen folder.
#include <gtest/gtest.h>

#include "base/TextCase.h"
#include "platform/InstallerData.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"
#include "tests/uninstall/UninstallFixture.h"
#include "uninstall/Tab_UninstClean.h"

using namespace Tab_UninstClean;

namespace {

TEST(UninstallAppPath, CommandLineFormsGiveAnExistingFolderOrNothing) {
    fx::ProgramFolder app("VelmFx App");
    fx::ProgramFolder plus("VelmFx C++ App");
    fx::Copy(fx::IconExe(), app / "unins000.exe");
    fx::WriteText(app / "uninst.log");
    fx::Copy(fx::IconExe(), plus / "uninst.exe");
    const std::string folder = app.Path();
    struct Case {
        std::string command;
        long result;
        std::string folder;  // expected when the result is 0
    } cases[] = {
        // Quoted uninstaller with switches: the quote and switches are cut away.
        {"\"" + folder + "\\unins000.exe\" /SILENT", 0, folder},
        // An existing uninstaller file gives its folder, never the file as a folder.
        {folder + "\\unins000.exe", 0, folder},
        // An uninstaller in the Windows folder with the log in the application's folder.
        {"C:\\windows\\unins.exe " + folder + "\\uninst.log", 0, folder},
        {"C:\\windows\\unins.exe " + folder + "\\missing.log", 0, folder},
        // Three paths: the second one, cut before the third's switch.
        {"C:\\WINDOWS\\IsUninst.exe -f\"" + folder + "\\Uninst.isu\" -c\"" + folder + "\\Uninst.dll\"", 0, folder},
        // A "+" breaks the folder name; shortening it would end at Program Files, which holds
        // many applications: no folder.
        {plus.Path() + "\\uninst.exe", 1, ""},
        // Nothing existing can be taken from these.
        {":\\odd", 1, ""},
        {"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}", 1, ""},
    };
    for (const auto& c : cases) {
        std::string out;
        long result = chk_appPath(c.command, out);
        EXPECT_EQ(result, c.result) << c.command;
        if (c.result == 0) {
            EXPECT_TRUE(TextCase::Equal(out, c.folder)) << c.command << " -> " << out;
        }
    }
}

TEST(UninstallAppPath, SelectionTakesTheShortestNonEmptyFolderEarlierOnTies) {
    // The literal selection rules: the name's words and the empty word after its last blank,
    // which every folder contains, so the shortest folder wins even when a longer one carries
    // the product's name.
    clsUS entry;
    entry.strDisplayName = "Beta Tool";
    struct Case {
        std::vector<std::string> paths;
        std::string selected;
    } cases[] = {
        {{"C:\\Program Files\\Beta Tool\\sub\\a.exe", "C:\\Program Files\\Zed\\b.exe",
          "C:\\Program Files\\Alpha\\c.exe"},
         "C:\\Program Files\\Zed"},
        {{"C:\\Program Files\\Aaa\\a.exe", "C:\\Program Files\\Bbb\\b.exe"}, "C:\\Program Files\\Aaa"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        colMSInstallerComponent list;
        for (const auto& p : c.paths) list.Add(p)->strClientPath = p;
        std::string selected = "stale";
        chk_Installer_AppPath_Selecting(entry, list, entry.strDisplayName, selected);
        EXPECT_EQ(selected, c.selected);
    }
}

TEST(UninstallAppPath, FilteringPrefersProgramFilesOverCommonFilesAndWindows) {
    colMSInstallerComponent list;
    for (const char* p : {"C:\\windows\\system32\\a.dll", "C:\\Program Files\\Common Files\\VelmFx\\b.dll",
                          "C:\\Program Files\\VelmFx Msi\\c.exe"})
        list.Add(p)->strClientPath = p;
    chk_Installer_AppPath_Filtering(list, "VelmFx Msi");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(1L)->strClientPath, "C:\\Program Files\\VelmFx Msi\\c.exe");

    // All in one class: nothing removed.
    colMSInstallerComponent windowsOnly;
    for (const char* p : {"C:\\windows\\a.dll", "C:\\windows\\system32\\b.dll"}) windowsOnly.Add(p)->strClientPath = p;
    chk_Installer_AppPath_Filtering(windowsOnly, "x");
    EXPECT_EQ(windowsOnly.Count(), 2);
}

TEST(UninstallAppPath, DeterminationCountsADuplicateCandidateOnceAndGoesOn) {
    fx::ProgramFolder app("VelmFx Dup");
    fx::Copy(fx::IconExe(), app / "VelmFx Dup.exe");
    clsUS entry;
    entry.Key = entry.strDisplayName = "VelmFx Dup";
    entry.strUninstallString = "C:\\windows\\uninst.exe";
    entry.strDefaultExecutable = app / "VelmFx Dup.exe";
    entry.blnDefaultExecutableVerified = true;
    entry.strDisplayIcon = TextCase::Upper(app / "VelmFx Dup.exe");  // the same file, other case
    US_DetermineAppPath(entry);
    EXPECT_EQ(entry.strAppPath, app.Path());
    EXPECT_TRUE(entry.blnGenerallyVerified);
}

TEST(UninstallAppPath, CommandWithoutExistingPathOffersNoFolder) {
    clsUS entry;
    entry.Key = entry.strDisplayName = "VelmFx Msi Only";
    entry.strUninstallString = "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}";
    US_DetermineAppPath(entry);
    EXPECT_EQ(entry.strAppPath, "");
    EXPECT_TRUE(entry.blnGenerallyVerified);

    // An existing uninstaller file: its folder, and the executable found in it by name.
    fx::ProgramFolder app("VelmFx Finder");
    fx::Copy(fx::IconExe(), app / "unins000.exe");
    fx::Copy(fx::IconExe(), app / "VelmFx-Finder.exe");
    fx::Copy(fx::IconlessPe(), app / "Finder.exe");
    fx::WriteText(app / "finder.txt");
    clsUS found;
    found.Key = found.strDisplayName = "VelmFx Finder";
    found.strUninstallString = app / "unins000.exe";
    US_DetermineAppPath(found);
    EXPECT_EQ(found.strAppPath, app.Path());
    EXPECT_TRUE(TextCase::Equal(found.strDefaultExecutable, app / "VelmFx-Finder.exe")) << found.strDefaultExecutable;
}

TEST(UninstallAppPath, ExecutableSearchSeesTheFirstEntryOfADriveRoot) {
    // U: is a folder holding just one program: a drive root has no "." entry to pass over.
    ASSERT_TRUE(fx::MapDriveRoot());
    const std::string exe = "U:\\VelmRoot.exe";
    DeleteFileA(exe.c_str());
    fx::Copy(fx::IconExe(), exe);
    clsUS entry;
    entry.strDisplayName = "VelmRoot";
    FindDefaultExecinSelAppPath(entry, "U:\\");
    EXPECT_TRUE(TextCase::Equal(entry.strDefaultExecutable, exe)) << entry.strDefaultExecutable;
    DeleteFileA(exe.c_str());

    // A folder under the Windows folder is never searched.
    clsUS windows;
    windows.strDisplayName = "notepad";
    FindDefaultExecinSelAppPath(windows, "C:\\windows");
    EXPECT_EQ(windows.strDefaultExecutable, "");
}

// Component data of one installed product, in the registry form msi.dll reads.
std::string InstallerFixture(const std::string& product,
                             const std::vector<std::pair<std::string, std::string>>& components) {
    const std::string sqProduct = WindowsInstaller::PackedGuid(product);
    std::string text;
    const std::string userData = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18";
    for (const auto& [component, path] : components)
        text += "[" + userData + "\\Components\\" + WindowsInstaller::PackedGuid(component) + "]\n\"" + sqProduct + "\"=" +
                RegQuoted(path) + "\n";
    text += "[" + userData + "\\Products\\" + sqProduct + "\\InstallProperties]\n"
            "\"LocalPackage\"=\"C:\\\\windows\\\\Installer\\\\velmfx.msi\"\n";
    text += "[Software\\Classes\\Installer\\Products\\" + sqProduct + "]\n\"ProductName\"=\"VelmFx Msi\"\n";
    return text;
}

TEST(UninstallAppPath, InstallerProductGivesItsProgramFilesFolder) {
    const std::string product = "{1A2B3C4D-0000-4000-8000-00000000A001}";
    fx::ProgramFolder app("VelmFx Msi");
    fx::Copy(fx::IconExe(), app / "VelmFx Msi.exe");
    RegFixture hklm(HKEY_LOCAL_MACHINE,
                    InstallerFixture(product, {
                        {"{1A2B3C4D-0000-4000-8000-0000000C0001}", "C:\\windows\\system32\\velmfx.dll"},
                        {"{1A2B3C4D-0000-4000-8000-0000000C0002}", "C:\\Program Files\\Common Files\\VelmFx\\s.dll"},
                        {"{1A2B3C4D-0000-4000-8000-0000000C0003}", "02:\\SOFTWARE\\VelmFx\\Key"},
                        {"{1A2B3C4D-0000-4000-8000-0000000C0004}", app / "VelmFx Msi.exe"},
                    }) + fx::ShellFoldersHklm("C:\\velmfx-none"));
    clsUS entry;
    entry.Key = entry.strDisplayName = "VelmFx Msi";
    entry.strModifiyPath = "MsiExec.exe /I" + product;
    entry.strUninstallString = "MsiExec.exe /X" + product;
    entry.blnIsInstaller = true;
    std::string folder;
    EXPECT_EQ(chk_Installer_AppPath(entry, folder), 0);
    EXPECT_EQ(folder, app.Path());
    US_DetermineAppPath(entry);
    EXPECT_EQ(entry.strAppPath, app.Path());
    EXPECT_TRUE(TextCase::Equal(entry.strDefaultExecutable, app / "VelmFx Msi.exe")) << entry.strDefaultExecutable;

    // A product the installer does not know gives nothing.
    clsUS unknown;
    unknown.strModifiyPath = "MsiExec.exe /I{9A2B3C4D-0000-4000-8000-00000000A009}";
    std::string none;
    EXPECT_EQ(chk_Installer_AppPath(unknown, none), 1);
    EXPECT_EQ(none, "");
}

}  // namespace

// An uninstall command is handed to the system only when a file can be its program: the system
// tries every blank-separated leading part of an unquoted command before it gives up.
TEST(UninstallCommands, ACommandNoFileCanBeTheProgramOfIsNotStarted) {
    fx::ProgramFolder app("VelmFx Cmd Start");
    fx::Copy(fx::IconExe(), app / "tool.exe");
    auto blanks = [](std::string head) {
        while (head.size() < 10000) head += " x";
        return head;
    };
    const struct {
        const char* shape;
        std::string command;
        bool starts;
    } cases[] = {
        {"short, left to the system", "nothere.exe /x", true},
        {"quoted program", "\"" + WinDir() + "\\notepad.exe\" /x", true},
        {"quoted program longer than a path", "\"C:\\" + std::string(300, 'a') + ".exe\" /x", false},
        {"long, program with its folder", blanks(WinDir() + "\\notepad.exe"), true},
        {"long, program on the search path without extension", blanks("notepad"), true},
        {"long, program in a folder with a blank in its name", blanks(app / "tool.exe"), true},
        {"long, no program", blanks("C:\\Program Files\\VelmFx Nothere\\unins000.exe"), false},
        {"long, one word", "C:\\" + std::string(10000, 'a'), false},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandCanStart(c.command), c.starts) << c.shape;
}
