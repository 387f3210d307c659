// A small window holding the controls the components tab hands to its routines: the tree,
// the values list, the details list, the status bar and their image lists.
#pragma once
#include <windows.h>

#include "ui/ui.h"

struct RegCompWindow : ui::Form {
    RegCompWindow() : Form("Form_RegCompTest", {.caption = "Components", .width = 9000, .height = 7000}) { Load(); }
    ~RegCompWindow() override { Unload(); }

    ui::ImageList imlRegComp, imlRegComp_Regedit;
    ui::TreeView tvwRegComp;
    ui::ListView lsvRegComp_entries, lsvRegCompDetails;
    ui::StatusBar stb1;
    bool blnCancel = false;

protected:
    void Form_Load() override {
        HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
        for (const char* key : {"Control", "DLLServer", "EXEServer", "Strike", "Folder", "FolderOpen", "RegistryItem",
                                "Info", "Found"})
            imlRegComp.Add(key, icon);
        for (const char* key : {"Folder", "FolderOpen", "String", "Bin"}) imlRegComp_Regedit.Add(key, icon);
        tvwRegComp.Create(*this, 0, 0, 4000, 5000);
        tvwRegComp.SetImageList(&imlRegComp);
        lsvRegComp_entries.Create(*this, 4000, 0, 4800, 2500);
        lsvRegComp_entries.SetSmallIcons(&imlRegComp_Regedit);
        lsvRegComp_entries.SetIcons(&imlRegComp_Regedit);
        lsvRegCompDetails.Create(*this, 4000, 2500, 4800, 2500);
        lsvRegCompDetails.SetSmallIcons(&imlRegComp);
        lsvRegCompDetails.SetIcons(&imlRegComp);
        for (ui::ListView* l : {&lsvRegComp_entries, &lsvRegCompDetails}) {
            l->ColumnHeaders.Add("Name", 2000);
            l->ColumnHeaders.Add("Value", 2800);
        }
        stb1.Create(*this);
        stb1.AddPanel("", 0);
    }
};
