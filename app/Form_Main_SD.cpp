// The services tab of the main window: its refresh and search, its Edit menu's items by the
// selected node and the events of its tree and lists.
#include "app/Form_Main.h"

#include <commctrl.h>

#include "app/Form_Main_Menus.h"
#include "app/clsDroskGlobal.h"
#include "base/FileLookup.h"
#include "base/QV_Err.h"
#include "browsers/Tab_SD.h"
#include "res/resource.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/mTreeviewMacros_472.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {
// Copies a picture of one image list into another under a key of its own.
void CopyImage(ui::ImageList& from, const char* key, ui::ImageList& to, const char* newKey) {
    if (to.Exists(newKey) || !from.Exists(key)) return;
    to.AddCopy(newKey, from, key);
}
}  // namespace

void Form_Main::WireEvents_SD() {
    tvwSD.NodeClick = [this](ui::Node& n) { tvwSD_NodeClick(n); };
    tvwSD.DblClick = [this] { tvwSD_DblClick(); };
    tvwSD.KeyDown = [this](int k, int s) { tvwSD_KeyDown(k, s); };
    tvwSD.MouseUp = [this](int b, int s, long x, long y) { tvwSD_MouseUp(b, s, x, y); };
    // The pictures of the tree and the details list: a service's and a driver's own, the others
    // taken from the components tab's list (the values list has its own).
    if (!imlSD.Exists("Service")) imlSD.AddFromResource("Service", nullptr, IDI_IML_SERVICE);
    if (!imlSD.Exists("Device")) imlSD.AddFromResource("Device", nullptr, IDI_IML_DEVICE);
    struct { const char* from; const char* key; } images[] = {
        {"Strike", "Strike"}, {"Folder", "Folder"}, {"FolderOpen", "FolderOpen"}, {"Found", "Found"},
        {"RegistryItem", "RegistryItem"}, {"Info", "Info"}};
    for (const auto& i : images) CopyImage(imlRegComp, i.from, imlSD, i.key);
    lsvSDDetails.SetSmallIcons(&imlSD);
    lsvSDDetails.SetIcons(&imlSD);
}

void Form_Main::TabShown_SD() {
    if (Visited(Tab::SD)) return;
    Visited(Tab::SD) = true;
    DroskGlobal().blnCancel = false;
    Disable_MNU_ServicesDevices_Items();
    cmdSD_Refresh_Click();
}

void Form_Main::Disable_MNU_ServicesDevices_Items() {
    namespace E = MainMenu::ServicesDevices;
    namespace V = MainMenu::SDEntries;
    for (const char* n : {E::New, E::Delete, E::DeleteComponent, E::ShowFilePath, E::Dependencies, E::Rename, E::Regedit,
                          V::Delete, V::New, V::Rename, V::Modify})
        Menus[n].SetEnabled(false);
    // No selected node: everything stays off.
    TrapErrors(kModule, "Disable_MNU_ServicesDevices_Items", [this] {
        const std::optional<long> l = SelectedLevel(tvwSD);
        if (!l) return;
        if (*l == 0)
            for (const char* n : {E::DeleteComponent, E::ShowFilePath, E::Dependencies}) Menus[n].SetEnabled(true);
        if (*l >= 5)
            for (const char* n : {E::Delete, E::New, E::Regedit, V::Delete, V::New}) Menus[n].SetEnabled(true);
        if (*l >= 6) Menus[E::Rename].SetEnabled(true);
    });
}

void Form_Main::cmdSD_Refresh_Click() {
    if (RunGuard::Busy()) return;
    Disable_MNU_ServicesDevices_Items();
    const auto clear = [this] {
        tvwSD.Nodes.Clear();
        (mTreeviewMacros_472::TreeView_DeleteAllItems)(tvwSD.hWnd());
        lsvSD_entries.ListItems.Clear();
        lsvSDDetails.ListItems.Clear();
    };
    RefreshRun(tvwSD,
               {.tab = Tab::SD, .startText = "Analyzing installed Servics/Devices entries.", .procedure = "cmdSD_Refresh_Click"},
               clear, [this] {
                   clsDroskGlobal& g = DroskGlobal();
                   Tab_SD::SD_FillList(colSD, tvwSD, g.vntSDSelectedBy.ToText(), g.blnSDDetailed, stb1, g.blnCancel);
               });
}

void Form_Main::cmdSD_SearchRegistry_Click() {
    SearchRun(Tab::SD, "cmdSD_SearchRegistry_Click",
              [this](const SearchOptions& options) {
                  Tab_SD::SD_Find(tvwSD, colSD, stb1, options, DroskGlobal().blnCancel);
              });
}

// ---------------------------------------------------------------- tree events

namespace {
// Expands a service node: its registry sub-tree rebuilt, the values list emptied.
void ExpandService(Form_Main& f, ui::Node& n, bool ensureVisible) {
    Tab_SD::SD_ExpandNode(f.tvwSD, n, *f.colSD.Item(n.Key()), ensureVisible);
    f.lsvSD_entries.ListItems.Clear();
}
}  // namespace

void Form_Main::tvwSD_NodeClick(ui::Node& node) {
    TrapErrors(kModule, "tvwSD_NodeClick", [&] {
        tvwSD.SetDropHighlight(node.shared_from_this());
        const long level = QV_TreeView_Lib::GetNodeLevel(tvwSD, node.Key());
        if (level == 0) {
            lsvSD_entries.ListItems.Clear();
            auto rec = colSD.Item(node.Key());
            Tab_SD::SD_ShowDetails(*rec, lsvSDDetails);
            if (objDepends && objDepends->IsLoaded() && objDepends->Visible()) {
                objDepends->LoadTree(FileLookup::NativePath(rec->vntImagePathEx), nullptr);
                objDepends->Show(ui::vbModeless, this);
            }
        } else if (level >= 2) {
            Tab_SD::SD_FillValueList(node.Key(), lsvSD_entries);
        }
    });
}

void Form_Main::tvwSD_DblClick() {
    TrapErrors(kModule, "tvwSD_DblClick", [&] {
        Disable_MNU_ServicesDevices_Items();
        ui::NodePtr n = tvwSD.SelectedItem();
        if (!n) return;
        if (QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) == 0) ExpandService(*this, *n, true);
    });
}

void Form_Main::tvwSD_KeyDown(int keyCode, int) {
    TrapErrors(kModule, "tvwSD_KeyDown", [&] {
        if (keyCode == VK_F5) {
            cmdSD_Refresh_Click();
            return;
        }
        ui::NodePtr n = tvwSD.SelectedItem();
        if (!n) return;
        tvwSD.SetDropHighlight(n);
        if (keyCode != VK_SPACE && keyCode != VK_RETURN && keyCode != VK_CONTROL) return;
        if (QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) == 0) ExpandService(*this, *n, false);
        else Tab_SD::SD_FillValueList(n->Key(), lsvSD_entries);
    });
}

void Form_Main::tvwSD_MouseUp(int button, int, long, long) {
    ui::NodePtr n;
    TrapErrors(kModule, "tvwSD_MouseUp", [&] {
        tvwSD.SetToolTipText("");  // the first release over the tree clears the hint for good
        Disable_MNU_ServicesDevices_Items();
        n = tvwSD.DropHighlight();
    });
    if (button == 2) {
        PopupMenu(Menus[MainMenu::ServicesDevices::Menu]);
        return;
    }
    TrapErrors(kModule, "tvwSD_MouseUp", [&] {
        if (n && !n->IsRemoved() && QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) >= 2)
            Tab_SD::SD_FillValueList(n->Key(), lsvSD_entries);
    });
}
