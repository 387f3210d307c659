// The scans' file lookup: whether the paths the resolvers propose name existing files and
// folders, asked of the file system once per path, and from folder listings while a scan runs;
// and the search path a bare file name is looked for on.
#pragma once
#include <string>
#include <vector>

namespace FileLookup {

// True when `candidate`, without its trailing blanks, names an existing file; that path is then
// put in `found`.
bool ExistingFile(std::string candidate, std::string& found);
// True when the absolute path names an existing folder.
bool ExistingFolder(const std::string& path);

// While an object of this class lives (one scan), the file and folder tests above answer from
// folder listings instead of asking the file system for every candidate path: the path
// resolvers try many candidates in the same few folders, most of them not there, and under Wine
// each "not there" reads the whole folder. Once a few names of one letter were not in a folder,
// its names of that letter are listed; once a few more of any letter were not, all its names; a
// folder found missing answers for every name in it at once. Until then each test asks the file
// system (by attributes, which is quick for what is there). A path is asked of the file system
// once, and that answer holds for the rest of the scan.
class FolderListingCache {
public:
    FolderListingCache();
    ~FolderListingCache();
    FolderListingCache(const FolderListingCache&) = delete;
    FolderListingCache& operator=(const FolderListingCache&) = delete;
private:
    void* previous_;
};

// ---- The search path ----
//
// A bare file name (a program or a server registered without its folder) is looked for in the
// folders of the PATH environment variable and, depending on the caller, in the Windows
// folders.

// PATH's folders in order: empty entries skipped, one trailing backslash taken off each.
std::vector<std::string> SearchPathFolders();
// The Windows folder, "" when the system does not name one.
std::string WindowsFolder();

// Which Windows folders a search tries besides PATH's, and where.
enum class WindowsFolders {
    None,       // PATH's folders only
    AfterPath,  // PATH's folders, then Windows, Windows\system and Windows\system32
    // PATH's first folder, then Windows\system32 and Windows\system, then PATH's other folders;
    // with an empty PATH the two system folders alone
    SystemAfterFirst,
};

// The folders a search tries, in order, read now from PATH and the system.
std::vector<std::string> SearchFolders(WindowsFolders windows);
// Tests each folder & "\" & name through ExistingFile; true at the first that exists, its path
// then in `found` (untouched otherwise). An empty name is found nowhere.
bool FindInFolders(const std::vector<std::string>& folders, const std::string& name, std::string& found);
// FindInFolders over the folders SearchFolders(windows) reads now.
bool FindOnSearchPath(const std::string& name, std::string& found, WindowsFolders windows);

}  // namespace FileLookup
