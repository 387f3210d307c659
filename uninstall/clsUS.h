// The uninstall entries of the uninstall tab: one record per sub-key of HKEY_LOCAL_MACHINE
// Software\Microsoft\Windows\CurrentVersion\Uninstall that has an uninstall command, with the
// application folder and main executable found for it (or taken from the uninstall cache).
#pragma once
#include <string>

#include "base/KeyedCollection.h"

struct clsUS {
    std::string Key;                                  // the uninstall sub-key's name; the collection key
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
