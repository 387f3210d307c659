// The main window driven in this process through its controls' models, on scratch copies of
// the registry: the components tab end to end, a long run's locks, the close refused during a
// refresh, the settings a close keeps or writes, layout and splitter, and the tray icon.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "res/resource.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Boxes.h"
#include "image/QV_IconsAndResources.h"
#include "tests/support/Helpers.h"
#include "tests/support/ListPixels.h"
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

// The stored settings of a window that starts on the components tab, without the tray icon.
std::string Shown(const std::string& values = "") { return StartsOn(3, values); }

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

// A program whose end is only counted, on its own registry, whose window loads without an error.
struct Shell : MainWindowFixture {
    Shell() { expectCleanLoad = true; }
    void SetUp() override {
        MainWindowFixture::SetUp();
        Master::WireConnectorEvents();
    }
};

// Whether the shell's notification area holds the tray form's icon: only an icon it holds can
// be modified.
bool ShellShowsIcon(HWND owner) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = owner;
    nid.uID = 1;
    nid.uFlags = NIF_TIP;
    std::strncpy(nid.szTip, "Velmora", sizeof nid.szTip - 1);
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

ui::NodePtr NodeEndingWith(ui::TreeView& tree, const std::string& tail) {
    for (auto& n : tree.Nodes.All())
        if (n->Key().size() >= tail.size() && n->Key().compare(n->Key().size() - tail.size(), tail.size(), tail) == 0)
            return n;
    return nullptr;
}

}  // namespace

// The rows of a details list from the row with that label on.
std::vector<std::string> RowsFrom(ui::ListView& list, const std::string& first) {
    std::vector<std::string> rows;
    for (auto& row : list.ListItems)
        if (!rows.empty() || row->Text() == first) rows.push_back(row->Text());
    return rows;
}

const char* kClassKey = "DLLServer\\{0E0E0E0E-0000-4000-8000-00000000000A}";

TEST_F(Shell, TheComponentsTabFillsAtStart) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    const long errors = QV_Err::HandledCount();
    Open();
    Form_Main& f = frmMain();
    EXPECT_EQ(QV_Err::HandledCount(), errors) << QV_Err::LastProcedure();
    EXPECT_EQ(f.ShownTab(), Tab::RegComp);
    EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");
    EXPECT_EQ(f.stb1.Panel(2).Text(), "COM Components");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
    EXPECT_TRUE(f.Menus["MNU_RegComp"].Visible());
    EXPECT_FALSE(f.Menus["MNU_UninstClean"].Visible());
    for (const char* root : {"Control", "DLLServer", "EXEServer"}) EXPECT_TRUE(f.tvwRegComp.Nodes.Exists(root)) << root;
    EXPECT_TRUE(f.tvwRegComp.Nodes.Exists(kClassKey));
    EXPECT_FALSE(f.tvwRegComp.Nodes.Exists("EXEServer\\{0E0E0E0E-0000-4000-8000-00000000000B}"));  // no ProgID
    // The pictures come from the program's resources, one for every key the tabs use.
    for (const char* key : {"Control", "DLLServer", "EXEServer", "Strike", "Folder", "FolderOpen", "FolderRoot",
                            "String", "Bin", "RegistryItem", "Info", "Found", "Computer", "Unknown"})
        EXPECT_TRUE(f.imlRegComp.Exists(key)) << key;
    for (const TabFacts& t : TabTable()) EXPECT_TRUE(f.imlToolbarIcons.Exists(t.key)) << t.key;
    for (const char* key : {"Explore", "Refresh", "Options", "Search", "Help"})
        EXPECT_TRUE(f.imlToolbarIcons.Exists(key)) << key;
}

// The pictures of the toolbar and the image lists: each one drawn over two backgrounds shows the
// background around it (pixels that change with the background: no black or white box) and a
// picture of its own in front of it (pixels that do not); no two keys with pictures of their own
// look alike, and the services tab's service and driver are not a component's pictures. The
// placeholder picture box holds a 16 x 16 picture that a reset list takes as a transparent image.
TEST_F(Shell, ThePicturesAreTheirOwnOnTransparentBackgroundsAndThePlaceholderIsBlank) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    const COLORREF magenta = RGB(255, 0, 255), green = RGB(0, 255, 0);
    struct Picture {
        ui::ImageList* list;
        const char* key;
    };
    std::vector<Picture> pictures;
    for (const char* key : {"Control", "DLLServer", "EXEServer", "Strike", "Folder", "FolderOpen", "FolderRoot", "String",
                            "Bin", "RegistryItem", "Info", "Found", "Computer", "Unknown"})
        pictures.push_back({&f.imlRegComp, key});
    // The toolbar's keys of one tab ("RegComp", "RegComp_", "RegComp2") share the tab's picture.
    for (const char* key : {"Explore", "Refresh", "CMH", "SD", "RegComp", "Options", "US", "Search", "Help"})
        pictures.push_back({&f.imlToolbarIcons, key});
    for (const char* key : {"Service", "Device"}) pictures.push_back({&f.imlSD, key});
    std::map<std::vector<uint32_t>, std::string> seen;
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.key);
        ASSERT_TRUE(p.list->Exists(p.key));
        const int index = p.list->Resolve(p.key);
        const auto overMagenta = DrawnPixels(p.list->Handle(), index, magenta);
        const auto overGreen = DrawnPixels(p.list->Handle(), index, green);
        ASSERT_EQ(overMagenta.size(), 256u);
        int opaque = 0;
        for (size_t i = 0; i < overMagenta.size(); ++i) opaque += overMagenta[i] == overGreen[i];
        EXPECT_GT(opaque, 40);
        EXPECT_GE(256 - opaque, 4);
        const auto [other, isNew] = seen.emplace(overMagenta, p.key);
        EXPECT_TRUE(isNew) << "looks like " << other->second;
    }

    ASSERT_TRUE(f.pixDummy.Picture());
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(f.pixDummy.Picture(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 16);
    ui::ImageList reset;
    ASSERT_TRUE(QV_IconsAndResources::ResetImageList(reset, f.lsvUS, f.pixDummy));
    f.lsvUS.SetSmallIcons(&f.imlUS);
    ASSERT_EQ(reset.Count(), 1);
    EXPECT_EQ(DrawnPixels(reset.Handle(), reset.Resolve("dummy"), green), std::vector<uint32_t>(256, 0x00FF00u));
}

TEST_F(Shell, AClickOnAClassListsItsFileFactsAndEnablesItsCommands) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    auto cls = f.tvwRegComp.Nodes.Find(kClassKey);
    ASSERT_TRUE(cls);
    const long errors = QV_Err::HandledCount();
    f.tvwRegComp.SetSelectedItem(cls);
    f.tvwRegComp_NodeClick(*cls);
    EXPECT_EQ(QV_Err::HandledCount(), errors) << QV_Err::LastProcedure() << " " << QV_Err::LastNumber();
    // Every file fact of the server, with the window's own image list.
    EXPECT_EQ(RowsFrom(f.lsvRegCompDetails, "File Location, calculated"),
              (std::vector<std::string>{"File Location, calculated", "File Name, calculated", "File exists",
                                        "File version", "File size", "File Attributes", "File Created",
                                        "File Last Accessed", "File Last Modified", "Company Name", "Description",
                                        "Internal Version", "Internal Name", "Legal Copyright", "Original File Name",
                                        "Product Name", "Product Version"}));
    auto exists = f.lsvRegCompDetails.ListItems.Find("File_exists");
    ASSERT_TRUE(exists);
    EXPECT_EQ(exists->SubItem(1), "True");
    f.Disable_MNU_RegComp_Items();
    EXPECT_TRUE(f.Menus["MNU_RegComp_Unregisterthiscomponent"].Enabled());
    EXPECT_FALSE(f.Menus["MNU_RegComp_Rename"].Enabled());
}

TEST_F(Shell, DependenciesOpenTheViewerOnTheClassServerAndAGroupIsRefused) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(kClassKey));
    f.MNU_RegComp_Dependencies_Click();
    ASSERT_TRUE(f.objDepends && f.objDepends->IsLoaded());
    EXPECT_TRUE(f.objDepends->Visible());
    auto top = f.objDepends->tvwModules.Nodes.Find("C:\\windows\\system32\\ole32.dll");
    ASSERT_TRUE(top);
    EXPECT_TRUE(top->Child());  // its imports
    f.objDepends->Unload();

    BoxRecorder boxes;
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find("DLLServer"));
    f.MNU_RegComp_Dependencies_Click();
    EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Plase select preferred Component from Top-level."});
}

TEST_F(Shell, AFailingClassCommandIsReportedNotTakenForAMissingSelection) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(kClassKey));
    // Explorer cannot be started: the command fails after the class was found.
    ui::StartProgramOverride failing([](const std::string&, int, bool) -> unsigned long {
        throw RunTimeError(53, "Shell", "File not found");
    });
    BoxRecorder boxes;
    const long errors = QV_Err::HandledCount();
    f.Menus["MNU_RegComp_Show_File_path"].DoClick();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].prompt;
    EXPECT_EQ(QV_Err::HandledCount(), errors + 1);
    EXPECT_EQ(QV_Err::LastNumber(), 53);
    EXPECT_EQ(QV_Err::LastProcedure(), "MNU_RegComp_Show_File_path_Click");
}

TEST_F(Shell, ShowFilePathBringsTheStartedWindowToTheFront) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(kClassKey));
    // The started program stands in for Explorer: a real process whose window shows a moment later.
    std::vector<std::string> started;
    PROCESS_INFORMATION pi{};
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) -> unsigned long {
        started.push_back(cmd);
        if (!StartProcess("notepad.exe", pi)) return 0;
        return pi.dwProcessId;
    });
    BoxRecorder boxes;
    f.Menus["MNU_RegComp_Show_File_path"].DoClick();
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(started, std::vector<std::string>{"Explorer.exe /e,C:\\windows\\system32"});
    ASSERT_NE(pi.hProcess, nullptr);
    const HWND front = GetForegroundWindow();
    DWORD frontProcess = 0;
    GetWindowThreadProcessId(front, &frontProcess);
    EXPECT_EQ(frontProcess, pi.dwProcessId);
    EXPECT_EQ(front, QV_Forms::TaskWindow(pi.dwProcessId));
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    // A process that shows no window (it handed its work on and ended) brings nothing forward.
    EXPECT_FALSE(QV_Forms::ActivateTask(pi.dwProcessId, 1000));
    EXPECT_FALSE(QV_Forms::ActivateTask(0, 1000));
}

TEST_F(Shell, AClassShowsItsRegistryEntriesAndTheMenusFollowTheLevel) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(kClassKey));
    // A double click builds its registry entries; a click on a key lists its values.
    f.tvwRegComp_DblClick();
    auto server = NodeEndingWith(f.tvwRegComp, "\\InprocServer32");
    ASSERT_TRUE(server);
    f.tvwRegComp.SetSelectedItem(server);
    f.tvwRegComp_NodeClick(*server);
    std::map<std::string, std::string> values;
    for (auto& row : f.lsvRegComp_entries.ListItems) values[row->Text()] = row->SubItem(1);
    EXPECT_EQ(values, (std::map<std::string, std::string>{{"Default", "C:\\windows\\system32\\ole32.dll"},
                                                          {"ThreadingModel", "Both"}}));
    // The values lists take the value types' pictures from imlRegComp_Regedit.
    for (const char* key : {"Folder", "FolderOpen", "String", "Bin"}) EXPECT_TRUE(f.imlRegComp_Regedit.Exists(key)) << key;
    for (ui::ListView* l : {&f.lsvRegComp_entries, &f.lsvCMH_entries, &f.lsvSD_entries}) {
        EXPECT_EQ(l->SmallIcons(), &f.imlRegComp_Regedit);
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(l->hWnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
                  f.imlRegComp_Regedit.Handle());
    }
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    ASSERT_TRUE(SendMessageA(f.lsvRegComp_entries.hWnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, f.imlRegComp_Regedit.Resolve("String"));

    // Menu items by the level of the selected node: group 0, class 1, first entry level 2, keys 3 and deeper.
    struct { const char* tail; bool unregister, newItem, rename; } levels[] = {
        {"DLLServer", false, false, false},
        {"DLLServer\\{0E0E0E0E-0000-4000-8000-00000000000A}", true, false, false},
        {"\\HKEY_CLASSES_ROOT", false, false, false},
        {"\\HKEY_CLASSES_ROOT\\CLSID", false, true, false},
        {"\\InprocServer32", false, true, true},
    };
    for (auto& l : levels) {
        auto n = f.tvwRegComp.Nodes.Find(l.tail);  // a group or class by its key, an entry by its end
        if (!n) n = NodeEndingWith(f.tvwRegComp, l.tail);
        ASSERT_TRUE(n) << l.tail;
        f.tvwRegComp.SetSelectedItem(n);
        f.Disable_MNU_RegComp_Items();
        EXPECT_EQ(f.Menus["MNU_RegComp_Unregisterthiscomponent"].Enabled(), l.unregister) << l.tail;
        EXPECT_EQ(f.Menus["MNU_RegComp_Newxx"].Enabled(), l.newItem) << l.tail;
        EXPECT_EQ(f.Menus["MNU_RegComp_Rename"].Enabled(), l.rename) << l.tail;
    }
}

TEST_F(Shell, EachTabShowsItsMenuPanelAndToolbarButtons) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    const struct {
        Tab tab;
        const char* button;
        const char* menu;
        const char* panel;
        bool search, options, explore;
    } tabs[] = {
        {Tab::US, "US", "MNU_UninstClean", "UninstClean", false, false, true},
        {Tab::SD, "SD", "MNU_ServicesDevices", "Services/Devices", true, true, true},
        {Tab::CMH, "CMH", "MNU_CMH", "Registered File Types", true, false, false},
        {Tab::RegComp, "RegComp", "MNU_RegComp", "COM Components", true, true, true},
    };
    for (const auto& t : tabs) {
        // The tab's toolbar button shows it.
        f.Toolbar1.PressButton(t.button);
        ui::DoEvents();
        EXPECT_EQ(f.ShownTab(), t.tab) << t.button;
        EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.") << t.button;  // its first-visit refresh has run
        EXPECT_EQ(f.stb1.Panel(2).Text(), t.panel);
        for (const auto& other : tabs) {
            EXPECT_EQ(f.Menus[other.menu].Visible(), &other == &t) << t.button << " " << other.menu;
            EXPECT_EQ(f.Toolbar1.Button(other.button).Value(), &other == &t ? ui::tbrPressed : ui::tbrUnpressed);
        }
        EXPECT_EQ(f.Toolbar1.Button("Search").Enabled(), t.search) << t.button;
        EXPECT_EQ(f.Toolbar1.Button("Options").Enabled(), t.options) << t.button;
        EXPECT_EQ(f.Toolbar1.Button("Explore").Enabled(), t.explore) << t.button;
        EXPECT_EQ(DroskGlobal().LastTab.ToLong(), static_cast<long>(t.tab));
    }
    // The shown tab's toolbar button stays pressed when clicked again; an unknown mode only
    // releases the tab buttons.
    f.Toolbar1.PressButton("RegComp");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
    EXPECT_EQ(f.ShownTab(), Tab::RegComp);
    f.Reflect_ConnectMode("xyz");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrUnpressed);
    EXPECT_EQ(f.stb1.Panel(2).Text(), "COM Components");
    f.Reflect_ConnectMode("REGCOMP");
    EXPECT_EQ(f.Toolbar1.Button("RegComp").Value(), ui::tbrPressed);
}

TEST_F(Shell, TheToolbarRunsTheTabsCommandAlsoWhenItsMenuItemIsGreyed) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    // A group node: the menu's Show File path is greyed, the toolbar's Explore is not.
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Item("DLLServer"));
    f.Disable_MNU_RegComp_Items();
    ASSERT_FALSE(f.Menus["MNU_RegComp_Show_File_path"].Enabled());
    ui::ToolbarButton& explore = f.Toolbar1.Button("Explore");
    ASSERT_TRUE(explore.Enabled());
    // A real click on the button: the command answers the selection itself.
    BoxRecorder boxes;
    std::vector<std::string> programs;
    ui::StartProgramOverride recorder([&](const std::string& cmd, int, bool) {
        programs.push_back(cmd);
        return 1ul;
    });
    RECT r{};
    SendMessageA(f.Toolbar1.hWnd(), TB_GETITEMRECT, explore.Index() - 1, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(f.Toolbar1.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(f.Toolbar1.hWnd(), WM_LBUTTONUP, 0, at);
    for (int i = 0; i < 5; ++i) ui::DoEvents();
    EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Plase select preferred Component from Top-level."});
    EXPECT_TRUE(programs.empty());
}

TEST_F(Shell, UnregisterAsksWithAnEmptyTitle) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    BoxRecorder boxes(ui::vbNo);
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Item("DLLServer"));
    f.Menus["MNU_RegComp_Unregisterthiscomponent"].DoClick();
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Item(kClassKey));
    f.Menus["MNU_RegComp_Unregisterthiscomponent"].DoClick();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Please select preferred Component from top-level");
    EXPECT_EQ(boxes.boxes[0].title, "Velmora");
    EXPECT_EQ(boxes.boxes[1].prompt, "Really unregister component\r\n" +
                                         f.colRegComp.Item("{0E0E0E0E-0000-4000-8000-00000000000A}")->vntCalcDisplayName +
                                         " ?");
    EXPECT_EQ(boxes.boxes[1].style, ui::vbYesNo | ui::vbCritical);
    EXPECT_EQ(boxes.boxes[1].title, "");
}

TEST_F(Shell, TheFileMenuAndToolbarLockAroundARunByTab) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    f.EnableDisableFileMenuItems("stop", "us");
    for (const char* b : {"US", "SD", "CMH", "RegComp", "Refresh", "Search", "Options"})
        EXPECT_FALSE(f.Toolbar1.Button(b).Enabled()) << b;
    EXPECT_FALSE(f.Menus["MNU_File_CMH"].Enabled());
    f.EnableDisableFileMenuItems("START", "US");
    EXPECT_TRUE(f.Toolbar1.Button("Refresh").Enabled());
    EXPECT_TRUE(f.Toolbar1.Button("SD").Enabled());
    EXPECT_TRUE(f.Menus["MNU_File_CMH"].Enabled());
    EXPECT_FALSE(f.Toolbar1.Button("Search").Enabled());
    EXPECT_FALSE(f.Toolbar1.Button("Options").Enabled());
    // An unknown tab leaves the tab buttons alone and gives all three commands back.
    f.EnableDisableFileMenuItems("stop", "xyz");
    EXPECT_TRUE(f.Toolbar1.Button("SD").Enabled());
    f.EnableDisableFileMenuItems("start", "xyz");
    for (const char* b : {"Refresh", "Search", "Options"}) EXPECT_TRUE(f.Toolbar1.Button(b).Enabled()) << b;
    f.Tabc_EnableOneTab(Tab::CMH);
    for (const TabFacts& t : TabTable())
        EXPECT_EQ(f.SSTab1.TabEnabled(static_cast<int>(t.tab)), t.tab == Tab::CMH) << t.key;
    f.Tabc_EnableOneTab(7);
    for (const TabFacts& t : TabTable()) EXPECT_FALSE(f.SSTab1.TabEnabled(static_cast<int>(t.tab))) << t.key;
    f.Tabc_EnableAllTabs();
    for (const TabFacts& t : TabTable()) EXPECT_TRUE(f.SSTab1.TabEnabled(static_cast<int>(t.tab))) << t.key;
}

TEST_F(Shell, TheCloseSavesTheWindowStateAndEndsTheProgram) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    // The tray option is off: the close ends the program.
    EXPECT_TRUE(frmMain().Unload());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting("Last_Tab"), "3");
    EXPECT_NE(Setting("WindowWidth"), "<none>");
}

TEST_F(Shell, ALongRunLocksTheWindowAndRefusesToClose) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, std::string(kRoots) + ManyClasses(700));
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    bool probed = false;
    // Runs at the scan's first yield to the message loop.
    ui::Defer([&] {
        probed = true;
        EXPECT_TRUE(RunGuard::Active());
        EXPECT_TRUE(DroskGlobal().blnProcessing());
        for (const TabFacts& t : TabTable())
            EXPECT_EQ(f.SSTab1.TabEnabled(static_cast<int>(t.tab)), t.tab == Tab::RegComp) << t.key;
        for (const char* b : {"US", "SD", "CMH", "RegComp", "Refresh", "Search", "Options"})
            EXPECT_FALSE(f.Toolbar1.Button(b).Enabled()) << b;
        for (const char* m : {"MNU_File_Exit", "MNU_File_US", "MNU_RegComp_RefreshTreeView", "MNU_RegComp_SearchInRegistry"})
            EXPECT_FALSE(f.Menus[m].Enabled()) << m;
        EXPECT_NE(f.stb1.Panel(1).Text(), "Ready.");
        EXPECT_TRUE(BusyBox().IsLoaded());
        EXPECT_TRUE(BusyBox().ccrpAnimation1.Open(IDR_AVI_BUSY));  // the program's own clip
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
        // A close request is refused (the close box and the system's close alike), without a
        // message; Cancel in the busy box stops the scan.
        BoxRecorder boxes;
        EXPECT_FALSE(f.Unload(ui::vbFormControlMenu));
        SendMessageA(f.hWnd(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(f.IsLoaded());
        EXPECT_TRUE(boxes.boxes.empty());
        BusyBox().Command1.DoClick();
        EXPECT_TRUE(DroskGlobal().blnCancel);
    });
    f.MNU_RegComp_RefreshTreeView_Click();
    EXPECT_TRUE(probed);
    EXPECT_FALSE(RunGuard::Active());
    EXPECT_LT(f.colRegComp.Count(), 702);  // cancelled before the end
    EXPECT_FALSE(DroskGlobal().blnCancel);
    EXPECT_FALSE(DroskGlobal().blnProcessing());
    EXPECT_EQ(ended, 0);
    // The waiting hand-over happens once the run has ended; the refused close does not.
    ui::DoEvents();
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "");
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_EQ(ended, 0);
    // Once the run has ended the window closes.
    EXPECT_TRUE(f.Unload(ui::vbFormControlMenu));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Setting("Last_Tab"), "3");
}

// A click on a tab's toolbar button while the button is disabled during a scan: whatever the
// control did with it, after the run exactly the shown tab's button is pressed.
TEST_F(Shell, AfterARunExactlyTheShownTabsButtonIsPressed) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, std::string(kRoots) + ManyClasses(300));
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
    Open();
    Form_Main& f = frmMain();
    bool clicked = false;
    ui::Defer([&] {
        for (const char* b : {"US", "SD"}) {
            ASSERT_FALSE(f.Toolbar1.Button(b).Enabled()) << b;
            RECT r{};
            ASSERT_TRUE(SendMessageA(f.Toolbar1.hWnd(), TB_GETITEMRECT, f.Toolbar1.Button(b).Index() - 1,
                                     reinterpret_cast<LPARAM>(&r)));
            const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            PostMessageA(f.Toolbar1.hWnd(), WM_MOUSEMOVE, 0, at);
            PostMessageA(f.Toolbar1.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(f.Toolbar1.hWnd(), WM_LBUTTONUP, 0, at);
            for (int i = 0; i < 5; ++i) ui::DoEvents();
        }
        clicked = true;
    });
    f.MNU_RegComp_RefreshTreeView_Click();
    ASSERT_TRUE(clicked);
    EXPECT_FALSE(RunGuard::Active());
    EXPECT_EQ(f.ShownTab(), Tab::RegComp);
    for (const TabFacts& t : TabTable())
        EXPECT_EQ(f.Toolbar1.Button(t.key).Value(), t.tab == Tab::RegComp ? ui::tbrPressed : ui::tbrUnpressed) << t.key;
}

TEST_F(Shell, AShutdownDuringARunStopsItAndWaitsForItsClosingSteps) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, std::string(kRoots) + ManyClasses(700));
    // With the tray icon the window's close alone does not end the program: only the shutdown does.
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Stored("\"ShowInTaskbar\"=\"1\"\n\"Last_Tab\"=\"3\"\n"));
    Open();
    Form_Main& f = frmMain();
    bool probed = false;
    ui::Defer([&] {
        probed = true;
        Master::AppShutdown(false);
        // The shutdown asks the scan to stop but leaves the run for the run to end.
        EXPECT_TRUE(DroskGlobal().blnCancel);
        EXPECT_TRUE(RunGuard::Active());
        EXPECT_TRUE(DroskGlobal().blnProcessing());
        EXPECT_TRUE(f.IsLoaded());
        EXPECT_EQ(ended, 0);
    });
    f.MNU_RegComp_RefreshTreeView_Click();
    EXPECT_TRUE(probed);
    EXPECT_LT(f.colRegComp.Count(), 702);
    // The run's closing steps have unlocked the window before it goes.
    EXPECT_TRUE(f.Menus["MNU_File_Exit"].Enabled());
    EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");
    EXPECT_EQ(ended, 0);
    ui::DoEvents();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_FALSE(TrayForm().IsLoaded());
    EXPECT_EQ(ended, 1);
}

TEST(RunGuard, OneRunAtATimeAndWhatWaitsHappensOnceAfterIt) {
    std::vector<std::string> done;
    {
        RunGuard::Turn scan = RunGuard::Begin(RunGuard::Kind::Scan);
        ASSERT_TRUE(scan);
        EXPECT_TRUE(RunGuard::Active());
        for (RunGuard::Kind k : {RunGuard::Kind::Scan, RunGuard::Kind::Search, RunGuard::Kind::HandOver})
            EXPECT_FALSE(RunGuard::Begin(k));
        EXPECT_EQ(RunGuard::Current(), RunGuard::Kind::Scan);  // a refused turn changes nothing
        RunGuard::AfterRun([&] { done.push_back("close"); }, "close");
        RunGuard::AfterRun([&] { done.push_back("close again"); }, "close");
        RunGuard::AfterRun([&] { done.push_back("hand-over"); });
        ui::DoEvents();
        EXPECT_TRUE(done.empty());
    }
    EXPECT_FALSE(RunGuard::Active());
    ui::DoEvents();
    EXPECT_EQ(done, (std::vector<std::string>{"close", "hand-over"}));

    // An error that leaves the run's scope ends its turn.
    try {
        RunGuard::Turn search = RunGuard::Begin(RunGuard::Kind::Search);
        ASSERT_TRUE(search);
        throw RunTimeError(5, "test", "Invalid procedure call or argument");
    } catch (const RunTimeError&) {
    }
    EXPECT_FALSE(RunGuard::Active());
    EXPECT_TRUE(RunGuard::Begin(RunGuard::Kind::HandOver));
}

TEST_F(Shell, APendingActionSelectsTheComponentsTabWithoutAFullScan) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, StartsOn(0));
    DroskGlobal().objVelmora_mq()->ActionLetter("U");
    DroskGlobal().objVelmora_mq()->ActionFilePath("C:\\nowhere\\none.dll");
    Open();
    Form_Main& f = frmMain();
    EXPECT_EQ(f.ShownTab(), Tab::RegComp);
    EXPECT_EQ(f.blnRegCompTabFilled, 1);
    EXPECT_TRUE(f.tvwRegComp.Nodes.Exists("DLLServer"));
    EXPECT_FALSE(f.tvwRegComp.Nodes.Exists("DLLServer\\{0E0E0E0E-0000-4000-8000-00000000000A}"));  // no full scan
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionLetter(), "");
    EXPECT_EQ(DroskGlobal().objVelmora_mq()->ActionFilePath(), "");
}

TEST_F(Shell, DecliningTheRegistryAccessBoxLeavesTheSettingsAlone) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[CLSID]\n"), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Shown("\"WindowWidth\"=\"7777\"\n\"CMH_SelectedBy\"=\"1\"\n"));
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

TEST_F(Shell, AFirstRunShowsTheArrangedByChoicesItStores) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, std::string(kRoots) + "[.fta]\n@=\"FtaFile\"\n[FtaFile]\n@=\"Fta document\"\n");
    RegFixture hklm(HKEY_LOCAL_MACHINE, std::string(kMachine) + R"(
[SYSTEM\CurrentControlSet\Services\VelmFirstRun]
"DisplayName"="First run service"
"Description"="Shown plain"
"Type"=dword:00000010
"ImagePath"="C:\\windows\\system32\\notepad.exe"
)");
    RegFixture hkcu(HKEY_CURRENT_USER);  // no settings at all: a first run
    Open();
    Form_Main& f = frmMain();
    clsDroskGlobal& g = DroskGlobal();
    ASSERT_TRUE(g.blnIsFirsttime);
    for (const Variant* choice : {&g.vntSDSelectedBy, &g.vntCMHSelectedBy, &g.vntRegCompSelectedBy})
        EXPECT_EQ(choice->ToText(), "0");
    // Services: labelled by display name, not detailed, as the options show them.
    f.SelectTab(Tab::SD);
    ui::DoEvents();
    ASSERT_TRUE(f.tvwSD.Nodes.Exists("VelmFirstRun"));
    EXPECT_EQ(f.tvwSD.Nodes.Item("VelmFirstRun")->Text(), "First run service");
    EXPECT_FALSE(g.blnSDDetailed);
    // File types: the stored choice's option button is selected.
    f.SelectTab(Tab::CMH);
    ui::DoEvents();
    EXPECT_FALSE(f.Option_select_by[0].Value());
    EXPECT_TRUE(f.Option_select_by[1].Value());
    EXPECT_TRUE(f.cboCMH_arrangedby.Enabled());
    EXPECT_EQ(f.cboCMH_arrangedby.ListIndex(), 0);
    EXPECT_TRUE(f.tvwCMH.Nodes.Exists("File_Type_.fta"));
    // What was shown is stored.
    f.Unload();
    for (const char* name : {"SD_SelectedBy", "CMH_SelectedBy", "RegComp_SelectedBy"}) EXPECT_EQ(Setting(name), "0") << name;
    for (const char* name : {"SD_Detailed", "CMH_GeneralEntries", "RegComp_Detailed"}) EXPECT_EQ(Setting(name), "0") << name;
}

TEST_F(Shell, TheFileTypesChoiceIsSavedOnlyWhenItsTabWasShown) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine);
    RegFixture hkcu(HKEY_CURRENT_USER, Shown("\"CMH_SelectedBy\"=\"1\"\n"));
    Open();
    frmMain().Unload();
    EXPECT_EQ(Setting("CMH_SelectedBy"), "1");

    DroskGlobalDiscard();
    Open();
    Form_Main& f = frmMain();
    f.SelectTab(Tab::CMH);
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
    RegFixture hkcr(HKEY_CLASSES_ROOT, kRoots), hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Shown());
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
                    Stored("\"ShowInTaskbar\"=\"1\"\n\"Last_Tab\"=\"3\"\n"));
    Open();
    Form_Drosk_TrayIcon& tray = TrayForm();
    ASSERT_TRUE(tray.IsLoaded());
    const HWND trayWindow = tray.hWnd();
    EXPECT_TRUE(ShellShowsIcon(trayWindow));
    EXPECT_TRUE(frmMain().Menus["MNU_File_ShutDown"].Enabled());
    // A re-created taskbar announces itself: the icon is added again at once.
    tray.Unhook();
    EXPECT_FALSE(ShellShowsIcon(tray.hWnd()));
    SendMessageA(tray.hWnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellShowsIcon(tray.hWnd()));
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
    EXPECT_FALSE(ShellShowsIcon(trayWindow));
    EXPECT_EQ(Setting("ShowInTaskbar"), "1");
}
