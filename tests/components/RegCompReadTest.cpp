// Component records and the reading of one class: server resolution against a fixture
// HKEY_CLASSES_ROOT and the real files of the prefix's system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "tests/support/Helpers.h"
#include "tests/support/RegFixture.h"

using namespace Tab_RegComp;

namespace {
std::string Short(const std::string& path) {
    char buf[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buf, MAX_PATH);
    return n ? std::string(buf, n) : path;
}
// .reg text escaping and quoting of a text.
std::string QEsc(const std::string& s) {
    std::string out;
    for (char c : s) out += (c == '\\' || c == '"') ? std::string("\\") + c : std::string(1, c);
    return out;
}
std::string Q(const std::string& s) { return "\"" + QEsc(s) + "\""; }
}  // namespace

TEST(colRegComp, KeysIgnoreCaseAndKeepOrder) {
    colRegComp col;
    auto a = col.Add("{aa}", "{aa}");
    EXPECT_EQ(a->Key, "{aa}");
    EXPECT_EQ(a->vntClassID, "{aa}");
    EXPECT_TRUE(a->vntProgID.empty());
    EXPECT_FALSE(a->blnFileExist);
    col.Add("{bb}", "");  // keyless: reachable by position only
    col.Add("{cc}", "{cc}");
    EXPECT_EQ(col.Item("{AA}"), a);
    EXPECT_EQ(col.Item(2)->Key, "{bb}");
    EXPECT_FALSE(col.Exists("{bb}"));
    try {
        col.Add("{AA}", "{AA}");
        FAIL();
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 457);
    }
    std::string order;
    for (auto& r : col) order += r->Key;
    EXPECT_EQ(order, "{aa}{bb}{cc}");
}

// One class per resolution case: what is registered, and what the reader makes of it.
struct ResolveCase {
    const char* name;
    std::string reg;  // the keys below CLSID\{name}, written as [sub] lines after the class key
    std::string category;
    bool exists;
    bool realError;
    std::string location;    // vntFileLocation
    std::string locationEx;  // vntFileLocationEx (compared without regard to case)
};

class ResolveTable : public ::testing::Test {
protected:
    RegFixture hkcr{HKEY_CLASSES_ROOT};
    void SetUp() override { PrepareSearchPath(); }
};

TEST_F(ResolveTable, EachRegisteredFormFindsItsFile) {
    const std::string sys = Sys32();
    const std::string ie = WinDir().substr(0, 2) + "\\Program Files\\Internet Explorer\\iexplore.exe";
    const std::string ieShort = Short(ie);
    ASSERT_NE(ieShort.find('~'), std::string::npos) << ieShort;
    const std::string missing = WinDir().substr(0, 2) + "\\nowhere\\missing.dll";

    const std::vector<ResolveCase> cases = {
        {"QuotedArgs", "[LocalServer32]\n@=" + Q("\"" + sys + "\\notepad.exe\" /automation"), "EXEServer", true,
         false, sys + "\\notepad.exe\" /automation", sys + "\\notepad.exe"},
        {"SystemRoot", "[InprocServer32]\n@=expand:" + Q("%SystemRoot%\\system32\\ole32.dll"), "DLLServer", true,
         false, "%SystemRoot%\\system32\\ole32.dll", sys + "\\ole32.dll"},
        {"LowerSystemRoot", "[InprocServer32]\n@=" + Q("%systemroot%\\system32\\oleaut32.dll"), "DLLServer", true,
         false, "%systemroot%\\system32\\oleaut32.dll", sys + "\\oleaut32.dll"},
        {"UnknownVar", "[InprocServer32]\n@=" + Q("%NOSUCHVAR%\\x.dll"), "DLLServer", false, true,
         "%NOSUCHVAR%\\x.dll", "\\x.dll"},
        {"BareDll", "[InprocServer32]\n@=\"shell32.dll\"", "DLLServer", true, false, "shell32.dll",
         sys + "\\shell32.dll"},
        {"BareExeArgs", "[LocalServer32]\n@=\"notepad.exe /x\"", "EXEServer", true, false, "notepad.exe /x",
         sys + "\\notepad.exe"},
        {"TypeLibOnly", "[TypeLib]\n@=\"{11111111-2222-3333-4444-555555555555}\"", "EXEServer", true, false,
         sys + "\\stdole2.tlb", sys + "\\stdole2.tlb"},
        {"Ocx", "[InprocServer32]\n@=" + Q(sys + "\\hhctrl.OcX"), "Control", true, false, sys + "\\hhctrl.OcX",
         sys + "\\hhctrl.OcX"},
        {"ControlDll", "[InprocServer32]\n@=" + Q(sys + "\\ole32.dll") + "\n[Control]", "Control", true, false,
         sys + "\\ole32.dll", sys + "\\ole32.dll"},
        {"ShortPath", "[LocalServer32]\n@=" + Q(ieShort), "EXEServer", true, false, ieShort, ie},
        {"Missing", "[InprocServer32]\n@=" + Q(missing), "DLLServer", false, true, missing, missing},
        {"Wildcard", "[InprocServer32]\n@=" + Q(sys + "\\ole*.dll"), "DLLServer", false, true, sys + "\\ole*.dll",
         sys + "\\ole*.dll"},
        // A path ending in blanks or dots is found under its exact name; a bare name with a
        // trailing blank is no server name.
        {"TrailingBlank", "[InprocServer32]\n@=" + Q(sys + "\\ole32.dll "), "DLLServer", true, false,
         sys + "\\ole32.dll ", sys + "\\ole32.dll"},
        {"TrailingDots", "[InprocServer32]\n@=" + Q(sys + "\\ole32.dll. ."), "DLLServer", true, false,
         sys + "\\ole32.dll. .", sys + "\\ole32.dll"},
        {"BareTrailingBlank", "[InprocServer32]\n@=\"shell32.dll \"", "DLLServer", false, true, "shell32.dll ",
         "shell32.dll "},
        {"ForwardSlash", "[LocalServer32]\n@=" + Q(WinDir() + "/notepad.exe"), "EXEServer", true, false,
         WinDir() + "/notepad.exe", WinDir() + "/notepad.exe"},
        {"NoServer", "", "EXEServer", false, false, "Not defined.", ""},
        {"StdFileEditing", "", "EXEServer", true, false, sys + "\\notepad.exe", sys + "\\notepad.exe"},
        {"EmptyTypeLib", "[TypeLib]\n@=\"\"", "EXEServer", false, false, "Not defined.", ""},
#ifdef _WIN64
        // Wine's 64-bit prefix registers libraries for win64 only: the 64-bit build reads it too.
        {"Win64Only", "[TypeLib]\n@=\"{11111111-2222-3333-4444-666666666666}\"", "EXEServer", true, false,
         sys + "\\stdole2.tlb", sys + "\\stdole2.tlb"},
#endif
    };
    hkcr.Load(R"(
        [TypeLib\{11111111-2222-3333-4444-555555555555}\1.0]
        @="Fixture Library"
        [TypeLib\{11111111-2222-3333-4444-555555555555}\1.0\0\win32]
        @=")" + QEsc(sys + "\\stdole2.tlb") + R"("
        [TypeLib\{11111111-2222-3333-4444-666666666666}\2.0\0\win64]
        @=")" + QEsc(sys + "\\stdole2.tlb") + R"("
        [Fixture.StdFileEditing\protocol\StdFileEditing\server]
        @=")" + QEsc(sys + "\\notepad.exe") + "\"\n");
    auto clsidOf = [](int n) {
        char clsid[64];
        snprintf(clsid, sizeof clsid, "{0000AAAA-0000-0000-0000-%012d}", n);
        return std::string(clsid);
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string clsid = clsidOf(++n);
        std::string text = "[CLSID\\" + clsid + "]\n@=\"" + c.name + " class\"\n[CLSID\\" + clsid +
                           "\\ProgID]\n@=\"Fixture." + c.name + "\"\n";
        // Sub-key lines of the case are relative to the class key.
        std::string reg = c.reg;
        for (size_t p = reg.find('['); p != std::string::npos; p = reg.find('[', p + 1))
            reg.insert(p + 1, "CLSID\\" + clsid + "\\");
        hkcr.Load(text + reg);
    }
    // The same answers from plain file queries and from the scan's per-folder cache.
    for (int cached = 0; cached < 2; ++cached) {
      std::optional<ScanFileCache> cache;
      if (cached) cache.emplace();
      n = 0;
      for (const auto& c : cases) {
        const std::string clsid = clsidOf(++n);
        colRegComp col;
        auto rec = ReadRegCompRecord(col, clsid);
        SCOPED_TRACE(std::string(c.name) + (cached ? " (cached)" : ""));
        EXPECT_EQ(rec->vntProgID, std::string("Fixture.") + c.name);
        EXPECT_EQ(rec->vntCLSID_DefaultName, std::string(c.name) + " class");
        EXPECT_EQ(RegCompCategory(*rec), c.category);
        EXPECT_EQ(rec->blnFileExist, c.exists);
        EXPECT_EQ(rec->blnFileNotExistRealError, c.realError);
        EXPECT_EQ(rec->vntFileLocation, c.location);
        EXPECT_TRUE(TextCase::Equal(rec->vntFileLocationEx, c.locationEx)) << rec->vntFileLocationEx;
        if (std::string(c.name) == "TypeLibOnly") {
            EXPECT_EQ(rec->vntTypeLib, "{11111111-2222-3333-4444-555555555555}");
            EXPECT_EQ(rec->vntTypeLibName, "Fixture Library");
        }
        if (std::string(c.name) == "EmptyTypeLib") {
            EXPECT_EQ(rec->vntTypeLib, "");
        }
      }
    }
}

TEST_F(ResolveTable, ServerDataThatIsNoTextNamesNoFile) {
    // "ole32.dll" stored as bytes, a number, a binary AppID, and an InprocServer32 key that
    // exists but does not open (beside a LocalServer32 that does).
    hkcr.Load(R"(
        [CLSID\{0000BBBB-0000-0000-0000-000000000001}\ProgID]
        @="Fixture.BinaryServer"
        [CLSID\{0000BBBB-0000-0000-0000-000000000001}\InprocServer32]
        @=hex:6f,6c,65,33,32,2e,64,6c,6c,00
        [CLSID\{0000BBBB-0000-0000-0000-000000000002}\ProgID]
        @="Fixture.DwordServer"
        [CLSID\{0000BBBB-0000-0000-0000-000000000002}\LocalServer32]
        @=dword:12345678
        [CLSID\{0000BBBB-0000-0000-0000-000000000003}]
        "AppID"=hex:ff,ff,ff,ff,ff,ff,ff,ff,ff,ff
        [CLSID\{0000BBBB-0000-0000-0000-000000000003}\ProgID]
        @="Fixture.BinaryAppID"
        [CLSID\{0000BBBB-0000-0000-0000-000000000003}\InprocServer32]
        @=expand:"%SystemRoot%\\system32\\ole32.dll"
        [CLSID\{0000BBBB-0000-0000-0000-000000000004}\ProgID]
        @="Fixture.LockedServer"
        [CLSID\{0000BBBB-0000-0000-0000-000000000004}\LocalServer32]
        @="notepad.exe"
    )");
    SetKeyDacl(HKEY_CLASSES_ROOT, "CLSID\\{0000BBBB-0000-0000-0000-000000000004}\\InprocServer32", "D:P(D;;GA;;;WD)");
    struct Case {
        const char* clsid;
        std::string category;
        bool exists;
        std::string location;
    } const cases[] = {
        {"{0000BBBB-0000-0000-0000-000000000001}", "DLLServer", false, "Not defined."},
        {"{0000BBBB-0000-0000-0000-000000000002}", "EXEServer", false, "Not defined."},
        {"{0000BBBB-0000-0000-0000-000000000003}", "DLLServer", true, "%SystemRoot%\\system32\\ole32.dll"},
        // InprocServer32 does not open: the class's LocalServer32 makes it an EXE server.
        {"{0000BBBB-0000-0000-0000-000000000004}", "EXEServer", true, "notepad.exe"},
    };
    colRegComp col;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clsid);
        auto rec = ReadRegCompRecord(col, c.clsid);
        EXPECT_EQ(RegCompCategory(*rec), c.category);
        EXPECT_EQ(rec->blnFileExist, c.exists);
        EXPECT_FALSE(rec->blnFileNotExistRealError);
        EXPECT_EQ(rec->vntFileLocation, c.location);
        EXPECT_EQ(rec->vntAppID, "");
    }
    EXPECT_TRUE(col.Item("{0000BBBB-0000-0000-0000-000000000002}")->blnIsLocalServer32);
    EXPECT_TRUE(col.Item("{0000BBBB-0000-0000-0000-000000000004}")->blnIsLocalServer32);
}

TEST_F(ResolveTable, ServerTextsOfAnyLengthResolveInOnePass) {
    const std::string sys = Sys32();
    const size_t n = 200000;
    std::string deep = sys.substr(0, 3);
    while (deep.size() < n) deep += "ab\\";
    std::string unset, growing;
    while (unset.size() < n) unset += "%NOSUCHVAR%";
    while (growing.size() < n) growing += "%SystemRoot%";
    struct Case {
        const char* name;
        const char* subkey;
        std::string text;
        bool exists;
        std::string locationEx;  // compared without regard to case; "" = not checked
    } const cases[] = {
        // A program with a very long argument is still that program.
        {"LongArguments", "LocalServer32", sys + "\\notepad.exe " + std::string(n, 'x'), true, sys + "\\notepad.exe"},
        {"DeepFolders", "InprocServer32", deep + "x.dll", false, ""},
        {"ManyUnsetVariables", "InprocServer32", unset + "\\x.dll", false, "\\x.dll"},
        {"ManyVariables", "InprocServer32", growing + "\\x.dll", false, ""},
        {"LongBareName", "InprocServer32", std::string(n, 'a') + ".dll /x", false, ""},
        {"LongQuotedPath", "LocalServer32", "\"" + sys + "\\" + std::string(n, 'q') + "\"", false, ""},
    };
    int i = 0;
    for (const auto& c : cases) {
        char clsid[64];
        snprintf(clsid, sizeof clsid, "{0000CCCC-0000-0000-0000-%012d}", ++i);
        hkcr.Load("[CLSID\\" + std::string(clsid) + "\\ProgID]\n@=\"Fixture." + c.name + "\"\n[CLSID\\" + clsid +
                  "\\" + c.subkey + "]\n");
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid + "\\" + c.subkey).c_str(), 0,
                                KEY_SET_VALUE, &h),
                  0);
        RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.text.c_str()),
                       static_cast<DWORD>(c.text.size() + 1));
        RegCloseKey(h);
    }
    for (int cached = 0; cached < 2; ++cached) {
        std::optional<ScanFileCache> cache;
        if (cached) cache.emplace();
        colRegComp col;
        i = 0;
        for (const auto& c : cases) {
            char clsid[64];
            snprintf(clsid, sizeof clsid, "{0000CCCC-0000-0000-0000-%012d}", ++i);
            SCOPED_TRACE(std::string(c.name) + (cached ? " (cached)" : ""));
            auto rec = ReadRegCompRecord(col, clsid);
            EXPECT_EQ(rec->blnFileExist, c.exists);
            EXPECT_EQ(rec->blnFileNotExistRealError, !c.exists);
            if (!c.locationEx.empty()) {
                EXPECT_TRUE(TextCase::Equal(rec->vntFileLocationEx, c.locationEx))
                    << rec->vntFileLocationEx.substr(0, 300);
            }
        }
    }
}
