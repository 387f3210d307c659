// The installer layer over msi.dll's flat functions, fed by installer data written in the
// registry form msi.dll reads (under the overridden HKEY_LOCAL_MACHINE).
#include <gtest/gtest.h>

#include <algorithm>

#include "base/QV_Err.h"
#include "platform/InstallerData.h"
#include "tests/support/RegFixture.h"

namespace {

std::string Squash(const std::string& guid) {
    return WindowsInstaller::PackedGuid(guid);
}

TEST(InstallerData, ReadsProductComponentsClientsAndPaths) {
    const std::string product = "{1A2B3C4D-0000-4000-8000-00000000C001}";
    const std::string other = "{1A2B3C4D-0000-4000-8000-00000000C002}";
    const std::string comp1 = "{1A2B3C4D-0000-4000-8000-0000000D0001}";
    const std::string comp2 = "{1A2B3C4D-0000-4000-8000-0000000D0002}";
    const std::string userData = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18";
    std::string text;
    text += "[" + userData + "\\Components\\" + Squash(comp1) + "]\n\"" + Squash(product) +
            "\"=\"C:\\\\Program Files\\\\VelmFx\\\\a.exe\"\n\"" + Squash(other) + "\"=\"C:\\\\Other\\\\b.dll\"\n";
    text += "[" + userData + "\\Components\\" + Squash(comp2) + "]\n\"" + Squash(product) +
            "\"=\"02:\\\\SOFTWARE\\\\VelmFx\\\\Key\"\n";
    for (const auto& p : {product, other}) {
        text += "[" + userData + "\\Products\\" + Squash(p) + "\\InstallProperties]\n"
                "\"LocalPackage\"=\"C:\\\\windows\\\\Installer\\\\" + Squash(p) + ".msi\"\n";
        text += "[Software\\Classes\\Installer\\Products\\" + Squash(p) + "]\n\"ProductName\"=\"VelmFx\"\n";
    }
    RegFixture hklm(HKEY_LOCAL_MACHINE, text);

    WindowsInstaller::Installer installer;
    EXPECT_EQ(installer.ProductInfo(product, "LocalPackage"), "C:\\windows\\Installer\\" + Squash(product) + ".msi");
    auto components = installer.Components();
    EXPECT_NE(std::find(components.begin(), components.end(), comp1), components.end());
    EXPECT_NE(std::find(components.begin(), components.end(), comp2), components.end());
    auto clients = installer.ComponentClients(comp1);
    std::sort(clients.begin(), clients.end());
    EXPECT_EQ(clients, (std::vector<std::string>{product, other}));
    EXPECT_EQ(installer.ComponentPath(product, comp1), "C:\\Program Files\\VelmFx\\a.exe");
    EXPECT_EQ(installer.ComponentPath(product, comp2), "02:\\SOFTWARE\\VelmFx\\Key");
    EXPECT_EQ(installer.ComponentPath(other, comp2), "");

    long number = 0;
    try {
        installer.ProductInfo("{9A2B3C4D-0000-4000-8000-00000000C009}", "LocalPackage");
    } catch (const RunTimeError& e) {
        number = e.Number;
    }
    EXPECT_EQ(number, 1605);
}

}  // namespace
