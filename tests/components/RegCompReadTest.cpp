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
