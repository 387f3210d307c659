// The offer of a newer version: both versions, what downloading means, and the download, which
// may start the program's own uninstaller and end the program.
#pragma once
#include "ui/ui.h"

class dlg_update_available : public ui::Form {
public:
    dlg_update_available();
    ui::Label Label1, Label2, Label3, LabelCurVersion, LabelAvVer, Label4;
    ui::Frame Frame1;
    ui::CommandButton Command14, Command1;

    // Shows the versions again (the load step).
    void Reload();
    // The command line of the own uninstaller from the "UninstallString" value: the program path
    // between its quotes, quoted, then " /uninst ". "" when the value holds no path.
    static std::string UninstallCommand(const std::string& uninstallString);

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void Download();
    void StartOwnUninstaller();
};
