// A small window that shows the toolkit's controls as the programs use them: a menu bar, a
// toolbar and image lists with keys, the tab strip, a tree, a report-view list with icons and a
// status bar. tools/screenshot photographs it for review.
//
//   ui_gallery.exe [seconds]   closes itself after that many seconds when given
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "ui/ui.h"

namespace {

// A small icon of the system's shell library by its resource number.
HICON ShellIcon(int id) {
    static HMODULE shell = LoadLibraryA("shell32.dll");
    auto icon = static_cast<HICON>(LoadImageA(shell, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    return icon ? icon : LoadIcon(nullptr, IDI_APPLICATION);
}

class frmGallery : public ui::Form {
public:
    frmGallery() : Form("frmGallery", {.caption = "Velmora toolkit gallery", .width = 11000, .height = 7800, .centered = true}) {}
    ui::Toolbar Toolbar1;
    ui::TabContainer SSTab1;
    ui::TreeView tvwRegComp;
    ui::ListView lsvRegComp_entries;
    ui::StatusBar stb1;
    ui::Frame Frame_CMH_ArrangedBy;
    ui::OptionButton optGeneral, optTypes;
    ui::ComboBox cboArrangedBy;
    ui::ImageList imlRegComp{16, 16};
    ui::ImageList imlToolbarIcons{16, 16};
    ui::Timer tmrClose;
    long closeAfterSeconds = 0;

protected:
    void Form_Load() override {
        auto& file = Menus.Add("MNU_File", "&File");
        file.Add("MNU_File_RegComp", "COM Components").SetChecked(true);
        file.Add("MNU_File_US", "UninstClean");
        file.Add("MNU_File_Sep", "-");
        file.Add("MNU_File_Exit", "Exit").Click = [this] { Unload(); };
        Menus.Add("MNU_RegComp", "&Edit").Add("MNU_RegComp_Delete", "Delete");
        Menus.Add("MNU_Options", "&Options").Add("MNU_Options_Show_in_Taskbar", "Show in Taskbar");
        Menus.Add("Help", "&Help").Add("About", "About");

        imlToolbarIcons.Clear();
        imlToolbarIcons.Add("RegComp", ShellIcon(16));
        imlToolbarIcons.Add("US", ShellIcon(3));
        imlToolbarIcons.Add("Search", ShellIcon(23));
        imlToolbarIcons.Add("Refresh", ShellIcon(238));
        imlToolbarIcons.Add("Help", ShellIcon(24));
        Toolbar1.Create(*this);
        Toolbar1.SetImageList(&imlToolbarIcons);
        Toolbar1.Add("RegComp", "RegComp", "COM Components", ui::tbrCheck).SetValue(ui::tbrPressed);
        Toolbar1.Add("US", "US", "UninstClean", ui::tbrCheck);
        Toolbar1.Add("sep", {}, "", ui::tbrSeparator);
        Toolbar1.Add("Search", "Search", "Search the Registry");
        Toolbar1.Add("Refresh", "Refresh", "Refresh View");
        Toolbar1.Add("Help", "Help", "Help");

        stb1.Create(*this);
        stb1.AddPanel("Ready.", 0);
        stb1.AddPanel("COM Components", 2600);

        long top = Toolbar1.Height() + 60;
        SSTab1.Create(*this, 60, top, 10600, 380);
        for (const char* t : {"UninstClean", "Services/Devices", "Reg. File types", "Reg. Components"}) SSTab1.AddTab(t);
        SSTab1.SetTab(3);

        imlRegComp.Clear();
        imlRegComp.Add("Closed", ShellIcon(4));
        imlRegComp.Add("Open", ShellIcon(5));
        imlRegComp.Add("Server", ShellIcon(3));
        imlRegComp.Add("String", ShellIcon(1));
        imlRegComp.Add("Bin", ShellIcon(8));

        long paneTop = top + 450;
        tvwRegComp.Create(*this, 60, paneTop, 4200, 4400);
        tvwRegComp.SetImageList(&imlRegComp);
        tvwRegComp.SetToolTipText("Double-click to view details");
        {
            ui::RedrawOff quiet(tvwRegComp);
            auto root = tvwRegComp.Nodes.Add("", ui::tvwFirst, "DLLServer", "DLLServer", "Closed", "Open");
            root->SetBold(true);
            for (const char* name : {"StdFont", "StdPicture", "Shell Automation Service", "Microsoft XML Parser"}) {
                auto n = tvwRegComp.Nodes.Add(root, ui::tvwChild, std::string("DLLServer\\") + name, name, "Server");
                tvwRegComp.Nodes.Add(n, ui::tvwChild, n->Key() + "\\CLSID", "CLSID", "Closed", "Open");
            }
            root->SetSorted(true);
            tvwRegComp.Nodes.Add("", ui::tvwLast, "EXEServer", "EXEServer", "Closed", "Open");
            tvwRegComp.Nodes.Add("", ui::tvwLast, "Control", "Control", "Closed", "Open");
            root->SetExpanded(true);
            auto sel = tvwRegComp.Nodes.Item("DLLServer\\StdFont");
            sel->SetExpanded(true);
            tvwRegComp.SetSelectedItem(sel);
            tvwRegComp.SetFocus();
        }

        lsvRegComp_entries.Create(*this, 4320, paneTop, 6340, 2600);
        lsvRegComp_entries.SetSmallIcons(&imlRegComp);
        lsvRegComp_entries.ColumnHeaders.Add("Name", 2000);
        lsvRegComp_entries.ColumnHeaders.Add("Value", 4000);
        struct {
            const char* name;
            const char* icon;
            const char* value;
        } rows[] = {{"Default", "String", "StdFont"},
                    {"InprocServer32", "String", "C:\\windows\\system32\\oleaut32.dll"},
                    {"ThreadingModel", "String", "Both"},
                    {"Flags", "Bin", "0x00000001 (1)"}};
        for (auto& r : rows) lsvRegComp_entries.ListItems.Add(0, std::string("Key_") + r.name, r.name, {}, r.icon)->SetSubItem(1, r.value);
        lsvRegComp_entries.ListItems.Item(2L)->SetSelected(true);

        Frame_CMH_ArrangedBy.Create(*this, 4320, paneTop + 2700, 6340, 1700, "Arranged by");
        optGeneral.Create(Frame_CMH_ArrangedBy, 200, 300, 2400, 300, "General entries");
        optTypes.Create(Frame_CMH_ArrangedBy, 200, 700, 2400, 300, "Reg. File types");
        optTypes.SetValue(true);
        cboArrangedBy.Create(Frame_CMH_ArrangedBy, 2900, 300, 3000, 1500);
        for (const char* t : {"Extension", "File type", "Program"}) cboArrangedBy.AddItem(t);
        cboArrangedBy.SetListIndex(1);

        if (closeAfterSeconds > 0) {
            tmrClose.Tick = [this] { Unload(); };
            tmrClose.SetInterval(closeAfterSeconds * 1000);
            tmrClose.SetEnabled(true);
        }
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    frmGallery gallery;
    gallery.closeAfterSeconds = std::atol(cmdLine);
    gallery.Show();
    ui::Run();
    return 0;
}
