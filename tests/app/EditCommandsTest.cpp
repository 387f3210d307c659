// The registry edit commands of the components, file-types and services tabs, driven through
// the main window as a user runs them from the menus, with the prompts answered through the
// seams and every registry effect read back: values and keys of scratch registries for each
// tab, the services tab's level guards, whole-entry deletions, and the prefix's real classes
// (copied into a scratch HKEY_CLASSES_ROOT the test may change).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/Form_Main.h"
#include "app/RunGuard.h"
#include "base/QV_Registry_Lib.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"
#include "ui/QV_TreeView_Lib.h"

namespace {

// The same values in each tab's key: every value type the commands meet, the unnamed value and a
// value named "default" beside it, and a sub-key to rename onto.
const char* kValues = R"(
@="unnamed"
"default"="named"
"Start"=dword:80000001
"List"=multi:"a","b"
"Bytes"=hex:01,02
"Text"="hello"
"Empty"=hex(1):
)";

const char* kClsid = "{0E0E0E0E-0000-4000-8000-0000000000C1}";

std::string ClassesText() {
    return std::string(R"(
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C1}]
)") + kValues + R"(
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C1}\InprocServer32]
@="C:\\windows\\system32\\ole32.dll"
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C1}\ProgID]
@="Velm.EditTest.1"
[CLSID\{0E0E0E0E-0000-4000-8000-0000000000C1}\Existing]
[Velm.EditTest.1]
@="Edit test"
[TypeLib]
[AppID]
[.velmtest]
@="velmtest_file"
[velmtest_file]
)" + kValues + R"(
[velmtest_file\Existing]
[velmtest_file\shell\open\command]
@="notepad.exe %1"
[.velmbad]
@="CLSID"
[.velmstar]
@="*"
[*\shellex\ContextMenuHandlers]
)";
}

std::string MachineText() {
    return std::string(R"(
[SYSTEM\CurrentControlSet\Services\VelmTestSvc]
"ImagePath"="C:\\windows\\system32\\spoolsv.exe"
"Path"=expand:"%SystemRoot%\\x"
)") + kValues + R"(
[SYSTEM\CurrentControlSet\Services\VelmTestSvc\Existing]
[SYSTEM\CurrentControlSet\Services\VelmTestSvc\Parameters\Sub]
"Deep"="1"
[SYSTEM\CurrentControlSet\Services\OtherSvc]
"ImagePath"="C:\\windows\\system32\\spoolsv.exe"
[SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall]
)";
}

// Answers the input boxes in order and records each one as prompt|title|default.
struct Inputs {
    std::deque<std::string> answers;
    std::vector<std::string> asked;
    ui::InputBoxOverride override_{[this](const std::string& p, const std::string& t, const std::string& d) {
        asked.push_back(p + "|" + t + "|" + d);
        if (answers.empty()) return std::string();
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }};
};

std::string Text(HKEY root, const std::string& path, const std::string& name) {
    const StoredValue r = ReadStoredValue(root, path, name);
    if (r.type != REG_SZ) return r.type == 0 ? "<none>" : "<type " + std::to_string(r.type) + ">";
    return std::string(r.bytes.c_str());
}
DWORD Dword(HKEY root, const std::string& path, const std::string& name) {
    const StoredValue r = ReadStoredValue(root, path, name);
    DWORD v = 0;
    if (r.type == REG_DWORD && r.bytes.size() == 4) memcpy(&v, r.bytes.data(), 4);
    return v;
}
DWORD SubKeyCount(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    DWORD n = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != 0) return 0;
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    return n;
}

// What a test needs of one tab: its tree, values list, hive, the key node and its registry path.
struct TabUnderTest {
    Tab tab;
    const char* name;
    ui::TreeView& tree;
    ui::ListView& values;
    HKEY root;
    std::string nodeKey;
    std::string path;
};

struct EditCommands : MainWindowFixture {
    static Form_Main& F() { return frmMain(); }
    // Selects a node of a tab as a click does, with that tab's NodeClick handling.
    static ui::NodePtr SelectOn(const TabUnderTest& t, const std::string& key) { return ClickNode(t.tree, key); }
    // Selects the values list's row of a value ("" = the unnamed value's row).
    static bool SelectRow(ui::ListView& list, const std::string& name) {
        for (auto& row : list.ListItems)
            if (name.empty() ? row->Key().empty() : row->Key() == "Key" + name) {
                list.SetSelectedItem(row);
                return true;
            }
        return false;
    }
    static void Click(const std::string& item) { F().Menus[item].DoClick(); }
};

// Shows every tab once and expands the test entries, so each tab's key node exists.
std::vector<TabUnderTest> ShowAllTabs() {
    Form_Main& f = frmMain();
    f.SelectTab(Tab::SD);
    f.SelectTab(Tab::CMH);
    f.SelectTab(Tab::RegComp);
    ui::DoEvents();
    const std::string classNode = std::string("DLLServer\\") + kClsid;
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(classNode));
    f.tvwRegComp_DblClick();
    f.tvwCMH.SetSelectedItem(f.tvwCMH.Nodes.Find("File_Type_.velmtest"));
    f.tvwCMH_DblClick();
    f.tvwSD.SetSelectedItem(f.tvwSD.Nodes.Find("VelmTestSvc"));
    f.tvwSD_DblClick();
    return {
        {Tab::RegComp, "components", f.tvwRegComp, f.lsvRegComp_entries, HKEY_CLASSES_ROOT,
         classNode + "\\HKEY_CLASSES_ROOT\\CLSID\\" + kClsid, std::string("CLSID\\") + kClsid},
        {Tab::CMH, "file types", f.tvwCMH, f.lsvCMH_entries, HKEY_CLASSES_ROOT,
         "File_Type_.velmtest\\HKEY_CLASSES_ROOT\\velmtest_file", "velmtest_file"},
        {Tab::SD, "services", f.tvwSD, f.lsvSD_entries, HKEY_LOCAL_MACHINE,
         "VelmTestSvc\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VelmTestSvc",
         "SYSTEM\\CurrentControlSet\\Services\\VelmTestSvc"},
    };
}

struct Entries {
    const char* menu;     // the values list's pop-up menu
    const char* newKey;   // the tree menu's New Key
    const char* rename;   // the tree menu's Rename
    const char* del;      // the tree menu's Delete
};
Entries MenusOf(Tab tab) {
    switch (tab) {
        case Tab::RegComp: return {"MNU_RegCompEntries", "MNU_RegComp_New", "MNU_RegComp_Rename", "MNU_RegComp_Delete"};
        case Tab::CMH: return {"MNU_CMHEntries", "MNU_CMHNEw_Key", "MNU_CMH_Rename", "MNU_CMH_Delete"};
        default: return {"MNU_SDEntries", "MNU_ServicesDevices_New_Key", "MNU_ServicesDevices_Rename",
                         "MNU_ServicesDevices_Delete"};
    }
}

}  // namespace

// Opens the main window on the edit fixtures and runs `steps` on each registry tab with its test
// node selected (as a click selects it) and its "Start" value's row chosen; `selectNode` selects
// another node of the tab's tree the same way.
using TabSteps = std::function<void(TabUnderTest& t, const Entries& m,
                                    const std::function<ui::NodePtr(const std::string&)>& selectNode)>;
static void OnEachTab(EditCommands& fixture, const TabSteps& steps) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(3));
    fixture.Open();
    for (TabUnderTest& t : ShowAllTabs()) {
        SCOPED_TRACE(t.name);
        auto selectNode = [&](const std::string& key) { return EditCommands::SelectOn(t, key); };
        ASSERT_TRUE(selectNode(t.nodeKey));
        ASSERT_TRUE(EditCommands::SelectRow(t.values, "Start"));
        steps(t, MenusOf(t.tab), selectNode);
    }
}

// Modify on each tab: numbers, refused texts and types, the unnamed value, unchanged answers.
TEST_F(EditCommands, ModifyOfEachTabWritesOnlyWhatChanged) {
    OnEachTab(*this, [&](TabUnderTest& t, const Entries& m, const auto& /*selectNode*/) {
        const std::string entries = m.menu;
        // Modify of a DWORD: offered as an unsigned number, 4294967295 written as all ones.
        {
            BoxRecorder boxes;
            Inputs in;
            in.answers = {"4294967295"};
            Click(entries + "_Modify");
            EXPECT_EQ(in.asked, (std::vector<std::string>{"Please enter new Value:|Rename Value|2147483649"}));
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(Dword(t.root, t.path, "Start"), 0xFFFFFFFFu);
        }
        // A text that is no unsigned 32-bit number is refused and nothing is written.
        for (const char* bad : {"-1", "4294967296", "12x", " 5"}) {
            ASSERT_TRUE(SelectRow(t.values, "Start"));
            BoxRecorder boxes;
            Inputs in;
            in.answers = {bad};
            Click(entries + "_Modify");
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error changing value !"})) << bad;
            EXPECT_EQ(Dword(t.root, t.path, "Start"), 0xFFFFFFFFu) << bad;
        }
        // A multi-string or binary value is not modified here.
        for (const char* other : {"List", "Bytes"}) {
            ASSERT_TRUE(SelectRow(t.values, other));
            BoxRecorder boxes;
            Inputs in;
            Click(entries + "_Modify");
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Only String values supported in modify mode !"}));
            EXPECT_TRUE(in.asked.empty());
        }
        // A text of no bytes (not even its NUL) is the empty text: offered, and the answer written.
        {
            ASSERT_TRUE(SelectRow(t.values, "Empty"));
            BoxRecorder boxes;
            Inputs in;
            in.answers = {"filled"};
            Click(entries + "_Modify");
            EXPECT_EQ(in.asked, (std::vector<std::string>{"Please enter new Value:|Rename Value|"}));
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(Text(t.root, t.path, "Empty"), "filled");
        }
        // The unnamed value's row edits the unnamed value, not the value named "default".
        ASSERT_TRUE(SelectRow(t.values, ""));
        {
            Inputs in;
            in.answers = {"changed"};
            Click(entries + "_Modify");
            EXPECT_EQ(Text(t.root, t.path, ""), "changed");
            EXPECT_EQ(Text(t.root, t.path, "default"), "named");
        }
        // OK on the text as shown writes nothing.
        for (const char* name : {"Text", "Start"}) {
            ASSERT_TRUE(SelectRow(t.values, name));
            const std::string before = DumpKeyTree(t.root, t.path);
            BoxRecorder boxes;
            Inputs in;
            in.answers = {name == std::string("Text") ? "hello" : "4294967295"};
            Click(entries + "_Modify");
            EXPECT_EQ(in.asked.size(), 1u) << name;
            EXPECT_TRUE(boxes.boxes.empty()) << name;
            EXPECT_EQ(DumpKeyTree(t.root, t.path), before) << name;
        }
    });
}

// Rename, Delete and New of values on each tab change exactly the value they name.
TEST_F(EditCommands, RenameDeleteAndNewValueOfEachTabChangeExactlyTheirValue) {
    OnEachTab(*this, [&](TabUnderTest& t, const Entries& m, const auto& /*selectNode*/) {
        const std::string entries = m.menu;
        // A rename onto another value's name (in any letter case, the unnamed value's "Default"
        // included) is refused and changes nothing.
        for (const char* taken : {"default", "Default", "LIST", "Bytes"}) {
            ASSERT_TRUE(SelectRow(t.values, "Text"));
            const std::string before = DumpKeyTree(t.root, t.path);
            BoxRecorder boxes;
            Inputs in;
            in.answers = {taken};
            Click(entries + "_Rename");
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error renaming value !"})) << taken;
            EXPECT_EQ(DumpKeyTree(t.root, t.path), before) << taken;
        }
        // Each type renamed to a free name and back: the data moves byte for byte; a change of
        // letter case alone respells the name.
        for (const char* name : {"Start", "List", "Bytes", "Text"}) {
            const std::string before = DumpKeyTree(t.root, t.path);
            const std::string moved = std::string(name) + " moved";
            ASSERT_TRUE(SelectRow(t.values, name));
            {
                Inputs in;
                in.answers = {moved};
                Click(entries + "_Rename");
            }
            const StoredValue there = ReadStoredValue(t.root, t.path, moved);
            EXPECT_NE(there.type, 0u) << name;
            EXPECT_EQ(Text(t.root, t.path, name), "<none>") << name;
            ASSERT_TRUE(SelectRow(t.values, moved));
            {
                Inputs in;
                in.answers = {name};
                Click(entries + "_Rename");
            }
            EXPECT_EQ(DumpKeyTree(t.root, t.path), before) << name;
        }
        ASSERT_TRUE(SelectRow(t.values, "Text"));
        {
            BoxRecorder boxes;
            Inputs in;
            in.answers = {"TEXT"};
            Click(entries + "_Rename");
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_NE(DumpKeyTree(t.root, t.path).find("\"TEXT\" type 1"), std::string::npos);
            EXPECT_EQ(Text(t.root, t.path, "Text"), "hello");
            EXPECT_TRUE(SelectRow(t.values, "TEXT"));
        }
        // Rename to "Default" makes the value the unnamed value once there is none.
        ASSERT_EQ(RegDeleteKeyValueA(t.root, t.path.c_str(), ""), 0);
        ASSERT_TRUE(SelectRow(t.values, "TEXT"));
        {
            Inputs in;
            in.answers = {"Default"};
            Click(entries + "_Rename");
            EXPECT_EQ(in.asked, (std::vector<std::string>{"Please enter new Value name:|Rename Value|TEXT"}));
            EXPECT_EQ(Text(t.root, t.path, ""), "hello");
            EXPECT_EQ(Text(t.root, t.path, "Text"), "<none>");
            EXPECT_EQ(Text(t.root, t.path, "default"), "named");
        }
        // Delete of the unnamed row beside a value named "default": only the unnamed value goes;
        // the question has an empty caption. No keeps the value.
        ASSERT_TRUE(SelectRow(t.values, ""));
        {
            BoxRecorder no(ui::vbNo);
            Click(entries + "_Delete");
            EXPECT_EQ(Text(t.root, t.path, ""), "hello");
        }
        ASSERT_TRUE(SelectRow(t.values, ""));
        {
            BoxRecorder yes(ui::vbYes);
            Click(entries + "_Delete");
            ASSERT_EQ(yes.boxes.size(), 1u);
            EXPECT_EQ(yes.boxes[0].prompt, "Really delete value ?");
            EXPECT_EQ(yes.boxes[0].style, 20);
            EXPECT_EQ(yes.boxes[0].title, "");
            EXPECT_EQ(Text(t.root, t.path, ""), "<none>");
            EXPECT_EQ(Text(t.root, t.path, "default"), "named");
        }
        // The row of the value named "default" deletes that value.
        ASSERT_TRUE(SelectRow(t.values, "default"));
        {
            BoxRecorder yes(ui::vbYes);
            Click(entries + "_Delete");
            EXPECT_EQ(Text(t.root, t.path, "default"), "<none>");
        }
        // New value: "Default" is the unnamed value; the data is written as text.
        {
            Inputs in;
            in.answers = {"Default", "42"};
            Click(entries + "_New");
            EXPECT_EQ(in.asked, (std::vector<std::string>{"Please enter Value name:|Create new Value|Default",
                                                          "Value for Default:|Create new Value|"}));
            EXPECT_EQ(Text(t.root, t.path, ""), "42");
            EXPECT_TRUE(SelectRow(t.values, ""));  // the list shows the new value
        }

    });
}

// New, Rename and Delete of keys on each tab change exactly the key they name.
TEST_F(EditCommands, KeyCommandsOfEachTabChangeExactlyTheirKey) {
    OnEachTab(*this, [&](TabUnderTest& t, const Entries& m, const auto& selectNode) {
        const std::string entries = m.menu;
        // New key, then rename it onto an existing sibling (refused, nothing changed), then to a
        // free name, then delete it.
        {
            Inputs in;
            in.answers = {"NewSub"};
            Click(m.newKey);
            EXPECT_EQ(in.asked, (std::vector<std::string>{"Please enter Key name:|" + ui::AppTitle() + "|Create new Key"}));
            EXPECT_TRUE(KeyExists(t.root, t.path + "\\NewSub"));
            ASSERT_TRUE(t.tree.Nodes.Exists(t.nodeKey + "\\NewSub"));
        }
        ASSERT_TRUE(selectNode(t.nodeKey + "\\NewSub"));
        const std::string before = DumpKeyTree(t.root, t.path);
        {
            BoxRecorder boxes;
            Inputs in;
            in.answers = {"Existing"};
            Click(m.rename);
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error renaming key !"}));
            EXPECT_EQ(boxes.boxes[0].style, ui::vbCritical);
            EXPECT_EQ(DumpKeyTree(t.root, t.path), before);
        }
        {
            Inputs in;
            in.answers = {"Renamed"};
            Click(m.rename);
            EXPECT_FALSE(KeyExists(t.root, t.path + "\\NewSub"));
            EXPECT_TRUE(KeyExists(t.root, t.path + "\\Renamed"));
            EXPECT_TRUE(t.tree.Nodes.Exists(t.nodeKey + "\\Renamed"));
        }
        ASSERT_TRUE(selectNode(t.nodeKey + "\\Renamed"));
        {
            BoxRecorder yes(ui::vbYes);
            Click(m.del);
            ASSERT_EQ(yes.boxes.size(), 1u);
            EXPECT_EQ(yes.boxes[0].prompt,
                      "Return to original setting not possible - always make\r\nbackup copies of your Registry before "
                      "editing !\r\nReally Delete currently selected Registry-Key ?");
            EXPECT_FALSE(KeyExists(t.root, t.path + "\\Renamed"));
            EXPECT_FALSE(t.tree.Nodes.Exists(t.nodeKey + "\\Renamed"));
            EXPECT_TRUE(KeyExists(t.root, t.path + "\\Existing"));
        }
    });
}

// After a refresh or a deletion the details and values lists show the selected node's entry, or
// nothing: never an entry that is gone.
TEST_F(EditCommands, TheListsNeverShowAnEntryThatIsGone) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(3));
    Open();
    ShowAllTabs();
    Form_Main& f = F();
    auto mentions = [](ui::ListView& list, const std::string& text) {
        for (const auto& row : list.ListItems)
            if (row->SubItem(1).find(text) != std::string::npos) return true;
        return false;
    };

    // Components: a class the refresh finds again is shown afresh; once its key is gone, nothing is.
    const std::string classNode = std::string("DLLServer\\") + kClsid;
    ASSERT_TRUE(ClickNode(f.tvwRegComp, classNode));
    ASSERT_TRUE(mentions(f.lsvRegCompDetails, kClsid));
    f.MNU_RegComp_RefreshTreeView_Click();
    ASSERT_TRUE(f.tvwRegComp.SelectedItem());
    EXPECT_EQ(f.tvwRegComp.SelectedItem()->Key(), classNode);
    EXPECT_TRUE(mentions(f.lsvRegCompDetails, kClsid));
    ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsid).c_str()), 0);
    f.MNU_RegComp_RefreshTreeView_Click();
    EXPECT_FALSE(f.tvwRegComp.Nodes.Exists(classNode));
    EXPECT_FALSE(mentions(f.lsvRegCompDetails, kClsid));
    EXPECT_EQ(f.lsvRegComp_entries.ListItems.Count(), 0);

    // Services: the deleted service's details go with it.
    ASSERT_TRUE(ClickNode(f.tvwSD, "VelmTestSvc"));
    ASSERT_TRUE(mentions(f.lsvSDDetails, "VelmTestSvc"));
    {
        BoxRecorder yes(ui::vbYes);
        f.MNU_ServicesDevices_DeleteComponent_Click();
    }
    EXPECT_FALSE(f.tvwSD.Nodes.Exists("VelmTestSvc"));
    EXPECT_FALSE(mentions(f.lsvSDDetails, "VelmTestSvc"));
    // A service removed behind the window: the refresh drops its details.
    ASSERT_TRUE(ClickNode(f.tvwSD, "OtherSvc"));
    ASSERT_TRUE(mentions(f.lsvSDDetails, "OtherSvc"));
    f.cmdSD_Refresh_Click();
    EXPECT_TRUE(mentions(f.lsvSDDetails, "OtherSvc"));  // found again, shown afresh
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\OtherSvc"), 0);
    f.cmdSD_Refresh_Click();
    EXPECT_FALSE(f.tvwSD.Nodes.Exists("OtherSvc"));
    EXPECT_FALSE(mentions(f.lsvSDDetails, "OtherSvc"));
}

// The services commands refuse the levels their menus refuse: nothing is ever written into
// HKLM\SYSTEM, CurrentControlSet or the services key; a service's own key deletes the service.
TEST_F(EditCommands, ServicesCommandsKeepAboveTheServiceKeyUntouched) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(1));
    Open();
    Form_Main& f = F();
    f.tvwSD.SetSelectedItem(f.tvwSD.Nodes.Find("VelmTestSvc"));
    f.tvwSD_DblClick();
    const std::string chain = "VelmTestSvc\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";
    // Levels 2 to 4 (SYSTEM, CurrentControlSet, Services): the value list holds their values.
    LoadRegText(HKEY_LOCAL_MACHINE, "[SYSTEM]\n\"Top\"=\"t\"\n");
    const std::string withTop = DumpKeyTree(HKEY_LOCAL_MACHINE, "SYSTEM");
    for (const std::string& key : {chain.substr(0, chain.find("\\CurrentControlSet")), chain.substr(0, chain.rfind('\\')), chain}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(ClickNode(f.tvwSD, key));
        SelectRow(f.lsvSD_entries, "Top");
        BoxRecorder boxes(ui::vbYes);
        Inputs in;
        in.answers = {"x", "y", "x", "y", "x", "y", "x", "y"};
        for (const char* item : {"MNU_ServicesDevices_New_Key", "MNU_ServicesDevices_New_Value", "MNU_SDEntries_New"}) {
            Click(item);
            EXPECT_EQ(boxes.Prompts().back(), "Please select preferred Registry entry first.") << item;
        }
        const size_t shown = boxes.boxes.size();
        for (const char* item : {"MNU_SDEntries_Modify", "MNU_SDEntries_Rename", "MNU_SDEntries_Delete",
                                 "MNU_ServicesDevices_Delete"})
            Click(item);
        EXPECT_EQ(boxes.boxes.size(), shown);
        EXPECT_TRUE(in.asked.empty());
        EXPECT_EQ(DumpKeyTree(HKEY_LOCAL_MACHINE, "SYSTEM"), withTop);
    }
    // Rename of the service's own key (level 5) is refused.
    ASSERT_TRUE(ClickNode(f.tvwSD, chain + "\\VelmTestSvc"));
    {
        BoxRecorder boxes;
        Inputs in;
        in.answers = {"Renamed"};
        Click("MNU_ServicesDevices_Rename");
        EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Please select preferred Registry entry first."}));
        EXPECT_TRUE(in.asked.empty());
    }
    // A sub-key (level 6) is deleted after the warning with an empty caption.
    ASSERT_TRUE(ClickNode(f.tvwSD, chain + "\\VelmTestSvc\\Parameters"));
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_ServicesDevices_Delete");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VelmTestSvc\\Parameters"));
    }
    // Delete on the service's own key deletes the service ("Delete Component " with its blank).
    ASSERT_TRUE(ClickNode(f.tvwSD, chain + "\\VelmTestSvc"));
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_ServicesDevices_Delete");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "Delete Component ");
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VelmTestSvc"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\OtherSvc"));
        EXPECT_FALSE(f.tvwSD.Nodes.Exists("VelmTestSvc"));
    }
}

// Whole file types: the extension and its type go; a type name that is a shared tree or a general
// entry is kept; the general entries themselves are refused by name.
TEST_F(EditCommands, DeleteAllEntriesOfAFileTypeKeepsSharedTreesAndGeneralEntries) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(2));
    Open();
    Form_Main& f = F();
    ASSERT_EQ(f.ShownTab(), Tab::CMH);
    const DWORD classes = SubKeyCount(HKEY_CLASSES_ROOT, "CLSID");
    struct Case {
        const char* node;
        std::vector<std::string> gone, kept;
    } cases[] = {
        {"File_Type_.velmtest", {".velmtest", "velmtest_file"}, {"CLSID"}},
        {"File_Type_.velmbad", {".velmbad"}, {"CLSID", std::string("CLSID\\") + kClsid}},
        {"File_Type_.velmstar", {".velmstar"}, {"*", "*\\shellex\\ContextMenuHandlers"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        f.tvwCMH.SetSelectedItem(f.tvwCMH.Nodes.Find(c.node));
        BoxRecorder yes(ui::vbYes);
        Click("MNU_CMH_Delete_all_entries_of_this_component");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "Delete all entries of Component");
        for (const std::string& k : c.gone) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, k)) << k;
        for (const std::string& k : c.kept) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, k)) << k;
        EXPECT_FALSE(f.tvwCMH.Nodes.Exists(c.node));
    }
    EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes);

    // With the general entries shown, "*" is refused by name and kept.
    f.Option_select_by[0].SetValue(true);
    ui::DoEvents();
    ASSERT_TRUE(f.tvwCMH.Nodes.Exists("File_Type_*"));
    f.tvwCMH.SetSelectedItem(f.tvwCMH.Nodes.Find("File_Type_*"));
    BoxRecorder boxes(ui::vbYes);
    Click("MNU_CMH_Delete_all_entries_of_this_component");
    EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Please select preferred Component first."}));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers"));
}

namespace {

// A scratch HKEY_CLASSES_ROOT holding copies of the prefix's real classes, type libraries,
// AppIDs and the ProgID keys the test touches.
struct RealClasses {
    RegFixture hkcr{HKEY_CLASSES_ROOT};
    RealClasses() {
        for (const char* k : {"CLSID", "AppID", "TypeLib", "Scripting.Dictionary", "Scripting.FileSystemObject",
                              "Scripting.Encoder", "WiaDevMgr.1", "WiaDevMgr"}) {
            const std::string source = std::string("Software\\Classes\\") + k;
            if (!KeyExists(HKEY_LOCAL_MACHINE, source)) continue;
            HKEY target = nullptr;
            RegCreateKeyExA(hkcr.Scratch(), k, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
            RegCloseKey(target);
            QV_Registry_Lib::CopyKeyTree(HKEY_LOCAL_MACHINE, source, hkcr.Scratch(), k, 0);
        }
    }
};

const char* kWia = "{A1F4E726-8CF1-11D1-BF92-0060081ED811}";
const char* kMoniker = "{0000031A-0000-0000-C000-000000000046}";
const char* kDictionary = "{EE09B103-97E0-11CF-978F-00A02463E06F}";

ui::NodePtr ClassNode(ui::TreeView& tree, const std::string& clsid) {
    for (const char* category : {"DLLServer\\", "EXEServer\\", "Control\\"})
        if (ui::NodePtr n = tree.Nodes.Find(category + clsid)) return n;
    return nullptr;
}

}  // namespace

// The prefix's real classes: an AppID equal to its CLSID is deleted as the AppID it is; the class
// moniker's ProgID "CLSID" is never deleted; a server "Not defined." deletes nothing; the
// scrrun.dll server's removal takes exactly its three classes.
TEST_F(EditCommands, RealClassesAreDeletedExactly) {
    RealClasses real;
    RegFixture hklm(HKEY_LOCAL_MACHINE, MachineText()), hkcu(HKEY_CURRENT_USER, StartsOn(3));
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("AppID\\") + kWia));
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kMoniker + "\\ProgID"));
    Open();
    Form_Main& f = F();
    const DWORD classes = SubKeyCount(HKEY_CLASSES_ROOT, "CLSID");
    ASSERT_GT(classes, 100u);

    // WIA Device Manager: its AppID node (named like its CLSID) deletes HKCR\AppID\{…} only.
    ui::NodePtr wia = ClassNode(f.tvwRegComp, kWia);
    ASSERT_TRUE(wia);
    f.tvwRegComp.SetSelectedItem(wia);
    f.tvwRegComp_DblClick();
    const std::string appIdNode = wia->Key() + "\\HKEY_CLASSES_ROOT\\AppID\\" + kWia;
    ASSERT_TRUE(f.tvwRegComp.Nodes.Exists(appIdNode));
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(appIdNode));
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_RegComp_Delete");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, kWia);  // the node's text, not "Delete Component"
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("AppID\\") + kWia));
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kWia));
        EXPECT_TRUE(f.tvwRegComp.Nodes.Exists(wia->Key()));
    }
    // Its server is "Not defined.": removing the server's classes deletes nothing.
    f.tvwRegComp.SetSelectedItem(wia);
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_RegComp_Delete_components_Server");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "");
        EXPECT_EQ(yes.boxes[0].style, 20);
        EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes);
    }
    // The class's own key under the CLSID folder deletes the class ("Delete Component").
    const std::string ownNode = wia->Key() + "\\HKEY_CLASSES_ROOT\\CLSID\\" + kWia;
    ASSERT_TRUE(f.tvwRegComp.Nodes.Exists(ownNode));
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(ownNode));
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_RegComp_Delete");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "Delete Component");
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kWia));
        EXPECT_FALSE(ClassNode(f.tvwRegComp, kWia));
        EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes - 1);
    }

    // "Remove this class entry" on the class moniker (ProgID "CLSID") removes its own key only.
    ui::NodePtr moniker = ClassNode(f.tvwRegComp, kMoniker);
    ASSERT_TRUE(moniker);
    f.tvwRegComp.SetSelectedItem(moniker);
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_RegComp_Delete_all_enties_of_this_component");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].title, "Delete all entries of Component");
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kMoniker));
        EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes - 2);
        EXPECT_FALSE(ClassNode(f.tvwRegComp, kMoniker));
    }

    // scrrun.dll's three classes share one server text: exactly three CLSID keys go.
    ui::NodePtr dictionary = ClassNode(f.tvwRegComp, kDictionary);
    ASSERT_TRUE(dictionary);
    f.tvwRegComp.SetSelectedItem(dictionary);
    {
        BoxRecorder no(ui::vbNo);
        Click("MNU_RegComp_Delete_components_Server");
        EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes - 2);
    }
    {
        BoxRecorder yes(ui::vbYes);
        Click("MNU_RegComp_Delete_components_Server");
        ASSERT_EQ(yes.boxes.size(), 1u);
        EXPECT_EQ(yes.boxes[0].prompt,
                  "Really delete all components referring to\r\nC:\\windows\\system32\\scrrun.dll ?");
        EXPECT_EQ(SubKeyCount(HKEY_CLASSES_ROOT, "CLSID"), classes - 5);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kDictionary));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Scripting.Dictionary"));
        EXPECT_FALSE(ClassNode(f.tvwRegComp, kDictionary));
        EXPECT_FALSE(f.colRegComp.Exists(kDictionary));
    }
    // A group node or an entries node is no class: the command asks for one.
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find("DLLServer"));
    {
        BoxRecorder boxes;
        Click("MNU_RegComp_Delete_components_Server");
        EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Please select preferred Component from top-level"}));
    }
}

// The components tree refuses the shared trees: rename of the TypeLib node at level 3 and
// delete of the CLSID node (after the warning).
TEST_F(EditCommands, ComponentsRefuseTheSharedTrees) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(3));
    Open();
    Form_Main& f = F();
    const std::string classNode = std::string("DLLServer\\") + kClsid;
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(classNode));
    f.tvwRegComp_DblClick();
    const std::string before = DumpKeyTree(HKEY_CLASSES_ROOT, "CLSID");
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(classNode + "\\HKEY_CLASSES_ROOT\\CLSID"));
    BoxRecorder yes(ui::vbYes);
    Inputs in;
    Click("MNU_RegComp_Delete");
    Click("MNU_RegComp_Rename");
    const std::string refusal = "This would lead to deletion of any entry/component,\r\nsubordinated to this Key.\r\nAction canceled.";
    ASSERT_EQ(yes.boxes.size(), 3u);
    EXPECT_EQ(yes.boxes[1].prompt, "You have choosen to delete the entire CLSID-Tree !\r\n" + refusal);
    EXPECT_EQ(yes.boxes[1].title, "Action canceled");
    EXPECT_EQ(yes.boxes[1].style, ui::vbExclamation);
    EXPECT_EQ(yes.boxes[2].prompt, "You have choosen to rename the CLSID-Tree !\r\n" + refusal);
    EXPECT_TRUE(in.asked.empty());
    EXPECT_EQ(DumpKeyTree(HKEY_CLASSES_ROOT, "CLSID"), before);
    // New key at the hive node (level 2) asks for an entry first.
    f.tvwRegComp.SetSelectedItem(f.tvwRegComp.Nodes.Find(classNode + "\\HKEY_CLASSES_ROOT"));
    Click("MNU_RegComp_New");
    EXPECT_EQ(yes.boxes.back().prompt, "Please select preferred Registry entry first.");
    EXPECT_TRUE(in.asked.empty());
}

namespace {

// A text of `length` characters that shows where it was cut: letters in a running pattern.
// The keys of every node below the node `key`, each without that key in front, sorted.
std::vector<std::string> NodesBelow(ui::TreeView& tree, const std::string& key) {
    std::vector<std::string> out;
    std::function<void(const ui::NodePtr&)> walk = [&](const ui::NodePtr& n) {
        for (ui::NodePtr c = n->Child(); c; c = c->Next()) {
            out.push_back(c->Key().substr(key.size()));
            walk(c);
        }
    };
    if (ui::NodePtr n = tree.Nodes.Find(key)) walk(n);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

// Modify through the real input box on each tab: a value is offered whole and OK on it as shown
// writes nothing; a value that no line of the box holds whole (text after a NUL, longer than
// the box offers for editing) is refused before any box; a typed change is written whole.
TEST_F(EditCommands, ModifyOffersWholeTextsOnlyAndAnUnchangedAnswerWritesNothing) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(3));
    const std::vector<LongValueCase> cases = LongValueCases();
    Open();
    for (TabUnderTest& t : ShowAllTabs()) {
        SCOPED_TRACE(t.name);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(t.root, t.path.c_str(), 0, KEY_SET_VALUE, &key), 0);
        for (const LongValueCase& c : cases) {
            const std::string bytes = c.text + '\0';
            RegSetValueExA(key, c.name, 0, c.type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size()));
        }
        RegCloseKey(key);
        ASSERT_TRUE(SelectOn(t, t.nodeKey));
        const std::string entries = MenusOf(t.tab).menu;
        for (const LongValueCase& c : cases) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(SelectRow(t.values, c.name));
            const std::string before = DumpKeyTree(t.root, t.path);
            BoxRecorder boxes;
            RealInputBoxAnswer box("Rename Value");
            Click(entries + "_Modify");
            EXPECT_EQ(box.shown, c.offered ? 1 : 0);
            if (c.offered) {
                EXPECT_TRUE(box.seen == c.text) << box.seen.size() << " characters shown";
                EXPECT_TRUE(boxes.boxes.empty());
            } else {
                EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Only String values supported in modify mode !"}));
            }
            EXPECT_TRUE(DumpKeyTree(t.root, t.path) == before);
        }
        // Typed at the end of a long text: the whole text with the addition is stored.
        ASSERT_TRUE(SelectRow(t.values, "LongExpand"));
        {
            RealInputBoxAnswer box("Rename Value", "X");
            Click(entries + "_Modify");
            EXPECT_EQ(box.shown, 1);
        }
        ASSERT_STREQ(cases[2].name, "LongExpand");
        const std::string expected = cases[2].text + "X";
        const StoredValue stored = ReadStoredValue(t.root, t.path, "LongExpand");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_EXPAND_SZ));
        EXPECT_TRUE(stored.bytes == expected + '\0') << stored.bytes.size() << " bytes stored";
    }
}

// Delete Key on a key of which one sub-key may not be deleted, on each tab: the others go, the
// failure is reported with the delete error, and the key's node shows exactly what stayed.
TEST_F(EditCommands, APartlyFailedKeyDeletionIsReportedAndTheTreeShowsWhatStayed) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, ClassesText()), hklm(HKEY_LOCAL_MACHINE, MachineText()),
        hkcu(HKEY_CURRENT_USER, StartsOn(3));
    const std::pair<HKEY, std::string> keys[] = {
        {HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsid},
        {HKEY_CLASSES_ROOT, "velmtest_file"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VelmTestSvc"},
    };
    for (const auto& [root, path] : keys) {
        LoadRegText(root, "[" + path + "\\Doomed\\A\\A1]\n[" + path + "\\Doomed\\Locked]\n[" + path + "\\Doomed\\C]\n");
        SetKeyDacl(root, path + "\\Doomed\\Locked", "D:P(A;;KR;;;WD)");  // everyone may read, nobody delete
    }
    // The file type's extension key holds one too (its type's key holds the one above).
    LoadRegText(HKEY_CLASSES_ROOT, "[.velmtest\\Gone]\n[.velmtest\\Doomed\\Locked]\n");
    SetKeyDacl(HKEY_CLASSES_ROOT, ".velmtest\\Doomed\\Locked", "D:P(A;;KR;;;WD)");
    Open();
    for (TabUnderTest& t : ShowAllTabs()) {
        SCOPED_TRACE(t.name);
        const std::string doomed = t.nodeKey + "\\Doomed";
        ASSERT_EQ(NodesBelow(t.tree, doomed), (std::vector<std::string>{"\\A", "\\A\\A1", "\\C", "\\Locked"}));
        ASSERT_TRUE(SelectOn(t, doomed));
        BoxRecorder yes(ui::vbYes);
        Click(MenusOf(t.tab).del);
        ASSERT_EQ(yes.boxes.size(), 2u);
        EXPECT_EQ(yes.boxes[1].prompt, "Error deleting key !");
        EXPECT_EQ(yes.boxes[1].style, ui::vbCritical);
        EXPECT_TRUE(KeyExists(t.root, t.path + "\\Doomed\\Locked"));
        EXPECT_FALSE(KeyExists(t.root, t.path + "\\Doomed\\A"));
        EXPECT_FALSE(KeyExists(t.root, t.path + "\\Doomed\\C"));
        EXPECT_EQ(NodesBelow(t.tree, doomed), (std::vector<std::string>{"\\Locked"}));
        ASSERT_TRUE(t.tree.SelectedItem());
        EXPECT_EQ(t.tree.SelectedItem()->Key(), doomed);
    }
    // The same on the entry's own key (the class's CLSID key, the extension's key, the service's
    // key), which deletes the whole entry: reported, and the entry's nodes show what stayed.
    for (TabUnderTest& t : ShowAllTabs()) {
        SCOPED_TRACE(t.name);
        std::string own = t.nodeKey, path = t.path, gone = t.path + "\\Existing";
        if (t.tab == Tab::CMH) {
            own = "File_Type_.velmtest\\HKEY_CLASSES_ROOT\\.velmtest";
            path = ".velmtest";
            gone = ".velmtest\\Gone";
        }
        ASSERT_TRUE(KeyExists(t.root, gone));
        ASSERT_TRUE(SelectOn(t, own));
        BoxRecorder yes(ui::vbYes);
        Click(MenusOf(t.tab).del);
        ASSERT_EQ(yes.boxes.size(), 2u);
        EXPECT_EQ(yes.boxes[1].prompt, t.tab == Tab::SD ? "Error deleting Component !" : "Error deleting key !");
        EXPECT_TRUE(KeyExists(t.root, path + "\\Doomed\\Locked"));
        EXPECT_FALSE(KeyExists(t.root, gone));
        EXPECT_EQ(NodesBelow(t.tree, own), (std::vector<std::string>{"\\Doomed", "\\Doomed\\Locked"}));
    }
}
