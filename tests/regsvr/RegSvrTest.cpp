// The registration server's routines in this process: the command line, the error box, the
// version-resource reader on windres fixtures and real system files, and the type-library
// check against the prefix's real files and registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "VelmComServerFixture.h"
#include "regsvr/FileVersionInfo.h"
#include "regsvr/Master.h"
#include "regsvr/QV_ErrHandler.h"
#include "tests/support/Boxes.h"
#include "tests/support/RegFixture.h"
#include "tests/image/PeSupport.h"

namespace {
const std::string kSys = "C:\\windows\\system32\\";
const std::string kFix = VELM_REGSVR_FIXTURES;
}  // namespace

TEST(CommandLine, ReadAsTheWholeTail) {
    struct Case {
        const char* tail;
        bool valid;
        const char* operation;
        const char* path;
        const char* errText;
    };
    const Case cases[] = {
        {"", false, "", "", "Parameter Missing"},
        {"    ", false, "", "", "Parameter Missing"},
        // "/" before the letter, as the usage box shows it, is taken like "-".
        {"/R C:\\x.dll", true, "R", "C:\\x.dll", ""},
        {"/v C:\\x.dll", true, "V", "C:\\x.dll", ""},
        {"/U", true, "U", "", ""},
        {"/x C:\\x.dll", false, "", "", "Wrong action parameter"},
        {"\\R C:\\x.dll", false, "", "", "Parameter Missing"},
        {"R C:\\x.dll", false, "", "", "Parameter Missing"},
        {"-x C:\\x.dll", false, "", "", "Wrong action parameter"},
        {"-", false, "", "", "Wrong action parameter"},
        {"-R", true, "R", "", ""},
        {"  -r    C:\\a b\\x.dll   ", true, "R", "C:\\a b\\x.dll", ""},
        {"-Register C:\\x.dll", true, "R", "C:\\x.dll", ""},
        {"-unregister C:\\x.dll", true, "U", "C:\\x.dll", ""},
        {"-V C:\\x.dll", true, "V", "C:\\x.dll", ""},
        {"-R \"C:\\a b\\x.dll\"", true, "R", "C:\\a b\\x.dll", ""},
        {"-R \"C:\\a b\\x.dll", true, "R", "\"C:\\a b\\x.dll", ""},
        {"-R C:\\x.dll -U", true, "R", "C:\\x.dll -U", ""},
        {"-R\tC:\\x.dll", true, "R", "", ""},
    };
    for (const Case& c : cases) {
        const Master::CommandLine cl = Master::ParseCommandLine(c.tail);
        EXPECT_EQ(cl.valid, c.valid) << c.tail;
        EXPECT_EQ(cl.operation, c.operation) << c.tail;
        EXPECT_EQ(cl.path, c.path) << c.tail;
        EXPECT_EQ(cl.errText, c.errText) << c.tail;
    }
}

TEST(ErrHandler, ShowsTheErrorAndMapsTheAnswer) {
    {
        BoxRecorder boxes;
        EXPECT_EQ(QV_Err::QV_ErrHandler(0, "x", "m", "p", "c", 2, false), 0);
        EXPECT_TRUE(boxes.boxes.empty());
    }
    const struct {
        int answer;
        long result;
    } answers[] = {{ui::vbYes, 1}, {ui::vbNo, 2}, {ui::vbCancel, 3}};
    for (const auto& a : answers) {
        BoxRecorder boxes(a.answer);
        EXPECT_EQ(QV_Err::QV_ErrHandler(5, "Invalid procedure call", "frmMessage", "cmdOK_Click", "ctx", 1, false),
                  a.result);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].prompt,
                  "An Error occured with following information:\r\nError Number: 5\r\nLocation: frmMessage\r\n"
                  "Function: cmdOK_Click\r\nContext: ctx\r\nSeverity: Warning\r\n"
                  "Continue executing code (select 'No' to retry and 'Cancel' to exit current procedure) ? \r\n\r\n"
                  "Error:Invalid procedure call");
        EXPECT_EQ(boxes.boxes[0].style, ui::vbExclamation | 3);
        EXPECT_EQ(boxes.boxes[0].title, "QUORVATH - QV_ErrHandler");
    }
    BoxRecorder boxes(ui::vbYes);
    QV_Err::QV_ErrHandler(7, "d", "m", "p", "", 9, false);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt.find("Severity"), std::string::npos);
    EXPECT_EQ(boxes.boxes[0].style, 3);
}

TEST(ErrHandler, TrimSpacesOfAnOptionalValue) {
    Variant tail("  -R   C:\\a b.dll  ");
    EXPECT_EQ(TrimSpaces(&tail), Variant("-R   C:\\a b.dll"));
    EXPECT_EQ(tail, Variant("-R   C:\\a b.dll"));  // changed in place, inner blanks kept
    Variant blanks("   ");
    EXPECT_EQ(TrimSpaces(&blanks), Variant(""));
    Variant tabs("\tx\t");
    EXPECT_EQ(TrimSpaces(&tabs), Variant("\tx\t"));  // only blanks are trimmed
    Variant null = Variant::Null();
    EXPECT_EQ(TrimSpaces(&null), Variant(""));
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(TrimSpaces(), Variant(""));
}

TEST(FileVersionInfo, ReadsFixedPartFlagsAndFirstTranslation) {
    FileVersionInfo fresh;
    EXPECT_FALSE(fresh.Available());
    EXPECT_FALSE(fresh.OLESelfregister());
    EXPECT_EQ(fresh.FileType(), "");

    FileVersionInfo v;
    v.FullPathName(kFix + "\\ver_driver.dll");
    EXPECT_EQ(v.FullPathName(), kFix + "\\ver_driver.dll");
    EXPECT_TRUE(v.Available());
    EXPECT_EQ(v.VerStructure(), "1.0");
    EXPECT_EQ(v.VerFile(), "2.01.0304");
    EXPECT_EQ(v.VerProduct(), "2.01.0004");
    EXPECT_EQ(v.FileFlags(), "Debug PreRel");
    EXPECT_EQ(v.FileOS(), "NT-Win32");
    EXPECT_EQ(v.FileType(), "Driver");
    EXPECT_EQ(v.FileSubType(), "Network drv");
    EXPECT_EQ(v.Language(), "English");  // the name alone, without its terminator
    EXPECT_EQ(v.CompanyName(), "Velm Drivers");  // the first translation, not the German one
    EXPECT_EQ(v.FileDescription(), "Network driver fixture");
    EXPECT_EQ(v.FileVersion(), "2.1.3.4");
    EXPECT_EQ(v.InternalName(), "ver_driver");
    EXPECT_EQ(v.LegalCopyright(), "(c) Velm");
    EXPECT_EQ(v.LegalTrademarks(), "VelmTM");
    EXPECT_EQ(v.OriginalFileName(), "ver_driver.dll");
    EXPECT_EQ(v.ProductName(), "Velm Network");
    EXPECT_EQ(v.ProductVersion(), "2.1");
    EXPECT_TRUE(v.OLESelfregister());  // an empty value counts
    const std::string english = v.Language();

    // The same instance on an application without translation: what the file lacks stays.
    v.FullPathName(kFix + "\\ver_app.dll");
    EXPECT_EQ(v.VerFile(), "2.01.0004");
    EXPECT_EQ(v.FileFlags(), "");
    EXPECT_EQ(v.FileOS(), "Unknown");
    EXPECT_EQ(v.FileType(), "Application");
    EXPECT_EQ(v.FileSubType(), "Network drv");
    EXPECT_EQ(v.CompanyName(), "Velm Drivers");
    EXPECT_EQ(v.Language(), english);
    EXPECT_TRUE(v.OLESelfregister());

    FileVersionInfo f;
    f.FullPathName(kFix + "\\ver_font.dll");
    EXPECT_EQ(f.VerFile(), "6.00.8107");
    EXPECT_EQ(f.VerProduct(), "1.08.1225");
    EXPECT_EQ(f.FileFlags(), "Patched Private Info Special");
    EXPECT_EQ(f.FileOS(), "DOS-Win16");
    EXPECT_EQ(f.FileType(), "Font");
    EXPECT_EQ(f.FileSubType(), "TrueType Font");
    EXPECT_EQ(f.CompanyName(), "Velm Schriften");
    EXPECT_EQ(f.Language(), "German");
    EXPECT_FALSE(f.OLESelfregister());

    FileVersionInfo app;
    app.FullPathName(kFix + "\\ver_app.dll");
    EXPECT_EQ(app.FileSubType(), "");  // applications have no subtype
    EXPECT_EQ(app.Language(), "");
    EXPECT_EQ(app.CompanyName(), "");
}

TEST(FileVersionInfo, RealSystemFiles) {
    FileVersionInfo ole;
    ole.FullPathName(kSys + "ole32.dll");
    EXPECT_TRUE(ole.Available());
    EXPECT_EQ(ole.FileType(), "DLL");
    // What Wine 8's own ole32.dll declares: version 10.0.0.0 in US English.
    EXPECT_EQ(ole.VerFile(), "10.00.0000");
    EXPECT_EQ(ole.FileVersion(), "10.0.0.0");
    EXPECT_EQ(ole.Language(), "English");
    EXPECT_EQ(ole.CompanyName(), "Microsoft Corporation");

    FileVersionInfo missing;
    missing.FullPathName(kSys + "no_such_file_here.dll");
    EXPECT_FALSE(missing.Available());
    EXPECT_EQ(missing.VerFile(), "");
    EXPECT_FALSE(missing.OLESelfregister());

    FileVersionInfo notepad;
    notepad.FullPathName(kSys + "notepad.exe");
    EXPECT_FALSE(notepad.OLESelfregister());

    FileVersionInfo server;
    server.FullPathName(VELM_FIXTURE_COMSERVER_DLL);
    EXPECT_TRUE(server.OLESelfregister());
    EXPECT_EQ(server.FileDescription(), "VelmFixture COM server");

    // A path longer than the ANSI functions take is never cut to another file's name.
    FileVersionInfo longName;
    longName.FullPathName(kSys + std::string(300, 'x') + ".dll");
    EXPECT_TRUE(longName.FullPathName().empty() || longName.FullPathName().size() > 300);
    EXPECT_FALSE(longName.Available());
}

namespace {
// The system's text for a path that is too long.
std::string TooLongText() {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILENAME_EXCED_RANGE, 0, text,
                   sizeof text, nullptr);
    std::string t = text;
    while (!t.empty() && (t.back() == '\r' || t.back() == '\n' || t.back() == ' ')) t.pop_back();
    return t;
}
}  // namespace

TEST(TypeLibCheck, RealFiles) {
    ASSERT_FALSE(TooLongText().empty());
    struct Case {
        std::string path;
        long result;
        std::string message;
    };
    const std::vector<Case> cases = {
        {kSys + "kernel32.dll", -2, "Component does not contain any typelib information"},
        {kSys + "no_such_file_here.dll", -2, "Component does not contain any typelib information"},
        // Any other failure is told by its own description.
        {kSys + std::string(300, 'x') + ".tlb", -2, TooLongText()},
        {kSys + "stdole32.tlb", -1, "Component does not contain interface definitions in it's typelib header"},
        {VELM_FIXTURE_NOCLASS_TLB, -1, "Component does not contain interface definitions in it's typelib header"},
        {kSys + "stdole2.tlb", 1, ""},
        // Wine registers only some of the scripting runtime's classes.
        {kSys + "scrrun.dll", 2, "Not all interfaces of this component are registered !"},
    };
    for (const Case& c : cases) {
        std::string message = "x";
        EXPECT_EQ(Master::CheckTypeLibRegistration(c.path, message), c.result) << c.path;
        EXPECT_EQ(message, c.message) << c.path;
    }
}

TEST(TypeLibCheck, CountsTheClassKeysOfAGeneratedLibrary) {
    const std::string tlb = VELM_FIXTURE_COMSERVER_TLB;
    std::string message;
    {
        RegFixture hkcr(HKEY_CLASSES_ROOT);
        EXPECT_EQ(Master::CheckTypeLibRegistration(tlb, message), 0);
        EXPECT_EQ(message, "Component is not registered yet");

        hkcr.Load("[CLSID\\" VELM_FIXTURE_CLSID_WIDGET "]\n[CLSID\\" VELM_FIXTURE_CLSID_GADGET "]\n");
        EXPECT_EQ(Master::CheckTypeLibRegistration(tlb, message), 2);
        EXPECT_EQ(message, "Not all interfaces of this component are registered !");

        // A class key that cannot be opened for reading counts as not registered.
        SetKeyDacl(HKEY_CLASSES_ROOT, "CLSID\\" VELM_FIXTURE_CLSID_GIZMO, "D:P(D;;GA;;;WD)");
        EXPECT_EQ(Master::CheckTypeLibRegistration(tlb, message), 2);
    }
    RegFixture hkcr(HKEY_CLASSES_ROOT, "[CLSID\\" VELM_FIXTURE_CLSID_WIDGET "]\n[CLSID\\" VELM_FIXTURE_CLSID_GADGET
                                       "]\n[CLSID\\" VELM_FIXTURE_CLSID_GIZMO "]\n");
    EXPECT_EQ(Master::CheckTypeLibRegistration(tlb, message), 1);
    EXPECT_EQ(message, "");
    // The type library embedded in the server DLL reads the same.
    EXPECT_EQ(Master::CheckTypeLibRegistration(VELM_FIXTURE_COMSERVER_DLL, message), 1);
}

// A version resource whose size or offset is overwritten, or whose section claims 4 GB, reads
// as no version resource: the version functions never see such a file.
TEST(FileVersionInfo, DamagedVersionResourcesReadAsAbsent) {
    const std::vector<unsigned char> good = pe_test::ReadAll(pe_test::VersionFixtureDir() + "\\verde.dll");
    ASSERT_FALSE(good.empty());
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::vector<pe_test::Damage> damages = pe_test::VersionDamages(good);
    ASSERT_FALSE(damages.empty());
    for (const auto& d : damages) {
        const std::string path = std::string(tmp) + "velm-regsvr-" + d.name;
        ASSERT_TRUE(pe_test::WriteAll(path, d.bytes.data(), d.bytes.size()));
        FileVersionInfo v;
        v.FullPathName(path);
        EXPECT_EQ(v.FullPathName(), path);
        EXPECT_FALSE(v.Available()) << d.name;
        EXPECT_EQ(v.VerFile(), "") << d.name;
        EXPECT_FALSE(v.OLESelfregister()) << d.name;
        DeleteFileA(path.c_str());
    }
}
