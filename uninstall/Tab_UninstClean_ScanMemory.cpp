#include <windows.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_APIFileAndDiskINFO.h"
#include "base/QV_Err.h"
#include "base/QV_Strings_Lib.h"
#include "base/TextCase.h"
#include "image/QV_IconsAndResources.h"
#include "image/ResourceTable.h"
#include "platform/InstallerData.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace Tab_UninstClean::detail {
namespace {

// The names of one folder (folded) with their attributes; `listed` false when the folder could
// not be listed.
struct Listing {
    bool listed = false;
    std::vector<FolderEntry> order;  // as the system lists them
    std::unordered_map<std::string, std::pair<DWORD, std::string>> names;  // attributes, name as written
};

struct Remembered {
    std::unordered_map<std::string, bool> icons;
    std::unordered_map<std::string, Listing> folders;  // by folded folder path
    std::unordered_map<int, std::string> specialFolders;  // lower-cased, by CSIDL
    std::unordered_map<const void*, std::vector<std::string>> words;
    bool installerRead = false;
    std::unordered_map<std::string, std::vector<std::string>> components;  // by product code
};

// Every product's components, from one walk of the installer's components and their clients.
void ReadInstallerComponents(std::unordered_map<std::string, std::vector<std::string>>& byProduct) {
    WindowsInstaller::Installer installer;
    for (const auto& component : installer.Components())
        for (const auto& client : installer.ComponentClients(component)) {
            auto& list = byProduct[client];
            if (list.empty() || list.back() != component) list.push_back(component);
        }
}
Remembered* scan = nullptr;

// The folder's names, listed once per scan.
const Listing& ListingOf(const std::string& folder) {
    const std::string key = TextCase::Lower(folder);
    auto it = scan->folders.find(key);
    if (it != scan->folders.end()) return it->second;
    Listing listing;
    listing.listed = FileLookup::ListFolder(folder, [&](const FileLookup::FolderEntry& e) {
        listing.names.emplace(TextCase::Lower(e.name), std::pair{e.attributes, e.name});
        listing.order.push_back({e.name, e.attributes});
        return true;
    }) == FileLookup::Listed::Yes && !listing.order.empty();
    return scan->folders.emplace(key, std::move(listing)).first->second;
}

// Whether the path names a folder, from its parent's listing; false with `known` false when the
// listing cannot tell (a short name, a name the system would trim, a drive root).
bool FolderFromListing(const std::string& path, bool& known) {
    known = false;
    const size_t at = path.rfind('\\');
    if (at == std::string::npos || at < 2) return false;
    const std::string name = path.substr(at + 1);
    if (name.empty() || name.find('~') != std::string::npos || name.back() == '.' || name.back() == ' ' ||
        name.find('/') != std::string::npos)
        return false;
    std::string parent = path.substr(0, at);
    if (parent.size() == 2) parent += "\\";  // the drive root
    const Listing& listing = ListingOf(parent);
    if (!listing.listed) {
        known = true;
        return false;
    }
    auto it = listing.names.find(TextCase::Lower(name));
    known = true;
    return it != listing.names.end() && (it->second.first & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool PathExists(const std::string& path) {
    if (!scan || path.size() < 4 || path[1] != ':' || path[2] != '\\' || path.find_first_of("*?") != std::string::npos)
        return QV_APIFileAndDisk::PathExists(path);
    std::string p = path;
    QV_Strings_Lib::TrimSpaces(p);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.size() < 4 || p.find("\\\\") != std::string::npos) return QV_APIFileAndDisk::PathExists(path);
    bool known = false;
    const bool exists = FolderFromListing(p, known);
    return known ? exists : QV_APIFileAndDisk::PathExists(path);
}

const std::vector<FolderEntry>* FolderEntries(const std::string& folder) {
    if (!scan) return nullptr;
    const Listing& listing = ListingOf(folder);
    return listing.listed ? &listing.order : nullptr;
}

std::string LongFileName(const std::string& path) {
    // Only a plain absolute path whose every part the listings name is answered here.
    if (!scan || path.size() < 4 || path[1] != ':' || path[2] != '\\' || path.find_first_of("*?~/") != std::string::npos ||
        path.find("\\\\") != std::string::npos || path.back() == '\\')
        return QV_APIFileAndDiskINFO::GetLongFileName(path);
    std::string result = path.substr(0, 2);
    for (size_t start = 3; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name.empty() || name.back() == '.' || name.back() == ' ') return QV_APIFileAndDiskINFO::GetLongFileName(path);
        const Listing& listing = ListingOf(result.size() == 2 ? result + "\\" : result);
        auto it = listing.names.find(TextCase::Lower(name));
        if (!listing.listed || it == listing.names.end()) return QV_APIFileAndDiskINFO::GetLongFileName(path);
        result += "\\" + it->second.second;
        start = end + 1;
    }
    return result;
}

bool FindExistingPathPrefix(std::string& path) {
    return QV_APIFileAndDisk::FindExistingPathPrefix(path, [](const std::string& p) { return PathExists(p); });
}

ScanMemory::ScanMemory() {
    delete scan;
    scan = new Remembered();
}

ScanMemory::~ScanMemory() {
    delete scan;
    scan = nullptr;
}

std::string LowerSpecialFolderOf(int csidl) {
    if (!scan) return LowerSpecialFolder(csidl);
    auto it = scan->specialFolders.find(csidl);
    if (it == scan->specialFolders.end()) it = scan->specialFolders.emplace(csidl, LowerSpecialFolder(csidl)).first;
    return it->second;
}

namespace {

// Whether a program file yields an icon, read from its checked resource tables: its first icon
// group names an image the file holds, which is what the system's extraction of icon 0 makes
// its icon from. Known false for a damaged image; unknown (false with `known` false) for a file
// that is no PE image (an icon file, say), which the extraction is asked about.
bool ProgramHasIcon(const std::string& path, bool& known) {
    known = false;
    if (path.size() < 4 || path[1] != ':') return false;
    // Read whole into memory (a copy: a file cut short meanwhile cannot fault the scan), into a
    // block kept from an earlier file.
    const MappedFile bytes(path);
    if (!bytes.Data()) return known = true, false;
    ResourceTable table(bytes.Data(), bytes.Size());
    if (!table.IsPe()) return false;
    known = true;
    if (!table.Sound()) return false;
    const auto groups = table.OfType(14);
    if (groups.empty()) return false;
    const auto& group = groups.front();
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries whose last word is the image's id.
    if (!group.fits || group.size < 6 + 14) return false;
    const uint8_t* dir = bytes.Data() + group.offset;
    const unsigned count = dir[4] | dir[5] << 8;
    if (count == 0 || (dir[2] | dir[3] << 8) != 1 || group.size < 6 + 14 * count) return false;
    const auto images = table.OfType(3);
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = dir + 6 + 14 * i;
        const uint16_t id = static_cast<uint16_t>(e[12] | e[13] << 8);
        for (const auto& image : images)
            if (image.name.empty() && image.nameId == id && image.fits && image.size > 0) return true;
    }
    return false;
}

}  // namespace

bool HasIcon(const std::string& path) {
    if (!scan) return QV_IconsAndResources::HasFileIcon(path);
    const std::string key = TextCase::Lower(path);
    auto it = scan->icons.find(key);
    if (it != scan->icons.end()) return it->second;
    bool known = false;
    bool has = ProgramHasIcon(path, known);
    if (!known) has = QV_IconsAndResources::HasFileIcon(path);
    scan->icons.emplace(key, has);
    return has;
}

const std::vector<std::string>& InstallerComponentsOf(const std::string& productCode) {
    thread_local std::unordered_map<std::string, std::vector<std::string>> fresh;
    static const std::vector<std::string> none;
    auto* byProduct = &fresh;
    if (scan) {
        byProduct = &scan->components;
        if (!scan->installerRead) {
            ReadInstallerComponents(*byProduct);
            scan->installerRead = true;
        }
    } else {
        fresh.clear();
        ReadInstallerComponents(fresh);
    }
    auto it = byProduct->find(productCode);
    return it == byProduct->end() ? none : it->second;
}

const std::vector<std::string>& TargetWords(const void* target, std::vector<std::string> (*make)(const void*)) {
    thread_local std::vector<std::string> fresh;
    if (!scan) return fresh = make(target);
    auto it = scan->words.find(target);
    if (it == scan->words.end()) it = scan->words.emplace(target, make(target)).first;
    return it->second;
}

}  // namespace Tab_UninstClean::detail
