#include "tests/support/Helpers.h"

#include <windows.h>

std::string WinDir() {
    char buf[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
}

std::string Sys32() {
    char buf[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
}

std::string Stored(const std::string& values) {
    return "[Software\\Quorvath\\Velmora]\n\"Version\"=\"1.8.0\"\n[Software\\Quorvath\\Velmora\\Settings]\n" + values;
}

std::string Setting(const std::string& name) {
    char buf[2048] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora\\Settings", name.c_str(), RRF_RT_REG_SZ, nullptr,
                     buf, &size) != ERROR_SUCCESS)
        return "<none>";
    return buf;
}
