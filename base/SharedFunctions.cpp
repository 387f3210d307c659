#include "base/SharedFunctions.h"

#include <windows.h>

#include "base/QV_APIFileAndDisk.h"
#include "base/TextCase.h"
#include "base/Seams.h"

namespace {

// The folder in a form that compares: full, long, without a trailing backslash.
std::string Canonical(const std::string& folder) {
    char full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    std::string p = (n > 0 && n < sizeof full) ? std::string(full) : folder;
    char longName[MAX_PATH * 2] = {};
    n = GetLongPathNameA(p.c_str(), longName, sizeof longName);
    if (n > 0 && n < sizeof longName) p = longName;
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    return p;
}

bool IsWindowsOrSystemFolder(const std::string& folder) {
    char windows[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
    std::string f = Canonical(folder);
    if (GetWindowsDirectoryA(windows, sizeof windows) && TextCase::Equal(f, Canonical(windows))) return true;
    if (GetSystemDirectoryA(system, sizeof system) && TextCase::Equal(f, Canonical(system))) return true;
    return false;
}

}  // namespace

namespace SharedFunctions {

void ShellOpen(const std::string& pathOrAddress) {
    ui::ShellOpen(pathOrAddress);
}

std::string AppPath() {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string p(buf, n < sizeof buf ? n : 0);
    std::string::size_type pos = p.rfind('\\');
    if (pos == std::string::npos) return p;
    p.erase(pos);
    return p;
}

void DeleteStrayHelperCopiesIn(const std::string& folder) {
    if (folder.empty() || IsWindowsOrSystemFolder(folder)) return;
    for (const char* name : {"\\msiexec.exe", "\\rundll32.exe"}) {
        std::string path = folder + name;
        if (QV_APIFileAndDisk::FileExists(path)) QV_APIFileAndDisk::DeleteFile(path);
    }
}

void SyncUninstallerCopiesIn(const std::string& folder) {
    const std::string qv = folder + "\\QVUNWISE.EXE", plain = folder + "\\UNWISE.EXE";
    for (int pass = 0; pass < 2; ++pass) {
        if (QV_APIFileAndDisk::FileExists(qv)) QV_APIFileAndDisk::CopyFile(qv, plain, false);
        if (QV_APIFileAndDisk::FileExists(plain)) QV_APIFileAndDisk::CopyFile(plain, qv, false);
    }
}

void DeleteStrayHelperCopies() {
    DeleteStrayHelperCopiesIn(AppPath());
}

void SyncUninstallerCopies() {
    SyncUninstallerCopiesIn(AppPath());
}

}  // namespace SharedFunctions
