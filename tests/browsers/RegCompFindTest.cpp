// The search of the components tab over the registry keys of the listed classes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "components/Tab_RegComp.h"
#include "registry/colQVRegistry.h"
#include "tests/support/RegistryTabWindow.h"
#include "tests/support/RegFixture.h"

using namespace Tab_RegComp;

namespace {

std::string Clsid(int n) { return "{00000000-0000-0000-0000-0000000000F" + std::to_string(n) + "}"; }
// Classes 3 and 4 are local servers (their type library is read only then), the others in-process.
std::string ClassNode(int n) { return (n == 3 || n == 4 ? "EXEServer\\" : "DLLServer\\") + Clsid(n); }

class RegCompFind : public ::testing::Test {
protected:
    RegFixture hkcr{HKEY_CLASSES_ROOT, R"(
        [CLSID\{00000000-0000-0000-0000-0000000000F1}\InprocServer32]
        @="C:\\nowhere\\uniqueneedle.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F1}\ProgID]
        @="Fix.Prog1"
        [CLSID\{00000000-0000-0000-0000-0000000000F2}\InprocServer32]
        @="C:\\nowhere\\two.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F2}\ProgID]
        @="Fix.Prog2"
        [Fix.Prog2]
        "tag"="progneedle"
        [CLSID\{00000000-0000-0000-0000-0000000000F3}\LocalServer32]
        @="C:\\nowhere\\three.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F3}\ProgID]
        @="Fix.Prog3"
        [CLSID\{00000000-0000-0000-0000-0000000000F3}\TypeLib]
        @="{00000000-0000-0000-0000-0000000000B1}"
        [CLSID\{00000000-0000-0000-0000-0000000000F4}\LocalServer32]
        @="C:\\nowhere\\four.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F4}\ProgID]
        @="Fix.Prog4"
        [CLSID\{00000000-0000-0000-0000-0000000000F4}\TypeLib]
        @="{00000000-0000-0000-0000-0000000000B1}"
        [TypeLib\{00000000-0000-0000-0000-0000000000B1}\1.0]
        @="libneedle library"
        [CLSID\{00000000-0000-0000-0000-0000000000F5}\InprocServer32]
        @="C:\\nowhere\\five.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F5}\ProgID]
        @="CLSID"
    )"};
    RegistryTabWindow w;
    colRegComp col;
    void SetUp() override {
        FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel);
        ASSERT_TRUE(w.tvw.Nodes.Exists(ClassNode(1)));
    }
    void Search(const std::string& text) {
        FindInRegComp(w.tvw, col, w.stb1, {.text = text}, w.blnCancel);
    }
    std::vector<std::string> Found() {
        std::vector<std::string> keys;
        for (const auto& n : w.tvw.Nodes.All())
            if (n->Image().key == "Found") keys.push_back(n->Key());
        return keys;
    }
    long Children(int n) { return w.tvw.Nodes.Item(ClassNode(n))->Children(); }
};

}  // namespace

TEST_F(RegCompFind, MarksATextFoundInOneClassServerKey) {
    Search("uniqueneedle");
    const std::string hit = ClassNode(1) + "\\HKEY_CLASSES_ROOT\\CLSID\\" + Clsid(1) + "\\InprocServer32";
    EXPECT_EQ(Found(), std::vector<std::string>{hit});
    // The class's entries tree is rebuilt whole; the other classes stay unopened.
    EXPECT_TRUE(w.tvw.Nodes.Exists(ClassNode(1) + "\\HKEY_CLASSES_ROOT\\CLSID\\" + Clsid(1)));
    for (int n : {2, 3, 4, 5}) EXPECT_EQ(Children(n), 0) << n;
}

TEST_F(RegCompFind, ProgIdAndSharedTypeLibraryHits) {
    Search("progneedle");
    EXPECT_EQ(Found(), std::vector<std::string>{ClassNode(2) + "\\HKEY_CLASSES_ROOT\\Fix.Prog2"});
    EXPECT_EQ(Children(2), 1);  // only the path to the hit

    Search("libneedle");
    auto found = Found();
    for (int n : {3, 4}) {
        const std::string key = ClassNode(n) + "\\HKEY_CLASSES_ROOT\\TypeLib\\{00000000-0000-0000-0000-0000000000B1}\\1.0";
        EXPECT_NE(std::find(found.begin(), found.end(), key), found.end()) << key;
    }
}

TEST_F(RegCompFind, CancelledSearchMarksNothing) {
    w.blnCancel = true;
    Search("needle");
    EXPECT_TRUE(Found().empty());
}
