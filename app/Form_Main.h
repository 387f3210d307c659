// The tabbed main window of Velmora: menus, toolbar, the four tab pages with their trees and
// lists, the status bar and the two splitter bars; its load, restore, close and save; the tab
// switching with each tab's first-visit refresh; the frame of long runs that locks the other
// tabs and the commands that could start a second run; the components tab's commands.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/SplitterCtrl.h"
#include "components/colRegComp.h"
#include "image/frmDepends.h"
#include "ui/ui.h"

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
    ui::Timer TimerPopUpMenu;

    std::unique_ptr<SplitterCtrl> SplitRegComp, SplitSD;
    // The dependency viewer of the window, made by the first Dependencies command.
    std::unique_ptr<frmDepends> objDepends;
    ::colRegComp colRegComp;

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
    bool verifyRegistryAccessRights();
    bool verifyRegistryAccessRights_rec(HKEY root, const std::string& subKey, DWORD access);

    // ---- handlers reachable by code and tests ----
    void SSTab1_Click(int previousTab);
    void SSTab1_KeyDown(int keyCode, int shift);
    void Toolbar1_ButtonClick(ui::ToolbarButton& button);
    void MNU_RegComp_RefreshTreeView_Click();
    void MNU_UninstClean_RefreshUninst_Click();
    void cmdSD_Refresh_Click();
    void Command7_Click();
    void tvwRegComp_NodeClick(ui::Node& node);
    void tvwRegComp_DblClick();
    void tvwRegComp_KeyDown(int keyCode, int shift);
    void tvwRegComp_MouseUp(int button, int shift, long x, long y);
    void ShowRegCompEntries(ui::Node& node);
    void Form_Resize() override;

    // A long run (refresh or search) or a registration hand-over is under way: a close, a
    // shutdown or a hand-over that arrives meanwhile waits for its end.
    bool RunActive() const { return mRunActive || mHold > 0; }
    // The window is inside its close request or unload.
    bool Closing() const { return mClosing; }
    // Runs `action` once the current long run has passed its closing steps, or now when none runs.
    void AfterRun(std::function<void()> action);
    // Whether this loaded window has restored its settings (only such a window saves them).
    bool SettingsRestored() const { return mSettingsRestored; }
    // The geometry of a tab page in the window's client area, twips (tests read it).
    long PageTop() const;

    long blnRegCompTabFilled = 0;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int reason) override;
    void Form_Unload(int& cancel) override;

private:
    void BuildMenus();
    void BuildImageLists();
    void CreateControls();
    void WireEvents();
    // The frame of a long run: locks, status text, busy box, the worker, then the closing steps.
    struct RunPlan {
        int tab;
        const char* code;
        const char* startText;             // panel 1 at the start (null: unchanged)
        std::vector<std::string> offItems;  // menu items switched off during the run
        bool refresh;                       // sets blnProcessing
        const char* procedure;
    };
    void LongRun(const RunPlan& plan, const std::function<void()>& worker);
    void LayoutSplitTab(ui::PictureBox& bar, SplitterCtrl& split, ui::TreeView& tree, ui::ListView& details,
                        ui::ListView& entries, long& storedLeft, double W, double H);
    void MenuFileTab(int tab);
    void MNU_RegComp_Regedit_Click();
    void MNU_RegComp_Register_NEW_component_Click();
    void MNU_RegComp_Show_File_path_Click();
    void MNU_RegComp_Unregisterthiscomponent_Click();
    void MNU_RegComp_NewValue_Click();
    void MNU_RegComp_SearchInRegistry_Click();
public:
    void MNU_RegComp_Dependencies_Click();
private:
    void MNU_File_Exit_Click();
    void MNU_File_ShutDown_Click();
    void MNU_Options_Show_in_Taskbar_Click();
    void Contents_Click();
    void About_Click();
    long SelectedLevel(ui::TreeView& tree);

    bool mVisited[4] = {false, false, false, false};
    bool mRunActive = false;
    int mHold = 0;
    void FlushAfterRun();
    bool mSettingsRestored = false;
    bool mCloseAfterRun = false;
    bool mClosing = false;
    std::vector<std::function<void()>> mAfterRun;
    int mToolbarHeightTwips = 0;
};

// The one main window of the program (the object lives for the whole run; its window comes and goes).
Form_Main& frmMain();
// True from the first step of the window's load handler until its unload handler.
extern bool blnMainFormLoaded;
