#include <windows.h>

#include "uninstall/Tab_UninstClean.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Err.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/QV_VBExtensions.h"
#include "base/TextCase.h"
#include "platform/InstallerData.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace {
constexpr char kModule[] = "Tab_UninstClean";
}  // namespace

namespace Tab_UninstClean {
namespace {

using detail::InStr;
using detail::Split;
using QV_APIFileAndDisk::StripTrailingBackslash;

// A candidate file, unless the list holds that path already (in any letter case): the same
// file offered twice (a display icon that is the proposed executable) counts once.
void AddCandidate(colMSInstallerComponent& list, const std::string& path) {
    if (list.Exists(path)) return;
    list.Add(path, "")->strClientPath = path;
}

// The text from the character before the first ":" of `text` to its end ("" when that
// character does not exist).
bool FromDriveOfFirstColon(const std::string& text, std::string& out) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    out = text.substr(colon - 1);
    return true;
}

// The second path of a command line: after the first ":" and the character following it, the
// rest from the character before the next ":".
bool SecondPath(const std::string& text, std::string& out) {
    size_t first = text.find(':');
    if (first == std::string::npos) return false;
    std::string rest = text.substr(std::min(text.size(), first + 2));
    return FromDriveOfFirstColon(rest, out);
}

// How many of the name's words a file name is made of when it is nothing but those words run
// together ("brindlestudio" of "brindle", "studio"), each at least three letters; 0 otherwise.
long JoinedWordCount(const std::string& base, const std::vector<std::string>& words) {
    std::string joined;
    for (char c : base)
        if (c != ' ' && c != '-' && c != '_' && c != '.') joined += c;
    if (joined.empty() || joined.size() > 64) return 0;
    // fewest[i]: the fewest words that make up the first i characters (-1: none do).
    std::vector<long> fewest(joined.size() + 1, -1);
    fewest[0] = 0;
    for (size_t i = 0; i < joined.size(); ++i) {
        if (fewest[i] < 0) continue;
        for (const auto& w : words) {
            if (w.size() < 3 || joined.compare(i, w.size(), w) != 0) continue;
            long& next = fewest[i + w.size()];
            if (next < 0 || fewest[i] + 1 < next) next = fewest[i] + 1;
        }
    }
    return fewest[joined.size()] >= 2 ? fewest[joined.size()] : 0;
}

// The program files that come with an application beside its main program.
bool IsHelperProgram(const std::string& base) {
    for (const char* helper : {"launcher", "update", "crash", "report", "helper", "setup", "elevate"})
        if (base.find(helper) != std::string::npos) return true;
    return false;
}
constexpr long kNotHelper = 1000;

// A folder's names as the system lists them: the scan's listing when a scan runs, else the
// first `limit` names listed now, kept in `own` (none when the folder cannot be listed).
const std::vector<detail::FolderEntry>& FolderNames(const std::string& folder, std::vector<detail::FolderEntry>& own,
                                                     size_t limit) {
    if (const std::vector<detail::FolderEntry>* names = detail::FolderEntries(folder)) return *names;
    FileLookup::ListFolder(folder, [&](const FileLookup::FolderEntry& e) {
        own.push_back({e.name, e.attributes});
        return own.size() < limit;
    });
    return own;
}

// True when the folder holds a program that is no uninstaller of the entry's.
bool HoldsOwnPrograms(const clsUS& entry, std::string folder) {
    StripTrailingBackslash(folder);
    std::vector<detail::FolderEntry> own;
    for (const auto& [name, attributes] : FolderNames(folder, own, SIZE_MAX)) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string path = folder + "\\" + name;
        if (IsProgramFile(path) && !IsUninstallerOf(entry, path)) return true;
    }
    return false;
}

}  // namespace

namespace detail {

long CommandFolder(std::string command, std::string& folder, bool& refusedRoot) {
    refusedRoot = false;
    long result = 1;
    bool ok = TrapErrors(kModule, "chk_appPath", [&] {
        for (char& c : command)
            if (c == '\'' || c == '+' || c == '`') c = ' ';

        // The drive colons: each count cuts the copy before the character preceding its last ":".
        long colons = 0;
        for (std::string copy = command; copy.find(':') != std::string::npos;) {
            ++colons;
            size_t last = copy.rfind(':');
            if (last == 0) throw RunTimeError(5, kModule, "Invalid procedure call or argument");
            copy.resize(last - 1);
        }
        long form = colons;
        for (size_t at = command.find(':'); at != std::string::npos; at = command.find(':', at + 1))
            if (at + 1 >= command.size() || command[at + 1] != '\\') form = 1;

        folder = command;
        std::string first;
        FromDriveOfFirstColon(command, first);
        switch (form) {
            case 1:
                folder = first;
                if (!detail::FindExistingPathPrefix(folder)) QV_Strings_Lib::GetDirectory(folder, folder);
                StripTrailingBackslash(folder);
                break;
            case 2:
            case 3: {
                std::string second;
                if (!SecondPath(command, second))
                    throw RunTimeError(5, kModule, "Invalid procedure call or argument");
                QV_Strings_Lib::TrimSpaces(second);
                StripTrailingBackslash(second);
                QV_Strings_Lib::TrimSpaces(second);
                if (form == 3) {
                    // The second of three paths ends eight characters before the third's drive colon.
                    long keep = static_cast<long>(second.rfind(':')) + 1 - 8;
                    if (second.find(':') == std::string::npos || keep < 0)
                        throw RunTimeError(5, kModule, "Invalid procedure call or argument");
                    second.resize(static_cast<size_t>(keep));
                    StripTrailingBackslash(second);
                }
                folder = second;
                if (!detail::FindExistingPathPrefix(folder)) {
                    QV_Strings_Lib::GetDirectory(first, folder);
                    StripTrailingBackslash(folder);
                }
                break;
            }
            default:
                break;
        }

        for (int step = 0; step < 100; ++step) {
            if (detail::PathExists(folder)) {
                result = 0;
                break;
            }
            QV_Strings_Lib::GetDirectory(folder, folder);
            StripTrailingBackslash(folder);
            QV_Strings_Lib::TrimSpaces(folder);
        }
        folder = detail::LongFileName(folder);
        // Shortening never ends at a folder that holds many applications: that is no folder found.
        if (result == 0 && IsApplicationsRoot(folder)) {
            folder.clear();
            result = 1;
            refusedRoot = true;
        }
    });
    return ok ? result : 1;
}

}  // namespace detail

long chk_appPath(std::string command, std::string& folder) {
    bool refusedRoot = false;
    return detail::CommandFolder(std::move(command), folder, refusedRoot);
}

long chk_Installer_AppPath(clsUS& entry, std::string& folder) {
    long result = 1;
    TrapErrors(kModule, "chk_Installer_AppPath", [&] {
        const std::string& modify = entry.strModifiyPath;
        size_t open = modify.find('{');
        if (open == std::string::npos || modify.size() <= 3 || modify.find('}') == std::string::npos) return;
        size_t close = modify.find('}', open);
        if (close == std::string::npos) return;
        const std::string product = modify.substr(open, close - open + 1);

        WindowsInstaller::Installer installer;
        if (installer.ProductInfo(product, "LocalPackage").empty()) return;

        // The product's components in the installer's order: at most 101 candidates, and a
        // component without a path ends the search.
        colMSInstallerComponent list;
        long count = 0;
        for (const auto& component : detail::InstallerComponentsOf(product)) {
            const std::string path = installer.ComponentPath(product, component);
            if (path.empty()) break;
            // Key paths that start with a digit are registry keys ("02:\SOFTWARE\...").
            if (!std::isdigit(static_cast<unsigned char>(path[0])) && path.size() > 3 && !list.Exists(component)) {
                list.Add(component, "")->strClientPath = path;
                if (++count > 100) break;
            }
        }
        chk_Installer_AppPath_Filtering(list, entry.strDisplayName);
        chk_Installer_AppPath_Selecting(entry, list, entry.strDisplayName, folder);
        entry.strAppPath = folder;
        result = 0;
    });
    return result;
}

void chk_Installer_AppPath_Filtering(colMSInstallerComponent& list, const std::string& displayName) {
    (void)displayName;
    TrapErrors(kModule, "chk_Installer_AppPath_Filtering", [&] {
        // The installer's component paths are the system's: a 32-bit program on 64-bit Windows
        // counts the system's own folders of programs (named by ProgramW6432 and
        // CommonProgramW6432) beside its own.
        auto folders = [](int csidl, const char* systemsVariable) {
            std::vector<std::string> f{detail::LowerSpecialFolderOf(csidl)};
            if (FileLookup::IsWow64()) {
                const std::string own = TextCase::Lower(QV_InfoLocal_Lib::GetEnvironmentValue(systemsVariable));
                if (!own.empty() && own != f.front()) f.push_back(own);
            }
            return f;
        };
        const std::vector<std::string> programFiles = folders(QV_APIFileAndDisk::CSIDL_PROGRAM_FILES_, "ProgramW6432");
        const std::vector<std::string> commonFiles =
            folders(QV_APIFileAndDisk::CSIDL_PROGRAM_FILES_COMMON_, "CommonProgramW6432");
        auto inAny = [](const std::string& p, const std::vector<std::string>& in) {
            return std::any_of(in.begin(), in.end(), [&](const std::string& f) { return InStr(p, f); });
        };
        const std::string windows = detail::LowerSpecialFolderOf(QV_APIFileAndDisk::CSIDL_WINDOWS_);
        bool underProgramFiles = false, outsideCommonFiles = false, outsideWindows = false;
        for (const auto& c : list) {
            const std::string p = TextCase::Lower(c->strClientPath);
            if (inAny(p, programFiles)) underProgramFiles = true;
            if (!inAny(p, commonFiles)) outsideCommonFiles = true;
            if (!InStr(p, windows)) outsideWindows = true;
        }
        auto removeWhere = [&list](auto drop) {
            for (long i = list.Count(); i >= 1; --i)
                if (drop(TextCase::Lower(list.Item(i)->strClientPath))) list.Remove(i);
        };
        if (underProgramFiles) removeWhere([&](const std::string& p) { return !inAny(p, programFiles); });
        if (outsideCommonFiles) removeWhere([&](const std::string& p) { return inAny(p, commonFiles); });
        if (outsideWindows) removeWhere([&](const std::string& p) { return InStr(p, windows); });
    });
}

void chk_Installer_AppPath_Selecting(const clsUS& entry, const colMSInstallerComponent& list,
                                     const std::string& displayName, std::string& selected) {
    (void)displayName;
    selected.clear();
    TrapErrors(kModule, "chk_Installer_AppPath_Selecting", [&] {
        bool matched = false;
        for (const auto& c : list) {
            std::string folder;
            QV_Strings_Lib::GetDirectory(c->strClientPath, folder);
            if (selected.empty()) selected = folder;
            if (!matched && folder.size() < selected.size()) selected = folder;
            if (entry.strDisplayName.empty()) continue;
            // The words of the name and the empty word after its last blank, which every
            // non-empty folder contains: so the shortest non-empty folder wins.
            for (const auto& word : Split(entry.strDisplayName + " ", " ")) {
                if (!InStr(folder, word)) continue;
                if (!matched) {
                    selected = folder;
                    matched = true;
                } else if (folder.size() < selected.size()) {
                    selected = folder;
                }
                break;
            }
        }
    });
}

void FindDefaultExecinSelAppPath(clsUS& entry, std::string folder) {
    TrapErrors(kModule, "FindDefaultExecinSelAppPath", [&] {
        if (!detail::PathExists(folder)) return;
        const std::string lowerFolder = TextCase::Lower(folder);
        if (InStr(lowerFolder, TextCase::Lower(QV_InfoLocal_Lib::GetEnvironmentValue("windir"))) ||
            InStr(lowerFolder, "\\windows") || InStr(lowerFolder, "\\winnt"))
            return;
        StripTrailingBackslash(folder);

        std::vector<std::string> words;
        for (const auto& w : Split(QV_Strings_Lib::ReplaceAll(TextCase::Lower(entry.strDisplayName), "-", " "), " "))
            if (!w.empty()) words.push_back(w);

        std::vector<detail::FolderEntry> own;
        long best = 0, examined = 0;
        for (const auto& [name, attributes] : FolderNames(folder, own, 128)) {
            if (name == ".") continue;  // the folder's own entry (a drive root has none)
            if (++examined >= 100) break;
            if (name == ".." || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            const std::string lower = TextCase::Lower(name);
            const std::string path = folder + "\\" + lower;
            // Only a program is a main executable: no library, picture or document.
            if (!IsProgramFile(path)) continue;
            const std::string base = lower.substr(0, lower.find('.'));
            long score = 0;
            for (const auto& w : words)
                if (base.find(w) != std::string::npos && QV_VBExtensions::ContainsWord(base, w, false)) ++score;
            // A name written as the name's words run together ("BrindleStudio" for "Brindle Studio").
            score = std::max(score, JoinedWordCount(base, words));
            if (score <= 0) continue;
            // Never an uninstaller, nor a file another listed product's folder holds.
            if (IsUninstallerOf(entry, path) || detail::InOtherEntrysFolder(entry, path)) continue;
            if (!detail::HasIcon(path)) continue;
            // A launcher, updater or crash reporter named like the product is the product's
            // helper: it ranks below every program the name matches that is none.
            const long rank = score + (IsHelperProgram(base) ? 0 : kNotHelper);
            if (rank > best) {
                entry.strDefaultExecutable = path;
                best = rank;
            }
        }
    });
}

namespace detail {

void CompleteExecutable(clsUS& entry) {
    std::string& exe = entry.strDefaultExecutable;
    if (!exe.empty() && (IsUninstallerOf(entry, exe) || InOtherEntrysFolder(entry, exe) || !IsProgramFile(exe))) {
        exe.clear();
        entry.blnDefaultExecutableVerified = false;
    }
    if (entry.strAppPath.empty()) return;
    // A name match outside the entry's folder is not better than the entry's own display icon.
    if (!exe.empty() && (entry.blnDefaultExecutableVerified || InFolder(exe, entry.strAppPath))) return;
    // The entry's own display icon, when it names an existing program in the entry's folder.
    const std::string icon = IconFilePath(entry.strDisplayIcon);
    if (icon.size() < 4 || TextCase::Lower(icon.substr(icon.size() - 4)) != ".exe") return;
    if (!InFolder(icon, entry.strAppPath) || IsUninstallerOf(entry, icon) || InOtherEntrysFolder(entry, icon)) return;
    if (!FileLookup::IsFile(icon)) return;
    exe = icon;
}

}  // namespace detail

void US_DetermineAppPath(clsUS& entry) {
    TrapErrors(kModule, "QuoteUninstallString", [&] {
        std::string start;
        bool refusedRoot = false;
        long found = entry.blnIsInstaller ? chk_Installer_AppPath(entry, start)
                                          : detail::CommandFolder(entry.strUninstallString, start, refusedRoot);
        // A command from which no existing folder could be taken offers none; nor does one that
        // led into another listed product's folder.
        if (found != 0) start.clear();
        if (!start.empty() && (IsApplicationsRoot(start) || detail::InOtherEntrysFolder(entry, start + "\\x"))) {
            refusedRoot = refusedRoot || IsApplicationsRoot(start);
            start.clear();
        }
        // An uninstaller kept in a sub-folder of its own ("uninst\\Uninstall.exe") shows the
        // folder above it.
        if (!start.empty()) {
            const size_t slash = start.rfind('\\');
            const std::string last = TextCase::Lower(slash == std::string::npos ? "" : start.substr(slash + 1));
            if (last.compare(0, 5, "unins") == 0 && slash > 2 && !IsApplicationsRoot(start.substr(0, slash)))
                start.resize(slash);
        }
        // Shortening a missing path up to a folder that holds other listed products' folders
        // (their publisher's) found none of this entry's own.
        if (!start.empty() && detail::ShortenedOntoOthers(entry, start)) {
            refusedRoot = true;
            start.clear();
        }

        colMSInstallerComponent list;
        // Candidates of another listed product never make this entry's folder.
        // Nor does the installer's store of product icons, nor a file whose folder is gone (the
        // display icon of a deleted application).
        auto offer = [&](const std::string& path) {
            if (detail::InOtherEntrysFolder(entry, path) || detail::InInstallerStore(path)) return;
            std::string folder;
            QV_Strings_Lib::GetDirectory(detail::IconFilePath(path), folder);
            StripTrailingBackslash(folder);
            if (!folder.empty() && !detail::PathExists(folder)) return;
            AddCandidate(list, path);
        };
        if (!entry.strDefaultExecutable.empty()) {
            const std::string lowerStart = TextCase::Lower(start);
            // The proposed program counts where the command names no path at all (MsiExec.exe
            // /I{...}): it is then the best hint of the entry's folder.
            const bool namesNoPath = start.empty() && entry.strUninstallString.find(":\\") == std::string::npos;
            if (entry.blnDefaultExecutableVerified || namesNoPath ||
                InStr(lowerStart, TextCase::Lower(QV_InfoLocal_Lib::GetEnvironmentValue("windir"))) ||
                InStr(lowerStart, TextCase::Lower(QV_InfoLocal_Lib::GetEnvironmentValue("commonprogramfiles"))))
                offer(entry.strDefaultExecutable);
        }
        if (!entry.strDisplayIcon.empty()) offer(entry.strDisplayIcon);
        if (!start.empty()) offer(start + "\\" + "DummyEXE.exe");

        chk_Installer_AppPath_Filtering(list, entry.strDisplayName);
        std::string selected;
        chk_Installer_AppPath_Selecting(entry, list, entry.strDisplayName, selected);
        if (IsApplicationsRoot(selected)) {
            selected.clear();
            refusedRoot = true;
        }
        if (!entry.blnDefaultExecutableVerified &&
            !InStr(TextCase::Lower(entry.strDefaultExecutable), TextCase::Lower(selected)))
            FindDefaultExecinSelAppPath(entry, selected);
        // A program found by name words alone outside a folder that holds programs of its own
        // (beside the uninstaller) is some other product's.
        if (!entry.blnDefaultExecutableVerified && !entry.strDefaultExecutable.empty() && !selected.empty() &&
            !detail::InFolder(entry.strDefaultExecutable, selected) && HoldsOwnPrograms(entry, selected))
            entry.strDefaultExecutable.clear();
        entry.strAppPath = selected;
        if (selected.empty() && refusedRoot) {
            // Only a folder of many applications was left: no folder found, to be looked at again.
            entry.strDefaultExecutable.clear();
            entry.blnDefaultExecutableVerified = false;
            entry.blnGenerallyVerified = false;
            return;
        }
        detail::CompleteExecutable(entry);
        entry.blnGenerallyVerified = true;
    });
}

}  // namespace Tab_UninstClean
