// The main window driven in this process through its controls' models, on scratch copies of
// the registry: the components tab end to end, a long run's locks, the close that waits for
// the run, the settings a close keeps or writes, layout and splitter, and the tray icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/QV_Err.h"
#include "tests/support/Boxes.h"
#include "tests/support/RegFixture.h"
#include "ui/QV_TreeView_Lib.h"

namespace {

const char* kRoots = R"(
[CLSID]
[TypeLib]
[CLSID\{0E0E0E0E-0000-4000-8000-00000000000A}]
@="Shell test class"
[CLSID\{0E0E0E0E-0000-4000-8000-00000000000A}\InprocServer32]
@="C:\\windows\\system32\\ole32.dll"
"ThreadingModel"="Both"
[CLSID\{0E0E0E0E-0000-4000-8000-00000000000A}\ProgID]
@="Shell.TestClass.1"
[Shell.TestClass.1]
@="Shell test class"
[Shell.TestClass.1\CLSID]
@="{0E0E0E0E-0000-4000-8000-00000000000A}"
[CLSID\{0E0E0E0E-0000-4000-8000-00000000000B}]
@="Missing server"
[CLSID\{0E0E0E0E-0000-4000-8000-00000000000B}\LocalServer32]
@="C:\\nowhere\\gone.exe"
)";

const char* kMachine = R"(
[SYSTEM\CurrentControlSet\Services]
[SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall]
)";

std::string Stored(const std::string& values) {
    return "[Software\\Quorvath\\Velmora]\n\"Version\"=\"1.8.0\"\n[Software\\Quorvath\\Velmora\\Settings]\n"
           "\"ShowInTaskbar\"=\"0\"\n\"Last_Tab\"=\"3\"\n" + values;
}

std::string Setting(const std::string& name) {
    char buf[256] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, Register_UninstClean::cstrSettingsKey, name.c_str(), RRF_RT_REG_SZ, nullptr,
                     buf, &size) != ERROR_SUCCESS)
        return "<none>";
    return buf;
}

std::string ManyClasses(int n) {
    std::string text;
    char key[64];
    for (int i = 0; i < n; ++i) {
        std::snprintf(key, sizeof key, "{1E1E1E1E-0000-4000-8000-%012d}", i);
        text += std::string("[CLSID\\") + key + "]\n@=\"Bulk class\"\n[CLSID\\" + key +
                "\\InprocServer32]\n@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n";
    }
    return text;
}

// A program whose end is only counted, on its own registry.
struct Shell : ::testing::Test {
    int ended = 0;
    std::function<void()> previousEnd;
    void SetUp() override {
        DroskGlobalDiscard();
        previousEnd = Master::EndProgram();
        Master::EndProgram() = [this] { ++ended; };
        Master::WireConnectorEvents();
    }
    void TearDown() override {
        if (frmMain().IsLoaded()) frmMain().Unload();
        if (TrayForm().IsLoaded()) {
            TrayForm().Unhook();
            TrayForm().Unload();
        }
        ui::DoEvents();
        Master::EndProgram() = previousEnd;
        DroskGlobalDiscard();
    }
    // Starts the window as the start-up routine does.
    void Open() {
        Register_UninstClean::RunStartupSequence();
        const long errors = QV_Err::HandledCount();
        frmMain().Load();
        ASSERT_TRUE(frmMain().IsLoaded());
        EXPECT_EQ(QV_Err::HandledCount(), errors) << QV_Err::LastProcedure() << " " << QV_Err::LastNumber();
        frmMain().InitStartUpTab();
        ui::DoEvents();
    }
};

ui::NodePtr NodeEndingWith(ui::TreeView& tree, const std::string& tail) {
    for (auto& n : tree.Nodes.All())
        if (n->Key().size() >= tail.size() && n->Key().compare(n->Key().size() - tail.size(), tail.size(), tail) == 0)
            return n;
    return nullptr;
}

}  // namespace

TEST_F(Shell, ComponentsTabFillsAndExplainsAClass) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Stored(""));
    Open();
    Form_Main& f = frmMain();
    EXPECT_EQ(f.SSTab1.Tab(), 3);
    EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");
    EXPECT_EQ(f.stb1.Panel(2).Text(), "COM Components");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
    EXPECT_TRUE(f.Menus["MNU_RegComp"].Visible());
    EXPECT_FALSE(f.Menus["MNU_UninstClean"].Visible());
    for (const char* root : {"Control", "DLLServer", "EXEServer"}) EXPECT_TRUE(f.tvwRegComp.Nodes.Exists(root)) << root;
    auto cls = f.tvwRegComp.Nodes.Find("DLLServer\\{0E0E0E0E-0000-4000-8000-00000000000A}");
    ASSERT_TRUE(cls);

    // A click on the class shows its details; the class's menu commands follow the selection.
    f.tvwRegComp.SetSelectedItem(cls);
    f.tvwRegComp_NodeClick(*cls);
    EXPECT_GT(f.lsvRegCompDetails.ListItems.Count(), 0);
    f.Disable_MNU_RegComp_Items();
    EXPECT_TRUE(f.Menus["MNU_RegComp_Unregisterthiscomponent"].Enabled());
    EXPECT_FALSE(f.Menus["MNU_RegComp_Rename"].Enabled());

    // Dependencies opens the viewer on the class's server file; a group node is refused.
    f.MNU_RegComp_Dependencies_Click();
    ASSERT_TRUE(f.objDepends && f.objDepends->IsLoaded());
    EXPECT_TRUE(f.objDepends->Visible());
    EXPECT_GT(f.objDepends->tvwModules.Nodes.Count(), 0);
    f.objDepends->Unload();
    {
        BoxRecorder boxes;
        f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find("DLLServer"));
        f.MNU_RegComp_Dependencies_Click();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].prompt, "Plase select preferred Component from Top-level.");
        f.tvwRegComp.SetSelectedItem(cls);
    }

    // A double click builds its registry entries; a click on a key lists its values.
    f.tvwRegComp_DblClick();
    auto server = NodeEndingWith(f.tvwRegComp, "\\InprocServer32");
    ASSERT_TRUE(server);
    f.tvwRegComp.SetSelectedItem(server);
    f.tvwRegComp_NodeClick(*server);
    ASSERT_GE(f.lsvRegComp_entries.ListItems.Count(), 2);
    bool sawDefault = false;
    for (auto& row : f.lsvRegComp_entries.ListItems)
        if (row->Text() == "Default") {
            sawDefault = true;
            EXPECT_EQ(row->SubItem(1), "C:\\windows\\system32\\ole32.dll");
        }
    EXPECT_TRUE(sawDefault);

    // Menu items by the level of the selected node: group 0, class 1, first entry level 2, keys 3 and deeper.
    struct { const char* tail; bool unregister, newItem, rename; } levels[] = {
        {"DLLServer", false, false, false},
        {"\\HKEY_CLASSES_ROOT", false, false, false},
        {"\\HKEY_CLASSES_ROOT\\CLSID", false, true, false},
        {"\\InprocServer32", false, true, true},
    };
    for (auto& l : levels) {
        auto n = std::string(l.tail) == "DLLServer" ? f.tvwRegComp.Nodes.Find("DLLServer") : NodeEndingWith(f.tvwRegComp, l.tail);
        ASSERT_TRUE(n) << l.tail;
        f.tvwRegComp.SetSelectedItem(n);
        f.Disable_MNU_RegComp_Items();
        EXPECT_EQ(f.Menus["MNU_RegComp_Unregisterthiscomponent"].Enabled(), l.unregister) << l.tail;
        EXPECT_EQ(f.Menus["MNU_RegComp_Newxx"].Enabled(), l.newItem) << l.tail;
        EXPECT_EQ(f.Menus["MNU_RegComp_Rename"].Enabled(), l.rename) << l.tail;
    }

    // The shown tab's toolbar button stays pressed when clicked again; an unknown mode only
    // releases the tab buttons.
    f.Toolbar1.PressButton("RegComp");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
    EXPECT_EQ(f.SSTab1.Tab(), 3);
    f.Reflect_ConnectMode("xyz");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrUnpressed);
    EXPECT_EQ(f.stb1.Panel(2).Text(), "COM Components");
    f.Reflect_ConnectMode("REGCOMP");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
    f.EnableDisableFileMenuItems("stop", "us");
    f.EnableDisableFileMenuItems("START", "US");
    EXPECT_TRUE(f.Toolbar1.Button("Refresh").Enabled());
    EXPECT_FALSE(f.Toolbar1.Button("Search").Enabled());
    EXPECT_FALSE(f.Toolbar1.Button("Options").Enabled());
    f.EnableDisableFileMenuItems("start", "regcomp");
    f.Tabc_EnableOneTab(7);
    for (int t = 0; t < 4; ++t) EXPECT_FALSE(f.SSTab1.TabEnabled(t));
    f.Tabc_EnableAllTabs();

    // The close saves the window's state (the tray option is off: the program ends).
    EXPECT_TRUE(f.Unload());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting("Last_Tab"), "3");
    EXPECT_NE(Setting("WindowWidth"), "<none>");
}

TEST_F(Shell, ALongRunLocksTheWindowAndACloseWaitsForItsEnd) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, std::string(kRoots) + ManyClasses(700));
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Stored(""));
    Open();
    Form_Main& f = frmMain();
    bool probed = false;
    // Runs at the scan's first yield to the message loop.
    ui::Defer([&] {
        probed = true;
        EXPECT_TRUE(f.RunActive());
        EXPECT_TRUE(DroskGlobal().blnProcessing);
        for (int t = 0; t < 3; ++t) EXPECT_FALSE(f.SSTab1.TabEnabled(t)) << t;
        EXPECT_TRUE(f.SSTab1.TabEnabled(3));
        for (const char* b : {"US", "SD", "CMH", "RegComp", "Refresh", "Search", "Options"})
            EXPECT_FALSE(f.Toolbar1.Button(b).Enabled()) << b;
        for (const char* m : {"MNU_File_Exit", "MNU_File_US", "MNU_RegComp_RefreshTreeView", "MNU_RegComp_SearchInRegistry"})
            EXPECT_FALSE(f.Menus[m].Enabled()) << m;
        EXPECT_NE(f.stb1.Panel(1).Text(), "Ready.");
        EXPECT_TRUE(BusyBox().IsLoaded());
        EXPECT_TRUE(BusyBox().ccrpAnimation1.Open(102));  // the program's own clip
        // A registration hand-over arriving now is taken after the run.
        DroskGlobal().objVelmora_mq()->ActionLetter("R");
        DroskGlobal().objVelmora_mq()->ActionFilePath("C:\\nowhere\\none.dll");
        DroskGlobal().mvarobjVelmora_mq_lastRegSvrActionNotifyEvent();
        EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "R");
        // F5 starts nothing: the tree keeps what the running scan has added.
        const long nodes = f.tvwRegComp.Nodes.Count();
        f.SSTab1_KeyDown(VK_F5, 0);
        f.tvwRegComp_KeyDown(VK_F5, 0);
        f.Toolbar1.PressButton("Refresh");
        EXPECT_EQ(f.tvwRegComp.Nodes.Count(), nodes);
        // A close request waits; Cancel in the busy box stops the scan.
        EXPECT_FALSE(f.Unload(ui::vbFormControlMenu));
        EXPECT_TRUE(f.IsLoaded());
        BusyBox().Command1.DoClick();
        EXPECT_TRUE(DroskGlobal().blnCancel);
    });
    f.MNU_RegComp_RefreshTreeView_Click();
    EXPECT_TRUE(probed);
    EXPECT_FALSE(f.RunActive());
    EXPECT_LT(f.colRegComp.Count(), 702);  // cancelled before the end
    EXPECT_FALSE(DroskGlobal().blnCancel);
    EXPECT_FALSE(DroskGlobal().blnProcessing);
    EXPECT_EQ(ended, 0);
    // The waiting hand-over and close happen once the run has ended.
    ui::DoEvents();
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "");
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting("Last_Tab"), "3");
}

TEST_F(Shell, APendingActionSelectsTheComponentsTabWithoutAFullScan) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Stored("").replace(Stored("").find("\"Last_Tab\"=\"3\""), 14, "\"Last_Tab\"=\"0\""));
    DroskGlobal().objVelmora_mq()->ActionLetter("U");
    DroskGlobal().objVelmora_mq()->ActionFilePath("C:\\nowhere\\none.dll");
    Open();
    Form_Main& f = frmMain();
    EXPECT_EQ(f.SSTab1.Tab(), 3);
    EXPECT_EQ(f.blnRegCompTabFilled, 1);
    EXPECT_TRUE(f.tvwRegComp.Nodes.Exists("DLLServer"));
    EXPECT_FALSE(f.tvwRegComp.Nodes.Exists("DLLServer\\{0E0E0E0E-0000-4000-8000-00000000000A}"));  // no full scan
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "");
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionFilePath(), "");
}

TEST_F(Shell, DecliningTheRegistryAccessBoxLeavesTheSettingsAlone) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[CLSID]\n"), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Stored("\"WindowWidth\"=\"7777\"\n\"CMH_SelectedBy\"=\"1\"\n"));
    BoxRecorder boxes(ui::vbNo);
    Register_UninstClean::RunStartupSequence();
    frmMain().Load();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, "Error");
    EXPECT_EQ(boxes.boxes[0].style, ui::vbYesNo | ui::vbCritical);
    EXPECT_NE(boxes.boxes[0].prompt.find("An error occured accessing the Registry !\r\nVelmora reguires Read/Write"),
              std::string::npos);
    EXPECT_GE(ended, 1);
    EXPECT_FALSE(frmMain().IsLoaded());
    EXPECT_EQ(Setting("WindowWidth"), "7777");
    EXPECT_EQ(Setting("CMH_SelectedBy"), "1");
}

TEST_F(Shell, TheFileTypesChoiceIsSavedOnlyWhenItsTabWasShown) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Stored("\"CMH_SelectedBy\"=\"1\"\n"));
    Open();
    frmMain().Unload();
    EXPECT_EQ(Setting("CMH_SelectedBy"), "1");

    DroskGlobalDiscard();
    Open();
    Form_Main& f = frmMain();
    f.SSTab1.SetTab(2);
    ui::DoEvents();
    EXPECT_TRUE(f.Menus["MNU_CMH"].Visible());
    EXPECT_EQ(f.stb1.Panel(2).Text(), "Registered File Types");
    EXPECT_EQ(f.cboCMH_arrangedby.ListIndex(), 1);
    f.cboCMH_arrangedby.SetListIndex(0);
    f.Unload();
    EXPECT_EQ(Setting("CMH_SelectedBy"), "0");
    EXPECT_EQ(Setting("Last_Tab"), "2");
}

TEST_F(Shell, TheLayoutFillsTheWindowAndTheSplitterStaysWithinItsLimits) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Stored(""));
    Open();
    Form_Main& f = frmMain();
    f.Move(0, 0, ui::Screen::Width(), ui::Screen::Height() - 600);
    f.Form_Resize();
    const long tpp = ui::Screen::TwipsPerPixelX();
    // The lists reach the window's right edge and stay above the status bar.
    EXPECT_NEAR(f.lsvRegComp_entries.Left() + f.lsvRegComp_entries.Width(), f.ScaleWidth() - 60, tpp);
    EXPECT_NEAR(f.lsvRegCompDetails.Left() + f.lsvRegCompDetails.Width(), f.ScaleWidth() - 60, tpp);
    EXPECT_LE(f.lsvRegComp_entries.Top() + f.lsvRegComp_entries.Height(), f.ScaleHeight() - f.stb1.Height());
    EXPECT_LT(f.tvwRegComp.Top() + f.tvwRegComp.Height(), f.lsvRegComp_entries.Top());

    // A drag far past either side stops at the splitter's limits (within a pixel); the layout
    // follows the bar and stores its position.
    SplitterCtrl& s = *f.SplitRegComp;
    s.Mouse(10, 1);
    s.Mouse(-100000, 1);
    EXPECT_NEAR(f.SplitterRegComp.Left(), 200, tpp);
    EXPECT_EQ(DroskGlobal().lngSplitterRegCompLeft, f.SplitterRegComp.Left());
    s.Mouse(100000, 1);
    const long right = f.ScaleWidth() - f.SplitterRegComp.Width() - 200;
    EXPECT_NEAR(f.SplitterRegComp.Left(), right, tpp);
    s.Mouse(100000, 0);
    EXPECT_FALSE(s.Dragging());
    EXPECT_NEAR(f.tvwRegComp.Left() + f.tvwRegComp.Width(), f.SplitterRegComp.Left(), tpp);
    EXPECT_NEAR(f.lsvRegCompDetails.Left(), f.SplitterRegComp.Left() + f.SplitterRegComp.Width(), tpp);
    EXPECT_EQ(DroskGlobal().lngSplitterRegCompLeft, f.SplitterRegComp.Left());

    // Minimised, the layout leaves everything alone.
    const long left = f.SplitterRegComp.Left();
    f.SetWindowState(ui::vbMinimized);
    f.Form_Resize();
    f.SetWindowState(ui::vbNormal);
    EXPECT_EQ(f.SplitterRegComp.Left(), left);
}

TEST_F(Shell, TheTrayIconComesBackAndItsShutdownEndsTheProgram) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER,
                    "[Software\\Quorvath\\Velmora]\n\"Version\"=\"1.8.0\"\n[Software\\Quorvath\\Velmora\\Settings]\n"
                    "\"ShowInTaskbar\"=\"1\"\n\"Last_Tab\"=\"3\"\n");
    Open();
    Form_Drosk_TrayIcon& tray = TrayForm();
    ASSERT_TRUE(tray.IsLoaded());
    EXPECT_TRUE(tray.blnIconAdded);
    EXPECT_TRUE(frmMain().Menus["MNU_File_ShutDown"].Enabled());
    // A re-created taskbar announces itself: the icon is added again at once.
    tray.Unhook();
    EXPECT_FALSE(tray.blnIconAdded);
    SendMessageA(tray.hWnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(tray.blnIconAdded);

    // The close keeps the program in the tray; a click on the icon brings the window back.
    EXPECT_TRUE(frmMain().Unload());
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(tray.IsLoaded());
    tray.phook_MouseMove(WM_LBUTTONDOWN);
    tray.timrPassUserEvents_Timer();
    EXPECT_TRUE(frmMain().IsLoaded());
    EXPECT_TRUE(frmMain().Visible());

    // The tray menu's Shutdown saves, removes the icon and ends the program.
    tray.mnuPopUp_Click(3);
    tray.timrPassUserEvents_Timer();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(frmMain().IsLoaded());
    EXPECT_FALSE(tray.IsLoaded());
    EXPECT_EQ(Setting("ShowInTaskbar"), "1");
}
