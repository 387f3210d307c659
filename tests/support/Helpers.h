// Small helpers every test program may use: the Windows folders of the test prefix and the
// program's stored settings (a settings key to load as a fixture, one stored value read back).
#pragma once
#include <windows.h>

#include <string>

// The Windows folder and its system32 folder, as the system reports them ("C:\windows", ...).
std::string WinDir();
std::string Sys32();

// A .reg-style fixture of Velmora's program key of this version with its Settings key holding
// the given value lines (each `"Name"="text"` and a line break).
std::string Stored(const std::string& values);

// One text value of Velmora's Settings key under HKEY_CURRENT_USER; "<none>" when it is not there.
std::string Setting(const std::string& name);

// Starts a process as CreateProcessA does (the same arguments, `application` null for the
// command line's first word). A start the system refuses is tried twice more, a second apart,
// and each refusal is printed with its error code: under a loaded test machine the emulated
// system now and then fails to start a process that starts on the next try.
bool StartProcess(std::string commandLine, PROCESS_INFORMATION& pi, const char* application = nullptr,
                  STARTUPINFOA* startup = nullptr, bool inheritHandles = false, unsigned long flags = 0);

// A failure text that names a process it has ended: it starts with `head`, which ends where the
// process id follows, and it ends with ") was ended."; the process named has really gone.
void ExpectNamesAnEndedProcess(const std::string& text, const std::string& head);

// Sets an environment variable for the scope and puts the old value (or its absence) back.
class EnvGuard {
public:
    EnvGuard(const char* name, const std::string& value) : name_(name) {
        const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
        had_ = n > 0;
        if (had_) {
            old_.resize(n);
            old_.resize(GetEnvironmentVariableA(name, old_.data(), n));
        }
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvGuard() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};
