// Opening a document through the shell, and the housekeeping on the program's folder that
// the main window runs when it loads.
#pragma once
#include <string>

namespace SharedFunctions {

// Opens a file or web address with its default action in a normal window (through the
// shell-open seam); errors and the shell's answer are ignored.
void ShellOpen(const std::string& pathOrAddress);
// Deletes stray copies of msiexec.exe and rundll32.exe from the program's folder, unless
// that folder is the Windows or the system folder. Errors are ignored.
void DeleteStrayHelperCopies();
// Makes UNWISE.EXE and QVUNWISE.EXE in the program's folder equal: both become
// QVUNWISE.EXE when it exists, else UNWISE.EXE. Errors are ignored.
void SyncUninstallerCopies();

// The folder of the running program's file, never with a trailing backslash (a drive's root
// gives "C:"), so that callers append "\\" and a file name.
std::string AppPath();
// The two housekeeping steps on a given folder (the program's folder in the program).
void DeleteStrayHelperCopiesIn(const std::string& folder);
void SyncUninstallerCopiesIn(const std::string& folder);

}  // namespace SharedFunctions
