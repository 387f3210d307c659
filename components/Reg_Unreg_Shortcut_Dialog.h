// The dialog that adds Explorer context-menu commands for .DLL and .OCX files, which start
// VelmRegSvr to register or unregister the clicked file.
#pragma once
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"

class Reg_Unreg_Shortcut_Dialog : public ui::Form {
public:
    Reg_Unreg_Shortcut_Dialog();

    ui::PictureBox Picture1;      // the illustration (426 x 172 pixels)
    ui::Label Label1;
    ui::CommandButton Command1;   // "&Cancel"
    ui::CommandButton Command14;  // "&Create entries"

    // The folder of VelmRegSvr.exe and of the script; the running program's folder unless set.
    std::string ProgramFolder;

    // Writes "ocxdllreg.reg" into the program folder, imports it with Regedit (waiting a
    // bounded time for it) and reports "Entries successfully created." only when the keys
    // the script writes exist, else "Error creating entries !". True on success.
    bool CreateEntries();

    // The script: for the file types of .dll and .ocx, the commands "<regsvr>" -R %1 and
    // "<regsvr>" -U %1 (the server's absolute path quoted, the clicked file unquoted: the
    // server takes the whole rest of its command line as the file).
    static std::string ScriptText(const std::string& regSvrPath);
    // The file type an extension (".dll") belongs to, and whether the script must register it.
    static std::string FileTypeOf(const std::string& extension, bool& missing);

protected:
    void Form_Load() override;
};
