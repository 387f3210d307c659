// The registration server's routines in this process: the command line, the error box, the
// version-resource reader on windres fixtures and real system files, and the type-library
// check against the prefix's real files and registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "LoaderDamage.h"
#include "VelmComServerFixture.h"
#include "base/QV_Typelib.h"
#include "base/TypeLibCheck.h"
#include "platform/Registration.h"
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

TEST(CommandLine, TheLongPathPrefixIsTakenOffWhereThePlainPathIsTheSameFile) {
    const struct {
        const char* given;
        bool taken;
        const char* path;
    } cases[] = {
        {"C:\\x.dll", true, "C:\\x.dll"},
        {"", true, ""},
        {"\\\\?\\C:\\windows\\system32\\kernel32.dll", true, "C:\\windows\\system32\\kernel32.dll"},
        {"\\\\?\\z:\\a b\\x.dll", true, "z:\\a b\\x.dll"},
        {"\\\\?\\UNC\\server\\share\\x.dll", true, "\\\\server\\share\\x.dll"},
        {"\\\\?\\unc\\server\\share\\x.dll", true, "\\\\server\\share\\x.dll"},
        // What the path rules would change, and names that are no plain path, are refused.
        {"\\\\?\\C:\\a\\..\\x.dll", false, ""},
        {"\\\\?\\C:\\a\\.\\x.dll", false, ""},
        {"\\\\?\\C:\\x.dll.", false, ""},
        {"\\\\?\\C:\\x.dll ", false, ""},
        {"\\\\?\\C:\\a\\\\x.dll", false, ""},
        {"\\\\?\\C:/a/x.dll", false, ""},
        {"\\\\?\\C:\\", false, ""},
        {"\\\\?\\C:x.dll", false, ""},
        {"\\\\?\\GLOBALROOT\\Device\\x.dll", false, ""},
        {"\\\\?\\Volume{5A0B4C1E-0000-4000-8000-000000000001}\\x.dll", false, ""},
        {"\\\\?\\", false, ""},
    };
    for (const auto& c : cases) {
        std::string path = c.given;
        EXPECT_EQ(Master::WithoutLongPathPrefix(path), c.taken) << c.given;
        EXPECT_EQ(path, c.taken ? c.path : c.given) << c.given;
    }
    std::string tooLong = "\\\\?\\C:\\" + std::string(300, 'x') + ".dll";
    EXPECT_FALSE(Master::WithoutLongPathPrefix(tooLong));
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

namespace {

struct TlbDamage {
    std::string name;
    std::vector<unsigned char> bytes;
};

int32_t Get32(const std::vector<unsigned char>& b, size_t at) {
    int32_t v = 0;
    std::memcpy(&v, &b[at], 4);
    return v;
}

// Damaged copies of an MSFT type library: cut short, offsets past its end, huge counts, and
// records whose lengths or type numbers lead out of their tables.
std::vector<TlbDamage> MsftDamages(const std::vector<unsigned char>& good) {
    const size_t types = static_cast<size_t>(Get32(good, 0x20));
    const size_t dir = 0x54 + 4 * types + ((Get32(good, 0x14) & 0x100) ? 4 : 0);
    auto seg = [&](int s) { return dir + 16u * s; };  // offset, then length
    // The first type with members, and its first member record.
    size_t info = 0;
    const size_t table = static_cast<size_t>(Get32(good, seg(0)));
    for (size_t i = 0; i < types && !info; ++i)
        if (Get32(good, table + 0x64 * i + 0x18) != 0) info = table + 0x64 * i;
    const size_t members = info ? static_cast<size_t>(Get32(good, info + 4)) : 0;
    auto with = [&](const char* name, size_t at, int32_t value) {
        TlbDamage d{name, good};
        pe_test::Put32(d.bytes, at, static_cast<uint32_t>(value));
        return d;
    };
    auto cut = [&](const char* name, size_t size) {
        return TlbDamage{name, std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(size))};
    };
    std::vector<TlbDamage> out = {
        cut("29 bytes", 29),
        cut("the header alone", 0x54),
        cut("cut in the segment directory", dir + 100),
        cut("cut in half", good.size() / 2),
        cut("the last byte gone", good.size() - 1),
        with("a huge type count", 0x20, 0x7FFFFFF0),
        with("a negative type count", 0x20, -5),
        with("the type table past the end", seg(0), static_cast<int32_t>(good.size()) + 0x1000),
        with("the name table longer than the file", seg(7) + 4, 0x7FFFFFF0),
        with("the string table at a negative offset", seg(8), -64),
        with("a type description table past the end", seg(9), static_cast<int32_t>(good.size()) + 8),
    };
    if (info) {
        out.push_back(with("a type's members past the end", info + 4, static_cast<int32_t>(good.size()) + 16));
        out.push_back(with("a huge member count", info + 0x18, 0x7FFF7FFF));
        out.push_back(with("a member table length past the end", members, 0x7FFFFFF0));
        out.push_back(with("a member record of length 0", members + 4, 0));
        out.push_back(with("a return type out of the description table", members + 8, 0x00FFFF00));
        out.push_back(with("a huge argument count", members + 4 + 20, 0x7FFF));
    }
    return out;
}

// A type library of the other format: header, block table, magic, index strings, padding and
// its blocks, each damaged in turn.
std::vector<TlbDamage> SltgDamages() {
    std::vector<unsigned char> b(0x24 + 2 * 8 + 13 + 2 * 11 + 9 + 64, 0);
    std::memcpy(b.data(), "SLTG", 4);
    b[4] = 3;     // three file blocks: two entries
    b[0x0A] = 1;  // the chain starts at entry 1
    auto entry = [&](std::vector<unsigned char>& v, int i, uint32_t len, uint16_t next) {
        std::memcpy(&v[0x24 + 8 * i], &len, 4);
        std::memcpy(&v[0x24 + 8 * i + 6], &next, 2);
    };
    entry(b, 0, 16, 2);
    entry(b, 1, 48, 0);
    const size_t magic = 0x24 + 16;
    b[magic] = 1;
    std::memcpy(&b[magic + 1], "CompObj", 8);
    std::memcpy(&b[magic + 9], "dir", 4);
    std::vector<TlbDamage> out;
    out.push_back({"SLTG cut in its header", std::vector<unsigned char>(b.begin(), b.begin() + 20)});
    out.push_back({"SLTG cut in its magic", std::vector<unsigned char>(b.begin(), b.begin() + static_cast<long>(magic) + 5)});
    TlbDamage circle{"SLTG blocks in a circle", b};
    entry(circle.bytes, 1, 48, 1);
    out.push_back(circle);
    TlbDamage past{"SLTG block past the end", b};
    entry(past.bytes, 1, 0x7FFFFFF0, 0);
    out.push_back(past);
    TlbDamage stray{"SLTG chain to a missing entry", b};
    entry(stray.bytes, 0, 16, 40);
    out.push_back(stray);
    TlbDamage first{"SLTG first block out of the table", b};
    first.bytes[0x0A] = 9;
    out.push_back(first);
    TlbDamage count{"SLTG huge block count", b};
    count.bytes[4] = 0xFF, count.bytes[5] = 0xFF;
    out.push_back(count);
    return out;
}

}  // namespace

// Damaged type libraries, on their own and as the type library of a DLL, are never handed to
// the loader (which reads out of bounds and ends the process on them): each reads as a file
// without a type library, -2 with that message, and nothing is raised.
TEST(TypeLibCheck, DamagedTypeLibrariesReadAsNone) {
    const std::vector<unsigned char> good = pe_test::ReadAll(VELM_FIXTURE_COMSERVER_TLB);
    ASSERT_GT(good.size(), 0x200u);
    ASSERT_TRUE(TypeLibCheck::BytesSound(ByteSpan(good.data(), good.size())));
    std::vector<TlbDamage> damages = MsftDamages(good);
    ASSERT_GE(damages.size(), 17u) << "the fixture has a type with members";
    for (TlbDamage& d : SltgDamages()) damages.push_back(std::move(d));

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    // The DLL's own type library, found in its resources, damaged in place.
    const std::vector<unsigned char> dll = pe_test::ReadAll(VELM_FIXTURE_COMSERVER_DLL);
    size_t embedded = 0;
    for (size_t i = 0; i + 4 <= dll.size() && !embedded; ++i)
        if (std::memcmp(&dll[i], "MSFT", 4) == 0) embedded = i;
    ASSERT_NE(embedded, 0u);
    for (const TlbDamage& d : damages) {
        SCOPED_TRACE(d.name);
        EXPECT_FALSE(TypeLibCheck::BytesSound(ByteSpan(d.bytes.data(), d.bytes.size())));
        const std::string path = std::string(tmp) + "velm-damaged.tlb";
        ASSERT_TRUE(pe_test::WriteAll(path, d.bytes.data(), d.bytes.size()));
        std::string message = "x";
        EXPECT_EQ(Master::CheckTypeLibRegistration(path, message), -2);
        EXPECT_EQ(message, "Component does not contain any typelib information");
        // The same damage inside the DLL, where it still fits in the resource.
        if (d.bytes.size() == good.size() && embedded + good.size() <= dll.size()) {
            std::vector<unsigned char> copy = dll;
            std::memcpy(&copy[embedded], d.bytes.data(), d.bytes.size());
            const std::string dllPath = std::string(tmp) + "velm-damaged-tlb.dll";
            ASSERT_TRUE(pe_test::WriteAll(dllPath, copy.data(), copy.size()));
            EXPECT_EQ(Master::CheckTypeLibRegistration(dllPath, message), -2);
            EXPECT_EQ(message, "Component does not contain any typelib information");
            DeleteFileA(dllPath.c_str());
        }
        DeleteFileA(path.c_str());
    }
}

// Damaged copies of the prefix's real type libraries that the bounds check lets through and the
// loader does not survive (a name past the end, a constant that claims to be an interface, an
// alias of a type it cannot describe, random flips), as a .tlb and as the TYPELIB resource of a
// DLL: each is read in the type-library child, whose crash ends the child only, and the check
// answers with one of its results, -2 with a message for a library that could not be read.
TEST(TypeLibCheck, LibrariesThatEndTheLoaderEndOnlyItsChild) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    struct Source {
        std::string name;
        std::vector<unsigned char> file;
        size_t at;
    };
    std::vector<Source> sources;
    for (const char* name : {"stdole2.tlb", "scrrun.dll"}) {
        std::vector<unsigned char> file = pe_test::ReadAll(kSys + name);
        ASSERT_GT(file.size(), 4u) << name;
        // The prefix's .tlb files are program files too, their library a TYPELIB resource.
        const size_t at = loader_damage::EmbeddedLibrary(file);
        ASSERT_LT(at, file.size()) << name;
        sources.push_back({name, std::move(file), at});
    }
    int passedCheck = 0, endedTheLoader = 0;
    for (const Source& src : sources) {
        const std::vector<unsigned char> lib(src.file.begin() + static_cast<long>(src.at), src.file.end());
        const std::vector<loader_damage::Damage> damages = loader_damage::LoaderDamages(lib, 16);
        ASSERT_GE(damages.size(), 30u) << src.name;
        const std::string path = std::string(tmp) + "velm-loader-damaged-" + src.name;
        for (const loader_damage::Damage& d : damages) {
            SCOPED_TRACE(src.name + ": " + d.name);
            std::vector<unsigned char> copy = src.file;
            std::memcpy(&copy[src.at], d.bytes.data(), d.bytes.size());
            ASSERT_TRUE(pe_test::WriteAll(path, copy.data(), copy.size()));
            passedCheck += TypeLibCheck::FileSound(path);
            std::string message = "x";
            const long r = Master::CheckTypeLibRegistration(path, message);
            EXPECT_TRUE(r >= -2 && r <= 2) << r;
            EXPECT_EQ(message.empty(), r == 1) << message;
            if (message.rfind("The type library could not be read: the system's loader crashed on it", 0) == 0 ||
                message.rfind("The type library could not be read: its reading process ended with", 0) == 0)
                ++endedTheLoader;
        }
        DeleteFileA(path.c_str());
    }
    EXPECT_GT(passedCheck, 20);
    EXPECT_GT(endedTheLoader, 5) << "the copies show the fault";
}

// Every type library of the prefix's system folder passes the check exactly when the loader
// loads it: no real file is refused.
TEST(TypeLibCheck, RealTypeLibrariesPass) {
    std::vector<std::string> files = {kSys + "scrrun.dll", kSys + "msxml3.dll", kSys + "oleaut32.dll",
                                      VELM_FIXTURE_COMSERVER_DLL, VELM_FIXTURE_COMSERVER_TLB, VELM_FIXTURE_NOCLASS_TLB};
    for (const char* pattern : {"*.tlb", "*.olb"}) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((kSys + pattern).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) continue;
        do files.push_back(kSys + fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    int loaded = 0;
    for (const std::string& f : files) {
        ITypeLib* lib = nullptr;
        const std::wstring wide(f.begin(), f.end());
        const bool loads = SUCCEEDED(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &lib)) && lib;
        if (lib) lib->Release();
        loaded += loads;
        EXPECT_EQ(TypeLibCheck::FileSound(f), loads) << f;
    }
    EXPECT_GE(loaded, 5);
    EXPECT_TRUE(TypeLibCheck::FileSound("stdole2.tlb")) << "a bare name is looked up as the loader does";
}

namespace {

// How the shared custom-data chain of SharedChainLibrary ends.
enum class ChainEnd { Ends, InACircle, PastItsTable };

// A type library of one co-class that implements `interfaces` interfaces (one reference each),
// every reference naming the same custom-data chain of `chain` entries: the shape whose check
// once cost interfaces x chain.
std::vector<unsigned char> SharedChainLibrary(int16_t interfaces, int32_t chain, ChainEnd end) {
    constexpr size_t kHeader = 0x54, kDir = kHeader + 4, kSegments = 15, kTypeInfo = 0x64;
    const size_t typeInfo = kDir + 16 * kSegments, refs = typeInfo + kTypeInfo;
    const size_t cd = refs + 16u * static_cast<size_t>(interfaces);
    std::vector<unsigned char> b(cd + 12u * static_cast<size_t>(chain), 0);
    auto put = [&b](size_t at, int32_t v) { pe_test::Put32(b, at, static_cast<uint32_t>(v)); };
    std::memcpy(b.data(), "MSFT", 4);
    put(0x20, 1);   // one type
    put(0x40, -1);  // no custom data of the library itself
    for (size_t s = 0; s < kSegments; ++s) {
        put(kDir + 16 * s, -1);
        put(kDir + 16 * s + 8, -1);
        put(kDir + 16 * s + 12, 0x0F);
    }
    auto segment = [&](size_t s, size_t at, size_t length) {
        put(kDir + 16 * s, static_cast<int32_t>(at));
        put(kDir + 16 * s + 4, static_cast<int32_t>(length));
    };
    segment(0, typeInfo, kTypeInfo);                                     // the type
    segment(3, refs, 16u * static_cast<size_t>(interfaces));             // its references
    segment(12, cd, 12u * static_cast<size_t>(chain));                   // the custom-data entries
    put(typeInfo, TKIND_COCLASS);
    put(typeInfo + 4, -1);
    put(typeInfo + 0x48, -1);
    b[typeInfo + 0x4C] = static_cast<unsigned char>(interfaces & 0xFF);
    b[typeInfo + 0x4D] = static_cast<unsigned char>(interfaces >> 8);
    put(typeInfo + 0x54, 0);
    for (int32_t i = 0; i < interfaces; ++i) {
        put(refs + 16u * i + 8, 0);  // the chain's first entry
        put(refs + 16u * i + 12, i + 1 < interfaces ? 16 * (i + 1) : -1);
    }
    for (int32_t j = 0; j < chain; ++j) {
        put(cd + 12u * j + 4, static_cast<int32_t>(0x80000003u));  // a value packed into its offset
        put(cd + 12u * j + 8, j + 1 < chain ? 12 * (j + 1) : -1);
    }
    if (end == ChainEnd::InACircle) put(cd + 12u * (chain - 1) + 8, 12 * (chain / 2));
    if (end == ChainEnd::PastItsTable) put(cd + 12u * (chain - 1) + 8, 12 * chain);
    return b;
}

bool g_servedMessage = false;
LRESULT CALLBACK ServedWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) g_servedMessage = true;
    return DefWindowProcA(w, m, wp, lp);
}

std::string TempPath(const std::string& name) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    return tmp + name;
}

}  // namespace

// One co-class of 32,767 interfaces that all name one chain of 100,000 custom-data entries: the
// chain is checked once, and the check's steps follow the file's size (the product would be
// 3.3 billion). A chain that runs in a circle or out of its table is still refused, at the
// same price.
TEST(TypeLibCheck, AChainThatManyRecordsShareIsCheckedOnce) {
    constexpr int16_t kInterfaces = 32767;
    constexpr int32_t kChain = 100000;
    const struct {
        ChainEnd end;
        bool sound;
    } cases[] = {{ChainEnd::Ends, true}, {ChainEnd::InACircle, false}, {ChainEnd::PastItsTable, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end));
        const std::vector<unsigned char> lib = SharedChainLibrary(kInterfaces, kChain, c.end);
        uint64_t steps = 0;
        EXPECT_EQ(TypeLibCheck::BytesSound(ByteSpan(lib.data(), lib.size()), &steps), c.sound);
        EXPECT_LT(steps, 4ull * (kInterfaces + kChain));
        // The same from the file, as the programs check it.
        const std::string path = TempPath("velm-shared-chain.tlb");
        ASSERT_TRUE(pe_test::WriteAll(path, lib.data(), lib.size()));
        EXPECT_EQ(TypeLibCheck::FileSound(path), c.sound);
        DeleteFileA(path.c_str());
    }
}

// The check reads the file once into memory: a file cut short after it was read (from 1.7 MB
// to 64 KB, as another program may cut it while the check runs) leaves the bytes read as they
// were, and the check over them answers as before instead of faulting on bytes that are gone.
// Read again, the cut file is a damaged one.
TEST(TypeLibCheck, AFileCutShortAfterItWasReadLeavesItsBytes) {
    const std::vector<unsigned char> lib = SharedChainLibrary(32767, 100000, ChainEnd::Ends);
    const std::string path = TempPath("velm-cut-short.tlb");
    ASSERT_TRUE(pe_test::WriteAll(path, lib.data(), lib.size()));
    const MappedFile bytes(path);
    ASSERT_EQ(bytes.Size(), lib.size());
    {
        HANDLE cut = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(cut, INVALID_HANDLE_VALUE);
        LARGE_INTEGER at{};
        at.QuadPart = 64 * 1024;
        EXPECT_TRUE(SetFilePointerEx(cut, at, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(cut)) << GetLastError();
        CloseHandle(cut);
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 64u * 1024);
    EXPECT_TRUE(TypeLibCheck::BytesSound(ByteSpan(bytes.Data(), bytes.Size())));
    EXPECT_EQ(std::memcmp(bytes.Data() + lib.size() - 12, lib.data() + lib.size() - 12, 12), 0);
    unsigned long readError = 1;
    EXPECT_FALSE(TypeLibCheck::FileSound(path, &readError));
    EXPECT_EQ(readError, 0u) << "a damaged file, not an unreadable one";
    DeleteFileA(path.c_str());
}

// With a message pump, the check runs while the caller's window is served: a message posted to
// a window of the calling thread is handled before the check of a large library (48 MB, its
// chain in a circle) has answered, and the answer is the check's.
TEST(TypeLibCheck, TheCheckServesTheCallersWindowMeanwhile) {
    const std::vector<unsigned char> lib = SharedChainLibrary(32767, 4000000, ChainEnd::InACircle);
    const std::string path = TempPath("velm-served-check.tlb");
    ASSERT_TRUE(pe_test::WriteAll(path, lib.data(), lib.size()));
    g_servedMessage = false;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ServedWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VelmServedCheck";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("VelmServedCheck", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(w != nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    PostMessageA(w, WM_APP, 0, 0);
    int served = 0;
    const QV_Typelib::CoClassList read = Velm::Registration::ReadTypeLib(path, 20000, [&] {
        ++served;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    });
    EXPECT_TRUE(g_servedMessage);
    EXPECT_GE(served, 1);
    EXPECT_FALSE(read.loaded);
    EXPECT_EQ(read.loadResult, static_cast<long>(TYPE_E_CANTLOADLIBRARY));
    DestroyWindow(w);
    DeleteFileA(path.c_str());
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
