// The components tab of the main window: the tree's events, the values and details lists, the
// tab's commands and the registration hand-over from the connector.
#include "app/Form_Main.h"

#include "app/clsDroskGlobal.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_Strings_Lib.h"
#include "components/Tab_RegComp.h"
#include "ui/QV_TreeView_Lib.h"

namespace {
// The text of a node key after its first backslash (a class node's CLSID).
std::string AfterFirstBackslash(const std::string& key) {
    auto p = key.find('\\');
    if (p == std::string::npos) throw RunTimeError(5, "Form_Main", "Invalid procedure call or argument");
    return key.substr(p + 1);
}

// Runs the action on the record of the selected top-level class node. False when no class node
// is selected or anything on the way fails (the action included): the caller then asks for one.
template <class Action>
bool WithSelectedClass(ui::TreeView& tree, const colRegComp& col, Action action) {
    try {
        ui::NodePtr n = tree.SelectedItem();
        if (n && QV_TreeView_Lib::GetNodeLevel(tree, n->Key()) == 1) {
            action(col.Item(AfterFirstBackslash(n->Key())));
            return true;
        }
    } catch (...) {
    }
    return false;
}
}  // namespace

void Form_Main::tvwRegComp_NodeClick(ui::Node& node) {
    TrapErrors("Form_Main", "tvwRegComp_NodeClick", [&] {
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
    TrapErrors("Form_Main", "tvwRegComp_DblClick", [&] {
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
    TrapErrors("Form_Main", "tvwRegComp_KeyDown", [&] {
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
    TrapErrors("Form_Main", "tvwRegComp_MouseUp", [&] {
        ui::NodePtr n;
        try {
            tvwRegComp.SetToolTipText("");
            Disable_MNU_RegComp_Items();
            n = tvwRegComp.DropHighlight();
        } catch (...) {
        }
        if (button == ui::vbRightButton) {
            PopupMenu(Menus["MNU_RegComp"]);
        } else if (n && QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) >= 2) {
            Tab_RegComp::FillRegistryValuesList(n->Key(), lsvRegComp_entries);
        }
    });
}

void Form_Main::ShowRegCompEntries(ui::Node& node) {
    TrapErrors("Form_Main", "ShowRegCompEntries", [&] {
        // The values list understands the full node key.
        Tab_RegComp::FillRegistryValuesList(node.Key(), lsvRegComp_entries);
    });
}

void Form_Main::MNU_RegComp_Dependencies_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, [&](const auto& rec) {
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
    try {
        ui::NodePtr n = tvwRegComp.SelectedItem();
        if (n && QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) >= 3) {
            Tab_RegComp::OpenRegeditAt("HKEY_CLASSES_ROOT\\" + Tab_RegComp::RegistryPathOf(n->Key(), 3));
            return;
        }
    } catch (...) {
    }
    ui::MsgBox("Please select preferred Registry entry first.", ui::vbOKOnly);
}

void Form_Main::MNU_RegComp_Register_NEW_component_Click() {
    ui::OpenFileRequest request;
    request.owner = hWnd();
    char windir[MAX_PATH] = {};
    GetEnvironmentVariableA("windir", windir, MAX_PATH);
    request.initialDir = windir;
    const std::string file = ui::OpenFileDialog(request);
    if (file.empty()) return;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ui::StartProgram("VelmRegSvr.exe -R " + file, 1, false);
    SetCursor(old);
}

void Form_Main::MNU_RegComp_Show_File_path_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, [](const auto& rec) {
        std::string folder;
        QV_Strings_Lib::GetDirectory(rec->vntFileLocationEx, folder);
        if (QV_APIFileAndDisk::PathExists(folder)) {
            ui::StartProgram("Explorer.exe /e," + folder, 1, false);
        } else if (folder.size() < 4) {
            ui::MsgBox("Path not specified in Registry.", ui::vbInformation);
        } else {
            DroskGlobal().Custom2 = Variant(folder);
            ui::MsgBox("Path '" + folder + "' does not exist !", ui::vbInformation);
        }
    });
    if (!done) ui::MsgBox("Plase select preferred Component from Top-level.", ui::vbOKOnly);
}

void Form_Main::MNU_RegComp_Unregisterthiscomponent_Click() {
    const bool done = WithSelectedClass(tvwRegComp, colRegComp, [](const auto& rec) {
        if (!rec->blnFileExist) {
            ui::MsgBox("Path '" + rec->vntFileLocationEx + "' does not exist !" + "\r\n" +
                           "(Deletion of entries recommended.)",
                       ui::vbOKOnly);
            return;
        }
        if (ui::MsgBox("Really unregister component\r\n" + rec->vntCalcDisplayName + " ?", ui::vbYesNo | ui::vbCritical,
                       "") != ui::vbYes)
            return;
        if (rec->blnFileExist && !rec->vntFileLocationEx.empty()) {
            HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            Tab_RegComp::UnregisterComponent(*rec);
            SetCursor(old);
        } else {
            ui::MsgBox("Path could not be resolved.", ui::vbInformation, "Action Canceled");
        }
    });
    if (!done) ui::MsgBox("Please select preferred Component from top-level", ui::vbOKOnly);
}

void Form_Main::MNU_RegComp_NewValue_Click() {
    try {
        ui::NodePtr n = tvwRegComp.SelectedItem();
        if (!n || QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) < 3) {
            ui::MsgBox("Please select preferred Registry entry first.", ui::vbOKOnly);
            return;
        }
        std::string name = ui::InputBox("Please enter Value name:", "Create new Value", "Default");
        if (name.empty()) return;
        const std::string data = ui::InputBox("Value for " + name + ":", "Create new Value", "");
        if (name == "Default") name.clear();
        Tab_RegComp::NewRegistryValue(n->Key(), name, data);
        tvwRegComp_NodeClick(*n);
        ShowRegCompEntries(*n);
    } catch (...) {
        ui::MsgBox("Please select preferred Registry entry first.", ui::vbOKOnly);
    }
}

void Form_Main::RegComp_checkVelm() {
    // A hand-over that arrives during a long run or another hand-over is taken once that has ended.
    if (RunActive()) {
        AfterRun([this] { RegComp_checkVelm(); });
        return;
    }
    ++mHold;
    bool taken = false;
    TrapErrors("Form_Main", "RegComp_checkVelm", [&] {
        if (!IsLoaded()) Load();
        if (!IsLoaded()) return;
        blnRegCompTabFilled = 1;
        SSTab1_Click(3);
        if (!IsLoaded()) return;
        SSTab1.SetTab(3);
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
            if (letter == "V") SetWindowState(ui::vbNormal);
        }
    });
    // A taken action leaves the mailbox, also when bringing the tree up to date failed.
    if (taken) {
        TrapErrors("Form_Main", "RegComp_checkVelm", [] {
            auto mq = DroskGlobal().objVelmora_mq();
            mq->ActionLetter("");
            mq->ActionFilePath("");
        });
    }
    --mHold;
    FlushAfterRun();
}
