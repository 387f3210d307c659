// The main window's tab switching, the mirroring of the shown tab on toolbar and status bar,
// the toolbar's dispatch, the locking of tabs, menus and toolbar, the frame of long runs and
// the refresh commands of the tabs.
#include "app/Form_Main.h"

#include "app/Master.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/mTreeviewMacros_472.h"

void Form_Main::WireEvents() {
    SSTab1.Click = [this](int previous) { SSTab1_Click(previous); };
    SSTab1.KeyDown = [this](int key, int shift) { SSTab1_KeyDown(key, shift); };
    Toolbar1.ButtonClick = [this](ui::ToolbarButton& b) { Toolbar1_ButtonClick(b); };

    tvwRegComp.NodeClick = [this](ui::Node& n) { tvwRegComp_NodeClick(n); };
    tvwRegComp.DblClick = [this] { tvwRegComp_DblClick(); };
    tvwRegComp.KeyDown = [this](int k, int s) { tvwRegComp_KeyDown(k, s); };
    tvwRegComp.MouseUp = [this](int b, int s, long x, long y) { tvwRegComp_MouseUp(b, s, x, y); };
    for (ui::ListView* l : {&lsvRegComp_entries, &lsvRegCompDetails})
        l->KeyDown = [this](int k, int) { if (k == VK_F5) MNU_RegComp_RefreshTreeView_Click(); };
    lsvUS.KeyDown = [this](int k, int) { if (k == VK_F5) MNU_UninstClean_RefreshUninst_Click(); };
    tvwSD.KeyDown = [this](int k, int) { if (k == VK_F5) cmdSD_Refresh_Click(); };
    lsvSD_entries.KeyDown = tvwSD.KeyDown;
    tvwCMH.KeyDown = [this](int k, int) { if (k == VK_F5) Command7_Click(); };
    lsvCMH_entries.KeyDown = tvwCMH.KeyDown;

    SplitterRegComp.MouseDown = [this](int b, int, long x, long) { if (SplitRegComp) SplitRegComp->Mouse(x, b); };
    SplitterRegComp.MouseMove = SplitterRegComp.MouseDown;
    SplitterRegComp.MouseUp = [this](int, int, long x, long) { if (SplitRegComp) SplitRegComp->Mouse(x, 0); };
    SplitterSD.MouseDown = [this](int b, int, long x, long) { if (SplitSD) SplitSD->Mouse(x, b); };
    SplitterSD.MouseMove = SplitterSD.MouseDown;
    SplitterSD.MouseUp = [this](int, int, long x, long) { if (SplitSD) SplitSD->Mouse(x, 0); };

    Option_select_by[0].Click = [this] {
        cboCMH_arrangedby.SetEnabled(false);
        DroskGlobal().blnCMHGeneralEntries = true;
        Command7_Click();
    };
    Option_select_by[1].Click = [this] {
        cboCMH_arrangedby.SetEnabled(true);
        DroskGlobal().blnCMHGeneralEntries = false;
        Command7_Click();
    };
    Command7.Click = [this] { Command7_Click(); };
}

// ---------------------------------------------------------------- tab switch

void Form_Main::SSTab1_Click(int) {
    Form_Resize();
    ui::DoEvents();
    if (!IsLoaded()) return;
    for (const char* m : {"MNU_UninstClean", "MNU_RegComp", "MNU_ServicesDevices", "MNU_CMH"})
        Menus[m].SetVisible(false);
    clsDroskGlobal& g = DroskGlobal();
    const int tab = SSTab1.Tab();
    g.LastTab = Variant(static_cast<int16_t>(tab));
    switch (tab) {
        case 0:
            Reflect_ConnectMode("US");
            Menus["MNU_UninstClean"].SetVisible(true);
            if (!mVisited[0]) {
                mVisited[0] = true;
                g.blnCancel = false;
                Disable_MNU_US_Items();
                MNU_UninstClean_RefreshUninst_Click();
            }
            break;
        case 1:
            Reflect_ConnectMode("SD");
            Menus["MNU_ServicesDevices"].SetVisible(true);
            if (!mVisited[1]) {
                mVisited[1] = true;
                g.blnCancel = false;
                Disable_MNU_ServicesDevices_Items();
                cmdSD_Refresh_Click();
            }
            break;
        case 2:
            Reflect_ConnectMode("CMH");
            Menus["MNU_CMH"].SetVisible(true);
            if (!mVisited[2]) {
                mVisited[2] = true;
                g.blnCancel = false;
                cboCMH_arrangedby.Clear();
                cboCMH_arrangedby.AddItem("File type");
                cboCMH_arrangedby.AddItem("File type name");
                // Selecting the stored choice raises the combo's Click, which has no handler here.
                const long by = g.vntCMHSelectedBy.ToLong();
                cboCMH_arrangedby.SetListIndex(by >= 0 && by <= 1 ? by : 0);
                Disable_MNU_CMH_Items();
                if (g.blnCMHGeneralEntries != Option_select_by[0].Value()) {
                    if (g.blnCMHGeneralEntries) Option_select_by[0].SetValue(true);
                    else Option_select_by[1].SetValue(true);
                } else {
                    Command7_Click();
                }
            }
            break;
        case 3:
            Reflect_ConnectMode("RegComp");
            Menus["MNU_RegComp"].SetVisible(true);
            if (blnRegCompTabFilled == 0) {
                blnRegCompTabFilled = 1;
                mVisited[3] = true;
                Disable_MNU_RegComp_Items();
                MNU_RegComp_RefreshTreeView_Click();
            }
            break;
        default:
            break;
    }
}

void Form_Main::SSTab1_KeyDown(int keyCode, int) {
    if (keyCode != VK_F5) return;
    switch (SSTab1.Tab()) {
        case 0: MNU_UninstClean_RefreshUninst_Click(); break;
        case 1: cmdSD_Refresh_Click(); break;
        case 2: Command7_Click(); break;
        case 3: MNU_RegComp_RefreshTreeView_Click(); break;
        default: break;
    }
}

void Form_Main::Reflect_ConnectMode(const std::string& mode) {
    for (const char* k : {"US", "SD", "CMH", "RegComp"}) Toolbar1.Button(k).SetValue(ui::tbrUnpressed);
    const std::string m = TextCase::Lower(mode);
    struct Row { const char* code; bool search, options, explore; const char* button; const char* panel; };
    static const Row rows[] = {
        {"us", false, false, true, "US", "UninstClean"},
        {"sd", true, true, true, "SD", "Services/Devices"},
        {"cmh", true, false, false, "CMH", "Registered File Types"},
        {"regcomp", true, true, true, "RegComp", "COM Components"},
    };
    for (const Row& r : rows) {
        if (m != r.code) continue;
        Toolbar1.Button("Search").SetEnabled(r.search);
        Toolbar1.Button("Options").SetEnabled(r.options);
        Toolbar1.Button("Explore").SetEnabled(r.explore);
        Toolbar1.Button(r.button).SetValue(ui::tbrPressed);
        stb1.Panel(2).SetText(r.panel);
    }
}

void Form_Main::Toolbar1_ButtonClick(ui::ToolbarButton& button) {
    const std::string key = button.Key();
    try {
        const struct { const char* key; int tab; } tabs[] = {{"US", 0}, {"SD", 1}, {"CMH", 2}, {"RegComp", 3}};
        for (auto& t : tabs) {
            if (key != t.key) continue;
            if (button.Value() == ui::tbrPressed) MenuFileTab(t.tab);
            else button.SetValue(ui::tbrPressed);  // the shown tab's button stays pressed
            return;
        }
        if (key == "Help") {
            Menus["Contents"].DoClick();
            return;
        }
        const int tab = SSTab1.Tab();
        static const char* const table[4][4] = {
            // tab 0, 1, 2, 3
            {"MNU_UninstClean_RefreshUninst", "MNU_ServicesDevices_Refresh", "MNU_CMH_Refresh", "MNU_RegComp_RefreshTreeView"},
            {nullptr, "MNU_ServicesDevices_SearchInRegistry", "MNU_CMH_SearchInRegistry", "MNU_RegComp_SearchInRegistry"},
            {"MNU_UninstClean_ShowApplicationPath", "MNU_ServicesDevices_ShowFilePath", nullptr, "MNU_RegComp_Show_File_path"},
            {nullptr, "MNU_ServicesDevices_Options", "MNU_CMH_FolderOptions", "MNU_RegComp_Options"},
        };
        int row = key == "Refresh" ? 0 : key == "Search" ? 1 : key == "Explore" ? 2 : key == "Options" ? 3 : -1;
        if (row < 0 || tab < 0 || tab > 3 || !table[row][tab]) return;
        // A command switched off (a run is under way) does not run from the toolbar either.
        ui::MenuItem& item = Menus[table[row][tab]];
        if (item.Enabled()) item.DoClick();
    } catch (...) {
    }
}

// ---------------------------------------------------------------- locking

namespace {
void EnableItems(ui::Menu& menus, std::initializer_list<const char*> names, bool on) {
    for (const char* n : names) menus[n].SetEnabled(on);
}
}  // namespace

long Form_Main::SelectedLevel(ui::TreeView& tree) {
    ui::NodePtr n = tree.SelectedItem();
    if (!n) throw RunTimeError(91, "Form_Main", "Object variable or With block variable not set");
    return QV_TreeView_Lib::GetNodeLevel(tree, n->Key());
}

void Form_Main::Disable_MNU_US_Items() {
    const auto items = {"MNU_UninstClean_DeleteKey", "MNU_UninstClean_Uninstall", "MNU_UninstClean_ShowApplicationPath",
                        "MNU_UninstClean_Regedit"};
    EnableItems(Menus, items, false);
    ui::ListItemPtr row = lsvUS.SelectedItem();
    if (row && !row->Key().empty()) EnableItems(Menus, items, true);
}

void Form_Main::Disable_MNU_ServicesDevices_Items() {
    EnableItems(Menus, {"MNU_ServicesDevicesNew", "MNU_ServicesDevices_Delete", "MNU_ServicesDevices_DeleteComponent",
                        "MNU_ServicesDevices_ShowFilePath", "MNU_ServicesDevices_Dependencies", "MNU_ServicesDevices_Rename",
                        "MNU_ServicesDevices_Regedit", "MNU_SDEntries_Delete", "MNU_SDEntries_New", "MNU_SDEntries_Rename",
                        "MNU_SDEntries_Modify"},
                false);
    try {
        const long l = SelectedLevel(tvwSD);
        if (l == 0)
            EnableItems(Menus, {"MNU_ServicesDevices_DeleteComponent", "MNU_ServicesDevices_ShowFilePath",
                                "MNU_ServicesDevices_Dependencies"}, true);
        if (l >= 5)
            EnableItems(Menus, {"MNU_ServicesDevices_Delete", "MNU_ServicesDevicesNew", "MNU_ServicesDevices_Regedit",
                                "MNU_SDEntries_Delete", "MNU_SDEntries_New"}, true);
        if (l >= 6) EnableItems(Menus, {"MNU_ServicesDevices_Rename"}, true);
    } catch (...) {
    }
}

void Form_Main::Disable_MNU_CMH_Items() {
    EnableItems(Menus, {"MNU_CMHNew", "MNU_CMH_Delete", "MNU_CMH_Delete_all_entries_of_this_component", "MNU_CMH_Rename",
                        "MNU_CMH_Regedit", "MNU_CMHEntries_New", "MNU_CMHEntries_Delete", "MNU_CMHEntries_Rename",
                        "MNU_CMHEntries_Modify"},
                false);
    try {
        const long l = SelectedLevel(tvwCMH);
        const bool general = Option_select_by[0].Value();
        if (l == 0 && !general) EnableItems(Menus, {"MNU_CMH_Delete_all_entries_of_this_component"}, true);
        if (l >= 2) {
            if (!general) EnableItems(Menus, {"MNU_CMH_Delete"}, true);
            EnableItems(Menus, {"MNU_CMHNew", "MNU_CMH_Regedit", "MNU_CMHEntries_New", "MNU_CMHEntries_Delete"}, true);
        }
        if (l >= 3) EnableItems(Menus, {"MNU_CMH_Rename", "MNU_CMH_Delete"}, true);
    } catch (...) {
    }
}

void Form_Main::Disable_MNU_RegComp_Items() {
    EnableItems(Menus, {"MNU_RegComp_Newxx", "MNU_RegComp_Delete", "MNU_RegComp_Rename",
                        "MNU_RegComp_Delete_all_enties_of_this_component", "MNU_RegComp_Delete_components_Server",
                        "MNU_RegComp_Show_File_path", "MNU_RegComp_Unregisterthiscomponent", "MNU_RegComp_Regedit",
                        "MNU_RegComp_Dependencies", "MNU_RegCompEntries_New", "MNU_RegCompEntries_Delete",
                        "MNU_RegCompEntries_Rename", "MNU_RegCompEntries_Modify"},
                false);
    try {
        const long l = SelectedLevel(tvwRegComp);
        if (l == 1)
            EnableItems(Menus, {"MNU_RegComp_Delete_all_enties_of_this_component", "MNU_RegComp_Delete_components_Server",
                                "MNU_RegComp_Show_File_path", "MNU_RegComp_Unregisterthiscomponent",
                                "MNU_RegComp_Dependencies"}, true);
        if (l >= 3)
            EnableItems(Menus, {"MNU_RegComp_Newxx", "MNU_RegComp_Delete", "MNU_RegComp_Regedit", "MNU_RegCompEntries_New",
                                "MNU_RegCompEntries_Delete"}, true);
        if (l >= 4) EnableItems(Menus, {"MNU_RegComp_Rename"}, true);
    } catch (...) {
    }
}

void Form_Main::Disable_All_MNU_Items() {
    for (const char* m : {"MNU_UninstClean", "MNU_ServicesDevices", "MNU_SDEntries", "MNU_CMH", "MNU_CMHEntries",
                          "MNU_RegComp", "MNU_RegCompEntries"})
        Menus[m].SetVisible(false);
}

void Form_Main::EnableDisableFileMenuItems(const std::string& action, const std::string& tab) {
    const std::string a = TextCase::Lower(action), t = TextCase::Lower(tab);
    if (a != "start" && a != "stop") return;
    const bool on = a == "start";
    Menus["MNU_File_Exit"].SetEnabled(on);
    if (DroskGlobal().blnOptionShowInTaskbar) Menus["MNU_File_ShutDown"].SetEnabled(on);
    EnableItems(Menus, {"MNU_Options_AutoUpdateCheckNow", "MNU_File_US", "MNU_File_RegComp", "MNU_File_SD", "MNU_File_CMH"}, on);
    const bool known = t == "us" || t == "regcomp" || t == "sd" || t == "cmh";
    if (known)
        for (const char* k : {"US", "SD", "CMH", "RegComp"}) Toolbar1.Button(k).SetEnabled(on);
    if (!on) {
        for (const char* k : {"Search", "Refresh", "Options"}) Toolbar1.Button(k).SetEnabled(false);
    } else if (t == "us") {
        Toolbar1.Button("Refresh").SetEnabled(true);
    } else if (t == "cmh") {
        Toolbar1.Button("Search").SetEnabled(true);
        Toolbar1.Button("Refresh").SetEnabled(true);
    } else {
        for (const char* k : {"Search", "Refresh", "Options"}) Toolbar1.Button(k).SetEnabled(true);
    }
}

void Form_Main::Tabc_EnableAllTabs() {
    for (int i = 0; i < 4; ++i) SSTab1.SetTabEnabled(i, true);
}

void Form_Main::Tabc_EnableOneTab(long tab) {
    for (int i = 0; i < 4; ++i) SSTab1.SetTabEnabled(i, i == tab);
}

// ---------------------------------------------------------------- long runs

void Form_Main::AfterRun(std::function<void()> action) {
    if (!RunActive()) {
        ui::Defer(std::move(action));
        return;
    }
    mAfterRun.push_back(std::move(action));
}

void Form_Main::LongRun(const RunPlan& plan, const std::function<void()>& worker) {
    // One long run at a time: a second request while one runs does nothing.
    if (mRunActive || !IsLoaded()) return;
    mRunActive = true;
    clsDroskGlobal& g = DroskGlobal();
    try {
        Tabc_EnableOneTab(plan.tab);
        Master::AutoUpdateStartStop("stop");
        if (plan.startText) stb1.Panel(1).SetText(plan.startText);
        for (const std::string& item : plan.offItems) Menus[item].SetEnabled(false);
        EnableDisableFileMenuItems("stop", plan.code);
        g.blnCancel = false;
        BusyBox().Show(ui::vbModeless, this);
        if (plan.refresh) g.blnProcessing = true;
        worker();
    } catch (const RunTimeError& e) {
        QV_Err::HandleError(e.Number, e.Description, "Form_Main", plan.procedure);
    } catch (const std::exception& e) {
        QV_Err::HandleError(-1, e.what(), "Form_Main", plan.procedure);
    }
    // Closing steps: they also follow an error.
    if (BusyBox().IsLoaded()) BusyBox().Unload();
    g.blnCancel = false;
    if (plan.refresh) g.blnProcessing = false;
    if (IsLoaded()) {
        for (const std::string& item : plan.offItems) Menus[item].SetEnabled(true);
        EnableDisableFileMenuItems("start", plan.code);
        Master::AutoUpdateStartStop("start");
        Tabc_EnableAllTabs();
        stb1.Panel(1).SetText("Ready.");
    }
    mRunActive = false;
    FlushAfterRun();
}

void Form_Main::FlushAfterRun() {
    if (RunActive()) return;
    // What waited for the run (a close, a shutdown, a registration hand-over) happens now,
    // from the message loop, after the handlers of the run have returned.
    auto waiting = std::move(mAfterRun);
    mAfterRun.clear();
    for (auto& action : waiting) ui::Defer(std::move(action));
}

void Form_Main::MNU_RegComp_RefreshTreeView_Click() {
    if (mRunActive) return;
    clsDroskGlobal& g = DroskGlobal();
    stb1.Panel(1).SetText("Scanning COM Components.");
    RunPlan plan{3, "regcomp", nullptr,
                 {"MNU_RegComp_RefreshTreeView", "MNU_RegComp_SearchInRegistry", "MNU_RegComp_Options"}, true,
                 "MNU_RegComp_RefreshTreeView_Click"};
    Disable_MNU_RegComp_Items();
    std::string remembered;
    try {
        if (auto n = tvwRegComp.SelectedItem()) remembered = n->Key();
    } catch (...) {
    }
    for (const char* root : {"Control", "DLLServer", "EXEServer"}) {
        try {
            tvwRegComp.Nodes.Remove(root);
        } catch (...) {
        }
    }
    mTreeviewMacros_472::TreeView_DeleteAllItems(tvwRegComp.hWnd());
    lsvRegComp_entries.ListItems.Clear();
    LongRun(plan, [&] {
        Tab_RegComp::FillRegCompTree(colRegComp, tvwRegComp, g.vntRegCompSelectedBy.ToLong(), g.blnRegCompDetailed,
                                     stb1, g.blnCancel);
        if (!remembered.empty() && IsLoaded()) {
            try {
                if (auto n = tvwRegComp.Nodes.Find(remembered)) {
                    n->EnsureVisible();
                    tvwRegComp.SetSelectedItem(n);
                }
            } catch (...) {
            }
        }
    });
}

void Form_Main::MNU_UninstClean_RefreshUninst_Click() {
    if (mRunActive) return;
    stb1.Panel(1).SetText("Analyzing installed Software entries.");
    // The uninstall list comes from the uninstall tab's scan; until it is part of the program
    // the run only goes through its frame and leaves the list empty.
    LongRun({0, "us", nullptr, {"MNU_UninstClean_RefreshUninst", "MNU_UninstClean_RebuildCache"}, true,
             "MNU_UninstClean_RefreshUninst_Click"},
            [] {});
}

void Form_Main::cmdSD_Refresh_Click() {
    if (mRunActive) return;
    Disable_MNU_ServicesDevices_Items();
    tvwSD.Nodes.Clear();
    lsvSD_entries.ListItems.Clear();
    // Filled by the services tab's scan once it is part of the program.
    LongRun({1, "sd", "Analyzing installed Servics/Devices entries.",
             {"MNU_ServicesDevices_Refresh", "MNU_ServicesDevices_SearchInRegistry", "MNU_ServicesDevices_Options"}, true,
             "cmdSD_Refresh_Click"},
            [] {});
}

void Form_Main::Command7_Click() {
    if (mRunActive) return;
    Disable_MNU_CMH_Items();
    tvwCMH.Nodes.Clear();
    lsvCMH_entries.ListItems.Clear();
    // Filled by the file-types tab's scan once it is part of the program.
    LongRun({2, "cmh", "Scanning Registered File Types.", {"MNU_CMH_Refresh", "MNU_CMH_SearchInRegistry"}, true,
             "Refresh CMH"},
            [this] {
                Command7.SetEnabled(false);
                Command5.SetEnabled(false);
                Option_select_by[0].SetEnabled(false);
                Option_select_by[1].SetEnabled(false);
                Command7.SetEnabled(true);
                Command5.SetEnabled(true);
                Option_select_by[0].SetEnabled(true);
                Option_select_by[1].SetEnabled(true);
            });
}

void Form_Main::MNU_RegComp_SearchInRegistry_Click() {
    // The registry search comes with the search engine and its find dialog; until then the
    // command does nothing.
}
