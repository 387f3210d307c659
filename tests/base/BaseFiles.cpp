#include "BaseFiles.h"

#include <gtest/gtest.h>

namespace basetest {

std::string ExeFolder() {
    char buf[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string p = buf;
    return p.substr(0, p.rfind('\\'));
}

std::string VersionFixture(const std::string& name) {
    std::string base = ExeFolder();
    base = base.substr(0, base.rfind('\\'));  // tests/
    return base + "\\fixtures\\version\\" + name;
}

namespace {
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}
}  // namespace

ScratchDir::ScratchDir(const std::string& name) {
    char tmp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof tmp, tmp);
    char longTmp[MAX_PATH * 2] = {};
    if (GetLongPathNameA(tmp, longTmp, sizeof longTmp)) path_ = longTmp;
    else path_ = tmp;
    if (!path_.empty() && path_.back() == '\\') path_.pop_back();
    path_ += "\\" + name + "-" + std::to_string(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ReadFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

LCID UserLocale() {
    return LANGIDFROMLCID(GetUserDefaultLCID());
}

FILETIME LocalToUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    SYSTEMTIME utc;
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME ft;
    SystemTimeToFileTime(&utc, &ft);
    return ft;
}

}  // namespace basetest
