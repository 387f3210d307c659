// The hidden-autostart dialog over fixture Run keys of the overridden hives, and the
// show-application-path dialog over a fixture folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "tests/support/Boxes.h"
#include "tests/support/PopupMenus.h"
#include "tests/support/RegFixture.h"
#include "tests/uninstall/UninstallFixture.h"
#include "ui/ui.h"
#include "uninstall/dlg_hiddenAutostartEntries.h"
#include "uninstall/dlg_showAppPath.h"

namespace {

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The data text of a Run value read back from the registry ("<none>" when it is gone).
std::string RunValue(HKEY hive, const std::string& name, long type = REG_SZ) {
    RegKey key;
    if (QV_Registry_Lib::OpenKey(hive, kRun, key.Receive(), 0, KEY_READ) != 0) return "<no key>";
    std::string data;
    return QV_Registry_Lib::QueryValue(key.get(), name, data, type, 0) == "0" ? data : "<none>";
}

class HiddenAutostart : public ::testing::Test {
protected:
    void SetUp() override {
        hkcu = std::make_unique<RegFixture>(HKEY_CURRENT_USER,
                                            "[" + kRun + "]\n"
                                            "\"MyTool\"=\"C:\\\\Tools\\\\mytool.exe /min\"\n"
                                            "@=\"C:\\\\unnamed.exe\"\n"
                                            "\"Aa Odd\"=hex(b):01,00,00,00,00,00,00,00\n"
                                            "\"After\"=expand:\"%SystemRoot%\\\\after.exe\"\n"
                                            "[Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit]\n");
        hklm = std::make_unique<RegFixture>(HKEY_LOCAL_MACHINE, "[" + kRun + "]\n"
                                                                "\"Num\"=dword:0000002a\n"
                                                                "\"Bin\"=hex:01,02\n"
                                                                "\"None\"=none:\n"
                                                                "\"Multi\"=multi:\"a\",\"b\"\n");
    }
    void TearDown() override {
        if (dlg.IsLoaded()) dlg.Unload();
        hkcu.reset();
        hklm.reset();
    }
    void Select(const std::string& key) { dlg.lsvAE.SetSelectedItem(dlg.lsvAE.ListItems.Item(key)); }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (const auto& r : dlg.lsvAE.ListItems) rows.push_back(r->Key() + "=" + r->SubItem(1));
        return rows;
    }

    std::unique_ptr<RegFixture> hkcu, hklm;
    dlg_hiddenAutostartEntries dlg;
};

TEST_F(HiddenAutostart, ListsTheUsersRunValuesThenTheMachinesAndSkipsOddTypes) {
    // The machine's Run key may only be read: it is listed all the same.
    SetKeyDacl(hklm->ScratchHive(), hklm->ScratchPath() + "\\" + kRun, "D:P(A;;KR;;;WD)");
    dlg.Show();
    // The user's rows first, then the machine's, each key's in the registry's order.
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 6u);
    std::vector<std::string> user(rows.begin(), rows.begin() + 3), machine(rows.begin() + 3, rows.end());
    std::sort(user.begin(), user.end());
    std::sort(machine.begin(), machine.end());
    // A value of a type the registry library gives no text for (the QWORD "Aa Odd") is left out.
    EXPECT_EQ(user, (std::vector<std::string>{"HKEY_CURRENT_USER=C:\\unnamed.exe",
                                              "HKEY_CURRENT_USERAfter=%SystemRoot%\\after.exe",
                                              "HKEY_CURRENT_USERMyTool=C:\\Tools\\mytool.exe /min"}));
    EXPECT_EQ(machine, (std::vector<std::string>{"HKEY_LOCAL_MACHINEBin=0102", "HKEY_LOCAL_MACHINEMulti=a b",
                                                 "HKEY_LOCAL_MACHINENum=42"}));
    EXPECT_EQ(dlg.lsvAE.ListItems.Item("HKEY_CURRENT_USERMyTool")->Text(), "MyTool");

    // An edit of the read-only key opens it for writing and reports its own failure.
    BoxRecorder boxes(ui::vbYes);
    Select("HKEY_LOCAL_MACHINENum");
    dlg.MNU_Edit_Delete_Click();
    EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Really delete value ?", "Error deleting value !"}));
    EXPECT_EQ(boxes.boxes[0].title, "");  // the question has an empty caption
    EXPECT_EQ(boxes.boxes[0].style, 20);
    EXPECT_TRUE(dlg.lsvAE.ListItems.Exists("HKEY_LOCAL_MACHINENum"));
}

TEST_F(HiddenAutostart, ModifyRenameAndDeleteReadBackFromTheRegistry) {
    dlg.Show();
    std::string answer;
    ui::InputBoxOverride input([&](const std::string&, const std::string&, const std::string&) { return answer; });
    BoxRecorder boxes(ui::vbYes);

    Select("HKEY_CURRENT_USERMyTool");
    answer = "C:\\Tools\\other.exe";
    dlg.MNU_Edit_Modify_Click();
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, "MyTool"), "C:\\Tools\\other.exe");
    EXPECT_EQ(dlg.lsvAE.ListItems.Item("HKEY_CURRENT_USERMyTool")->SubItem(1), "C:\\Tools\\other.exe");

    answer = "Renamed";
    dlg.MNU_Edit_Rename_Click();
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, "MyTool"), "<none>");
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, "Renamed"), "C:\\Tools\\other.exe");
    EXPECT_EQ(dlg.lsvAE.ListItems.Item("HKEY_CURRENT_USERMyTool")->Text(), "Renamed");

    dlg.MNU_Edit_Delete_Click();
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER, "Renamed"), "<none>");
    EXPECT_FALSE(dlg.lsvAE.ListItems.Exists("HKEY_CURRENT_USERMyTool"));
    EXPECT_TRUE(boxes.boxes.size() == 1 && boxes.boxes[0].style == (ui::vbYesNo | ui::vbCritical));

    // A value removed behind the dialog's back: the failure is reported and the row stays.
    Select("HKEY_LOCAL_MACHINEBin");
    {
        RegKey key;
        ASSERT_EQ(QV_Registry_Lib::OpenKey(HKEY_LOCAL_MACHINE, kRun, key.Receive(), 0), 0);
        RegDeleteValueA(key.get(), "Bin");
    }
    dlg.MNU_Edit_Delete_Click();
    EXPECT_EQ(boxes.Prompts().back(), "Error deleting value !");
    EXPECT_TRUE(dlg.lsvAE.ListItems.Exists("HKEY_LOCAL_MACHINEBin"));

    // Renaming to "Default" makes it the unnamed value.
    Select("HKEY_LOCAL_MACHINENum");
    answer = "Default";
    dlg.MNU_Edit_Rename_Click();
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE, "", REG_DWORD), "42");
}

// Shift+F10 and the Menu key on the list open the edit menu that a right-click on the selected
// row opens, at that row.
TEST_F(HiddenAutostart, TheMenuKeysOpenTheEditMenuAtTheSelectedRow) {
    dlg.Show();
    const HWND h = dlg.lsvAE.hWnd();
    PopupProbe probe;
    Select("HKEY_CURRENT_USERMyTool");
    ASSERT_EQ(OpenMenuOf(probe, h, MenuWay::RightClick), 1u);
    const ShownMenu clicked = probe.shown.back();
    EXPECT_EQ(clicked, (ShownMenu{"Modify:1", "Rename:1", "Delete:1", "-", "Regedit...:1"}));
    for (MenuWay way : {MenuWay::ShiftF10, MenuWay::MenuKey}) {
        SCOPED_TRACE(NameOf(way));
        Select("HKEY_LOCAL_MACHINENum");
        ASSERT_EQ(OpenMenuOf(probe, h, way), 1u);
        EXPECT_EQ(probe.shown.back(), clicked);
        const std::optional<POINT> row = SelectedItemOnScreen(h);
        ASSERT_TRUE(row);
        EXPECT_TRUE(OpensAt(probe.at.back(), *row));
    }
}

TEST_F(HiddenAutostart, RegeditOpensAtTheHivesRunKey) {
    dlg.Show();
    std::vector<std::string> started;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return 1ul;
    });
    Select("HKEY_LOCAL_MACHINEMulti");
    dlg.MNU_Edit_Regedit_Click();
    EXPECT_EQ(started, (std::vector<std::string>{"Regedit.exe"}));
    RegKey key;
    ASSERT_EQ(QV_Registry_Lib::OpenKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                                       key.Receive(), 0, KEY_READ),
              0);
    std::string last;
    long type = REG_SZ;
    QV_Registry_Lib::QueryValue(key.get(), "LastKey", last, type, 0);
    EXPECT_EQ(last, "HKEY_LOCAL_MACHINE\\" + kRun);
}

// The Run key read back whole, one line per value (  "name" type N = bytes), sorted.
std::vector<std::string> RunLines() {
    std::vector<std::string> lines;
    const std::string dump = DumpKeyTree(HKEY_CURRENT_USER, kRun);
    for (size_t at = 0; at < dump.size();) {
        size_t end = dump.find('\n', at);
        if (end == std::string::npos) end = dump.size();
        if (end > at) lines.push_back(dump.substr(at, end - at));
        at = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The lines with the value `from` spelled `to` (or left out, with `to` empty).
std::vector<std::string> Renamed(std::vector<std::string> lines, const std::string& from, const std::string& to) {
    const std::string prefix = "  \"" + from + "\" ";
    for (auto it = lines.begin(); it != lines.end(); ++it)
        if (it->rfind(prefix, 0) == 0) {
            if (to.empty()) lines.erase(it);
            else it->replace(0, prefix.size(), "  \"" + to + "\" ");
            break;
        }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A Run value's stored type and bytes.
std::pair<DWORD, std::string> RunBytes(const std::string& name) {
    StoredValue v = ReadStoredValue(HKEY_CURRENT_USER, kRun, name);
    return {v.type, std::move(v.bytes)};
}

// Values of every type the dialog lists, each modified unchanged, modified, renamed onto other
// values' names, renamed in another letter case and renamed to a free name, through the
// dialog's commands: the Run key read back after each differs exactly by what was asked.
class AutostartEdits : public ::testing::Test {
protected:
    void TearDown() override {
        if (dlg.IsLoaded()) dlg.Unload();
    }
    void Select(const std::string& key) { dlg.lsvAE.SetSelectedItem(dlg.lsvAE.ListItems.Item(key)); }
    dlg_hiddenAutostartEntries dlg;
};

TEST_F(AutostartEdits, EveryTypeChangesOnlyAsAskedAndNeverOverwritesAnotherValue) {
    RegFixture machine(HKEY_LOCAL_MACHINE, "[" + kRun + "]\n");
    RegFixture run(HKEY_CURRENT_USER, "[" + kRun + "]\n"
                                      "@=\"C:\\\\unnamed.exe\"\n"
                                      "\"Keep\"=\"C:\\\\keep.exe\"\n"
                                      "\"Sz\"=\"C:\\\\Tools\\\\a.exe\"\n"
                                      "\"Tail\"=hex(1):61,00,7a,7a,00\n"  // bytes after the string's end
                                      "\"Exp\"=expand:\"%SystemRoot%\\\\b.exe\"\n"
                                      "\"Dw\"=dword:0000002a\n"
                                      "\"Bin\"=hex:0a,1b\n"
                                      "\"Multi\"=multi:\"one\",\"two\"\n");
    dlg.Show();
    bool echo = false;
    std::string answer;
    std::vector<std::string> asked;
    ui::InputBoxOverride input([&](const std::string&, const std::string&, const std::string& d) {
        asked.push_back(d);
        return echo ? d : answer;
    });
    // A string or DWORD is written from its text; a binary or multi-string value, and a string
    // with more text after a NUL, is refused.
    struct Case {
        const char* name;
        DWORD type;
        const char* shown;
        const char* typed;
        std::string stored;  // empty: Modify is refused
    };
    const Case cases[] = {
        {"Sz", REG_SZ, "C:\\Tools\\a.exe", "C:\\Tools\\new.exe", std::string("C:\\Tools\\new.exe") + '\0'},
        {"Tail", REG_SZ, "a", "b", ""},  // text after the NUL: no line of the box holds it whole
        {"Exp", REG_EXPAND_SZ, "%SystemRoot%\\b.exe", "%TEMP%\\c.exe", std::string("%TEMP%\\c.exe") + '\0'},
        {"Dw", REG_DWORD, "42", "4294967295", std::string("\xff\xff\xff\xff", 4)},
        {"Bin", REG_BINARY, "0A1B", "0A1C", ""},
        {"Multi", REG_MULTI_SZ, "one two", "one two", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string row = std::string("HKEY_CURRENT_USER") + c.name;
        Select(row);
        const bool modifiable = !c.stored.empty();

        // OK on the text as shown writes nothing.
        std::vector<std::string> before = RunLines();
        {
            BoxRecorder boxes;
            asked.clear();
            echo = true;
            dlg.MNU_Edit_Modify_Click();
            echo = false;
            EXPECT_EQ(RunLines(), before);
            EXPECT_EQ(asked, modifiable ? std::vector<std::string>{c.shown} : std::vector<std::string>{});
            EXPECT_EQ(boxes.Prompts(),
                      modifiable ? std::vector<std::string>{} : std::vector<std::string>{"Error modifying value !"});
        }
        // A new text: the value takes it in its own type, or the dialog refuses before asking.
        {
            BoxRecorder boxes;
            asked.clear();
            answer = c.typed;
            dlg.MNU_Edit_Modify_Click();
            if (modifiable) {
                EXPECT_TRUE(boxes.boxes.empty());
                EXPECT_EQ(RunBytes(c.name), std::make_pair(c.type, c.stored));
                EXPECT_EQ(Renamed(RunLines(), c.name, ""), Renamed(before, c.name, ""));
                EXPECT_EQ(dlg.lsvAE.ListItems.Item(row)->SubItem(1), c.typed);
            } else {
                EXPECT_TRUE(asked.empty());
                EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error modifying value !"}));
                EXPECT_EQ(boxes.boxes[0].style, ui::vbCritical);
                EXPECT_EQ(RunLines(), before);
                EXPECT_EQ(dlg.lsvAE.ListItems.Item(row)->SubItem(1), c.shown);
            }
        }
        // Renamed onto another value's name, in any letter case, or onto the unnamed value:
        // refused, nothing changed.
        before = RunLines();
        for (const char* taken : {"Keep", "kEEP", "Default"}) {
            BoxRecorder boxes;
            answer = taken;
            dlg.MNU_Edit_Rename_Click();
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error renaming value !"})) << taken;
            EXPECT_EQ(RunLines(), before) << taken;
            EXPECT_EQ(dlg.lsvAE.ListItems.Item(row)->Text(), c.name) << taken;
        }
        // Another letter case is the same value: it keeps its data under the new spelling.
        std::string upper = c.name;
        for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
        {
            BoxRecorder boxes;
            answer = upper;
            dlg.MNU_Edit_Rename_Click();
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(RunLines(), Renamed(before, c.name, upper));
            EXPECT_EQ(dlg.lsvAE.ListItems.Item(row)->Text(), upper);
        }
        // A free name takes the value byte for byte.
        {
            BoxRecorder boxes;
            answer = std::string(c.name) + " moved";
            dlg.MNU_Edit_Rename_Click();
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(RunLines(), Renamed(before, c.name, answer));
        }
    }
}

// Modify through the real input box: a long value is offered whole and OK on it as shown
// writes nothing, a typed change is written whole; a value that no line of the box holds whole
// (text after a NUL, longer than the box offers for editing) is refused before any box. The
// Run key is read back byte for byte after each.
TEST_F(AutostartEdits, ModifyOffersWholeTextsOnlyAndAnUnchangedAnswerWritesNothing) {
    const std::vector<LongValueCase> cases = LongValueCases();
    RegFixture machine(HKEY_LOCAL_MACHINE, "[" + kRun + "]\n");
    RegFixture run(HKEY_CURRENT_USER, "[" + kRun + "]\n");
    {
        RegKey key;
        ASSERT_EQ(QV_Registry_Lib::OpenKey(HKEY_CURRENT_USER, kRun, key.Receive(), 0), 0);
        for (const LongValueCase& c : cases) {
            const std::string bytes = c.text + '\0';
            RegSetValueExA(key.get(), c.name, 0, c.type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size()));
        }
    }
    dlg.Show();
    for (const LongValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        Select(std::string("HKEY_CURRENT_USER") + c.name);
        const std::string before = DumpKeyTree(HKEY_CURRENT_USER, kRun);
        BoxRecorder boxes;
        RealInputBoxAnswer box("Modify Value");
        dlg.MNU_Edit_Modify_Click();
        EXPECT_EQ(box.shown, c.offered ? 1 : 0);
        if (c.offered) {
            EXPECT_TRUE(box.seen == c.text) << box.seen.size() << " characters shown";
            EXPECT_TRUE(boxes.boxes.empty());
        } else {
            EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Error modifying value !"}));
        }
        EXPECT_TRUE(DumpKeyTree(HKEY_CURRENT_USER, kRun) == before);
    }
    Select("HKEY_CURRENT_USERLong");
    {
        RealInputBoxAnswer box("Modify Value", "X");
        dlg.MNU_Edit_Modify_Click();
        EXPECT_EQ(box.shown, 1);
    }
    ASSERT_STREQ(cases[1].name, "Long");
    const std::string expected = cases[1].text + "X";
    const StoredValue stored = ReadStoredValue(HKEY_CURRENT_USER, kRun, "Long");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(stored.bytes == expected + '\0') << stored.bytes.size() << " bytes stored";
    EXPECT_EQ(dlg.lsvAE.ListItems.Item("HKEY_CURRENT_USERLong")->SubItem(1), expected);
}

// Handles the queue for about `ms` milliseconds (the dialog's timer keeps checking).
void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        ui::DoEvents();
        Sleep(10);
    }
}

TEST(ShowAppPath, ChecksTheFolderClimbsAndOpensExplorerOnlyOnAnExistingFolder) {
    const std::string root = "C:\\velmfx-show";
    fx::RemoveTree(root);
    fx::MakeFolders(root + "\\a\\b\\c");
    Variant custom("Do you want to check the install path ?"), custom2(root + "\\a\\b\\c");
    std::vector<std::string> started;
    ui::StartProgramOverride start([&](const std::string& cmd, int, bool) {
        started.push_back(cmd);
        return 1ul;
    });

    dlg_showAppPath dlg(custom, custom2);
    dlg.Show();
    EXPECT_EQ(dlg.labelMain.Caption(), "Do you want to check the install path ?");
    EXPECT_EQ(dlg.LabelPath.Caption(), root + "\\a\\b\\c");
    EXPECT_FALSE(dlg.LabelNotExist.Visible());
    // The folder disappears while the dialog is open.
    RemoveDirectoryA((root + "\\a\\b\\c").c_str());
    PumpFor(300);
    EXPECT_TRUE(dlg.LabelNotExist.Visible());

    dlg.Command14_Click();  // OK on a missing folder: stays, starts nothing
    EXPECT_TRUE(dlg.IsLoaded());
    EXPECT_TRUE(started.empty());

    dlg.Command2_Click();  // UpDir
    EXPECT_EQ(custom2.ToText(), root + "\\a\\b");
    EXPECT_EQ(dlg.LabelPath.Caption(), root + "\\a\\b");
    EXPECT_FALSE(dlg.LabelNotExist.Visible());

    dlg.Command14_Click();
    EXPECT_FALSE(dlg.IsLoaded());
    EXPECT_EQ(started, (std::vector<std::string>{"Explorer.exe /e," + root + "\\a\\b"}));

    dlg_showAppPath again(custom, custom2);
    again.Show();
    again.Command1_Click();
    EXPECT_FALSE(again.IsLoaded());
    EXPECT_TRUE(custom2 == Variant(0L));
    fx::RemoveTree(root);
}

}  // namespace
