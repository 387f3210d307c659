#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "BaseFiles.h"
#include "base/QV_APIFileAndDiskINFO.h"

using namespace QV_APIFileAndDiskINFO;
using basetest::VersionFixture;

namespace {
FileVersionStrings Filled() {
    return {"a", "b", "c", "d", "e", "f", "g", "h"};
}
bool Same(const FileVersionStrings& x, const FileVersionStrings& y) {
    return x.CompanyName == y.CompanyName && x.FileDescription == y.FileDescription &&
           x.FileVersion == y.FileVersion && x.InternalName == y.InternalName &&
           x.LegalCopyright == y.LegalCopyright && x.OriginalFileName == y.OriginalFileName &&
           x.ProductName == y.ProductName && x.ProductVersion == y.ProductVersion;
}
}  // namespace

TEST(VersionInfo, FixedVersionNumbers) {
    ASSERT_TRUE(basetest::Exists(VersionFixture("verde.dll"))) << VersionFixture("verde.dll");
    struct Case { std::string path; const char* version; };
    const Case cases[] = {
        {VersionFixture("verde.dll"), "6.1.7601.65535"},
        {VersionFixture("vernocopy.dll"), "5.1.2600.5512"},
        {VersionFixture("vernone.dll"), ""},
        {"C:\\windows\\win.ini", ""},
        {"C:\\windows\\no-such-file.dll", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GetFileVersion(c.path, 0), c.version) << c.path;
    // A real system DLL: four dot-separated numbers.
    std::string v = GetFileVersion("C:\\windows\\system32\\comctl32.dll");
    int dots = 0;
    for (char ch : v) {
        if (ch == '.') ++dots;
        else EXPECT_TRUE(ch >= '0' && ch <= '9') << v;
    }
    EXPECT_EQ(dots, 3) << v;
}

TEST(VersionInfo, StringsOfTheFirstTranslation) {
    FileVersionStrings s = Filled();
    EXPECT_TRUE(GetFileVersionStrings(VersionFixture("verde.dll"), s));
    FileVersionStrings de = {"Velmora Prueflabor", "Versionsprobe", "6.1.7601.65535 (de)", "verde",
                             "(c) Prueflabor 2011", "verde.dll", "Probe", "6.1.7601.0"};
    EXPECT_TRUE(Same(s, de)) << s.CompanyName << "|" << s.FileVersion << "|" << s.OriginalFileName;

    s = Filled();
    EXPECT_TRUE(GetFileVersionStrings(VersionFixture("vernocopy.dll"), s));
    FileVersionStrings noCopy = {"Velmora Test Lab", "No copyright here", "5.1.2600.5512", "vernocopy", "",
                                 "vernocopy.dll", "Probe", "5.1"};
    EXPECT_TRUE(Same(s, noCopy)) << s.LegalCopyright << "|" << s.CompanyName;

    // No version resource, or no path: the record stays as it was.
    for (const std::string& path : {VersionFixture("vernone.dll"), std::string("C:\\windows\\win.ini"),
                                    std::string("")}) {
        s = Filled();
        EXPECT_FALSE(GetFileVersionStrings(path, s)) << path;
        EXPECT_TRUE(Same(s, Filled())) << path;
    }

    s = {};
    EXPECT_TRUE(GetFileVersionStrings("C:\\windows\\system32\\comctl32.dll", s));
    EXPECT_FALSE(s.FileVersion.empty());
}

// The bytes of an ASCII text as UTF-16, as a version resource stores its keys.
std::string Utf16(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

// Damaged version resources read like missing ones, never past the block.
TEST(VersionInfo, DamagedResources) {
    const std::string good = basetest::ReadFile(VersionFixture("verde.dll"));
    const size_t root = good.find(Utf16("VS_VERSION_INFO"));
    ASSERT_NE(root, std::string::npos);
    ASSERT_GE(root, 6u);
    // An entry's length is the first WORD of its header, six bytes before its key.
    auto withLength = [&](const std::string& key, char high) {
        std::string bytes = good;
        size_t pos = bytes.find(Utf16(key));
        if (pos != std::string::npos && pos >= 6) bytes[pos - 5] = high;
        return bytes;
    };
    struct Damage { std::string name; std::string bytes; bool readable; };
    std::vector<Damage> damages = {
        {"longroot.dll", withLength("VS_VERSION_INFO", '\x7F'), false},
        {"longstrings.dll", withLength("StringFileInfo", '\x7F'), true},
        {"longtable.dll", withLength("040704B0", '\x7F'), true},
        {"longvalue.dll", withLength("CompanyName", '\x7F'), true},
    };
    std::string zeroRoot = good;
    zeroRoot[root - 6] = zeroRoot[root - 5] = 0;
    damages.push_back({"zeroroot.dll", zeroRoot, false});
    for (size_t cut : {size_t(64), size_t(512), good.size() / 2, root + 40, good.size() - 16})
        damages.push_back({"cut" + std::to_string(cut) + ".dll", good.substr(0, cut), true});

    basetest::ScratchDir dir("velm-version-damaged");
    for (const Damage& d : damages) {
        std::string path = dir / d.name;
        basetest::WriteFile(path, d.bytes);
        std::string version = GetFileVersion(path);
        if (d.readable) EXPECT_TRUE(version.empty() || version == "6.1.7601.65535") << d.name << " " << version;
        else EXPECT_EQ(version, "") << d.name;
        FileVersionStrings s;
        GetFileVersionStrings(path, s);
        EXPECT_LE(s.CompanyName.size(), 64u) << d.name;
        EXPECT_LE(s.ProductVersion.size(), 64u) << d.name;
    }
}

// The block read from the file's checked bytes is the one the version functions give, and
// reads the same through VerQueryValueA.
TEST(VersionInfo, BlockIsTheOneTheVersionFunctionsGive) {
    const std::string files[] = {VersionFixture("verde.dll"), VersionFixture("vernocopy.dll"),
                                 "C:\\windows\\system32\\comctl32.dll", "C:\\windows\\system32\\kernel32.dll",
                                 "C:\\windows\\system32\\shell32.dll", "C:\\windows\\system32\\ole32.dll"};
    for (const std::string& f : files) {
        size_t size = 0;
        std::vector<char> block = ReadVersionResource(f, size);
        DWORD handle = 0;
        const DWORD needed = GetFileVersionInfoSizeA(f.c_str(), &handle);
        ASSERT_GT(needed, 0u) << f;
        std::vector<char> system(needed + 4096, '\0');
        ASSERT_TRUE(GetFileVersionInfoA(f.c_str(), 0, needed, system.data())) << f;
        ASSERT_FALSE(block.empty()) << f;
        EXPECT_EQ(size, needed) << f;
        WORD length = 0;
        std::memcpy(&length, system.data(), sizeof length);
        EXPECT_EQ(std::memcmp(block.data(), system.data(), length), 0) << f;
        for (const char* sub : {"\\StringFileInfo\\040904B0\\FileDescription", "\\StringFileInfo\\040904E4\\CompanyName"}) {
            void* a = nullptr;
            void* b = nullptr;
            UINT la = 0, lb = 0;
            const BOOL okA = VerQueryValueA(block.data(), sub, &a, &la);
            const BOOL okB = VerQueryValueA(system.data(), sub, &b, &lb);
            ASSERT_EQ(okA, okB) << f << sub;
            if (okA) {
                EXPECT_EQ(std::string(static_cast<char*>(a), la), std::string(static_cast<char*>(b), lb)) << f << sub;
            }
        }
    }
}

TEST(VersionInfo, LongFileNames) {
    // The short form as the file system itself names the components.
    std::string shortName = "C:";
    for (const char* part : {"C:\\Program Files", "C:\\Program Files\\Common Files"}) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(part, &fd);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << part;
        FindClose(h);
        shortName += std::string("\\") + (fd.cAlternateFileName[0] ? fd.cAlternateFileName : fd.cFileName);
    }
    struct Case { std::string in; const char* out; };
    const Case cases[] = {
        {shortName, "C:\\Program Files\\Common Files"},
        {shortName + "\\no-such-file.txt", ""},
        {"c:\\WINDOWS\\system32\\COMCTL32.DLL", "c:\\windows\\system32\\comctl32.dll"},
        {"C:\\windows", "C:\\windows"},
        {"C:\\windows\\no-such-file.dll", ""},
        {"notepad.exe", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GetLongFileName(c.in), c.out) << c.in;
}

// The texts follow the user's locale: the ctest run covers en-US and de-DE.
TEST(LocaleVersionInfo, FileTimesInTheUserFormats) {
    basetest::ScratchDir dir("velm-times");
    std::string file = dir / "timed.txt";
    basetest::WriteFile(file, "x");
        FILETIME accessed = basetest::LocalToUtc(2022, 11, 25, 8, 9, 10);
    FILETIME written = basetest::LocalToUtc(2019, 12, 31, 23, 59, 58);
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, &accessed, &written));
    CloseHandle(h);

    std::string c = "x", a = "x", w = "x", extra = "x";
    GetFileTimes(file, c, a, w, extra);
    // The host file system keeps no settable creation time: only its form is known.
    EXPECT_NE(c.find(", "), std::string::npos) << c;
    switch (basetest::UserLocale()) {
    case 0x409:
        EXPECT_EQ(a, "11/25/2022, 8:09:10 AM");
        EXPECT_EQ(w, "12/31/2019, 11:59:58 PM");
        break;
    case 0x407:
        EXPECT_EQ(a, "25.11.2022, 08:09:10");
        EXPECT_EQ(w, "31.12.2019, 23:59:58");
        break;
    default:
        GTEST_SKIP() << "expected texts are known for en-US and de-DE";
    }
    EXPECT_EQ(extra, "");

    GetFileTimes(dir / "missing.txt", c, a, w);
    EXPECT_EQ(c + a + w, "");
}
