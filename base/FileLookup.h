// The programs' file lookup, the one place that asks the file system whether a path names a file
// or a folder, lists a folder, reads a file's attributes or finds a file as the loader does:
// whether the paths the resolvers propose name existing files and folders, asked of the file
// system once per path, and from folder listings while a scan runs; and the search path a bare
// file name is looked for on. Every function here applies the path rules of QV_APIFileAndDisk: a
// text longer than a path names no file or folder.
//
// A 32-bit program on 64-bit Windows sees the system folder redirected to the folder of 32-bit
// system files. Where a tab shows what the system itself names (a service's driver, a file type's
// program), it asks inside a NativeSystemFolder scope, and the system folder is then seen as
// the system's own through its "Sysnative" alias; everywhere else the program sees its own view.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace FileLookup {

// ---- The system folder of the system's own bitness ----

// True in a 32-bit program on 64-bit Windows.
bool IsWow64();
// `path` as this program reaches the file the system itself names by it: in a 32-bit program on
// 64-bit Windows a path in the system folder ("C:\Windows\system32\...") goes through the
// Windows folder's "Sysnative" alias; every other path, and every path in a program of the
// system's bitness, is returned as it is.
std::string NativePath(const std::string& path);

// While an object of this class lives, the file tests, listings, attributes and loader search
// below, on this thread, see the system folder of the system's own bitness (NativePath); the
// paths they report stay as the caller wrote them, except LoaderFile's, which is the path to
// open. Nested scopes are allowed.
class NativeSystemFolder {
public:
    NativeSystemFolder();
    ~NativeSystemFolder();
    NativeSystemFolder(const NativeSystemFolder&) = delete;
    NativeSystemFolder& operator=(const NativeSystemFolder&) = delete;
};
// `path` as the file functions are to open it now: NativePath inside a NativeSystemFolder
// scope, else unchanged.
std::string PathToOpen(const std::string& path);

// ---- The system folder of a module's own machine ----
//
// The loader puts no 64-bit library into a 32-bit program, nor the other way round: on 64-bit
// Windows a 64-bit module's system libraries are the native System32's, a 32-bit module's
// SysWOW64's, whichever program looks at them. These functions follow that rule for a module of
// a given machine (IMAGE_FILE_MACHINE_*); a machine of unknown bitness, and every machine on
// 32-bit Windows, is taken as this program's own.

// True when modules of `machine` run in a program of this program's bitness (unknown machines
// included), so that this program's own view of the system folder is theirs.
bool IsOwnBitness(WORD machine);
// `path` as a module of `machine` would name it to its loader, reached from this program: a path
// in the system folder goes to the system folder of the module's machine (SysWOW64 from a
// 64-bit program for a 32-bit module; the "Sysnative" alias from a 32-bit program on 64-bit
// Windows for a 64-bit module). The folders the redirection leaves alone keep their place. Any
// other path, and every path for a module of this program's bitness, is returned as it is.
std::string PathForMachine(const std::string& path, WORD machine);
// The system folder a module of `machine` takes its system libraries from, as this program
// reaches it ("" when the system names none).
std::string SystemFolderFor(WORD machine);
// The file that this program actually reads for `path`, named where it lies: in a 32-bit program
// on 64-bit Windows, outside a NativeSystemFolder scope, a path that the system redirects
// ("C:\Windows\system32\notepad.exe") names the SysWOW64 file it reads
// ("C:\Windows\SysWOW64\notepad.exe"); every other path is returned as it is. A window shows
// this name where the two views of a file differ.
std::string ReadPath(const std::string& path);
// In a 32-bit program on 64-bit Windows, outside a NativeSystemFolder scope: the path through
// which this program reaches the file or folder that the system's own view names by `path`, when
// that differs from what this program reads for it (a path in the redirected system folder: its
// "Sysnative" form); "" everywhere else. A message never says that a file does not exist when it
// exists in that other view.
std::string OtherViewPath(const std::string& path);

// ---- Files and folders ----

// True when `candidate`, without its trailing blanks, names an existing file; that path is then
// put in `found`.
bool ExistingFile(std::string candidate, std::string& found);
// True when the absolute path, without its trailing blanks, names an existing file (not a folder).
bool IsFile(const std::string& path);
// True when the absolute path names an existing folder.
bool ExistingFolder(const std::string& path);
// The attributes, size and times of the file or folder of `path` (GetFileAttributesEx); false
// when there is none or it cannot be read.
bool Facts(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data);

// One entry of a folder listing: its name, its short alias ("" when it has none) and attributes.
struct FolderEntry {
    std::string name, shortName;
    DWORD attributes = 0;
};
enum class Listed {
    Yes,       // listed (perhaps nothing matched)
    NoFolder,  // the folder does not exist: nothing can be in it
    Refused,   // the system would not list it (it may still hold files)
};
// Lists the entries of `folder` (without a trailing backslash) that match `pattern` ("*" for all,
// "." and ".." included as the system lists them), in the system's order, calling `each` for
// each until it answers false.
Listed ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& each,
                  const std::string& pattern = "*");

// ---- The loader's search ----

// The file that the system's loader opens for a name, as this program is to open it: a name
// without a folder is looked for along the search path (SearchPath), with `extension` (".DLL")
// added to a name that has none; a path with a folder is taken as it names an existing file. ""
// when no such file exists, when it is a folder, and for a name or a result longer than a path.
// A bare name imported by a module of `machine` of the other bitness is looked for in the same
// order (the program's folder, the system folder, Windows\system, Windows, the current folder,
// PATH's folders), with every system folder in it the one of that machine (PathForMachine).
std::string LoaderFile(const std::string& name, const char* extension = nullptr, WORD machine = 0);

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

// A search-folder list read once and kept: the tabs that resolve many bare names read the
// folders at the start of a scan (Read) and take them as they stand afterwards (Ensure reads
// them only when they were never read).
class SearchFolderCache {
public:
    explicit SearchFolderCache(WindowsFolders windows) : windows_(windows) {}
    void Read();
    void Ensure();
    const std::vector<std::string>& Folders() const { return folders_; }
    // FindInFolders over the kept folders, read first when they never were.
    bool Find(const std::string& name, std::string& found);
private:
    WindowsFolders windows_;
    bool read_ = false;
    std::vector<std::string> folders_;
};

}  // namespace FileLookup
