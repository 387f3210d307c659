#include "browsers/RegistryNodes.h"

#include <unordered_map>
#include <vector>

#include "base/TextCase.h"

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Registry_Lib.h"
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

void AddSubKeyNodes(ui::TreeView& tree, HKEY h, const std::string& nodeKey) {
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != 0 ||
        count == 0)
        return;
    std::vector<char> buffer((maxName + 1) * 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        long rc = RegEnumKeyExA(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
            buffer.resize(2 * 256);
            len = static_cast<DWORD>(buffer.size());
            rc = RegEnumKeyExA(h, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) continue;
        const std::string name(buffer.data(), len);
        const std::string childKey = nodeKey + "\\" + name;
        if (!tree.Nodes.Exists(childKey)) tree.Nodes.Add(nodeKey, ui::tvwChild, childKey, name, "Folder", "FolderOpen");
        HKEY child = nullptr;
        if (RegOpenKeyExA(h, name.c_str(), 0, QV_Registry_Lib::KEY_READ_ONLY, &child) == 0) {
            AddSubKeyNodes(tree, child, childKey);
            RegCloseKey(child);
        }
    }
}

namespace {

// The entries of each folder listed so far: lower-case name (long and short) -> is a folder.
// A folder is listed only once it has been asked about a few times: listing a large folder
// (system32) costs as much as dozens of single tests, which a short scan never makes.
struct Listings {
    std::unordered_map<std::string, std::unordered_map<std::string, bool>> folders;
    std::unordered_map<std::string, int> asked;
};
constexpr int kListAfter = 32;
Listings* g_listings = nullptr;

// Answers from the listing of the path's folder: 1 a file, 2 a folder, 0 nothing; -1 when the
// path is not one the listing can answer (not absolute, wildcards, a root, a name the file
// system would alter), so the caller asks the file system.
int FromListing(const std::string& path) {
    if (!g_listings) return -1;
    const bool drive = path.size() > 3 && path[1] == ':' && path[2] == '\\';
    if (!drive || path.find_first_of("*?/") != std::string::npos) return -1;
    const size_t slash = path.rfind('\\');
    const std::string folder = TextCase::Lower(path.substr(0, slash));
    const std::string name = TextCase::Lower(path.substr(slash + 1));
    if (name.empty() || name.back() == '.' || name.back() == ' ' || folder.find("\\\\") != std::string::npos)
        return -1;
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

}  // namespace

FolderListingCache::FolderListingCache() : previous_(g_listings) { g_listings = new Listings; }
FolderListingCache::~FolderListingCache() {
    delete g_listings;
    g_listings = static_cast<Listings*>(previous_);
}

bool ExistingFile(std::string candidate, std::string& found) {
    size_t end = candidate.find_last_not_of(' ');
    candidate.erase(end == std::string::npos ? 0 : end + 1);
    const int listed = FromListing(candidate);
    if (listed == 0 || listed == 2) return false;
    if (listed == -1 && !QV_APIFileAndDisk::FileExists(candidate)) return false;
    found = candidate;
    return true;
}

bool ExistingFolder(const std::string& path) {
    std::string p = path;
    size_t end = p.find_last_not_of(' ');
    p.erase(end == std::string::npos ? 0 : end + 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    const int listed = FromListing(p);
    if (listed >= 0) return listed == 2;
    return QV_APIFileAndDisk::PathExists(path);
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
