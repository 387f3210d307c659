#include "browsers/RegistryNodes.h"

#include <unordered_map>
#include <vector>

#include "base/TextCase.h"

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegKey.h"
#include "base/Variant.h"
#include "ui/Form.h"
#include "ui/TreeView.h"

namespace RegistryNodes {

std::string PathBelow(const std::string& nodeKey, int leading) {
    size_t pos = 0;
    for (int i = 0; i < leading; ++i) {
        size_t slash = nodeKey.find('\\', pos);
        if (slash == std::string::npos) return "";
        pos = slash + 1;
    }
    return nodeKey.substr(pos);
}

bool IsKeyPath(const std::string& path) {
    return !path.empty() && path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string::npos;
}

long SubKeyName(HKEY h, DWORD index, std::vector<char>& buffer, std::string& name) {
    // Key names are at most 255 characters; an ANSI name can take two bytes a character.
    constexpr size_t kLongestName = 2 * 256;
    DWORD len = static_cast<DWORD>(buffer.size());
    long rc = RegEnumKeyExA(h, index, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA && buffer.size() < kLongestName) {  // a longer name was added meanwhile
        buffer.resize(kLongestName);
        len = static_cast<DWORD>(buffer.size());
        rc = RegEnumKeyExA(h, index, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    }
    if (rc == 0) name.assign(buffer.data(), len);
    return rc;
}

void AddSubKeyNodes(ui::TreeView& tree, HKEY h, const std::string& nodeKey) {
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != 0 ||
        count == 0)
        return;
    std::vector<char> buffer((maxName + 1) * 2);
    for (DWORD i = 0; i < count; ++i) {
        std::string name;
        const long rc = SubKeyName(h, i, buffer, name);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) continue;
        const std::string childKey = nodeKey + "\\" + name;
        if (!tree.Nodes.Exists(childKey)) tree.Nodes.Add(nodeKey, ui::tvwChild, childKey, name, "Folder", "FolderOpen");
        HKEY child = nullptr;
        if (RegOpenKeyExA(h, name.c_str(), 0, QV_Registry_Lib::KEY_READ_ONLY, &child) == 0) {
            AddSubKeyNodes(tree, child, childKey);
            RegCloseKey(child);
        }
    }
}

bool AddSubKeys(ui::TreeView& tree, HKEY hive, const std::string& nodeKey) {
    const std::string path = PathBelow(nodeKey, 2);
    RegKey key;
    if (path.empty() || QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0, QV_Registry_Lib::KEY_READ_ONLY) != 0)
        return false;
    AddSubKeyNodes(tree, key.get(), nodeKey);
    return true;
}

void AddKeyNode(ui::TreeView& tree, const std::string& parentKey, const std::string& name) {
    const std::string key = parentKey + "\\" + name;
    if (!tree.Nodes.Exists(key)) tree.Nodes.Add(parentKey, ui::tvwChild, key, name, "Folder", "FolderOpen");
}

namespace {
bool UsableName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }
}  // namespace

void NewKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node, const std::string& name) {
    if (!UsableName(name)) return;
    RegKey key, created;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    if (QV_Registry_Lib::CreateKey(key.get(), name, created.Receive(), 0) != 0) return;
    AddKeyNode(tree, node.Key(), name);
}

void DeleteKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node) {
    std::string doomed = path;  // the library takes the path by reference
    if (QV_Registry_Lib::DeleteKeyTree(hive, doomed, 0) == 0) tree.Nodes.Remove(node.Key());
}

void NewTextValue(HKEY hive, const std::string& path, const std::string& name, const std::string& data) {
    RegKey key;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    QV_Registry_Lib::SetValue(key.get(), name, Variant(data), REG_SZ, 0);
}

void DeleteValue(HKEY hive, const std::string& path, const std::string& name) {
    RegKey key;
    if (QV_Registry_Lib::OpenKey(hive, path, key.Receive(), 0) != 0) return;
    QV_Registry_Lib::DeleteValue(key.get(), name, 0);
}

bool RenameKey(ui::TreeView& tree, HKEY hive, const std::string& path, const ui::Node& node,
               const std::string& newName) {
    if (!UsableName(newName)) return false;
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    if (QV_Registry_Lib::RenameKey(hive, path, hive, path.substr(0, slash) + "\\" + newName, 0) != 0) return false;
    const std::string parentKey = node.Parent()->Key();
    tree.Nodes.Remove(node.Key());
    AddKeyNode(tree, parentKey, newName);
    AddSubKeys(tree, hive, parentKey + "\\" + newName);
    return true;
}

namespace {

// The entries of each folder listed so far: lower-case name (long and short) -> is a folder.
// A folder is listed only once it has been asked about a few times: listing a large folder
// (system32) costs as much as several single tests of names it lacks, which a short scan may
// never make.
// A path the listings cannot answer is asked of the file system once: the answer is kept by
// the path's exact text for the rest of the scan.
struct Listings {
    std::unordered_map<std::string, std::unordered_map<std::string, bool>> folders;
    std::unordered_map<std::string, int> asked;
    std::unordered_map<std::string, bool> fileAnswers, folderAnswers;
};
constexpr int kListAfter = 8;
Listings* g_listings = nullptr;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Answers from the listing of the path's folder: 1 a file, 2 a folder, 0 nothing; -1 when the
// listing cannot answer as the file system would (not a drive path, wildcards, a doubled
// separator, a name the system alters in a way the listing cannot follow), so the caller asks
// the file system. The folder is listed by its text as given, so the system reads it exactly as
// it reads the folder part of the whole path ("/" as a separator, ".." components and the like).
// With `fileName` the last name is looked up as a file's: the system drops its trailing dots
// and blanks, and a path ending in a separator names no file. Otherwise it is looked up as a
// folder's, and a name ending in a dot or blank is left to the file system.
int FromListing(const std::string& path, bool fileName) {
    if (!g_listings) return -1;
    const bool drive = path.size() > 3 && path[1] == ':' && path[2] == '\\';
    if (!drive || path.find_first_of("*?<>\"") != std::string::npos) return -1;
    for (size_t i = 3; i < path.size(); ++i)
        if (IsSeparator(path[i]) && IsSeparator(path[i - 1])) return -1;
    size_t slash = path.size() - 1;
    while (!IsSeparator(path[slash])) --slash;
    std::string name = TextCase::Lower(path.substr(slash + 1));
    if (fileName) {
        if (name.empty()) return 0;
        const size_t keep = name.find_last_not_of(". ");
        name.erase(keep == std::string::npos ? 0 : keep + 1);
        if (name.empty()) return -1;
    } else if (name.empty() || name.back() == '.' || name.back() == ' ') {
        return -1;
    }
    const std::string folder = TextCase::Lower(path.substr(0, slash));
    auto it = g_listings->folders.find(folder);
    if (it == g_listings->folders.end()) {
        if (++g_listings->asked[folder] <= kListAfter) return -1;
        std::unordered_map<std::string, bool> entries;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path.substr(0, slash) + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                entries[TextCase::Lower(fd.cFileName)] = dir;
                if (fd.cAlternateFileName[0]) entries[TextCase::Lower(fd.cAlternateFileName)] = dir;
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        it = g_listings->folders.emplace(folder, std::move(entries)).first;
    }
    auto entry = it->second.find(name);
    if (entry == it->second.end()) return 0;
    return entry->second ? 2 : 1;
}

// The file system's answer to QV_APIFileAndDisk::FileExists, asked by the file's attributes,
// which the system answers without reading the folder when the file is there. Paths the two
// could read differently (the wildcards < > " that only a folder search knows, errors other
// than a missing file or folder) are asked as FileExists asks.
bool FileExistsNow(const std::string& path) {
    const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
    if (!absolute || path.find_first_of("*?<>\"") != std::string::npos) return QV_APIFileAndDisk::FileExists(path);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
    return QV_APIFileAndDisk::FileExists(path);
}

}  // namespace

FolderListingCache::FolderListingCache() : previous_(g_listings) { g_listings = new Listings; }
FolderListingCache::~FolderListingCache() {
    delete g_listings;
    g_listings = static_cast<Listings*>(previous_);
}

bool ExistingFile(std::string candidate, std::string& found) {
    size_t end = candidate.find_last_not_of(' ');
    candidate.erase(end == std::string::npos ? 0 : end + 1);
    const int listed = FromListing(candidate, true);
    if (listed == 0 || listed == 2) return false;
    if (listed == -1) {
        bool exists;
        if (!g_listings) {
            exists = FileExistsNow(candidate);
        } else {
            auto [at, fresh] = g_listings->fileAnswers.try_emplace(candidate, false);
            if (fresh) at->second = FileExistsNow(candidate);
            exists = at->second;
        }
        if (!exists) return false;
    }
    found = candidate;
    return true;
}

bool ExistingFolder(const std::string& path) {
    std::string p = path;
    size_t end = p.find_last_not_of(' ');
    p.erase(end == std::string::npos ? 0 : end + 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    const int listed = FromListing(p, false);
    if (listed >= 0) return listed == 2;
    if (!g_listings) return QV_APIFileAndDisk::PathExists(path);
    auto [at, fresh] = g_listings->folderAnswers.try_emplace(path, false);
    if (fresh) at->second = QV_APIFileAndDisk::PathExists(path);
    return at->second;
}

std::string Env(const std::string& name) {
    if (name.empty()) return "";
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
    if (n == 0) return "";
    if (n < sizeof buffer) return std::string(buffer, n);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name.c_str(), big.data(), n);
    big.resize(n);
    return big;
}

namespace {
ULONGLONG& LastPump() {
    static ULONGLONG last = 0;
    return last;
}
}  // namespace

bool PumpDue() { return GetTickCount64() - LastPump() >= 25; }

void Pump() {
    if (!PumpDue()) return;
    ui::DoEvents();
    LastPump() = GetTickCount64();
}

void PumpNow() {
    ui::DoEvents();
    LastPump() = GetTickCount64();
}

}  // namespace RegistryNodes
