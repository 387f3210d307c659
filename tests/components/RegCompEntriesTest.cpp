// A class's registry entries, the values list and the edits, checked by reading the registry
// back; the details list; the Regedit jump, the unregister start and the Explorer menu dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <sstream>

#include "base/QV_Registry_Lib.h"
#include "base/TextCase.h"
#include "ui/DetailsRows.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"
#include "components/Tab_RegComp.h"
#include "ui/RegistryValuesList.h"
#include "tests/support/RegistryTabWindow.h"
#include "tests/support/Boxes.h"
#include "tests/support/RegFixture.h"

using namespace Tab_RegComp;

namespace {
const std::string C = "{00000000-0000-0000-0000-0000000000E1}";
const std::string K = "EXEServer\\" + C;  // the class node
const std::string H = K + "\\HKEY_CLASSES_ROOT";
const std::string CK = H + "\\CLSID\\" + C;  // the class key's node
const std::string Server = CK + "\\LocalServer32";

class Entries : public ::testing::Test {
protected:
    RegFixture hkcr{HKEY_CLASSES_ROOT, R"(
        [CLSID\{00000000-0000-0000-0000-0000000000E1}]
        @="Entries class"
        "AppID"="{00000000-0000-0000-0000-0000000000A1}"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\ProgID]
        @="Fix.Entries"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\TypeLib]
        @="{00000000-0000-0000-0000-0000000000B1}"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\Version]
        @="2.5"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\LocalServer32]
        @="C:\\nowhere\\entries.exe"
        "ThreadingModel"="Both"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\LocalServer32\Sub]
        "deep"=dword:00000007
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\Guarded\Inner]
        [Fix.Entries\CLSID]
        @="{00000000-0000-0000-0000-0000000000E1}"
        [AppID\{00000000-0000-0000-0000-0000000000A1}]
        "RunAs"="Interactive User"
        [TypeLib\{00000000-0000-0000-0000-0000000000B1}\1.0\0\win32]
        @="C:\\nowhere\\entries.tlb"
        [Values]
        @="unnamed"
        "Default"="a value really named Default"
        "Dw"=dword:0000002a
        "Exp"=expand:"%SystemRoot%\\x"
        "Multi"=multi:"one","two"
        "Nothing"=none:
        "Big"=qword:0102030405060708
    )"};
    RegistryTabWindow w;
    colRegComp col;
    std::shared_ptr<clsRegComp> rec;
    void SetUp() override {
        // A sub-key that refuses deletion keeps its parent too.
        SetKeyDacl(HKEY_CLASSES_ROOT, "CLSID\\" + C + "\\Guarded\\Inner", "D:P(A;;KR;;;WD)");
        // 70,000 bytes of binary data: longer than any fixed buffer.
        HKEY h;
        RegOpenKeyExA(HKEY_CLASSES_ROOT, "Values", 0, KEY_SET_VALUE, &h);
        std::string big(70000, '\x5a');
        RegSetValueExA(h, "Huge", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()), 70000);
        RegCloseKey(h);
        FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel);
        rec = col.Item(C);
        FillRegCompEntriesTree(w.tvw, K, *rec, true);
    }
    bool Node(const std::string& key) { return w.tvw.Nodes.Exists(key); }
};
}  // namespace

TEST_F(Entries, TreeShowsTheClassKeysWithTheirSubKeys) {
    for (const std::string& key : {H, H + "\\CLSID", CK, Server, Server + "\\Sub", CK + "\\Guarded\\Inner",
                                   H + "\\Fix.Entries", H + "\\Fix.Entries\\CLSID", H + "\\AppID",
                                   H + "\\AppID\\{00000000-0000-0000-0000-0000000000A1}", H + "\\TypeLib",
                                   H + "\\TypeLib\\{00000000-0000-0000-0000-0000000000B1}\\1.0\\0\\win32"})
        EXPECT_TRUE(Node(key)) << key;
    EXPECT_EQ(w.tvw.Nodes.Item(Server)->Image().key, "Folder");
    EXPECT_EQ(w.tvw.Nodes.Item(Server)->SelectedImage().key, "FolderOpen");
    EXPECT_EQ(RegistryPathOf(Server), "CLSID\\" + C + "\\LocalServer32");
    // Opening the node again rebuilds it without duplicates.
    const long count = w.tvw.Nodes.Count();
    FillRegCompEntriesTree(w.tvw, K, *rec, false);
    EXPECT_EQ(w.tvw.Nodes.Count(), count);
}

TEST_F(Entries, ValuesListShowsEveryValue) {
    auto& items = w.lsvEntries.ListItems;
    RegistryValuesList::Fill(HKEY_CLASSES_ROOT, "Values", w.lsvEntries);
    struct Row {
        std::string name, key, icon, value;
    };
    const Row rows[] = {
        {"Default", "", "String", "unnamed"},
        {"Default", "KeyDefault", "String", "a value really named Default"},
        {"Dw", "KeyDw", "Bin", "42"},
        {"Exp", "KeyExp", "String", "%SystemRoot%\\x"},
        {"Multi", "KeyMulti", "Bin", "one two"},
        {"Nothing", "KeyNothing", "Bin", ""},
        {"Big", "KeyBig", "Bin", "72623859790382856"},
        {"Huge", "KeyHuge", "Bin", std::string(140000, ' ')},
    };
    ASSERT_EQ(items.Count(), static_cast<long>(std::size(rows)));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        auto item = r.key.empty() ? [&] {
            for (auto& it : items)
                if (it->Key().empty()) return it;
            return ui::ListItemPtr();
        }()
                                  : items.Item(r.key);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->Text(), r.name);
        EXPECT_EQ(item->SmallIcon().key, r.icon);
        if (r.key == "KeyHuge") {
            EXPECT_EQ(item->SubItem(1).size(), 140000u);
            EXPECT_EQ(item->SubItem(1).substr(0, 4), "5A5A");
        } else {
            EXPECT_EQ(item->SubItem(1), r.value);
        }
        EXPECT_EQ(RegistryValuesList::ValueNameOfRow(*item), r.key.empty() ? "" : r.name);
    }
    // A key that does not open leaves the list as it was; the hive node opens no key.
    FillRegistryValuesList(H, w.lsvEntries);
    EXPECT_EQ(items.Count(), static_cast<long>(std::size(rows)));
    FillRegistryValuesList(Server, w.lsvEntries);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item("KeyThreadingModel")->SubItem(1), "Both");
}

TEST_F(Entries, DeletingTheValueNamedDefaultKeepsTheUnnamedOne) {
    const std::string values = K + "\\HKEY_CLASSES_ROOT\\Values";
    FillRegistryValuesList(values, w.lsvEntries);
    DeleteRegistryValue(values, RegistryValuesList::ValueNameOfRow(*w.lsvEntries.ListItems.Item("KeyDefault")));
    char data[64] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegGetValueA(HKEY_CLASSES_ROOT, "Values", "Default", RRF_RT_ANY, nullptr, data, &size),
              ERROR_FILE_NOT_FOUND);
    size = sizeof data;
    EXPECT_EQ(RegGetValueA(HKEY_CLASSES_ROOT, "Values", "", RRF_RT_ANY, nullptr, data, &size), 0);
    EXPECT_STREQ(data, "unnamed");
    // The unnamed value's row (no key) deletes the unnamed value.
    FillRegistryValuesList(values, w.lsvEntries);
    for (auto& it : w.lsvEntries.ListItems)
        if (it->Key().empty()) DeleteRegistryValue(values, RegistryValuesList::ValueNameOfRow(*it));
    HKEY h;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, "Values", 0, KEY_READ, &h);
    EXPECT_EQ(RegQueryValueExA(h, "", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(h);
    // A new value is always a string; the empty name is the unnamed value.
    NewRegistryValue(values, "", "42");
    DWORD type = 0;
    size = sizeof data;
    RegGetValueA(HKEY_CLASSES_ROOT, "Values", nullptr, RRF_RT_ANY, &type, data, &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, "42");
}

TEST_F(Entries, KeyEditsFollowTheRegistry) {
    const std::string serverPath = "CLSID\\" + C + "\\LocalServer32";
    const std::string before = DumpKeyTree(HKEY_CLASSES_ROOT, serverPath);

    // Rename: moved with values and sub-keys; the node is rebuilt as the last child.
    EXPECT_EQ(RenameRegistryKey(w.tvw, Server, "Foo"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, serverPath));
    EXPECT_EQ(DumpKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + C + "\\Foo"), before);
    EXPECT_FALSE(Node(Server));
    EXPECT_TRUE(Node(CK + "\\Foo\\Sub"));
    EXPECT_EQ(w.tvw.Nodes.Item(CK)->Child()->LastSibling()->Key(), CK + "\\Foo");

    // A case-only rename and a rename onto an existing sibling change nothing.
    const std::string whole = DumpKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + C);
    EXPECT_EQ(RenameRegistryKey(w.tvw, CK + "\\Foo", "FOO"), 1);
    EXPECT_EQ(RenameRegistryKey(w.tvw, CK + "\\Foo", "Version"), 1);
    EXPECT_EQ(DumpKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + C), whole);
    EXPECT_TRUE(Node(CK + "\\Foo"));

    // A key whose sub-key refuses deletion stays, and so does its node.
    EXPECT_EQ(DeleteRegistryKey(w.tvw, CK + "\\Guarded"), 1);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + C + "\\Guarded"));
    EXPECT_TRUE(Node(CK + "\\Guarded"));
    // The shared containers and the hive are never deleted through a class.
    EXPECT_EQ(DeleteRegistryKey(w.tvw, H + "\\CLSID"), 1);
    EXPECT_EQ(DeleteRegistryKey(w.tvw, H), 1);
    EXPECT_EQ(RenameRegistryKey(w.tvw, H + "\\AppID", "X"), 1);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + C));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));

    EXPECT_EQ(DeleteRegistryKey(w.tvw, CK + "\\Foo"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + C + "\\Foo"));
    EXPECT_FALSE(Node(CK + "\\Foo"));
    EXPECT_FALSE(Node(CK + "\\Foo\\Sub"));

    // A new key, and the same name again (opened, not a second node).
    NewRegistryKey(w.tvw, CK, "Fresh");
    NewRegistryKey(w.tvw, CK, "Fresh");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + C + "\\Fresh"));
    EXPECT_TRUE(Node(CK + "\\Fresh"));

    // The ProgID key lies directly under the root: it is renamed there.
    EXPECT_EQ(RenameRegistryKey(w.tvw, H + "\\Fix.Entries", "Fix.Renamed"), 0);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Fix.Renamed\\CLSID"));
    EXPECT_TRUE(Node(H + "\\Fix.Renamed\\CLSID"));
}

TEST(Details, RowsOfStdFontWithOleaut32Facts) {
    RegistryTabWindow w;
    colRegComp col;
    auto rec = ReadRegCompRecord(col, "{0BE35203-8F91-11CE-9DE3-00AA004BB851}");
    ShowRegCompDetails(*rec, w.lsvDetails);
    auto& items = w.lsvDetails.ListItems;
    const char* const expected[][3] = {
        {"ProgID", "ProgID", "RegistryItem"},
        {"CLS_Name", "CLS Name", "RegistryItem"},
        {"Version", "Version", "RegistryItem"},
        {"CLSID", "CLSID", "RegistryItem"},
        {"AppID", "AppID", "RegistryItem"},
        {"TypeLib Name", "TypeLib Name", "RegistryItem"},
        {"TypeLibID", "TypeLibID", "RegistryItem"},
        {"File_Location", "File Location", "RegistryItem"},
        {"File_Location_calculated", "File Location, calculated", "Info"},
        {"File_Name_calculated", "File Name, calculated", "Info"},
        {"File_exists", "File exists", "Info"},
        {"File_version", "File version", "Info"},
        {"File_size", "File size", "Info"},
        {"File_Attributes", "File Attributes", "Info"},
        {"File_time_Created", "File Created", "Info"},
        {"File_Last_Accessed", "File Last Accessed", "Info"},
        {"File_Last_Modified", "File Last Modified", "Info"},
        {"STRINGFILEINFO_CompanyName", "Company Name", "Info"},
        {"Description", "Description", "Info"},
        {"Internal Version", "Internal Version", "Info"},
        {"STRINGFILEINFO_InternalName", "Internal Name", "Info"},
        {"STRINGFILEINFO_LegalCopyright", "Legal Copyright", "Info"},
        {"STRINGFILEINFO_OriginalFileName", "Original File Name", "Info"},
        {"STRINGFILEINFO_ProductName", "Product Name", "Info"},
        {"STRINGFILEINFO_ProductVersion", "Product Version", "Info"},
    };
    ASSERT_EQ(items.Count(), 25);
    for (long i = 1; i <= 25; ++i) {
        auto item = items.Item(i);
        SCOPED_TRACE(item->Text());
        EXPECT_EQ(item->Key(), expected[i - 1][0]);
        EXPECT_EQ(item->Text(), expected[i - 1][1]);
        EXPECT_EQ(item->SmallIcon().key, expected[i - 1][2]);
        EXPECT_EQ(item->Icon().key, i <= 10 ? expected[i - 1][2] : "");
    }
    EXPECT_EQ(items.Item("ProgID")->SubItem(1), "StdFont");
    EXPECT_EQ(items.Item("File_Name_calculated")->SubItem(1), "oleaut32.dll");
    EXPECT_EQ(items.Item("File_exists")->SubItem(1), "True");

    // The real facts of the file, read here on their own.
    const std::string file = rec->vntFileLocationEx;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(items.Item("File_size")->SubItem(1), std::to_string(data.nFileSizeLow) + " Bytes");
    DWORD handle = 0, size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    std::ostringstream version;
    version << HIWORD(fixed->dwFileVersionMS) << '.' << LOWORD(fixed->dwFileVersionMS) << '.'
            << HIWORD(fixed->dwFileVersionLS) << '.' << LOWORD(fixed->dwFileVersionLS);
    EXPECT_EQ(items.Item("File_version")->SubItem(1), version.str());
    // The attributes a file of the prefix can have, and their text.
    const std::map<DWORD, std::string> attributeTexts = {
        {FILE_ATTRIBUTE_NORMAL, "Normal"}, {FILE_ATTRIBUTE_ARCHIVE, "Archive"}, {FILE_ATTRIBUTE_READONLY, "Read-only"},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, "Read-only, Archive"}};
    ASSERT_TRUE(attributeTexts.count(data.dwFileAttributes)) << data.dwFileAttributes;
    EXPECT_EQ(items.Item("File_Attributes")->SubItem(1), attributeTexts.at(data.dwFileAttributes));
    EXPECT_NE(items.Item("File_Last_Modified")->SubItem(1).find(", "), std::string::npos);

    // A missing file ends with the struck-out row; no location at all ends after row 10.
    rec->blnFileExist = false;
    ShowRegCompDetails(*rec, w.lsvDetails);
    ASSERT_EQ(items.Count(), 11);
    EXPECT_EQ(items.Item(11)->Key(), "File exists");
    EXPECT_EQ(items.Item(11)->SmallIcon().key, "Strike");
    EXPECT_EQ(items.Item(11)->SubItem(1), "False");
    rec->vntFileLocation = "Not defined.";
    ShowRegCompDetails(*rec, w.lsvDetails);
    EXPECT_EQ(items.Count(), 10);
}

TEST(Details, AttributesText) {
    const struct { DWORD attributes; const char* text; } cases[] = {
        {0, "Normal"},
        {FILE_ATTRIBUTE_NORMAL, "Normal"},  // 0x80: a file with no other attribute
        {FILE_ATTRIBUTE_READONLY, "Read-only"},
        {FILE_ATTRIBUTE_HIDDEN, "Hidden"},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, "Hidden, System file"},
        {FILE_ATTRIBUTE_DIRECTORY, "Directory or folder"},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, "Read-only, Archive"},
        {0x37, "Read-only, Hidden, System file, Directory or folder, Archive"},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY, "Archive"},
        {FILE_ATTRIBUTE_TEMPORARY, ""},  // only bits without a name
        {FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DetailsRows::AttributesText(c.attributes), c.text) << std::hex << c.attributes;
}

TEST(Starts, RegeditJumpAndUnregister) {
    std::vector<std::string> started;
    ui::StartProgramOverride recorder([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return 1ul;
    });
    RegFixture hkcu(HKEY_CURRENT_USER);
    const char* applet = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
    auto lastKey = [&] {
        char data[64] = {};
        DWORD size = sizeof data;
        RegGetValueA(HKEY_CURRENT_USER, applet, "LastKey", RRF_RT_REG_SZ, nullptr, data, &size);
        return std::string(data);
    };
    // On a fresh profile Regedit's key is made, so that the first jump lands on the key too.
    QV_Registry_Lib::OpenRegeditAt("HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, applet));
    EXPECT_EQ(lastKey(), "HKEY_CLASSES_ROOT\\CLSID");
    QV_Registry_Lib::OpenRegeditAt("HKEY_CLASSES_ROOT\\CLSID\\{X}");
    EXPECT_EQ(lastKey(), "HKEY_CLASSES_ROOT\\CLSID\\{X}");
    clsRegComp rec;
    rec.vntFileLocationEx = "C:\\Program Files\\App\\a b.dll";
    UnregisterComponent(rec);
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0], "Regedit.exe");
    EXPECT_EQ(started[1], "Regedit.exe");
    EXPECT_EQ(started[2], "VelmRegSvr.exe -U C:\\Program Files\\App\\a b.dll");
}

TEST(ExplorerMenuDialog, ImportsTheGeneratedScriptAndChecksItsKeys) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "velm folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    bool dllMissing = false, ocxMissing = false;
    const std::string dllType = Reg_Unreg_Shortcut_Dialog::FileTypeOf(".dll", dllMissing);
    const std::string ocxType = Reg_Unreg_Shortcut_Dialog::FileTypeOf(".ocx", ocxMissing);
    auto cleanup = [&] {
        for (const std::string& t : {dllType, ocxType})
            for (const char* verb : {"VelmRegister", "VelmUnregister"})
                RegDeleteTreeA(HKEY_CLASSES_ROOT, (t + "\\shell\\" + verb).c_str());
        if (dllMissing) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".dll");
        if (ocxMissing) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".ocx");
    };
    {
        // Cancel changes nothing.
        Reg_Unreg_Shortcut_Dialog dlg;
        dlg.ProgramFolder = folder;
        dlg.Load();
        EXPECT_EQ(dlg.Caption(), "Register/Unregister conext menu shortcut");
        dlg.Command1.DoClick();
        EXPECT_FALSE(dlg.IsLoaded());
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, dllType + "\\shell\\VelmRegister"));
    }
    {
        BoxRecorder boxes;
        Reg_Unreg_Shortcut_Dialog dlg;
        dlg.ProgramFolder = folder + "\\";
        dlg.Load();
        dlg.Command14.DoClick();
        EXPECT_FALSE(dlg.IsLoaded());
        ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Entries successfully created."});
        EXPECT_EQ(boxes.boxes[0].style, 0);
        char cmd[512] = {};
        DWORD size = sizeof cmd;
        RegGetValueA(HKEY_CLASSES_ROOT, (ocxType + "\\shell\\VelmUnregister\\command").c_str(), nullptr, RRF_RT_REG_SZ,
                     nullptr, cmd, &size);
        EXPECT_EQ(std::string(cmd), "\"" + folder + "\\VelmRegSvr.exe\" -U %1");
        cleanup();
    }
    {
        // A folder where no script can be written: nothing is imported and the error is told.
        BoxRecorder boxes;
        Reg_Unreg_Shortcut_Dialog dlg;
        dlg.ProgramFolder = folder + "\\no such folder";
        EXPECT_FALSE(dlg.CreateEntries());
        ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Error creating entries !"});
        EXPECT_EQ(boxes.boxes[0].style, 16);
    }
    cleanup();
    DeleteFileA((folder + "\\ocxdllreg.reg").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ExplorerMenuDialog, ShowsItsIllustrationAboveTheText) {
    Reg_Unreg_Shortcut_Dialog dlg;
    dlg.Load();
    ASSERT_TRUE(dlg.IsLoaded());
    HBITMAP picture = dlg.Picture1.Picture();
    ASSERT_NE(picture, nullptr);
    BITMAP bm{};
    GetObject(picture, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 426);
    EXPECT_EQ(bm.bmHeight, 172);
    // The box is the picture's size and shows it: the drawn Explorer window's blue title bar.
    RECT r{};
    GetClientRect(dlg.Picture1.hWnd(), &r);
    EXPECT_EQ(r.right, 426);
    EXPECT_EQ(r.bottom, 172);
    EXPECT_EQ(GetPixel(dlg.Picture1.hDC(), 100, 15), RGB(10, 36, 106));
    // The text below the picture and the buttons below the text, all inside the window.
    EXPECT_GE(dlg.Label1.Top(), dlg.Picture1.Top() + dlg.Picture1.Height());
    EXPECT_GE(dlg.Command14.Top(), dlg.Label1.Top() + dlg.Label1.Height());
    EXPECT_LE(dlg.Command1.Top() + dlg.Command1.Height(), dlg.ScaleHeight());
    EXPECT_LE(dlg.Command1.Left() + dlg.Command1.Width(), dlg.ScaleWidth());
    dlg.Unload();
}
