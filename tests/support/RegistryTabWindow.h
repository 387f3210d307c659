// A small window holding what a registry tab hands to its routines: the tree, the values list,
// the details list, the status bar, two picture boxes and the image lists with the picture keys
// every registry tab uses.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ui.h"

struct RegistryTabWindow : ui::Form {
    RegistryTabWindow() : Form("Form_RegistryTabTest", {.caption = "Registry tab", .width = 9000, .height = 7000}) {
        Load();
    }
    ~RegistryTabWindow() override { Unload(); }

    ui::ImageList iml, imlValues;
    ui::TreeView tvw;
    ui::ListView lsvEntries, lsvDetails;
    ui::StatusBar stb1;
    ui::PictureBox pixSmall, pixDummy;
    bool blnCancel = false;

    // The keys of the nodes whose image is `image`.
    std::vector<std::string> NodesWithImage(const std::string& image) const {
        std::vector<std::string> keys;
        for (const auto& n : tvw.Nodes.All())
            if (n->Image().key == image) keys.push_back(n->Key());
        return keys;
    }

protected:
    void Form_Load() override {
        HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
        for (const char* key : {"FolderRoot", "Folder", "FolderOpen", "Unknown", "Found", "Service", "Device", "Strike",
                                "RegistryItem", "Info", "Control", "DLLServer", "EXEServer"})
            iml.Add(key, icon);
        for (const char* key : {"Folder", "FolderOpen", "String", "Bin"}) imlValues.Add(key, icon);
        tvw.Create(*this, 0, 0, 4000, 5000);
        tvw.SetImageList(&iml);
        lsvEntries.Create(*this, 4000, 0, 4800, 2500);
        lsvEntries.SetSmallIcons(&imlValues);
        lsvEntries.SetIcons(&imlValues);
        lsvDetails.Create(*this, 4000, 2500, 4800, 2500);
        lsvDetails.SetSmallIcons(&iml);
        lsvDetails.SetIcons(&iml);
        for (ui::ListView* l : {&lsvEntries, &lsvDetails}) {
            l->ColumnHeaders.Add("Name", 2000);
            l->ColumnHeaders.Add("Value", 2800);
        }
        pixSmall.Create(*this, 0, 5000, 240, 240);
        pixDummy.Create(*this, 300, 5000, 240, 240);
        stb1.Create(*this);
        stb1.AddPanel("", 0);
    }
};
