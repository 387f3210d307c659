// Texts the system hands the programs: its message for an error code, and the program's command
// line after the program name.
#pragma once
#include <windows.h>

#include <string>

namespace WinText {

// The system's message for an error or HRESULT code, with the characters of `trailing` cut from
// its end ("" where the system has none).
std::string SystemMessage(DWORD code, const char* trailing);

// The command line after the program's own name (a quoted text, or everything up to the first
// blank or tab), as the platform hands it over: the blanks after the name are kept.
std::string CommandTail();

}  // namespace WinText
