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

// HKEY_LOCAL_MACHINE: the uninstall entries, and the cache of what was found for them.
inline constexpr const char* cstrUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* cstrCacheKey = "Software\\Quorvath\\Velmora\\Settings\\UninstClean\\USCache";

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

// How many Start-menu walks have run since the program started (tests and benchmarks read it).
long StartMenuWalks();

}  // namespace Tab_UninstClean
