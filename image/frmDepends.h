// frmDepends: the dependency viewer window. For one PE file it shows the tree of the modules it
// imports (each module expanded once, a repeat is a leaf, so cycles end), the flat list of the
// modules found, and the facts of the file of a module the user clicks.
//
// The main program keeps one instance and calls LoadTree(path) with no parent node; the
// stand-alone viewer shows it as its only window with the File menu (Open, Exit).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"
#include "ui/Controls.h"

class frmDepends : public ui::Form {
public:
    // standAlone: the window of the stand-alone viewer (File menu shown, Exit ends the program,
    // the command line is opened at creation); else the main program's window, placed at the
    // bottom-right corner of the main window.
    explicit frmDepends(bool standAlone = false);
    ~frmDepends() override;

    // Builds the dependency tree of FileName (a path, or a module name below ParentNode).
    // Without a parent node the window is cleared and captioned first. False when the file's
    // image could not be opened (the node is then marked "STRIKE").
    bool LoadTree(const std::string& FileName, const ui::NodePtr& ParentNode = nullptr);
    // Fills the facts list for one module: of the file the tree read for it when it read one.
    void lstFileVerShow(const std::string& FileName, const std::string& FilePath);
    // Looks FileName up along PATH: PATH's first folder, then the system32 and then the system
    // folder of Windows, then PATH's other folders in order (so a system DLL is found before the
    // later entries are tried). Empty entries are passed over; with an empty PATH the two system
    // folders are still searched. The system folder is the one of the root file's machine
    // (FileLookup::PathForMachine). True and FilePath set at the first file that exists;
    // FilePath is left alone otherwise.
    bool FindSystemFile(const std::string& FileName, std::string& FilePath);

    // The stand-alone viewer's command line (the whole text after the program name), opened
    // when the window is created; one enclosing pair of double quotes is taken off.
    std::string CommandLine;

    // Opens a dropped file when it is an existing DLL, EXE, OCX or SYS file; true when opened.
    bool DropFiles(const std::vector<std::string>& files);
    // The tree's drop target while the window is loaded (null when OLE is not initialised in
    // this thread: dropped files then arrive as WM_DROPFILES and a drag shows no refusal).
    IDropTarget* TreeDropTarget() const;
    // Takes the text of the selected node or row of one of the three controls as the text
    // to copy; false (and the earlier copy text kept) when nothing is selected.
    bool TakeCopyText(ui::Control& control);

    ui::TreeView tvwModules;
    ui::ListView lstDep;
    ui::ListView lstFileVer;
    ui::ImageList imlDepends{16, 16};
    ui::StatusBar stb1;

    std::string strRootFolder;
    std::string strCopyText;
    std::string strParentPath;

protected:
    void Form_Load() override;
    void Form_Resize() override;

private:
    void BuildMenus();
    void BuildImages();
    void OpenCommandLine();
    void ControlMouseUp(ui::Control& control, int button);
    void ControlKeyDown(int keyCode, int shift);
    void FileOpen();
    void Form_Unload(int& cancel) override;
    class DropTarget;
    DropTarget* dropTarget_ = nullptr;
    // The file read for each module of the tree, by node key (the root's path, a module's name
    // in upper case), named where it lies (FileLookup::ReadPath); and the root file's machine.
    std::unordered_map<std::string, std::string> filesRead_;
    uint16_t rootMachine_ = 0;
    bool standAlone_;
};

// True when the name ends in DLL, EXE, OCX or SYS (its last three characters, any case).
bool IsImageFileName(const std::string& name);
