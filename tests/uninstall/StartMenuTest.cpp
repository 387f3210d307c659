// The Start-menu and desktop walk over fixture special folders (pointed there through "User
// Shell Folders" values of the overridden hives), and the matching of shortcuts to an entry.
#include <gtest/gtest.h>

#include "base/TextCase.h"
#include "tests/support/RegFixture.h"
#include "tests/uninstall/UninstallFixture.h"
#include "uninstall/Tab_UninstClean.h"

using namespace Tab_UninstClean;

namespace {

const bool kNoCancel = false;

// Fixture special folders: a common Start menu with a link loop made on the host side, a
// user's Start menu, and a desktop that is itself a folder link.
class StartMenus : public ::testing::Test {
protected:
    void SetUp() override {
        common = fx::HostDir() + "\\loopmenu";
        user = "C:\\velmfx-menus\\user";
        desktop = fx::HostDir() + "\\linkeddesk";
        fx::RemoveTree("C:\\velmfx-menus");
        fx::MakeFolders(user);
        hkcu = std::make_unique<RegFixture>(HKEY_CURRENT_USER, fx::ShellFoldersHkcu(user, desktop));
        hklm = std::make_unique<RegFixture>(HKEY_LOCAL_MACHINE, fx::ShellFoldersHklm(common));
    }
    void TearDown() override {
        hkcu.reset();
        hklm.reset();
        fx::RemoveTree("C:\\velmfx-menus");
        for (const char* f : {"\\loopmenu\\Tool.lnk", "\\loopmenu\\Sub\\Deep.lnk", "\\realdesk\\Desk Tool.lnk"})
            DeleteFileA((fx::HostDir() + f).c_str());
    }
    std::string common, user, desktop;
    std::unique_ptr<RegFixture> hkcu, hklm;
};

TEST_F(StartMenus, WalkCollectsLinksOfAllThreeRootsAndEndsAtFolderLinks) {
    fx::ProgramFolder app("VelmFx Menu");
    const std::string exe = app / "VelmFx Tool.exe";
    fx::Copy(fx::IconExe(), exe);
    fx::MakeLink(common + "\\Tool.lnk", exe);
    fx::MakeLink(common + "\\Sub\\Deep.lnk", exe);           // reached also as Sub\back\Sub\Deep.lnk
    fx::MakeLink(user + "\\Prog\\VelmFx Tool\\VelmFx Tool Help.lnk", exe);
    fx::MakeLink(user + "\\Folder.lnk", app.Path());           // a link to a folder: skipped
    fx::WriteText(user + "\\readme.txt");
    fx::MakeLink(fx::HostDir() + "\\realdesk\\Desk Tool.lnk", exe);

    colStartMenuTargets col;
    const long walks = StartMenuWalks();
    FillStartMenuTargetsCol(col, kNoCancel);
    EXPECT_EQ(StartMenuWalks(), walks + 1);

    std::vector<std::string> low;
    for (const auto& t : col) {
        low.push_back(t->strFilePathLow);
        EXPECT_EQ(t->strFilePath, t->Key);
        EXPECT_TRUE(TextCase::Equal(t->strTargetFilePath, exe)) << t->strTargetFilePath;
    }
    std::sort(low.begin(), low.end());
    EXPECT_EQ(low, (std::vector<std::string>{"Desk Tool.lnk", "Prog\\VelmFx Tool\\VelmFx Tool Help.lnk",
                                             "Sub\\Deep.lnk", "Tool.lnk"}));
    auto help = col.Item(user + "\\Prog\\VelmFx Tool\\VelmFx Tool Help.lnk");
    EXPECT_EQ(help->strLinkName, "VelmFx Tool Help");
}

TEST_F(StartMenus, WalkSeesTheFirstEntryOfADriveRoot) {
    // The user's Start menu is the drive root U:, which has no "." entry to pass over.
    hkcu->Load(fx::ShellFoldersHkcu("U:\\", desktop));
    const std::string link = "U:\\Root Tool.lnk";
    fx::MakeLink(link, fx::IconExe());
    colStartMenuTargets col;
    FillStartMenuTargetsCol(col, kNoCancel);
    DeleteFileA(link.c_str());
    ASSERT_TRUE(col.Exists(link));
    EXPECT_EQ(col.Item(link)->strFilePathLow, "Root Tool.lnk");
    EXPECT_EQ(col.Item(link)->strLinkName, "Root Tool");
}

TEST_F(StartMenus, ShortcutNamedLikeTheEntryDecidesExecutableAndFolder) {
    fx::ProgramFolder app("VelmFx Direct");
    const std::string exe = app / "bin\\run.exe";
    fx::Copy(fx::IconExe(), exe);
    fx::MakeLink(user + "\\Other Direct Thing.lnk", fx::IconExe());
    fx::MakeLink(user + "\\VelmFx Direct.lnk", exe);
    colStartMenuTargets col;
    FillStartMenuTargetsCol(col, kNoCancel);

    clsUS entry;
    entry.Key = "{VelmFx-Direct}";
    entry.strDisplayName = "VelmFx Direct";
    FilterStartMenuTargetsByAppName(entry, col, kNoCancel);
    EXPECT_TRUE(TextCase::Equal(entry.strDefaultExecutable, exe));
    EXPECT_TRUE(TextCase::Equal(entry.strAppPath, app / "bin"));
    EXPECT_TRUE(entry.blnDefaultExecutableVerified);

    // Letter case counts for the direct hit: only a proposal by score, not verified.
    clsUS lower;
    lower.Key = "x";
    lower.strDisplayName = "velmfx direct";
    FilterStartMenuTargetsByAppName(lower, col, kNoCancel);
    EXPECT_FALSE(lower.blnDefaultExecutableVerified);
    EXPECT_EQ(lower.strAppPath, "");

    // A cancel clears what the entry held.
    const bool cancelled = true;
    FilterStartMenuTargetsByAppName(entry, col, cancelled);
    EXPECT_EQ(entry.strDefaultExecutable, "");
    EXPECT_FALSE(entry.blnDefaultExecutableVerified || entry.blnGenerallyVerified);
}

TEST(StartMenuMatching, NamesLoseNoiseWordsAndDigitsNeverScore) {
    struct Case {
        const char* name;
        const char* normalized;
    } cases[] = {
        // Leading blanks stay; only the trailing ones are cut to one.
        {"Uninstall Tool for Windows", "   tool "},
        {"Microsoft Office-Suite Beta", " office suite "},
        {"a for for b", " a for b "},
        {"Acme Uninstaller", " acme  er "},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizedAppName(c.name), c.normalized) << c.name;

    clsSartMenuTarget t;
    t.strFilePathLow = "Acme 2003\\Acme v2.1.lnk";
    t.strTargetFilePath = "C:\\Program Files\\Acme\\acme-kit.exe";
    // "acme" is found four times (folder, link name, target folder, "acme-kit"), "v2.1" once;
    // "2003" never.
    EXPECT_EQ(StartMenuTargetScore(NormalizedAppName("Acme 2003 v2.1"), t), 5);
    EXPECT_EQ(StartMenuTargetScore(NormalizedAppName("2003"), t), 0);
}

TEST(StartMenuMatching, EqualScoreReplacesAProposalOnlyWhenItHasNoIcon) {
    auto target = [](colStartMenuTargets& col, const std::string& low, const std::string& exe) {
        auto t = col.Add("C:\\m\\" + low);
        t->strFilePath = t->Key;
        t->strFilePathLow = low;
        t->strLinkName = low.substr(0, low.size() - 4);
        t->strTargetFilePath = exe;
    };
    fx::ProgramFolder app("VelmFx Tie");
    fx::Copy(fx::IconExe(), app / "first.exe");
    fx::Copy(fx::IconExe(), app / "second.exe");
    fx::WriteText(app / "first.dat");

    colStartMenuTargets withIcon;
    target(withIcon, "Zed.lnk", app / "first.exe");
    target(withIcon, "Zed Tool.lnk", app / "second.exe");
    clsUS e1;
    e1.Key = "k";
    e1.strDisplayName = "Zed Tool";
    FilterStartMenuTargetsByAppName(e1, withIcon, kNoCancel);
    // "Zed Tool.lnk" scores higher (zed, tool) and wins outright.
    EXPECT_EQ(e1.strDefaultExecutable, app / "second.exe");

    colStartMenuTargets tie;
    target(tie, "Zed A.lnk", app / "first.exe");
    target(tie, "Zed B.lnk", app / "second.exe");
    clsUS e2;
    e2.Key = "k";
    e2.strDisplayName = "Zed";
    FilterStartMenuTargetsByAppName(e2, tie, kNoCancel);
    EXPECT_EQ(e2.strDefaultExecutable, app / "first.exe");

    colStartMenuTargets iconless;
    target(iconless, "Zed A.lnk", app / "first.dat");
    target(iconless, "Zed B.lnk", app / "second.exe");
    clsUS e3;
    e3.Key = "k";
    e3.strDisplayName = "Zed";
    FilterStartMenuTargetsByAppName(e3, iconless, kNoCancel);
    EXPECT_EQ(e3.strDefaultExecutable, app / "second.exe");
}

}  // namespace
