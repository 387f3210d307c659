// The autostart shortcut: "Velmora.lnk" to the program in the common Startup folder or in a
// folder the user picks, with a notice and Remove when one is already there. Whether the
// shortcut exists is read from the disk each time.
#pragma once
#include <string>

#include "ui/ui.h"

class dlg_createShortCut : public ui::Form {
public:
    dlg_createShortCut();

    ui::Label Label1, Label2, Label_Preex, Label3;
    ui::Frame Frame1;
    ui::CommandButton Command2, Command3, Command14, Command1;

    // The folder of Velmora.exe and of the installer's log; the running program's unless set.
    std::string ProgramFolder;

    // The folder the shortcut goes to (no trailing backslash), and the shortcut's path.
    const std::string& Folder() const { return folder_; }
    std::string ShortcutPath() const { return folder_ + "\\" + "Velmora.lnk"; }

    // A folder the user chose with Browse ("" when cancelled: nothing changes).
    void FolderChosen(std::string folder);
    // Creates the shortcut, records it in the installer's log, tells the user and unloads.
    void CreateShortcut();
    // Deletes the shortcut; the dialog stays open.
    void RemoveShortcut();

protected:
    void Form_Load() override;

private:
    void ShowNotice();
    std::string folder_;
};
