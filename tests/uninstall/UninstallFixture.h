// Fixtures of the uninstall tests: application folders under C:\Program Files with copies of
// real programs, shortcuts made through the shell-link layer, and the special folders (Start
// menus, desktop) pointed at fixture folders through "User Shell Folders" values of the
// overridden hives.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ShellLink.h"
#include "tests/support/RegFixture.h"

namespace fx {

// The Windows form of the host folder the ctest set-up prepared (link loop, linked desktop,
// drive U: root).
std::string HostDir();
// Makes sure drive U: (the bare folder root the set-up linked) is a drive of the running
// Wine server: a server started before the link was made does not know it until told.
// True when U: is a drive.
bool MapDriveRoot();

// Creates every folder of the path.
void MakeFolders(const std::string& path);
// Deletes a folder with everything in it (links to folders are removed, never followed).
void RemoveTree(const std::string& path);
// Copies a file; the folders of the target are created.
void Copy(const std::string& from, const std::string& to);
// Writes a small text file.
void WriteText(const std::string& path, const std::string& text = "x");
// Writes a shortcut `link` to `target` through the shell-link layer.
void MakeLink(const std::string& link, const std::string& target);

// A real program with an icon, and one without any (both from the prefix's Windows folder).
std::string IconExe();
std::string IconlessPe();

// The .reg text that points the Start menus and the desktop of the overridden HKCU and HKLM at
// the given folders.
std::string ShellFoldersHkcu(const std::string& startMenu, const std::string& desktop);
std::string ShellFoldersHklm(const std::string& commonStartMenu);


// A folder tree under C:\Program Files removed again when the object ends.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& name);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& child) const { return path_ + "\\" + child; }

private:
    std::string path_;
};

}  // namespace fx
