// Server file resolution of the components tab: a registered server text is turned into a file
// on disk (quotes, switches, environment references, bare names found on the search path).
//
// During a full scan most classes share a few hundred server files, and the search cuts
// unknown texts one character at a time. Existence answers therefore come from FileLookup,
// whose folder listings a ScanFileCache keeps for the scan, instead of one file-system query
// per candidate.
//
// A registered text may be of any length: the search follows the path limits of
// QV_APIFileAndDisk (no text longer than a path names a file; expansion in one bounded pass;
// shortening tests only candidates up to that length).
#include <windows.h>

#include <unordered_map>

#include "base/FileLookup.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_InfoLocal_Lib.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"

namespace Tab_RegComp {
namespace {

using QV_APIFileAndDisk::kLongestName;
using QV_APIFileAndDisk::kLongestPath;

// The folders a bare server name is looked for in (PATH's, then the Windows folders), read
// once per scan, or by the first search before any scan.
FileLookup::SearchFolderCache g_searchFolders(FileLookup::WindowsFolders::AfterPath);

// What a scan keeps besides the folder listings: the type libraries it read, by lower-case
// library GUID.
struct ScanTypeLibs {
    std::unordered_map<std::string, TypeLibFacts> typeLibs;
};
ScanTypeLibs* g_scan = nullptr;

// Whether a file name (the part after the last backslash) can name a server file. Wildcards
// would let some other file answer for the server; a name ending in a blank or a dot is the
// same file as the one without them, which the callers try next under its exact name (the path
// found is the path recorded).
bool CanBeServerName(const std::string& name) {
    return !name.empty() && name.find_first_of("*?<>\"") == std::string::npos && name.back() != ' ' &&
           name.back() != '.';
}

}  // namespace

ScanFileCache::ScanFileCache() : previous_(g_scan) { g_scan = new ScanTypeLibs; }
ScanFileCache::~ScanFileCache() {
    delete g_scan;
    g_scan = static_cast<ScanTypeLibs*>(previous_);
}

const TypeLibFacts* CachedTypeLib(const std::string& lib) {
    if (!g_scan) return nullptr;
    auto it = g_scan->typeLibs.find(TextCase::Lower(lib));
    return it == g_scan->typeLibs.end() ? nullptr : &it->second;
}

void CacheTypeLib(const std::string& lib, const TypeLibFacts& facts) {
    if (g_scan) g_scan->typeLibs[TextCase::Lower(lib)] = facts;
}

bool ServerFileExists(const std::string& path) {
    // Only absolute paths (drive or UNC) name a server file; a bare name is never accepted.
    const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
                          (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
    if (!absolute || path.size() > kLongestPath || path.find_first_of("*?<>\"") != std::string::npos) return false;
    if (!CanBeServerName(path.substr(path.rfind('\\') + 1))) return false;
    std::string found;
    return FileLookup::ExistingFile(path, found);
}

void PrepareSearchPath() { g_searchFolders.Read(); }

void EnsureSearchPath() { g_searchFolders.Ensure(); }

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
        std::string file;
        if (p.size() <= kLongestName && CanBeServerName(p) && g_searchFolders.Find(p, file))
            return found(file);
    }

    // Cut from the right: "C:\App\app.exe /automation" or a text with a stray quote ends
    // at the longest leading part that names an existing file. Only candidates that can be a
    // path are tried, so a text of any length costs at most kLongestPath tests. A candidate
    // ending in a blank or a dot names the same file as the one without them (Windows drops
    // them), which is found next under its exact name.
    if (p.size() <= 3) return false;
    std::string hit;
    if (!QV_APIFileAndDisk::TryLeadingParts(p, 3, [&](const std::string& t) {
            if (!ServerFileExists(t)) return false;
            hit = t;
            return true;
        }))
        return false;
    return found(hit);
}

}  // namespace Tab_RegComp
