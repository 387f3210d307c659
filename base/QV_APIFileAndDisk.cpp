#include "base/QV_APIFileAndDisk.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "base/Handle.h"
#include "base/QV_Strings_Lib.h"
#include "base/TextCase.h"
#include "base/Seams.h"

namespace {

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
}

bool HasWildcard(const std::string& path) {
    return path.find_first_of("*?") != std::string::npos;
}

// Blanks removed at both ends, then one trailing backslash.
std::string TrimPath(const std::string& path) {
    std::string p = path;
    QV_Strings_Lib::TrimSpaces(p);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

// True when the drive ("C:") is one of the logical drives.
bool DriveExists(const std::string& drive) {
    DWORD len = GetLogicalDriveStringsA(0, nullptr);
    if (len == 0) return false;
    std::vector<char> buf(len + 1, '\0');
    DWORD got = GetLogicalDriveStringsA(len, buf.data());
    if (got == 0 || got > len) return false;
    for (const char* entry = buf.data(); *entry; entry += std::strlen(entry) + 1) {
        if (TextCase::StartsWith(entry, drive)) return true;
    }
    return false;
}

}  // namespace

namespace QV_APIFileAndDisk {

bool PathExists(const std::string& path) {
    if (path.empty()) return false;
    if (!CanBePath(path)) {
        // Trailing blanks do not count (the search drops them); anything else makes it no path.
        const size_t end = path.find_last_not_of(' ');
        if (end == std::string::npos || end + 1 > kLongestPath) return false;
        return PathExists(path.substr(0, end + 1));
    }
    if (path.size() == 2) return path[1] == ':' && DriveExists(path);
    if (!IsAbsolute(path) || HasWildcard(path)) return false;
    std::string p = TrimPath(path);
    // A drive root exists when the drive does: its first entry is an ordinary file or
    // folder (there is no "." entry in a root), or there is none when the drive is empty.
    if (p.size() == 2 && p[1] == ':') return DriveExists(p);
    WIN32_FIND_DATAA fd;
    if (!FindHandle(FindFirstFileA((p + "\\*").c_str(), &fd))) return false;
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
    if (path.size() < 3 || !CanBePath(path) || !IsAbsolute(path) || HasWildcard(path)) return false;
    WIN32_FIND_DATAA fd;
    if (!FindHandle(FindFirstFileA(path.c_str(), &fd))) return false;
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FindExistingPathPrefix(std::string& path) {
    return FindExistingPathPrefix(path, [](const std::string& p) { return PathExists(p); });
}

bool FindExistingPathPrefix(std::string& path, const std::function<bool(const std::string&)>& pathExists) {
    if (!CanBePath(path)) path.resize(kLongestPath);
    while (path.size() > 3) {
        if (pathExists(path)) return true;
        path.pop_back();
        std::string::size_type end = path.find_last_not_of(' ');
        path.erase(end == std::string::npos ? 0 : end + 1);
        if (!path.empty() && path.back() == '\\') path.pop_back();
    }
    return false;
}

bool GetSpecialFolder(HWND owner, int csidl, std::string& path) {
    char buf[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathA(owner, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) {
        path = buf;
        return true;
    }
    LPITEMIDLIST pidl = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(owner, csidl, &pidl)) && pidl) {
        char buf2[MAX_PATH + 1] = {};
        BOOL ok = SHGetPathFromIDListA(pidl, buf2);
        CoTaskMemFree(pidl);
        if (ok) {
            path = buf2;
            return true;
        }
    }
    return false;
}

namespace {
int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}
}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder, UINT flags) {
    std::string initial = initialFolder;  // read by the callback while the dialog is up
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = flags;
    bi.lpfn = BrowseCallback;
    bi.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (!pidl) return "";
    char buf[MAX_PATH + 1] = {};
    std::string result;
    if (SHGetPathFromIDListA(pidl, buf)) {
        result = buf;
        StripTrailingBackslash(result);
    }
    CoTaskMemFree(pidl);
    return result;
}

bool ShellExecuteWait(HWND owner, std::string& file, const std::string& verb, long wait,
                      const std::string& parameters, int showCmd) {
    ui::ShellRequest request;
    request.owner = owner;
    request.verb = verb;
    QV_Strings_Lib::TrimSpaces(request.verb);
    if (request.verb.empty()) request.verb = "open";
    request.file = file;
    request.parameters = parameters;
    QV_Strings_Lib::GetDirectory(file, request.directory);
    request.show = showCmd;
    request.wait = wait == 1;
    return ui::RunShellExecute(request);
}

std::string StripTrailingBackslash(std::string& path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool DeleteFile(const std::string& path) {
    if (path.empty()) return false;
    if (!HasWildcard(path)) return ::DeleteFileA(path.c_str()) != 0;
    // Every file that matches the pattern; folders are left alone.
    std::string folder;
    std::string::size_type pos = path.rfind('\\');
    if (pos != std::string::npos) folder = path.substr(0, pos + 1);
    std::vector<std::string> matches;
    WIN32_FIND_DATAA fd;
    {
        const FindHandle h(FindFirstFileA(path.c_str(), &fd));
        if (!h) return false;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) matches.push_back(folder + fd.cFileName);
        } while (FindNextFileA(h.get(), &fd));
    }
    if (matches.empty()) return false;
    bool all = true;
    for (const std::string& m : matches)
        if (!::DeleteFileA(m.c_str())) all = false;
    return all;
}

bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
    return ::CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE) == TRUE;
}

std::string EnvironmentValue(const std::string& name) {
    if (name.empty() || !CanBePath(name)) return "";
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
    if (n == 0) return "";
    if (n < sizeof buffer) return std::string(buffer, n);
    std::string big(n, '\0');
    n = GetEnvironmentVariableA(name.c_str(), big.data(), n);
    big.resize(n);
    return big;
}

std::string ExpandReferences(const std::string& text, const std::function<std::string(const std::string&)>& value,
                             bool firstNameOnly) {
    std::string out, only;
    size_t pos = 0;
    bool first = true;
    for (;;) {
        const size_t open = text.find('%', pos);
        const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos || close - open - 1 > kLongestPath || out.size() + (open - pos) > kLongestPath)
            break;
        const std::string name = text.substr(open + 1, close - open - 1);
        if (first) only = name;
        first = false;
        out.append(text, pos, open - pos);
        if (!firstNameOnly || name == only) {
            out += value(name);
            pos = close + 1;
        } else {
            // Another name stays as it stands; its closing "%" may open the next reference.
            out += '%';
            out += name;
            pos = close;
        }
    }
    out.append(text, pos, std::string::npos);
    return out;
}

}  // namespace QV_APIFileAndDisk
