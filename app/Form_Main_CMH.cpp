// The file-types tab of the main window: its refresh, the "arranged by" choice, its Edit menu's
// items by the selected node and the events of its tree and lists.
#include "app/Form_Main.h"

#include <commctrl.h>

#include "app/Form_Main_Menus.h"
#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/ScopeExit.h"
#include "browsers/Tab_CMH.h"
#include "components/Tab_RegComp.h"
#include "image/QV_IconsAndResources.h"
#include "registry/RegistryNodes.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/mTreeviewMacros_472.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

void Form_Main::WireEvents_CMH() {
    tvwCMH.KeyDown = [this](int k, int) { if (k == VK_F5) Command7_Click(); };
    lsvCMH_entries.KeyDown = tvwCMH.KeyDown;
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
    Command5.Click = [this] { Command5_Click(); };
    // The Regedit button runs the Edit menu's "Regedit...".
    Command1.Click = [this] { Menus[MainMenu::CMH::Regedit].DoClick(); };
    // A new "arranged by" choice rebuilds the list (not while the tab is being set up).
    cboCMH_arrangedby.Click = [this] {
        if (Visited(Tab::CMH) && !RunGuard::Active() && tvwCMH.Nodes.Count() > 0) Command7_Click();
    };
    tvwCMH.NodeClick = [this](ui::Node& n) { tvwCMH_NodeClick(n); };
    tvwCMH.DblClick = [this] { tvwCMH_DblClick(); };
    tvwCMH.KeyDown = [this](int k, int s) { tvwCMH_KeyDown(k, s); };
    tvwCMH.MouseUp = [this](int b, int s, long x, long y) { tvwCMH_MouseUp(b, s, x, y); };
}

void Form_Main::TabShown_CMH() {
    if (Visited(Tab::CMH)) return;
    clsDroskGlobal& g = DroskGlobal();
    g.blnCancel = false;
    cboCMH_arrangedby.Clear();
    cboCMH_arrangedby.AddItem("File type");
    cboCMH_arrangedby.AddItem("File type name");
    // Selecting the stored choice raises the combo's Click, which has no handler here.
    const long by = g.vntCMHSelectedBy.ToLong();
    cboCMH_arrangedby.SetListIndex(by >= 0 && by <= 1 ? by : 0);
    Visited(Tab::CMH) = true;
    Disable_MNU_CMH_Items();
    // Exactly one refresh: through the option's Click when the stored choice's button is not
    // selected yet (on a new window neither is), else directly.
    ui::OptionButton& stored = Option_select_by[g.blnCMHGeneralEntries ? 0 : 1];
    if (!stored.Value()) stored.SetValue(true);
    else Command7_Click();
}

void Form_Main::Disable_MNU_CMH_Items() {
    namespace E = MainMenu::CMH;
    namespace V = MainMenu::CMHEntries;
    for (const char* n : {E::New, E::Delete, E::DeleteAllEntries, E::Rename, E::Regedit, V::New, V::Delete, V::Rename,
                          V::Modify})
        Menus[n].SetEnabled(false);
    // No selected node: everything stays off.
    TrapErrors(kModule, "Disable_MNU_CMH_Items", [this] {
        const std::optional<long> l = SelectedLevel(tvwCMH);
        if (!l) return;
        const bool general = Option_select_by[0].Value();
        if (*l == 0 && !general) Menus[E::DeleteAllEntries].SetEnabled(true);
        if (*l >= 2) {
            if (!general) Menus[E::Delete].SetEnabled(true);
            for (const char* n : {E::New, E::Regedit, V::New, V::Delete}) Menus[n].SetEnabled(true);
        }
        if (*l >= 3)
            for (const char* n : {E::Rename, E::Delete}) Menus[n].SetEnabled(true);
    });
}

void Form_Main::Command7_Click() {
    if (RunGuard::Busy()) return;
    Disable_MNU_CMH_Items();
    const auto clear = [this] {
        // The tree is hidden while it is emptied.
        tvwCMH.SetVisible(false);
        tvwCMH.Nodes.Clear();
        (mTreeviewMacros_472::TreeView_DeleteAllItems)(tvwCMH.hWnd());
        tvwCMH.SetVisible(true);
        lsvCMH_entries.ListItems.Clear();
    };
    RefreshRun(tvwCMH, {.tab = Tab::CMH, .startText = "Scanning Registered File Types.", .procedure = "Refresh CMH"},
               clear, [this] {
                   // Its buttons are off while it runs, and come back also after an error.
                   const std::initializer_list<ui::Control*> buttons{&Command7, &Command5, &Option_select_by[0],
                                                                     &Option_select_by[1]};
                   for (ui::Control* c : buttons) c->SetEnabled(false);
                   ScopeExit buttonsBack([&] {
                       for (ui::Control* c : buttons) c->SetEnabled(true);
                   });
                   // The image list holds its placeholder and the tab's own pictures; the scan
                   // adds the file types' icons after them.
                   QV_IconsAndResources::ResetImageList(imlCMH, tvwCMH, pixDummy);
                   for (const char* key : {"FolderRoot", "Folder", "FolderOpen", "Unknown", "Found"})
                       imlCMH.AddCopy(key, imlRegComp, key);
                   clsDroskGlobal& g = DroskGlobal();
                   Tab_CMH::CMH_Refresh(colCMH, tvwCMH, Option_select_by[0].Value(), cboCMH_arrangedby.Text(), imlCMH,
                                        pixSmall, pixDummy, stb1, g.blnCancel);
               });
}

void Form_Main::Command5_Click() {
    SearchRun(Tab::CMH, "Search in CMH",
              [this](const SearchOptions& options) {
                  Tab_CMH::CMH_Search(tvwCMH, colCMH, stb1, options, DroskGlobal().blnCancel);
              },
              {&Command7, &Command5});
}

// ---------------------------------------------------------------- tree events

namespace {
// Expands a file type's node: its extension's and file type's keys as sub-trees.
void ExpandFileType(Form_Main& f, ui::Node& n) {
    Tab_CMH::CMH_ExpandFileType(f.tvwCMH, n, *f.colCMH.Item(Tab_CMH::ExtensionOfNode(n.Key())), true);
}
}  // namespace

void Form_Main::tvwCMH_NodeClick(ui::Node& node) {
    TrapErrors(kModule, "tvwCMH_NodeClick", [&] {
        tvwCMH.SetDropHighlight(node.shared_from_this());
        const long level = QV_TreeView_Lib::GetNodeLevel(tvwCMH, node.Key());
        if (level == 0) lsvCMH_entries.ListItems.Clear();
        else if (level >= 2) Tab_CMH::CMH_ListValues(node.Key(), lsvCMH_entries);
    });
}

void Form_Main::tvwCMH_DblClick() {
    TrapErrors(kModule, "tvwCMH_DblClick", [&] {
        ui::NodePtr n = tvwCMH.SelectedItem();
        if (n && QV_TreeView_Lib::GetNodeLevel(tvwCMH, n->Key()) == 0) ExpandFileType(*this, *n);
    });
}

void Form_Main::tvwCMH_KeyDown(int keyCode, int) {
    TrapErrors(kModule, "tvwCMH_KeyDown", [&] {
        if (keyCode == VK_F5) {
            Command7_Click();
            return;
        }
        ui::NodePtr n = tvwCMH.SelectedItem();
        if (!n) return;
        tvwCMH.SetDropHighlight(n);
        if (keyCode != VK_SPACE && keyCode != VK_RETURN && keyCode != VK_CONTROL) return;
        if (QV_TreeView_Lib::GetNodeLevel(tvwCMH, n->Key()) == 0) {
            ExpandFileType(*this, *n);
            lsvCMH_entries.ListItems.Clear();
        } else {
            Tab_CMH::CMH_ListValues(n->Key(), lsvCMH_entries);
        }
    });
}

void Form_Main::tvwCMH_MouseUp(int button, int, long x, long y) {
    TrapErrors(kModule, "tvwCMH_MouseUp", [&] {
        tvwCMH.SetToolTipText("");  // the first release over the tree clears the hint for good
        Disable_MNU_CMH_Items();
        if (ui::NodePtr hit = tvwCMH.HitTest(x, y)) {
            tvwCMH.SetDropHighlight(hit);
            tvwCMH.SetSelectedItem(hit);
        }
    });
    if (button == 2) {
        PopupMenu(Menus[MainMenu::CMH::Menu]);
        return;
    }
    TrapErrors(kModule, "tvwCMH_MouseUp", [&] {
        ui::NodePtr n = tvwCMH.SelectedItem();
        if (!n) return;
        const long level = QV_TreeView_Lib::GetNodeLevel(tvwCMH, n->Key());
        if (level == 0) lsvCMH_entries.ListItems.Clear();
        else if (level >= 2) Tab_CMH::CMH_ListValues(n->Key(), lsvCMH_entries);
    });
}
