// The dialog that lists the programs started from the Run keys of the current user and of the
// machine, and changes, renames or deletes such a value or opens Regedit at its key.
#pragma once
#include <windows.h>

#include <string>

#include "base/KeyedCollection.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"

// One value of a Run key.
struct clsHAE {
    std::string Key;           // hive name & value name; also the list row's key
    std::string vntValueData;  // the value's data as text
    std::string vntValueName;  // the value's name ("" = the unnamed value)
    std::string vntHEKYTYPE;   // "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"
};

class colHAEs : public KeyedCollection<clsHAE> {
public:
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        (void)sKey;
        auto rec = std::make_shared<clsHAE>();
        rec->Key = key;
        return KeyedCollection<clsHAE>::Add(rec, key);
    }
};

class dlg_hiddenAutostartEntries : public ui::Form {
public:
    dlg_hiddenAutostartEntries();

    static constexpr const char* cstrRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    ui::Frame Frame1;
    ui::Label Label1;
    ui::ListView lsvAE;
    ui::ImageList ImageList1;
    ui::CommandButton Cancel;  // "&OK"

    colHAEs& Entries() { return colHAEs_; }

    // Lists the Run values of HKEY_CURRENT_USER, then of HKEY_LOCAL_MACHINE (read access).
    void fillHAElist();
    // The commands on the selected row; each opens its key with write access and reports its
    // own failure.
    void MNU_Edit_Delete_Click();
    void MNU_Edit_Modify_Click();
    void MNU_Edit_Rename_Click();
    void MNU_Edit_Regedit_Click();

protected:
    void Form_Load() override;

private:
    void fillHAElist_rec(HKEY hKey, const std::string& hive);
    // The entry of the selected row, or null.
    colHAEs::Ptr SelectedEntry();
    static HKEY HiveOf(const clsHAE& entry);

    colHAEs colHAEs_;
};
