// Shell links (.lnk files) over the shell's IShellLinkA and IPersistFile: what a shortcut points
// to, and making a shortcut.
#pragma once
#include <string>

struct IShellLinkA;

namespace QV_ShellLink {

// What a new shortcut holds. Empty texts and zeros leave the shell's defaults.
struct ShellLinkData {
    std::string Target;            // the file the shortcut starts
    std::string Arguments;
    std::string WorkingDirectory;  // "" = the target's folder
    std::string Description;
    std::string IconLocation;      // the file whose icon the shortcut shows ("" = the target's)
    int IconIndex = 0;
    int ShowCommand = 0;           // SW_... ; 0 = normal
};

class cShellLink {
public:
    // Creates the shell's link object; raises 429 when the shell offers none.
    cShellLink();
    ~cShellLink();
    cShellLink(const cShellLink&) = delete;
    cShellLink& operator=(const cShellLink&) = delete;

    // Writes the shortcut `linkFile` (replacing one that is there); `succeeded` tells whether
    // the file was written.
    void CreateLink(const std::string& linkFile, const ShellLinkData& data, bool& succeeded);
    // Reads the shortcut `linkFile`: `flag` -1 with the target's path when it points to a file,
    // else 0 with an empty target (unreadable file, a link to a folder, an address or nothing).
    // Never searches for a moved target, shows nothing and never rewrites the link.
    void ResolveLink(const std::string& linkFile, std::string& target, long& flag);

private:
    IShellLinkA* link_ = nullptr;
    bool uninitialize_ = false;
};

}  // namespace QV_ShellLink
