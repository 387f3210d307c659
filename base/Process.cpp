#include "base/Process.h"

namespace Process {

bool Start(const char* application, std::string commandLine, bool inheritHandles, DWORD flags, STARTUPINFOA& startup,
           PROCESS_INFORMATION& process) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(application, commandLine.data(), nullptr, nullptr, inheritHandles, flags, nullptr, nullptr,
                           &startup, &process))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2) return false;
        Sleep(500);
        SetLastError(error);
    }
}

}  // namespace Process
