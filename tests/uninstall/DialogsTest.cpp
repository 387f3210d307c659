// The hidden-autostart dialog over fixture Run keys of the overridden hives, and the
// show-application-path dialog over a fixture folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "tests/support/Boxes.h"
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
