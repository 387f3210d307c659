// The main window's values and details lists: their keys, mouse releases and pop-up menus with
// the items each row allows, the copy of a detail to the clipboard, and the tab tools that start
// other programs or dialogs (Regedit at a key, the services console, the dependency viewer and
// the folder of a service, the arranged-by options). The menu tables (Form_Main_Menus.cpp)
// give them to their items.
#include "app/Form_Main.h"

#include "app/Form_Main_Menus.h"
#include "app/clsDroskGlobal.h"
#include "app/dlg_ArrangedByOptions.h"
#include "app/dlg_filedoesntexist.h"
#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Clipboard.h"
#include "base/QV_Err.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "browsers/Tab_CMH.h"
#include "browsers/Tab_SD.h"
#include "components/Tab_RegComp.h"
#include "registry/RegistryNodes.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/RegistryValuesList.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {
// What differs between the three values lists: the tree behind it, the registry root, how
// many leading parts of a node key come before the registry path, the items of its pop-up
// menu that follow the selected row.
struct ValuesList {
    ui::TreeView* tree;
    ui::ListView* list;
    HKEY root;
    int leading;
    const char* rename;
    const char* modify;
};
}  // namespace

void Form_Main::WireEvents_Lists() {
    // The services values list reacts to no key; the details lists refresh their tab on F5.
    lsvSD_entries.KeyDown = nullptr;
    lsvSDDetails.KeyDown = [this](int k, int) { if (k == VK_F5) cmdSD_Refresh_Click(); };
    lsvCMH_entries.KeyDown = [this](int k, int) { if (k == VK_F5) Command7_Click(); };
    lsvSD_entries.MouseUp = [this](int b, int, long, long) { ValuesList_MouseUp(Tab::SD, b); };
    lsvCMH_entries.MouseUp = [this](int b, int, long, long) { ValuesList_MouseUp(Tab::CMH, b); };
    lsvRegComp_entries.MouseUp = [this](int b, int, long, long) { ValuesList_MouseUp(Tab::RegComp, b); };
    lsvRegCompDetails.MouseUp = [this](int b, int, long, long) {
        DetailsList_MouseUp(MainMenu::RegCompClipboard::Menu, MainMenu::RegCompClipboard::Copy, b);
    };
    lsvSDDetails.MouseUp = [this](int b, int, long, long) {
        DetailsList_MouseUp(MainMenu::SDClipboard::Menu, MainMenu::SDClipboard::Copy, b);
    };
}

// ---------------------------------------------------------------- values and details lists

void Form_Main::ShowSelectedNodeData(Tab tab, bool values) {
    ui::TreeView& tree = tab == Tab::SD ? tvwSD : tab == Tab::CMH ? tvwCMH : tvwRegComp;
    ui::ListView& entries = tab == Tab::SD ? lsvSD_entries : tab == Tab::CMH ? lsvCMH_entries : lsvRegComp_entries;
    ui::ListView* details = tab == Tab::SD ? &lsvSDDetails : tab == Tab::RegComp ? &lsvRegCompDetails : nullptr;
    // The level of a tab's entry nodes (a service, a class); the details list shows the entry
    // the selected node belongs to.
    const long entryLevel = tab == Tab::SD ? 0 : 1;
    TrapErrors(kModule, "ShowSelectedNodeData", [&] {
        entries.ListItems.Clear();
        if (details) details->ListItems.Clear();
        ui::NodePtr n = tree.SelectedItem();
        if (!n || n->IsRemoved() || n->Key().empty()) return;
        const long level = QV_TreeView_Lib::GetNodeLevel(tree, n->Key());
        if (details && level >= entryLevel) {
            ui::NodePtr entry = n;
            if (level > entryLevel) QV_TreeView_Lib::GetAncestorNode(tree, n->Key(), entryLevel, entry);
            if (tab == Tab::SD) {
                if (colSD.Exists(entry->Key())) Tab_SD::SD_ShowDetails(*colSD.Item(entry->Key()), *details);
            } else {
                const size_t slash = entry->Key().find('\\');
                const std::string clsid = slash == std::string::npos ? "" : entry->Key().substr(slash + 1);
                if (!clsid.empty() && colRegComp.Exists(clsid))
                    Tab_RegComp::ShowRegCompDetails(*colRegComp.Item(clsid), *details);
            }
        }
        if (!values || level < 2) return;
        if (tab == Tab::SD) Tab_SD::SD_FillValueList(n->Key(), entries);
        else if (tab == Tab::CMH) Tab_CMH::CMH_ListValues(n->Key(), entries);
        else Tab_RegComp::FillRegistryValuesList(n->Key(), entries);
    });
}

void Form_Main::ValuesList_MouseUp(Tab tab, int button) {
    namespace M = MainMenu;
    const ValuesList v =
        tab == Tab::SD    ? ValuesList{&tvwSD, &lsvSD_entries, HKEY_LOCAL_MACHINE, 2, M::SDEntries::Rename,
                                       M::SDEntries::Modify}
        : tab == Tab::CMH ? ValuesList{&tvwCMH, &lsvCMH_entries, HKEY_CLASSES_ROOT, 2, M::CMHEntries::Rename,
                                       M::CMHEntries::Modify}
                          : ValuesList{&tvwRegComp, &lsvRegComp_entries, HKEY_CLASSES_ROOT, 3, M::RegCompEntries::Rename,
                                       M::RegCompEntries::Modify};
    // The tree's menu by the selected node (this also sets New and Delete of the values menu),
    // and the key behind the node; without a node no menu opens.
    std::string path;
    bool ready = false;
    TrapErrors(kModule, "lsv_entries_MouseUp", [&] {
        (this->*Facts(tab).disableItems)();
        ui::NodePtr n = v.tree->SelectedItem();
        if (!n) throw RunTimeError(91, kModule, "Object variable or With block variable not set");
        path = RegistryNodes::PathBelow(n->Key(), v.leading);
        ready = true;
    });
    if (!ready) return;
    ui::MenuItem& rename = Menus[v.rename];
    ui::MenuItem& modify = Menus[v.modify];
    // Rename and Modify by the selected row: the unnamed value is the row without a key.
    rename.SetEnabled(false);
    modify.SetEnabled(false);
    TrapErrors(kModule, "lsv_entries_MouseUp", [&] {
        ui::ListItemPtr row = v.list->SelectedItem();
        if (!row) return;
        rename.SetEnabled(true);
        long index = 0, type = 0;
        std::string raw, text;
        const std::string name = RegistryValuesList::ValueNameOfRow(*row);
        const bool found = QV_Registry_Lib::FindValue(v.root, path, name, index, type, raw, text, 0) == 0;
        modify.SetEnabled(found && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_DWORD));
    });
    if (button == ui::vbRightButton) PopupMenu(Menus[Facts(tab).entriesMenu]);
}

void Form_Main::DetailsList_MouseUp(const char* menu, const char* copyItem, int button) {
    TrapErrors(kModule, "lsvDetails_MouseUp", [&] {
        Menus[menu].SetEnabled(true);
        Menus[copyItem].SetEnabled(true);
        if (button == ui::vbRightButton) PopupMenu(Menus[menu]);
    });
}

void Form_Main::CopyDetail(ui::ListView& details, const char* procedure) {
    TrapErrors(kModule, procedure, [&] {
        // Emptied first: a copy that fails (no selected row) leaves the clipboard empty.
        QV_Clipboard::ClearClipboard();
        ui::ListItemPtr row = details.SelectedItem();
        if (!row) throw RunTimeError(91, kModule, "Object variable or With block variable not set");
        QV_Clipboard::SetClipboardText(row->SubItem(1));
    });
}

// ---------------------------------------------------------------- tab tools

void Form_Main::ArrangedByOptions(Tab tab) {
    clsDroskGlobal& g = DroskGlobal();
    g.Custom = Variant(std::string(tab == Tab::RegComp ? "RegComp" : "SD"));
    g.Custom2 = Variant(int16_t{0});
    TrapErrors(kModule, tab == Tab::RegComp ? "MNU_RegComp_Options_Click" : "MNU_ServicesDevices_Options_Click",
               [this] {
                   dlg_ArrangedByOptions dlg;
                   dlg.Show(ui::vbModal, this);
               });
    if (!(g.Custom2.IsNumber() && g.Custom2.ToLong() == 1)) return;
    if (tab == Tab::RegComp) MNU_RegComp_RefreshTreeView_Click();
    else cmdSD_Refresh_Click();
}

void Form_Main::RegeditAtNode(ui::TreeView& tree, const char* rootName, const char* procedure) {
    const std::optional<long> level = SelectedLevel(tree);
    if (!level || *level < 2) {
        ui::MsgBox("Please select preferred Registry entry first.", ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, procedure, [&] {
        QV_Registry_Lib::OpenRegeditAt(std::string(rootName) + "\\" +
                                   RegistryNodes::PathBelow(tree.SelectedItem()->Key(), 2));
    });
}

void Form_Main::SD_OpenServicesConsole() {
    TrapErrors(kModule, "SD_OpenServicesConsole", [] {
        const std::string root = QV_InfoLocal_Lib::GetEnvironmentValue("SystemRoot");
        ui::StartProgram(root + "\\system32\\mmc.exe " + root + "\\system32\\services.msc", SW_SHOWNORMAL, false);
    });
}

std::shared_ptr<clsSD> Form_Main::SelectedService() {
    ui::NodePtr n = tvwSD.SelectedItem();
    if (!n || n->Key().empty() || QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) != 0 || !colSD.Exists(n->Key()))
        return nullptr;
    return colSD.Item(n->Key());
}

void Form_Main::ShowFileDoesntExist(const std::string& path) {
    DroskGlobal().Custom2 = Variant(path);
    dlg_filedoesntexist dlg;
    dlg.Show(ui::vbModal, this);
}

void Form_Main::MNU_ServicesDevices_Dependencies_Click() {
    std::shared_ptr<clsSD> rec = SelectedService();
    if (!rec) {
        ui::MsgBox("Plase select preferred Component from Top-level.", ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, "MNU_ServicesDevices_Dependencies_Click", [&] {
        const std::string path = rec->vntImagePathEx;
        // The viewer reads the file the system names: in a 32-bit program on 64-bit Windows a
        // file of the system folder through its Sysnative alias, which every later read of the
        // viewer (its imports beside it, a module's facts) then follows.
        const std::string file = FileLookup::NativePath(path);
        if (QV_APIFileAndDisk::FileExists(file)) {
            if (!objDepends) objDepends = std::make_unique<frmDepends>();
            objDepends->Load();
            objDepends->LoadTree(file, nullptr);
            objDepends->Show(ui::vbModeless, this);
        } else if (path.size() > 3) {
            ShowFileDoesntExist(path);
        } else {
            ui::MsgBox("Path not specified in Registry.", ui::vbInformation);
        }
    });
}

void Form_Main::MNU_ServicesDevices_ShowFilePath_Click() {
    std::shared_ptr<clsSD> rec = SelectedService();
    if (!rec) {
        ui::MsgBox("Plase select preferred Component from Top-level.", ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, "MNU_ServicesDevices_ShowFilePath_Click", [&] {
        std::string folder;
        QV_Strings_Lib::GetDirectory(rec->vntImagePathEx, folder);
        // The folder is the system's own, as the file the details show: in a 32-bit program on
        // 64-bit Windows a folder of the system folder is tested, and shown, through its
        // Sysnative alias (the Explorer this program starts is of its own bitness).
        const std::string native = FileLookup::NativePath(folder);
        if (QV_APIFileAndDisk::PathExists(native)) {
            // A failed start is ignored; the new window starts with the focus.
            TrapErrors(kModule, "MNU_ServicesDevices_ShowFilePath_Click",
                       [&] { ui::StartProgram("Explorer.exe /e," + native, SW_SHOWNORMAL, false); });
        } else if (folder.size() < 4) {
            ui::MsgBox("Path not specified in Registry.", ui::vbInformation);
        } else {
            ShowFileDoesntExist(folder);
        }
    });
}
