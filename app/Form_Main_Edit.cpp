// The registry edit commands of the three registry tabs (components, file types, services and
// devices): new, modify, rename and delete of a key's values, new, rename and delete of keys,
// the deletion of a whole entry (a class, a file type, a service) and the removal of every class
// of one server. One set of command routines works over each tab's description, which its tab
// module gives (hive, node-key layout, edit levels, its edits, its protected names and whole-entry
// deletes), with the window's tree and values list of the tab and its values refresh.
#include "app/Form_Main.h"

#include <windows.h>

#include <cstdlib>

#include "app/clsDroskGlobal.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "browsers/Tab_CMH.h"
#include "browsers/Tab_SD.h"
#include "components/Tab_RegComp.h"
#include "registry/RegistryNodes.h"
#include "registry/RegistryTab.h"
#include "ui/QV_TreeView_Lib.h"
#include "ui/RegistryValuesList.h"

namespace {
constexpr char kModule[] = "Form_Main";
}  // namespace

namespace {

const char kCrLf[] = "\r\n";
const char kSelectEntry[] = "Please select preferred Registry entry first.";
const char kSelectComponent[] = "Please select preferred Component first.";
const char kDeleteKeyError[] = "Error deleting key !";

std::string DeletionWarning() {
    return std::string("Return to original setting not possible - always make") + kCrLf +
           "backup copies of your Registry before editing !" + kCrLf + "Really Delete currently selected Registry-Key ?";
}

// The refusal to delete or rename one of the shared trees of a class's entries.
void TreeRefusal(const std::string& verb, const std::string& tree) {
    ui::MsgBox("You have choosen to " + verb + tree + "-Tree !" + kCrLf +
                   "This would lead to deletion of any entry/component," + kCrLf + "subordinated to this Key." + kCrLf +
                   "Action canceled.",
               ui::vbExclamation, "Action canceled");
}

// Whether a text is an unsigned 32-bit decimal number (digits only).
bool IsDwordText(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    return std::strtoull(text.c_str(), nullptr, 10) <= 0xFFFFFFFFull;
}

}  // namespace

// What the edit commands need to know of one registry tab.
struct Form_Main::EditTab {
    Tab tab;
    const RegistryTabRules& rules;
    ui::TreeView& tree;
    ui::ListView& values;
    std::function<void(ui::Node&)> refresh;
};

Form_Main::EditTab Form_Main::EditTabOf(Tab tab) {
    switch (tab) {
        case Tab::RegComp:
            return {Tab::RegComp, Tab_RegComp::EditRules(), tvwRegComp, lsvRegComp_entries, [this](ui::Node& n) {
                        tvwRegComp_NodeClick(n);
                        ShowRegCompEntries(n);
                    }};
        case Tab::CMH:
            return {Tab::CMH, Tab_CMH::EditRules(), tvwCMH, lsvCMH_entries, [this](ui::Node& n) { tvwCMH_NodeClick(n); }};
        case Tab::SD:
        default:
            return {Tab::SD, Tab_SD::EditRules(), tvwSD, lsvSD_entries, [this](ui::Node& n) { tvwSD_NodeClick(n); }};
    }
}

// The selected node of the tab's tree when it stands for a key the commands may change (its
// level at least `minLevel`, its registry path a key path); null otherwise.
ui::NodePtr Form_Main::EditNode(const EditTab& t, long minLevel, std::string* path) {
    ui::NodePtr n = t.tree.SelectedItem();
    if (!n || n->Key().empty()) return nullptr;
    if (QV_TreeView_Lib::GetNodeLevel(t.tree, n->Key()) < minLevel) return nullptr;
    const std::string p = RegistryNodes::PathBelow(n->Key(), t.rules.leading);
    if (!RegistryNodes::IsKeyPath(p)) return nullptr;
    if (path) *path = p;
    return n;
}

// ---------------------------------------------------------------- values

void Form_Main::EditNewValue(Tab tab) {
    EditTab t = EditTabOf(tab);
    ui::NodePtr n = EditNode(t, t.rules.keyLevel);
    if (!n) {
        ui::MsgBox(kSelectEntry, ui::vbOKOnly);
        return;
    }
    const bool ok = TrapErrors(kModule, "EditNewValue", [&] {
        std::string name = ui::InputBox("Please enter Value name:", "Create new Value", "Default");
        if (name.empty()) return;
        const std::string data = ui::InputBox("Value for " + name + ":", "Create new Value", "");
        if (name == "Default") name.clear();
        t.rules.newValue(*n, name, data);
        if (!n->IsRemoved()) t.refresh(*n);
    });
    if (!ok) ui::MsgBox(kSelectEntry, ui::vbOKOnly);
}

void Form_Main::EditModifyValue(Tab tab) {
    EditTab t = EditTabOf(tab);
    std::string path;
    ui::NodePtr n = EditNode(t, t.rules.keyLevel, &path);
    ui::ListItemPtr row = t.values.SelectedItem();
    if (!n || !row) return;
    TrapErrors(kModule, "EditModifyValue", [&] {
        const std::string name = RegistryValuesList::ValueNameOfRow(*row);
        long index = 0, type = 0;
        std::string raw, current;
        // Only a value that one line of text stands for whole is offered: a string with text
        // after a NUL, or longer than the box offers for editing, would come back cut.
        if (QV_Registry_Lib::FindValue(t.rules.hive, path, name, index, type, raw, current, 0) != 0 ||
            QV_Registry_Lib::ModifiableText(t.rules.hive, path, name, current) != 0 ||
            current.size() > ui::kInputBoxLongest) {
            ui::MsgBox("Only String values supported in modify mode !", ui::vbOKOnly);
            return;
        }
        const std::string answer = ui::InputBox("Please enter new Value:", "Rename Value", current);
        if (answer.empty() || answer == current) return;
        // A DWORD takes an unsigned 32-bit decimal number; any other text changes nothing.
        if ((type == REG_DWORD && !IsDwordText(answer)) ||
            QV_Registry_Lib::ModifyValue(t.rules.hive, path, name, answer, 0) != 0)
            ui::MsgBox("Error changing value !", ui::vbOKOnly);
        t.refresh(*n);
    });
}

void Form_Main::EditRenameValue(Tab tab) {
    EditTab t = EditTabOf(tab);
    std::string path;
    ui::NodePtr n = EditNode(t, t.rules.keyLevel, &path);
    ui::ListItemPtr row = t.values.SelectedItem();
    if (!n || !row) return;
    TrapErrors(kModule, "EditRenameValue", [&] {
        const std::string oldName = RegistryValuesList::ValueNameOfRow(*row);
        std::string newName = ui::InputBox("Please enter new Value name:", "Rename Value", row->Text());
        if (newName.empty()) return;
        if (newName == "Default") newName.clear();
        if (QV_Registry_Lib::RenameValue(t.rules.hive, path, oldName, newName, 0) != 0)
            ui::MsgBox("Error renaming value !", ui::vbOKOnly);
        t.refresh(*n);
    });
}

void Form_Main::EditDeleteValue(Tab tab) {
    EditTab t = EditTabOf(tab);
    ui::NodePtr n = EditNode(t, t.rules.keyLevel);
    ui::ListItemPtr row = t.values.SelectedItem();
    if (!n || !row) return;
    TrapErrors(kModule, "EditDeleteValue", [&] {
        if (ui::MsgBox("Really delete value ?", ui::vbYesNo | ui::vbCritical, ui::kEmptyCaption) != ui::vbYes) return;
        // The row, not its text, names the value: the unnamed value's row has no key, so a value
        // really named "default" beside it stays apart.
        t.rules.deleteValue(*n, RegistryValuesList::ValueNameOfRow(*row));
        t.refresh(*n);
    });
}

// ---------------------------------------------------------------- keys

void Form_Main::EditNewKey(Tab tab) {
    EditTab t = EditTabOf(tab);
    ui::NodePtr n = EditNode(t, t.rules.keyLevel);
    if (!n) {
        ui::MsgBox(kSelectEntry, ui::vbOKOnly);
        return;
    }
    const bool ok = TrapErrors(kModule, "EditNewKey", [&] {
        const std::string name = ui::InputBox("Please enter Key name:", "", "Create new Key");
        if (name.empty()) return;
        t.rules.newKey(t.tree, *n, name);
        t.refresh(*n);
    });
    if (!ok) ui::MsgBox(kSelectEntry, ui::vbOKOnly);
}

void Form_Main::EditRenameKey(Tab tab) {
    EditTab t = EditTabOf(tab);
    ui::NodePtr n = EditNode(t, t.rules.renameLevel);
    if (!n) {
        ui::MsgBox(kSelectEntry, ui::vbOKOnly);
        return;
    }
    const bool ok = TrapErrors(kModule, "EditRenameKey", [&] {
        const std::string text = n->Text();
        if (tab == Tab::CMH) {
            const std::string general = Tab_CMH::GeneralEntryName(text);
            if (!general.empty() &&
                ui::MsgBox("You have choosen to rename the entire " + general + "-Tree !" + kCrLf + "Really proceed ?",
                           ui::vbYesNo | ui::vbCritical, text) != ui::vbYes)
                return;
        } else if (tab == Tab::RegComp && QV_TreeView_Lib::GetNodeLevel(t.tree, n->Key()) == 3) {
            const std::string shared = Tab_RegComp::SharedTreeName(text);
            if (!shared.empty()) {
                TreeRefusal("rename the ", shared);
                return;
            }
        }
        const std::string name = ui::InputBox("Please enter new Key name:", "", text);
        if (name.empty() || name == text) return;
        if (t.rules.renameKey(t.tree, *n, name) == 0) t.values.ListItems.Clear();
        else ui::MsgBox("Error renaming key !", ui::vbCritical);
    });
    if (!ok) ui::MsgBox(kSelectEntry, ui::vbOKOnly);
}

void Form_Main::EditDeleteKey(Tab tab) {
    EditTab t = EditTabOf(tab);
    switch (tab) {
        case Tab::RegComp: {
            ui::NodePtr n = EditNode(t, t.rules.keyLevel);
            if (!n) {
                ui::MsgBox(kSelectEntry, ui::vbOKOnly);
                return;
            }
            TrapErrors(kModule, "MNU_RegComp_Delete_Click", [&] {
                // The class's own key is only the CLSID folder's entry of the class itself; an
                // AppID or TypeLib entry of the same name is an ordinary key of its own tree.
                ui::NodePtr component;
                if (QV_TreeView_Lib::GetNodeLevel(t.tree, n->Key()) == 4 &&
                    QV_TreeView_Lib::GetAncestorNode(t.tree, n->Key(), 1, component) == 1 &&
                    Tab_RegComp::IsClassKeyNode(component->Key(), n->Key())) {
                    const std::string clsid = Tab_RegComp::ClassOfNode(component->Key());
                    t.tree.SetSelectedItem(component);
                    if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, "Delete Component") != ui::vbYes)
                        return;
                    if (Tab_RegComp::DeleteClassKey(clsid) != 0) {
                        // What stayed of the class's keys is shown again from the registry.
                        if (colRegComp.Exists(clsid))
                            Tab_RegComp::FillRegCompEntriesTree(t.tree, component->Key(), *colRegComp.Item(clsid), false);
                        ui::MsgBox(kDeleteKeyError, ui::vbCritical);
                        return;
                    }
                    Tab_RegComp::RemoveClassNodes(t.tree, clsid);
                    ShowSelectedNodeData(Tab::RegComp, false);
                    return;
                }
                if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, n->Text()) != ui::vbYes) return;
                const std::string shared = Tab_RegComp::SharedTreeName(n->Text());
                if (!shared.empty()) {
                    TreeRefusal("delete the entire ", shared);
                    return;
                }
                // A key that stayed, wholly or in part, is reported; its node shows what is left.
                if (t.rules.deleteKey(t.tree, *n) != 0) ui::MsgBox(kDeleteKeyError, ui::vbCritical);
                ShowSelectedNodeData(Tab::RegComp, false);
            });
            return;
        }
        case Tab::CMH: {
            ui::NodePtr n = EditNode(t, t.rules.keyLevel);
            if (!n) {
                ui::MsgBox(kSelectEntry, ui::vbOKOnly);
                return;
            }
            const bool ok = TrapErrors(kModule, "MNU_CMH_Delete_Click", [&] {
                ui::NodePtr top;
                const long level = QV_TreeView_Lib::GetNodeLevel(t.tree, n->Key());
                if (level == 2 && QV_TreeView_Lib::GetAncestorNode(t.tree, n->Key(), 0, top) == 1) {
                    const std::string extension = Tab_CMH::ExtensionOfNode(top->Key());
                    if (!extension.empty() && n->Text() == extension) {
                        // The extension's own key: the whole file type goes.
                        t.tree.SetSelectedItem(top);
                        if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, "Delete Component") != ui::vbYes)
                            return;
                        if (Tab_CMH::DeleteFileTypeKey(extension) != 0) {
                            // What stayed of the file type's keys is shown again from the registry.
                            if (colCMH.Exists(extension))
                                Tab_CMH::CMH_ExpandFileType(t.tree, *top, *colCMH.Item(extension), false);
                            ui::MsgBox(kDeleteKeyError, ui::vbCritical);
                            return;
                        }
                        t.tree.Nodes.Remove(top->Key());
                        ShowSelectedNodeData(Tab::CMH, false);
                        return;
                    }
                }
                if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical) != ui::vbYes) return;
                if (t.rules.deleteKey(t.tree, *n) != 0) ui::MsgBox(kDeleteKeyError, ui::vbCritical);
                ShowSelectedNodeData(Tab::CMH, false);
            });
            if (!ok) ui::MsgBox(kSelectEntry, ui::vbOKOnly);
            return;
        }
        case Tab::SD:
        default: {
            ui::NodePtr n = tvwSD.SelectedItem();
            if (!n || n->Key().empty()) return;
            const long level = QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key());
            // The service's own key goes as the whole service; a key below it as itself.
            if (level == t.rules.keyLevel) {
                MNU_ServicesDevices_DeleteComponent_Click();
                return;
            }
            if (level <= t.rules.keyLevel || !EditNode(t, t.rules.keyLevel + 1)) return;
            TrapErrors(kModule, "MNU_ServicesDevices_Delete_Click", [&] {
                if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, ui::kEmptyCaption) != ui::vbYes) return;
                if (t.rules.deleteKey(tvwSD, *n) != 0) ui::MsgBox(kDeleteKeyError, ui::vbCritical);
                ShowSelectedNodeData(Tab::SD, false);
            });
            return;
        }
    }
}

// ---------------------------------------------------------------- whole entries

void Form_Main::MNU_RegComp_Delete_all_enties_of_this_component_Click() {
    ui::NodePtr n = tvwRegComp.SelectedItem();
    if (!n) return;
    const std::string clsid = Tab_RegComp::ClassOfNode(n->Key());
    if (QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) != 1 || clsid.empty() || !colRegComp.Exists(clsid)) {
        ui::MsgBox(kSelectComponent, ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, "MNU_RegComp_Delete_all_enties_of_this_component_Click", [&] {
        auto rec = colRegComp.Item(clsid);
        if (ui::MsgBox(std::string("Return to original setting not possible - always make") + kCrLf +
                           "backup copies of your Registry before editing !" + kCrLf + "Really Delete " +
                           rec->vntCalcDisplayName + " ?",
                       ui::vbYesNo | ui::vbCritical, "Delete all entries of Component") != ui::vbYes)
            return;
        lsvRegComp_entries.ListItems.Clear();
        Tab_RegComp::DeleteClassEntries(*rec);
        Tab_RegComp::RemoveClassNodes(tvwRegComp, clsid);
        ShowSelectedNodeData(Tab::RegComp, false);
    });
}

void Form_Main::MNU_RegComp_Delete_components_Server_Click() {
    ui::NodePtr n = tvwRegComp.SelectedItem();
    const std::string clsid = n ? Tab_RegComp::ClassOfNode(n->Key()) : "";
    if (!n || QV_TreeView_Lib::GetNodeLevel(tvwRegComp, n->Key()) != 1 || clsid.empty() || !colRegComp.Exists(clsid)) {
        ui::MsgBox("Please select preferred Component from top-level", ui::vbOKOnly);
        return;
    }
    const bool ok = TrapErrors(kModule, "MNU_RegComp_Delete_components_Server_Click", [&] {
        auto current = colRegComp.Item(clsid);
        if (ui::MsgBox(std::string("Really delete all components referring to") + kCrLf + current->vntFileLocationEx +
                           " ?",
                       ui::vbYesNo | ui::vbCritical, ui::kEmptyCaption) != ui::vbYes)
            return;
        // A class without a registered server has no server to share: nothing is deleted.
        const std::string location = current->vntFileLocation;
        if (location.empty() || location == "Not defined.") return;
        lsvRegComp_entries.ListItems.Clear();
        // The matching records first, then their deletion: the walk does not see its own removals.
        std::vector<std::shared_ptr<clsRegComp>> matching;
        for (const auto& rec : colRegComp)
            if (lstrcmpiA(rec->vntFileLocation.c_str(), location.c_str()) == 0) matching.push_back(rec);
        for (const auto& rec : matching) {
            Tab_RegComp::DeleteClassEntries(*rec);
            Tab_RegComp::RemoveClassNodes(tvwRegComp, rec->Key);
            if (colRegComp.Exists(rec->Key)) colRegComp.Remove(rec->Key);
        }
        ShowSelectedNodeData(Tab::RegComp, false);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    });
    if (!ok) ui::MsgBox("Please select preferred Component from top-level", ui::vbOKOnly);
}

void Form_Main::MNU_CMH_Delete_all_entries_of_this_component_Click() {
    ui::NodePtr n = tvwCMH.SelectedItem();
    if (!n) return;
    const std::string key = n->Key();
    const std::string extension = Tab_CMH::ExtensionOfNode(key);
    // Only a file type's own node with its record; the general entries are never deleted whole.
    if (QV_TreeView_Lib::GetNodeLevel(tvwCMH, key) != 0 || !Tab_CMH::DeletableFileType(extension) ||
        !colCMH.Exists(extension)) {
        ui::MsgBox(kSelectComponent, ui::vbOKOnly);
        return;
    }
    const bool ok = TrapErrors(kModule, "MNU_CMH_Delete_all_entries_of_this_component_Click", [&] {
        auto rec = colCMH.Item(extension);
        if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, "Delete all entries of Component") != ui::vbYes)
            return;
        lsvCMH_entries.ListItems.Clear();
        Tab_CMH::DeleteFileTypeEntries(*rec);
        if (tvwCMH.Nodes.Exists(key)) tvwCMH.Nodes.Remove(key);
        ShowSelectedNodeData(Tab::CMH, false);
    });
    if (!ok) ui::MsgBox(kSelectComponent, ui::vbOKOnly);
}

void Form_Main::MNU_ServicesDevices_DeleteComponent_Click() {
    ui::NodePtr n = tvwSD.SelectedItem();
    if (!n || n->Key().empty()) return;
    if (QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) == 5) {
        ui::NodePtr top;
        if (QV_TreeView_Lib::GetAncestorNode(tvwSD, n->Key(), 0, top) == 1) {
            tvwSD.SetSelectedItem(top);
            n = top;
        }
    }
    if (QV_TreeView_Lib::GetNodeLevel(tvwSD, n->Key()) != 0 || !RegistryTab::DeletableName(n->Key())) {
        ui::MsgBox(kSelectEntry, ui::vbOKOnly);
        return;
    }
    TrapErrors(kModule, "MNU_ServicesDevices_DeleteComponent_Click", [&] {
        if (ui::MsgBox(DeletionWarning(), ui::vbYesNo | ui::vbCritical, "Delete Component ") != ui::vbYes) return;
        if (Tab_SD::DeleteServiceKey(n->Key()) == 0) {
            tvwSD.Nodes.Remove(n->Key());
            ShowSelectedNodeData(Tab::SD, false);
        } else {
            // What stayed of the service's keys is shown again from the registry.
            if (colSD.Exists(n->Key())) Tab_SD::SD_ExpandNode(tvwSD, *n, *colSD.Item(n->Key()), false);
            ui::MsgBox("Error deleting Component !", ui::vbCritical);
        }
    });
}
