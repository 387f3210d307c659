// Helpers shared by the parts of the uninstall tab's module.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "uninstall/clsUS.h"

namespace Tab_UninstClean::detail {

// True when `text` contains `part`, with the language's InStr rules: an empty text contains
// nothing, an empty part is contained in every non-empty text.
inline bool InStr(const std::string& text, const std::string& part) {
    return !text.empty() && text.find(part) != std::string::npos;
}

// The texts between the separators (an empty text gives none).
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    for (size_t start = 0;;) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

// Handles waiting window messages, at most every few milliseconds, so that the busy dialog
// stays responsive without a message round trip for every item of a long walk.
void PumpEvents();

// The lower-cased path of a special folder ("" when the system does not know it).
std::string LowerSpecialFolder(int csidl);

// While a scan runs (a ScanMemory object lives), what cannot change during the scan is worked
// out once: whether a file yields an icon, the words of each shortcut, and which components
// the installer lists for each product; the analysis asks for them entry after entry.
class ScanMemory {
public:
    ScanMemory();
    ~ScanMemory();
    ScanMemory(const ScanMemory&) = delete;
    ScanMemory& operator=(const ScanMemory&) = delete;
};
// Whether a folder exists (QV_APIFileAndDisk::PathExists), answered during a scan from one
// listing of its parent folder: a path shortened character by character asks for many names of
// one folder, and the system looks each missing one up through the whole folder.
bool PathExists(const std::string& path);
// One name of a folder's listing.
struct FolderEntry {
    std::string name;
    DWORD attributes = 0;
};
// During a scan, the folder's names in the system's order, listed once per scan (null outside a
// scan or when the folder cannot be listed).
const std::vector<FolderEntry>* FolderEntries(const std::string& folder);
// QV_APIFileAndDiskINFO::GetLongFileName, answered during a scan from the listings of the
// path's folders.
std::string LongFileName(const std::string& path);
// QV_APIFileAndDisk::FindExistingPathPrefix over PathExists above.
bool FindExistingPathPrefix(std::string& path);
// LowerSpecialFolder, asked once per scan for each folder.
std::string LowerSpecialFolderOf(int csidl);
// Whether the file yields an icon.
bool HasIcon(const std::string& path);
// The components the installer lists for a product, in its component order (each once).
const std::vector<std::string>& InstallerComponentsOf(const std::string& productCode);
// The words a shortcut offers to the name matching (see StartMenuTargetScore).
const std::vector<std::string>& TargetWords(const void* target, std::vector<std::string> (*make)(const void*));

// The file of a display icon or candidate path: without a ",index" after its name and without
// surrounding quotes.
std::string IconFilePath(const std::string& path);
// True when the file of `path` lies in `folder` or below it (letter case ignored).
bool InFolder(const std::string& path, const std::string& folder);
// The folder the entry's own registry data name ("" when none): its install location, else the
// first folder of its uninstall command, else its display icon's folder; never a folder that
// holds many applications nor one in the Windows folder.
std::string OwnFolderOf(const clsUS& entry);

// While it lives, the analysis knows the scan's listed entries: the folder each one's own data
// name (or, for an entry whose data name none, the folder the cache confirmed for it; `cached`
// tells by position which entries the cache confirmed) and the name words of each publisher's
// entries. Outside a scan an entry is compared with no other.
class ListedEntries {
public:
    ListedEntries(const colUS& col, const std::vector<bool>& cached);
    ~ListedEntries();
    ListedEntries(const ListedEntries&) = delete;
    ListedEntries& operator=(const ListedEntries&) = delete;
};
// True when the file of `path` lies in a listed entry's folder that is not the entry's own (the
// deepest listed folder holding it decides): another product's file.
bool InOtherEntrysFolder(const clsUS& entry, const std::string& path);
// True when `folder` holds another listed entry's folder below it and is none of the folders
// the entry's own data name (its uninstall command's paths, install location, display icon):
// a folder reached by shortening a missing path (a publisher's folder of several products),
// not the entry's.
bool ShortenedOntoOthers(const clsUS& entry, const std::string& folder);
// The words name matching leaves out for the entry: its publisher's and those of its name that
// another listed entry of the same publisher has in its name.
const std::set<std::string>& PublisherWords(const clsUS& entry);

// True when the file of `path` lies in the Windows folder or below it (a program of the system's).
bool InWindowsFolder(const std::string& path);
// True when the path lies in the Windows folder's store of installer data (an installed
// product's icons there, C:\Windows\Installer\{product}\icon.ico): never the product's folder.
bool InInstallerStore(const std::string& path);
// chk_appPath, telling also whether shortening ended at a folder of many applications.
long CommandFolder(std::string command, std::string& folder, bool& refusedRoot);

// Once the entry's folder is known: drops an executable that is an uninstaller, another
// product's file or no program, and takes the entry's display icon when it names an existing
// program in the entry's folder and no executable was found, or only a name match outside
// that folder.
void CompleteExecutable(clsUS& entry);

}  // namespace Tab_UninstClean::detail
