// Files, folders and drives: existence, the existing part of a path, the shell's special
// folders, browse for folder, opening a file through the shell, copy and delete.
// No routine here shows a message; every failure is a false or empty result.
#pragma once
#include <windows.h>

#include <string>

namespace QV_APIFileAndDisk {

// Special folders (CSIDL numbers) the programs ask for.
enum : int {
    CSIDL_DESKTOP_ = 0, CSIDL_STARTMENU_ = 11, CSIDL_COMMON_STARTMENU_ = 22, CSIDL_COMMON_STARTUP_ = 24,
    CSIDL_WINDOWS_ = 36, CSIDL_PROGRAM_FILES_ = 38, CSIDL_PROGRAM_FILES_COMMON_ = 43
};

// True when the absolute path names an existing folder. A bare drive ("C:") or a drive
// root ("C:\") is true when the drive exists; other paths are searched as path\* and the
// first entry found decides (a folder's first entry is its own "." entry).
bool PathExists(const std::string& path);
// True when the absolute path names an existing file (not a folder).
bool FileExists(const std::string& path);
// Shortens `path` one character at a time (dropping trailing blanks and one trailing
// backslash) until it is an existing folder: true then. False when three or fewer
// characters remain; the argument is left shortened.
bool FindExistingPathPrefix(std::string& path);
// The path of a special folder (CSIDL), without a trailing backslash except for a root.
bool GetSpecialFolder(HWND owner, int csidl, std::string& path);
// Lets the user pick a folder (the dialog opens at `initialFolder`); "" when cancelled.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder,
                            UINT flags = 1);
// Starts `file` through the shell (the shell-execute seam) with `verb` ("" = "open") in
// the file's folder. With `wait` 1, returns only after the started program has ended.
// True when the shell started it.
bool ShellExecuteWait(HWND owner, std::string& file, const std::string& verb = "", long wait = 0,
                      const std::string& parameters = "", int showCmd = SW_SHOWNORMAL);
// Removes one trailing backslash from `path` (the argument changes too) and returns it.
std::string StripTrailingBackslash(std::string& path);
// Deletes the file; the wildcards * and ? delete every match. True when deleted.
bool DeleteFile(const std::string& path);
// CopyFileA; true when copied.
bool CopyFile(const std::string& source, const std::string& target, bool failIfExists);

}  // namespace QV_APIFileAndDisk
