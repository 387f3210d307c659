// The services tab: the scan of the prefix's real services and of fixtures, the image-path
// resolver, the registry sub-tree, the values and details lists, the edits and the search.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/ScopeExit.h"
#include "base/TextCase.h"
#include "VelmComServerFixture.h"
#include "browsers/Tab_SD.h"
#include "registry/RegistryNodes.h"
#include "registry/colQVRegistry.h"
#include "tests/support/RegistryTabWindow.h"
#include "tests/support/Boxes.h"
#include "tests/support/RegFixture.h"
#include "ui/RegistryValuesList.h"

using namespace Tab_SD;

namespace {

std::string Windows() {
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    return buf;
}

const std::string Chain = "\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
const std::string LongName = "M" + std::string(119, 'x');

}  // namespace

TEST(ServicesResolver, ResolvesEveryFormOfImagePath) {
    const std::string w = Windows();
    struct Case {
        std::string path;
        bool found;
        std::string ex;
    };
    const Case cases[] = {
        {w + "\\system32\\spoolsv.exe", true, w + "\\system32\\spoolsv.exe"},
        {"\\SystemRoot\\System32\\drivers\\winebus.sys", true, w + "\\System32\\drivers\\winebus.sys"},
        {"System32\\drivers\\winebus.sys", true, w + "\\System32\\drivers\\winebus.sys"},
        // Relative to the Windows folder, with arguments, as systems store svchost services.
        {"system32\\svchost.exe -k LocalServiceNetworkRestricted", true, w + "\\system32\\svchost.exe"},
        {"system32\\svchost.exe", true, w + "\\system32\\svchost.exe"},
        {"\\??\\" + w + "\\system32\\notepad.exe", true, w + "\\system32\\notepad.exe"},
        {"%SystemRoot%\\System32\\svchost.exe -k netsvcs", true, w + "\\System32\\svchost.exe"},
        {w + "\\system32\\svchost -k netsvcs", true, w + "\\system32\\svchost.exe"},
        {"notepad.exe /service", true, w + "\\system32\\notepad.exe"},
        // Candidates are tested without trailing blanks.
        {w + "\\system32\\msiexec.exe /V", true, w + "\\system32\\msiexec.exe"},
        // A missing file in an existing folder: the folder, no file.
        {w + "\\system32\\drivers\\missing.sys", false, w + "\\system32\\drivers\\"},
        // Texts that never resolve end with nothing found.
        {"", false, ""},
        {"%SystemRoot\\System32\\nothing.exe", false, ""},
        {"\\", false, ""},
        {"%%", false, ""},
        {"nowhere\\at\\all.exe", false, ""},
        {"\\\\server\\share\\x.exe", false, ""},
        {"/x", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        clsSD rec;
        EXPECT_EQ(SD_ResolveImagePath(rec, c.path), c.found);
        EXPECT_EQ(rec.blnFileExist, c.found);
        if (c.found || !c.ex.empty()) {
            EXPECT_TRUE(TextCase::Equal(rec.vntImagePathEx, c.ex)) << rec.vntImagePathEx;
        }
    }
}

TEST(ServicesResolver, NodeTextByChoice) {
    clsSD r;
    r.vntDisplayName = "Disp";
    r.vntDescription = "Desc";
    r.vntRegKey = "Key";
    r.vntImagePathEx = "C:\\x.exe";
    struct Case {
        const char* choice;
        bool detailed;
        std::string text;
    };
    const Case cases[] = {
        {"0", false, "Disp"},
        {"0", true, "Disp,   Description:Desc"},
        {"1", false, "Desc"},
        {"1", true, "Desc,   Display name:Disp"},
        {"2", false, "Key"},
        {"2", true, "Key,   Display name:Disp,   Description: Desc"},
        {"3", false, "C:\\x.exe"},
        {"3", true, "C:\\x.exe,  Display name:Disp, Registry key:  Key"},
        {"7", false, "Disp,   Description:Desc"},
        {"", false, "Disp,   Description:Desc"},
    };
    for (const Case& c : cases) EXPECT_EQ(SD_NodeText(r, c.choice, c.detailed), c.text) << c.choice << c.detailed;
}

TEST(ServicesScan, ListsEveryServiceOfThePrefix) {
    RegistryTabWindow w;
    colSD col;
    ASSERT_TRUE(SD_FillList(col, w.tvw, "2", false, w.stb1, w.blnCancel));
    const auto names = SubKeys(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(col.Count(), static_cast<long>(names.size()));
    for (const auto& n : names) EXPECT_TRUE(w.tvw.Nodes.Exists(n)) << n;

    auto spooler = col.Item("Spooler");
    EXPECT_EQ(spooler->vntDisplayName, "Print Spooler");
    EXPECT_TRUE(spooler->blnFileExist);
    EXPECT_TRUE(TextCase::Equal(spooler->vntImagePathEx, Windows() + "\\system32\\spoolsv.exe"));
    EXPECT_EQ(w.tvw.Nodes.Item("Spooler")->Image().key, "Service");
    EXPECT_EQ(w.tvw.Nodes.Item("Spooler")->Text(), "Spooler");
    // svchost services resolve by shortening; a driver is a Device.
    auto eventlog = col.Item("Eventlog");
    EXPECT_TRUE(eventlog->blnFileExist);
    EXPECT_TRUE(TextCase::Equal(eventlog->vntImagePathEx, Windows() + "\\system32\\svchost.exe"));
    EXPECT_EQ(w.tvw.Nodes.Item("winebus")->Image().key, "Device");
    // Tcpip has no ImagePath: its kind's image, never Strike.
    auto tcpip = col.Item("Tcpip");
    EXPECT_EQ(tcpip->vntImagePath, "Not defined.");
    EXPECT_FALSE(tcpip->blnFileExist);
    EXPECT_NE(w.tvw.Nodes.Item("Tcpip")->Image().key, "Strike");

    // Details of a service whose file exists.
    SD_ShowDetails(*spooler, w.lsvDetails);
    auto& rows = w.lsvDetails.ListItems;
    EXPECT_EQ(rows.Item("Display_Name")->SubItem(1), "Print Spooler");
    EXPECT_EQ(rows.Item("Registry_Key")->SubItem(1), "Spooler");
    EXPECT_TRUE(TextCase::Equal(rows.Item("File Location_calculated")->SubItem(1), spooler->vntImagePathEx));
    EXPECT_EQ(rows.Item("File_Name_calculated")->SubItem(1), "spoolsv.exe");
    EXPECT_EQ(rows.Item("File_exists")->SubItem(1), "True");
    EXPECT_TRUE(rows.Exists("xDescription"));
    EXPECT_EQ(rows.Count(), 6 + 15);
    {
        // "Internal Version" is the file's FileVersion string here (the components tab shows
        // ProductVersion): a file with a FileVersion and no ProductVersion.
        clsSD server;
        server.vntImagePath = server.vntImagePathEx = VELM_FIXTURE_COMSERVER_DLL;
        server.blnFileExist = true;
        SD_ShowDetails(server, w.lsvDetails);
        EXPECT_EQ(rows.Item("Internal Version")->SubItem(1), "1.0.0.1");
        EXPECT_EQ(rows.Item("STRINGFILEINFO_ProductVersion")->SubItem(1), "");
        SD_ShowDetails(*spooler, w.lsvDetails);
    }
    SD_ShowDetails(*tcpip, w.lsvDetails);
    EXPECT_EQ(rows.Count(), 6);

    // A click's worth of values, and a tree below the service.
    SD_ExpandNode(w.tvw, *w.tvw.Nodes.Item("Spooler"), *spooler, true);
    const std::string own = "Spooler" + Chain + "Spooler";
    ASSERT_TRUE(w.tvw.Nodes.Exists(own));
    EXPECT_EQ(w.tvw.Nodes.Item(own)->SelectedImage().key, "Folder");
    SD_FillValueList(own, w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Item("KeyDisplayName")->SubItem(1), "Print Spooler");
}

class ServicesFixture : public ::testing::Test {
protected:
    RegFixture hklm{HKEY_LOCAL_MACHINE, R"(
        [SYSTEM\CurrentControlSet\Services\A1]
        "DisplayName"="First"
        "Type"=dword:00000010
        "ImagePath"=expand:"%SystemRoot%\\system32\\spoolsv.exe"
        [SYSTEM\CurrentControlSet\Services\A1\Parameters\Deep]
        "needle"="x"
        [SYSTEM\CurrentControlSet\Services\B2]
        "Type"=dword:00000001
        "ImagePath"="\\SystemRoot\\System32\\drivers\\winebus.sys"
        "Description"="a driver"
        [SYSTEM\CurrentControlSet\Services\C3]
        "ImagePath"="\"C:\\windows\\system32\\drivers\\missing.sys\""
        [SYSTEM\CurrentControlSet\Services\Z9]
        "ImagePath"="\\??\\C:\\windows\\system32\\notepad.exe"
        [SYSTEM\CurrentControlSet\Services\Z9\Sub]
        @="unnamed"
        "Default"="a value really named Default"
        "Dw"=dword:0000002a
        "Nothing"=none:
        "Big"=qword:0102030405060708
        "Last"="needle"
        [SYSTEM\CurrentControlSet\Services\Z9\Sub\Old]
        "v"="1"
        [SYSTEM\CurrentControlSet\Services\Z9\Sub\Taken]
    )"};
    RegistryTabWindow w;
    colSD col;
    void SetUp() override {
        hklm.Load("[SYSTEM\\CurrentControlSet\\Services\\" + LongName + "\\needle]\n");
        ASSERT_TRUE(SD_FillList(col, w.tvw, "0", false, w.stb1, w.blnCancel));
    }
    ui::Node& Node(const std::string& key) { return *w.tvw.Nodes.Item(key); }
    ui::Node& Expand(const std::string& service) {
        SD_ExpandNode(w.tvw, Node(service), *col.Item(service), false);
        return Node(service);
    }
};

TEST_F(ServicesFixture, ScanResolvesImagesAndSkipsNothing) {
    // The long key name neither ends the scan nor hides Z9.
    EXPECT_EQ(col.Count(), 5);
    EXPECT_TRUE(col.Exists(LongName));
    EXPECT_TRUE(col.Item("Z9")->blnFileExist);
    EXPECT_EQ(Node("A1").Image().key, "Service");
    EXPECT_EQ(Node("A1").Text(), "First");
    EXPECT_TRUE(col.Item("A1")->blnFileExist);
    EXPECT_EQ(Node("B2").Image().key, "Device");
    EXPECT_EQ(Node("B2").Text(), "B2");
    EXPECT_EQ(col.Item("B2")->vntDescription, "a driver");
    EXPECT_EQ(col.Item("A1")->vntDescription, "Not defined.");
    // The enclosing quotes go; a missing file strikes the node.
    EXPECT_EQ(col.Item("C3")->vntImagePath, "\"C:\\windows\\system32\\drivers\\missing.sys\"");
    EXPECT_EQ(Node("C3").Image().key, "Strike");
    SD_ShowDetails(*col.Item("C3"), w.lsvDetails);
    ASSERT_EQ(w.lsvDetails.ListItems.Count(), 7);
    EXPECT_EQ(w.lsvDetails.ListItems.Item("File exists")->SubItem(1), "False");
    EXPECT_EQ(w.lsvDetails.ListItems.Item("File exists")->SmallIcon().key, "Strike");
}

TEST_F(ServicesFixture, CancelStopsBeforeTheFirstKey) {
    w.tvw.Nodes.Clear();
    w.blnCancel = true;
    SD_FillList(col, w.tvw, "0", false, w.stb1, w.blnCancel);
    EXPECT_EQ(col.Count(), 0);
    EXPECT_EQ(w.tvw.Nodes.Count(), 0);
}

TEST_F(ServicesFixture, SubTreeAndValues) {
    Expand("Z9");
    const long count = w.tvw.Nodes.Count();
    Expand("Z9");  // the same sub-tree once
    EXPECT_EQ(w.tvw.Nodes.Count(), count);
    const std::string own = "Z9" + Chain + "Z9";
    for (const std::string& k : {std::string("Z9\\HKEY_LOCAL_MACHINE"), std::string("Z9\\HKEY_LOCAL_MACHINE\\SYSTEM"), own, own + "\\Sub\\Old"})
        EXPECT_TRUE(w.tvw.Nodes.Exists(k)) << k;
    // Every value is listed; the unnamed value and a value named "Default" are two rows.
    SD_FillValueList(own + "\\Sub", w.lsvEntries);
    auto& items = w.lsvEntries.ListItems;
    ASSERT_EQ(items.Count(), 6);
    EXPECT_EQ(items.Item(1)->Text(), "Default");
    EXPECT_EQ(items.Item(1)->Key(), "");
    EXPECT_EQ(items.Item(1)->SubItem(1), "unnamed");
    EXPECT_EQ(items.Item("KeyDefault")->SubItem(1), "a value really named Default");
    EXPECT_EQ(items.Item("KeyBig")->SubItem(1), "72623859790382856");
    EXPECT_EQ(items.Item("KeyLast")->SubItem(1), "needle");
    EXPECT_EQ(RegistryValuesList::ValueNameOfRow(*items.Item("KeyDefault")), "Default");
    // A node that stands for no key leaves the list as it was.
    SD_FillValueList("Z9\\HKEY_LOCAL_MACHINE", w.lsvEntries);
    EXPECT_EQ(items.Count(), 6);
}

TEST_F(ServicesFixture, EditsActOnlyWithinTheServiceKey) {
    Expand("Z9");
    const std::string own = "Z9" + Chain + "Z9";
    const std::string base = "SYSTEM\\CurrentControlSet\\Services\\";
    // Levels above the service key: nothing changes, whatever is asked.
    for (const std::string& k : {std::string("Z9"), std::string("Z9\\HKEY_LOCAL_MACHINE"),
                                 std::string("Z9\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services")}) {
        SD_DeleteKey(w.tvw, Node(k));
        SD_NewValue(Node(k), "planted", "x");
        SD_NewKey(w.tvw, Node(k), "Planted");
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, base + "Z9"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Planted"));
    EXPECT_EQ(SD_RenameKey(w.tvw, Node(own), "Renamed"), 1);  // the service key itself is not renamed
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, base + "Z9"));

    // The unnamed value and the value named "Default" are each deleted as themselves.
    SD_DeleteValue(Node(own + "\\Sub"), "Default");
    RegistryValuesList::Fill(HKEY_LOCAL_MACHINE, base + "Z9\\Sub", w.lsvEntries);
    EXPECT_FALSE(w.lsvEntries.ListItems.Exists("KeyDefault"));
    EXPECT_EQ(w.lsvEntries.ListItems.Item(1)->SubItem(1), "unnamed");
    SD_DeleteValue(Node(own + "\\Sub"), "");
    RegistryValuesList::Fill(HKEY_LOCAL_MACHINE, base + "Z9\\Sub", w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Count(), 4);
    for (const auto& row : w.lsvEntries.ListItems) EXPECT_NE(row->Key(), "");

    // New key and value, rename, rename onto an existing key, delete.
    SD_NewKey(w.tvw, Node(own + "\\Sub"), "Fresh");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, base + "Z9\\Sub\\Fresh"));
    EXPECT_TRUE(w.tvw.Nodes.Exists(own + "\\Sub\\Fresh"));
    SD_NewValue(Node(own + "\\Sub\\Fresh"), "n", "42");
    RegistryValuesList::Fill(HKEY_LOCAL_MACHINE, base + "Z9\\Sub\\Fresh", w.lsvEntries);
    EXPECT_EQ(w.lsvEntries.ListItems.Item("Keyn")->SmallIcon().key, "String");
    EXPECT_EQ(SD_RenameKey(w.tvw, Node(own + "\\Sub\\Old"), "Taken"), 1);
    EXPECT_TRUE(w.tvw.Nodes.Exists(own + "\\Sub\\Old"));
    EXPECT_EQ(SD_RenameKey(w.tvw, Node(own + "\\Sub\\Old"), "New"), 0);
    EXPECT_FALSE(w.tvw.Nodes.Exists(own + "\\Sub\\Old"));
    EXPECT_TRUE(w.tvw.Nodes.Exists(own + "\\Sub\\New"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, base + "Z9\\Sub\\Old"));
    SD_DeleteKey(w.tvw, Node(own + "\\Sub\\New"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, base + "Z9\\Sub\\New"));
    EXPECT_FALSE(w.tvw.Nodes.Exists(own + "\\Sub\\New"));
}

TEST_F(ServicesFixture, SearchMarksTheHitsOfEachService) {
    SD_Find(w.tvw, col, w.stb1, {.text = "needle"}, w.blnCancel);
    auto found = w.NodesWithImage("Found");
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected = {"A1" + Chain + "A1\\Parameters\\Deep", LongName + Chain + LongName + "\\needle",
                                         "Z9" + Chain + "Z9\\Sub"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    // The services without a hit stay collapsed and unexpanded.
    EXPECT_EQ(Node("B2").Children(), 0);
    EXPECT_EQ(Node("C3").Children(), 0);
}

namespace {

// Registered texts of every hostile shape, far longer than any path: made of backslashes, with
// "%" references, starting with "\", relative, plain, and a real file followed by long text.
struct HostileText {
    const char* name;
    std::string text;
};
std::vector<HostileText> HostileTexts(size_t length) {
    const std::string w = Windows();
    auto fill = [length](std::string head, const std::string& unit) {
        while (head.size() < length) head += unit;
        return head;
    };
    return {
        {"Backslashes", std::string(length, '\\')},
        {"Percents", fill("%", "%SystemRoot%\\a%")},
        {"Reference", fill("%SystemRoot%\\", "%PATH%")},
        {"Leading", fill("\\", "SystemRoot")},
        {"LeadingPath", fill("\\", "x\\")},
        {"Relative", fill("System32\\", "drivers\\")},
        {"Plain", std::string(length, 'x')},
        {"Blanks", fill(w + "\\system32\\spoolsv.exe", " ")},
        {"Arguments", fill(w + "\\system32\\spoolsv.exe -k ", "netsvcs ")},
        {"ExpandedArguments", fill("%SystemRoot%\\system32\\spoolsv.exe -k ", "%x% ")},
    };
}

void SetText(HKEY root, const std::string& key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0) << key;
    EXPECT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              0);
    RegCloseKey(h);
}

}  // namespace

// No text longer than a path names a file; the resolver tests only candidates that can be one,
// so a real file followed by any amount of arguments is still found.
TEST(ServicesResolver, TextsLongerThanAPathResolveOnlyToTheFileTheyBeginWith) {
    for (const HostileText& t : HostileTexts(100000)) {
        SCOPED_TRACE(t.name);
        clsSD rec;
        const bool found = SD_ResolveImagePath(rec, t.text);
        const std::string name = t.name;
        const bool real = name == "Blanks" || name == "Arguments" || name == "ExpandedArguments";
        EXPECT_EQ(found, real);
        EXPECT_EQ(rec.blnFileExist, real);
        if (real) {
            EXPECT_TRUE(TextCase::Equal(rec.vntImagePathEx, Windows() + "\\system32\\spoolsv.exe"))
                << rec.vntImagePathEx;
        }
    }
}

// Services whose image paths are 100,000 characters of each shape: the scan lists every one
// and goes on, and the details list of each shows.
TEST(ServicesScan, HostileImagePathsAreListedNotResolved) {
    RegFixture hklm(HKEY_LOCAL_MACHINE);
    const std::vector<HostileText> texts = HostileTexts(100000);
    for (const HostileText& t : texts) {
        SetText(HKEY_LOCAL_MACHINE, std::string(ServicesKey) + "\\" + t.name, "ImagePath", t.text);
        SetText(HKEY_LOCAL_MACHINE, std::string(ServicesKey) + "\\Expand" + t.name, "ImagePath", t.text,
                REG_EXPAND_SZ);
    }
    SetText(HKEY_LOCAL_MACHINE, std::string(ServicesKey) + "\\Zz", "ImagePath", Windows() + "\\system32\\spoolsv.exe");
    RegistryTabWindow w;
    colSD col;
    ASSERT_TRUE(SD_FillList(col, w.tvw, "3", true, w.stb1, w.blnCancel));
    EXPECT_EQ(col.Count(), static_cast<long>(2 * texts.size() + 1));
    EXPECT_TRUE(col.Item("Zz")->blnFileExist);
    for (const HostileText& t : texts) {
        for (const std::string& key : {std::string(t.name), "Expand" + std::string(t.name)}) {
            SCOPED_TRACE(key);
            auto rec = col.Item(key);
            EXPECT_EQ(rec->vntImagePath, t.text);
            const std::string name = t.name;
            const bool real = name == "Blanks" || name == "Arguments" || name == "ExpandedArguments";
            EXPECT_EQ(rec->blnFileExist, real);
            EXPECT_EQ(w.tvw.Nodes.Item(key)->Image().key, real ? "Service" : "Strike");
            SD_ShowDetails(*rec, w.lsvDetails);
            EXPECT_EQ(w.lsvDetails.ListItems.Count(), real ? 6 + 15 : 7);
        }
    }
}

// Services whose keys lie below paths longer than MAX_PATH, in the prefix's real registry: the
// scan lists each one, its node expands to its whole sub-tree, the values list shows its values,
// the search finds the value inside it, and the edits of values and keys reach it.
TEST(ServicesScan, KeysBelowPathsLongerThanMaxPathAreListedExpandedSearchedAndEdited) {
    struct Shape {
        const char* what;
        std::string service, below;
    };
    const Shape shapes[] = {
        {"a 248-character service name", "VelmLong" + std::string(240, 'l'), "Parameters"},
        {"a 255-character service name", "VelmLongest" + std::string(244, 'n'), "Parameters"},
        {"a short service name above long sub-key names", "VelmDeep",
         std::string(100, 'p') + "\\" + std::string(100, 'q') + "\\" + std::string(100, 'r')},
    };
    const std::string services = std::string(ServicesKey) + "\\";
    std::string reg;
    for (const Shape& s : shapes) {
        reg += "[" + services + s.service + "]\n\"ImagePath\"=expand:\"%SystemRoot%\\\\system32\\\\spoolsv.exe\"\n";
        reg += "[" + services + s.service + "\\" + s.below + "]\n\"Pin\"=\"a longpathneedle inside\"\n";
        reg += "\"Count\"=dword:0000002a\n";
    }
    ScopeExit cleanup([&] {
        for (const Shape& s : shapes) LoadRegText(HKEY_LOCAL_MACHINE, "[-" + services + s.service + "]\n");
    });
    LoadRegText(HKEY_LOCAL_MACHINE, reg);

    RegistryTabWindow w;
    colSD col;
    ASSERT_TRUE(SD_FillList(col, w.tvw, "2", false, w.stb1, w.blnCancel));
    SD_Find(w.tvw, col, w.stb1, {.text = "longpathneedle"}, w.blnCancel);
    auto found = w.NodesWithImage("Found");
    std::vector<std::string> expected;
    for (const Shape& s : shapes) expected.push_back(s.service + Chain + s.service + "\\" + s.below);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);

    auto& rows = w.lsvEntries.ListItems;
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(col.Exists(s.service));
        EXPECT_EQ(w.tvw.Nodes.Item(s.service)->Text(), s.service);
        SD_ExpandNode(w.tvw, *w.tvw.Nodes.Item(s.service), *col.Item(s.service), true);
        const std::string own = s.service + Chain + s.service, deep = own + "\\" + s.below;
        ASSERT_TRUE(w.tvw.Nodes.Exists(deep));
        SD_FillValueList(own, w.lsvEntries);
        EXPECT_TRUE(rows.Exists("KeyImagePath"));
        SD_FillValueList(deep, w.lsvEntries);
        ASSERT_EQ(rows.Count(), 2);
        EXPECT_EQ(rows.Item("KeyPin")->SubItem(1), "a longpathneedle inside");
        EXPECT_EQ(rows.Item("KeyCount")->SubItem(1), "42");

        ui::Node& node = *w.tvw.Nodes.Item(deep);
        SD_NewValue(node, "Added", "new text");
        SD_FillValueList(deep, w.lsvEntries);
        ASSERT_TRUE(rows.Exists("KeyAdded"));
        EXPECT_EQ(rows.Item("KeyAdded")->SubItem(1), "new text");
        SD_DeleteValue(node, "Added");
        SD_FillValueList(deep, w.lsvEntries);
        EXPECT_FALSE(rows.Exists("KeyAdded"));
        EXPECT_EQ(rows.Count(), 2);

        const std::string path = services + s.service + "\\" + s.below;
        SD_NewKey(w.tvw, node, "Fresh");
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, path + "\\Fresh"));
        ASSERT_TRUE(w.tvw.Nodes.Exists(deep + "\\Fresh"));
        EXPECT_EQ(SD_RenameKey(w.tvw, *w.tvw.Nodes.Item(deep + "\\Fresh"), "Renamed"), 0);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, path + "\\Renamed"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path + "\\Fresh"));
        ASSERT_TRUE(w.tvw.Nodes.Exists(deep + "\\Renamed"));
        SD_DeleteKey(w.tvw, *w.tvw.Nodes.Item(deep + "\\Renamed"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path + "\\Renamed"));
        EXPECT_FALSE(w.tvw.Nodes.Exists(deep + "\\Renamed"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, path));
    }
}
