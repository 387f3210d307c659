// Files, folders and drives: existence, the existing part of a path, the shell's special
// folders, browse for folder, opening a file through the shell, copy and delete.
// No routine here shows a message; every failure is a false or empty result.
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>
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
// characters remain; the argument is left shortened. A text longer than any path is first
// cut to kLongestPath characters (no longer part of it can be a folder).
bool FindExistingPathPrefix(std::string& path);
// The same, with the caller's own folder test (a scan that answers from its folder listings).
bool FindExistingPathPrefix(std::string& path, const std::function<bool(const std::string&)>& pathExists);
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

// ---- Texts from the registry that may name a file ----
//
// A registered text may be of any length. The programs' file functions are the ANSI ones and
// accept no path longer than MAX_PATH - 1 characters, so no longer text names a file or folder:
// the existence tests above answer false for it at once, and the path resolvers test only
// candidates up to that length, so their cost grows with a text's length only through single
// passes over it.

// The longest path that names a file or folder, and the longest name of one file or folder.
constexpr size_t kLongestPath = MAX_PATH - 1;
constexpr size_t kLongestName = 255;
// True when the text is short enough to name a file or folder.
inline bool CanBePath(const std::string& text) { return text.size() <= kLongestPath; }

// The resolvers' cut from the right ("C:\App\app.exe /switch" gives "C:\App\app.exe"): calls
// `test` with the leading parts of `text`, longest first, from the text without its last
// character (cut to kLongestPath characters) down to `shortest` characters, and stops at the
// first for which it answers true. True then.
template <class Test>
bool TryLeadingParts(const std::string& text, size_t shortest, Test test) {
    if (text.empty()) return false;
    for (size_t n = std::min(text.size() - 1, kLongestPath); n >= shortest && n > 0; --n)
        if (test(text.substr(0, n))) return true;
    return false;
}

// The value of an environment variable, whole; "" when it is not set, and for a name longer than
// any path (no variable a path could use).
std::string EnvironmentValue(const std::string& name);

// Environment references in one pass, left to right: each "%NAME%" is replaced by value(NAME),
// and a value is not read again for references. With `firstNameOnly` only the references of
// the first name are replaced. The pass ends, keeping the rest as it stands, at a "%" without
// its closing "%", at a name longer than any path (no variable a path could use), and once the
// result is longer than any path: it names no file either way, and the expansion cannot grow
// without bound.
std::string ExpandReferences(const std::string& text, const std::function<std::string(const std::string&)>& value,
                             bool firstNameOnly = false);

}  // namespace QV_APIFileAndDisk
