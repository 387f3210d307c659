// The components tab of the main window: its refresh, its Edit menu's items by the selected
// node, the tree's events, the values and details lists, the tab's commands and the
// registration hand-over from the connector.
#include "app/Form_Main.h"

#include "app/Form_Main_Menus.h"
#include "app/clsDroskGlobal.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_Strings_Lib.h"
#include "components/Tab_RegComp.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/mTreeviewMacros_472.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {
// The text of a node key after its first backslash (a class node's CLSID).
std::string AfterFirstBackslash(const std::string& key) {
    auto p = key.find('\\');
    if (p == std::string::npos) throw RunTimeError(5, kModule, "Invalid procedure call or argument");
    return key.substr(p + 1);
}

// Runs the command on the record of the selected top-level class node. False when no class node
// with a record is selected: the caller then asks for one. A failure of the command itself goes
// to the error boundary under the command's name; the command counts as run.
template <class Action>
bool WithSelectedClass(ui::TreeView& tree, const colRegComp& col, const char* procedure, Action action) {
    ui::NodePtr n = tree.SelectedItem();
    if (!n || n->Key().empty() || QV_TreeView_Lib::GetNodeLevel(tree, n->Key()) != 1) return false;
    const std::string::size_type p = n->Key().find('\\');
    if (p == std::string::npos) return false;
    const std::string clsid = n->Key().substr(p + 1);
    if (!col.Exists(clsid)) return false;
    TrapErrors(kModule, procedure, [&] { action(col.Item(clsid)); });
    return true;
}
}  // namespace

void Form_Main::WireEvents_RegComp() {
    tvwRegComp.NodeClick = [this](ui::Node& n) { tvwRegComp_NodeClick(n); };
    tvwRegComp.DblClick = [this] { tvwRegComp_DblClick(); };
    tvwRegComp.KeyDown = [this](int k, int s) { tvwRegComp_KeyDown(k, s); };
    tvwRegComp.MouseUp = [this](int b, int s, long x, long y) { tvwRegComp_MouseUp(b, s, x, y); };
    for (ui::ListView* l : {&lsvRegComp_entries, &lsvRegCompDetails})
        l->KeyDown = [this](int k, int) { if (k == VK_F5) MNU_RegComp_RefreshTreeView_Click(); };
}

void Form_Main::TabShown_RegComp() {
    // The tab's visited flag is blnRegCompTabFilled, which a registration hand-over also sets.
    if (blnRegCompTabFilled != 0) return;
    blnRegCompTabFilled = 1;
    Visited(Tab::RegComp) = true;
    Disable_MNU_RegComp_Items();
    MNU_RegComp_RefreshTreeView_Click();
}

void Form_Main::Disable_MNU_RegComp_Items() {
    namespace E = MainMenu::RegComp;
    namespace V = MainMenu::RegCompEntries;
    for (const char* n : {E::New, E::Delete, E::Rename, E::DeleteAllEntries, E::DeleteServer, E::ShowFilePath,
                          E::Unregister, E::Regedit, E::Dependencies, V::New, V::Delete, V::Rename, V::Modify})
        Menus[n].SetEnabled(false);
    // No selected node: everything stays off.
    TrapErrors(kModule, "Disable_MNU_RegComp_Items", [this] {
        const std::optional<long> l = SelectedLevel(tvwRegComp);
        if (!l) return;
        if (*l == 1)
            for (const char* n : {E::DeleteAllEntries, E::DeleteServer, E::ShowFilePath, E::Unregister, E::Dependencies})
                Menus[n].SetEnabled(true);
        if (*l >= 3)
            for (const char* n : {E::New, E::Delete, E::Regedit, V::New, V::Delete}) Menus[n].SetEnabled(true);
        if (*l >= 4) Menus[E::Rename].SetEnabled(true);
    });
}

void Form_Main::MNU_RegComp_RefreshTreeView_Click() {
    if (RunGuard::Busy()) return;
    clsDroskGlobal& g = DroskGlobal();
    stb1.Panel(1).SetText("Scanning COM Components.");
    Disable_MNU_RegComp_Items();
    const auto clear = [this] {
        for (const char* root : Tab_RegComp::Categories)
            if (tvwRegComp.Nodes.Exists(root)) tvwRegComp.Nodes.Remove(root);
        (mTreeviewMacros_472::TreeView_DeleteAllItems)(tvwRegComp.hWnd());
        lsvRegComp_entries.ListItems.Clear();
        lsvRegCompDetails.ListItems.Clear();
    };
    RefreshRun(tvwRegComp, {.tab = Tab::RegComp, .procedure = "MNU_RegComp_RefreshTreeView_Click"}, clear, [&] {
        Tab_RegComp::FillRegCompTree(colRegComp, tvwRegComp, g.vntRegCompSelectedBy.ToLong(), g.blnRegCompDetailed,
                                     stb1, g.blnCancel);
    });
}

void Form_Main::MNU_RegComp_SearchInRegistry_Click() { Command9_Click(); }

void Form_Main::Command9_Click() {
    SearchRun(Tab::RegComp, "RegComp - search in Registry", [this](const SearchOptions& options) {
        Tab_RegComp::FindInRegComp(tvwRegComp, colRegComp, stb1, options, DroskGlobal().blnCancel);
    });
}

void Form_Main::tvwRegComp_NodeClick(ui::Node& node) {
    TrapErrors(kModule, "tvwRegComp_NodeClick", [&] {
        tvwRegComp.SetDropHighlight(node.shared_from_this());
        const long level = QV_TreeView_Lib::GetNodeLevel(tvwRegComp, node.Key());
        if (level == 1) {
            lsvRegComp_entries.ListItems.Clear();
            auto rec = colRegComp.Item(AfterFirstBackslash(node.Key()));
            Tab_RegComp::ShowRegCompDetails(*rec, lsvRegCompDetails);
            // An open dependency viewer follows the selected class.
            if (objDepends && objDepends->IsLoaded() && objDepends->Visible()) {
                objDepends->LoadTree(rec->vntFileLocationEx);
                objDepends->Show(ui::vbModeless, this);
            }
        } else if (level >= 2) {
            Tab_RegComp::FillRegistryValuesList(node.Key(), lsvRegComp_entries);
        }
    });
}

void Form_Main::tvwRegComp_DblClick() {
    TrapErrors(kModule, "tvwRegComp_DblClick", [&] {
        Disable_MNU_RegComp_Items();
        ui::NodePtr n = tvwRegComp.SelectedItem();
        if (!n) return;
        if (QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) == 1) {
            auto rec = colRegComp.Item(AfterFirstBackslash(n->Key()));
            Tab_RegComp::FillRegCompEntriesTree(tvwRegComp, n->Key(), *rec, true);
            lsvRegComp_entries.ListItems.Clear();
        }
    });
}

void Form_Main::tvwRegComp_KeyDown(int keyCode, int) {
    TrapErrors(kModule, "tvwRegComp_KeyDown", [&] {
        if (keyCode == VK_F5) {
            MNU_RegComp_RefreshTreeView_Click();
            return;
        }
        ui::NodePtr n = tvwRegComp.SelectedItem();
        if (!n) return;
        tvwRegComp.SetDropHighlight(n);
        if (keyCode == VK_SPACE || keyCode == VK_RETURN || keyCode == VK_CONTROL) {
            const long level = QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key());
            if (level == 1) {
                auto rec = colRegComp.Item(AfterFirstBackslash(n->Key()));
                Tab_RegComp::FillRegCompEntriesTree(tvwRegComp, n->Key(), *rec, true);
                lsvRegComp_entries.ListItems.Clear();
            } else if (level >= 2) {
                Tab_RegComp::FillRegistryValuesList(n->Key(), lsvRegComp_entries);
            }
        }
    });
}

void Form_Main::tvwRegComp_MouseUp(int button, int, long, long) {
    TrapErrors(kModule, "tvwRegComp_MouseUp", [&] {
        tvwRegComp.SetToolTipText("");
        Disable_MNU_RegComp_Items();
        ui::NodePtr n = tvwRegComp.DropHighlight();
        if (button == ui::vbRightButton) {
            PopupMenu(Menus[MainMenu::RegComp::Menu]);
        } else if (n && QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) >= 2) {
            Tab_RegComp::FillRegistryValuesList(n->Key(), lsvRegComp_entries);
        }
    });
}

void Form_Main::ShowRegCompEntries(ui::Node& node) {
    TrapErrors(kModule, "ShowRegCompEntries", [&] {
        // The values list understands the full node key.
        Tab_RegComp::FillRegistryValuesList(node.Key(), lsvRegComp_entries);
    });
}

void Form_Main::MNU_RegComp_Dependencies_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, "MNU_RegComp_Dependencies_Click", [&](const auto& rec) {
        if (QV_APIFileAndDisk::FileExists(rec->vntFileLocationEx)) {
            if (!objDepends) objDepends = std::make_unique<frmDepends>();
            objDepends->Load();
            objDepends->LoadTree(rec->vntFileLocationEx);
            objDepends->Show(ui::vbModeless, this);
        } else {
            ui::MsgBox("Path not specified in Registry.", ui::vbInformation);
        }
    });
    if (!done) ui::MsgBox("Plase select preferred Component from Top-level.", ui::vbOKOnly);
}

void Form_Main::MNU_RegComp_Regedit_Click() {
    const std::optional<long> level = SelectedLevel(tvwRegComp);
    if (!level || *level < 3) {
        ui::MsgBox("Please select preferred Registry entry first.", ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, "MNU_RegComp_Regedit_Click", [this] {
        QV_Registry_Lib::OpenRegeditAt("HKEY_CLASSES_ROOT\\" +
                                   Tab_RegComp::RegistryPathOf(tvwRegComp.SelectedItem()->Key(), 3));
    });
}

void Form_Main::MNU_RegComp_Register_NEW_component_Click() {
    ui::OpenFileRequest request;
    request.owner = hWnd();
    char windir[MAX_PATH] = {};
    GetEnvironmentVariableA("windir", windir, MAX_PATH);
    request.initialDir = windir;
    const std::string file = ui::OpenFileDialog(request);
    if (file.empty()) return;
    ui::HourglassScope hourglass;
    ui::StartProgram("VelmRegSvr.exe -R " + file, 1, false);
}

void Form_Main::MNU_RegComp_Show_File_path_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, "MNU_RegComp_Show_File_path_Click", [this](const auto& rec) {
        std::string folder;
        QV_Strings_Lib::GetDirectory(rec->vntFileLocationEx, folder);
        if (QV_APIFileAndDisk::PathExists(folder)) {
            // The started Explorer's window comes to the front, once it shows; an Explorer that
            // hands the folder to one already running and ends has none.
            const unsigned long pid = ui::StartProgram("Explorer.exe /e," + folder, 1, false);
            QV_Forms::ActivateTask(pid, 5000);
        } else if (folder.size() < 4) {
            ui::MsgBox("Path not specified in Registry.", ui::vbInformation);
        } else {
            ShowFileDoesntExist(folder);
        }
    });
    if (!done) ui::MsgBox("Plase select preferred Component from Top-level.", ui::vbOKOnly);
}

void Form_Main::MNU_RegComp_Unregisterthiscomponent_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, "MNU_RegComp_Unregisterthiscomponent_Click",
                                        [](const auto& rec) {
        if (!rec->blnFileExist) {
            ui::MsgBox("Path '" + rec->vntFileLocationEx + "' does not exist !" + "\r\n" +
                           "(Deletion of entries recommended.)",
                       ui::vbOKOnly);
            return;
        }
        if (ui::MsgBox("Really unregister component\r\n" + rec->vntCalcDisplayName + " ?", ui::vbYesNo | ui::vbCritical,
                       ui::kEmptyCaption) != ui::vbYes)
            return;
        if (rec->blnFileExist && !rec->vntFileLocationEx.empty()) {
            ui::HourglassScope hourglass;
            Tab_RegComp::UnregisterComponent(*rec);
        } else {
            ui::MsgBox("Path could not be resolved.", ui::vbInformation, "Action Canceled");
        }
    });
    if (!done) ui::MsgBox("Please select preferred Component from top-level", ui::vbOKOnly);
}

void Form_Main::RegComp_checkVelm() {
    // A hand-over is a run of its own: one that arrives during a long run or another hand-over
    // is taken once that has ended.
    RunGuard::Turn turn = RunGuard::Begin(RunGuard::Kind::HandOver);
    if (!turn) {
        RunGuard::AfterRun([this] { RegComp_checkVelm(); });
        return;
    }
    bool taken = false;
    TrapErrors(kModule, "RegComp_checkVelm", [&] {
        if (!IsLoaded()) Load();
        if (!IsLoaded()) return;
        blnRegCompTabFilled = 1;
        SSTab1_Click(static_cast<int>(Tab::RegComp));
        if (!IsLoaded()) return;
        SelectTab(Tab::RegComp);
        Tab_RegComp::AddRegCompRoots(tvwRegComp);
        if (!Visible()) Show();
        clsDroskGlobal& g = DroskGlobal();
        auto mq = g.objVelmora_mq();
        const std::string letter = mq->ActionLetter();
        const long by = g.vntRegCompSelectedBy.ToLong();
        taken = true;
        if (letter == "R" || letter == "U" || letter == "V") {
            // After a successful unregistration the classes are only taken out; otherwise they are read again.
            const bool succeeded = letter == "U" && mq->ActionSucceeded();
            Tab_RegComp::RefreshTypeLibClasses(colRegComp, tvwRegComp, by, g.blnRegCompDetailed, mq->ActionFilePath(),
                                               succeeded);
            // The file's classes were read again or taken out: the lists follow the selection.
            ShowSelectedNodeData(Tab::RegComp);
            if (letter == "V") SetWindowState(ui::vbNormal);
        }
    });
    // A taken action leaves the mailbox, also when bringing the tree up to date failed.
    if (taken) {
        TrapErrors(kModule, "RegComp_checkVelm", [] {
            auto mq = DroskGlobal().objVelmora_mq();
            mq->ActionLetter("");
            mq->ActionFilePath("");
        });
    }
}
