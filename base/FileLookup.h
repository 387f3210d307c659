// The scans' file lookup: whether the paths the resolvers propose name existing files and
// folders, asked of the file system once per path, and from folder listings while a scan runs.
#pragma once
#include <string>

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

}  // namespace FileLookup
