// The uninstall tab of the main window over fixture uninstall entries of the overridden
// HKEY_LOCAL_MACHINE: the refresh with icons, the cache written at the close and taken by the
// next refresh, Rebuild cache, Delete Key, Uninstall, Show Application Path (Explorer to the
// front, under the hourglass; after a cancelled refresh), and the hidden-autostart dialog opened
// through TimerPopUpMenu.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Form_Main.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"
#include "uninstall/Tab_UninstClean.h"
#include "uninstall/dlg_hiddenAutostartEntries.h"

namespace {

const std::string kUninstall = std::string(Tab_UninstClean::cstrUninstallKey) + "\\";
const std::string kFolder = "C:\\Program Files\\VelmFx Tab";
const std::string kExe = kFolder + "\\VelmFx Tab.exe";

// The cache value of a display name; "<none>" when it is not there.
std::string CacheValue(const std::string& name) { return ReadText(HKEY_LOCAL_MACHINE, Tab_UninstClean::cstrCacheKey, name); }

// Runs `action` on the named form as soon as it is loaded (from the message loop of a modal
// dialog), once.
struct WhenLoaded {
    WhenLoaded(const char* form, std::function<void(ui::Form&)> action) : name(form), act(std::move(action)) {
        timer.SetInterval(20);
        timer.Tick = [this] {
            if (ui::Form* f = ui::FindForm(name)) {
                timer.SetEnabled(false);
                act(*f);
            }
        };
        timer.SetEnabled(true);
    }
    const char* name;
    std::function<void(ui::Form&)> act;
    ui::Timer timer;
};

struct UninstallTab : MainWindowFixture {
    std::unique_ptr<RegFixture> hklm, hkcu;
    void SetUp() override {
        MainWindowFixture::SetUp();
        CreateDirectoryA(kFolder.c_str(), nullptr);
        CopyFileA("C:\\windows\\notepad.exe", kExe.c_str(), FALSE);
        std::string machine = "[SYSTEM\\CurrentControlSet\\Services]\n";
        machine += "[" + kUninstall + "VelmFx Tab]\n\"DisplayName\"=\"VelmFx Tab\"\n\"UninstallString\"=" +
                   RegQuoted("\"" + kFolder + "\\unins000.exe\" /S") + "\n\"DisplayIcon\"=" + RegQuoted(kExe) + "\n";
        machine += "[" + kUninstall + "Plain Entry]\n\"UninstallString\"=\"C:\\\\nothere\\\\x.exe\"\n";
        machine += "[" + kUninstall + "Own]\n\"DisplayName\"=\"VELMORA 1.2\"\n\"UninstallString\"=\"C:\\\\own\\\\unwise.exe\"\n";
        machine += "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
                   "\"Common Start Menu\"=\"C:\\\\velmfx-tab-menus\"\n";
        hklm = std::make_unique<RegFixture>(HKEY_LOCAL_MACHINE, machine);
        hkcu = std::make_unique<RegFixture>(
            HKEY_CURRENT_USER,
            StartsOn(0) +
                "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
                "\"Start Menu\"=\"C:\\\\velmfx-tab-menus\"\n\"Desktop\"=\"C:\\\\velmfx-tab-menus\"\n"
                "[Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"TabTool\"=\"C:\\\\tabtool.exe\"\n");
        CreateDirectoryA("C:\\velmfx-tab-menus", nullptr);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        hklm.reset();
        hkcu.reset();
        DeleteFileA(kExe.c_str());
        RemoveDirectoryA(kFolder.c_str());
        RemoveDirectoryA("C:\\velmfx-tab-menus");
    }
    // Starts the window on the uninstall tab, whose first visit runs the refresh.
    Form_Main& Open() {
        MainWindowFixture::Open();
        return frmMain();
    }
    void Select(Form_Main& f, const std::string& key) { f.lsvUS.SetSelectedItem(f.lsvUS.ListItems.Item("Key_" + key)); }
};

// A registration hand-over taken at start switches from the uninstall tab to the components tab
// while it holds the run's turn: the uninstall tab's first-visit refresh is not used up by that,
// it runs when the tab is shown after the hand-over.
TEST_F(UninstallTab, AHandOverAtStartLeavesTheFirstVisitsRefreshToTheVisit) {
    DroskGlobal().objVelmora_mq()->ActionLetter("R");
    DroskGlobal().objVelmora_mq()->ActionFilePath("C:\\nowhere\\none.dll");
    Form_Main& f = Open();
    ui::DoEvents();
    ASSERT_EQ(f.ShownTab(), Tab::RegComp);
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "");
    EXPECT_EQ(f.lsvUS.ListItems.Count(), 0);
    f.SelectTab(Tab::US);
    ui::DoEvents();
    EXPECT_EQ(f.lsvUS.ListItems.Count(), 3);
    EXPECT_TRUE(f.lsvUS.ListItems.Exists("Key_VelmFx Tab"));
}

TEST_F(UninstallTab, RefreshListsEntriesWithIconsAndTheCloseWritesTheCache) {
    Form_Main& f = Open();
    ASSERT_EQ(f.ShownTab(), Tab::US);
    EXPECT_EQ(f.lsvUS.ListItems.Count(), 3);
    EXPECT_EQ(f.colUS.Count(), 3);
    auto row = f.lsvUS.ListItems.Item("Key_VelmFx Tab");
    EXPECT_EQ(row->Text(), "VelmFx Tab");
    EXPECT_NE(row->SmallIcon().key, "Computer");  // the entry's own icon
    EXPECT_EQ(row->SmallIcon().key.rfind("Key_", 0), 0u);
    EXPECT_EQ(f.lsvUS.ListItems.Item("Key_Plain Entry")->SmallIcon().key, "Computer");
    EXPECT_EQ(f.colUS.Item("VelmFx Tab")->strAppPath, kFolder);
    EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");

    // A row's click lists its registry values.
    f.lsvUS.ItemClick(*row);
    EXPECT_NE(f.lsvUSInfo.Text().find("DisplayName: VelmFx Tab\r\n"), std::string::npos);

    ASSERT_TRUE(f.Unload());
    // The executable found in the folder is named in lower case, as the search names it.
    EXPECT_EQ(TextCase::Lower(CacheValue("VelmFx Tab")), TextCase::Lower(kFolder + "<:>" + kExe + "<:>1"));
    // An entry without a display name is cached under its key name; no executable: the blank.
    const std::string plain = CacheValue("Plain Entry");
    EXPECT_EQ(plain.substr(plain.find("<:>")), "<:> <:>1");

    // The next window's refresh takes the cache: no Start-menu walk, the same rows.
    const long walks = Tab_UninstClean::StartMenuWalks();
    Form_Main& again = Open();
    EXPECT_EQ(Tab_UninstClean::StartMenuWalks(), walks);
    EXPECT_EQ(again.lsvUS.ListItems.Count(), 3);
    EXPECT_EQ(again.colUS.Item("VelmFx Tab")->strAppPath, kFolder);

    // Rebuild cache empties the cache and analyses every entry afresh.
    again.MNU_UninstClean_RebuildCache_Click();
    EXPECT_EQ(Tab_UninstClean::StartMenuWalks(), walks + 1);
    EXPECT_EQ(again.lsvUS.ListItems.Count(), 3);
    EXPECT_EQ(CacheValue("VelmFx Tab"), "<none>");
}

TEST_F(UninstallTab, DeleteKeyAndUninstallFollowTheRegistry) {
    Form_Main& f = Open();
    std::vector<std::string> started;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return cmd.find("nothere") == std::string::npos ? 7ul : 0ul;
    });

    {
        BoxRecorder boxes(ui::vbNo);  // the own entry: No changes nothing
        Select(f, "Own");
        f.MNU_UninstClean_Uninstall_Click();
        EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Really exit and configure Velmora now?"}));
        EXPECT_TRUE(started.empty());
        EXPECT_EQ(ended, 0);
    }
    {
        BoxRecorder boxes;
        Select(f, "Plain Entry");
        f.MNU_UninstClean_Uninstall_Click();
        EXPECT_EQ(boxes.Prompts(),
                  (std::vector<std::string>{"Velmora detected corrupt Uninstall entries of current product."}));
    }
    {
        // The uninstaller leaves its key: row and entry stay, and the key opened to look for
        // it is closed again.
        Select(f, "VelmFx Tab");
        WhenLoaded close("dlg_showAppPath", [&](ui::Form& dlg) { dlg.Unload(); });
        started.clear();
        QV_Registry_Lib::KeyWatch keys;
        f.MNU_UninstClean_Uninstall_Click();
        EXPECT_EQ(started.size(), 1u);
        EXPECT_GE(keys.Opened(), 1);
        EXPECT_EQ(keys.LeftOpen(), 0);
        EXPECT_TRUE(f.lsvUS.ListItems.Exists("Key_VelmFx Tab"));
        EXPECT_TRUE(f.colUS.Exists("VelmFx Tab"));
    }
    {
        // The uninstaller removes its key while the show-path dialog is open: row and entry go.
        Select(f, "VelmFx Tab");
        WhenLoaded close("dlg_showAppPath", [&](ui::Form& dlg) {
            std::string path = kUninstall + "VelmFx Tab";
            QV_Registry_Lib::DeleteKeyTree(HKEY_LOCAL_MACHINE, path, 0);
            dlg.Unload();
        });
        started.clear();
        f.MNU_UninstClean_Uninstall_Click();
        EXPECT_EQ(started, (std::vector<std::string>{"\"" + kFolder + "\\unins000.exe\" /S"}));
        EXPECT_FALSE(f.lsvUS.ListItems.Exists("Key_VelmFx Tab"));
        EXPECT_FALSE(f.colUS.Exists("VelmFx Tab"));
    }
    {
        BoxRecorder boxes(ui::vbYes);
        Select(f, "Plain Entry");
        f.MNU_UninstClean_DeleteKey_Click();
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].style, ui::vbYesNo | ui::vbCritical);
        EXPECT_EQ(boxes.boxes[0].title, "");  // an empty title, not the program's
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "Plain Entry"));
        EXPECT_FALSE(f.lsvUS.ListItems.Exists("Key_Plain Entry"));
    }
    {
        // A key with a sub-key that nobody may delete: the others go, the failure is reported
        // and the row stays with the key.
        LoadRegText(HKEY_LOCAL_MACHINE, "[" + kUninstall + "Own\\Gone]\n[" + kUninstall + "Own\\Locked]\n");
        SetKeyDacl(HKEY_LOCAL_MACHINE, kUninstall + "Own\\Locked", "D:P(A;;KR;;;WD)");
        BoxRecorder boxes(ui::vbYes);
        Select(f, "Own");
        f.MNU_UninstClean_DeleteKey_Click();
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[1].prompt, "Error deleting key !");
        EXPECT_EQ(boxes.boxes[1].style, ui::vbCritical);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "Own\\Locked"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall + "Own\\Gone"));
        EXPECT_TRUE(f.lsvUS.ListItems.Exists("Key_Own"));
    }
}

TEST_F(UninstallTab, ShowPathAfterACancelledRefreshAsksForARefresh) {
    Form_Main& f = Open();
    std::vector<std::string> started;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return 7ul;
    });
    Select(f, "VelmFx Tab");
    f.MNU_UninstClean_ShowApplicationPath_Click();
    EXPECT_EQ(started, (std::vector<std::string>{"Explorer.exe /e," + kFolder}));

    f.colUS.blnUserCanceledRefresh = true;
    f.colUS.Item("VelmFx Tab")->strAppPath = "";
    BoxRecorder boxes;
    f.MNU_UninstClean_ShowApplicationPath_Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "Configure Application");
    EXPECT_EQ(boxes.boxes[0].prompt.rfind("Rebuild of Application's cache information was canceled.\r\n", 0), 0u);
}

TEST_F(UninstallTab, ShowPathBringsExplorerToTheFrontUnderAHeldHourglass) {
    Form_Main& f = Open();
    // The started program stands in for Explorer: a real process whose window shows a moment later.
    PROCESS_INFORMATION pi{};
    std::vector<std::string> started;
    bool waitCursor = false;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) -> unsigned long {
        started.push_back(cmd);
        // The hourglass is held: the mouse over the list (which asks for its cursor on every
        // move) still shows it.
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(f.lsvUS.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(f.lsvUS.hWnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        waitCursor = ui::Screen::MousePointer() == ui::Screen::vbHourglass &&
                     GetCursor() == LoadCursor(nullptr, IDC_WAIT);
        if (!StartProcess("notepad.exe", pi)) return 0;
        return pi.dwProcessId;
    });
    // The entry's existing folder (the list keeps what earlier windows found, through the cache).
    f.colUS.Item("VelmFx Tab")->strAppPath = kFolder;
    Select(f, "VelmFx Tab");
    f.MNU_UninstClean_ShowApplicationPath_Click();
    ASSERT_EQ(started, (std::vector<std::string>{"Explorer.exe /e," + kFolder}));
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(ui::Screen::MousePointer(), ui::Screen::vbDefault);  // back when the command ends
    ASSERT_NE(pi.hProcess, nullptr);
    DWORD frontProcess = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &frontProcess);
    EXPECT_EQ(frontProcess, pi.dwProcessId);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

TEST_F(UninstallTab, HiddenAutostartOpensAfterTheMenuThroughTheTimer) {
    Form_Main& f = Open();
    std::vector<std::string> rows;
    WhenLoaded read("dlg_hiddenAutostartEntries", [&](ui::Form& dlg) {
        for (const auto& r : static_cast<dlg_hiddenAutostartEntries&>(dlg).lsvAE.ListItems) rows.push_back(r->Key());
        dlg.Unload();
    });
    f.MNU_UninstClean_HiddenAutostart_Click();
    EXPECT_TRUE(f.TimerPopUpMenu.Enabled());
    for (int i = 0; i < 50 && rows.empty(); ++i) {
        ui::DoEvents();
        Sleep(20);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"HKEY_CURRENT_USERTabTool"}));
    EXPECT_FALSE(f.TimerPopUpMenu.Enabled());
}

TEST_F(UninstallTab, CancelFromTheBusyBoxKeepsTheRows) {
    // Enough entries for the busy box's Cancel to land while the entries are analysed.
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "[" + kUninstall + "VelmFx Many " + std::to_string(i) + "]\n\"UninstallString\"=\"C:\\\\velmfx-many\\\\" +
                std::to_string(i) + "\\\\unins000.exe\"\n";
    hklm->Load(many);
    bool clicked = false;
    WhenLoaded cancel("dlg_searching", [&](ui::Form& box) {
        clicked = true;
        static_cast<dlg_searching&>(box).Command1.Click();
    });
    Form_Main& f = Open();
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(f.colUS.blnUserCanceledRefresh);
    EXPECT_FALSE(DroskGlobal().blnCancel);  // the closing steps clear the flag
    EXPECT_EQ(f.lsvUS.ListItems.Count(), 303);
    EXPECT_EQ(f.colUS.Count(), 303);
    EXPECT_TRUE(f.lsvUS.ListItems.Exists("Key_VelmFx Many 299"));
    EXPECT_EQ(f.lsvUS.ListItems.Item("Key_VelmFx Tab")->Text(), "VelmFx Tab");
}

TEST_F(UninstallTab, RegeditOpensAtTheEntryAlsoOnAFreshProfile) {
    Form_Main& f = Open();
    std::vector<std::string> started;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return 7ul;
    });
    const std::string applet = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
    Select(f, "VelmFx Tab");
    // The editor has never run for this user: its key is made with the entry as its last key.
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, applet));
    f.MNU_UninstClean_Regedit_Click();
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, applet, "LastKey"), "HKEY_LOCAL_MACHINE\\" + kUninstall + "VelmFx Tab");

    hkcu->Load("[" + applet + "]\n\"LastKey\"=\"HKEY_CURRENT_USER\"\n");
    f.MNU_UninstClean_Regedit_Click();
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, applet, "LastKey"), "HKEY_LOCAL_MACHINE\\" + kUninstall + "VelmFx Tab");
    EXPECT_EQ(started, (std::vector<std::string>{"Regedit.exe", "Regedit.exe"}));
}

}  // namespace
