#include "tests/support/Helpers.h"

#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "VelmVersion.h"
#include "base/Process.h"
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
    return "[Software\\Quorvath\\Velmora]\n\"Version\"=\"" VELM_VERSION_TEXT "\"\n[Software\\Quorvath\\Velmora\\Settings]\n" + values;
}

std::string Setting(const std::string& name) {
    return ReadText(HKEY_CURRENT_USER, "Software\\Quorvath\\Velmora\\Settings", name);
}

bool StartProcess(std::string commandLine, PROCESS_INFORMATION& pi, const char* application, STARTUPINFOA* startup,
                  bool inheritHandles, unsigned long flags) {
    STARTUPINFOA plain{};
    plain.cb = sizeof plain;
    STARTUPINFOA& si = startup ? *startup : plain;
    for (int attempt = 1;; ++attempt) {
        if (Process::Start(application, commandLine, inheritHandles, flags, si, pi)) return true;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "starting %s failed (attempt %d, error %lu)\n", commandLine.c_str(), attempt, error);
        if (attempt == 3) return false;
        Sleep(1000);
    }
}

void ExpectNamesAnEndedProcess(const std::string& text, const std::string& head) {
    ASSERT_EQ(text.rfind(head, 0), 0u) << text;
    EXPECT_TRUE(text.ends_with(") was ended.")) << text;
    const DWORD pid = std::stoul(text.substr(head.size()));
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (h) {
        EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << pid;
        CloseHandle(h);
    }
}
