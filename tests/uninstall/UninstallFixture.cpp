#include "tests/uninstall/UninstallFixture.h"


#include <gtest/gtest.h>

#include <fstream>

namespace fx {

std::string HostDir() {
    return VELM_UNINSTALL_HOST_DIR;
}

bool MapDriveRoot() {
    const DWORD bit = 1u << ('U' - 'A');
    if (!(GetLogicalDrives() & bit))
        DefineDosDeviceA(DDD_RAW_TARGET_PATH, "U:", ("\\??\\" + HostDir() + "\\driveroot").c_str());
    return (GetLogicalDrives() & bit) != 0 && GetFileAttributesA("U:\\") != INVALID_FILE_ATTRIBUTES;
}

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name != "." && name != "..") RemoveTree(path + "\\" + name);
            } while (FindNextFileA(h, &found));
            FindClose(h);
        }
    }
    RemoveDirectoryA(path.c_str());
}

void Copy(const std::string& from, const std::string& to) {
    MakeFolders(to.substr(0, to.rfind('\\')));
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

void WriteText(const std::string& path, const std::string& text) {
    MakeFolders(path.substr(0, path.rfind('\\')));
    std::ofstream(path, std::ios::binary) << text;
}

void MakeLink(const std::string& link, const std::string& target) {
    MakeFolders(link.substr(0, link.rfind('\\')));
    QV_ShellLink::cShellLink shell;
    QV_ShellLink::ShellLinkData data;
    data.Target = target;
    bool ok = false;
    shell.CreateLink(link, data, ok);
    ASSERT_TRUE(ok) << link;
}

std::string IconExe() {
    return "C:\\windows\\notepad.exe";
}

std::string IconlessPe() {
    return "C:\\windows\\system32\\kernelbase.dll";
}

std::string ShellFoldersHkcu(const std::string& startMenu, const std::string& desktop) {
    return "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
           "\"Start Menu\"=" + RegQuoted(startMenu) + "\n\"Desktop\"=" + RegQuoted(desktop) + "\n";
}

std::string ShellFoldersHklm(const std::string& commonStartMenu) {
    return "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
           "\"Common Start Menu\"=" + RegQuoted(commonStartMenu) + "\n"
           "[Software\\Microsoft\\Windows\\CurrentVersion]\n"
           "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
           "\"CommonFilesDir\"=\"C:\\\\Program Files\\\\Common Files\"\n";
}

ProgramFolder::ProgramFolder(const std::string& name) : path_("C:\\Program Files\\" + name) {
    RemoveTree(path_);
    MakeFolders(path_);
}

ProgramFolder::~ProgramFolder() {
    RemoveTree(path_);
}

}  // namespace fx
