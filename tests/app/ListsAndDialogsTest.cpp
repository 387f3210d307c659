// The main window's values and details lists, their pop-up menus' items per row and tree level
// (also as a right-click really opens them), the copy to the clipboard, the tab tools that start
// other programs (recorded through the program-start seam, and by stand-in programs started as
// the system finds them), the services' Dependencies and Show File path, the arranged-by and
// file-does-not-exist dialogs, prompts that hold back runs, and the rule that every menu item
// and toolbar button that is enabled has a command.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Form_Main.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_ArrangedByOptions.h"
#include "app/dlg_filedoesntexist.h"
#include "image/frmDepends.h"
#include "base/FileLookup.h"
#include "base/QV_Clipboard.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/PopupMenus.h"
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
    return StartsOn(1) +
           "[Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit]\n";
}

struct Started {
    std::string line;
    int style;
};

// The programs the window starts are recorded, not started.
struct Lists : MainWindowFixture {
    std::vector<Started> started;
    std::unique_ptr<ui::StartProgramOverride> starts;
    void SetUp() override {
        MainWindowFixture::SetUp();
        starts = std::make_unique<ui::StartProgramOverride>([this](const std::string& line, int style, bool) {
            started.push_back({line, style});
            return 1ul;
        });
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        starts.reset();
    }
    // Selects a services node by key, as a click does.
    static void Select(const std::string& key) { ASSERT_TRUE(ClickNode(frmMain().tvwSD, key)) << key; }
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

// The key the registry editor opens at next ("<none>" when it is not set).
std::string RegeditLastKey() {
    return ReadText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey");
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

// The middle of a row of a real list view, found by its text; the point below the last row
// when the text is empty.
POINT RowPoint(HWND list, const std::string& text) {
    if (text.empty()) return PointOnNoItem(list).value_or(POINT{-1, -1});
    RECT r{};
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;
    find.psz = text.c_str();
    const int index = static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(&find)));
    if (index < 0) return {-1, -1};
    ListView_EnsureVisible(list, index, FALSE);
    ListView_GetItemRect(list, index, &r, LVIR_LABEL);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A press and release of a mouse button over the real control, posted as the system delivers
// them, and the queue handled until the control's events have run (a pop-up they open is read
// and closed by a probe).
void ClickAt(HWND h, POINT pt, bool right) {
    const LPARAM at = MAKELPARAM(pt.x, pt.y);
    PostMessageA(h, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
    PostMessageA(h, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    for (int i = 0; i < 10; ++i) ui::DoEvents();
}

// The stand-in program (tests/app/RecordingStub.cpp) in the places the tools are started
// from: Regedit, Explorer and the control panel go by bare name, which the system looks up
// first in the folder of the running program; the management console goes by its full path
// in the system folder of the prefix, which has none. A file found there is kept aside and
// put back afterwards; what an interrupted run left behind is put right before the next one.
class StandIns {
public:
    StandIns() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        folder_ = self;
        folder_.erase(folder_.rfind('\\'));
        mmc_ = Sys32() + "\\mmc.exe";
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        log = std::string(temp) + "velm-started.log";
        Restore();
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("VELM_STUB_LOG", log.c_str());
        const std::string stub = StubPath();
        placed = GetFileAttributesA(stub.c_str()) != INVALID_FILE_ATTRIBUTES;
        for (const char* name : kByName) placed = placed && CopyFileA(stub.c_str(), ByName(name).c_str(), FALSE);
        if (GetFileAttributesA(mmc_.c_str()) != INVALID_FILE_ATTRIBUTES)
            placed = placed && MoveFileExA(mmc_.c_str(), Saved().c_str(), MOVEFILE_REPLACE_EXISTING);
        CloseHandle(CreateFileA(Marker().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        placed = placed && CopyFileA(stub.c_str(), mmc_.c_str(), FALSE);
    }
    ~StandIns() {
        Restore();
        SetEnvironmentVariableA("VELM_STUB_LOG", nullptr);
        DeleteFileA(log.c_str());
    }
    std::string ByName(const char* name) const { return folder_ + "\\" + name; }
    const std::string& Mmc() const { return mmc_; }
    // Where the stand-in placed as Mmc() is, and so the file that runs for that path: in a 32-bit
    // program on 64-bit Windows the system folder it wrote to is the folder of 32-bit system files.
    std::string MmcRan() const {
        char wow[MAX_PATH] = {};
        BOOL wow64 = FALSE;
        IsWow64Process(GetCurrentProcess(), &wow64);
        if (!wow64 || GetSystemWow64DirectoryA(wow, MAX_PATH) == 0) return mmc_;
        return std::string(wow) + "\\mmc.exe";
    }
    // The lines the stand-ins recorded once there are `count` of them (a start that never
    // arrives ends the wait after a minute, so a broken start fails instead of hanging).
    std::vector<std::string> Lines(size_t count) const {
        std::vector<std::string> lines;
        for (int round = 0; round < 600; ++round) {
            std::string text;
            {
                std::ifstream in(log, std::ios::binary);
                text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            // Whole lines only: a stand-in may be writing its line right now.
            lines.clear();
            for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
                lines.push_back(text.substr(start, end - start));
            if (lines.size() >= count) break;
            ui::DoEvents();
            Sleep(100);
        }
        return lines;
    }
    std::string log;
    bool placed = false;
    static constexpr const char* kByName[] = {"Regedit.exe", "Explorer.exe", "control.exe"};

private:
    static std::string StubPath() {
        std::string path = VELM_RECORDING_STUB;
        for (char& c : path)
            if (c == '/') c = '\\';
        return "Z:" + path;
    }
    std::string Saved() const { return mmc_ + ".velm-saved"; }
    std::string Marker() const { return mmc_ + ".velm-placed"; }
    void Restore() const {
        for (const char* name : kByName) DeleteFileA(ByName(name).c_str());
        if (GetFileAttributesA(Saved().c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExA(Saved().c_str(), mmc_.c_str(), MOVEFILE_REPLACE_EXISTING);
        else if (GetFileAttributesA(Marker().c_str()) != INVALID_FILE_ATTRIBUTES)
            DeleteFileA(mmc_.c_str());
        DeleteFileA(Marker().c_str());
    }
    std::string folder_, mmc_;
};

}  // namespace

TEST_F(Lists, TheValuesMenuFollowsTheLevelAndTheSelectedRow) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    // A text value of no bytes, not even its NUL (here alone: the other tests of the list want
    // room below its last row).
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Alpha", "NoBytes", REG_SZ,
                              nullptr, 0),
              ERROR_SUCCESS);
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
    // Per row: Modify only for text, expandable text and DWORD values (a text of no bytes, not
    // even its NUL, is the empty text); the row without a key is the unnamed (binary) value, not
    // the value named "default".
    struct Case {
        std::string rowKey;
        const char* expected;
    } cases[] = {{"KeyStart", "1111"}, {"KeyExpand", "1111"}, {"KeyMulti", "1101"}, {"KeyBlob", "1101"},
                 {"", "1101"},         {"Keydefault", "1111"}, {"KeyNoBytes", "1111"}};
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

TEST_F(Lists, ARightClickOpensThePopUpWithTheStatesOfTheRowAndTheLevel) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    // The window as large as the screen, so that the values list shows every row and room
    // below them.
    ShowWindow(f.hWnd(), SW_MAXIMIZE);
    ui::DoEvents();
    OpenAlphaKey();
    HWND values = f.lsvSD_entries.hWnd();
    ASSERT_GT(ListView_GetItemCount(values), 1);
    PopupProbe probe;
    // Each right-click selects the row under the mouse, as the list does, and opens the values
    // menu with Modify only for a value it can edit.
    struct Case {
        const char* row;  // "" = below the last row
        std::string selected;
        ShownMenu menu;
    } cases[] = {
        {"Multi", "KeyMulti", {"New:1", "Delete:1", "-", "Modify:0", "Rename:1"}},
        {"Start", "KeyStart", {"New:1", "Delete:1", "-", "Modify:1", "Rename:1"}},
        {"Blob", "KeyBlob", {"New:1", "Delete:1", "-", "Modify:0", "Rename:1"}},
        {"", "<none>", {"New:1", "Delete:1", "-", "Modify:0", "Rename:0"}},
    };
    for (const Case& c : cases) {
        const size_t before = probe.shown.size();
        const POINT pt = RowPoint(values, c.row);
        ASSERT_GE(pt.x, 0) << c.row;
        ClickAt(values, pt, true);
        ui::ListItemPtr row = f.lsvSD_entries.SelectedItem();
        EXPECT_EQ(row ? row->Key() : "<none>", c.selected) << c.row;
        ASSERT_EQ(probe.shown.size(), before + 1) << c.row;
        EXPECT_EQ(probe.shown.back(), c.menu) << c.row;
    }
    // A left click sets the items but opens no menu.
    const size_t before = probe.shown.size();
    ClickAt(values, RowPoint(values, "Start"), false);
    EXPECT_EQ(probe.shown.size(), before);
    EXPECT_TRUE(f.Menus["MNU_SDEntries_Modify"].Enabled());

    // One level up (the Services key itself) nothing of the menu can be chosen.
    Select("Alpha\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services");
    ClickAt(values, RowPoint(values, ""), true);
    ASSERT_EQ(probe.shown.size(), before + 1);
    EXPECT_EQ(probe.shown.back(), (ShownMenu{"New:0", "Delete:0", "-", "Modify:0", "Rename:0"}));

    // The details list's menu offers the copy.
    Select("Alpha");
    HWND details = f.lsvSDDetails.hWnd();
    ClickAt(details, RowPoint(details, "Display Name"), true);
    ASSERT_EQ(probe.shown.size(), before + 2);
    EXPECT_EQ(probe.shown.back(), (ShownMenu{"Copy to clipboard:1"}));
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
    // The service's folder is the system's own: a 32-bit program on 64-bit Windows shows it
    // through the Sysnative alias.
    EXPECT_EQ(started[3].line, "Explorer.exe /e," + FileLookup::NativePath("C:\\windows\\system32"));
    EXPECT_EQ(RegeditLastKey(), "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Alpha");
    EXPECT_EQ(boxes.Prompts(),
              (std::vector<std::string>{"Please select preferred Registry entry first.",
                                        "Please select preferred Registry entry first.",
                                        "Plase select preferred Component from Top-level.",
                                        "Plase select preferred Component from Top-level."}));
}

// Dependencies and Show File path on services whose files stand in different places. The
// prefix's font-cache service names a file that is not there; its image path is taken into a
// fixture service as it stands, beside one on a drive that does not exist, one without an image
// path and the Alpha service, whose file exists.
struct ServiceFiles : Lists {
    // What the file-does-not-exist dialog showed, and the button it was left with.
    struct Seen {
        int opened = 0;
        std::string path, climbed;
        bool notice = false;
    } seen;
    std::string image, farPath;
    std::unique_ptr<RegFixture> hklm, hkcu;

    void SetUp() override {
        Lists::SetUp();
        char path[MAX_PATH] = {};
        DWORD size = sizeof path;
        ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\FontCache3.0.0.0", "ImagePath",
                               RRF_RT_REG_SZ, nullptr, path, &size),
                  ERROR_SUCCESS);
        image = path;
        ASSERT_EQ(GetFileAttributesA(image.c_str()), INVALID_FILE_ATTRIBUTES) << image;
        char drive = 'Q';
        while (drive < 'Z' && (GetLogicalDrives() & (1u << (drive - 'A')))) ++drive;
        farPath = std::string(1, drive) + ":\\VelmLists\\far.exe";
        const std::string machine = std::string(kMachine) +
                                    "[SYSTEM\\CurrentControlSet\\Services\\FontCache3.0.0.0]\n\"ImagePath\"=" +
                                    RegQuoted(image) + "\n[SYSTEM\\CurrentControlSet\\Services\\Far]\n\"ImagePath\"=" +
                                    RegQuoted(farPath) +
                                    "\n[SYSTEM\\CurrentControlSet\\Services\\Bare]\n\"Start\"=dword:00000003\n";
        hklm = std::make_unique<RegFixture>(HKEY_LOCAL_MACHINE, machine);
        hkcu = std::make_unique<RegFixture>(HKEY_CURRENT_USER, OnServices());
        Open();
    }
    void TearDown() override {
        Lists::TearDown();
        hkcu.reset();
        hklm.reset();
    }
    // Chooses the command on the service; the dialog, when it opens, is left with Cancel, or
    // with its climb button and then OK.
    void Run(const char* service, const char* item, bool climbThenOk = false) {
        seen = Seen{};
        started.clear();
        Select(service);
        ui::Defer([this, climbThenOk] {
            auto* dlg = static_cast<dlg_filedoesntexist*>(ui::FindForm("dlg_filedoesntexist"));
            if (!dlg) return;
            ++seen.opened;
            seen.path = dlg->LabelPath.Caption();
            seen.notice = dlg->LabelNotExist.Visible();
            if (climbThenOk) {
                dlg->Command2.DoClick();
                seen.climbed = dlg->LabelPath.Caption();
                dlg->Command14.DoClick();
            } else {
                dlg->Command1.DoClick();
            }
        });
        frmMain().Menus[item].DoClick();
        ui::DoEvents();
    }
};

// The missing font-cache file: the image path was resolved to the nearest existing folder above
// it, which Dependencies shows in the dialog (no notice: the folder is there), and OK opens it in
// Explorer. Show File path opens Explorer at that folder directly.
TEST_F(ServiceFiles, AMissingFileShowsItsNearestFolder) {
    const std::string resolved = frmMain().colSD.Item("FontCache3.0.0.0")->vntImagePathEx;
    ASSERT_GT(resolved.size(), 3u);
    EXPECT_EQ(_strnicmp(resolved.c_str(), image.c_str(), resolved.size()), 0) << resolved;
    ASSERT_NE(GetFileAttributesA(resolved.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << resolved;
    std::string folder = resolved;
    if (folder.back() == '\\') folder.pop_back();
    std::string parent = folder.substr(0, folder.rfind('\\'));
    Run("FontCache3.0.0.0", "MNU_ServicesDevices_Dependencies", true);
    EXPECT_EQ(seen.opened, 1);
    EXPECT_EQ(seen.path, resolved);
    EXPECT_FALSE(seen.notice);
    EXPECT_EQ(seen.climbed, resolved.back() == '\\' ? folder : parent);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].line, "Explorer.exe /e," + seen.climbed);
    EXPECT_FALSE(ui::FindForm("dlg_filedoesntexist"));
    Run("FontCache3.0.0.0", "MNU_ServicesDevices_ShowFilePath");
    EXPECT_EQ(seen.opened, 0);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].line, "Explorer.exe /e," + folder);
}

// A file on a drive that does not exist: both commands open the dialog with the notice,
// Dependencies with the file, Show File path with its folder; Cancel starts nothing.
TEST_F(ServiceFiles, AFileOnAMissingDriveShowsTheNotice) {
    Run("Far", "MNU_ServicesDevices_Dependencies");
    EXPECT_EQ(seen.opened, 1);
    EXPECT_EQ(seen.path, farPath);
    EXPECT_TRUE(seen.notice);
    EXPECT_TRUE(DroskGlobal().Custom2.IsNumber());
    Run("Far", "MNU_ServicesDevices_ShowFilePath");
    EXPECT_EQ(seen.opened, 1);
    EXPECT_EQ(seen.path, farPath.substr(0, farPath.rfind('\\')));
    EXPECT_TRUE(seen.notice);
    EXPECT_TRUE(started.empty());
}

// No image path: the message, no dialog, no start.
TEST_F(ServiceFiles, NoImagePathShowsTheMessage) {
    BoxRecorder boxes;
    Run("Bare", "MNU_ServicesDevices_Dependencies");
    Run("Bare", "MNU_ServicesDevices_ShowFilePath");
    EXPECT_EQ(seen.opened, 0);
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(boxes.boxes.size(), 2u);
    for (const ShownBox& b : boxes.boxes) {
        EXPECT_EQ(b.prompt, "Path not specified in Registry.");
        EXPECT_EQ(b.style, ui::vbInformation);
        EXPECT_EQ(b.title, "Velmora");
    }
}

// An existing file: Dependencies opens the dependency viewer on it, and a second time reuses the
// same window, also after the user closed it.
TEST_F(ServiceFiles, AnExistingFileOpensTheDependencyViewerOnce) {
    Form_Main& f = frmMain();
    const std::string alpha = f.colSD.Item("Alpha")->vntImagePathEx;
    EXPECT_EQ(alpha, "C:\\windows\\system32\\spoolsv.exe");
    Run("Alpha", "MNU_ServicesDevices_Dependencies");
    EXPECT_EQ(seen.opened, 0);
    ASSERT_TRUE(f.objDepends);
    frmDepends* viewer = f.objDepends.get();
    EXPECT_TRUE(viewer->IsLoaded());
    EXPECT_TRUE(IsWindowVisible(viewer->hWnd()));
    EXPECT_EQ(GetWindow(viewer->hWnd(), GW_OWNER), f.hWnd());
    ASSERT_GT(viewer->tvwModules.Nodes.Count(), 0);
    // The viewer opens the file the system names: a 32-bit program on 64-bit Windows reaches it
    // through the system folder's Sysnative alias.
    const std::string opened = FileLookup::NativePath(alpha);
    EXPECT_EQ(_stricmp(viewer->tvwModules.Nodes.Item(1)->Text().c_str(), opened.c_str()), 0)
        << viewer->tvwModules.Nodes.Item(1)->Text();
    SendMessageA(viewer->hWnd(), WM_CLOSE, 0, 0);
    ui::DoEvents();
    Run("Alpha", "MNU_ServicesDevices_Dependencies");
    EXPECT_EQ(f.objDepends.get(), viewer);
    EXPECT_TRUE(viewer->IsLoaded());
    EXPECT_TRUE(IsWindowVisible(viewer->hWnd()));
}

// On 64-bit Windows the 32-bit program shows a service's folder that only the system's own
// System32 holds: the folder is the system's, reached through the Sysnative alias, never "does
// not exist".
TEST_F(Lists, AServicesFolderOnlyTheSystemsOwnSystemFolderHoldsIsShown) {
    if (!FileLookup::IsWow64()) GTEST_SKIP() << "only a 32-bit program on 64-bit Windows has two views of System32";
    const std::string native = FileLookup::NativePath("C:\\windows\\system32\\velm-native-only");
    ASSERT_TRUE(CreateDirectoryA(native.c_str(), nullptr));
    const std::string file = native + "\\svc.exe";
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    {
        RegFixture hklm(HKEY_LOCAL_MACHINE, std::string(kMachine) +
                                                "[SYSTEM\\CurrentControlSet\\Services\\Native]\n\"ImagePath\"=" +
                                                RegQuoted("C:\\windows\\system32\\velm-native-only\\svc.exe") + "\n");
        RegFixture hkcu(HKEY_CURRENT_USER, OnServices());
        Open();
        int dialogs = 0;
        ui::Defer([&] {
            if (auto* dlg = static_cast<dlg_filedoesntexist*>(ui::FindForm("dlg_filedoesntexist"))) {
                ++dialogs;
                dlg->Command1.DoClick();
            }
        });
        Select("Native");
        frmMain().Menus["MNU_ServicesDevices_ShowFilePath"].DoClick();
        ui::DoEvents();
        EXPECT_EQ(dialogs, 0);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].line, "Explorer.exe /e," + native);
    }
    DeleteFileA(file.c_str());
    RemoveDirectoryA(native.c_str());
}

TEST_F(Lists, TheToolsStartTheProgramsTheSystemFindsWithTheirCommandLines) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, OnServices());
    StandIns stubs;
    ASSERT_TRUE(stubs.placed);
    starts.reset();  // the real program start from here on
    Open();
    Form_Main& f = frmMain();
    const std::string root = WinDir();
    // Each line: the file that ran | its show state | its command line.
    f.Menus["MNU_Services_Devices_MMC"].DoClick();
    ASSERT_EQ(stubs.Lines(1).size(), 1u);
    f.Menus["MNU_CMH_FolderOptions"].DoClick();
    ASSERT_EQ(stubs.Lines(2).size(), 2u);
    OpenAlphaKey();
    f.Menus["MNU_ServicesDevices_Regedit"].DoClick();
    ASSERT_EQ(stubs.Lines(3).size(), 3u);
    Select("Alpha");
    f.Menus["MNU_ServicesDevices_ShowFilePath"].DoClick();
    ASSERT_EQ(stubs.Lines(4).size(), 4u);
    // The file-does-not-exist dialog's OK on an existing folder.
    DroskGlobal().Custom2 = Variant(root);
    {
        dlg_filedoesntexist dlg;
        dlg.Load();
        dlg.Command14.DoClick();
    }
    const std::vector<std::string> lines = stubs.Lines(5);
    ASSERT_EQ(lines.size(), 5u);
    const std::vector<std::string> expected = {
        stubs.MmcRan() + "|1|" + root + "\\system32\\mmc.exe " + root + "\\system32\\services.msc",
        stubs.ByName("control.exe") + "|3|control.exe folders",
        stubs.ByName("Regedit.exe") + "|1|Regedit.exe",
        stubs.ByName("Explorer.exe") + "|1|Explorer.exe /e," + FileLookup::NativePath("C:\\windows\\system32"),
        stubs.ByName("Explorer.exe") + "|1|Explorer.exe /e," + root,
    };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(_stricmp(lines[i].c_str(), expected[i].c_str()), 0) << lines[i] << "\n" << expected[i];
    EXPECT_EQ(RegeditLastKey(), "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Alpha");
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

TEST_F(Lists, TheOwnEntrysExitAndConfigureQuestionHasAnEmptyCaption) {
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    RegFixture hklm(HKEY_LOCAL_MACHINE, "[SYSTEM\\CurrentControlSet\\Services]\n[" + uninstall +
                                            "Own]\n\"DisplayName\"=\"VELMORA 1.2\"\n"
                                            "\"UninstallString\"=\"C:\\\\own\\\\unwise.exe\"\n");
    RegFixture hkcu(HKEY_CURRENT_USER, StartsOn(0));
    Open();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.ShownTab(), Tab::US);
    ASSERT_TRUE(f.lsvUS.ListItems.Exists("Key_Own"));
    f.lsvUS.SetSelectedItem(f.lsvUS.ListItems.Item("Key_Own"));
    BoxRecorder boxes(ui::vbNo);
    f.MNU_UninstClean_Uninstall_Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Really exit and configure Velmora now?");
    EXPECT_EQ(boxes.boxes[0].style, 20);
    EXPECT_EQ(boxes.boxes[0].title, "");
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(f.IsLoaded());
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

namespace {

// A file type and a component of the classes' hive for the menu keys' test.
const char* kMenuKeysClasses = R"(
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C3}]
@="Menu keys class"
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C3}\InprocServer32]
@="C:\\windows\\system32\\ole32.dll"
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C3}\ProgID]
@="Velm.MenuKeys.1"
[Velm.MenuKeys.1]
@="Menu keys"
[TypeLib]
[AppID]
[.velmkeys]
@="velmkeys_file"
[velmkeys_file]
"Text"="x"
[velmkeys_file\shell\open\command]
@="notepad.exe %1"
)";

}  // namespace

// Shift+F10 and the Menu key, pressed on each tab's trees and lists, open the pop-up menu that a
// right-click on the selected node or row opens, with the same items in the same states, at that
// node or row; with no row selected, the menu a right-click beside the rows opens.
TEST_F(Lists, TheMenuKeysOpenTheMenuOfARightClickOnTheSelectedItemThere) {
    const std::string uninstall = "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmFx Keys]\n"
                                  "\"DisplayName\"=\"VelmFx Keys\"\n\"UninstallString\"=\"C:\\\\nothere\\\\x.exe\"\n";
    RegFixture hkcr(HKEY_CLASSES_ROOT, kMenuKeysClasses);
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine + uninstall), hkcu(HKEY_CURRENT_USER, OnServices());
    Open();
    Form_Main& f = frmMain();
    // As large as the screen, so that the values lists show room below their rows.
    ShowWindow(f.hWnd(), SW_MAXIMIZE);
    ui::DoEvents();
    const std::string classNode = "DLLServer\\{0E0E0E0E-0000-4000-8000-0000000000C3}";
    auto selectNode = [](ui::TreeView& tree, const std::string& key) {
        // A tab's first visit fills its tree from the message loop.
        for (int i = 0; i < 3000 && !tree.Nodes.Exists(key); ++i) {
            ui::DoEvents();
            Sleep(10);
        }
        ASSERT_TRUE(ClickNode(tree, key)) << key;
    };
    auto selectRow = [](ui::ListView& list, const std::string& text) {
        list.SetSelectedItem(nullptr);
        for (auto& row : list.ListItems)
            if (row->Text() == text) list.SetSelectedItem(row);
    };
    struct Case {
        const char* what;
        Tab tab;
        ui::ItemsControl& control;
        std::function<void()> select;
    } cases[] = {
        {"services tree", Tab::SD, f.tvwSD, [&] { selectNode(f.tvwSD, "Alpha"); }},
        {"services details", Tab::SD, f.lsvSDDetails, [&] { selectRow(f.lsvSDDetails, "Display Name"); }},
        {"services values", Tab::SD, f.lsvSD_entries,
         [&] {
             OpenAlphaKey();
             selectRow(f.lsvSD_entries, "Start");
         }},
        {"services values, no row", Tab::SD, f.lsvSD_entries, [&] { selectRow(f.lsvSD_entries, ""); }},
        {"uninstall list", Tab::US, f.lsvUS, [&] { selectRow(f.lsvUS, "VelmFx Keys"); }},
        {"uninstall list, no row", Tab::US, f.lsvUS, [&] { selectRow(f.lsvUS, ""); }},
        {"file types tree", Tab::CMH, f.tvwCMH, [&] { selectNode(f.tvwCMH, "File_Type_.velmkeys"); }},
        {"file types values", Tab::CMH, f.lsvCMH_entries,
         [&] {
             f.tvwCMH_DblClick();
             selectNode(f.tvwCMH, "File_Type_.velmkeys\\HKEY_CLASSES_ROOT\\velmkeys_file");
             selectRow(f.lsvCMH_entries, "Text");
         }},
        {"components tree", Tab::RegComp, f.tvwRegComp, [&] { selectNode(f.tvwRegComp, classNode); }},
        {"components details", Tab::RegComp, f.lsvRegCompDetails,
         [&] { selectRow(f.lsvRegCompDetails, f.lsvRegCompDetails.ListItems.Item(1)->Text()); }},
        {"components values", Tab::RegComp, f.lsvRegComp_entries,
         [&] {
             f.tvwRegComp_DblClick();
             selectNode(f.tvwRegComp, classNode + "\\HKEY_CLASSES_ROOT\\CLSID\\{0E0E0E0E-0000-4000-8000-0000000000C3}");
             selectRow(f.lsvRegComp_entries, "Default");
         }},
    };
    PopupProbe probe;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (f.ShownTab() != c.tab) f.SelectTab(c.tab);
        ui::DoEvents();
        c.select();
        if (HasFatalFailure()) return;
        const HWND h = c.control.hWnd();
        ASSERT_EQ(OpenMenuOf(probe, h, MenuWay::RightClick), 1u);
        const ShownMenu clicked = probe.shown.back();
        EXPECT_GT(clicked.size(), 0u);
        for (MenuWay way : {MenuWay::ShiftF10, MenuWay::MenuKey}) {
            SCOPED_TRACE(NameOf(way));
            c.select();
            ASSERT_EQ(OpenMenuOf(probe, h, way), 1u);
            EXPECT_EQ(probe.shown.back(), clicked);
            POINT expected{0, 0};
            if (std::optional<POINT> item = SelectedItemOnScreen(h)) expected = *item;
            else ClientToScreen(h, &expected);
            const RECT& menu = probe.at.back();
            EXPECT_TRUE(OpensAt(menu, expected)) << "menu at " << menu.left << "," << menu.top << "-" << menu.right
                                                 << "," << menu.bottom << ", expected at " << expected.x << ","
                                                 << expected.y;
            EXPECT_EQ(GetFocus(), h) << "the focus stays on the control";
        }
    }
}
