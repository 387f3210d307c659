// Server file resolution of the components tab: a registered server text is turned into a file
// on disk (quotes, switches, environment references, bare names found on the search path).
//
// During a full scan most classes share a few hundred server files, and the search cuts
// unknown texts one character at a time. Existence answers are therefore taken from one
// listing per folder, cached for the scan, instead of one file-system query per candidate.
//
// A registered text may be of any length: the search follows the path limits of
// QV_APIFileAndDisk (no text longer than a path names a file; expansion in one bounded pass;
// shortening tests only candidates up to that length).
#include <windows.h>

#include <unordered_map>
#include <unordered_set>

#include "base/Handle.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"

namespace Tab_RegComp {
namespace {

using QV_APIFileAndDisk::kLongestName;
using QV_APIFileAndDisk::kLongestPath;

std::string g_searchPath;     // the PATH value, read once per scan
std::string g_windowsFolder;  // the Windows folder
bool g_searchPathReady = false;

// The files of one folder, by lower-case long and short name.
struct FolderListing {
    bool exists = false;
    std::unordered_set<std::string> files;
};

class ExistCache {
public:
    bool FileExists(const std::string& path) {
        // Only absolute paths (drive or UNC) name a file; a bare name is never accepted.
        bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
                        (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
        if (!absolute) return false;
        size_t slash = path.rfind('\\');
        std::string name = path.substr(slash + 1);
        // Wildcards would match some other file; an empty name is the folder itself.
        if (name.empty() || name.size() > kLongestName || name.find_first_of("*?") != std::string::npos) return false;
        const FolderListing& folder = Listing(path.substr(0, slash));
        if (!folder.exists) return false;
        if (folder.files.count(TextCase::Lower(name))) return true;
        // A short name that the listing did not report (or a folder whose listing was refused).
        if (name.find('~') != std::string::npos) return QV_APIFileAndDisk::FileExists(path);
        return false;
    }

private:
    const FolderListing& Listing(const std::string& folder) {
        std::string key = TextCase::Lower(folder);
        auto it = folders_.find(key);
        if (it != folders_.end()) return it->second;
        FolderListing& listing = folders_[key];
        WIN32_FIND_DATAA fd;
        const FindHandle h(FindFirstFileA((folder + "\\*").c_str(), &fd));
        if (!h) return listing;
        listing.exists = true;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            listing.files.insert(TextCase::Lower(fd.cFileName));
            if (fd.cAlternateFileName[0]) listing.files.insert(TextCase::Lower(fd.cAlternateFileName));
        } while (FindNextFileA(h.get(), &fd));
        return listing;
    }

    std::unordered_map<std::string, FolderListing> folders_;

public:
    std::unordered_map<std::string, TypeLibFacts> typeLibs;  // by lower-case library GUID
};

ExistCache* g_cache = nullptr;

}  // namespace

ScanFileCache::ScanFileCache() : previous_(g_cache) { g_cache = new ExistCache; }
ScanFileCache::~ScanFileCache() {
    delete g_cache;
    g_cache = static_cast<ExistCache*>(previous_);
}

const TypeLibFacts* CachedTypeLib(const std::string& lib) {
    if (!g_cache) return nullptr;
    auto it = g_cache->typeLibs.find(TextCase::Lower(lib));
    return it == g_cache->typeLibs.end() ? nullptr : &it->second;
}

void CacheTypeLib(const std::string& lib, const TypeLibFacts& facts) {
    if (g_cache) g_cache->typeLibs[TextCase::Lower(lib)] = facts;
}

bool ServerFileExists(const std::string& path) {
    // A wildcard would let some other file answer for the server.
    if (path.size() > kLongestPath || path.find_first_of("*?") != std::string::npos) return false;
    return g_cache ? g_cache->FileExists(path) : QV_APIFileAndDisk::FileExists(path);
}

void PrepareSearchPath() {
    g_searchPath = QV_InfoLocal_Lib::GetEnvironmentValue("PATH");
    g_windowsFolder.clear();
    QV_APIFileAndDisk::GetSpecialFolder(nullptr, QV_APIFileAndDisk::CSIDL_WINDOWS_, g_windowsFolder);
    g_searchPathReady = true;
}

void EnsureSearchPath() {
    if (!g_searchPathReady) PrepareSearchPath();
}

bool FindServerFile(clsRegComp& rec, const std::string& path) {
    std::string p = path;
    auto found = [&](const std::string& file) {
        rec.vntFileLocationEx = file;
        return true;
    };
    if (ServerFileExists(p)) {
        rec.blnFileExist = true;
        return found(p);
    }

    if (p.find('\\') != std::string::npos) {
        // Environment references, such as %SystemRoot%\system32\x.dll or %systemroot%\...:
        // each %NAME% is replaced by the variable's value (empty when it is not set).
        size_t open = p.find('%');
        if (open != std::string::npos && p.find('%', open + 1) != std::string::npos) {
            // Left to right, each reference once, in one bounded pass.
            p = QV_APIFileAndDisk::ExpandReferences(p, QV_InfoLocal_Lib::GetEnvironmentValue);
            rec.vntFileLocationEx = p;
            if (ServerFileExists(p)) return true;
        }
    } else {
        // A bare file name: its switches go ("app.exe /automation" is app.exe), then the
        // folders of the search path and the Windows folders are tried.
        size_t sw = p.find('/');
        if (sw != std::string::npos) {
            p.erase(sw);
            while (!p.empty() && p.back() == ' ') p.pop_back();
        }
        if (!p.empty() && p.size() <= kLongestName) {
            size_t start = 0;
            while (start < g_searchPath.size()) {
                size_t end = g_searchPath.find(';', start);
                if (end == std::string::npos) end = g_searchPath.size();
                std::string folder = g_searchPath.substr(start, end - start);
                start = end + 1;
                if (folder.empty()) continue;
                if (folder.back() == '\\') folder.pop_back();
                if (ServerFileExists(folder + "\\" + p)) return found(folder + "\\" + p);
            }
            for (const char* sub : {"\\", "\\system\\", "\\system32\\"}) {
                std::string candidate = g_windowsFolder + sub + p;
                if (!g_windowsFolder.empty() && ServerFileExists(candidate)) return found(candidate);
            }
        }
    }

    // Cut from the right: "C:\App\app.exe /automation" or a text with a stray quote ends
    // at the longest leading part that names an existing file. Only candidates that can be a
    // path are tried, so a text of any length costs at most kLongestPath tests. A candidate
    // ending in a blank or a dot names the same file as the one without them (Windows drops
    // them), which is found next under its exact name.
    if (p.size() <= 3) return false;
    std::string hit;
    if (!QV_APIFileAndDisk::TryLeadingParts(p, 3, [&](const std::string& t) {
            if (t.back() == ' ' || t.back() == '.' || !ServerFileExists(t)) return false;
            hit = t;
            return true;
        }))
        return false;
    return found(hit);
}

}  // namespace Tab_RegComp
