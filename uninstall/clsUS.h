// The uninstall entries of the uninstall tab: one record per sub-key of an Uninstall key
// (Software\Microsoft\Windows\CurrentVersion\Uninstall of HKEY_LOCAL_MACHINE's 64-bit and 32-bit
// registry views and of HKEY_CURRENT_USER) that has an uninstall command, with the application
// folder and main executable found for it (or taken from the uninstall cache).
#pragma once
#include <string>

#include "base/KeyedCollection.h"

// The registry view an entry was read from. On 32-bit Windows both machine views are one key.
enum class UninstallView {
    Machine64,  // HKEY_LOCAL_MACHINE through KEY_WOW64_64KEY
    Machine32,  // HKEY_LOCAL_MACHINE through KEY_WOW64_32KEY (Software\WOW6432Node\...)
    User,       // HKEY_CURRENT_USER
};

struct clsUS {
    // The collection key: the uninstall sub-key's name for the machine's 64-bit view, the name
    // after "WOW6432Node\" for its 32-bit view and after "HKCU\" for the current user's (a
    // key name holds no backslash, so the three never meet).
    std::string Key;
    std::string strInstallLocation_ReadFromRegistry;  // "InstallLocation" or "InstallPath", when not empty
    bool blnGenerallyVerified = false;                // the application folder has been determined (cached)
    bool blnDefaultExecutableVerified = false;        // the executable came from a shortcut named like the entry
    std::string strDisplayIcon;                       // "DisplayIcon" as read (may end in ",index")
    std::string strDefaultExecutable;                 // the main executable as found or cached
    std::string strDisplayName;                       // "DisplayName", else the sub-key name; the cache value name
    std::string strUninstallString;                   // "UninstallString" as read
    std::string strInstallerPackageID;                // kept; nothing fills it
    std::string strModifiyPath;                       // "ModifyPath" as read
    std::string strAppPath;                           // the application folder as determined or cached
    bool blnIsInstaller = false;                      // "ModifyPath" names msiexec: an installer product
    std::string strPublisher;                         // "Publisher" as read
    UninstallView lngView = UninstallView::Machine64; // where the entry's key lies
    std::string strSubKeyName;                        // the uninstall sub-key's own name ("" = Key)
    // When the entry's analysis found no folder: what the analysis looked at (the entry's values
    // and the folders they lead to), so that a later scan takes the same "nothing found" from
    // the cache while that still stands; "" otherwise.
    std::string strNothingFound;

    const std::string& SubKeyName() const { return strSubKeyName.empty() ? Key : strSubKeyName; }
};

class colUS : public KeyedCollection<clsUS> {
public:
    // A new entry whose Key is `key`, stored under `sKey` or, when that is empty, under `key`.
    // A key already held raises the collection's error 457.
    Ptr Add(const std::string& key, const std::string& sKey = "") {
        auto rec = std::make_shared<clsUS>();
        rec->Key = key;
        rec->blnIsInstaller = false;
        return KeyedCollection<clsUS>::Add(rec, sKey.empty() ? key : sKey);
    }
    // Set by the main window when the user cancelled the last refresh.
    bool blnUserCanceledRefresh = false;
};
