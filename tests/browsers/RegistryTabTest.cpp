// The registry tabs' descriptions and their whole-entry deletes: a name taken from registry data
// that would name a shared tree, a general entry, a path or nothing is refused and its key stays;
// an ordinary name goes with its tree.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "browsers/Tab_CMH.h"
#include "browsers/Tab_SD.h"
#include "components/Tab_RegComp.h"
#include "registry/RegistryTab.h"
#include "tests/support/RegFixture.h"

TEST(RegistryTab, EachTabDescribesItsHiveAndLevels) {
    struct Case {
        const char* tab;
        const RegistryTabRules& rules;
        HKEY hive;
        int leading;
        long keyLevel, renameLevel;
    };
    const Case cases[] = {
        {"components", Tab_RegComp::EditRules(), HKEY_CLASSES_ROOT, 3, 3, 3},
        {"file types", Tab_CMH::EditRules(), HKEY_CLASSES_ROOT, 2, 2, 3},
        {"services", Tab_SD::EditRules(), HKEY_LOCAL_MACHINE, 2, 5, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        EXPECT_EQ(c.rules.hive, c.hive);
        EXPECT_EQ(c.rules.leading, c.leading);
        EXPECT_EQ(c.rules.keyLevel, c.keyLevel);
        EXPECT_EQ(c.rules.renameLevel, c.renameLevel);
        EXPECT_TRUE(c.rules.newKey && c.rules.renameKey && c.rules.deleteKey && c.rules.newValue &&
                    c.rules.deleteValue);
    }
    EXPECT_EQ(Tab_CMH::ExtensionOfNode(std::string(Tab_CMH::NodePrefix) + ".txt"), ".txt");
    EXPECT_EQ(Tab_CMH::ExtensionOfNode(Tab_CMH::NodePrefix), "");
    EXPECT_EQ(Tab_CMH::ExtensionOfNode(".txt"), "");
    EXPECT_EQ(Tab_RegComp::ClassOfNode("DLLServer\\{X}"), "{X}");
    EXPECT_EQ(Tab_RegComp::ClassOfNode("DLLServer"), "");
}

TEST(RegistryTab, WholeEntryDeletesRefuseNamesThatAreNoEntryOfTheirOwn) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, R"(
[CLSID\Kept]
[CLSID\{A}\Sub]
[TypeLib\Kept]
[Interface\Kept]
[Folder\Kept]
[.fx\Sub]
)");
    RegFixture hklm(HKEY_LOCAL_MACHINE, R"(
[SYSTEM\CurrentControlSet\Services\Kept]
[SYSTEM\CurrentControlSet\Services\Svc\Sub]
)");
    const std::string services = std::string(Tab_SD::ServicesKey) + "\\";
    struct Case {
        const char* name;
        std::function<long()> remove;
        HKEY hive;
        std::string key;  // the key that must stay, or go when `goes`
        bool goes;
    };
    const Case cases[] = {
        {"class: shared tree", [] { return Tab_RegComp::DeleteClassKey("TypeLib"); }, HKEY_CLASSES_ROOT, "CLSID\\Kept",
         false},
        {"class: a path", [] { return Tab_RegComp::DeleteClassKey("x\\..\\Kept"); }, HKEY_CLASSES_ROOT, "CLSID\\Kept",
         false},
        {"class: empty", [] { return Tab_RegComp::DeleteClassKey(""); }, HKEY_CLASSES_ROOT, "CLSID", false},
        {"class: own key", [] { return Tab_RegComp::DeleteClassKey("{A}"); }, HKEY_CLASSES_ROOT, "CLSID\\{A}", true},
        {"file type: shared tree", [] { return Tab_CMH::DeleteFileTypeKey("Interface"); }, HKEY_CLASSES_ROOT,
         "Interface\\Kept", false},
        {"file type: general entry", [] { return Tab_CMH::DeleteFileTypeKey("folder"); }, HKEY_CLASSES_ROOT,
         "Folder\\Kept", false},
        {"file type: a path", [] { return Tab_CMH::DeleteFileTypeKey("TypeLib\\Kept"); }, HKEY_CLASSES_ROOT,
         "TypeLib\\Kept", false},
        {"file type: own key", [] { return Tab_CMH::DeleteFileTypeKey(".fx"); }, HKEY_CLASSES_ROOT, ".fx", true},
        {"service: a path", [] { return Tab_SD::DeleteServiceKey("Svc\\..\\Kept"); }, HKEY_LOCAL_MACHINE,
         services + "Kept", false},
        {"service: empty", [] { return Tab_SD::DeleteServiceKey(""); }, HKEY_LOCAL_MACHINE, Tab_SD::ServicesKey,
         false},
        {"service: own key", [] { return Tab_SD::DeleteServiceKey("Svc"); }, HKEY_LOCAL_MACHINE, services + "Svc",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long rc = c.remove();
        EXPECT_EQ(rc == 0, c.goes);
        EXPECT_EQ(KeyExists(c.hive, c.key), !c.goes);
    }
}
