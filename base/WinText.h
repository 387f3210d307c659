// Texts the system hands the programs: its message for an error code, the program's command
// line after the program name, and ANSI text in the wide form some functions take.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace WinText {

// The text in UTF-16, read in the ANSI code page, for the functions and structures that take
// wide text only (type libraries, dialog templates, wide notifications).
std::wstring Wide(std::string_view text);

// The system's message for an error or HRESULT code, with the characters of `trailing` cut from
// its end ("" where the system has none).
std::string SystemMessage(DWORD code, const char* trailing);

// The command line after the program's own name (a quoted text, or everything up to the first
// blank or tab), as the platform hands it over: the blanks after the name are kept.
std::string CommandTail();

// The full path of the running program's executable ("" when the system cannot say).
std::string ProgramPath();

}  // namespace WinText
