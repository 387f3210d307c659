#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <regex>

#include "BaseFiles.h"
#include "base/FileInfo.h"
#include "base/TextCase.h"
#include "base/VBDate.h"

using basetest::ScratchDir;

namespace {
bool IconAlive(HICON icon) {
    ICONINFO ii = {};
    if (!GetIconInfo(icon, &ii)) return false;
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
    return true;
}

double LocalDate(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st = {};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    return VBDate::FromSystemTime(st);
}
}  // namespace

class FileInfoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
};

TEST_F(FileInfoTest, SystemDllFactsAndIconOwnership) {
    auto info = std::make_unique<FileInfo>();
    info->FullPathName("c:\\WINDOWS\\system32\\COMCTL32.DLL");
    ASSERT_TRUE(info->FileExists());
    EXPECT_TRUE(info->PathExists());
    EXPECT_EQ(info->FileName(), "comctl32.dll");
    EXPECT_EQ(info->FilePath(), "C:\\windows\\system32\\");
    EXPECT_EQ(info->FullPathName(), "C:\\windows\\system32\\comctl32.dll");
    EXPECT_EQ(info->FileExtension(), "dll");
    EXPECT_EQ(info->ShortName(), "COMCTL32.DLL");
    EXPECT_FALSE(info->ShortPathName().empty());
    EXPECT_TRUE(TextCase::Equal(info->ShortPath() + info->ShortName(), info->ShortPathName())) << info->ShortPathName();
    EXPECT_FALSE(info->DisplayName().empty());
    EXPECT_FALSE(info->TypeName().empty());
    EXPECT_GT(info->FileSize(), 1024u);
    EXPECT_EQ(info->FileSizeHigh(), 0u);
    EXPECT_EQ(info->CompressedFileSize(), info->FileSize());
    EXPECT_GT(info->ModifyTime(), 30000.0);
    EXPECT_FALSE(info->attrReadOnly() && info->attrHidden());

    std::string size = info->FormatFileSize(info->FileSize64());
    if (basetest::UserLocale() == 0x409) {
        EXPECT_TRUE(std::regex_match(size, std::regex(R"(\d+(\.\d+)?(KB|MB) \(\d{1,3}(,\d{3})+ bytes\))"))) << size;
    } else if (basetest::UserLocale() == 0x407) {
        EXPECT_TRUE(std::regex_match(size, std::regex(R"(\d+(,\d+)?(KB|MB) \(\d{1,3}(\.\d{3})+ bytes\))"))) << size;
    }

    // The object owns its icon: a refresh destroys the old one, and so does the end of the object.
    HICON first = info->hIcon();
    ASSERT_TRUE(first);
    ASSERT_TRUE(IconAlive(first));
    info->Refresh();
    HICON second = info->hIcon();
    ASSERT_TRUE(second);
    EXPECT_NE(first, second);
    EXPECT_FALSE(IconAlive(first));
    EXPECT_TRUE(IconAlive(second));
    info.reset();
    EXPECT_FALSE(IconAlive(second));
}

TEST_F(FileInfoTest, MissingFilesKeepTheOldFacts) {
    FileInfo info;
    info.FullPathName("C:\\windows\\win.ini");
    ASSERT_TRUE(info.FileExists());
    DWORD size = info.FileSize();
    info.FullPathName("C:\\windows\\no-such-file.ini");
    EXPECT_FALSE(info.FileExists());
    EXPECT_TRUE(info.PathExists());
    EXPECT_EQ(info.FileName(), "win.ini");
    EXPECT_EQ(info.FileSize(), size);
    info.FullPathName("");
    EXPECT_EQ(info.FullPathName(), "C:\\windows\\no-such-file.ini");
}

TEST_F(FileInfoTest, NamesComeBackInTheirStoredLongForm) {
    ScratchDir dir("velm-fileinfo");
    std::string folder = dir / "A Long Folder Name";
    CreateDirectoryA(folder.c_str(), nullptr);
    basetest::WriteFile(folder + "\\README", "1234");
    basetest::WriteFile(folder + "\\Data.Long-Extension", "");
    char shortFolder[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(folder.c_str(), shortFolder, sizeof shortFolder), 0u);

    FileInfo info;
    std::string lower = shortFolder;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    info.FullPathName(lower + "\\readme");
    ASSERT_TRUE(info.FileExists()) << lower;
    EXPECT_EQ(info.FileName(), "README");
    std::string expectedFolder = folder + "\\";
    expectedFolder[0] = static_cast<char>(toupper(static_cast<unsigned char>(expectedFolder[0])));
    EXPECT_EQ(info.FilePath(), expectedFolder);
    EXPECT_EQ(info.FileExtension(), "");
    EXPECT_EQ(info.TypeName(), "File");
    EXPECT_EQ(info.FormatFileSize(info.FileSize64()), "4 bytes");

    info.FullPathName(folder + "\\Data.Long-Extension");
    ASSERT_TRUE(info.FileExists());
    EXPECT_EQ(info.FileExtension(), "Long-Extension");
    EXPECT_FALSE(info.ShortName().empty());
    EXPECT_EQ(info.ShortPathName().substr(info.ShortPath().size()), info.ShortName());
}

TEST_F(FileInfoTest, TimesAndAttributesAreWrittenToTheFile) {
    ScratchDir dir("velm-fileinfo-w");
    std::string file = dir / "w.txt";
    basetest::WriteFile(file, "w");
    FileInfo info;
    info.FullPathName(file);
    ASSERT_TRUE(info.FileExists());

    double when = LocalDate(2020, 2, 29, 6, 7, 8);
    info.ModifyTime(when);
    EXPECT_DOUBLE_EQ(info.ModifyTime(), when);
    info.LastAccessTime(LocalDate(2010, 1, 2, 3, 4, 5));
    EXPECT_DOUBLE_EQ(info.LastAccessTime(), LocalDate(2010, 1, 2, 3, 4, 5));
    EXPECT_DOUBLE_EQ(info.ModifyTime(), when);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    FILETIME expected = basetest::LocalToUtc(2020, 2, 29, 6, 7, 8);
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &expected), 0);

    info.attrReadOnly(true);
    EXPECT_TRUE(info.attrReadOnly());
    EXPECT_TRUE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    info.attrHidden(true);
    EXPECT_TRUE(info.attrHidden());
    EXPECT_TRUE(info.attrReadOnly());
    info.attrReadOnly(false);
    info.attrHidden(false);
    EXPECT_FALSE(GetFileAttributesA(file.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    DeleteFileA(file.c_str());
    info.Refresh();
    EXPECT_FALSE(info.FileExists());
    info.ModifyTime(LocalDate(2001, 1, 1, 0, 0, 0));  // nothing happens: the file is gone
    EXPECT_DOUBLE_EQ(info.ModifyTime(), when);
}

// Files of 2 GiB and more: the size is 64-bit.
TEST_F(FileInfoTest, LargeFileSizes) {
    ScratchDir dir("velm-fileinfo-big");
    std::string file = dir / "big.bin";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = 5LL * 1024 * 1024 * 1024 / 2;  // 2.5 GiB, sparse on the host
    ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    FileInfo info;
    info.FullPathName(file);
    ASSERT_TRUE(info.FileExists());
    EXPECT_EQ(info.FileSizeHigh(), 0u);
    EXPECT_EQ(info.FileSize(), 2684354560u);
    EXPECT_EQ(info.FileSize64(), 2684354560ull);
    if (basetest::UserLocale() == 0x409) {
        EXPECT_EQ(info.FormatFileSize(info.FileSize64()), "2.50GB (2,684,354,560 bytes)");
    }
}

// Number and date texts follow the user's locale: the ctest run covers en-US and de-DE.
TEST_F(FileInfoTest, LocaleSizeAndDateTexts) {
    FileInfo info;
    struct Case { long long size; const char* en; const char* de; };
    const Case cases[] = {
        {0, "0 bytes", "0 bytes"},
        {1023, "1,023 bytes", "1.023 bytes"},
        {1024, "1.00KB (1,024 bytes)", "1,00KB (1.024 bytes)"},
        {1536, "1.50KB (1,536 bytes)", "1,50KB (1.536 bytes)"},
        {10240, "10.0KB (10,240 bytes)", "10,0KB (10.240 bytes)"},
        {102400, "100KB (102,400 bytes)", "100KB (102.400 bytes)"},
        {1024000, "0.98MB (1,024,000 bytes)", "0,98MB (1.024.000 bytes)"},
        {15728640, "15.0MB (15,728,640 bytes)", "15,0MB (15.728.640 bytes)"},
        {524288000, "500MB (524,288,000 bytes)", "500MB (524.288.000 bytes)"},
        {2147483648LL, "2.00GB (2,147,483,648 bytes)", "2,00GB (2.147.483.648 bytes)"},
        {5368709120LL, "5.00GB (5,368,709,120 bytes)", "5,00GB (5.368.709.120 bytes)"},
        {1099511627776LL, "1024.00GB (1,099,511,627,776 bytes)", "1024,00GB (1.099.511.627.776 bytes)"},
    };
    double date = LocalDate(2021, 3, 4, 13, 2, 3);
    switch (basetest::UserLocale()) {
    case 0x409:
        for (const Case& c : cases) EXPECT_EQ(info.FormatFileSize(c.size), c.en) << c.size;
        EXPECT_EQ(info.FormatFileDate(date), "Thursday, March 4, 2021 1:02:03 PM");
        break;
    case 0x407:
        for (const Case& c : cases) EXPECT_EQ(info.FormatFileSize(c.size), c.de) << c.size;
        EXPECT_EQ(info.FormatFileDate(date), "Donnerstag, 4. M\xE4rz 2021 13:02:03");
        break;
    default:
        GTEST_SKIP() << "expected texts are known for en-US and de-DE";
    }
}
