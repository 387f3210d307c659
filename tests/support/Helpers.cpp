#include "tests/support/Helpers.h"

#include <windows.h>

#include "tests/support/RegFixture.h"

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
    return ReadText(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora\\Settings", name);
}
