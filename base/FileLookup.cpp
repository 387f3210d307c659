#include "base/FileLookup.h"

#include <windows.h>

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/Handle.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"

namespace FileLookup {

namespace {

// How many NativeSystemFolder scopes are open on this thread.
thread_local int t_nativeScopes = 0;

// The system folder ("C:\Windows\system32") and its alias for the system's own files
// ("C:\Windows\Sysnative"), read once; both "" where there is no redirection to go around.
struct SystemFolders {
    std::string system, native;
};
const SystemFolders& Folders() {
    static const SystemFolders folders = [] {
        SystemFolders f;
        if (!IsWow64()) return f;
        char buf[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryA(buf, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return f;
        std::string system(buf, n);
        while (!system.empty() && system.back() == '\\') system.pop_back();
        const size_t slash = system.rfind('\\');
        if (slash == std::string::npos || slash < 2) return f;
        f.system = system;
        f.native = system.substr(0, slash) + "\\Sysnative";
        return f;
    }();
    return folders;
}

// Whether the file functions are to see the system folder through its native alias now: only
// inside a NativeSystemFolder scope of a 32-bit program on 64-bit Windows. Elsewhere the scope
// count is never read: a scan asks this for every path it tests, and a thread-local read costs
// calls into the system in these programs.
bool SeesNative() { return IsWow64() && t_nativeScopes > 0; }

// The path as the file functions see it now (PathToOpen).
std::string Seen(const std::string& path) { return SeesNative() ? NativePath(path) : path; }
// The same without a copy where nothing is redirected: `path` itself, else its native form kept
// in `room`.
const std::string& Seen(const std::string& path, std::string& room) {
    if (!SeesNative()) return path;
    room = NativePath(path);
    return room;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The text of `path` after `folder` (and its separator) when the path lies in that folder or is
// it; false for any other path.
bool InFolder(const std::string& path, const std::string& folder, std::string& rest) {
    if (folder.empty() || path.size() < folder.size() || !TextCase::Equal(path.substr(0, folder.size()), folder))
        return false;
    if (path.size() > folder.size() && !IsSeparator(path[folder.size()])) return false;
    rest = path.substr(folder.size());
    return true;
}

// The folders of the system folder that the redirection of 32-bit programs leaves in place: the
// same files in both views.
bool LeftInPlace(const std::string& rest) {
    static const char* const kInPlace[] = {"catroot", "catroot2", "driverstore", "drivers\\etc", "logfiles", "spool"};
    std::string ignored;
    for (const char* folder : kInPlace)
        if (InFolder(rest.empty() ? rest : rest.substr(1), folder, ignored)) return true;
    return false;
}

// The system folder by the name the system gives it ("C:\Windows\system32"), the folder where
// modules of the other bitness find their system libraries as this program reaches it (SysWOW64
// from a 64-bit program, the "Sysnative" alias from a 32-bit one on 64-bit Windows; "" where
// there is none), the folder of the 32-bit system files by its own name ("" outside 64-bit
// Windows), and the Windows folder; read once.
struct MachineFolders {
    std::string system, otherBitness, wow64, windows;
};
std::string SystemText(UINT (WINAPI* read)(LPSTR, UINT)) {
    char buf[MAX_PATH] = {};
    const UINT n = read(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string folder(buf, n);
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}
const MachineFolders& ForMachines() {
    static const MachineFolders folders = [] {
        MachineFolders f;
        f.system = SystemText(GetSystemDirectoryA);
        f.windows = SystemText(GetWindowsDirectoryA);
        // Asked by name: the function is missing on systems that never had a 32-bit subsystem.
        using Read = UINT(WINAPI*)(LPSTR, UINT);
        const auto wow64Folder = reinterpret_cast<Read>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA")));
        if (sizeof(void*) == 8 || IsWow64()) {
            if (wow64Folder) f.wow64 = SystemText(wow64Folder);
        }
        if (sizeof(void*) == 8) f.otherBitness = f.wow64;
        else if (IsWow64()) f.otherBitness = Folders().native;
        return f;
    }();
    return folders;
}

bool Is64BitMachine(WORD machine) {
    return machine == IMAGE_FILE_MACHINE_AMD64 || machine == IMAGE_FILE_MACHINE_ARM64 || machine == IMAGE_FILE_MACHINE_IA64;
}
bool Is32BitMachine(WORD machine) {
    return machine == IMAGE_FILE_MACHINE_I386 || machine == IMAGE_FILE_MACHINE_ARM || machine == IMAGE_FILE_MACHINE_ARMNT;
}

// Answers to file tests from folder listings, for one scan.
//
// Under Wine a test of a name that a folder lacks reads the whole folder (the names are compared
// without regard to case), and so does a test of any path that runs through a missing name; a
// test of a name that is there costs next to nothing. The path resolvers test many candidates in
// a few folders, and most of them are not there: the shortening walk tries "svchost.exe -k
// netsvc", "svchost.exe -k netsv", ... each with several extensions. So once three names of one
// initial letter were missing from a folder, the folder's names of that letter are listed (one
// search with a pattern, about the cost of two single tests) and answer every later candidate of
// that letter; once eight names of any letter were missing, the whole folder is listed. A folder
// that turns out not to exist answers "nothing there" for every name in it.
//
// A listing maps each lower-case name (long and short) to whether it is a folder. A path is
// asked of the file system once: the answer is kept by the path's exact text for the scan.
using Entries = std::unordered_map<std::string, bool>;
struct Listings {
    std::unordered_map<std::string, Entries> folders;   // whole folders
    std::unordered_map<std::string, Entries> initials;  // folder & "\" & initial letter
    std::unordered_map<std::string, int> misses, initialMisses;
    std::unordered_set<std::string> refused;  // folders the system would not list
    std::unordered_map<std::string, bool> fileAnswers, folderAnswers;
};
constexpr int kListAfterMisses = 8;
constexpr int kListInitialAfterMisses = 3;
Listings* g_listings = nullptr;

// Where a listing would answer for a path: the lower-case folder (as given), the name to look
// up in it, and the key of its initial's listing ("" when a listing of one initial cannot answer
// for it: the letter is no plain ASCII letter or digit, which a pattern would match as the
// system does, or the name may be a short alias, with its "~"). `usable` is false when no
// listing can answer as the file system would (not a drive path, wildcards, a doubled separator,
// a name the system alters in a way the listing cannot follow). With `fileName` the last name is
// looked up as a file's: the system drops its trailing dots and blanks, and a path ending in a
// separator names no file (`none`). Otherwise it is looked up as a folder's, and a name ending
// in a dot or blank is left to the file system.
struct ListingQuery {
    bool usable = false, none = false;
    std::string folderText, folder, name, initial;
};
ListingQuery QueryFor(const std::string& path, bool fileName) {
    ListingQuery q;
    const bool drive = path.size() > 3 && path[1] == ':' && path[2] == '\\';
    if (!drive || path.find_first_of("*?<>\"") != std::string::npos) return q;
    for (size_t i = 3; i < path.size(); ++i)
        if (IsSeparator(path[i]) && IsSeparator(path[i - 1])) return q;
    size_t slash = path.size() - 1;
    while (!IsSeparator(path[slash])) --slash;
    q.name = TextCase::Lower(path.substr(slash + 1));
    if (fileName) {
        if (q.name.empty()) {
            q.usable = q.none = true;
            return q;
        }
        const size_t keep = q.name.find_last_not_of(". ");
        q.name.erase(keep == std::string::npos ? 0 : keep + 1);
        if (q.name.empty()) return q;
    } else if (q.name.empty() || q.name.back() == '.' || q.name.back() == ' ') {
        return q;
    }
    q.folderText = path.substr(0, slash);
    q.folder = TextCase::Lower(q.folderText);
    const char first = q.name[0];
    if (((first >= 'a' && first <= 'z') || (first >= '0' && first <= '9')) && q.name.find('~') == std::string::npos)
        q.initial = q.folder + "\\" + first;
    q.usable = true;
    return q;
}

// Lists the entries of `folderText` that match `pattern` ("*", or one letter and "*").
Listed List(const std::string& folderText, const std::string& pattern, Entries& entries) {
    return ListFolder(folderText, [&](const FolderEntry& e) {
        const bool dir = (e.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries[TextCase::Lower(e.name)] = dir;
        if (!e.shortName.empty()) entries[TextCase::Lower(e.shortName)] = dir;
        return true;
    }, pattern);
}

int Look(const Entries& entries, const std::string& name) {
    auto entry = entries.find(name);
    if (entry == entries.end()) return 0;
    return entry->second ? 2 : 1;
}

int Count(const std::unordered_map<std::string, int>& counts, const std::string& key) {
    auto at = counts.find(key);
    return at == counts.end() ? 0 : at->second;
}

// Answers from the listings of the path's folder: 1 a file, 2 a folder, 0 nothing; -1 when the
// caller must ask the file system (no listing can answer, or none has been made yet). The folder
// is listed by its text as given, so the system reads it exactly as it reads the folder part of
// the whole path ("/" as a separator, ".." components and the like).
int FromListing(const ListingQuery& q) {
    if (!g_listings || !q.usable) return -1;
    if (q.none) return 0;
    Listings& l = *g_listings;
    if (l.refused.count(q.folder)) return -1;
    if (auto whole = l.folders.find(q.folder); whole != l.folders.end()) return Look(whole->second, q.name);
    const bool wholeDue = Count(l.misses, q.folder) >= kListAfterMisses;
    if (!wholeDue) {
        if (q.initial.empty()) return -1;
        if (auto part = l.initials.find(q.initial); part != l.initials.end()) return Look(part->second, q.name);
        if (Count(l.initialMisses, q.initial) < kListInitialAfterMisses) return -1;
    }
    Entries entries;
    switch (List(q.folderText, wholeDue ? "*" : std::string(1, q.name[0]) + "*", entries)) {
        case Listed::Refused:
            l.refused.insert(q.folder);
            return -1;
        case Listed::NoFolder:
            l.folders.emplace(q.folder, Entries{});
            return 0;
        case Listed::Yes:
            break;
    }
    auto& listed = wholeDue ? l.folders[q.folder] : l.initials[q.initial];
    listed = std::move(entries);
    return Look(listed, q.name);
}

// Asks the file system through `answers` (one question per exact path text in a scan), and
// counts a "no" against the folder a listing would answer from.
template <class Ask>
bool AskOnce(std::unordered_map<std::string, bool>& answers, const std::string& path, const ListingQuery& q, Ask ask) {
    auto [at, fresh] = answers.try_emplace(path, false);
    if (fresh) {
        at->second = ask(path);
        if (!at->second && q.usable && !q.folder.empty()) {
            ++g_listings->misses[q.folder];
            if (!q.initial.empty()) ++g_listings->initialMisses[q.initial];
        }
    }
    return at->second;
}

// The file system's answer to QV_APIFileAndDisk::FileExists, asked by the file's attributes,
// which the system answers without reading the folder when the file is there. Paths the two
// could read differently (the wildcards < > " that only a folder search knows, errors other
// than a missing file or folder) are asked as FileExists asks. `noFolder` is set when the
// system found no folder for the path's folder part: nothing can be in it.
bool FileExistsNow(const std::string& path, bool* noFolder = nullptr) {
    const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
    if (!absolute || path.find_first_of("*?<>\"") != std::string::npos) return QV_APIFileAndDisk::FileExists(path);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const DWORD error = GetLastError();
    if (noFolder) *noFolder = error == ERROR_PATH_NOT_FOUND;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
    return QV_APIFileAndDisk::FileExists(path);
}

// The file system's answer to QV_APIFileAndDisk::PathExists, asked by the folder's
// attributes: PathExists lists the folder (under Wine that reads all of it, system32 in about
// a millisecond and a half), its attributes the system answers at once. Paths the two could
// read differently (a drive root, wildcards, a last name ending in a dot or blank, a doubled
// separator, errors other than a missing file or folder) are asked as PathExists asks. A folder
// the system has but would not list counts as there. `noFolder` as for FileExistsNow.
bool FolderExistsNow(const std::string& path, bool* noFolder = nullptr) {
    // As PathExists reads it: a drive path, without its trailing blanks and one trailing backslash.
    const bool drive = path.size() > 3 && path[1] == ':' && path[2] == '\\';
    std::string p = path.substr(0, path.find_last_not_of(' ') + 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    bool plain = drive && p.size() > 3 && p.find_first_of("*?<>\"") == std::string::npos && !IsSeparator(p.back()) &&
                 p.back() != '.' && p.back() != ' ';
    for (size_t i = 3; plain && i < p.size(); ++i)
        if (IsSeparator(p[i]) && IsSeparator(p[i - 1])) plain = false;
    if (!plain) return QV_APIFileAndDisk::PathExists(path);
    const DWORD attributes = GetFileAttributesA(p.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const DWORD error = GetLastError();
    if (noFolder) *noFolder = error == ERROR_PATH_NOT_FOUND;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
    return QV_APIFileAndDisk::PathExists(path);
}

// The system found no folder for the folder part of a path the query stands for: every later
// name in that folder is answered without asking.
void NoteMissingFolder(const ListingQuery& q) {
    if (q.usable && !q.folder.empty()) g_listings->folders.try_emplace(q.folder);
}

}  // namespace

bool IsWow64() {
    static const bool wow64 = [] {
        using Query = BOOL(WINAPI*)(HANDLE, PBOOL);
        const auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
        BOOL answer = FALSE;
        return query && query(GetCurrentProcess(), &answer) && answer;
    }();
    return wow64;
}

std::string NativePath(const std::string& path) {
    const SystemFolders& f = Folders();
    if (f.system.empty() || path.size() < f.system.size()) return path;
    if (!TextCase::Equal(path.substr(0, f.system.size()), f.system)) return path;
    if (path.size() > f.system.size() && !IsSeparator(path[f.system.size()])) return path;
    return f.native + path.substr(f.system.size());
}

bool IsOwnBitness(WORD machine) {
    return sizeof(void*) == 8 ? !Is32BitMachine(machine) : !Is64BitMachine(machine);
}

std::string PathForMachine(const std::string& path, WORD machine) {
    const MachineFolders& f = ForMachines();
    if (IsOwnBitness(machine) || f.otherBitness.empty()) return path;
    // From a 32-bit program, the 64-bit module sees the whole native folder.
    if (sizeof(void*) == 4) return NativePath(path);
    // From a 64-bit program, the 32-bit module sees the system folder redirected.
    std::string rest;
    if (!InFolder(path, f.system, rest) || LeftInPlace(rest)) return path;
    return f.otherBitness + rest;
}

std::string SystemFolderFor(WORD machine) {
    const MachineFolders& f = ForMachines();
    return IsOwnBitness(machine) || f.otherBitness.empty() ? f.system : f.otherBitness;
}

std::string ReadPath(const std::string& path) {
    const MachineFolders& f = ForMachines();
    if (!IsWow64() || SeesNative() || f.wow64.empty()) return path;
    std::string rest;
    if (InFolder(path, f.system, rest)) return LeftInPlace(rest) ? path : f.wow64 + rest;
    // The registry editor of the Windows folder is the one other file a 32-bit program reads
    // from SysWOW64.
    if (InFolder(path, f.windows + "\\regedit.exe", rest) && rest.empty()) return f.wow64 + "\\regedit.exe";
    return path;
}

std::string OtherViewPath(const std::string& path) {
    const MachineFolders& f = ForMachines();
    if (!IsWow64() || SeesNative()) return {};
    std::string rest;
    if (!InFolder(path, f.system, rest) || LeftInPlace(rest)) return {};
    return NativePath(path);
}

// Counted only where there is a redirection to go around (IsWow64 does not change while the
// program runs, so each scope's end undoes its start).
NativeSystemFolder::NativeSystemFolder() {
    if (IsWow64()) ++t_nativeScopes;
}
NativeSystemFolder::~NativeSystemFolder() {
    if (IsWow64()) --t_nativeScopes;
}

std::string PathToOpen(const std::string& path) { return Seen(path); }

FolderListingCache::FolderListingCache() : previous_(g_listings) { g_listings = new Listings; }
FolderListingCache::~FolderListingCache() {
    delete g_listings;
    g_listings = static_cast<Listings*>(previous_);
}

bool ExistingFile(std::string candidate, std::string& found) {
    size_t end = candidate.find_last_not_of(' ');
    candidate.erase(end == std::string::npos ? 0 : end + 1);
    if (!QV_APIFileAndDisk::CanBePath(candidate)) return false;
    // Asked (and kept in the scan's listings) by the path the system reads; reported as written.
    std::string room;
    const std::string& seen = Seen(candidate, room);
    if (!QV_APIFileAndDisk::CanBePath(seen)) return false;
    const ListingQuery q = QueryFor(seen, true);
    const int listed = FromListing(q);
    if (listed == 0 || listed == 2) return false;
    if (listed == -1) {
        bool noFolder = false;
        const bool exists =
            g_listings ? AskOnce(g_listings->fileAnswers, seen, q,
                                 [&](const std::string& path) { return FileExistsNow(path, &noFolder); })
                       : FileExistsNow(seen);
        if (noFolder) NoteMissingFolder(q);
        if (!exists) return false;
    }
    found = candidate;
    return true;
}

bool IsFile(const std::string& path) {
    std::string found;
    return ExistingFile(path, found);
}

bool ExistingFolder(const std::string& written) {
    const std::string path = Seen(written);
    std::string p = path;
    size_t end = p.find_last_not_of(' ');
    p.erase(end == std::string::npos ? 0 : end + 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (!QV_APIFileAndDisk::CanBePath(p)) return false;
    const ListingQuery q = QueryFor(p, false);
    const int listed = FromListing(q);
    if (listed >= 0) return listed == 2;
    if (!g_listings) return QV_APIFileAndDisk::PathExists(path);
    bool noFolder = false;
    const bool exists = AskOnce(g_listings->folderAnswers, path, q,
                                [&](const std::string& t) { return FolderExistsNow(t, &noFolder); });
    if (noFolder) NoteMissingFolder(q);
    return exists;
}

bool Facts(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    std::string room;
    const std::string& seen = Seen(path, room);
    if (seen.empty() || !QV_APIFileAndDisk::CanBePath(seen)) return false;
    return GetFileAttributesExA(seen.c_str(), GetFileExInfoStandard, &data) != 0;
}

Listed ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& each,
                  const std::string& pattern) {
    const std::string search = Seen(folder) + "\\" + pattern;
    if (!QV_APIFileAndDisk::CanBePath(search)) return Listed::Refused;
    WIN32_FIND_DATAA fd;
    const FindHandle h(FindFirstFileA(search.c_str(), &fd));
    if (!h) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_NO_MORE_FILES:
                return Listed::Yes;  // nothing matches
            case ERROR_PATH_NOT_FOUND:
            case ERROR_DIRECTORY:
                return Listed::NoFolder;  // nothing can be in it
            default:
                return Listed::Refused;  // a folder that may not be listed can still hold files
        }
    }
    FolderEntry entry;
    do {
        entry.name.assign(fd.cFileName, strnlen(fd.cFileName, sizeof fd.cFileName));
        entry.shortName.assign(fd.cAlternateFileName, strnlen(fd.cAlternateFileName, sizeof fd.cAlternateFileName));
        entry.attributes = fd.dwFileAttributes;
        if (!each(entry)) break;
    } while (FindNextFileA(h.get(), &fd));
    return Listed::Yes;
}

namespace {

// The folders the loader searches for a bare name, in its order, as a module of `machine` of
// the other bitness sees them: the program's folder, the system folder, Windows\system, Windows,
// the current folder and PATH's folders, each system folder among them the machine's own.
std::string SearchPathForMachine(WORD machine) {
    std::vector<std::string> folders;
    char buf[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        std::string program(buf, n);
        const size_t slash = program.find_last_of('\\');
        if (slash != std::string::npos) folders.push_back(program.substr(0, slash));
    }
    folders.push_back(SystemFolderFor(machine));
    const std::string windows = ForMachines().windows;
    if (!windows.empty()) folders.insert(folders.end(), {windows + "\\system", windows});
    const DWORD c = GetCurrentDirectoryA(MAX_PATH, buf);
    if (c > 0 && c < MAX_PATH) folders.emplace_back(buf, c);
    for (const std::string& folder : SearchPathFolders()) folders.push_back(PathForMachine(folder, machine));
    std::string path;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        if (!path.empty()) path += ';';
        path += folder;
    }
    return path;
}

}  // namespace

std::string LoaderFile(const std::string& name, const char* extension, WORD machine) {
    if (name.empty() || !QV_APIFileAndDisk::CanBePath(name)) return {};
    const std::string seen = Seen(name);
    // A bare name of a module of the other bitness is searched for in that machine's folders;
    // every other name as the system searches for it in this program.
    const bool bare = seen.find_first_of("\\/:") == std::string::npos;
    const std::string folders =
        bare && !IsOwnBitness(machine) && !ForMachines().otherBitness.empty() ? SearchPathForMachine(machine) : "";
    char buf[MAX_PATH];
    const DWORD n = SearchPathA(folders.empty() ? nullptr : folders.c_str(), seen.c_str(), extension, sizeof buf, buf,
                                nullptr);
    if (n == 0 || n > QV_APIFileAndDisk::kLongestPath) return {};
    const DWORD attributes = GetFileAttributesA(buf);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return Seen(std::string(buf, n));
}

std::vector<std::string> SearchPathFolders() {
    std::vector<std::string> folders;
    const std::string path = QV_APIFileAndDisk::EnvironmentValue("PATH");
    for (size_t start = 0; start < path.size();) {
        size_t end = path.find(';', start);
        if (end == std::string::npos) end = path.size();
        std::string folder = path.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        if (folder.back() == '\\') folder.pop_back();
        folders.push_back(std::move(folder));
    }
    return folders;
}

std::string WindowsFolder() {
    std::string windows;
    if (!QV_APIFileAndDisk::GetSpecialFolder(nullptr, QV_APIFileAndDisk::CSIDL_WINDOWS_, windows)) return "";
    return windows;
}

std::vector<std::string> SearchFolders(WindowsFolders windows) {
    std::vector<std::string> folders = SearchPathFolders();
    if (windows == WindowsFolders::None) return folders;
    const std::string w = WindowsFolder();
    if (w.empty()) return folders;
    if (windows == WindowsFolders::AfterPath) {
        folders.insert(folders.end(), {w, w + "\\system", w + "\\system32"});
    } else {
        const auto at = folders.empty() ? folders.begin() : folders.begin() + 1;
        folders.insert(at, {w + "\\system32", w + "\\system"});
    }
    return folders;
}

bool FindInFolders(const std::vector<std::string>& folders, const std::string& name, std::string& found) {
    if (name.empty()) return false;
    for (const std::string& folder : folders)
        if (ExistingFile(folder + "\\" + name, found)) return true;
    return false;
}

bool FindOnSearchPath(const std::string& name, std::string& found, WindowsFolders windows) {
    return FindInFolders(SearchFolders(windows), name, found);
}

void SearchFolderCache::Read() {
    folders_ = SearchFolders(windows_);
    read_ = true;
}

void SearchFolderCache::Ensure() {
    if (!read_) Read();
}

bool SearchFolderCache::Find(const std::string& name, std::string& found) {
    Ensure();
    return FindInFolders(folders_, name, found);
}

}  // namespace FileLookup
