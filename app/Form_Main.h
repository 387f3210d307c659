// The tabbed main window of Velmora: menus, toolbar, the four tab pages with their trees and
// lists, the status bar and the two splitter bars; its load, restore, close and save; the tab
// switching with each tab's first-visit refresh; the frame of long runs that locks the other
// tabs and the commands that could start a second run; each tab's commands.
//
// Where the members live: Form_Main.cpp (construction, controls, load, close, File, Options,
// Help), Form_Main_Menus.cpp (the menu tables), Form_Main_Tabs.cpp (the tab table, switching,
// locking, long runs), Form_Main_Layout.cpp, and one file per tab: Form_Main_US.cpp,
// Form_Main_SD.cpp, Form_Main_CMH.cpp, Form_Main_RegComp.cpp.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/RunGuard.h"
#include "app/SplitterCtrl.h"
#include "browsers/colCMH.h"
#include "browsers/colSD.h"
#include "components/colRegComp.h"
#include "uninstall/clsSartMenuTarget.h"
#include "uninstall/clsUS.h"
#include "image/frmDepends.h"
#include "ui/ui.h"

struct SearchOptions;

struct TabFacts;

// The four tabs, numbered as the tab container numbers its pages. Every fact of a tab stands in
// its row of the tab table (TabFacts, Form_Main_Tabs.cpp); code names tabs only through this enum.
enum class Tab { US = 0, SD = 1, CMH = 2, RegComp = 3 };
constexpr int kTabCount = 4;

class Form_Main : public ui::Form {
public:
    Form_Main();

    // ---- controls ----
    ui::Toolbar Toolbar1;
    ui::TabContainer SSTab1;
    ui::StatusBar stb1;
    ui::TreeView tvwRegComp, tvwSD, tvwCMH;
    ui::ListView lsvRegComp_entries, lsvSD_entries, lsvCMH_entries;
    ui::ListView lsvRegCompDetails, lsvSDDetails;
    ui::ListView lsvUS;
    ui::TextBox lsvUSInfo;
    ui::PictureBox SplitterRegComp, SplitterSD;
    ui::Frame Frame_CMH_ArrangedBy, Frame_CMH_Buttons;
    ui::OptionButton Option_select_by[2];
    ui::ComboBox cboCMH_arrangedby;
    ui::CommandButton Command5, Command1, Command7;
    ui::ImageList imlRegComp, imlCMH, imlSD, imlUS, imlToolbarIcons;
    // The value-type pictures of the three values lists ("String", "Bin", ...).
    ui::ImageList imlRegComp_Regedit;
    ui::Timer TimerPopUpMenu;
    // The picture boxes the file-types and uninstall scans draw their icons through (never shown).
    ui::PictureBox pixSmall, pixDummy;

    std::unique_ptr<SplitterCtrl> SplitRegComp, SplitSD;
    // The dependency viewer of the window, made by the first Dependencies command.
    std::unique_ptr<frmDepends> objDepends;
    ::colRegComp colRegComp;
    // The uninstall entries and the Start-menu shortcuts of the uninstall tab.
    ::colUS colUS;
    ::colStartMenuTargets colStartMenuTargets;
    ::colSD colSD;
    ::colCMH colCMH;

    // ---- public procedures ----
    void RegComp_checkVelm();
    void Reflect_ConnectMode(const std::string& mode);
    void InitStartUpTab();
    void RestoreSettings();
    void SaveSettings();
    void Disable_MNU_US_Items();
    void Disable_MNU_ServicesDevices_Items();
    void Disable_MNU_CMH_Items();
    void Disable_MNU_RegComp_Items();
    void Disable_All_MNU_Items();
    void EnableDisableFileMenuItems(const std::string& action, const std::string& tab);
    void Tabc_EnableAllTabs();
    void Tabc_EnableOneTab(long tab);
    void Tabc_EnableOneTab(Tab tab) { Tabc_EnableOneTab(static_cast<long>(tab)); }
    bool verifyRegistryAccessRights();
    bool verifyRegistryAccessRights_rec(HKEY root, const std::string& subKey, DWORD access);

    // The shown tab (none while the container holds no page).
    std::optional<Tab> ShownTab() const;
    // Shows the tab's page (raises the container's Click when the page changes).
    void SelectTab(Tab tab);

    // ---- handlers reachable by code and tests ----
    void SSTab1_Click(int previousTab);
    void SSTab1_KeyDown(int keyCode, int shift);
    void Toolbar1_ButtonClick(ui::ToolbarButton& button);
    void MNU_RegComp_RefreshTreeView_Click();
    void MNU_UninstClean_RefreshUninst_Click();
    void MNU_UninstClean_RebuildCache_Click();
    void MNU_UninstClean_DeleteKey_Click();
    void MNU_UninstClean_Regedit_Click();
    void MNU_UninstClean_HiddenAutostart_Click();
    void MNU_UninstClean_ShowApplicationPath_Click();
    void MNU_UninstClean_Uninstall_Click();
    void TimerPopUpMenu_Timer();
    // The uninstall entry of the selected row of lsvUS, or null.
    std::shared_ptr<clsUS> SelectedUninstallEntry();
    void cmdSD_Refresh_Click();
    void Command7_Click();
    void cmdSD_SearchRegistry_Click();
    void Command5_Click();
    void Command9_Click();
    void tvwSD_NodeClick(ui::Node& node);
    void tvwSD_DblClick();
    void tvwSD_KeyDown(int keyCode, int shift);
    void tvwSD_MouseUp(int button, int shift, long x, long y);
    void tvwCMH_NodeClick(ui::Node& node);
    void tvwCMH_DblClick();
    void tvwCMH_KeyDown(int keyCode, int shift);
    void tvwCMH_MouseUp(int button, int shift, long x, long y);
    void tvwRegComp_NodeClick(ui::Node& node);
    void tvwRegComp_DblClick();
    void tvwRegComp_KeyDown(int keyCode, int shift);
    void tvwRegComp_MouseUp(int button, int shift, long x, long y);
    void ShowRegCompEntries(ui::Node& node);
    // The registry edit commands of the components, file-types and services tabs
    // (Form_Main_Edit.cpp): one routine per command over the tab's description.
    void EditNewValue(Tab tab);
    void EditModifyValue(Tab tab);
    void EditRenameValue(Tab tab);
    void EditDeleteValue(Tab tab);
    void EditNewKey(Tab tab);
    void EditRenameKey(Tab tab);
    void EditDeleteKey(Tab tab);
    void MNU_RegComp_Delete_all_enties_of_this_component_Click();
    void MNU_RegComp_Delete_components_Server_Click();
    void MNU_CMH_Delete_all_entries_of_this_component_Click();
    void MNU_ServicesDevices_DeleteComponent_Click();
    // Brings a registry tab's lists in line with its tree after the tree changed under them (a
    // refresh, a registration hand-over, a deletion): the details list shows the entry of the
    // selected node, the values list (with `values`) the selected key's values; with no such
    // node or entry they are empty, never showing an entry that is gone.
    void ShowSelectedNodeData(Tab tab, bool values = true);
    void Form_Resize() override;

    // The window is inside its close request or unload.
    bool Closing() const { return mClosing; }
    // The geometry of a tab page in the window's client area, twips (tests read it).
    long PageTop() const;

    long blnRegCompTabFilled = 0;

    // Loads the pictures of the window's image lists (program resources) unless they are
    // loaded: the start-up does it while the splash shows, before the window is loaded.
    void BuildImageLists();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int reason) override;
    void Form_Unload(int& cancel) override;

private:
    void BuildMenus();
    void CreateControls();
    void WireEvents();
    void WireEvents_US();
    void WireEvents_SD();
    void WireEvents_CMH();
    void WireEvents_RegComp();
    // The frame of a long run: the run guard's turn, locks, status text, busy box, the worker,
    // then the closing steps (run from a scope guard, so that no error leaves the window locked).
    struct RunPlan {
        Tab tab;
        RunGuard::Kind kind = RunGuard::Kind::Scan;  // a scan or a search: which commands are locked
        const char* startText = nullptr;             // panel 1 at the start (null: unchanged)
        const char* finishText = "Ready.";           // panel 1 after the run
        const char* procedure = "";                  // the error report's procedure name
        std::vector<ui::Control*> controls = {};     // the tab's own buttons switched off meanwhile
    };
    void LongRun(const RunPlan& plan, const std::function<void()>& worker);
    // A registry search of a tab: the Find dialog first, then (confirmed or not) a long run of
    // kind Search that calls `worker` with the confirmed options only for a confirmed search and
    // ends a search that was not cancelled with "Finished searching through the registry.".
    // `controls` are the tab's own buttons the search switches off.
    void SearchRun(Tab tab, const char* procedure, const std::function<void(const SearchOptions&)>& worker,
                   std::vector<ui::Control*> controls = {});
    // A tab's refresh: the tree's selected node is remembered by its key, `clear` empties the
    // tab, `fill` runs as a long run of `plan`, and the remembered node, when found again, is
    // scrolled into view and selected; the tab's lists then show the selected node's data.
    void RefreshRun(ui::TreeView& tree, const RunPlan& plan, const std::function<void()>& clear,
                    const std::function<void()>& fill);
    // The commands a run of that plan switches off while it goes on.
    std::vector<const char*> LockedItems(const RunPlan& plan) const;
    // What happens when a tab is shown: its Edit menu, and each tab's first-visit refresh.
    void TabShown_US();
    void TabShown_SD();
    void TabShown_CMH();
    void TabShown_RegComp();
    friend const std::vector<TabFacts>& TabTable();
    void LayoutSplitTab(ui::PictureBox& bar, SplitterCtrl& split, ui::TreeView& tree, ui::ListView& details,
                        ui::ListView& entries, long& storedLeft, double W, double H);
    void MenuFileTab(Tab tab);
    // The edit commands' view of a registry tab (its module's description with the window's
    // controls), the selected node they may change and the menu items they answer.
    struct EditTab;
    EditTab EditTabOf(Tab tab);
    static ui::NodePtr EditNode(const EditTab& t, long minLevel, std::string* path = nullptr);

    void MNU_RegComp_Regedit_Click();
    void MNU_RegComp_Register_NEW_component_Click();
    void MNU_RegComp_Show_File_path_Click();
    void MNU_RegComp_Unregisterthiscomponent_Click();
    void MNU_RegComp_SearchInRegistry_Click();
public:
    void MNU_RegComp_Dependencies_Click();
    // The values and details lists and the tab tools (Form_Main_Lists.cpp).
    void ValuesList_MouseUp(Tab tab, int button);
    void DetailsList_MouseUp(const char* menu, const char* copyItem, int button);
    void CopyDetail(ui::ListView& details, const char* procedure);
    void ArrangedByOptions(Tab tab);
    void RegeditAtNode(ui::TreeView& tree, const char* rootName, const char* procedure);
    void SD_OpenServicesConsole();
    void MNU_ServicesDevices_Dependencies_Click();
    void MNU_ServicesDevices_ShowFilePath_Click();
    // Shows the file-does-not-exist dialog for a path, modally.
    void ShowFileDoesntExist(const std::string& path);
private:
    void WireEvents_Lists();
    // The record of the selected top-level service node, or null.
    std::shared_ptr<clsSD> SelectedService();
    void MNU_File_Exit_Click();
    void MNU_File_ShutDown_Click();
    void MNU_Options_Show_in_Taskbar_Click();
    void Contents_Click();
    void About_Click();
    // The level of the tree's selected node; none when no node (or a node without key) is selected.
    static std::optional<long> SelectedLevel(ui::TreeView& tree);

    bool mVisited[kTabCount] = {};
    bool& Visited(Tab tab) { return mVisited[static_cast<int>(tab)]; }
    bool mSettingsRestored = false;  // the loaded window has restored its settings: only then it saves them
    bool mClosing = false;
    int mToolbarHeightTwips = 0;
};

// One row of the tab table: everything that differs between the tabs.
struct TabFacts {
    Tab tab;
    const char* key;          // toolbar button key and the mode of Reflect_ConnectMode ("US", ...)
    const char* code;         // the tab argument of EnableDisableFileMenuItems ("us", ...)
    const char* caption;      // the page's caption in the tab container
    const char* title;        // status-bar panel 2, the File menu item's caption, the button's tooltip
    const char* fileItem;     // the File menu item that shows the tab
    const char* editMenu;     // the tab's "Edit" menu, in the menu bar while the tab is shown
    const char* entriesMenu;  // the pop-up menu of its values list (null: none)
    const char* refreshItem;  // the refresh command (toolbar "Refresh", F5)
    const char* searchItem;   // the registry search (toolbar "Search"; null: none)
    const char* exploreItem;  // the toolbar's "Explore" command (null: none)
    const char* optionsItem;  // the toolbar's "Options" command (null: none)
    bool searchButton;        // "Search" enabled while the tab is shown and after its runs
    bool optionsButton;       // "Options" likewise
    bool exploreButton;       // "Explore" enabled while the tab is shown
    std::vector<const char*> scanLocks;    // the menu commands a scan switches off
    std::vector<const char*> searchLocks;  // the menu commands a search switches off
    void (Form_Main::*refresh)();        // the refresh command
    void (Form_Main::*shown)();          // the tab was shown (first-visit refresh)
    void (Form_Main::*disableItems)();   // its Edit menu's items by the selection
};

// The tab table: one row per tab, in the container's order.
const std::vector<TabFacts>& TabTable();
const TabFacts& Facts(Tab tab);
// The row of a tab code or key, in any case ("us", "RegComp"); null for no tab.
const TabFacts* FactsOf(const std::string& codeOrKey);
// The tab of a container page number; none outside the table.
std::optional<Tab> TabOfIndex(long index);

// The one main window of the program (the object lives for the whole run; its window comes and goes).
Form_Main& frmMain();
// True from the first step of the window's load handler until its unload handler.
extern bool blnMainFormLoaded;
