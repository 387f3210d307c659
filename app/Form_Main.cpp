// The main window's construction, image lists and controls; its load, restore, close, save and
// unload; the File, Options and Help commands.
#include "app/Form_Main.h"

#include "app/Form_Drosk_TrayIcon.h"
#include "app/Form_Main_Menus.h"
#include "app/Master.h"
#include "app/Register_UninstClean.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_searching.h"
#include "app/frmSplash.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/SharedFunctions.h"
#include "res/resource.h"

#include <algorithm>
#include <tuple>

// The form's own load, settings, close and resize handlers report their errors under the form's
// name; its commands report under "Form_Main".
namespace {
constexpr char kFormModule[] = "frmMain";
}  // namespace

bool blnMainFormLoaded = false;

Form_Main& frmMain() {
    static Form_Main form;
    return form;
}

Form_Main::Form_Main()
    : Form("Form_Main", {.caption = "Velmora", .width = 9000, .height = 7200, .border = 2, .iconResource = IDI_VELMORA}) {
    TimerPopUpMenu.SetInterval(1);
    TimerPopUpMenu.SetEnabled(false);
    TimerPopUpMenu.Tick = [this] { TimerPopUpMenu_Timer(); };
}

void Form_Main::BuildImageLists() {
    // The pictures are icon resources of the program (res/Velmora.rc).
    struct Picture {
        const char* key;
        int id;
    };
    if (imlRegComp.Count() == 0) {
        const Picture pictures[] = {
            {"Control", IDI_IML_CONTROL},   {"DLLServer", IDI_IML_DLLSERVER},   {"EXEServer", IDI_IML_EXESERVER},
            {"Strike", IDI_IML_STRIKE},     {"Folder", IDI_IML_FOLDER},         {"FolderOpen", IDI_IML_FOLDEROPEN},
            {"FolderRoot", IDI_IML_FOLDERROOT}, {"String", IDI_IML_STRING},     {"Bin", IDI_IML_BIN},
            {"RegistryItem", IDI_IML_REGISTRYITEM}, {"Info", IDI_IML_INFO},     {"Found", IDI_IML_FOUND},
            {"Computer", IDI_IML_COMPUTER}, {"Unknown", IDI_IML_UNKNOWN},
        };
        for (const Picture& p : pictures) imlRegComp.AddFromResource(p.key, nullptr, p.id);
    }
    if (imlRegComp_Regedit.Count() == 0) {
        const Picture pictures[] = {{"Folder", IDI_IML_FOLDER}, {"FolderOpen", IDI_IML_FOLDEROPEN},
                                    {"String", IDI_IML_STRING}, {"Bin", IDI_IML_BIN}};
        for (const Picture& p : pictures) imlRegComp_Regedit.AddFromResource(p.key, nullptr, p.id);
    }
    if (imlToolbarIcons.Count() == 0) {
        // The toolbar's alternative keys of a tab ("CMH_", "CMH2", ...) show the tab's picture.
        const Picture pictures[] = {
            {"Explore", IDI_TB_EXPLORE}, {"Refresh", IDI_TB_REFRESH},  {"CMH_", IDI_TB_CMH},
            {"CMH2", IDI_TB_CMH},        {"CMH", IDI_TB_CMH},          {"SD", IDI_TB_SD},
            {"RegComp2", IDI_TB_REGCOMP}, {"RegComp_", IDI_TB_REGCOMP}, {"RegComp", IDI_TB_REGCOMP},
            {"Options", IDI_TB_OPTIONS}, {"US", IDI_TB_US},            {"Search", IDI_TB_SEARCH},
            {"Help", IDI_TB_HELP},
        };
        for (const Picture& p : pictures) imlToolbarIcons.AddFromResource(p.key, nullptr, p.id);
    }
}

void Form_Main::CreateControls() {
    Toolbar1.Create(*this);
    Toolbar1.SetImageList(&imlToolbarIcons);
    for (Tab tab : {Tab::RegComp, Tab::US, Tab::SD, Tab::CMH}) {
        const TabFacts& t = Facts(tab);
        Toolbar1.Add(t.key, t.key, t.title, ui::tbrCheck);
    }
    Toolbar1.Add("Sep1", {}, "", ui::tbrSeparator);
    Toolbar1.Add("Search", "Search", "Search the Registry");
    Toolbar1.Add("Explore", "Explore", "Show File- or Application Path");
    Toolbar1.Add("Refresh", "Refresh", "Refresh View");
    Toolbar1.Add("Options", "Options", "Options");
    Toolbar1.Add("Sep2", {}, "", ui::tbrSeparator);
    Toolbar1.Add("Help", "Help", "Help");
    mToolbarHeightTwips = Toolbar1.Height();

    stb1.Create(*this);
    stb1.AddPanel("Ready.", 0);
    stb1.AddPanel(Facts(Tab::US).title, 2400);

    // The tab container has no strip of its own on screen: the toolbar and the File menu choose
    // the page. Its pages are the window's client area below the toolbar.
    SSTab1.Create(*this, 0, PageTop(), 100, 100);
    for (const TabFacts& t : TabTable()) SSTab1.AddTab(t.caption);
    SSTab1.SetVisible(false);

    const long y = PageTop() - 360;  // the page's design tops count from the hidden tab row
    lsvUS.Create(*this, 120, y + 360, 8055, 3975);
    lsvUS.ColumnHeaders.Add("Application Name", 3600);
    lsvUS.ColumnHeaders.Add("Uninstall string", 4200);
    lsvUS.SetSmallIcons(&imlUS);
    lsvUS.SetToolTipText("Double-click to view installation path");
    lsvUSInfo.Create(*this, 120, y + 4320, 8055, 975, true, true);

    tvwSD.Create(*this, 120, y + 480, 5175, 3690);
    tvwSD.SetImageList(&imlSD);
    lsvSDDetails.Create(*this, 5520, y + 480, 2175, 3735);
    SplitterSD.Create(*this, 5450, y + 480, 40, 3735);
    lsvSD_entries.Create(*this, 120, y + 4320, 7815, 975);

    tvwCMH.Create(*this, 120, y + 480, 5835, 3570);
    tvwCMH.SetImageList(&imlCMH);
    lsvCMH_entries.Create(*this, 120, y + 4080, 8055, 1215);
    // The frames on the right are wide enough for "&Search in Registry..." in the usual fallback
    // of the dialog font (DejaVu Sans, wider than Tahoma), for a Wine that has no Tahoma.
    Frame_CMH_ArrangedBy.Create(*this, 6060, y + 480, 2115, 1335, "Arranged by");
    Option_select_by[0].Create(Frame_CMH_ArrangedBy, 120, 240, 1880, 255, "General entries", 1);
    Option_select_by[1].Create(Frame_CMH_ArrangedBy, 120, 540, 1880, 255, "Reg. File types", 1);
    cboCMH_arrangedby.Create(Frame_CMH_ArrangedBy, 120, 880, 1880, 1200);
    Frame_CMH_Buttons.Create(*this, 6060, y + 1920, 2115, 1095, "");
    Command5.Create(Frame_CMH_Buttons, 120, 150, 1880, 285, "&Search in Registry...");
    Command1.Create(Frame_CMH_Buttons, 120, 450, 1880, 285, "R&egedit...");
    pixSmall.Create(*this, 0, 0, 240, 240);
    pixSmall.SetVisible(false);
    pixDummy.Create(*this, 0, 0, 240, 240);
    pixDummy.SetVisible(false);
    // The placeholder picture: 16 x 16 of the box's back colour, so image 1 of a reset list is
    // transparent.
    pixDummy.SetBackColor(RGB(255, 0, 255));
    pixDummy.SetPictureFromResource(IDB_DUMMY);
    Command7.Create(Frame_CMH_Buttons, 120, 750, 1880, 285, "Re&fresh");

    tvwRegComp.Create(*this, 120, y + 480, 4095, 3690);
    tvwRegComp.SetImageList(&imlRegComp);
    tvwRegComp.SetToolTipText("Double-click to view details");
    lsvRegCompDetails.Create(*this, 4320, y + 480, 1815, 3735);
    SplitterRegComp.Create(*this, 4255, y + 360, 40, 3735);
    lsvRegComp_entries.Create(*this, 100, y + 4080, 8055, 1215);

    for (ui::ListView* l : {&lsvSD_entries, &lsvCMH_entries, &lsvRegComp_entries, &lsvRegCompDetails, &lsvSDDetails}) {
        l->ColumnHeaders.Add("Name", 1800);
        l->ColumnHeaders.Add("Value", 4000);
        l->SetSmallIcons(&imlRegComp);
    }
    // The values lists show the value types' pictures.
    for (ui::ListView* l : {&lsvSD_entries, &lsvCMH_entries, &lsvRegComp_entries}) l->SetSmallIcons(&imlRegComp_Regedit);
    tvwSD.SetToolTipText("Double-click to view details");
    tvwCMH.SetToolTipText("Double-click to view details");

    const auto page = [this](Tab tab, std::initializer_list<ui::Control*> controls) {
        for (ui::Control* c : controls) SSTab1.AddToPage(static_cast<int>(tab), *c);
    };
    page(Tab::US, {&lsvUS, &lsvUSInfo});
    page(Tab::SD, {&tvwSD, &lsvSDDetails, &SplitterSD, &lsvSD_entries});
    page(Tab::CMH, {&tvwCMH, &lsvCMH_entries, &Frame_CMH_ArrangedBy, &Frame_CMH_Buttons});
    page(Tab::RegComp, {&tvwRegComp, &lsvRegCompDetails, &SplitterRegComp, &lsvRegComp_entries});
}

long Form_Main::PageTop() const { return Toolbar1.IsCreated() ? Toolbar1.Height() : mToolbarHeightTwips; }

// ---------------------------------------------------------------- lifecycle

void Form_Main::Form_Load() {
    blnMainFormLoaded = true;
    mSettingsRestored = false;
    mClosing = false;
    for (bool& v : mVisited) v = false;
    blnRegCompTabFilled = 0;
    bool declined = false;
    TrapErrors(kFormModule, "Form_Load", [&] {
        BuildMenus();  // the menus go with the window and come again with each load
        BuildImageLists();
        CreateControls();
        WireEvents();
        if (!verifyRegistryAccessRights()) {
            const std::string text = std::string("An error occured accessing the Registry !") + "\r\n" + "Velmora" +
                                     " reguires Read/Write access to several Registry Keys to work properly:" + "\r\n" +
                                     "Continuing loading " + "Velmora" + " is not recommended." + "\r\n" +
                                     "Do you want to proceed anyway ?";
            if (ui::MsgBox(text, ui::vbYesNo | ui::vbCritical, "Error") != ui::vbYes) {
                declined = true;
                return;
            }
        }
        RestoreSettings();
    });
    if (declined) Master::AppShutdown(true);
}

void Form_Main::RestoreSettings() {
    TrapErrors(kFormModule, "RestoreSettings", [this] {
        clsDroskGlobal& g = DroskGlobal();
        SplitRegComp = std::make_unique<SplitterCtrl>();
        SplitSD = std::make_unique<SplitterCtrl>();
        for (auto [split, bar, tree] : {std::tuple{SplitRegComp.get(), &SplitterRegComp, &tvwRegComp},
                                        std::tuple{SplitSD.get(), &SplitterSD, &tvwSD}}) {
            tree->SetWidth(std::max(0L, Width() - 3000));
            split->Init(*bar, tree);
            split->SetMinPaneSize(100);
            split->SetMargin(100);
            split->SetLiveResize(true);
            split->Resize = [this] { Form_Resize(); };
            bar->SetVisible(false);
        }
        SharedFunctions::DeleteStrayHelperCopies();
        SharedFunctions::SyncUninstallerCopies();
        Disable_All_MNU_Items();
        if (g.lngSplitterRegCompLeft > 0) SplitterRegComp.SetLeft(g.lngSplitterRegCompLeft);
        if (g.lngSplitterSDLeft > 0) SplitterSD.SetLeft(g.lngSplitterSDLeft);
        Refresh();
        if (g.lngWindowHeight > 0) SetHeight(g.lngWindowHeight);
        if (g.lngWindowWidth > 0) SetWidth(g.lngWindowWidth);
        if (g.blnIsFirsttime) {
            QV_Forms::CenterForm(hWnd());
        } else {
            if (g.lngWindowTop <= ui::Screen::Height() && g.lngWindowTop > 0) SetTop(g.lngWindowTop);
            if (g.lngWindowLeft <= ui::Screen::Width() && g.lngWindowLeft > 0) SetLeft(g.lngWindowLeft);
        }
        Menus[MainMenu::Options::AutoUpdate].SetChecked(g.blnOptionAutoUpdate);
        SetWindowState(static_cast<int>(g.lngWindowState));
        Show();
        Menus[Facts(Tab::US).editMenu].SetVisible(true);
        if (g.blnOptionShowInTaskbar) {
            TrayForm().Load();
            Menus[MainMenu::Options::ShowInTaskbar].SetChecked(true);
            Menus[MainMenu::File::ShutDown].SetEnabled(true);
            Menus[MainMenu::Options::StartMinimized].SetEnabled(true);
        } else {
            Menus[MainMenu::Options::ShowInTaskbar].SetChecked(false);
            Menus[MainMenu::File::ShutDown].SetEnabled(false);
            Menus[MainMenu::Options::StartMinimized].SetEnabled(false);
        }
        Menus[MainMenu::Options::StartMinimized].SetChecked(g.blnOptionLaunchMinimized);
        mSettingsRestored = true;
    });
}

void Form_Main::InitStartUpTab() {
    const std::string letter = DroskGlobal().objVelmora_mq()->ActionLetter();
    if (letter == "R" || letter == "V" || letter == "U") {
        RegComp_checkVelm();
        SelectTab(Tab::RegComp);
        return;
    }
    const Variant& last = DroskGlobal().LastTab;
    if (!last.IsNumber()) return;
    const std::optional<Tab> tab = TabOfIndex(last.ToLong());
    if (!tab) return;
    MenuFileTab(*tab);
    SSTab1_Click(static_cast<int>(*tab));
}

void Form_Main::Form_QueryUnload(int& cancel, int) {
    // Closing is refused while a refresh fills a tab: the window stays open, without a message.
    if (DroskGlobal().blnProcessing()) {
        cancel = 1;
        return;
    }
    // A close asked for during a search or a hand-over waits for its closing steps.
    if (RunGuard::Active()) {
        cancel = 1;
        RunGuard::AfterRun(
            [this] {
                if (IsLoaded() && !mClosing) Unload(ui::vbFormControlMenu);
            },
            "close the main window");
        return;
    }
    mClosing = true;
    TrapErrors(kFormModule, "Form_QueryUnload", [this] {
        // A window that never finished restoring its settings leaves the stored ones alone.
        if (mSettingsRestored) SaveSettings();
        Master::AppExit();
    });
}

void Form_Main::Form_Unload(int&) {
    blnMainFormLoaded = false;
    mSettingsRestored = false;
    mClosing = false;
    colRegComp.Clear();
    colCMH.Clear();
    colSD.Clear();
    SplitRegComp.reset();
    SplitSD.reset();
    if (objDepends && objDepends->IsLoaded()) objDepends->Unload();
    if (BusyBox().IsLoaded()) BusyBox().Unload();
}

void Form_Main::SaveSettings() {
    TrapErrors(kFormModule, "SaveSettings", [this] {
        clsDroskGlobal& g = DroskGlobal();
        colRegComp.Clear();
        colCMH.Clear();
        colSD.Clear();
        g.lngWindowState = WindowState();
        Refresh();
        SetWindowState(ui::vbNormal);
        Show();
        Refresh();
        g.lngWindowHeight = Height();
        g.lngWindowWidth = Width();
        g.lngScreenHeight = ui::Screen::Height();
        g.lngScreenWidth = ui::Screen::Width();
        g.lngWindowLeft = Left();
        g.lngWindowTop = Top();
        // The arranged-by choice is taken only when the file-types tab was shown and holds one.
        if (cboCMH_arrangedby.IsCreated() && cboCMH_arrangedby.ListIndex() >= 0)
            g.vntCMHSelectedBy = Variant(static_cast<int16_t>(cboCMH_arrangedby.ListIndex()));
        // The settings, and the uninstall cache anew from the list's entries.
        Register_UninstClean::SaveSettingsToRegistry(colUS);
    });
}

// ---------------------------------------------------------------- File, Options, Help

void Form_Main::MNU_File_Exit_Click() {
    Unload();
    if (!IsLoaded()) Master::AppExit();
}

void Form_Main::MNU_File_ShutDown_Click() {
    Unload();
    if (!IsLoaded()) Master::AppShutdown(false);
}

void Form_Main::MNU_Options_Show_in_Taskbar_Click() {
    auto& item = Menus[MainMenu::Options::ShowInTaskbar];
    clsDroskGlobal& g = DroskGlobal();
    if (!item.Checked()) {
        g.blnOptionShowInTaskbar = true;
        item.SetChecked(true);
        Menus[MainMenu::File::ShutDown].SetEnabled(true);
        Menus[MainMenu::Options::StartMinimized].SetEnabled(true);
        TrayForm().Load();
    } else {
        g.blnOptionShowInTaskbar = false;
        item.SetChecked(false);
        Menus[MainMenu::File::ShutDown].SetEnabled(false);
        Menus[MainMenu::Options::StartMinimized].SetEnabled(false);
        if (TrayForm().IsLoaded()) {
            TrayForm().Unhook();
            TrayForm().Unload();
        }
    }
}

void Form_Main::Contents_Click() {
    TrapErrors(kFormModule, "Contents_Click", [] { SharedFunctions::ShellOpen(Master::HelpFile()); });
}

void Form_Main::About_Click() { SplashForm().Show(ui::vbModal, this); }

// ---------------------------------------------------------------- registry access check

bool Form_Main::verifyRegistryAccessRights() {
    const struct { HKEY root; const char* path; } keys[] = {
        {HKEY_CLASSES_ROOT, "CLSID"},
        {HKEY_CLASSES_ROOT, "TypeLib"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    };
    for (auto& k : keys)
        if (!verifyRegistryAccessRights_rec(k.root, k.path, KEY_ALL_ACCESS)) return false;
    return true;
}

bool Form_Main::verifyRegistryAccessRights_rec(HKEY root, const std::string& subKey, DWORD access) {
    RegKey key;
    return QV_Registry_Lib::OpenKey(root, subKey, key.Receive(), 0, access) == 0;
}
