// The services and file-types tabs of the main window on scratch registries: the services tab's
// refresh and details, and the registry searches of a tab started as a user starts them, with
// the Find dialog answered and the finishing box recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Form_Main.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "browsers/dlg_FindString.h"
#include "tests/support/Boxes.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

namespace {

const char* kMachine = R"(
[SYSTEM\CurrentControlSet\Services\Alpha]
"DisplayName"="Alpha service"
"ImagePath"="C:\\windows\\system32\\spoolsv.exe"
[SYSTEM\CurrentControlSet\Services\Alpha\Parameters]
"Marker"="browsertabneedle"
[SYSTEM\CurrentControlSet\Services\Beta]
"ImagePath"="C:\\nowhere\\beta.exe"
[SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall]
)";

struct BrowserTabs : ::testing::Test {
    std::function<void()> previousEnd;
    void SetUp() override {
        DroskGlobalDiscard();
        previousEnd = Master::EndProgram();
        Master::EndProgram() = [] {};
    }
    void TearDown() override {
        if (frmMain().IsLoaded()) frmMain().Unload();
        ui::DoEvents();
        Master::EndProgram() = previousEnd;
        DroskGlobalDiscard();
    }
    void Open() {
        Register_UninstClean::RunStartupSequence();
        frmMain().Load();
        ASSERT_TRUE(frmMain().IsLoaded());
        frmMain().InitStartUpTab();
        ui::DoEvents();
    }
    // Answers the Find dialog that the next search opens: OK with `text`, or Cancel when empty.
    static void AnswerFind(const std::string& text) {
        ui::Defer([text] {
            auto* dlg = static_cast<dlg_FindString*>(ui::FindForm("dlg_FindString"));
            if (!dlg) return;
            if (text.empty()) {
                dlg->Command1.DoClick();
                return;
            }
            dlg->txbFindStrign.SetText(text);
            for (ui::CheckBox* c : {&dlg->chkKeys, &dlg->chkValues, &dlg->chkData}) c->SetValue(1);
            dlg->Command14.DoClick();
        });
    }
};

}  // namespace

TEST_F(BrowserTabs, ServicesTabFillsShowsDetailsAndSearches) {
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, Stored("\"ShowInTaskbar\"=\"0\"\n\"Last_Tab\"=\"1\"\n"));
    Open();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.ShownTab(), Tab::SD);
    ASSERT_TRUE(f.tvwSD.Nodes.Exists("Alpha"));
    EXPECT_EQ(f.tvwSD.Nodes.Item("Alpha")->Text(), "Alpha service");
    EXPECT_EQ(f.tvwSD.Nodes.Item("Beta")->Image().key, "Strike");
    EXPECT_EQ(f.colSD.Count(), 2);
    f.tvwSD_NodeClick(*f.tvwSD.Nodes.Item("Alpha"));
    EXPECT_EQ(f.lsvSDDetails.ListItems.Item("Display_Name")->SubItem(1), "Alpha service");

    // A cancelled Find dialog searches nothing and shows no box.
    BoxRecorder boxes;
    AnswerFind("");
    f.cmdSD_SearchRegistry_Click();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(RunGuard::Active());
    EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");

    // A confirmed search marks its hit and ends with the finishing box.
    AnswerFind("browsertabneedle");
    f.cmdSD_SearchRegistry_Click();
    const std::string hit = "Alpha\\HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Alpha\\Parameters";
    ASSERT_TRUE(f.tvwSD.Nodes.Exists(hit));
    EXPECT_EQ(f.tvwSD.Nodes.Item(hit)->Image().key, "Found");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Finished searching through the registry.");
    EXPECT_EQ(boxes.boxes[0].style, 64);
    EXPECT_FALSE(RunGuard::Active());
    for (int t = 0; t < kTabCount; ++t) EXPECT_TRUE(f.SSTab1.TabEnabled(t)) << t;
}
