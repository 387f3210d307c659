// The component tree: the full scan of the real and of a fixture HKEY_CLASSES_ROOT, node texts
// in every arranged-by mode, re-entry through the scan's yields, and the type-library refresh
// with the prefix's stdole2.tlb and the fixture COM server.
#include <gtest/gtest.h>
#include <windows.h>

#include "VelmComServerFixture.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "tests/support/RegistryTabWindow.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"
#include "tests/regsvr/LoaderDamage.h"

using namespace Tab_RegComp;

namespace {
const char kStdFont[] = "{0BE35203-8F91-11CE-9DE3-00AA004BB851}";
const char kStdPicture[] = "{0BE35204-8F91-11CE-9DE3-00AA004BB851}";
const char kWmp[] = "{6BF52A52-394A-11D3-B153-00C04F79FAA6}";
const char kMsiServer[] = "{000C101C-0000-0000-C000-000000000046}";
const char kIE[] = "{0002DF01-0000-0000-C000-000000000046}";

bool EndsWithNoCase(const std::string& s, const std::string& tail) { return TextCase::EndsWith(s, tail); }

// The class nodes of a record under all three roots.
int NodesOf(ui::TreeView& tree, const std::string& clsid) {
    int n = 0;
    for (const char* root : {"Control\\", "DLLServer\\", "EXEServer\\"}) n += tree.Nodes.Exists(root + clsid);
    return n;
}
}  // namespace

TEST(RegCompScan, RealRegistryPutsEveryClassUnderItsRoot) {
    RegistryTabWindow w;
    colRegComp col;
    EXPECT_TRUE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    auto& nodes = w.tvw.Nodes;
    for (const char* root : {"Control", "DLLServer", "EXEServer"}) {
        SCOPED_TRACE(root);
        EXPECT_TRUE(nodes.Item(root)->Children() < 2 || nodes.Item(root)->Sorted());
    }
    EXPECT_EQ(nodes.Item("Control")->Text(), "Controls");
    EXPECT_EQ(nodes.Item("DLLServer")->Text(), "DLL Servers");
    EXPECT_EQ(nodes.Item("EXEServer")->Text(), "EXE Servers");
    EXPECT_EQ(w.stb1.Panel(1).Text().rfind("Processing '{", 0), 0u) << w.stb1.Panel(1).Text();

    auto wmp = nodes.Item(std::string("Control\\") + kWmp);
    EXPECT_EQ(wmp->Text(), "WMPlayer.OCX.7");
    EXPECT_EQ(wmp->Image().key, "Control");
    EXPECT_FALSE(wmp->Bold());
    auto msi = nodes.Item(std::string("EXEServer\\") + kMsiServer);
    EXPECT_EQ(msi->Image().key, "EXEServer");
    EXPECT_FALSE(msi->Bold());
    EXPECT_EQ(col.Item(kMsiServer)->vntFileLocation, "Not defined.");

    auto font = col.Item(kStdFont);
    EXPECT_TRUE(nodes.Exists(std::string("DLLServer\\") + kStdFont));
    EXPECT_TRUE(font->blnFileExist);
    EXPECT_TRUE(EndsWithNoCase(font->vntFileLocationEx, "\\oleaut32.dll")) << font->vntFileLocationEx;
    auto ie = col.Item(kIE);
    EXPECT_TRUE(ie->blnIsLocalServer32);
    EXPECT_TRUE(ie->blnFileExist);
    EXPECT_TRUE(EndsWithNoCase(ie->vntFileLocationEx, "\\Internet Explorer\\iexplore.exe")) << ie->vntFileLocationEx;
    EXPECT_EQ(nodes.Item(std::string("EXEServer\\") + kIE)->Image().key, "EXEServer");
}

class FixtureScan : public ::testing::Test {
protected:
    RegFixture hkcr{HKEY_CLASSES_ROOT, R"(
        [CLSID]
        @="the container's own value"
        [CLSID\CLSID]
        [CLSID\CLSID\ProgID]
        @="Not.A.Class"
        [CLSID\{00000000-0000-0000-0000-00000000000A}]
        @="Text class"
        [CLSID\{00000000-0000-0000-0000-00000000000A}\ProgID]
        @="Fix.Text.1"
        [CLSID\{00000000-0000-0000-0000-00000000000A}\TypeLib]
        @="{00000000-0000-0000-0000-0000000000AB}"
        [TypeLib\{00000000-0000-0000-0000-0000000000AB}\1.0]
        @="Fix Library"
        [CLSID\{00000000-0000-0000-0000-00000000000B}]
        @="No ProgID"
        [CLSID\{00000000-0000-0000-0000-00000000000B}\InprocServer32]
        @="ole32.dll"
        [CLSID\{00000000-0000-0000-0000-00000000000C}\ProgID]
        @="Fix.Missing"
        [CLSID\{00000000-0000-0000-0000-00000000000C}\InprocServer32]
        @="C:\\nowhere\\gone.ocx"
    )"};
    RegistryTabWindow w;
    colRegComp col;
    void SetUp() override {
        hkcr.Load("[CLSID\\{00000000-0000-0000-0000-00000000000A}\\LocalServer32]\n@=\"" + Esc(Sys32()) +
                  "\\\\notepad.exe\"\n");
    }
    static std::string Esc(const std::string& s) {
        std::string o;
        for (char c : s) o += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return o;
    }
};

TEST_F(FixtureScan, NodeTextsInEveryArrangement) {
    const std::string loc = Sys32() + "\\notepad.exe";
    const std::string c = "{00000000-0000-0000-0000-00000000000A}";
    const struct {
        long by;
        std::string plain, detailed;
    } modes[] = {
        {0, "Fix.Text.1", "Fix.Text.1,TypeLib:Fix Library - " + loc},
        {1, c, c + " - Fix.Text.1 - " + loc},
        {2, loc, loc + " - Fix.Text.1,TypeLib:Fix Library"},
        {3, "Fix Library", "Fix Library - Fix.Text.1 - " + loc},
        {7, "Fix.Text.1", "Fix.Text.1"},
    };
    for (const auto& m : modes) {
        for (bool detailed : {false, true}) {
            SCOPED_TRACE(m.by * 10 + detailed);
            FillRegCompTree(col, w.tvw, m.by, detailed, w.stb1, w.blnCancel);
            auto node = w.tvw.Nodes.Item("EXEServer\\" + c);
            EXPECT_TRUE(TextCase::Equal(node->Text(), detailed ? m.detailed : m.plain)) << node->Text();
        }
    }
    // The class without ProgID has a record but no node; the key "CLSID" is no class at all.
    EXPECT_EQ(col.Count(), 3);
    EXPECT_TRUE(col.Item("{00000000-0000-0000-0000-00000000000B}")->vntProgID.empty());
    EXPECT_EQ(NodesOf(w.tvw, "{00000000-0000-0000-0000-00000000000B}"), 0);
    EXPECT_FALSE(col.Exists("CLSID"));
    // A control whose file is missing: Strike and bold although nothing asked to mark it.
    auto missing = w.tvw.Nodes.Item("Control\\{00000000-0000-0000-0000-00000000000C}");
    EXPECT_EQ(missing->Image().key, "Strike");
    EXPECT_TRUE(missing->Bold());
    // Arranged by type-library name, a class without a library reads "Not defined.".
    FillRegCompTree(col, w.tvw, 3, false, w.stb1, w.blnCancel);
    EXPECT_EQ(missing->IsRemoved(), true);
    EXPECT_EQ(w.tvw.Nodes.Item("Control\\{00000000-0000-0000-0000-00000000000C}")->Text(), "Not defined.");
}

TEST(RegCompScan, EachClassGoesUnderTheRootOfItsKind) {
    // Every kind of registration once or more, each class named after the root it belongs under.
    RegFixture hkcr(HKEY_CLASSES_ROOT, R"(
        [CLSID\{00000000-0000-0000-0000-0000000000C1}\ProgID]
        @="Control.OcxServer"
        [CLSID\{00000000-0000-0000-0000-0000000000C1}\InprocServer32]
        @="C:\\x\\a.OcX"
        [CLSID\{00000000-0000-0000-0000-0000000000C2}\ProgID]
        @="Control.ControlKeyDll"
        [CLSID\{00000000-0000-0000-0000-0000000000C2}\InprocServer32]
        @="ole32.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000C2}\Control]
        [CLSID\{00000000-0000-0000-0000-0000000000D1}\ProgID]
        @="DLLServer.Dll"
        [CLSID\{00000000-0000-0000-0000-0000000000D1}\InprocServer32]
        @="ole32.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000D2}\ProgID]
        @="DLLServer.EmptyServerText"
        [CLSID\{00000000-0000-0000-0000-0000000000D2}\InprocServer32]
        [CLSID\{00000000-0000-0000-0000-0000000000D3}\ProgID]
        @="DLLServer.OcxInTheMiddle"
        [CLSID\{00000000-0000-0000-0000-0000000000D3}\InprocServer32]
        @="C:\\x\\a.ocx.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\ProgID]
        @="EXEServer.Local"
        [CLSID\{00000000-0000-0000-0000-0000000000E1}\LocalServer32]
        @="notepad.exe /automation"
        [CLSID\{00000000-0000-0000-0000-0000000000E2}\ProgID]
        @="EXEServer.NoServer"
        [CLSID\{00000000-0000-0000-0000-0000000000E3}\ProgID]
        @="EXEServer.ControlKeyOnly"
        [CLSID\{00000000-0000-0000-0000-0000000000E3}\Control]
        [CLSID\{00000000-0000-0000-0000-0000000000F1}\InprocServer32]
        @="ole32.dll"
        [CLSID\{00000000-0000-0000-0000-0000000000F2}\ProgID]
        @=""
        [CLSID\NotAClass\ProgID]
        @="Not.A.Class"
    )");
    RegistryTabWindow w;
    colRegComp col;
    ASSERT_TRUE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    // Sorted by text under each root.
    const std::pair<const char*, std::vector<std::string>> roots[] = {
        {"Control", {"Control.ControlKeyDll", "Control.OcxServer"}},
        {"DLLServer", {"DLLServer.Dll", "DLLServer.EmptyServerText", "DLLServer.OcxInTheMiddle"}},
        {"EXEServer", {"EXEServer.ControlKeyOnly", "EXEServer.Local", "EXEServer.NoServer"}},
    };
    for (const auto& [root, texts] : roots) {
        SCOPED_TRACE(root);
        auto node = w.tvw.Nodes.Item(root);
        EXPECT_TRUE(node->Sorted());
        std::vector<std::string> shown;
        for (auto child = node->Child(); child; child = child->Next()) shown.push_back(child->Text());
        EXPECT_EQ(shown, texts);
    }
    // Records for every class, nodes only for those with a ProgID.
    EXPECT_EQ(col.Count(), 10);
    EXPECT_EQ(w.tvw.Nodes.Count(), 3 + 8);
    EXPECT_FALSE(col.Exists("NotAClass"));
}

TEST(RegCompScan, WithoutAClsidKeyOnlyTheRootsAreShown) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[TypeLib]\n");
    RegistryTabWindow w;
    colRegComp col;
    EXPECT_FALSE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    EXPECT_EQ(w.tvw.Nodes.Count(), 3);
    EXPECT_EQ(col.Count(), 0);
}

TEST_F(FixtureScan, SurvivesReentryAndCancelThroughItsYield) {
    std::string many;
    for (int i = 0; i < 500; ++i) {
        char key[80];
        snprintf(key, sizeof key, "CLSID\\{10000000-0000-0000-0000-%012d}", i);
        many += "[" + std::string(key) + "\\ProgID]\n@=\"Fix.Many." + std::to_string(i) + "\"\n";
    }
    hkcr.Load(many);

    // During the first yield: a second scan returns at once, the tree and records are emptied
    // under the running scan, and cancel is pressed.
    colRegComp second;
    bool secondResult = true, deferredRan = false;
    ui::Defer([&] {
        deferredRan = true;
        secondResult = FillRegCompTree(second, w.tvw, 0, false, w.stb1, w.blnCancel);
        w.tvw.Nodes.Clear();
        col.Clear();
        w.blnCancel = true;
    });
    EXPECT_FALSE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    ASSERT_TRUE(deferredRan);
    EXPECT_FALSE(secondResult);
    EXPECT_EQ(second.Count(), 0);
    EXPECT_EQ(col.Count(), 0);
    EXPECT_EQ(w.tvw.Nodes.Count(), 0);

    // Cancelled before the first class: three unsorted roots and nothing else.
    EXPECT_FALSE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    EXPECT_EQ(w.tvw.Nodes.Count(), 3);
    EXPECT_FALSE(w.tvw.Nodes.Item("EXEServer")->Sorted());
    w.blnCancel = false;
    EXPECT_TRUE(FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel));
    EXPECT_EQ(w.tvw.Nodes.Item("EXEServer")->Children(), 501);
    EXPECT_TRUE(w.tvw.Nodes.Item("EXEServer")->Sorted());
}

TEST(TypeLibRefresh, Stdole2ClassesAreReadAgainBoldAndSelected) {
    RegistryTabWindow w;
    colRegComp col;
    FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel);
    const long records = col.Count();
    RefreshTypeLibClasses(col, w.tvw, 0, false, Sys32() + "\\stdole2.tlb", false);
    EXPECT_EQ(col.Count(), records);
    for (const char* clsid : {kStdFont, kStdPicture}) {
        SCOPED_TRACE(clsid);
        EXPECT_EQ(NodesOf(w.tvw, clsid), 1);
        EXPECT_TRUE(w.tvw.Nodes.Item(std::string("DLLServer\\") + clsid)->Bold());
        EXPECT_EQ(col.Item(clsid)->Key, clsid);
    }
    EXPECT_EQ(w.tvw.SelectedItem()->Key(), std::string("DLLServer\\") + kStdPicture);

    // Files without a type library change nothing.
    const long nodes = w.tvw.Nodes.Count();
    RefreshTypeLibClasses(col, w.tvw, 0, false, Sys32() + "\\kernel32.dll", true);
    RefreshTypeLibClasses(col, w.tvw, 0, false, VELM_FIXTURE_NOCLASS_TLB, true);
    EXPECT_EQ(w.tvw.Nodes.Count(), nodes);
    EXPECT_EQ(col.Count(), records);
    // Nor does a damaged copy of stdole2.tlb that passes the bounds check and crashes the
    // loader: it is read in a child process, whose end this program survives, and reads as none.
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        const std::string damaged = std::string(tmp) + "velm-refresh-damaged-stdole2.tlb";
        ASSERT_TRUE(loader_damage::WriteDamagedCopy(Sys32() + "\\stdole2.tlb", "alias 6 of type 26", damaged));
        RefreshTypeLibClasses(col, w.tvw, 0, false, damaged, true);
        DeleteFileA(damaged.c_str());
    }
    EXPECT_EQ(w.tvw.Nodes.Count(), nodes);
    EXPECT_EQ(col.Count(), records);
    EXPECT_EQ(NodesOf(w.tvw, kStdFont), 1);

    // Remove only: the classes leave the tree and the records.
    RefreshTypeLibClasses(col, w.tvw, 0, false, Sys32() + "\\stdole2.tlb", true);
    EXPECT_EQ(NodesOf(w.tvw, kStdFont), 0);
    EXPECT_FALSE(col.Exists(kStdFont));
    EXPECT_FALSE(col.Exists(kStdPicture));
}

TEST(TypeLibRefresh, FollowsTheFixtureServerThroughRegistrationAndUnregistration) {
    RegFixture hkcr(HKEY_CLASSES_ROOT, R"(
        [CLSID\{5c9bb794-0193-440a-96e0-02f2055dc807}\ProgID]
        @="VelmFixture.Widget.old"
        [CLSID\{5c9bb794-0193-440a-96e0-02f2055dc807}\InprocServer32]
        @="C:\\old\\comserver.dll"
    )");
    RegistryTabWindow w;
    colRegComp col;
    FillRegCompTree(col, w.tvw, 0, false, w.stb1, w.blnCancel);
    // Registered under a lower-case key: the scan shows it under that key.
    ASSERT_TRUE(w.tvw.Nodes.Exists("DLLServer\\{5c9bb794-0193-440a-96e0-02f2055dc807}"));

    HMODULE dll = LoadLibraryA(VELM_FIXTURE_COMSERVER_DLL);
    ASSERT_NE(dll, nullptr);
    using Entry = HRESULT(WINAPI*)();
    auto reg = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    auto unreg = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
    ASSERT_TRUE(reg && unreg);
    ASSERT_EQ(reg(), S_OK);

    RefreshTypeLibClasses(col, w.tvw, 0, false, VELM_FIXTURE_COMSERVER_DLL, false);
    const std::pair<const char*, const char*> classes[] = {{VELM_FIXTURE_CLSID_WIDGET, VELM_FIXTURE_PROGID_WIDGET},
                                                           {VELM_FIXTURE_CLSID_GADGET, VELM_FIXTURE_PROGID_GADGET},
                                                           {VELM_FIXTURE_CLSID_GIZMO, VELM_FIXTURE_PROGID_GIZMO}};
    for (auto [clsid, progId] : classes) {
        SCOPED_TRACE(progId);
        EXPECT_EQ(NodesOf(w.tvw, clsid), 1);
        auto node = w.tvw.Nodes.Item(std::string("DLLServer\\") + clsid);
        EXPECT_EQ(node->Text(), progId);
        EXPECT_TRUE(node->Bold());
        EXPECT_EQ(node->Image().key, "DLLServer");
        auto rec = col.Item(clsid);
        EXPECT_EQ(rec->Key, clsid);
        EXPECT_TRUE(rec->blnFileExist);
        // An in-process server's class does not read its TypeLib reference.
        EXPECT_EQ(rec->vntTypeLib, "");
    }
    EXPECT_EQ(w.tvw.SelectedItem()->Key(), std::string("DLLServer\\") + VELM_FIXTURE_CLSID_GIZMO);

    ASSERT_EQ(unreg(), S_OK);
    FreeLibrary(dll);
    RefreshTypeLibClasses(col, w.tvw, 0, false, VELM_FIXTURE_COMSERVER_DLL, false);
    for (auto [clsid, progId] : classes) {
        SCOPED_TRACE(progId);
        EXPECT_EQ(NodesOf(w.tvw, clsid), 0);
        EXPECT_TRUE(col.Item(clsid)->vntProgID.empty());
    }
}
