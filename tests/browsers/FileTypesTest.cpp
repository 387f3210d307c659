// The file-types tab: the icon location of a type, the file lookup on the search path, the
// registry sub-trees of the prefix's .ini and of fixtures, the values list, the edits and the search.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/TextCase.h"
#include "browsers/Tab_CMH.h"
#include "image/QV_IconsAndResources.h"
#include "registry/colQVRegistry.h"
#include "tests/support/RegistryTabWindow.h"
#include "tests/support/ListPixels.h"
#include "tests/support/RegFixture.h"
#include "ui/RegistryValuesList.h"

using namespace Tab_CMH;

namespace {

std::string Windows() {
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    return buf;
}

// Adds a root node and record for one extension as the scan does.
ui::Node& AddType(RegistryTabWindow& w, colCMH& col, const std::string& ext, const std::string& type) {
    auto rec = col.Add(ext, ext);
    rec->vntFileType = ext.substr(1);
    rec->vntDefault = type;
    return *w.tvw.Nodes.Add("", ui::tvwLast, NodePrefix + ext, ext, "Unknown", "Unknown");
}

}  // namespace

TEST(FileTypesFiles, IconLocations) {
    struct Case {
        const char* text;
        const char* location;
        long index;
        bool resource;
    };
    const Case cases[] = {
        {"C:\\windows\\hh.exe,0", "C:\\windows\\hh.exe", 0, false},
        {"%SystemRoot%\\system32\\shell32.dll,-152", "%SystemRoot%\\system32\\shell32.dll", 152, true},
        {"\"C:\\a b\\x.exe\",3", "C:\\a b\\x.exe", 3, false},
        {"x.dll, 3", "x.dll", 3, false},
        {"x.dll,abc", "x.dll", 0, false},
        {"\"C:\\windows\\system32\\notepad.exe\" \"%1\"", "C:\\windows\\system32\\notepad.exe ", 1, false},
        {"%1", "%1", 0, false},
        {"msiexec.exe", "msiexec.exe", 0, false},
        {"", "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        IconLocation icon = ParseIconLocation(c.text);
        EXPECT_EQ(icon.location, c.location);
        EXPECT_EQ(icon.index, c.index);
        EXPECT_EQ(icon.resourceId, c.resource);
    }
}

TEST(FileTypesFiles, FindFileOnSearchPath) {
    const std::string w = Windows();
    struct Case {
        std::string location;
        bool found;
        std::string file;
    };
    const Case cases[] = {
        {"notepad.exe", true, w + "\\system32\\notepad.exe"},
        {"regedit.exe", true, w + "\\regedit.exe"},
        {"url.dll", true, w + "\\system32\\url.dll"},
        {"msiexec.exe /i", true, w + "\\system32\\msiexec.exe"},
        // Arguments after a program are dropped, and so are the blanks before them.
        {w + "\\system32\\notepad.exe /dde", true, w + "\\system32\\notepad.exe"},
        {w + "\\system32\\notepad.exe ", true, w + "\\system32\\notepad.exe"},
        {"%SystemRoot%\\system32\\shell32.dll", true, w + "\\system32\\shell32.dll"},
        // Texts that never resolve end with nothing found.
        {"%SystemRoot\\system32\\nothing.dll", false, ""},
        {"nothing-here.dll", false, ""},
        {"", false, ""},
        {"%1", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        std::string found;
        EXPECT_EQ(FindFileOnSearchPath(c.location, found), c.found);
        if (c.found) {
            EXPECT_TRUE(TextCase::Equal(found, c.file)) << found;
        }
    }
}

TEST(FileTypesTree, ExpandsThePrefixIniType) {
    RegistryTabWindow w;
    colCMH col;
    ui::Node& ini = AddType(w, col, ".ini", "inifile");
    CMH_ExpandFileType(w.tvw, ini, *col.Item(".ini"), true);
    const std::string h = "File_Type_.ini\\HKEY_CLASSES_ROOT";
    for (const std::string& k : {h, h + "\\.ini", h + "\\inifile", h + "\\inifile\\shell\\open\\command",
                                 h + "\\inifile\\shell\\print\\command"})
        EXPECT_TRUE(w.tvw.Nodes.Exists(k)) << k;
    CMH_ListValues(h + "\\.ini", w.lsvEntries);
    ASSERT_GE(w.lsvEntries.ListItems.Count(), 1);
    EXPECT_EQ(w.lsvEntries.ListItems.Item(1)->Text(), "Default");
    EXPECT_EQ(w.lsvEntries.ListItems.Item(1)->SubItem(1), "inifile");
    // The level-1 node stands for no key: the list stays as it was.
    CMH_ListValues(h, w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Item(1)->SubItem(1), "inifile");
}

TEST(FileTypesTree, SearchForPrintMarksThePrintKeysOfThePrefix) {
    RegistryTabWindow w;
    colCMH col;
    // The prefix's extensions, as the scan lists them.
    for (const std::string& name : SubKeys(HKEY_CLASSES_ROOT, "")) {
        if (name[0] != '.') continue;
        const std::string type = ReadStoredValue(HKEY_CLASSES_ROOT, name, "").bytes;
        AddType(w, col, name, type.substr(0, type.find('\0')));
    }
    CMH_Search(w.tvw, col, w.stb1, {.text = "print", .inKeys = true, .inValues = false, .inData = false}, w.blnCancel);
    auto found = w.NodesWithImage("Found");
    std::vector<std::string> expected;
    for (const auto& rec : col) {
        if (rec->vntDefault.empty()) continue;
        for (const std::string& name : SubKeys(HKEY_CLASSES_ROOT, rec->vntDefault + "\\shell"))
            if (TextCase::Lower(name).find("print") != std::string::npos)
                expected.push_back("File_Type_" + rec->Key + "\\HKEY_CLASSES_ROOT\\" + rec->vntDefault + "\\shell\\" +
                                   name);
    }
    ASSERT_FALSE(expected.empty());
    // Node keys compare without regard to case, as registry names do.
    for (auto* list : {&found, &expected}) {
        for (auto& k : *list) k = TextCase::Lower(k);
        std::sort(list->begin(), list->end());
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(w.tvw.Nodes.Exists("File_Type_.ini\\HKEY_CLASSES_ROOT\\inifile\\shell\\print"));
}

class FileTypesFixture : public ::testing::Test {
protected:
    RegFixture hkcr{HKEY_CLASSES_ROOT, R"(
        [.fx]
        @="fxfile"
        [fxfile\shell\open\command]
        @="notepad.exe %1"
        [fxfile\Values]
        @="unnamed"
        "Default"="a value really named Default"
        "Nothing"=none:
        "Big"=qword:0102030405060708
        "Last"="last"
        [fxfile\Old]
        [fxfile\Taken]
        [.bad]
        @="CLSID"
        [CLSID\{00000000-0000-0000-0000-0000000000F1}]
        @="must stay"
    )"};
    RegistryTabWindow w;
    colCMH col;
    const std::string H = "File_Type_.fx\\HKEY_CLASSES_ROOT";
    void SetUp() override {
        hkcr.Load("[fxfile\\A]\n[fxfile\\" + std::string("M") + std::string(119, 'x') + "\\inner]\n[fxfile\\Z]\n");
        // Two names of 255 characters: a path longer than MAX_PATH.
        hkcr.Load("[fxfile\\" + std::string(255, 'L') + "\\" + std::string(255, 'K') + "]\n\"Deep\"=\"deep value\"\n");
        for (const char* ext : {".fx", ".bad"}) {
            ui::Node& node = AddType(w, col, ext, ext == std::string(".fx") ? "fxfile" : "CLSID");
            CMH_ExpandFileType(w.tvw, node, *col.Item(ext), false);
        }
    }
    ui::Node& Node(const std::string& key) { return *w.tvw.Nodes.Item(key); }
};

TEST_F(FileTypesFixture, LongNamesAndEveryValue) {
    // A long key name neither hides nor ends its siblings.
    EXPECT_TRUE(w.tvw.Nodes.Exists(H + "\\fxfile\\M" + std::string(119, 'x') + "\\inner"));
    EXPECT_TRUE(w.tvw.Nodes.Exists(H + "\\fxfile\\Z"));
    CMH_ListValues(H + "\\fxfile\\Values", w.lsvEntries);
    auto& items = w.lsvEntries.ListItems;
    ASSERT_EQ(items.Count(), 5);
    EXPECT_EQ(items.Item(1)->Key(), "");
    EXPECT_EQ(items.Item("KeyDefault")->Text(), "Default");
    EXPECT_EQ(items.Item("KeyNothing")->SmallIcon().key, "Bin");
    EXPECT_EQ(items.Item("KeyLast")->SubItem(1), "last");

    // A key below a path longer than MAX_PATH has its node, lists its values and takes value edits.
    const std::string deep = H + "\\fxfile\\" + std::string(255, 'L') + "\\" + std::string(255, 'K');
    ASSERT_TRUE(w.tvw.Nodes.Exists(deep));
    CMH_NewValue(Node(deep), "Added", "new");
    CMH_ListValues(deep, w.lsvEntries);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item("KeyDeep")->SubItem(1), "deep value");
    EXPECT_EQ(items.Item("KeyAdded")->SubItem(1), "new");
    CMH_DeleteValue(Node(deep), "Added");
    CMH_ListValues(deep, w.lsvEntries);
    EXPECT_EQ(items.Count(), 1);
}

TEST_F(FileTypesFixture, EditsActOnlyWithinTheFileTypeKeys) {
    // Level 0 and 1, and a type named CLSID: nothing changes.
    for (const std::string& k : {std::string("File_Type_.fx"), H, std::string("File_Type_.bad\\HKEY_CLASSES_ROOT\\CLSID")}) {
        CMH_DeleteKey(w.tvw, Node(k));
        CMH_NewValue(Node(k), "planted", "x");
        CMH_NewKey(w.tvw, Node(k), "Planted");
        CMH_DeleteValue(Node(k), "");
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-0000000000F1}"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Planted"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\Planted"));
    EXPECT_EQ(CMH_RenameKey(w.tvw, Node(H + "\\fxfile"), "other"), 1);  // rename from level 3 only
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "fxfile"));

    const std::string values = H + "\\fxfile\\Values";
    CMH_DeleteValue(Node(values), "Default");
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, "fxfile\\Values", w.lsvEntries);
    EXPECT_FALSE(w.lsvEntries.ListItems.Exists("KeyDefault"));
    EXPECT_EQ(w.lsvEntries.ListItems.Item(1)->SubItem(1), "unnamed");
    CMH_DeleteValue(Node(values), "");
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, "fxfile\\Values", w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Count(), 3);
    for (const auto& row : w.lsvEntries.ListItems) EXPECT_NE(row->Key(), "");

    CMH_NewKey(w.tvw, Node(H + "\\fxfile"), "Fresh");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "fxfile\\Fresh"));
    EXPECT_TRUE(w.tvw.Nodes.Exists(H + "\\fxfile\\Fresh"));
    CMH_NewValue(Node(H + "\\fxfile\\Fresh"), "n", "42");
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, "fxfile\\Fresh", w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Item("Keyn")->SmallIcon().key, "String");
    EXPECT_EQ(CMH_RenameKey(w.tvw, Node(H + "\\fxfile\\Old"), "Taken"), 1);
    EXPECT_TRUE(w.tvw.Nodes.Exists(H + "\\fxfile\\Old"));
    EXPECT_EQ(CMH_RenameKey(w.tvw, Node(H + "\\fxfile\\Old"), "New"), 0);
    EXPECT_TRUE(w.tvw.Nodes.Exists(H + "\\fxfile\\New"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "fxfile\\Old"));
    CMH_DeleteKey(w.tvw, Node(H + "\\fxfile\\New"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "fxfile\\New"));
    EXPECT_FALSE(w.tvw.Nodes.Exists(H + "\\fxfile\\New"));
}

namespace {
// The images the tab puts into its list before a scan.
void ResetImages(RegistryTabWindow& w) {
    w.iml.Clear();
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    for (const char* key : {"FolderRoot", "Folder", "FolderOpen", "Unknown", "Found"}) w.iml.Add(key, icon);
}
}  // namespace

TEST(FileTypesScan, EveryExtensionOfThePrefixWithItsIcon) {
    RegistryTabWindow w;
    ResetImages(w);
    colCMH col;
    ASSERT_TRUE(CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel));
    std::vector<std::string> extensions;
    for (const std::string& name : SubKeys(HKEY_CLASSES_ROOT, ""))
        if (name[0] == '.') extensions.push_back(name);
    ASSERT_GE(extensions.size(), 10u);
    EXPECT_EQ(col.Count(), static_cast<long>(extensions.size()));
    EXPECT_EQ(w.tvw.Nodes.Count(), static_cast<long>(extensions.size()));
    long withIcon = 0;
    for (const std::string& ext : extensions) {
        ui::NodePtr n = w.tvw.Nodes.Find(NodePrefix + ext);
        ASSERT_TRUE(n) << ext;
        const std::string image = n->Image().key;
        EXPECT_TRUE(w.iml.Exists(image)) << ext << " " << image;
        if (image != "Unknown") ++withIcon;
    }
    // The prefix's types with a resolvable icon show it.
    EXPECT_GT(withIcon, 0);
    // The arranged-by choice puts the type's name first.
    EXPECT_EQ(w.tvw.Nodes.Item("File_Type_.ini")->Text(), "ini - inifile");

    // The general entries first, when chosen.
    w.tvw.Nodes.Clear();
    ResetImages(w);
    CMH_Refresh(col, w.tvw, true, "File type name", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel);
    const char* general[] = {"*", "File", "Folder", "Directory", "Drive", "Network", "Unknown"};
    for (long i = 0; i < 7; ++i) {
        auto n = w.tvw.Nodes.Item(i + 1);
        EXPECT_EQ(n->Key(), std::string(NodePrefix) + general[i]);
        EXPECT_EQ(n->Image().key, "FolderRoot");
        EXPECT_TRUE(col.Exists(general[i]));
    }
    EXPECT_EQ(col.Count(), static_cast<long>(extensions.size()) + 7);
    EXPECT_EQ(w.tvw.Nodes.Item("File_Type_.ini")->Text(), "inifile - ini");
}

TEST(FileTypesScan, LongNamesSharedIconsAndMissingOnes) {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    auto escaped = [](std::string s) {
        std::string out;
        for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    };
    const std::string longExt = "." + std::string(119, 'm');  // a 120-character name
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[.aa]\n@=\"aafile\"\n[aafile\\DefaultIcon]\n@=\"" +
                                           escaped(std::string(sys) + "\\notepad.exe,0") + "\"\n[" + longExt +
                                           "]\n@=\"longfile\"\n[longfile\\DefaultIcon]\n@=\"" +
                                           escaped(Windows() + "\\notepad.exe,0") + "\"\n[.nn]\n@=\"nnfile\"\n"
                                           "[.xx]\n@=\"xxfile\"\n[xxfile\\DefaultIcon]\n@=\"C:\\\\nowhere\\\\x.ico\"\n"
                                           "[.zz]\n@=\"zzfile\"\n[zzfile\\DefaultIcon]\n@=\"" +
                                           escaped(TextCase::Upper(std::string(sys) + "\\NOTEPAD.EXE")) + ",0\"\n");
    RegistryTabWindow w;
    ResetImages(w);
    colCMH col;
    CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel);
    // The long name neither hides nor ends its siblings.
    ASSERT_EQ(w.tvw.Nodes.Count(), 5);
    const std::string order[] = {".aa", longExt, ".nn", ".xx", ".zz"};
    for (long i = 0; i < 5; ++i) EXPECT_EQ(w.tvw.Nodes.Item(i + 1)->Key(), NodePrefix + order[i]) << i;
    auto image = [&](const std::string& ext) { return w.tvw.Nodes.Item(NodePrefix + ext)->Image().key; };
    EXPECT_EQ(image(".aa").rfind("Key_", 0), 0u);
    EXPECT_EQ(image(longExt).rfind("Key_", 0), 0u);
    EXPECT_NE(image(".aa"), image(longExt));
    // One icon source, drawn once: .zz shows the picture drawn for .aa.
    EXPECT_EQ(image(".zz"), image(".aa"));
    EXPECT_EQ(w.iml.Count(), 5 + 2);
    EXPECT_EQ(image(".nn"), "Unknown");
    EXPECT_EQ(image(".xx"), "Unknown");
    EXPECT_EQ(col.Item(longExt)->vntDefault, "longfile");
}

// A later scan adds the pictures an earlier one drew while their files are unchanged, and draws
// a changed file anew.
TEST(FileTypesScan, KeptIconsFollowTheirFiles) {
    char temp[MAX_PATH], sys[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetSystemDirectoryA(sys, MAX_PATH);
    const std::string file = std::string(temp) + "velm_kept_icon.exe";
    ASSERT_TRUE(CopyFileA((std::string(sys) + "\\notepad.exe").c_str(), file.c_str(), FALSE));
    std::string escaped;
    for (char c : file) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[.kk]\n@=\"kkfile\"\n[kkfile\\DefaultIcon]\n@=\"" + escaped + ",0\"\n");
    RegistryTabWindow w;
    colCMH col;
    auto scan = [&] {
        w.tvw.Nodes.Clear();
        ResetImages(w);
        CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel);
        return w.tvw.Nodes.Item("File_Type_.kk")->Image().key;
    };
    // The picture under a key as the tree shows it, over magenta (its transparent pixels).
    auto shown = [&](const std::string& key) { return DrawnPixels(w.iml.Handle(), w.iml.Resolve(key)); };
    const std::string first = scan();
    EXPECT_EQ(first.rfind("Key_", 0), 0u);
    const auto drawn = shown(first);
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), 0xFF00FFu), 0) << "a transparent background";
    EXPECT_LT(std::count(drawn.begin(), drawn.end(), 0xFF00FFu), 256) << "and an icon on it";
    EXPECT_EQ(scan(), first);
    EXPECT_TRUE(w.iml.Exists(first));
    EXPECT_EQ(shown(first), drawn) << "the kept picture is the one drawn";
    // The file changes into one without icons: it is read again and gives none.
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(h, "no icons here", 13, &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ(scan(), "Unknown");
    DeleteFileA(file.c_str());
}

namespace {

// An icon file of one image whose image header claims a huge size: a DIB (with a header of its
// own) or a PNG (its IHDR chunk), the rest of the bytes a few hundred zeros.
std::string HugeIconFile(const std::string& name, bool png) {
    std::vector<uint8_t> image(400, 0);
    auto put32 = [&](size_t at, uint32_t v, bool big) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(v >> (big ? 24 - 8 * i : 8 * i));
    };
    if (png) {
        const uint8_t head[16] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        std::copy(head, head + 16, image.begin());
        put32(16, 0x7FFFFFF0, true);
        put32(20, 0x7FFFFFF0, true);
        image[24] = 8;  // bit depth
        image[25] = 6;  // RGBA
    } else {
        put32(0, 40, false);
        put32(4, 0x7FFFFFF0, false);   // width
        put32(8, 0x7FFFFFE0, false);   // height (colour and mask)
        image[12] = 1;                  // planes
        image[14] = 32;                 // bits
    }
    std::vector<uint8_t> file = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};
    for (uint32_t v : {static_cast<uint32_t>(image.size()), 22u})
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    file.insert(file.end(), image.begin(), image.end());
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &put, nullptr);
    CloseHandle(h);
    return path;
}

void SetDefault(const std::string& key, const std::string& text) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    EXPECT_EQ(RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              0);
    RegCloseKey(h);
}

}  // namespace

// Icon images whose header claims a huge width and height are refused before the system sees
// them, however the icon is asked for.
TEST(FileTypesFiles, IconsWithHugeImagesGiveNoIcon) {
    RegistryTabWindow w;
    for (bool png : {false, true}) {
        const std::string file = HugeIconFile(png ? "velm_huge_png.ico" : "velm_huge_dib.ico", png);
        SCOPED_TRACE(file);
        for (long index : {0L, -1L})
            EXPECT_FALSE(QV_IconsAndResources::AddFileIcon(file, index, false, w.iml, "Key_x", w.pixSmall)) << index;
        EXPECT_FALSE(QV_IconsAndResources::HasFileIcon(file));
        DeleteFileA(file.c_str());
    }
}

// File types whose DefaultIcon or open command is 200,000 characters of each shape, and icon
// files with huge images: every type is listed with the "Unknown" picture, and the types after
// them get their icons.
TEST(FileTypesScan, HostileIconLocationsAreListedWithoutIcons) {
    const std::string w32 = Windows() + "\\system32\\notepad.exe";
    const size_t length = 200000;
    auto fill = [length](std::string head, const std::string& unit) {
        while (head.size() < length) head += unit;
        return head;
    };
    const std::string dib = HugeIconFile("velm_scan_dib.ico", false), png = HugeIconFile("velm_scan_png.ico", true);
    const std::vector<std::pair<std::string, std::string>> locations = {
        {"backslashes", std::string(length, '\\')},
        {"percents", fill("%", "%SystemRoot%\\a%")},
        {"reference", fill("%SystemRoot%\\", "%PATH%")},
        {"leading", fill("\\", "x\\")},
        {"relative", fill("system32\\", "x\\")},
        {"plain", std::string(length, 'x')},
        {"commas", fill("x", ",")},
        {"hugedib", dib + ",0"},
        {"hugepng", "\"" + png + "\""},
    };
    RegFixture hkcr(HKEY_CLASSES_ROOT);
    for (const auto& [name, text] : locations) {
        SetDefault(".h" + name, "h" + name + "file");
        SetDefault(".o" + name, "o" + name + "file");
        SetDefault("h" + name + "file\\DefaultIcon", text);
        SetDefault("o" + name + "file\\shell\\open\\command", text);
    }
    SetDefault(".zz", "zzfile");
    SetDefault("zzfile\\DefaultIcon", w32 + ",0");
    RegistryTabWindow w;
    ResetImages(w);
    colCMH col;
    ASSERT_TRUE(CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel));
    EXPECT_EQ(w.tvw.Nodes.Count(), static_cast<long>(2 * locations.size() + 1));
    for (const auto& [name, text] : locations)
        for (const std::string& ext : {".h" + name, ".o" + name})
            EXPECT_EQ(w.tvw.Nodes.Item(NodePrefix + ext)->Image().key, "Unknown") << ext;
    EXPECT_EQ(w.tvw.Nodes.Item(NodePrefix + std::string(".zz"))->Image().key.rfind("Key_", 0), 0u);
    // The file lookup alone: nothing of these texts is a file.
    for (const auto& [name, text] : locations) {
        std::string found;
        if (name.rfind("huge", 0) != 0) {
            EXPECT_FALSE(FindFileOnSearchPath(text, found)) << name;
        }
    }
    // A real program followed by any amount of text is still found.
    std::string found;
    EXPECT_TRUE(FindFileOnSearchPath(fill(w32 + " ", "/x "), found));
    EXPECT_TRUE(TextCase::Equal(found, w32)) << found;
    DeleteFileA(dib.c_str());
    DeleteFileA(png.c_str());
}

// A scan of more types than the tree shows at once: the nodes of the first page have their
// icons when the scan ends, a node further down gets its own when the tree first draws it, and
// a node a search marked meanwhile keeps its mark.
TEST(FileTypesScan, NodesBelowTheFirstPageGetTheirIconsWhenShown) {
    const std::string shell32 = Windows() + "\\system32\\shell32.dll";
    RegFixture hkcr(HKEY_CLASSES_ROOT);
    char ext[16];
    for (int k = 0; k < 60; ++k) {
        snprintf(ext, sizeof ext, ".p%02d", k);
        SetDefault(ext, std::string("p") + (ext + 1) + "file");
        SetDefault(std::string("p") + (ext + 1) + "file\\DefaultIcon", shell32 + "," + std::to_string(k % 20));
    }
    // Sources of their own, met only below the first page.
    SetDefault(".q1", "q1file");
    SetDefault("q1file\\DefaultIcon", Windows() + "\\notepad.exe,0");
    SetDefault(".q2", "q2file");
    SetDefault("q2file\\DefaultIcon", Windows() + "\\regedit.exe,0");
    RegistryTabWindow w;
    ResetImages(w);
    colCMH col;
    ASSERT_TRUE(CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, w.blnCancel));
    ASSERT_EQ(w.tvw.Nodes.Count(), 62);
    auto image = [&](const std::string& e) { return w.tvw.Nodes.Item(NodePrefix + e)->Image().key; };
    EXPECT_EQ(image(".p00").rfind("Key_", 0), 0u);
    // A later type of a source drawn on the first page shows that picture at once.
    EXPECT_EQ(image(".p40"), image(".p00"));
    EXPECT_EQ(image(".q1"), "Unknown");
    EXPECT_EQ(image(".q2"), "Unknown");
    w.tvw.Nodes.Item(std::string(NodePrefix) + ".q2")->SetImage("Found");

    w.Show();
    w.tvw.Nodes.Item(std::string(NodePrefix) + ".q2")->EnsureVisible();
    UpdateWindow(w.tvw.hWnd());
    const std::string shown = image(".q1");
    EXPECT_EQ(shown.rfind("Key_", 0), 0u);
    EXPECT_TRUE(w.iml.Exists(shown));
    EXPECT_NE(shown, image(".p00"));
    EXPECT_EQ(image(".q2"), "Found");
}
