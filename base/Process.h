// Starting a process. A start that the system refuses with an internal error
// (ERROR_INTERNAL_ERROR) is asked for once more after a short pause: under Wine a busy machine
// now and then fails a process start that way, and the next try starts it. Any other refusal
// is final at once.
#pragma once
#include <windows.h>

#include <string>

namespace Process {

// CreateProcessA with these arguments (no security attributes or environment of its own, the
// current folder); false with GetLastError() as CreateProcessA left it.
bool Start(const char* application, std::string commandLine, bool inheritHandles, DWORD flags, STARTUPINFOA& startup,
           PROCESS_INFORMATION& process);

}  // namespace Process
