// The autostart shortcut dialog on the prefix's real common Startup folder and on folders of
// the test: the notice, creating (read back through the shell's link object), the installer's
// log line, removing, and the failures the user is told about.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dlg_createShortCut.h"
#include "tests/support/Boxes.h"

namespace {

std::string TempFolder(const char* name) {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    std::string folder = std::string(buf) + name;
    std::filesystem::remove_all(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The target of a .lnk file as the shell's link object reads it.
std::string LinkTarget(const std::string& link) {
    CoInitialize(nullptr);
    std::string target;
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return target;
}

}  // namespace

TEST(Autostart, CommonStartupFolderCreateNoticeAndRemove) {
    const std::string program = TempFolder("velm_autostart_program");
    std::ofstream(program + "\\Velmora.exe") << "";
    std::ofstream(program + "\\INSTALL.LOG", std::ios::binary) << "File Copy: C:\\x\\Velmora.exe\r\n";
    const std::string startup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
    const std::string link = startup + "\\Velmora.lnk";
    DeleteFileA(link.c_str());

    BoxRecorder boxes;
    {
        dlg_createShortCut dlg;
        dlg.ProgramFolder = program;
        dlg.Load();
        EXPECT_EQ(dlg.Caption(), "Autostart Velmora");
        EXPECT_TRUE(_stricmp(dlg.Folder().c_str(), startup.c_str()) == 0) << dlg.Folder();
        EXPECT_EQ(dlg.Label2.Caption(), dlg.Folder());
        EXPECT_FALSE(dlg.Label_Preex.Visible());
        EXPECT_FALSE(dlg.Command3.Visible());
        dlg.Command14.DoClick();
        EXPECT_FALSE(dlg.IsLoaded());
    }
    ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Shortcut successfully created."});
    EXPECT_EQ(boxes.boxes[0].style, 0);
    EXPECT_TRUE(_stricmp(LinkTarget(link).c_str(), (program + "\\Velmora.exe").c_str()) == 0) << LinkTarget(link);
    EXPECT_EQ(ReadFile(program + "\\INSTALL.LOG"),
              "File Copy: C:\\x\\Velmora.exe\r\nFile Copy: " + std::string(link) + "\r\n");

    {
        // Reopened: the notice and Remove show; Remove deletes the shortcut and hides them.
        dlg_createShortCut dlg;
        dlg.ProgramFolder = program;
        dlg.Load();
        EXPECT_TRUE(dlg.Label_Preex.Visible());
        EXPECT_TRUE(dlg.Command3.Visible());
        dlg.Command3.DoClick();
        EXPECT_TRUE(dlg.IsLoaded());
        EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(dlg.Label_Preex.Visible());
        EXPECT_FALSE(dlg.Command3.Visible());
        dlg.Command1.DoClick();
        EXPECT_FALSE(dlg.IsLoaded());
    }
    EXPECT_EQ(boxes.boxes.size(), 1u);
    std::filesystem::remove_all(program);
}

TEST(Autostart, ChosenFoldersFailuresAndNoLog) {
    const std::string program = TempFolder("velm_autostart_nolog");
    const std::string chosen = TempFolder("velm_autostart_chosen");
    BoxRecorder boxes;
    dlg_createShortCut dlg;
    dlg.ProgramFolder = program + "\\";
    dlg.Load();

    // A drive root comes back from the browser with its backslash: the shortcut gets one only.
    dlg.FolderChosen("C:\\");
    EXPECT_EQ(dlg.Folder(), "C:");
    EXPECT_EQ(dlg.ShortcutPath(), "C:\\Velmora.lnk");
    // A cancelled browse changes nothing.
    dlg.FolderChosen(chosen);
    dlg.FolderChosen("");
    EXPECT_EQ(dlg.Folder(), chosen);
    EXPECT_EQ(dlg.Label2.Caption(), chosen);

    // Removing a shortcut that is not there is told with its path; the dialog stays.
    dlg.RemoveShortcut();
    ASSERT_EQ(boxes.Prompts(), std::vector<std::string>{"Error deleting shortcut !\n" + chosen + "\\Velmora.lnk"});
    EXPECT_EQ(boxes.boxes[0].style, ui::vbCritical);
    EXPECT_TRUE(dlg.IsLoaded());

    // Without the installer's log the shortcut is made and nothing is logged.
    dlg.CreateShortcut();
    EXPECT_FALSE(dlg.IsLoaded());
    EXPECT_EQ(boxes.boxes.back().prompt, "Shortcut successfully created.");
    EXPECT_TRUE(_stricmp(LinkTarget(chosen + "\\Velmora.lnk").c_str(), (program + "\\Velmora.exe").c_str()) == 0);
    EXPECT_EQ(GetFileAttributesA((program + "\\INSTALL.LOG").c_str()), INVALID_FILE_ATTRIBUTES);

    // A folder that cannot hold the shortcut.
    dlg_createShortCut failing;
    failing.ProgramFolder = program;
    failing.Load();
    failing.FolderChosen(chosen + "\\no such folder");
    failing.CreateShortcut();
    EXPECT_EQ(boxes.boxes.back().prompt, "Unable to create shortcut");
    EXPECT_EQ(boxes.boxes.back().style, ui::vbCritical);
    EXPECT_FALSE(failing.IsLoaded());

    std::filesystem::remove_all(program);
    std::filesystem::remove_all(chosen);
}
