// The main program's settings under HKEY_CURRENT_USER\Software\Quorvath\Velmora: the
// first-run reset when the stored version differs, the restore into the global state at
// start, the save when the main window closes, and the uninstall cache writer.
#pragma once
#include <windows.h>

#include <string>

#include "base/QV_Err.h"
#include "base/RegKey.h"
#include "base/Variant.h"
#include "VelmVersion.h"
#include "registry/colQVRegistry.h"
#include "uninstall/Tab_UninstClean.h"

namespace Register_UninstClean {

// The module name this module reports its errors under.
inline constexpr char kModule[] = "Register_UninstClean";

inline constexpr const char* cstrProgramKey = "Software\\Quorvath\\Velmora";
inline constexpr const char* cstrSettingsKey = "Software\\Quorvath\\Velmora\\Settings";
// The uninstall cache key (HKEY_LOCAL_MACHINE), defined with the uninstall tab that reads it.
using Tab_UninstClean::cstrCacheKey;
using Tab_UninstClean::kNothingFound;
inline constexpr const char* cstrVersion = VELM_VERSION_TEXT;

// The registry search engine, whose text and options the settings store restores and saves.
inline ::colQVRegistry& colQVRegistry() { return QVRegistry(); }

// True when the program key was (re)created for this version.
bool Firsttime();
void RunStartupSequence();
void RestoreSettings();

// Writes one uninstall entry's cache value into the open cache key. `verified` is the
// entry's verified flag: True writes "1", False or Empty "0", any other value nothing.
// `nothingFound`, when not empty and no folder is written, follows as a fourth field
// ("<:>none:" and it), which versions that read three fields pass over.
void WriteUninstCacheEntry(HKEY cacheKey, const std::string& displayName, const std::string& appPath,
                           const std::string& defaultExecutable, const Variant& verified,
                           const std::string& nothingFound = "");
RegKey OpenUninstCache();  // creates or opens the cache key; an empty key when that fails
void DeleteUninstCache();

inline Variant VerifiedFlag(bool flag) { return Variant(flag); }
inline Variant VerifiedFlag(const Variant& flag) { return flag; }

// The name of an entry's cache value (the two registry views and the user's entries apart).
inline std::string CacheValueName(const clsUS& entry) { return Tab_UninstClean::CacheValueName(entry); }
template <class Entry>
std::string CacheValueName(const Entry& entry) { return entry.strDisplayName; }

// Writes one value per entry of the uninstall collection into the uninstall cache.
template <class Col>
void Save_UninstCleanSettings(const Col& colUS) {
    const RegKey key = OpenUninstCache();
    if (!key) return;
    // An error while walking the entries ends the walk; the entries written so far stay.
    TrapErrors(kModule, "Save_UninstCleanSettings", [&] {
        for (const auto& entry : colUS)
            WriteUninstCacheEntry(key.get(), CacheValueName(*entry), entry->strAppPath, entry->strDefaultExecutable,
                                  VerifiedFlag(entry->blnGenerallyVerified), entry->strNothingFound);
    });
}

// Writes the settings values (unless the program key has just been reset).
bool SaveSettingsValues();

// Writes every setting and, when the uninstall list holds entries, the uninstall cache anew.
template <class Col>
void SaveSettingsToRegistry(const Col& colUS) {
    TrapErrors(kModule, "SaveSettingsToRegistry", [&] {
        if (!SaveSettingsValues()) return;
        if (colUS.Count() > 0) {
            DeleteUninstCache();
            Save_UninstCleanSettings(colUS);
        }
    });
}

// The screen's size in twips.
long ScreenWidthTwips();
long ScreenHeightTwips();

}  // namespace Register_UninstClean
