// The uninstall tab: every uninstall entry of the machine with the folder its application lives
// in and its main executable, found from the Start-menu and desktop shortcuts, the uninstall
// command or the installer's components, and the display icon; the findings are compared with
// the uninstall cache, so that only entries the cache does not confirm are analysed again.
//
// The main window calls these routines with its controls and collections as arguments; they
// report only through the status bar they are given and the cancel flag they poll.
#pragma once
#include <windows.h>

#include <string>

#include "uninstall/clsMSInstallerComponent.h"
#include "uninstall/clsSartMenuTarget.h"
#include "uninstall/clsUS.h"

namespace ui {
class ListView;
class ImageList;
class PictureBox;
class StatusBar;
class TextBox;
}  // namespace ui

namespace Tab_UninstClean {

// The uninstall entries (HKEY_LOCAL_MACHINE's two views and HKEY_CURRENT_USER), and the cache of
// what was found for them (HKEY_LOCAL_MACHINE).
inline constexpr const char* cstrUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* cstrCacheKey = "Software\\Quorvath\\Velmora\\Settings\\UninstClean\\USCache";
// The fourth field of a cache value that remembers an analysis which found no folder, before
// what it looked at (clsUS::strNothingFound).
inline constexpr const char* kNothingFound = "none:";

// ---- Registry views ----

// Opens the Uninstall key of a view with `access` (KEY_READ_ONLY when 0); the Win32 result.
long OpenUninstallKey(UninstallView view, HKEY& key, DWORD access = 0);
// Opens an entry's own key in the view it came from; the Win32 result (2 when it is gone).
long OpenEntryKey(const clsUS& entry, HKEY& key, DWORD access = 0);
// Deletes an entry's key with all its sub-keys in the view it came from; the Win32 result.
long DeleteEntryKey(const clsUS& entry);
// The path the registry editor shows for an entry's key ("HKEY_LOCAL_MACHINE\Software\WOW6432Node\..."
// for the 32-bit view).
std::string RegeditPathOf(const clsUS& entry);
// The collection (and row) key of an entry of `view` whose sub-key is `name`.
std::string CollectionKeyOf(UninstallView view, const std::string& name);
// The name of an entry's value in the uninstall cache: its display name for the machine's 64-bit
// view, followed by " [WOW6432Node]" for the 32-bit view and by " [HKCU]" for the current user's.
inline std::string CacheValueName(const clsUS& entry) {
    switch (entry.lngView) {
        case UninstallView::Machine32: return entry.strDisplayName + " [WOW6432Node]";
        case UninstallView::User: return entry.strDisplayName + " [HKCU]";
        default: return entry.strDisplayName;
    }
}

// ---- Scan, list and cache comparison ----

// Empties the list and both collections, reads the entries into `col` and lists them (icon
// "Computer" when the image list holds it), then, entry by entry, takes the cached findings or
// analyses the entry (once `cancel` is set, only the cache is consulted), and gives each entry
// whose main executable yields an icon that icon (image key "Key_" & its running number).
// The Start menus are walked at most once per scan, and only when an entry needs analysis.
void US_Refresh(ui::ListView& lsvUS, colUS& col, colStartMenuTargets& targets, ui::ImageList& imlUS,
                ui::PictureBox& pixSmall, ui::PictureBox& pixDummy, ui::StatusBar& stb1, const bool& cancel);
// Reads every uninstall sub-key that has an uninstall command (value "UninstallString" in any
// letter case) into `col`, with its display name, icon, modify command and install location.
void US_FillListFromRegisty(colUS& col);
// Takes the entry's cached folder, executable and verified flag (when the cache holds a value
// named by its display name); true when the cache confirms the entry.
bool checkAppAgainstCache(clsUS& entry);
// Shows every value of the entry's uninstall key in the text box, one "name: data" line each.
void US_RefreshListbox(ui::TextBox& lsvUSInfo, const clsUS& entry);

// ---- Application folder and main executable ----

// Determines the entry's application folder (strAppPath, then verified) and, unless a shortcut
// named like the entry decided it, looks for its main executable in that folder.
void US_DetermineAppPath(clsUS& entry);
// Turns an uninstall command line into an existing folder: 0 with the folder in `folder`, or 1
// when no existing folder could be taken from it.
long chk_appPath(std::string commandLine, std::string& folder);
// The folder of an installer product's components (product code taken from strModifiyPath):
// 0 with the folder in `folder` (also stored in strAppPath), 1 when the installer knows nothing.
long chk_Installer_AppPath(clsUS& entry, std::string& folder);
// Removes candidates outside Program Files, inside the common files and inside the Windows
// folder, each step only when some candidate lies on the other side.
void chk_Installer_AppPath_Filtering(colMSInstallerComponent& list, const std::string& displayName);
// The folder of the candidates that the selection rules pick: the shortest non-empty folder,
// the earlier one on equal length.
void chk_Installer_AppPath_Selecting(const clsUS& entry, const colMSInstallerComponent& list,
                                     const std::string& displayName, std::string& selected);
// Looks in the folder (not in the Windows folder) for the file with an icon whose name best
// carries the words of the display name; sets strDefaultExecutable when one scores.
void FindDefaultExecinSelAppPath(clsUS& entry, std::string folder);

// ---- Start-menu shortcut targets and name matching ----

// Empties `col` and fills it with every resolvable shortcut of the common Start menu, the
// user's Start menu and the desktop (sub-folders that are links are not entered; at most 499
// shortcuts since a folder's walk began).
void FillStartMenuTargetsCol(colStartMenuTargets& col, const bool& cancel);
// Proposes the entry's main executable from the shortcuts: a shortcut named exactly like the
// entry decides it (and the folder); otherwise the best-scoring shortcut's target.
void FilterStartMenuTargetsByAppName(clsUS& entry, const colStartMenuTargets& col, const bool& cancel);
// The display name lower-cased, "-" as blanks, without the noise words, in blanks: " tool ".
std::string NormalizedAppName(const std::string& displayName);
// How many (name word, shortcut word) pairs match for a normalized name.
long StartMenuTargetScore(const std::string& normalizedName, const clsSartMenuTarget& target);

// ---- What no entry may be given ----

// An uninstaller: the file the entry's uninstall command runs, or a file whose name begins with
// "unins" (unins000.exe, uninst.exe, "Uninstall Tool.exe"), in any letter case.
bool IsUninstallerOf(const clsUS& entry, const std::string& path);
// A folder that holds many applications (a drive root, the Windows and system folders, Program
// Files and their common files, the user's folder of programs, ProgramData, the users' and the
// user's profile folders, the application data folders and the Windows folder's stores of setup
// data, driver files and fonts): never an application's own folder.
bool IsApplicationsRoot(const std::string& folder);
// A program a user starts (.exe, .com, .bat, .cmd), not a document, library or picture.
bool IsProgramFile(const std::string& path);
// The program the uninstall command runs, as written (without quotes and arguments).
std::string CommandProgram(const std::string& command);
// False when the system cannot start the command because no file can be its program: a quoted
// program longer than any path, or an unquoted command longer than a path none of whose
// leading parts up to a blank (of at most a path's length) names a program. The system tries
// every such part of the whole text, each a file search, before it gives up: a while that
// grows with the square of the text's length. Other commands are left to the system.
bool CommandCanStart(const std::string& command);

// How many Start-menu walks have run since the program started (tests and benchmarks read it).
long StartMenuWalks();

}  // namespace Tab_UninstClean
