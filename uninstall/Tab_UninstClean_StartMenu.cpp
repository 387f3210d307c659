#include <windows.h>

#include "uninstall/Tab_UninstClean.h"

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Strings_Lib.h"
#include "base/QV_VBExtensions.h"
#include "base/TextCase.h"
#include "platform/ShellLink.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace {
constexpr char kModule[] = "Tab_UninstClean";
}  // namespace

namespace Tab_UninstClean {
namespace {

using detail::Split;

// Shortcuts resolved since the last folder walk began; the 500th ends the walk.
long lngLinkCounter = 0;
constexpr long kLinkLimit = 500;
long lngWalks = 0;

bool EndsWithLnk(const std::string& name) {
    return name.size() >= 4 && TextCase::Lower(name.substr(name.size() - 4)) == ".lnk";
}

// Walks one folder and its sub-folders into `col`; the link limit ends this folder's walk.
void FillStartMenuTargetsCol_rec(std::string folder, colStartMenuTargets& col, QV_ShellLink::cShellLink& link,
                                 size_t baseLength, const bool& cancel) {
    TrapErrors(kModule, "FillStartMenuTargetsCol_rec", [&] {
        detail::PumpEvents();
        if (cancel) return;
        QV_APIFileAndDisk::StripTrailingBackslash(folder);
        lngLinkCounter = 0;
        FileLookup::ListFolder(folder, [&](const FileLookup::FolderEntry& found) {
            const std::string& name = found.name;
            if (name == "." || name == "..") return true;
            const std::string path = folder + "\\" + name;
            if (found.attributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A folder that is a link may lead back up the tree (or out of it): not entered.
                if (!(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    FillStartMenuTargetsCol_rec(path, col, link, baseLength, cancel);
                return true;
            }
            if (!EndsWithLnk(name)) return true;
            ++lngLinkCounter;
            detail::PumpEvents();
            if (lngLinkCounter >= kLinkLimit) return false;
            std::string target;
            long flag = 0;
            link.ResolveLink(path, target, flag);
            if (flag != -1 || target.empty() || col.Exists(path)) return true;
            auto rec = col.Add(path, "");
            rec->strFilePath = path;
            rec->strFilePathLow = path.size() > baseLength + 1 ? path.substr(baseLength + 1) : "";
            rec->strTargetFilePath = target;
            rec->strLinkName = name.substr(0, name.size() - 4);
            return true;
        });
    });
}

// The words of a text split at blanks, without empty and digits-only ones.
std::vector<std::string> ScoringWords(const std::string& text) {
    std::vector<std::string> words;
    for (auto& w : Split(text, " "))
        if (!w.empty() && !QV_VBExtensions::IsDigits(w)) words.push_back(std::move(w));
    return words;
}

// A path without its last four characters, backslashes as blanks, lower-cased, with a blank after.
std::string PathWords(const std::string& path) {
    std::string cut = path.substr(0, path.size() >= 4 ? path.size() - 4 : 0);
    return TextCase::Lower(QV_Strings_Lib::ReplaceAll(cut, "\\", " ") + " ");
}

bool EndsWithExe(const std::string& path) {
    return path.size() >= 3 ? TextCase::Lower(path.substr(path.size() - 3)) == "exe"
                            : TextCase::Lower(path) == "exe";
}

}  // namespace

long StartMenuWalks() {
    return lngWalks;
}

void FillStartMenuTargetsCol(colStartMenuTargets& col, const bool& cancel) {
    TrapErrors(kModule, "FillStartMenuTargetsCol", [&] {
        ++lngWalks;
        col.Clear();
        QV_ShellLink::cShellLink link;
        for (int csidl : {QV_APIFileAndDisk::CSIDL_COMMON_STARTMENU_, QV_APIFileAndDisk::CSIDL_STARTMENU_,
                          QV_APIFileAndDisk::CSIDL_DESKTOP_}) {
            std::string folder;
            if (!QV_APIFileAndDisk::GetSpecialFolder(nullptr, csidl, folder)) continue;
            QV_APIFileAndDisk::StripTrailingBackslash(folder);
            FillStartMenuTargetsCol_rec(folder, col, link, folder.size(), cancel);
        }
    });
}

std::string NormalizedAppName(const std::string& displayName) {
    std::string n = " " + TextCase::Lower(QV_Strings_Lib::ReplaceAll(displayName, "-", " ") + " ");
    for (const char* noise : {"uninstall", " microsoft ", " microsoft ", " windows ", " remove ", " help ", " beta ",
                              " for "})
        n = TextCase::Lower(QV_Strings_Lib::ReplaceAll(n, noise, " ") + " ");
    n.erase(n.find_last_not_of(' ') + 1);
    return n + " ";
}

namespace {

// The words of a shortcut: its path below the special folder and its target, each without the
// last four characters and split at backslashes, and its description and product name.
std::vector<std::string> ShortcutWords(const void* record) {
    const auto& target = *static_cast<const clsSartMenuTarget*>(record);
    const std::string& t = target.strTargetFilePath;
    return ScoringWords(PathWords(target.strFilePathLow) + (t.size() > 3 ? PathWords(t) : t) +
                        TextCase::Lower(target.FileDescription) + TextCase::Lower(target.FileProductName) + " ");
}

long Score(const std::vector<std::string>& nameWords, const clsSartMenuTarget& target) {
    long score = 0;
    for (const auto& v : detail::TargetWords(&target, ShortcutWords))
        for (const auto& w : nameWords)
            // Only a word that holds the name's word can contain it as a word.
            if (v.find(w) != std::string::npos && QV_VBExtensions::ContainsWord(v, w, false)) ++score;
    return score;
}

}  // namespace

long StartMenuTargetScore(const std::string& normalizedName, const clsSartMenuTarget& target) {
    return Score(ScoringWords(normalizedName), target);
}

// True when a shortcut may give the entry its main executable: a program that is neither an
// uninstaller (by the shortcut's name or its target) nor another listed product's file.
static bool MayPropose(const clsUS& entry, const clsSartMenuTarget& target) {
    if (TextCase::Lower(target.strLinkName).compare(0, 9, "uninstall") == 0) return false;
    // A shortcut to the manual, the help or a web page is no program of the entry's.
    if (!IsProgramFile(target.strTargetFilePath)) return false;
    if (IsUninstallerOf(entry, target.strTargetFilePath)) return false;
    return !detail::InOtherEntrysFolder(entry, target.strTargetFilePath);
}

void FilterStartMenuTargetsByAppName(clsUS& entry, const colStartMenuTargets& col, const bool& cancel) {
    TrapErrors(kModule, "FilterStartMenuTargetsByAppName", [&] {
        const std::string& raw = entry.strDisplayName;
        // The words every entry of the publisher shares tell nothing about which product it is.
        std::vector<std::string> nameWords;
        const auto& shared = detail::PublisherWords(entry);
        for (auto& w : ScoringWords(NormalizedAppName(raw)))
            if (!shared.count(w)) nameWords.push_back(std::move(w));
        const std::string ownFolder = detail::OwnFolderOf(entry);
        // A proposal the entry holds already (from the cache) counts only when it may stand.
        if (!entry.strDefaultExecutable.empty() &&
            (IsUninstallerOf(entry, entry.strDefaultExecutable) ||
             detail::InOtherEntrysFolder(entry, entry.strDefaultExecutable) ||
             !IsProgramFile(entry.strDefaultExecutable)))
            entry.strDefaultExecutable.clear();
        long best = 0;
        bool bestOwn = false;
        for (const auto& target : col) {
            detail::PumpEvents();
            if (cancel) {
                entry.blnDefaultExecutableVerified = false;
                entry.blnGenerallyVerified = false;
                entry.strAppPath.clear();
                entry.strDefaultExecutable.clear();
                return;
            }
            const bool direct = target->strLinkName == raw || target->strLinkName == entry.SubKeyName();
            if (!direct && nameWords.empty()) continue;
            const long score = direct ? 0 : Score(nameWords, *target);
            if (!direct && score == 0) continue;
            if (!MayPropose(entry, *target)) continue;
            // A program of the system's (the help viewer, Explorer) that a shortcut named like
            // the entry opens with a document is not the entry's program.
            if (!direct && detail::InWindowsFolder(target->strTargetFilePath)) continue;
            if (direct) {
                entry.strDefaultExecutable = target->strTargetFilePath;
                std::string folder = entry.strAppPath;
                if (QV_Strings_Lib::GetDirectory(target->strTargetFilePath, folder)) entry.strAppPath = folder;
                entry.blnDefaultExecutableVerified = true;
                return;
            }
            const bool own = detail::InFolder(target->strTargetFilePath, ownFolder);
            auto take = [&] {
                entry.strDefaultExecutable = target->strTargetFilePath;
                entry.blnDefaultExecutableVerified = false;
                best = score;
                bestOwn = own;
            };
            if (score > best) {
                take();
            } else if (score == best && own != bestOwn) {
                // A tie goes to the shortcut whose target lies in the entry's own folder.
                if (own) take();
            } else if (score == best || score == best - 1) {
                // Otherwise a target with an icon beats one without.
                if (!EndsWithExe(entry.strDefaultExecutable) && !detail::HasIcon(entry.strDefaultExecutable))
                    entry.strDefaultExecutable = target->strTargetFilePath;
                if (!detail::HasIcon(entry.strDefaultExecutable) && !entry.blnDefaultExecutableVerified) take();
            }
        }
    });
}

}  // namespace Tab_UninstClean
