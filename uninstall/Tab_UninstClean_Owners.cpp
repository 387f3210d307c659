// What keeps one entry from being given another product's files: the uninstallers, the folders
// that hold many applications, the folders the listed entries' own registry data name, and the
// name words a publisher's entries share.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_map>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/TextCase.h"
#include "uninstall/Tab_UninstClean.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace Tab_UninstClean {
namespace {

std::string StripBackslashes(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string Folded(const std::string& path) {
    return TextCase::Lower(StripBackslashes(path));
}

// The folders of the system that hold many applications, folded.
const std::set<std::string>& ApplicationsRoots() {
    static const std::set<std::string> roots = [] {
        std::set<std::string> r;
        auto add = [&r](const std::string& path) {
            if (!path.empty()) r.insert(Folded(path));
        };
        for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                          CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA, CSIDL_PROFILE,
                          CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY}) {
            std::string folder;
            if (QV_APIFileAndDisk::GetSpecialFolder(nullptr, csidl, folder)) add(folder);
        }
        // A 32-bit program on 64-bit Windows learns the 64-bit Program Files from the environment.
        for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
                                 "CommonProgramFiles(x86)", "CommonProgramW6432", "ProgramData", "ALLUSERSPROFILE",
                                 "SystemRoot", "windir", "USERPROFILE", "PUBLIC"}) {
            char value[MAX_PATH + 1] = {};
            const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
            if (n > 0 && n < sizeof value) add(value);
        }
        // The user's own folder of programs (a per-user Program Files) and the Windows
        // folder's stores of every installation's setup data, driver files and fonts.
        std::string local;
        if (QV_APIFileAndDisk::GetSpecialFolder(nullptr, CSIDL_LOCAL_APPDATA, local)) {
            local = StripBackslashes(local);
            add(local + "\\Programs");
            add(local + "\\Programs\\Common");
        }
        std::string windows;
        if (QV_APIFileAndDisk::GetSpecialFolder(nullptr, CSIDL_WINDOWS, windows)) {
            windows = StripBackslashes(windows);
            for (const char* store : {"\\Installer", "\\INF", "\\Fonts"}) add(windows + store);
        }
        // The folder of the users' profiles.
        std::string profile;
        if (QV_APIFileAndDisk::GetSpecialFolder(nullptr, CSIDL_PROFILE, profile)) {
            profile = StripBackslashes(profile);
            const size_t at = profile.rfind('\\');
            if (at != std::string::npos && at > 2) add(profile.substr(0, at));
        }
        return r;
    }();
    return roots;
}

// True when `path` is `folder` or lies below it (both folded).
bool WithinFolded(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    return path.size() == folder.size() || path[folder.size()] == '\\' || folder.back() == '\\';
}

const std::string& FoldedWindowsFolder() {
    static const std::string windows = Folded(detail::LowerSpecialFolder(CSIDL_WINDOWS));
    return windows;
}

// A folder that can be an application's own: not empty, no root of many applications, not in
// the Windows folder.
bool CanBeOwnFolder(const std::string& folder) {
    if (folder.size() < 4 || folder[1] != ':' || IsApplicationsRoot(folder)) return false;
    return !WithinFolded(Folded(folder), FoldedWindowsFolder());
}

// The folder part of a path ("" when it has none).
std::string FolderOf(const std::string& path) {
    const size_t at = path.rfind('\\');
    return at == std::string::npos ? "" : StripBackslashes(path.substr(0, at));
}

// The folders of the paths written in an uninstall command, in their order: each drive path up
// to a closing quote or the end, without its last part.
std::vector<std::string> CommandFolders(const std::string& command) {
    std::vector<std::string> folders;
    for (size_t at = command.find(":\\"); at != std::string::npos; at = command.find(":\\", at + 2)) {
        if (at == 0) continue;
        const size_t start = at - 1;
        size_t end = command.find('"', start);
        std::string path = command.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // An unquoted program with arguments: the path ends with its program's name.
        const std::string lower = TextCase::Lower(path);
        const size_t exe = lower.find(".exe ");
        if (exe != std::string::npos) path.resize(exe + 4);
        folders.push_back(FolderOf(path));
    }
    return folders;
}

// The words of a text: lower case, split at blanks and at the punctuation of company names.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : TextCase::Lower(text) + " ") {
        if (c == ' ' || c == '-' || c == ',' || c == '.' || c == '(' || c == ')' || c == '&') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

// The listed entries of the running scan.
struct Listed {
    // The entries' own folders (folded) and the collection keys of the entries naming each.
    std::unordered_map<std::string, std::set<std::string>> owners;
    // Every folder above a listed folder (folded) and the collection keys of the entries whose
    // folders lie below it.
    std::unordered_map<std::string, std::set<std::string>> above;
    // Per publisher (folded), in how many of its entries' distinct names each word occurs (two
    // copies of one product, such as a 64-bit and a 32-bit one, count once).
    std::unordered_map<std::string, std::unordered_map<std::string, int>> publishers;
    std::set<std::pair<std::string, std::string>> publisherNames;
    std::unordered_map<std::string, std::set<std::string>> sharedWords;  // by folded collection key
};
Listed* listed = nullptr;

}  // namespace

bool IsApplicationsRoot(const std::string& folder) {
    std::string f = StripBackslashes(folder);
    if (f.size() <= 3 && f.size() >= 2 && f[1] == ':') return true;  // a drive root
    if (f.empty()) return false;
    return ApplicationsRoots().count(TextCase::Lower(f)) != 0;
}

bool IsProgramFile(const std::string& path) {
    const std::string file = detail::IconFilePath(path);
    const size_t dot = file.find_last_of(".\\");
    if (dot == std::string::npos || file[dot] != '.') return false;
    const std::string extension = TextCase::Lower(file.substr(dot));
    return extension == ".exe" || extension == ".com" || extension == ".bat" || extension == ".cmd";
}

std::string CommandProgram(const std::string& command) {
    size_t start = command.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    if (command[start] == '"') {
        const size_t end = command.find('"', start + 1);
        return command.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    }
    const std::string lower = TextCase::Lower(command);
    const size_t exe = lower.find(".exe", start);
    if (exe != std::string::npos && (exe + 4 == lower.size() || lower[exe + 4] == ' '))
        return command.substr(start, exe + 4 - start);
    const size_t blank = command.find(' ', start);
    return command.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
}

bool CommandCanStart(const std::string& command) {
    using QV_APIFileAndDisk::kLongestPath;
    const size_t start = command.find_first_not_of(" \t");
    if (start == std::string::npos) return true;
    if (command[start] == '"') {
        const size_t end = command.find('"', start + 1);
        return (end == std::string::npos ? command.size() : end) - start - 1 <= kLongestPath;
    }
    if (command.size() - start <= kLongestPath) return true;
    // The parts the system tries, shortest first; as it does, a name without an extension is
    // also tried as a program (".exe"), and a name without a folder on the search path.
    for (size_t end = command.find_first_of(" \t", start);; end = command.find_first_of(" \t", end + 1)) {
        const std::string part = command.substr(start, (end == std::string::npos ? command.size() : end) - start);
        if (part.size() > kLongestPath) return false;
        const size_t dot = part.find_last_of(".\\");
        for (const std::string& name : {part, dot == std::string::npos || part[dot] != '.' ? part + ".exe" : part}) {
            std::string found;
            const bool folder = name.find_first_of("\\/:") != std::string::npos;
            if (folder ? FileLookup::ExistingFile(name, found)
                       : FileLookup::FindOnSearchPath(name, found, FileLookup::WindowsFolders::SystemAfterFirst))
                return true;
        }
        if (end == std::string::npos) return false;
    }
}

bool IsUninstallerOf(const clsUS& entry, const std::string& path) {
    const std::string file = detail::IconFilePath(path);
    const size_t slash = file.find_last_of("\\/");
    const std::string name = TextCase::Lower(slash == std::string::npos ? file : file.substr(slash + 1));
    if (name.empty()) return false;
    if (name.compare(0, 5, "unins") == 0) return true;
    const std::string program = CommandProgram(entry.strUninstallString);
    if (program.empty()) return false;
    if (program.find('\\') == std::string::npos) {
        // A program named without its folder (MsiExec.exe): the same file name.
        const std::string lowerProgram = TextCase::Lower(program);
        return name == lowerProgram || name == lowerProgram + ".exe";
    }
    return TextCase::Equal(StripBackslashes(program), StripBackslashes(file));
}

namespace detail {

std::string IconFilePath(const std::string& path) {
    std::string p = path;
    // ",index" after the file's name
    const size_t comma = p.rfind(',');
    if (comma != std::string::npos && p.find('\\', comma) == std::string::npos) {
        std::string index = p.substr(comma + 1);
        const size_t first = index.find_first_not_of(' ');
        index = first == std::string::npos ? "" : index.substr(first);
        if (!index.empty() && (index[0] == '-' || std::isdigit(static_cast<unsigned char>(index[0])))) p.resize(comma);
    }
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    return p;
}

bool InFolder(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    return WithinFolded(Folded(FolderOf(IconFilePath(path))), Folded(folder));
}

std::string OwnFolderOf(const clsUS& entry) {
    if (!entry.strInstallLocation_ReadFromRegistry.empty()) {
        std::string location = IconFilePath(entry.strInstallLocation_ReadFromRegistry);
        location = StripBackslashes(location);
        return CanBeOwnFolder(location) ? location : "";
    }
    for (const std::string& folder : CommandFolders(entry.strUninstallString))
        if (CanBeOwnFolder(folder)) return folder;
    if (!entry.strDisplayIcon.empty()) {
        const std::string folder = FolderOf(IconFilePath(entry.strDisplayIcon));
        if (CanBeOwnFolder(folder)) return folder;
    }
    return "";
}

ListedEntries::ListedEntries(const colUS& col, const std::vector<bool>& cached) {
    delete listed;
    listed = new Listed();
    long i = 0;
    for (const auto& entry : col) {
        const bool fromCache = static_cast<size_t>(i) < cached.size() && cached[static_cast<size_t>(i)];
        ++i;
        std::string folder = OwnFolderOf(*entry);
        // An entry whose data name no folder is known by the folder the cache holds for it.
        if (folder.empty() && fromCache && CanBeOwnFolder(entry->strAppPath)) folder = entry->strAppPath;
        if (!folder.empty()) {
            const std::string key = TextCase::Lower(entry->Key);
            std::string f = Folded(folder);
            listed->owners[f].insert(key);
            for (size_t at = f.rfind('\\'); at != std::string::npos && at >= 2; at = f.rfind('\\')) {
                f.resize(at);
                listed->above[f].insert(key);
            }
        }
        if (!entry->strPublisher.empty() &&
            listed->publisherNames.emplace(TextCase::Lower(entry->strPublisher), TextCase::Lower(entry->strDisplayName))
                .second) {
            auto& counts = listed->publishers[TextCase::Lower(entry->strPublisher)];
            const auto words = Words(entry->strDisplayName);
            for (const std::string& w : std::set<std::string>(words.begin(), words.end())) ++counts[w];
        }
    }
}

ListedEntries::~ListedEntries() {
    delete listed;
    listed = nullptr;
}

bool InOtherEntrysFolder(const clsUS& entry, const std::string& path) {
    if (!listed || listed->owners.empty()) return false;
    std::string folder = Folded(FolderOf(IconFilePath(path)));
    // The deepest listed folder holding the path decides whose file it is.
    while (folder.size() >= 3) {
        auto it = listed->owners.find(folder);
        if (it != listed->owners.end()) return it->second.count(TextCase::Lower(entry.Key)) == 0;
        const size_t at = folder.rfind('\\');
        if (at == std::string::npos || at < 2) break;
        folder.resize(at);
    }
    return false;
}

bool InWindowsFolder(const std::string& path) {
    return WithinFolded(Folded(FolderOf(IconFilePath(path))), FoldedWindowsFolder());
}

bool InInstallerStore(const std::string& path) {
    const std::string& windows = FoldedWindowsFolder();
    return !windows.empty() && InFolder(path, windows + "\\installer");
}

bool ShortenedOntoOthers(const clsUS& entry, const std::string& folder) {
    if (!listed || folder.empty()) return false;
    const std::string f = Folded(folder);
    auto it = listed->above.find(f);
    if (it == listed->above.end()) return false;
    const std::string own = TextCase::Lower(entry.Key);
    if (std::none_of(it->second.begin(), it->second.end(), [&](const std::string& k) { return k != own; })) return false;
    // A folder the entry's own data name is its own, whatever it holds.
    for (const std::string& named : CommandFolders(entry.strUninstallString))
        if (Folded(named) == f) return false;
    if (!entry.strInstallLocation_ReadFromRegistry.empty() &&
        Folded(IconFilePath(entry.strInstallLocation_ReadFromRegistry)) == f)
        return false;
    return entry.strDisplayIcon.empty() || Folded(FolderOf(IconFilePath(entry.strDisplayIcon))) != f;
}

const std::set<std::string>& PublisherWords(const clsUS& entry) {
    static const std::set<std::string> none;
    thread_local std::set<std::string> fresh;
    if (entry.strPublisher.empty()) return none;
    const std::string key = TextCase::Lower(entry.Key);
    if (listed) {
        auto known = listed->sharedWords.find(key);
        if (known != listed->sharedWords.end()) return known->second;
    }
    std::set<std::string> words;
    for (const std::string& w : Words(entry.strPublisher)) words.insert(w);
    if (listed) {
        auto it = listed->publishers.find(TextCase::Lower(entry.strPublisher));
        if (it != listed->publishers.end()) {
            // A word of the name that another of the publisher's names holds as well.
            for (const std::string& w : Words(entry.strDisplayName)) {
                auto count = it->second.find(w);
                if (count != it->second.end() && count->second >= 2) words.insert(w);
            }
        }
        return listed->sharedWords.emplace(key, std::move(words)).first->second;
    }
    return fresh = std::move(words);
}

}  // namespace detail
}  // namespace Tab_UninstClean
