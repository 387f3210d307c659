// Text and path routines.
#pragma once
#include <windows.h>

#include <string>

namespace QV_Strings_Lib {

// The last component of the path (after its last backslash, the whole path when there is
// none). If it has at least three characters it is handed out in `name` and the result
// is false; a shorter one leaves `name` unchanged and gives true. `name` may be `path`.
bool GetFileName(const std::string& path, std::string& name);
// The same, working on its own copy of the path.
bool GetFileNameOf(std::string path, std::string& name);
// The folder part of a path: everything before its last backslash; a drive root ("C:\")
// is its own folder; a UNC prefix "\\" is kept. False (and `folder` untouched) when the
// path has no backslash; "" and false when the path without a UNC prefix is shorter
// than four characters. `folder` may be `path`.
bool GetDirectory(const std::string& path, std::string& folder);
// Every occurrence of `find`, left to right without overlap, replaced (letter case
// counts). The text comes back unchanged when `find` is empty or equals `replacement`.
std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement);
// Removes blanks (" " only) at the end, then at the start.
void TrimSpaces(std::string& text);
// The path up to (not including) its last backslash; "" when the path is shorter than
// three characters or has no backslash.
std::string GetParentPath(const std::string& path);
// MMDDYYYY of a date (4 July 2003 gives 07042003).
std::string DateToMMDDYYYY(const SYSTEMTIME& date);
std::string DateToMMDDYYYY(double date);
// The text up to its first NUL; the whole text when it has none.
std::string TrimAtNull(const std::string& text);

}  // namespace QV_Strings_Lib
