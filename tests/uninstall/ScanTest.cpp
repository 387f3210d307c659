// The uninstall scan end to end over fixture entries of the overridden HKEY_LOCAL_MACHINE:
// which entries are listed and with what, the cache comparison, the icons, the second scan
// from the cache, a cancelled scan, and an entry's values list.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/Register_UninstClean.h"
#include "base/FileLookup.h"
#include "base/TextCase.h"
#include "tests/support/RegFixture.h"
#include "tests/uninstall/UninstallFixture.h"
#include "ui/ui.h"
#include "uninstall/Tab_UninstClean.h"

using namespace Tab_UninstClean;

namespace {

const std::string kUninstall = std::string(cstrUninstallKey) + "\\";

class ScanForm : public ui::Form {
public:
    ScanForm() : Form("frmUninstallScanTest", {.caption = "Uninstall scan test", .width = 9000, .height = 7000}) {}
    ui::ListView lsvUS;
    ui::TextBox lsvUSInfo;
    ui::ImageList imlUS{16, 16};
    ui::PictureBox pixSmall, pixDummy;
    ui::StatusBar stb1;

protected:
    void Form_Load() override {
        lsvUS.Create(*this, 0, 0, 8000, 4000);
        lsvUS.ColumnHeaders.Add("Application Name", 3600);
        lsvUS.ColumnHeaders.Add("Uninstall string", 4200);
        lsvUS.SetSmallIcons(&imlUS);
        lsvUSInfo.Create(*this, 0, 4100, 8000, 1200, true, true);
        pixSmall.Create(*this, 0, 5400, 240, 240);
        pixDummy.Create(*this, 300, 5400, 240, 240);
        stb1.Create(*this);
        stb1.AddPanel("", 0);
    }
};

ScanForm& Form() {
    static ScanForm form;
    if (!form.IsLoaded()) form.Show();
    return form;
}

// Entries of the fixture and the application folders they point at.
class Scan : public ::testing::Test {
protected:
    void SetUp() override {
        fx::Copy(fx::IconExe(), scan / "unins000.exe");
        fx::Copy(fx::IconExe(), scan / "VelmFx Scan.exe");
        fx::Copy(fx::IconlessPe(), plain / "Plainly Other.exe");
        fx::WriteText(plain / "unins.log");
        const std::string longName = "A" + std::string(119, 'x');  // 120 characters
        std::string text = fx::ShellFoldersHklm("C:\\velmfx-scan-menus\\common");
        auto entry = [&](const std::string& key, const std::string& values) {
            text += "[" + kUninstall + key + "]\n" + values;
        };
        entry("VelmFx Upper", "\"DisplayName\"=\"VelmFx Scan\"\n\"UNINSTALLSTRING\"=" +
                                  RegQuoted(scan / "unins000.exe") + "\n\"DisplayIcon\"=" +
                                  RegQuoted(scan / "VelmFx Scan.exe,0") + "\n\"Comments\"=" +
                                  RegQuoted(std::string(2000, 'c')) + "\n\"ZLast\"=dword:0000002a\n");
        entry("VelmFx NoCommand", "\"DisplayName\"=\"VelmFx NoCommand\"\n");
        entry(longName, "\"UninstallString\"=\"long /x\"\n");
        entry("Nameless Entry", "\"UninstallString\"=\"noname /x\"\n");
        entry("VelmFx Msi", "\"DisplayName\"=\"VelmFx Msi Product\"\n"
                            "\"UninstallString\"=\"MsiExec.exe /X{1A2B3C4D-0000-4000-8000-00000000B001}\"\n"
                            "\"ModifyPath\"=\"MsiExec.exe /I{1A2B3C4D-0000-4000-8000-00000000B001}\"\n");
        entry("VelmFx Plain", "\"DisplayName\"=\"Plainly Other\"\n\"UninstallString\"=" +
                                  RegQuoted("C:\\windows\\unins.exe " + plain / "unins.log") + "\n");
        entry("VelmFx Loc", "\"DisplayName\"=\"VelmFx Loc\"\n\"UninstallString\"=\"x\"\n\"InstallLocation\"=" +
                                RegQuoted(scan.Path()) + "\n");
        entry("VelmFx LocGone", "\"DisplayName\"=\"VelmFx LocGone\"\n\"UninstallString\"=\"x\"\n"
                                "\"InstallPath\"=\"C:\\\\Program Files\\\\VelmFx Gone\\\\sub\"\n");
        entry("zz after the long name", "\"UninstallString\"=\"after /x\"\n");
        // Display names that name nothing, and a folder of many applications as install location.
        entry("VelmFx EmptyName", "\"DisplayName\"=\"\"\n\"UninstallString\"=\"empty /x\"\n");
        entry("VelmFx BlankName", "\"DisplayName\"=\"   \"\n\"UninstallString\"=\"blank /x\"\n");
        entry("VelmFx RootLoc", "\"DisplayName\"=\"VelmFx RootLoc\"\n\"UninstallString\"=" +
                                    RegQuoted("\"" + scan / "unins000.exe\" /S") + "\n\"InstallLocation\"=" +
                                    RegQuoted("C:\\Program Files\\") + "\n");
        hklm = std::make_unique<RegFixture>(HKEY_LOCAL_MACHINE, text);
        hkcu = std::make_unique<RegFixture>(
            HKEY_CURRENT_USER, fx::ShellFoldersHkcu("C:\\velmfx-scan-menus\\user", "C:\\velmfx-scan-menus\\desk"));
        fx::MakeFolders("C:\\velmfx-scan-menus\\common");
        fx::MakeFolders("C:\\velmfx-scan-menus\\desk");
        fx::MakeLink("C:\\velmfx-scan-menus\\user\\VelmFx Scan\\VelmFx Scan.lnk", scan / "VelmFx Scan.exe");
        auto& f = Form();
        f.imlUS.Clear();
        f.imlUS.Add("Computer", LoadIconA(nullptr, IDI_APPLICATION));
    }
    void TearDown() override {
        hklm.reset();
        hkcu.reset();
        fx::RemoveTree("C:\\velmfx-scan-menus");
    }
    void Refresh(bool cancel = false) {
        auto& f = Form();
        // A new scan starts with a fresh image list, as the main window resets it.
        f.imlUS.Clear();
        f.imlUS.Add("Computer", LoadIconA(nullptr, IDI_APPLICATION));
        US_Refresh(f.lsvUS, col, targets, f.imlUS, f.pixSmall, f.pixDummy, f.stb1, cancel);
    }
    std::string SmallIconOf(const std::string& key) {
        auto row = Form().lsvUS.ListItems.Find("Key_" + key);
        return row ? row->SmallIcon().key : "<no row>";
    }

    fx::ProgramFolder scan{"VelmFx Scan"};
    fx::ProgramFolder plain{"VelmFx Plain"};
    std::unique_ptr<RegFixture> hklm, hkcu;
    colUS col;
    colStartMenuTargets targets;
};

TEST_F(Scan, ListsEveryEntryWithAnUninstallCommandAndFindsItsFolder) {
    const long walks = StartMenuWalks();
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 1);  // once, however many entries needed analysis

    const std::string longName = "A" + std::string(119, 'x');
    for (const char* key : {"VelmFx Upper", "Nameless Entry", "VelmFx Msi", "VelmFx Plain", "VelmFx Loc",
                            "VelmFx LocGone", "zz after the long name"})
        EXPECT_TRUE(col.Exists(key)) << key;
    EXPECT_TRUE(col.Exists(longName));
    EXPECT_FALSE(col.Exists("VelmFx NoCommand"));
    EXPECT_EQ(Form().lsvUS.ListItems.Count(), col.Count());

    auto upper = col.Item("VelmFx Upper");
    EXPECT_EQ(upper->strDisplayName, "VelmFx Scan");
    EXPECT_EQ(upper->strUninstallString, scan / "unins000.exe");
    EXPECT_EQ(upper->strAppPath, scan.Path());
    EXPECT_TRUE(TextCase::Equal(upper->strDefaultExecutable, scan / "VelmFx Scan.exe"));
    EXPECT_TRUE(upper->blnDefaultExecutableVerified);  // the shortcut is named like the entry
    EXPECT_EQ(Form().lsvUS.ListItems.Item("Key_VelmFx Upper")->SubItem(1), upper->strUninstallString);

    EXPECT_EQ(col.Item("Nameless Entry")->strDisplayName, "Nameless Entry");
    EXPECT_TRUE(col.Item("VelmFx Msi")->blnIsInstaller);
    EXPECT_EQ(col.Item("VelmFx Plain")->strAppPath, plain.Path());
    EXPECT_EQ(col.Item("VelmFx Loc")->strAppPath, scan.Path());
    // An install location gone with its folder above: no folder, and nothing verified.
    auto gone = col.Item("VelmFx LocGone");
    EXPECT_EQ(gone->strAppPath, "");
    EXPECT_FALSE(gone->blnGenerallyVerified);
    // Program Files as install location is none: the uninstaller's folder is the entry's.
    auto rooted = col.Item("VelmFx RootLoc");
    EXPECT_EQ(rooted->strInstallLocation_ReadFromRegistry, "");
    EXPECT_EQ(rooted->strAppPath, scan.Path());
    EXPECT_TRUE(rooted->blnGenerallyVerified);
    // Empty and blank display names are none: the sub-key's name, in the list and in the cache.
    for (const char* key : {"VelmFx EmptyName", "VelmFx BlankName"}) {
        EXPECT_EQ(col.Item(key)->strDisplayName, key);
        EXPECT_EQ(Form().lsvUS.ListItems.Item(std::string("Key_") + key)->Text(), key);
    }
    Register_UninstClean::Save_UninstCleanSettings(col);
    EXPECT_NE(ReadText(HKEY_LOCAL_MACHINE, cstrCacheKey, "VelmFx EmptyName"), "<none>");
    EXPECT_NE(ReadText(HKEY_LOCAL_MACHINE, cstrCacheKey, "VelmFx BlankName"), "<none>");
    // No folder, as versions that read three fields read it, and what the analysis looked at.
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cstrCacheKey, "VelmFx LocGone").substr(0, 16), "<:> <:>0<:>none:");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cstrCacheKey, ""), "<none>");
    // "MsiExec.exe /X{...}" never becomes a folder.
    EXPECT_EQ(col.Item("VelmFx Msi")->strAppPath, "");

    // Icons: the running number of the entry for an executable with an icon, else "Computer".
    long n = 0, upperNumber = 0;
    for (const auto& e : col) {
        ++n;
        if (e->Key == "VelmFx Upper") upperNumber = n;
    }
    EXPECT_EQ(SmallIconOf("VelmFx Upper"), "Key_" + std::to_string(upperNumber));
    EXPECT_EQ(SmallIconOf("VelmFx Plain"), "Computer");  // its executable search found no icon
    EXPECT_EQ(SmallIconOf("Nameless Entry"), "Computer");
}

TEST_F(Scan, SecondScanTakesTheCacheWithoutWalkingTheStartMenus) {
    // The entry whose folder is gone included: its "nothing found" is remembered as well.
    Refresh();
    std::vector<std::string> first;
    for (const auto& e : col) first.push_back(e->Key + "|" + e->strAppPath + "|" + e->strDefaultExecutable);
    std::vector<std::string> icons;
    for (const auto& row : Form().lsvUS.ListItems) icons.push_back(row->SmallIcon().key);

    Register_UninstClean::Save_UninstCleanSettings(col);
    const long walks = StartMenuWalks();
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks);
    std::vector<std::string> second;
    for (const auto& e : col) second.push_back(e->Key + "|" + e->strAppPath + "|" + e->strDefaultExecutable);
    std::vector<std::string> icons2;
    for (const auto& row : Form().lsvUS.ListItems) icons2.push_back(row->SmallIcon().key);
    // The executable the cache could not confirm as a file is kept as the cache's blank.
    for (auto& s : first) s = s.substr(0, s.rfind('|') + 1);
    for (auto& s : second) s = s.substr(0, s.rfind('|') + 1);
    EXPECT_EQ(second, first);
    EXPECT_EQ(icons2, icons);
    EXPECT_TRUE(TextCase::Equal(col.Item("VelmFx Upper")->strDefaultExecutable, scan / "VelmFx Scan.exe"));
    EXPECT_EQ(col.Item("VelmFx LocGone")->strAppPath, "");

    // A cancelled scan still lists every row; entries take what the cache holds.
    Refresh(true);
    EXPECT_EQ(Form().lsvUS.ListItems.Count(), col.Count());
    EXPECT_EQ(col.Item("VelmFx Upper")->strAppPath, scan.Path());
    EXPECT_EQ(StartMenuWalks(), walks);

    // What the remembered analysis looked at has changed: the folder came back, or the entry's
    // values changed. The entry is analysed again (and only then are the menus walked).
    const std::string back = "C:\\Program Files\\VelmFx Gone\\sub";
    fx::MakeFolders(back);
    Register_UninstClean::Save_UninstCleanSettings(col);
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 1);
    EXPECT_EQ(col.Item("VelmFx LocGone")->strAppPath, back);
    // Gone again: the scan that finds the cached folder gone walks the menus; the ones after it
    // take its "nothing found".
    Register_UninstClean::Save_UninstCleanSettings(col);
    fx::RemoveTree("C:\\Program Files\\VelmFx Gone");
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 2);
    Register_UninstClean::Save_UninstCleanSettings(col);
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 2);
    EXPECT_EQ(col.Item("VelmFx LocGone")->strAppPath, "");
    HKEY entry = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstall + "VelmFx LocGone").c_str(), 0, KEY_SET_VALUE, &entry), 0);
    RegSetValueExA(entry, "Publisher", 0, REG_SZ, reinterpret_cast<const BYTE*>("VelmFx"), 7);
    RegCloseKey(entry);
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 3);

    // The three fields an older version writes remember no analysis: the entry is analysed once
    // more, and from then on its answer is remembered.
    Register_UninstClean::Save_UninstCleanSettings(col);
    const std::string older = "<:> <:>0";
    HKEY cache = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, cstrCacheKey, 0, KEY_SET_VALUE, &cache), 0);
    RegSetValueExA(cache, "VelmFx LocGone", 0, REG_SZ, reinterpret_cast<const BYTE*>(older.c_str()),
                   static_cast<DWORD>(older.size() + 1));
    RegCloseKey(cache);
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 4);
    Register_UninstClean::Save_UninstCleanSettings(col);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, cstrCacheKey, "VelmFx LocGone").substr(0, 16), older + "<:>none:");
    Refresh();
    EXPECT_EQ(StartMenuWalks(), walks + 4);
    EXPECT_EQ(col.Item("VelmFx LocGone")->strAppPath, "");
}

TEST_F(Scan, ARowOutOfViewGetsItsIconWhenItIsFirstShown) {
    auto& f = Form();
    RECT was{};
    GetWindowRect(f.lsvUS.hWnd(), &was);
    // A list two rows high: the entry with an icon sorts near the end, out of view.
    struct Restore {
        HWND h;
        RECT r;
        ~Restore() { SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER); }
    } restore{f.lsvUS.hWnd(), was};
    SetWindowPos(f.lsvUS.hWnd(), nullptr, 0, 0, was.right - was.left, 64, SWP_NOMOVE | SWP_NOZORDER);
    Refresh();
    auto row = f.lsvUS.ListItems.Item("Key_VelmFx Upper");
    ASSERT_GT(row->Index() - 1, ListView_GetTopIndex(f.lsvUS.hWnd()) + ListView_GetCountPerPage(f.lsvUS.hWnd()));
    EXPECT_EQ(row->SmallIcon().key, "");  // not drawn yet
    row->EnsureVisible();
    UpdateWindow(f.lsvUS.hWnd());
    EXPECT_EQ(row->SmallIcon().key.rfind("Key_", 0), 0u);
    EXPECT_TRUE(f.imlUS.Exists(row->SmallIcon().key));
}

TEST_F(Scan, CacheRecordsConfirmOrLeaveTheEntryToAnalysis) {
    const std::string exe = scan / "VelmFx Scan.exe";
    const std::string folder = scan.Path();
    struct Case {
        const char* name;
        std::string data;  // "" = no value
        bool confirmed;
        bool verifiedAfter;
    } cases[] = {
        {"blank exe", folder + "<:> <:>1", true, true},
        {"empty exe", folder + "<:><:>1", false, true},
        {"empty folder", "<:><:>1", true, true},
        {"flag 0", folder + "<:>" + exe + "<:>0", false, false},
        {"flag abc", folder + "<:>" + exe + "<:>abc", false, false},
        {"exe present", folder + "<:>" + exe + "<:>1", true, true},
        {"exe gone", folder + "<:>" + folder + "\\gone.exe<:>1", false, true},
        {"exe a folder", folder + "<:>" + folder + "<:>1", false, true},
        {"missing", "", false, false},
    };
    std::string text = "[" + std::string(cstrCacheKey) + "]\n";
    for (const auto& c : cases)
        if (!c.data.empty()) text += RegQuoted(c.name) + "=" + RegQuoted(c.data) + "\n";
    hklm->Load(text);
    for (const auto& c : cases) {
        clsUS e;
        e.strDisplayName = c.name;
        EXPECT_EQ(checkAppAgainstCache(e), c.confirmed) << c.name;
        EXPECT_EQ(e.blnGenerallyVerified, c.verifiedAfter) << c.name;
    }
    clsUS blank;
    blank.strDisplayName = "blank exe";
    checkAppAgainstCache(blank);
    EXPECT_EQ(blank.strAppPath, folder);
    EXPECT_EQ(blank.strDefaultExecutable, " ");
}

// Entries whose command, icon and location are 100,000 characters of each hostile shape: the
// scan lists every one (with the "Computer" picture) and goes on to the entries after them.
TEST_F(Scan, HostilePathsAreListedAndPassedOver) {
    const size_t length = 100000;
    auto fill = [length](std::string head, const std::string& unit) {
        while (head.size() < length) head += unit;
        return head;
    };
    const std::pair<const char*, std::string> shapes[] = {
        {"Backslashes", std::string(length, '\\')},
        {"Drive", fill("C:", "\\")},
        {"Percents", fill("%", "%SystemRoot%\\a%")},
        {"Leading", fill("\\", "x\\")},
        {"Relative", fill("Program Files\\", "x\\")},
        {"Plain", std::string(length, 'x')},
        {"Colons", fill("C:\\x", " C:\\y")},
        {"Arguments", fill(scan / "unins000.exe ", "/x ")},
    };
    std::string text;
    for (const auto& [name, value] : shapes) {
        const std::string q = RegQuoted(value);
        text += "[" + kUninstall + "VelmFx Hostile " + name + "]\n\"DisplayName\"=\"Quux Hostile\"\n"
                "\"UninstallString\"=" + q + "\n\"DisplayIcon\"=" + q + "\n";
        text += "[" + kUninstall + "VelmFx Located " + name + "]\n\"UninstallString\"=\"x\"\n"
                "\"InstallLocation\"=" + q + "\n";
    }
    hklm->Load(text);
    Refresh();
    for (const auto& [name, value] : shapes) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(col.Exists(std::string("VelmFx Hostile ") + name));
        EXPECT_TRUE(col.Exists(std::string("VelmFx Located ") + name));
        EXPECT_EQ(col.Item(std::string("VelmFx Hostile ") + name)->strUninstallString, value);
        if (std::string(name) != "Arguments") {
            EXPECT_EQ(SmallIconOf(std::string("VelmFx Hostile ") + name), "Computer");
        }
    }
    EXPECT_TRUE(col.Exists("zz after the long name"));
    EXPECT_EQ(Form().lsvUS.ListItems.Count(), col.Count());
    // The values box shows the beginning of each such value with its length, and all values.
    US_RefreshListbox(Form().lsvUSInfo, *col.Item("VelmFx Hostile Plain"));
    const std::string shown = Form().lsvUSInfo.Text();
    for (const char* name : {"UninstallString: ", "DisplayIcon: "})
        EXPECT_NE(shown.find(name + std::string(2048, 'x') + " ... (100000 characters)\r\n"), std::string::npos) << name;
    EXPECT_NE(shown.find("DisplayName: Quux Hostile\r\n"), std::string::npos);
    EXPECT_LT(shown.size(), 5000u);
}

TEST_F(Scan, ValuesListGoesOnPastALongValue) {
    clsUS e;
    e.Key = "VelmFx Upper";
    US_RefreshListbox(Form().lsvUSInfo, e);
    const std::string text = Form().lsvUSInfo.Text();
    EXPECT_NE(text.find("DisplayName: VelmFx Scan\r\n"), std::string::npos);
    EXPECT_NE(text.find("Comments: " + std::string(2000, 'c') + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("ZLast: 42\r\n"), std::string::npos);
    clsUS missing;
    missing.Key = "VelmFx Nothing Here";
    US_RefreshListbox(Form().lsvUSInfo, missing);
    EXPECT_EQ(Form().lsvUSInfo.Text(), "");
}

}  // namespace

namespace {

// An entry under one key name in each of HKEY_LOCAL_MACHINE's registry views of the prefix's
// real registry, with different data, and one in HKEY_CURRENT_USER.
struct ViewEntries {
    static constexpr const char* kName = "VelmFx Views";
    ViewEntries() {
        Put(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "\"DisplayName\"=\"VelmFx Views\"\n\"UninstallString\"=\"sixty-four /x\"\n");
        Put(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "\"DisplayName\"=\"VelmFx Views\"\n\"UninstallString\"=\"thirty-two /x\"\n");
        Put(HKEY_CURRENT_USER, 0, "\"DisplayName\"=\"VelmFx Views\"\n\"UninstallString\"=\"user /x\"\n");
    }
    ~ViewEntries() {
        for (auto [root, view] : {std::pair{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, std::pair{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                                  std::pair{HKEY_CURRENT_USER, 0}})
            if (HKEY k = Uninstall(root, static_cast<REGSAM>(view))) {
                RegDeleteTreeA(k, kName);
                RegCloseKey(k);
            }
    }
    static HKEY Uninstall(HKEY root, REGSAM view) {
        HKEY k = nullptr;
        RegCreateKeyExA(root, cstrUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &k, nullptr);
        return k;
    }
    static void Put(HKEY root, REGSAM view, const std::string& values) {
        HKEY k = Uninstall(root, view);
        ASSERT_TRUE(k);
        LoadRegText(k, "[" + std::string(kName) + "]\n" + values);
        RegCloseKey(k);
    }
    static bool Exists(HKEY root, REGSAM view) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, (kUninstall + kName).c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
};

}  // namespace

TEST(UninstallViews, EachRowReadsShowsAndDeletesTheKeyOfItsOwnRegistryView) {
    ViewEntries views;
    colUS col;
    US_FillListFromRegisty(col);
    const std::string name = ViewEntries::kName;
    ASSERT_TRUE(col.Exists(name));
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 4 && !wow64) {
        // 32-bit Windows has one view of HKEY_LOCAL_MACHINE: both writes reached the same key,
        // the later one holds, and the machine's row is that key's, listed once.
        EXPECT_FALSE(col.Exists("WOW6432Node\\" + name));
        ASSERT_TRUE(col.Exists("HKCU\\" + name));
        auto machine = col.Item(name), user = col.Item("HKCU\\" + name);
        EXPECT_EQ(machine->strUninstallString, "thirty-two /x");
        EXPECT_EQ(CacheValueName(*machine), name);
        EXPECT_EQ(CacheValueName(*user), name + " [HKCU]");
        EXPECT_EQ(RegeditPathOf(*machine), "HKEY_LOCAL_MACHINE\\" + kUninstall + name);
        US_RefreshListbox(Form().lsvUSInfo, *machine);
        EXPECT_NE(Form().lsvUSInfo.Text().find("UninstallString: thirty-two /x"), std::string::npos);
        EXPECT_EQ(DeleteEntryKey(*machine), 0);
        EXPECT_FALSE(ViewEntries::Exists(HKEY_LOCAL_MACHINE, 0));
        EXPECT_TRUE(ViewEntries::Exists(HKEY_CURRENT_USER, 0));
        return;
    }
    ASSERT_TRUE(col.Exists("WOW6432Node\\" + name));
    ASSERT_TRUE(col.Exists("HKCU\\" + name));
    auto m64 = col.Item(name), m32 = col.Item("WOW6432Node\\" + name), user = col.Item("HKCU\\" + name);
    EXPECT_EQ(m64->strUninstallString, "sixty-four /x");
    EXPECT_EQ(m32->strUninstallString, "thirty-two /x");
    EXPECT_EQ(user->strUninstallString, "user /x");
    // The cache tells the rows apart by their value names.
    EXPECT_EQ(CacheValueName(*m64), name);
    EXPECT_EQ(CacheValueName(*m32), name + " [WOW6432Node]");
    EXPECT_EQ(CacheValueName(*user), name + " [HKCU]");
    EXPECT_EQ(RegeditPathOf(*m32), "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name);
    EXPECT_EQ(RegeditPathOf(*user), "HKEY_CURRENT_USER\\" + kUninstall + name);

    // The values list shows each row's own key.
    for (const auto& [entry, command] : {std::pair{m64, "sixty-four /x"}, std::pair{m32, "thirty-two /x"},
                                         std::pair{user, "user /x"}}) {
        US_RefreshListbox(Form().lsvUSInfo, *entry);
        EXPECT_NE(Form().lsvUSInfo.Text().find(std::string("UninstallString: ") + command), std::string::npos)
            << entry->Key << ": " << Form().lsvUSInfo.Text();
    }

    // Deleting the 32-bit row's key leaves the others.
    EXPECT_EQ(DeleteEntryKey(*m32), 0);
    EXPECT_FALSE(ViewEntries::Exists(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY));
    EXPECT_TRUE(ViewEntries::Exists(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
    EXPECT_TRUE(ViewEntries::Exists(HKEY_CURRENT_USER, 0));
    HKEY k = nullptr;
    EXPECT_EQ(OpenEntryKey(*m32, k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenEntryKey(*user, k), 0);
    RegCloseKey(k);

    // Alike in both views: listed once.
    ViewEntries::Put(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "\"DisplayName\"=\"VelmFx Views\"\n\"UninstallString\"=\"sixty-four /x\"\n");
    colUS again;
    US_FillListFromRegisty(again);
    EXPECT_TRUE(again.Exists(name));
    EXPECT_FALSE(again.Exists("WOW6432Node\\" + name));
}

TEST(UninstallViews, AFolderOfTheSystemsOwnSystemFolderIsTheEntrysFolderInEitherBuild) {
    // A folder in the system folder as the system itself sees it, named by an entry of the
    // machine's 64-bit view. A 32-bit program on 64-bit Windows sees another system folder,
    // where this folder is not: it reaches it through "Sysnative".
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string folder = std::string(system) + "\\VelmFx Native Only";
    const std::string reached = FileLookup::NativePath(folder);
    fx::MakeFolders(reached);
    const char* kName = "VelmFx Native Only";
    HKEY uninstall = ViewEntries::Uninstall(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    ASSERT_TRUE(uninstall);
    LoadRegText(uninstall, "[" + std::string(kName) + "]\n\"DisplayName\"=\"VelmFx Native Only\"\n"
                           "\"UninstallString\"=\"native /x\"\n\"InstallLocation\"=" + RegQuoted(folder) + "\n");
    auto& f = Form();
    colUS col;
    colStartMenuTargets targets;
    US_Refresh(f.lsvUS, col, targets, f.imlUS, f.pixSmall, f.pixDummy, f.stb1, false);
    RegDeleteTreeA(uninstall, kName);
    RegCloseKey(uninstall);
    fx::RemoveTree(reached);

    ASSERT_TRUE(col.Exists(kName));
    auto entry = col.Item(kName);
    EXPECT_EQ(entry->strAppPath, reached);
    EXPECT_TRUE(entry->blnGenerallyVerified);
    if (FileLookup::IsWow64()) {
        EXPECT_NE(reached, folder);
    }
}
