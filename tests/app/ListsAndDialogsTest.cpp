// The main window's values and details lists, their pop-up menus' items per row and tree level,
// the copy to the clipboard, the tab tools that start other programs (recorded through the
// program-start seam), the arranged-by and file-does-not-exist dialogs, prompts that hold back
// runs, and the rule that every menu item and toolbar button that is enabled has a command.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_ArrangedByOptions.h"
#include "app/dlg_filedoesntexist.h"
#include "base/QV_Clipboard.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace {

const char* kMachine = R"(
[SYSTEM\CurrentControlSet\Services\Alpha]
"DisplayName"="Alpha service"
"ImagePath"="C:\\windows\\system32\\spoolsv.exe"
"Start"=dword:ffffffff
"Multi"=hex(7):61,00,62,00,00,00
"Expand"=hex(2):25,00,00,00
"Blob"=hex:01,02
@=hex:05
"default"="named default"
[SYSTEM\CurrentControlSet\Services\Alpha\Parameters]
"Marker"="x"
[SYSTEM\CurrentControlSet\Services\Gamma]
"DisplayName"="Gamma service"
"ImagePath"="C:\\VelmListsTools\\Lib\\gamma.exe"
[SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall]
)";

const char* kAlpha = "Alpha\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Alpha";
const char* kTools = "C:\\VelmListsTools";

std::string OnServices() {
    return Stored("\"ShowInTaskbar\"=\"0\"\n\"Last_Tab\"=\"1\"\n") +
           "[Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit]\n";
}

struct Started {
    std::string line;
    int style;
};

struct Lists : ::testing::Test {
    std::function<void()> previousEnd;
    std::vector<Started> started;
    std::unique_ptr<ui::StartProgramOverride> starts;
    void SetUp() override {
        DroskGlobalDiscard();
        previousEnd = Master::EndProgram();
        Master::EndProgram() = [] {};
        starts = std::make_unique<ui::StartProgramOverride>([this](const std::string& line, int style, bool) {
            started.push_back({line, style});
            return 1ul;
        });
    }
    void TearDown() override {
        if (frmMain().IsLoaded()) frmMain().Unload();
        ui::DoEvents();
        starts.reset();
        Master::EndProgram() = previousEnd;
        DroskGlobalDiscard();
    }
    void Open() {
        Register_UninstClean::RunStartupSequence();
        frmMain().Load();
        ASSERT_TRUE(frmMain().IsLoaded());
        frmMain().InitStartUpTab();
        ui::DoEvents();
    }
    // Selects a services node by key, as a click does.
    static void Select(const std::string& key) {
        Form_Main& f = frmMain();
        ui::NodePtr n = f.tvwSD.Nodes.Find(key);
        ASSERT_TRUE(n) << key;
        f.tvwSD.SetSelectedItem(n);
        f.tvwSD_NodeClick(*n);
    }
    // Expands the Alpha service's registry keys and selects its own key (level 5).
    static void OpenAlphaKey() {
        Select("Alpha");
        frmMain().tvwSD_DblClick();
        Select(kAlpha);
    }
};

ui::ListItemPtr Row(ui::ListView& list, const std::string& key) {
    for (auto& r : list.ListItems)
        if (r->Key() == key) return r;
    return nullptr;
}

std::string ClipboardText() {
    std::string text = "<empty>";
    if (!OpenClipboard(nullptr)) return "<not open>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace

TEST_F(Lists, TheValuesMenuFollowsTheLevelAndTheSelectedRow) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.ShownTab(), Tab::SD);
    OpenAlphaKey();
    ASSERT_GT(f.lsvSD_entries.ListItems.Count(), 0);
    auto state = [&] {
        std::string s;
        for (const char* n : {"MNU_SDEntries_New", "MNU_SDEntries_Delete", "MNU_SDEntries_Modify", "MNU_SDEntries_Rename"})
            s += f.Menus[n].Enabled() ? '1' : '0';
        return s;
    };
    // No row: New and Delete by the level, Modify and Rename off (a left release opens no menu).
    f.lsvSD_entries.SetSelectedItem(nullptr);
    f.ValuesList_MouseUp(Tab::SD, 1);
    EXPECT_EQ(state(), "1100");
    // Per row: Modify only for text, expandable text and DWORD values; the row without a key is
    // the unnamed (binary) value, not the value named "default".
    struct Case {
        std::string rowKey;
        const char* expected;
    } cases[] = {{"KeyStart", "1111"}, {"KeyExpand", "1111"}, {"KeyMulti", "1101"}, {"KeyBlob", "1101"},
                 {"", "1101"},         {"Keydefault", "1111"}};
    for (const Case& c : cases) {
        ui::ListItemPtr row = Row(f.lsvSD_entries, c.rowKey);
        ASSERT_TRUE(row) << c.rowKey;
        f.lsvSD_entries.SetSelectedItem(row);
        f.ValuesList_MouseUp(Tab::SD, 1);
        EXPECT_EQ(state(), c.expected) << c.rowKey;
    }
    // The level below the service's key (the Services key itself): no New and no Delete.
    f.lsvSD_entries.SetSelectedItem(nullptr);
    Select("Alpha\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services");
    f.ValuesList_MouseUp(Tab::SD, 1);
    EXPECT_EQ(state(), "0000");
    // No node selected: no menu and nothing switched on.
    f.tvwSD.SetSelectedItem(nullptr);
    f.ValuesList_MouseUp(Tab::SD, 1);
    EXPECT_EQ(state(), "0000");
}

TEST_F(Lists, CopyPutsTheDetailOnTheClipboardAndAFailedCopyLeavesItEmpty) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    Select("Alpha");
    f.Menus["MNU_SD_Clipboard_copy"].SetEnabled(false);
    f.lsvSDDetails.SetSelectedItem(f.lsvSDDetails.ListItems.Item("Display_Name"));
    f.DetailsList_MouseUp("MNU_SD_Clipboard", "MNU_SD_Clipboard_copy", 1);
    EXPECT_TRUE(f.Menus["MNU_SD_Clipboard_copy"].Enabled());
    f.Menus["MNU_SD_Clipboard_copy"].DoClick();
    EXPECT_EQ(ClipboardText(), "Alpha service");
    f.lsvSDDetails.SetSelectedItem(nullptr);
    f.Menus["MNU_SD_Clipboard_copy"].DoClick();
    EXPECT_EQ(ClipboardText(), "<empty>");
}

TEST_F(Lists, TheToolsStartTheirProgramsWithTheirCommandLines) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    char root[MAX_PATH] = {};
    GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    BoxRecorder boxes;
    f.Menus["MNU_Services_Devices_MMC"].DoClick();
    f.Menus["MNU_CMH_FolderOptions"].DoClick();
    // Regedit from levels 0 and 1 is refused; from the service's key it opens there.
    OpenAlphaKey();
    Select("Alpha");
    f.Menus["MNU_ServicesDevices_Regedit"].DoClick();
    Select("Alpha\\HKEY_LOCAL_MACHINE");
    f.Menus["MNU_ServicesDevices_Regedit"].DoClick();
    Select(kAlpha);
    f.Menus["MNU_ServicesDevices_Regedit"].DoClick();
    // Show File path of a top-level service: Explorer at its folder; below the top level refused.
    Select("Alpha");
    f.Menus["MNU_ServicesDevices_ShowFilePath"].DoClick();
    Select(kAlpha);
    f.Menus["MNU_ServicesDevices_ShowFilePath"].DoClick();
    f.Menus["MNU_ServicesDevices_Dependencies"].DoClick();
    const std::string r = root;
    ASSERT_EQ(started.size(), 4u);
    EXPECT_EQ(started[0].line, r + "\\system32\\mmc.exe " + r + "\\system32\\services.msc");
    EXPECT_EQ(started[0].style, SW_SHOWNORMAL);
    EXPECT_EQ(started[1].line, "control.exe folders");
    EXPECT_EQ(started[1].style, SW_SHOWMAXIMIZED);
    EXPECT_EQ(started[2].line, "Regedit.exe");
    EXPECT_EQ(started[3].line, "Explorer.exe /e,C:\\windows\\system32");
    char last[512] = {};
    DWORD size = sizeof last;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey",
                           RRF_RT_REG_SZ, nullptr, last, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(last, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Alpha");
    EXPECT_EQ(boxes.Prompts(),
              (std::vector<std::string>{"Please select preferred Registry entry first.",
                                        "Please select preferred Registry entry first.",
                                        "Plase select preferred Component from Top-level.",
                                        "Plase select preferred Component from Top-level."}));
}

TEST_F(Lists, TheArrangedByDialogRelabelsTheTreeAfterOkAndNothingAfterCancel) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.tvwSD.Nodes.Item("Alpha")->Text(), "Alpha service");
    auto answer = [](long index, bool ok) {
        ui::Defer([index, ok] {
            auto* dlg = static_cast<dlg_ArrangedByOptions*>(ui::FindForm("dlg_ArrangedByOptions"));
            if (!dlg) return;
            dlg->cboArrangedby.SetListIndex(index);
            (ok ? dlg->Command1 : dlg->Command2).DoClick();
        });
    };
    answer(2, false);
    f.Menus["MNU_ServicesDevices_Options"].DoClick();
    EXPECT_EQ(DroskGlobal().vntSDSelectedBy.ToLong(), 0);
    EXPECT_EQ(f.tvwSD.Nodes.Item("Alpha")->Text(), "Alpha service");
    answer(2, true);
    f.Menus["MNU_ServicesDevices_Options"].DoClick();
    EXPECT_EQ(DroskGlobal().vntSDSelectedBy.ToLong(), 2);
    EXPECT_EQ(DroskGlobal().Custom2.ToLong(), 1);
    EXPECT_EQ(f.tvwSD.Nodes.Item("Alpha")->Text(), "Alpha");
}

TEST_F(Lists, TheArrangedByDialogReportsAChangeOnlyWhenThereIsOne) {
    clsDroskGlobal& g = DroskGlobal();
    g.vntRegCompSelectedBy = Variant(1L);
    g.blnRegCompDetailed = true;
    struct Case {
        const char* mode;
        bool clickBox;  // clicks the Detailed box (once)
        long pick;      // -1: keep the shown choice
        bool ok;
        long custom2;
        long by;
        bool detailed;
    } cases[] = {
        {"RegComp", false, -1, true, 0, 1, true},  // OK without a change: no rebuild
        {"RegComp", true, -1, true, 1, 1, false},  // the box clicked: a rebuild, the flag as shown
        {"RegComp", false, 3, true, 1, 3, true},   // another choice
        {"RegComp", true, 0, false, 0, 1, true},   // Cancel stores nothing
        {"CMH", false, -1, true, 0, 1, true},      // no entries, OK stores nothing
    };
    for (const Case& c : cases) {
        g.vntRegCompSelectedBy = Variant(1L);
        g.blnRegCompDetailed = true;
        g.Custom = Variant(std::string(c.mode));
        g.Custom2 = Variant(0L);
        dlg_ArrangedByOptions dlg;
        dlg.Load();
        EXPECT_EQ(dlg.cboArrangedby.ListCount(), std::string(c.mode) == "CMH" ? 0 : 4) << c.mode;
        if (c.pick >= 0) dlg.cboArrangedby.SetListIndex(c.pick);
        if (c.clickBox) SendMessageA(dlg.optdetailed.hWnd(), BM_CLICK, 0, 0);
        (c.ok ? dlg.Command1 : dlg.Command2).DoClick();
        EXPECT_FALSE(dlg.IsLoaded());
        EXPECT_EQ(g.Custom2.ToLong(), c.custom2) << c.mode << c.clickBox << c.pick;
        EXPECT_EQ(g.vntRegCompSelectedBy.ToLong(), c.by) << c.mode << c.clickBox << c.pick;
        EXPECT_EQ(g.blnRegCompDetailed, c.detailed) << c.mode << c.clickBox << c.pick;
    }
}

TEST_F(Lists, TheFileDoesNotExistDialogClimbsToAnExistingFolder) {
    CreateDirectoryA(kTools, nullptr);
    ASSERT_TRUE(GetFileAttributesA(kTools) & FILE_ATTRIBUTE_DIRECTORY);
    clsDroskGlobal& g = DroskGlobal();
    g.Custom2 = Variant(std::string(kTools) + "\\Lib\\x.dll");
    dlg_filedoesntexist dlg;
    dlg.Load();
    EXPECT_EQ(dlg.LabelPath.Caption(), std::string(kTools) + "\\Lib\\x.dll");
    EXPECT_TRUE(dlg.LabelNotExist.Visible());
    dlg.Command14.DoClick();  // OK on a missing path: the dialog stays, nothing starts
    EXPECT_TRUE(dlg.IsLoaded());
    EXPECT_TRUE(started.empty());
    dlg.Command2.DoClick();
    EXPECT_EQ(g.Custom2.ToText(), std::string(kTools) + "\\Lib");
    EXPECT_TRUE(dlg.LabelNotExist.Visible());
    dlg.Command2.DoClick();
    EXPECT_EQ(dlg.LabelPath.Caption(), kTools);
    EXPECT_FALSE(dlg.LabelNotExist.Visible());
    dlg.Command14.DoClick();
    EXPECT_FALSE(dlg.IsLoaded());
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].line, std::string("Explorer.exe /e,") + kTools);
    EXPECT_EQ(started[0].style, SW_SHOWNORMAL);

    // A drive folder climbs to the bare drive and stays there; Cancel leaves 0.
    g.Custom2 = Variant(std::string(kTools));
    dlg_filedoesntexist again;
    again.Load();
    again.Command2.DoClick();
    EXPECT_EQ(g.Custom2.ToText(), "C:");
    again.Command2.DoClick();
    EXPECT_EQ(again.LabelPath.Caption(), "C:");
    again.Command1.DoClick();
    EXPECT_FALSE(again.IsLoaded());
    EXPECT_TRUE(g.Custom2.IsNumber());
    EXPECT_EQ(g.Custom2.ToLong(), 0);
    RemoveDirectoryA(kTools);
}

TEST_F(Lists, APromptHoldsBackRunsAndHandOversUntilItIsAnswered) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    Select("Alpha");
    const long nodes = f.tvwSD.Nodes.Count();
    bool waited = false, begun = true, ranInside = false;
    long nodesInside = 0;
    ui::MsgBoxOverride box([&](const std::string&, int, const std::string&) {
        // Inside the prompt: a refresh does nothing, no run begins, a waiting action waits.
        RunGuard::AfterRun([&] { waited = true; });
        f.cmdSD_Refresh_Click();
        nodesInside = f.tvwSD.Nodes.Count();
        begun = static_cast<bool>(RunGuard::Begin(RunGuard::Kind::HandOver));
        ui::DoEvents();
        ranInside = waited;
        return ui::vbOK;
    });
    f.Menus["MNU_ServicesDevices_Regedit"].DoClick();  // level 0: the prompt
    EXPECT_EQ(nodesInside, nodes);
    EXPECT_FALSE(begun);
    EXPECT_FALSE(ranInside);
    ui::DoEvents();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(RunGuard::PromptOpen());
}

namespace {
// The enabled items without a command, below a menu.
void Commandless(ui::MenuItem& item, std::vector<std::string>& out) {
    for (long i = 1; i <= item.Count(); ++i) {
        ui::MenuItem& it = item.Item(i);
        if (it.IsSeparator()) continue;
        if (it.Count() > 0) Commandless(it, out);
        else if (it.Enabled() && !it.Click) out.push_back(it.Name());
    }
}
}  // namespace

TEST_F(Lists, EveryEnabledItemAndButtonHasACommand) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    auto check = [&](const std::string& where) {
        std::vector<std::string> out;
        for (const char* m : {"MNU_File", "MNU_Options", "Help", "MNU_UninstClean", "MNU_ServicesDevices", "MNU_SDEntries",
                              "MNU_CMH", "MNU_CMHEntries", "MNU_RegComp", "MNU_RegCompEntries", "MNU_RegComp_Clipboard",
                              "MNU_SD_Clipboard"})
            Commandless(f.Menus[m], out);
        EXPECT_TRUE(out.empty()) << where << ": " << (out.empty() ? "" : out[0]);
        const std::optional<Tab> tab = f.ShownTab();
        ASSERT_TRUE(tab);
        const TabFacts& t = Facts(*tab);
        for (auto [button, command] : {std::pair{"Search", t.searchItem}, std::pair{"Explore", t.exploreItem},
                                       std::pair{"Options", t.optionsItem}, std::pair{"Refresh", t.refreshItem}})
            if (f.Toolbar1.Button(button).Enabled()) {
                ASSERT_TRUE(command) << where << " " << button;
                EXPECT_TRUE(f.Menus[command].Click) << where << " " << button;
            }
    };
    check("services at start");
    OpenAlphaKey();
    f.ValuesList_MouseUp(Tab::SD, 1);
    f.DetailsList_MouseUp("MNU_SD_Clipboard", "MNU_SD_Clipboard_copy", 1);
    check("services key");
    for (Tab tab : {Tab::US, Tab::CMH, Tab::RegComp}) {
        f.SelectTab(tab);
        ui::DoEvents();
        check(Facts(tab).key);
    }
    EXPECT_TRUE(f.Menus["MNU_Options_Autostart"].Enabled());
    EXPECT_TRUE(f.Menus["MNU_Options_AutoUpdateCheckNow"].Enabled());
}
