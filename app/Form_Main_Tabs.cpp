// The main window's tab table, its tab switching, the mirroring of the shown tab on toolbar and
// status bar, the toolbar's dispatch, the locking of tabs, menus and toolbar, and the frame of
// long runs (scans and searches) that every tab's commands go through.
#include "app/Form_Main.h"

#include "app/Form_Main_Menus.h"
#include "app/Master.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "base/QV_Err.h"
#include "base/ScopeExit.h"
#include "base/TextCase.h"
#include "registry/dlg_FindString.h"
#include "ui/QV_TreeView_Lib.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

// ---------------------------------------------------------------- the tab table

const std::vector<TabFacts>& TabTable() {
    static const std::vector<TabFacts> table = {
        {.tab = Tab::US,
         .key = "US",
         .code = "us",
         .caption = "UninstClean",
         .title = "UninstClean",
         .fileItem = MainMenu::File::US,
         .editMenu = MainMenu::UninstClean::Menu,
         .entriesMenu = nullptr,
         .refreshItem = MainMenu::UninstClean::RefreshUninst,
         .searchItem = nullptr,
         .exploreItem = MainMenu::UninstClean::ShowApplicationPath,
         .optionsItem = nullptr,
         .searchButton = false,
         .optionsButton = false,
         .exploreButton = true,
         .scanLocks = {MainMenu::UninstClean::RefreshUninst, MainMenu::UninstClean::RebuildCache},
         .searchLocks = {},
         .refresh = &Form_Main::MNU_UninstClean_RefreshUninst_Click,
         .shown = &Form_Main::TabShown_US,
         .disableItems = &Form_Main::Disable_MNU_US_Items},
        {.tab = Tab::SD,
         .key = "SD",
         .code = "sd",
         .caption = " Services/Devices",
         .title = "Services/Devices",
         .fileItem = MainMenu::File::SD,
         .editMenu = MainMenu::ServicesDevices::Menu,
         .entriesMenu = MainMenu::SDEntries::Menu,
         .refreshItem = MainMenu::ServicesDevices::Refresh,
         .searchItem = MainMenu::ServicesDevices::SearchInRegistry,
         .exploreItem = MainMenu::ServicesDevices::ShowFilePath,
         .optionsItem = MainMenu::ServicesDevices::Options,
         .searchButton = true,
         .optionsButton = true,
         .exploreButton = true,
         .scanLocks = {MainMenu::ServicesDevices::Refresh, MainMenu::ServicesDevices::SearchInRegistry,
                       MainMenu::ServicesDevices::Options},
         .searchLocks = {MainMenu::ServicesDevices::Refresh, MainMenu::ServicesDevices::SearchInRegistry},
         .refresh = &Form_Main::cmdSD_Refresh_Click,
         .shown = &Form_Main::TabShown_SD,
         .disableItems = &Form_Main::Disable_MNU_ServicesDevices_Items},
        {.tab = Tab::CMH,
         .key = "CMH",
         .code = "cmh",
         .caption = "Reg. File types",
         .title = "Registered File Types",
         .fileItem = MainMenu::File::CMH,
         .editMenu = MainMenu::CMH::Menu,
         .entriesMenu = MainMenu::CMHEntries::Menu,
         .refreshItem = MainMenu::CMH::Refresh,
         .searchItem = MainMenu::CMH::SearchInRegistry,
         .exploreItem = nullptr,
         .optionsItem = MainMenu::CMH::FolderOptions,
         .searchButton = true,
         .optionsButton = false,
         .exploreButton = false,
         .scanLocks = {MainMenu::CMH::Refresh, MainMenu::CMH::SearchInRegistry},
         // Its search switches off the tab's buttons Refresh and Search instead (Command5_Click).
         .searchLocks = {},
         .refresh = &Form_Main::Command7_Click,
         .shown = &Form_Main::TabShown_CMH,
         .disableItems = &Form_Main::Disable_MNU_CMH_Items},
        {.tab = Tab::RegComp,
         .key = "RegComp",
         .code = "regcomp",
         .caption = "Reg. Components",
         .title = "COM Components",
         .fileItem = MainMenu::File::RegComp,
         .editMenu = MainMenu::RegComp::Menu,
         .entriesMenu = MainMenu::RegCompEntries::Menu,
         .refreshItem = MainMenu::RegComp::RefreshTreeView,
         .searchItem = MainMenu::RegComp::SearchInRegistry,
         .exploreItem = MainMenu::RegComp::ShowFilePath,
         .optionsItem = MainMenu::RegComp::Options,
         .searchButton = true,
         .optionsButton = true,
         .exploreButton = true,
         .scanLocks = {MainMenu::RegComp::RefreshTreeView, MainMenu::RegComp::SearchInRegistry, MainMenu::RegComp::Options},
         .searchLocks = {MainMenu::RegComp::RefreshTreeView, MainMenu::RegComp::SearchInRegistry},
         .refresh = &Form_Main::MNU_RegComp_RefreshTreeView_Click,
         .shown = &Form_Main::TabShown_RegComp,
         .disableItems = &Form_Main::Disable_MNU_RegComp_Items},
    };
    return table;
}

const TabFacts& Facts(Tab tab) { return TabTable()[static_cast<size_t>(tab)]; }

const TabFacts* FactsOf(const std::string& codeOrKey) {
    const std::string c = TextCase::Lower(codeOrKey);
    for (const TabFacts& t : TabTable())
        if (c == t.code) return &t;
    return nullptr;
}

std::optional<Tab> TabOfIndex(long index) {
    for (const TabFacts& t : TabTable())
        if (static_cast<long>(t.tab) == index) return t.tab;
    return std::nullopt;
}

std::optional<Tab> Form_Main::ShownTab() const { return TabOfIndex(SSTab1.Tab()); }

void Form_Main::SelectTab(Tab tab) { SSTab1.SetTab(static_cast<int>(tab)); }

// ---------------------------------------------------------------- events

void Form_Main::WireEvents() {
    SSTab1.Click = [this](int previous) { SSTab1_Click(previous); };
    SSTab1.KeyDown = [this](int key, int shift) { SSTab1_KeyDown(key, shift); };
    Toolbar1.ButtonClick = [this](ui::ToolbarButton& b) { Toolbar1_ButtonClick(b); };

    SplitterRegComp.MouseDown = [this](int b, int, long x, long) { if (SplitRegComp) SplitRegComp->Mouse(x, b); };
    SplitterRegComp.MouseMove = SplitterRegComp.MouseDown;
    SplitterRegComp.MouseUp = [this](int, int, long x, long) { if (SplitRegComp) SplitRegComp->Mouse(x, 0); };
    SplitterSD.MouseDown = [this](int b, int, long x, long) { if (SplitSD) SplitSD->Mouse(x, b); };
    SplitterSD.MouseMove = SplitterSD.MouseDown;
    SplitterSD.MouseUp = [this](int, int, long x, long) { if (SplitSD) SplitSD->Mouse(x, 0); };

    WireEvents_US();
    WireEvents_SD();
    WireEvents_CMH();
    WireEvents_RegComp();
    WireEvents_Lists();
}

// ---------------------------------------------------------------- tab switch

void Form_Main::SSTab1_Click(int) {
    Form_Resize();
    ui::DoEvents();
    if (!IsLoaded()) return;
    const int index = SSTab1.Tab();
    DroskGlobal().LastTab = Variant(static_cast<int16_t>(index));
    const std::optional<Tab> tab = TabOfIndex(index);
    {
        ui::Menu::Batch batch(Menus);
        for (const TabFacts& t : TabTable()) Menus[t.editMenu].SetVisible(false);
        if (tab) Menus[Facts(*tab).editMenu].SetVisible(true);
    }
    if (!tab) return;
    const TabFacts& facts = Facts(*tab);
    Reflect_ConnectMode(facts.key);
    // A tab's first-visit refresh is a long run: while another run holds the turn (a
    // registration hand-over switches tabs while it holds it) it could not start, so the shown
    // step waits for that run's end and then runs for the tab shown at that time. A tab that is
    // no longer shown then keeps its first visit for later.
    if (RunGuard::Active()) {
        RunGuard::AfterRun([this] {
            if (!IsLoaded()) return;
            if (const std::optional<Tab> shown = ShownTab()) (this->*Facts(*shown).shown)();
        }, "tab shown");
        return;
    }
    (this->*facts.shown)();
}

void Form_Main::SSTab1_KeyDown(int keyCode, int) {
    if (keyCode != VK_F5) return;
    if (const std::optional<Tab> tab = ShownTab()) (this->*Facts(*tab).refresh)();
}

void Form_Main::Reflect_ConnectMode(const std::string& mode) {
    for (const TabFacts& t : TabTable()) Toolbar1.Button(t.key).SetValue(ui::tbrUnpressed);
    const TabFacts* r = FactsOf(mode);
    if (!r) return;
    Toolbar1.Button("Search").SetEnabled(r->searchButton);
    Toolbar1.Button("Options").SetEnabled(r->optionsButton);
    Toolbar1.Button("Explore").SetEnabled(r->exploreButton);
    Toolbar1.Button(r->key).SetValue(ui::tbrPressed);
    stb1.Panel(2).SetText(r->title);
}

void Form_Main::Toolbar1_ButtonClick(ui::ToolbarButton& button) {
    TrapErrors(kModule, "Toolbar1_ButtonClick", [&] {
        const std::string key = button.Key();
        for (const TabFacts& t : TabTable()) {
            if (key != t.key) continue;
            if (button.Value() == ui::tbrPressed) MenuFileTab(t.tab);
            else button.SetValue(ui::tbrPressed);  // the shown tab's button stays pressed
            return;
        }
        if (key == "Help") {
            Menus[MainMenu::Help::Contents].DoClick();
            return;
        }
        const std::optional<Tab> tab = ShownTab();
        if (!tab) return;
        const TabFacts& t = Facts(*tab);
        const char* command = key == "Refresh"   ? t.refreshItem
                              : key == "Search"  ? t.searchItem
                              : key == "Explore" ? t.exploreItem
                              : key == "Options" ? t.optionsItem
                                                 : nullptr;
        // The command runs whatever the state of its menu item: it answers a selection it cannot
        // act on itself. (During a run the buttons that would start another are switched off,
        // and a run's command returns at once while one is under way.)
        if (command) Menus[command].DoClick();
    });
}

void Form_Main::MenuFileTab(Tab tab) { SelectTab(tab); }

// ---------------------------------------------------------------- locking

std::optional<long> Form_Main::SelectedLevel(ui::TreeView& tree) {
    ui::NodePtr n = tree.SelectedItem();
    if (!n || n->Key().empty()) return std::nullopt;
    return QV_TreeView_Lib::GetNodeLevel(tree, n->Key());
}

void Form_Main::Disable_All_MNU_Items() {
    ui::Menu::Batch batch(Menus);
    for (const TabFacts& t : TabTable()) {
        Menus[t.editMenu].SetVisible(false);
        if (t.entriesMenu) Menus[t.entriesMenu].SetVisible(false);
    }
}

void Form_Main::EnableDisableFileMenuItems(const std::string& action, const std::string& tab) {
    const std::string a = TextCase::Lower(action);
    if (a != "start" && a != "stop") return;
    const bool on = a == "start";
    const TabFacts* facts = FactsOf(tab);
    ui::Menu::Batch batch(Menus);
    Menus[MainMenu::File::Exit].SetEnabled(on);
    if (DroskGlobal().blnOptionShowInTaskbar) Menus[MainMenu::File::ShutDown].SetEnabled(on);
    // Only where the program has the command.
    ui::MenuItem& checkNow = Menus[MainMenu::Options::AutoUpdateCheckNow];
    checkNow.SetEnabled(on && checkNow.Click);
    for (const TabFacts& t : TabTable()) Menus[t.fileItem].SetEnabled(on);
    if (facts)
        for (const TabFacts& t : TabTable()) Toolbar1.Button(t.key).SetEnabled(on);
    if (!on) {
        for (const char* k : {"Search", "Refresh", "Options"}) Toolbar1.Button(k).SetEnabled(false);
        return;
    }
    // After a run the tab's own commands come back; an unknown tab gets all three.
    Toolbar1.Button("Refresh").SetEnabled(true);
    if (!facts || facts->searchButton) Toolbar1.Button("Search").SetEnabled(true);
    if (!facts || facts->optionsButton) Toolbar1.Button("Options").SetEnabled(true);
}

void Form_Main::Tabc_EnableAllTabs() {
    for (int i = 0; i < kTabCount; ++i) SSTab1.SetTabEnabled(i, true);
}

void Form_Main::Tabc_EnableOneTab(long tab) {
    for (int i = 0; i < kTabCount; ++i) SSTab1.SetTabEnabled(i, i == tab);
}

// ---------------------------------------------------------------- long runs

std::vector<const char*> Form_Main::LockedItems(const RunPlan& plan) const {
    const TabFacts& t = Facts(plan.tab);
    return plan.kind == RunGuard::Kind::Scan ? t.scanLocks : t.searchLocks;
}

void Form_Main::LongRun(const RunPlan& plan, const std::function<void()>& worker) {
    if (!IsLoaded()) return;
    // One long run at a time, program-wide: a second request while one runs does nothing.
    RunGuard::Turn turn = RunGuard::Begin(plan.kind);
    if (!turn) return;
    const TabFacts& tab = Facts(plan.tab);
    const std::vector<const char*> locked = LockedItems(plan);
    clsDroskGlobal& g = DroskGlobal();
    {
        // The closing steps, also after an error; then the turn ends and what waited happens.
        ScopeExit closing([&] {
            TrapErrors(kModule, plan.procedure, [&] {
                if (BusyBox().IsLoaded()) BusyBox().Unload();
            });
            g.blnCancel = false;
            TrapErrors(kModule, plan.procedure, [&] {
                if (!IsLoaded()) return;
                ui::Menu::Batch batch(Menus);
                for (const char* item : locked) Menus[item].SetEnabled(true);
                for (ui::Control* c : plan.controls) c->SetEnabled(true);
                EnableDisableFileMenuItems("start", tab.code);
                Master::AutoUpdateStartStop("start");
                Tabc_EnableAllTabs();
                // A tab button clicked while it was disabled may have toggled anyway: exactly the
                // shown tab's button is pressed after the run.
                if (const std::optional<Tab> shown = ShownTab()) Reflect_ConnectMode(Facts(*shown).code);
                stb1.Panel(1).SetText(plan.finishText ? plan.finishText : "Ready.");
            });
        });
        TrapErrors(kModule, plan.procedure, [&] {
            Tabc_EnableOneTab(plan.tab);
            Master::AutoUpdateStartStop("stop");
            if (plan.startText) stb1.Panel(1).SetText(plan.startText);
            {
                ui::Menu::Batch batch(Menus);
                for (const char* item : locked) Menus[item].SetEnabled(false);
                for (ui::Control* c : plan.controls) c->SetEnabled(false);
                EnableDisableFileMenuItems("stop", tab.code);
            }
            g.blnCancel = false;
            BusyBox().Show(ui::vbModeless, this);
            worker();
        });
    }
}

void Form_Main::SearchRun(Tab tab, const char* procedure, const std::function<void(const SearchOptions&)>& worker,
                          std::vector<ui::Control*> controls) {
    if (RunGuard::Busy() || !IsLoaded()) return;
    clsDroskGlobal& g = DroskGlobal();
    colQVRegistry& engine = QVRegistry();
    // The Find dialog first, showing the last confirmed options; the options it gives are the
    // search's, and the engine keeps them for the next dialog and the settings.
    std::optional<SearchOptions> chosen;
    {
        dlg_FindString find(engine.Options(), g.blnCancel);
        find.Show(ui::vbModal);
        chosen = find.Chosen();
    }
    engine.blnFindOptionEnabled = chosen.has_value();
    if (chosen) engine.SetOptions(*chosen);
    LongRun({.tab = tab, .kind = RunGuard::Kind::Search, .procedure = procedure, .controls = std::move(controls)}, [&] {
        if (!chosen) return;
        worker(*chosen);
        const bool cancelled = g.blnCancel;
        if (BusyBox().IsLoaded()) BusyBox().Unload();
        stb1.Panel(1).SetText("Ready.");
        if (!cancelled && IsLoaded())
            ui::MsgBox("Finished searching through the registry.", ui::vbInformation);
    });
}

void Form_Main::RefreshRun(ui::TreeView& tree, const RunPlan& plan, const std::function<void()>& clear,
                           const std::function<void()>& fill) {
    // The selected node is found again by its key after the scan.
    std::string remembered;
    if (ui::NodePtr n = tree.SelectedItem()) remembered = n->Key();
    clear();
    LongRun(plan, [&] {
        fill();
        if (remembered.empty() || !IsLoaded()) return;
        if (ui::NodePtr n = tree.Nodes.Find(remembered)) {
            n->EnsureVisible();
            tree.SetSelectedItem(n);
        }
    });
    // The lists show the entry found again, or nothing.
    if (IsLoaded()) ShowSelectedNodeData(plan.tab);
}
