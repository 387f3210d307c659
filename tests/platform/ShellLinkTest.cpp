// The shell-link layer: a shortcut written and read back, and the shortcuts that point to no
// file (a folder, nothing readable).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/ShellLink.h"

namespace {

TEST(ShellLink, CreatedShortcutResolvesToItsFileOnly) {
    const std::string dir = "C:\\velmfx-links";
    CreateDirectoryA(dir.c_str(), nullptr);
    QV_ShellLink::cShellLink link;
    QV_ShellLink::ShellLinkData data;
    data.Target = "C:\\windows\\notepad.exe";
    data.IconLocation = data.Target;
    bool ok = false;
    link.CreateLink(dir + "\\Notepad.lnk", data, ok);
    ASSERT_TRUE(ok);

    std::string target = "stale";
    long flag = 0;
    link.ResolveLink(dir + "\\Notepad.lnk", target, flag);
    EXPECT_EQ(flag, -1);
    EXPECT_STREQ(target.c_str(), "C:\\windows\\notepad.exe");

    data.Target = "C:\\windows";
    link.CreateLink(dir + "\\Folder.lnk", data, ok);
    ASSERT_TRUE(ok);
    std::ofstream(dir + "\\Broken.lnk") << "not a shortcut";
    for (const char* name : {"\\Folder.lnk", "\\Broken.lnk", "\\Missing.lnk"}) {
        target = "stale";
        flag = -1;
        link.ResolveLink(dir + name, target, flag);
        EXPECT_EQ(flag, 0) << name;
        EXPECT_EQ(target, "") << name;
    }
    for (const char* name : {"\\Notepad.lnk", "\\Folder.lnk", "\\Broken.lnk"}) DeleteFileA((dir + name).c_str());
    RemoveDirectoryA(dir.c_str());
}

}  // namespace
