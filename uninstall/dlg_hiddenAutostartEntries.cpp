#include <windows.h>

#include "uninstall/dlg_hiddenAutostartEntries.h"

#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "base/ValueText.h"

using namespace QV_Registry_Lib;

namespace {

constexpr const char* kModule = "dlg_hiddenAutostartentries";

const char kLabel1[] =
    "On  Microsoft Windows  operating  systems, programs  sometimes create  Autostart entries in  the  Windows "
    "Registry. These  entries  are  located  at different places. The  following list  displays all  entries of  "
    "that type found in the Registry.";

}  // namespace

dlg_hiddenAutostartEntries::dlg_hiddenAutostartEntries()
    : Form("dlg_hiddenAutostartEntries", {.caption = "",
                                          .width = 7800,
                                          .height = 5400,
                                          .border = 3,
                                          .minButton = false,
                                          .maxButton = false,
                                          .showInTaskbar = false,
                                          .centered = true}) {}

void dlg_hiddenAutostartEntries::Form_Load() {
    TrapErrors(kModule, "Form_Load", [&] {
        Frame1.Create(*this, 120, 60, 7440, 4300, "Hidden Autostart entries");
        Label1.Create(Frame1, 120, 300, 7200, 900, kLabel1);
        if (ImageList1.Count() == 0) ImageList1.Add("RegString", LoadIconA(nullptr, IDI_APPLICATION));
        lsvAE.Create(Frame1, 120, 1260, 7200, 2900);
        lsvAE.SetSmallIcons(&ImageList1);
        lsvAE.SetIcons(&ImageList1);
        lsvAE.ColumnHeaders.Add("Entry Name", 2400);
        lsvAE.ColumnHeaders.Add("Data", 4600);
        static constexpr char kEditMenu[] = "MNU_Edit";  // the list's context menu, made below
        lsvAE.MouseUp = [this](int button, int, long, long) {
            if (button == ui::vbRightButton && lsvAE.ListItems.Count() > 0) PopupMenu(Menus[kEditMenu]);
        };
        Cancel.Create(*this, 6120, 4440, 1440, 420, "&OK", true, true);
        Cancel.Click = [this] { TrapErrors(kModule, "Cancel_Click", [&] { Unload(); }); };

        auto& edit = Menus.Add(kEditMenu, "Edit");
        edit.Add("MNU_Edit_Modify", "Modify").Click = [this] { MNU_Edit_Modify_Click(); };
        edit.Add("MNU_Edit_Rename", "Rename").Click = [this] { MNU_Edit_Rename_Click(); };
        edit.Add("MNU_Edit_Delete", "Delete").Click = [this] { MNU_Edit_Delete_Click(); };
        edit.Add("MNU_Edit_1", "-");
        edit.Add("MNU_Edit_Regedit", "Regedit...").Click = [this] { MNU_Edit_Regedit_Click(); };
        // The menu serves as the list's context menu only.
        edit.SetVisible(false);

        fillHAElist();
    });
}

void dlg_hiddenAutostartEntries::fillHAElist() {
    TrapErrors(kModule, "fillHAElist", [&] {
        colHAEs_.Clear();
        lsvAE.ListItems.Clear();
        for (auto [root, hive] : {std::pair{HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
                                  std::pair{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}}) {
            // Listing needs no more than read access; the edits open the key for writing.
            RegKey key;
            if (OpenKey(root, cstrRunKey, key.Receive(), 0, KEY_READ) == 0) fillHAElist_rec(key.get(), hive);
        }
    });
}

void dlg_hiddenAutostartEntries::fillHAElist_rec(HKEY hKey, const std::string& hive) {
    TrapErrors(kModule, "fillHAElist_rec", [&] {
        // A value that cannot be read is skipped.
        RegEnum::ForEachValue(hKey, true, [&](const RegEnum::Value& v) {
            const DWORD type = v.type;
            if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_BINARY && type != REG_DWORD &&
                type != REG_MULTI_SZ)
                return;  // no text form in the registry library (a QWORD among them)
            const std::string name(v.name);
            const std::string data = ValueText::Of(type, v.data);
            const std::string key = hive + name;
            if (colHAEs_.Exists(key)) return;
            auto entry = colHAEs_.Add(key, "");
            entry->vntHEKYTYPE = hive;
            entry->vntValueName = name;
            entry->vntValueData = data;
            auto row = lsvAE.ListItems.Add(0, key, name, "RegString", "RegString");
            row->SetSubItem(1, data);
        });
    });
}

colHAEs::Ptr dlg_hiddenAutostartEntries::SelectedEntry() {
    auto row = lsvAE.SelectedItem();
    return row ? colHAEs_.Find(row->Key()) : nullptr;
}

HKEY dlg_hiddenAutostartEntries::HiveOf(const clsHAE& entry) {
    return entry.vntHEKYTYPE == "HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

void dlg_hiddenAutostartEntries::MNU_Edit_Delete_Click() {
    TrapErrors(kModule, "MNU_Edit_Delete_Click", [&] {
        auto entry = SelectedEntry();
        if (!entry) return;
        if (ui::MsgBox("Really delete value ?", ui::vbYesNo | ui::vbCritical, ui::kEmptyCaption) == ui::vbNo) return;
        long rc;
        {
            RegKey key;
            rc = OpenKey(HiveOf(*entry), cstrRunKey, key.Receive(), 0);
            if (rc == 0) rc = DeleteValue(key.get(), entry->vntValueName, 0);
        }
        if (rc == 0) lsvAE.ListItems.Remove(entry->Key);
        else ui::MsgBox("Error deleting value !", ui::vbCritical);
    });
}

void dlg_hiddenAutostartEntries::MNU_Edit_Modify_Click() {
    TrapErrors(kModule, "MNU_Edit_Modify_Click", [&] {
        auto entry = SelectedEntry();
        if (!entry) return;
        // Only a value that one line of text stands for whole is written back from the box: a
        // multi-string or binary value, a string with text after a NUL or one longer than the
        // box offers for editing is refused before anything is asked, as the registry tabs
        // refuse them. The box offers the text as the registry holds it now.
        std::string current;
        if (ModifiableText(HiveOf(*entry), cstrRunKey, entry->vntValueName, current) != 0 ||
            current.size() > ui::kInputBoxLongest) {
            ui::MsgBox("Error modifying value !", ui::vbCritical);
            return;
        }
        std::string answer = ui::InputBox("Please enter new Value:", "Modify Value", current);
        if (answer.empty()) return;
        if (answer == "Default") answer.clear();
        if (answer == current) return;  // unchanged: nothing is written
        if (ModifyValue(HiveOf(*entry), cstrRunKey, entry->vntValueName, answer, 0) == 0) {
            if (auto row = lsvAE.ListItems.Find(entry->Key)) row->SetSubItem(1, answer);
            entry->vntValueData = answer;
        } else {
            ui::MsgBox("Error modifying value !", ui::vbCritical);
        }
    });
}

void dlg_hiddenAutostartEntries::MNU_Edit_Rename_Click() {
    TrapErrors(kModule, "MNU_Edit_Rename_Click", [&] {
        auto entry = SelectedEntry();
        if (!entry) return;
        std::string answer = ui::InputBox("Please enter new Value name:", "Rename Value", entry->vntValueName);
        if (answer.empty()) return;
        if (answer == "Default") answer.clear();
        if (RenameValue(HiveOf(*entry), cstrRunKey, entry->vntValueName, answer, 0) == 0) {
            if (auto row = lsvAE.ListItems.Find(entry->Key)) row->SetText(answer);
            entry->vntValueName = answer;
        } else {
            ui::MsgBox("Error renaming value !", ui::vbCritical);
        }
    });
}

void dlg_hiddenAutostartEntries::MNU_Edit_Regedit_Click() {
    TrapErrors(kModule, "MNU_Edit_Regedit_Click", [&] {
        auto entry = SelectedEntry();
        if (!entry) return;
        QV_Registry_Lib::OpenRegeditAt(entry->vntHEKYTYPE + "\\" + cstrRunKey);
    });
}
