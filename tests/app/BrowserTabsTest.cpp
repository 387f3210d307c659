// The services and file-types tabs of the main window on scratch registries: the services tab's
// refresh and details, and the registry searches of a tab started as a user starts them, with
// the Find dialog answered and the finishing box recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>

#include "app/Form_Main.h"
#include "app/RunGuard.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/TextCase.h"
#include "registry/dlg_FindString.h"
#include "tests/app/MainWindowFixture.h"
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

struct BrowserTabs : MainWindowFixture {
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
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, StartsOn(1));
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

    // The confirmed options are kept for the settings and shown by the next Find dialog; a
    // dialog left with Cancel changes none of them.
    EXPECT_EQ(QVRegistry().Options(), (SearchOptions{.text = "browsertabneedle"}));
    std::string shown;
    ui::Defer([&] {
        auto* dlg = static_cast<dlg_FindString*>(ui::FindForm("dlg_FindString"));
        ASSERT_TRUE(dlg);
        shown = dlg->txbFindStrign.Text();
        dlg->txbFindStrign.SetText("typed, then cancelled");
        dlg->Command1.DoClick();
    });
    f.cmdSD_SearchRegistry_Click();
    EXPECT_EQ(shown, "browsertabneedle");
    EXPECT_FALSE(QVRegistry().blnFindOptionEnabled);
    EXPECT_EQ(QVRegistry().Options(), (SearchOptions{.text = "browsertabneedle"}));
}

namespace {

// File types with an icon of a system program, one without, and a print command; beside them
// the CLSID and TypeLib keys the window's start-up access check opens.
std::string FileTypes() {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    std::string notepad;
    for (char c : std::string(sys) + "\\notepad.exe,0") notepad += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "[.fta]\n@=\"ftafile\"\n[ftafile\\DefaultIcon]\n@=\"" + notepad +
           "\"\n[ftafile\\shell\\print\\command]\n@=\"x\"\n[ftafile\\shell\\open\\command]\n@=\"y\"\n"
           "[.ftb]\n@=\"ftbfile\"\n[ftbfile\\shell\\edit]\n"
           "[CLSID\\{00000000-0000-0000-0000-0000000000C1}]\n@=\"Class\"\n[TypeLib]\n";
}

}  // namespace

TEST_F(BrowserTabs, FileTypesTabListsEveryExtensionWithIconsAndSearches) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, FileTypes());
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, StartsOn(2));
    BoxRecorder boxes;
    Open();
    for (const std::string& p : boxes.Prompts()) ADD_FAILURE() << p;
    boxes.boxes.clear();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.ShownTab(), Tab::CMH);
    ASSERT_EQ(f.tvwCMH.Nodes.Count(), 2);
    EXPECT_EQ(f.tvwCMH.Nodes.Item(1)->Key(), "File_Type_.fta");
    EXPECT_EQ(f.tvwCMH.Nodes.Item(2)->Key(), "File_Type_.ftb");
    const std::string icon = f.tvwCMH.Nodes.Item("File_Type_.fta")->Image().key;
    EXPECT_EQ(icon.rfind("Key_", 0), 0u);
    EXPECT_TRUE(f.imlCMH.Exists(icon));
    EXPECT_EQ(f.tvwCMH.Nodes.Item("File_Type_.ftb")->Image().key, "Unknown");
    EXPECT_EQ(f.colCMH.Count(), 2);

    // The search for "print" marks the print command key and nothing else, then the box.
    AnswerFind("print");
    f.Command5_Click();
    const auto found = [&] {
        std::vector<std::string> keys;
        for (const auto& n : f.tvwCMH.Nodes.All())
            if (n->Image().key == "Found") keys.push_back(n->Key());
        return keys;
    }();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(TextCase::Equal(found[0], "File_Type_.fta\\HKEY_CLASSES_ROOT\\ftafile\\shell\\print"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Finished searching through the registry.");
    EXPECT_FALSE(RunGuard::Active());

    // A first release over the tree clears its hint for good.
    EXPECT_EQ(f.tvwCMH.ToolTipText(), "Double-click to view details");
    f.tvwCMH_MouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.tvwCMH.ToolTipText(), "");
}

TEST_F(BrowserTabs, ScansAndSearchesCancelFromTheBusyBoxAndLockTheWindowMeanwhile) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, FileTypes());
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine), hkcu(HKEY_CURRENT_USER, StartsOn(1));
    Open();
    Form_Main& f = frmMain();
    f.SelectTab(Tab::CMH);
    ASSERT_EQ(f.colCMH.Count(), 2);
    f.SelectTab(Tab::SD);
    struct Run {
        const char* name;
        Tab tab;
        bool search;
        std::function<void()> start;
    };
    const Run runs[] = {
        {"services search", Tab::SD, true, [&] { f.cmdSD_SearchRegistry_Click(); }},
        {"file-types search", Tab::CMH, true, [&] { f.Command5_Click(); }},
        {"components search", Tab::RegComp, true, [&] { f.Command9_Click(); }},
        {"services scan", Tab::SD, false, [&] { f.cmdSD_Refresh_Click(); }},
        {"file-types scan", Tab::CMH, false, [&] { f.Command7_Click(); }},
    };
    for (const Run& r : runs) {
        SCOPED_TRACE(r.name);
        f.SelectTab(r.tab);
        ASSERT_EQ(f.ShownTab(), r.tab);
        ui::DoEvents();
        BoxRecorder boxes;
        bool probed = false;
        auto probe = [&] {
            probed = true;
            EXPECT_TRUE(RunGuard::Active());
            EXPECT_TRUE(BusyBox().IsLoaded());
            if (r.tab == Tab::CMH) {
                // The file-types tab's buttons are off; its search leaves the menu's refresh and
                // search on (they start nothing while it runs), its scan switches them off.
                EXPECT_FALSE(f.Command7.Enabled());
                EXPECT_FALSE(f.Command5.Enabled());
                EXPECT_EQ(f.Option_select_by[0].Enabled(), r.search);
                EXPECT_EQ(f.Menus["MNU_CMH_Refresh"].Enabled(), r.search);
                EXPECT_EQ(f.Menus["MNU_CMH_SearchInRegistry"].Enabled(), r.search);
                f.Menus["MNU_CMH_SearchInRegistry"].DoClick();
                EXPECT_FALSE(ui::FindForm("dlg_FindString"));
            }
            // F5, the other tabs' refreshes and a tab switch start nothing while it runs.
            const long sd = f.tvwSD.Nodes.Count(), cmh = f.tvwCMH.Nodes.Count();
            f.tvwSD_KeyDown(VK_F5, 0);
            f.tvwCMH_KeyDown(VK_F5, 0);
            f.cmdSD_Refresh_Click();
            f.Command7_Click();
            for (const char* b : {"US", "SD", "CMH", "RegComp", "Refresh"}) f.Toolbar1.PressButton(b);
            EXPECT_EQ(f.ShownTab(), r.tab);
            EXPECT_EQ(f.tvwSD.Nodes.Count(), sd);
            EXPECT_EQ(f.tvwCMH.Nodes.Count(), cmh);
            BusyBox().Command1.DoClick();
            EXPECT_TRUE(DroskGlobal().blnCancel);
        };
        if (r.search) {
            ui::Defer([&] {
                auto* dlg = static_cast<dlg_FindString*>(ui::FindForm("dlg_FindString"));
                ASSERT_TRUE(dlg);
                dlg->txbFindStrign.SetText("nothing-of-this-anywhere");
                ui::Defer(probe);
                dlg->Command14.DoClick();
            });
        } else {
            ui::Defer(probe);
        }
        r.start();
        EXPECT_TRUE(probed);
        EXPECT_FALSE(RunGuard::Active());
        EXPECT_FALSE(DroskGlobal().blnCancel);
        // A cancelled search ends without the finishing box; the tabs are unlocked.
        EXPECT_TRUE(boxes.boxes.empty());
        for (int t = 0; t < kTabCount; ++t) EXPECT_TRUE(f.SSTab1.TabEnabled(t)) << t;
        EXPECT_EQ(f.stb1.Panel(1).Text(), "Ready.");
        for (ui::Control* c : {static_cast<ui::Control*>(&f.Command7), static_cast<ui::Control*>(&f.Command5),
                               static_cast<ui::Control*>(&f.Option_select_by[0])})
            EXPECT_TRUE(c->Enabled());
        EXPECT_TRUE(f.Menus["MNU_CMH_SearchInRegistry"].Enabled());
    }
    // A cancelled scan leaves what it read so far; a new one reads everything.
    f.SelectTab(Tab::SD);
    f.cmdSD_Refresh_Click();
    EXPECT_EQ(f.colSD.Count(), 2);

    // A close during a search waits for its end (the search ends as usual, with its box).
    BoxRecorder boxes;
    bool probed = false;
    ui::Defer([&] {
        auto* dlg = static_cast<dlg_FindString*>(ui::FindForm("dlg_FindString"));
        ASSERT_TRUE(dlg);
        dlg->txbFindStrign.SetText("nothing-of-this-anywhere");
        ui::Defer([&] {
            probed = true;
            EXPECT_FALSE(f.Unload(ui::vbFormControlMenu));
            EXPECT_TRUE(f.IsLoaded());
        });
        dlg->Command14.DoClick();
    });
    f.cmdSD_SearchRegistry_Click();
    EXPECT_TRUE(probed);
    EXPECT_FALSE(RunGuard::Active());
    EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Finished searching through the registry."});
    ui::DoEvents();
    EXPECT_FALSE(f.IsLoaded());
}

TEST_F(BrowserTabs, RegeditOpensAtTheSelectedFileTypeKeyFromLevelTwo) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, FileTypes());
    // Regedit's own key, which exists once it has run, holds the key it opens at.
    RegFixture hklm(HKEY_LOCAL_MACHINE, kMachine),
        hkcu(HKEY_CURRENT_USER, StartsOn(2) +
                                    "[Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit]\n");
    Open();
    Form_Main& f = frmMain();
    ui::NodePtr fta = f.tvwCMH.Nodes.Item("File_Type_.fta");
    f.tvwCMH.SetSelectedItem(fta);
    BoxRecorder boxes;
    std::vector<std::string> programs;
    ui::StartProgramOverride recorder([&](const std::string& cmd, int, bool) {
        programs.push_back(cmd);
        return 1ul;
    });
    f.Command1.DoClick();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt, "Please select preferred Registry entry first.");
    EXPECT_TRUE(programs.empty());
    f.tvwCMH_DblClick();
    f.tvwCMH.SetSelectedItem(f.tvwCMH.Nodes.Item("File_Type_.fta\\HKEY_CLASSES_ROOT\\ftafile\\shell\\print"));
    f.Menus["MNU_CMH_Regedit"].DoClick();
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0], "Regedit.exe");
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey"),
              "HKEY_CLASSES_ROOT\\ftafile\\shell\\print");
}

// A service whose key name of 248 characters makes its registry path longer than MAX_PATH: the
// services tab lists it, the search finds the value inside it and expands its node, the values
// list shows its values, and the value commands of the menu change exactly that key.
TEST_F(BrowserTabs, ALongNamedServiceIsFoundExpandedAndEdited) {
    const std::string name = "VelmLong" + std::string(240, 'l');
    const std::string path = "SYSTEM\\CurrentControlSet\\Services\\" + name;
    RegFixture hklm(HKEY_LOCAL_MACHINE, "[" + path + "]\n\"ImagePath\"=\"C:\\\\windows\\\\system32\\\\spoolsv.exe\"\n[" +
                                            path + "\\Parameters]\n\"Marker\"=\"longserviceneedle\"\n" +
                                            "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\n"),
        hkcu(HKEY_CURRENT_USER, StartsOn(1));
    Open();
    Form_Main& f = frmMain();
    ASSERT_EQ(f.ShownTab(), Tab::SD);
    ASSERT_TRUE(f.tvwSD.Nodes.Exists(name));
    {
        BoxRecorder boxes;
        AnswerFind("longserviceneedle");
        f.cmdSD_SearchRegistry_Click();
    }
    const std::string own = name + "\\HKEY_LOCAL_MACHINE\\" + path, hit = own + "\\Parameters";
    ASSERT_TRUE(f.tvwSD.Nodes.Exists(hit));
    EXPECT_EQ(f.tvwSD.Nodes.Item(hit)->Image().key, "Found");
    auto click = [&](const std::string& key) {
        ui::NodePtr n = f.tvwSD.Nodes.Item(key);
        f.tvwSD.SetSelectedItem(n);
        f.tvwSD_NodeClick(*n);
    };
    click(own);
    EXPECT_TRUE(f.lsvSD_entries.ListItems.Exists("KeyImagePath"));
    click(hit);
    auto& rows = f.lsvSD_entries.ListItems;
    ASSERT_TRUE(rows.Exists("KeyMarker"));
    EXPECT_EQ(rows.Item("KeyMarker")->SubItem(1), "longserviceneedle");

    // The dump line of a plain ASCII text value, as DumpKeyTree writes it (read wide: UTF-16).
    auto line = [](const std::string& value, const std::string& text) {
        std::string hex;
        for (unsigned char c : text + '\0') {
            hex += "0123456789abcdef"[c >> 4];
            hex += "0123456789abcdef"[c & 15];
            hex += "00";
        }
        return "  \"" + value + "\" type 1 = " + hex + "\n";
    };
    std::deque<std::string> answers;
    ui::InputBoxOverride inputs([&](const std::string&, const std::string&, const std::string&) {
        std::string a = answers.empty() ? std::string() : answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    });
    answers = {"Added", "new text"};
    f.Menus["MNU_SDEntries_New"].DoClick();
    EXPECT_EQ(DumpKeyTree(HKEY_LOCAL_MACHINE, path + "\\Parameters"),
              line("Added", "new text") + line("Marker", "longserviceneedle"));
    for (const auto& row : rows)
        if (row->Key() == "KeyMarker") f.lsvSD_entries.SetSelectedItem(row);
    answers = {"changed"};
    f.Menus["MNU_SDEntries_Modify"].DoClick();
    EXPECT_EQ(rows.Item("KeyMarker")->SubItem(1), "changed");
    for (const auto& row : rows)
        if (row->Key() == "KeyAdded") f.lsvSD_entries.SetSelectedItem(row);
    {
        BoxRecorder yes(ui::vbYes);
        f.Menus["MNU_SDEntries_Delete"].DoClick();
        EXPECT_EQ(yes.Prompts(), (std::vector<std::string>{"Really delete value ?"}));
    }
    EXPECT_EQ(DumpKeyTree(HKEY_LOCAL_MACHINE, path + "\\Parameters"), line("Marker", "changed"));
    EXPECT_FALSE(rows.Exists("KeyAdded"));
}
