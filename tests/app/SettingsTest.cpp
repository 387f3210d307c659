// The settings store, the uninstall cache writer and the global state object, on scratch
// copies of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
#include <gtest/gtest.h>

#include <string>

#include "VelmVersion.h"
#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "base/KeyedCollection.h"
#include "base/QV_Registry_Lib.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace R = Register_UninstClean;

namespace {

struct Fresh : ::testing::Test {
    void SetUp() override { DroskGlobalDiscard(); }
    void TearDown() override { DroskGlobalDiscard(); }
};

}  // namespace

namespace {
struct TestUS {
    std::string strDisplayName, strAppPath, strDefaultExecutable;
    Variant blnGenerallyVerified;
    std::string strNothingFound;
};
}  // namespace

using SettingsStore = Fresh;

TEST_F(SettingsStore, FirstRunCreatesTheKeyAndAppliesTheDefaults) {
    RegFixture hkcu(HKEY_CURRENT_USER);
    R::RunStartupSequence();
    clsDroskGlobal& g = DroskGlobal();
    EXPECT_TRUE(g.blnIsFirsttime);
    EXPECT_TRUE(g.blnOptionAutoUpdate);
    EXPECT_FALSE(g.blnOptionLaunchMinimized);
    EXPECT_TRUE(g.blnOptionShowInTaskbar);
    EXPECT_EQ(g.LastTab.ToLong(), 3);
    // The arranged-by choices start at the first entry, as a later start restores unset ones.
    for (const Variant* choice : {&g.vntSDSelectedBy, &g.vntCMHSelectedBy, &g.vntRegCompSelectedBy}) {
        EXPECT_TRUE(choice->IsNumber());
        EXPECT_EQ(choice->ToLong(), 0);
    }
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, R::cstrProgramKey, "Version"), VELM_VERSION_TEXT);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, R::cstrSettingsKey));
    EXPECT_FALSE(R::Firsttime());  // the key is now in order
}

TEST_F(SettingsStore, AnyOtherVersionOrAMissingSettingsKeyResetsTheWholeProgramKey) {
    // An older version, this version with a trailing blank, and this version without its Settings key.
    const std::string cases[] = {
        "[Software\\Quorvath\\Velmora]\n\"Version\"=\"1.7.0\"\n[Software\\Quorvath\\Velmora\\Settings]\n\"WindowState\"=\"2\"\n[Software\\Quorvath\\Velmora\\Other]\n",
        "[Software\\Quorvath\\Velmora]\n\"Version\"=\"" VELM_VERSION_TEXT " \"\n[Software\\Quorvath\\Velmora\\Settings]\n\"WindowState\"=\"2\"\n[Software\\Quorvath\\Velmora\\Other]\n",
        "[Software\\Quorvath\\Velmora]\n\"Version\"=\"" VELM_VERSION_TEXT "\"\n[Software\\Quorvath\\Velmora\\Other]\n",
    };
    for (const std::string& text : cases) {
        RegFixture hkcu(HKEY_CURRENT_USER, text);
        EXPECT_TRUE(R::Firsttime()) << text;
        EXPECT_EQ(ReadText(HKEY_CURRENT_USER, R::cstrProgramKey, "Version"), VELM_VERSION_TEXT);
        EXPECT_EQ(Setting("WindowState"), "<none>");
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora\\Other")) << text;
    }
}

TEST_F(SettingsStore, RestoreAppliesEachReadRuleAndAMalformedValueFallsBackAlone) {
    const long sw = R::ScreenWidthTwips(), sh = R::ScreenHeightTwips();
    RegFixture hkcu(HKEY_CURRENT_USER, Stored(
        "\"LaunchMinimized\"=\"1\"\n\"AutoUpdate\"=\"yes\"\n"
        "\"WindowHeight\"=\"abc\"\n"                                   // malformed: stays as created
        "\"WindowWidth\"=\"" + std::to_string(sw - 100) + "\"\n"
        "\"WindowState\"=\"3\"\n"
        "\"ScreenWidth\"=\"99999999999\"\n"                              // overflow: stays as created
        "\"ScreenHeight\"=\"" + std::to_string(sh + 1) + "\"\n"          // beyond the screen: unchanged
        "\"WindowLeft\"=\"120\"\n\"WindowTop\"=\"" + std::to_string(sh) + "\"\n"
        "\"SplitterRegCompLeft\"=\"" + std::to_string(sw - 600) + "\"\n"  // width - 500: taken
        "\"SplitterSDLeft\"=\"" + std::to_string(sw - 599) + "\"\n"       // one more: ignored
        "\"Last_Tab\"=\"02\"\n\"SD_SelectedBy\"=\"4\"\n\"CMH_SelectedBy\"=\"1\"\n\"RegComp_SelectedBy\"=\"x\"\n"
        "\"RegComp_Detailed\"=\"1\"\n\"Find_lastString\"=\"needle\"\n\"Find_FindInData\"=\"1\"\n"));
    R::RunStartupSequence();
    clsDroskGlobal& g = DroskGlobal();
    EXPECT_FALSE(g.blnIsFirsttime);
    EXPECT_TRUE(g.blnOptionShowInTaskbar);  // missing gives True
    EXPECT_TRUE(g.blnOptionLaunchMinimized);
    EXPECT_FALSE(g.blnOptionAutoUpdate);
    EXPECT_EQ(g.lngWindowHeight, 0);
    EXPECT_EQ(g.lngWindowWidth, sw - 100);
    EXPECT_EQ(g.lngWindowState, 0);
    EXPECT_EQ(g.lngScreenWidth, 0);
    EXPECT_EQ(g.lngScreenHeight, 0);
    EXPECT_EQ(g.lngWindowLeft, 120);
    EXPECT_EQ(g.lngWindowTop, sh);
    EXPECT_EQ(g.lngSplitterRegCompLeft, sw - 600);
    EXPECT_EQ(g.lngSplitterSDLeft, 0);
    EXPECT_EQ(g.LastTab.ToLong(), 2);
    EXPECT_EQ(g.vntSDSelectedBy.ToLong(), 0);
    EXPECT_EQ(g.vntCMHSelectedBy.ToLong(), 1);
    EXPECT_EQ(g.vntRegCompSelectedBy.ToLong(), 0);
    EXPECT_TRUE(g.blnRegCompDetailed);
    EXPECT_EQ(R::colQVRegistry().cstrFindString, "needle");
    EXPECT_TRUE(R::colQVRegistry().blnFindInData);
    EXPECT_FALSE(R::colQVRegistry().blnFindInKeys);
}

TEST_F(SettingsStore, LastTabAndShowInTaskbarTexts) {
    struct { const char* stored; long tab; bool tray; } cases[] = {
        {"\"Last_Tab\"=\"-1\"\n\"ShowInTaskbar\"=\"0\"\n", 3, false},
        {"\"Last_Tab\"=\"2a\"\n\"ShowInTaskbar\"=\"1\"\n", 3, true},
        {"\"Last_Tab\"=\"\"\n\"ShowInTaskbar\"=\"no\"\n", 3, true},
        {"\"Last_Tab\"=\"4\"\n", 4, true},
    };
    for (auto& c : cases) {
        DroskGlobalDiscard();
        RegFixture hkcu(HKEY_CURRENT_USER, Stored(c.stored));
        R::RunStartupSequence();
        EXPECT_EQ(DroskGlobal().LastTab.ToLong(), c.tab) << c.stored;
        EXPECT_EQ(DroskGlobal().blnOptionShowInTaskbar, c.tray) << c.stored;
    }
}

TEST_F(SettingsStore, SaveWritesEveryValueAndASecondStartReadsThemBack) {
    RegFixture hkcu(HKEY_CURRENT_USER, Stored(""));
    clsDroskGlobal& g = DroskGlobal();
    g.blnOptionShowInTaskbar = false;
    g.lngWindowWidth = 9000; g.lngWindowHeight = 6000; g.lngWindowLeft = 300; g.lngWindowTop = 450;
    g.lngWindowState = 2; g.lngSplitterRegCompLeft = 4000; g.LastTab = Variant(1L);
    g.vntCMHSelectedBy = Variant(1L); g.vntRegCompSelectedBy = Variant(2L);
    R::colQVRegistry().cstrFindString = "abc";
    R::colQVRegistry().blnFindWholeStringOnly = true;
    KeyedCollection<TestUS> none;
    R::SaveSettingsToRegistry(none);
    const char* names[] = {"ShowInTaskbar", "LaunchMinimized", "AutoUpdate", "WindowHeight", "WindowWidth",
                           "WindowState", "ScreenWidth", "ScreenHeight", "WindowLeft", "WindowTop",
                           "SplitterRegCompLeft", "SplitterSDLeft", "Last_Tab", "SD_Detailed", "SD_SelectedBy",
                           "CMH_GeneralEntries", "CMH_SelectedBy", "RegComp_Detailed", "RegComp_SelectedBy",
                           "Find_lastString", "Find_FindInKeys", "Find_FindInValues", "Find_FindInData",
                           "Find_MatchWholeStringOnly"};
    for (const char* n : names) EXPECT_NE(Setting(n), "<none>") << n;
    EXPECT_EQ(Setting("ShowInTaskbar"), "0");
    EXPECT_EQ(Setting("WindowState"), "2");
    EXPECT_EQ(Setting("SD_SelectedBy"), "");  // an empty choice is written empty
    EXPECT_EQ(Setting("Find_lastString"), "abc");

    DroskGlobalDiscard();
    R::colQVRegistry() = {};
    R::RunStartupSequence();
    clsDroskGlobal& h = DroskGlobal();
    EXPECT_FALSE(h.blnOptionShowInTaskbar);
    EXPECT_EQ(h.lngWindowWidth, 9000);
    EXPECT_EQ(h.lngWindowHeight, 6000);
    EXPECT_EQ(h.lngWindowLeft, 300);
    EXPECT_EQ(h.lngWindowState, 2);
    EXPECT_EQ(h.lngSplitterRegCompLeft, 4000);
    EXPECT_EQ(h.LastTab.ToLong(), 1);
    EXPECT_EQ(h.vntCMHSelectedBy.ToLong(), 1);
    EXPECT_EQ(h.vntRegCompSelectedBy.ToLong(), 2);
    EXPECT_TRUE(R::colQVRegistry().blnFindWholeStringOnly);
}

TEST_F(SettingsStore, SaveAfterTheKeyVanishedOnlyRecreatesIt) {
    RegFixture hkcu(HKEY_CURRENT_USER);
    KeyedCollection<TestUS> none;
    DroskGlobal().lngWindowWidth = 7000;
    R::SaveSettingsToRegistry(none);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, R::cstrProgramKey, "Version"), VELM_VERSION_TEXT);
    EXPECT_EQ(Setting("WindowWidth"), "<none>");
}

TEST_F(SettingsStore, UninstallCacheHoldsThreeFieldsPerEntry) {
    RegFixture hkcu(HKEY_CURRENT_USER, Stored(""));
    RegFixture hklm(HKEY_LOCAL_MACHINE, "[Software\\Quorvath\\Velmora\\Settings\\UninstClean\\USCache]\n\"Gone\"=\"x<:> <:>0\"\n");
    KeyedCollection<TestUS> col;
    auto add = [&](const char* key, const char* name, const char* folder, const char* exe, Variant v) {
        auto e = col.Add(key);
        e->strDisplayName = name; e->strAppPath = folder; e->strDefaultExecutable = exe; e->blnGenerallyVerified = v;
    };
    add("a", "Alpha", "C:\\windows", "C:\\windows\\system32\\kernel32.dll", Variant(true));
    add("b", "Beta", "C:\\nowhere", "C:\\nowhere\\beta.exe", Variant(false));
    add("c", "Gamma", "C:\\g", "", Variant());
    add("d", "Delta", "C:\\d", "", Variant::Null());
    add("e", "", "C:\\root", "", Variant(true));
    add("f", "Alpha", "C:\\later", "", Variant(false));
    R::SaveSettingsToRegistry(col);
    const std::string cache = R::cstrCacheKey;
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Alpha"), "C:\\later<:> <:>0");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Beta"), "C:\\nowhere<:> <:>0");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Gamma"), "C:\\g<:> <:>0");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Delta"), "<none>");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, ""), "C:\\root<:> <:>1");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Gone"), "<none>");  // the save at close trims the cache

    // Written directly (as the uninstall refresh does): an existing executable is kept.
    R::Save_UninstCleanSettings(col);
    KeyedCollection<TestUS> one;
    auto e = one.Add("x");
    e->strDisplayName = "Kernel"; e->strAppPath = "C:\\windows"; e->strDefaultExecutable = "C:\\windows\\system32\\kernel32.dll";
    e->blnGenerallyVerified = Variant(true);
    R::Save_UninstCleanSettings(one);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Kernel"), "C:\\windows<:>C:\\windows\\system32\\kernel32.dll<:>1");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cache, "Beta"), "C:\\nowhere<:> <:>0");  // earlier values stay
}

TEST_F(SettingsStore, AnEmptyUninstallListLeavesTheCacheAlone) {
    RegFixture hkcu(HKEY_CURRENT_USER, Stored(""));
    RegFixture hklm(HKEY_LOCAL_MACHINE, "[Software\\Quorvath\\Velmora\\Settings\\UninstClean\\USCache]\n\"Old\"=\"x<:> <:>1\"\n");
    KeyedCollection<TestUS> col;
    R::SaveSettingsToRegistry(col);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, R::cstrCacheKey, "Old"), "x<:> <:>1");
}

using GlobalState = Fresh;

TEST_F(GlobalState, CreationValuesAndConnectorEvents) {
    clsDroskGlobal& g = DroskGlobal();
    EXPECT_TRUE(g.blnOptionShowInTaskbar);
    EXPECT_FALSE(g.blnCancel);
    EXPECT_TRUE(g.LastTab.IsEmpty());
    EXPECT_TRUE(g.objVelmora_mq()->IsMainAppRunning());
    EXPECT_EQ(g.objVelmora_mq()->ActionLetter(), "");

    int checks = 0;
    bool loaded = false;
    clsDroskGlobal::RegComp_checkVelm() = [&] { ++checks; };
    clsDroskGlobal::MainFormLoaded() = [&] { return loaded; };
    // The connector posts its notifications to this thread's message queue.
    auto pump = [] {
        MSG m;
        for (int i = 0; i < 50; ++i) {
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
        }
    };
    g.mvarobjRegServer_RegisterComponentFinishedEvent("", true);  // main window closed: nothing
    EXPECT_EQ(checks, 0);
    g.objVelmora_mq()->NotifyMainApp();  // the mailbox notification always reaches the check
    pump();
    EXPECT_EQ(checks, 1);
    loaded = true;
    g.mvarobjRegServer_DeRegisterComponentFinishedEvent("", false);
    EXPECT_EQ(checks, 2);
    g.DropMailbox();
    g.objVelmora_mq()->NotifyMainApp();  // fetched again, events arrive again
    pump();
    EXPECT_EQ(checks, 3);
    clsDroskGlobal::RegComp_checkVelm() = nullptr;
    clsDroskGlobal::MainFormLoaded() = nullptr;
}

TEST_F(SettingsStore, FirstRunKeepsTheSearchEnginesOwnOptionsAndSavesThem) {
    RegFixture hkcu(HKEY_CURRENT_USER);
    R::colQVRegistry() = {};  // the engine as created
    R::RunStartupSequence();
    ASSERT_TRUE(DroskGlobal().blnIsFirsttime);
    EXPECT_TRUE(R::colQVRegistry().blnFindInKeys);
    EXPECT_TRUE(R::colQVRegistry().blnFindInValues);
    EXPECT_TRUE(R::colQVRegistry().blnFindInData);
    EXPECT_FALSE(R::colQVRegistry().blnFindWholeStringOnly);
    DroskGlobal().blnIsFirsttime = false;
    KeyedCollection<TestUS> none;
    R::SaveSettingsToRegistry(none);
    EXPECT_EQ(Setting("Find_FindInKeys"), "1");
    EXPECT_EQ(Setting("Find_FindInValues"), "1");
    EXPECT_EQ(Setting("Find_FindInData"), "1");
    EXPECT_EQ(Setting("Find_MatchWholeStringOnly"), "0");
}
