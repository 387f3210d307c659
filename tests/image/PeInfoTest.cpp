// The PE reader against the fixture DLLs of both kinds and the prefix's own system files.
#include <gtest/gtest.h>

#include <windows.h>
#include <imagehlp.h>

#include "image/clsPeInfo.h"
#include "tests/image/PeSupport.h"

using pe_test::FixtureDir;
using pe_test::RawImage;
using pe_test::SystemDir;
using Strings = std::vector<std::string>;

TEST(PeInfoFormats, SectionFlags) {
    const struct { uint32_t flags; const char* text; } cases[] = {
        {0, ""},
        {0x00000001, ""},
        {0x60500020, "Contains executable code/Align 16 bytes/Can execute/Can be read"},
        {0xC0000040, "Contains Initialized Data/Can be read/Can be written"},
        {0x00100080, "Contains Uninitialized Data/Align 1 byte"},
        {0x00201000, "Contains COMDAT data/Align 2 bytes"},
        {0x00300000, "Align 4 bytes"}, {0x00400000, "Align 8 bytes"}, {0x00600000, "Align 32 bytes"},
        {0x00700000, "Align 64 bytes"}, {0x00800000, ""}, {0x00E00000, ""},
        {0x01000000, "Extended relocations"}, {0x02000000, "Discardable"}, {0x04000000, "Not cached"},
        {0x08000000, "Not paged"}, {0x10000000, "Shared"}, {0x80000000, "Can be written"},
        {0xFFFFFFFF, "Contains executable code/Contains Initialized Data/Contains Uninitialized Data/"
                     "Contains COMDAT data/Extended relocations/Discardable/Not cached/Not paged/Shared/"
                     "Can execute/Can be read/Can be written"},
    };
    for (const auto& c : cases) EXPECT_EQ(clsPeInfo::SectionFlagsText(c.flags), c.text) << std::hex << c.flags;
}

TEST(PeInfoFormats, MachinesSubsystemsOrdinals) {
    const struct { uint16_t v; const char* text; } machines[] = {
        {0x14C, "x86"}, {0x162, "MIPS"}, {0x166, "MIPS"}, {0x168, "MIPS"}, {0x169, "MIPS"}, {0x184, "Alpha"},
        {0x1A2, "SH3"}, {0x1A4, "SH3E"}, {0x1A6, "SH4"},  {0x1C0, "ARM"},  {0x1F0, "PowerPC"},
        {0x8664, "Unknown"}, {0, "Unknown"}, {0x200, "Unknown"},
    };
    for (const auto& m : machines) EXPECT_EQ(clsPeInfo::MachineText(m.v), m.text) << m.v;
    const struct { uint16_t v; const char* text; } subsystems[] = {
        {1, "Native"}, {2, "Win GUI"}, {3, "Win Console"}, {4, "Win CE"}, {5, "OS/2 Console"},
        {7, "Posix Console"}, {0, "Unknown"}, {6, "Unknown"}, {9, "Unknown"}, {10, "Unknown"},
    };
    for (const auto& s : subsystems) EXPECT_EQ(clsPeInfo::SubSystemText(s.v), s.text) << s.v;
    const struct { uint32_t v; const char* text; } ordinals[] = {
        {12, "00012 (&HC)"}, {0, "00000 (&H0)"}, {1, "00001 (&H1)"}, {65535, "65535 (&HFFFF)"},
        {123456, "123456 (&H1E240)"},
    };
    for (const auto& o : ordinals) EXPECT_EQ(clsPeInfo::OrdinalText(o.v), o.text);
    // A section's raw size, "#,##0": a zero is "0" (every .bss section has one).
    char sep[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
    const struct { uint32_t v; std::string text; } sizes[] = {
        {0, "0"}, {7, "7"}, {512, "512"}, {1234567, std::string("1") + sep + "234" + sep + "567"},
    };
    for (const auto& z : sizes) EXPECT_EQ(clsPeInfo::GroupedNumber(z.v), z.text) << z.v;
}

TEST(PeInfoFormats, NothingLoadedAnswersZero) {
    clsPeInfo pe;
    EXPECT_EQ(pe.CheckSum(), 0u);
    EXPECT_EQ(pe.RealCheckSum(), 0u);
    EXPECT_EQ(pe.PreferredBase(), 0u);
    EXPECT_EQ(pe.ImageVer(), "0.0");
    EXPECT_EQ(pe.LinkerVer(), "0.0");
    EXPECT_EQ(pe.MachineName(), "Unknown");
    EXPECT_EQ(pe.SubSystem(), "Unknown");
    clsPeInfo::TextTable kept{{"a", "b", "c"}};
    pe.EnumerateSections(kept);
    EXPECT_EQ(kept.size(), 1u);  // left as it was
    Strings names{"x"};
    long count = 9;
    pe.EnumerateImportedModules(names, count);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);
}

class PeFixture : public ::testing::TestWithParam<const char*> {
protected:
    std::string Dir() const { return FixtureDir(GetParam()); }
    bool Wide() const { return std::string(GetParam()) == "x64"; }
};

TEST_P(PeFixture, HeadersByMagic) {
    clsPeInfo pe;
    const std::string path = Dir() + "\\fxroot.dll";
    ASSERT_TRUE(pe.Load(path, "", ""));
    RawImage raw(pe_test::ReadAll(path));
    EXPECT_EQ(pe.Machine(), Wide() ? 0x8664 : 0x14C);
    EXPECT_EQ(pe.MachineName(), Wide() ? "Unknown" : "x86");
    EXPECT_EQ(pe.PreferredBase(), raw.ImageBase());
    if (Wide()) {
        EXPECT_GT(pe.PreferredBase(), 0xFFFFFFFFull);  // ld places 64-bit DLLs above 4 GB
    }
    EXPECT_EQ(pe.Sections(), raw.sections);
    EXPECT_EQ(pe.SubSystem(), "Win Console");  // ld's default
    EXPECT_EQ(pe.ImageSize(), raw.bytes.size());
    DWORD headerSum = 0, realSum = 0;
    ASSERT_EQ(MapFileAndCheckSumA(path.c_str(), &headerSum, &realSum), CHECKSUM_SUCCESS);
    EXPECT_EQ(pe.RealCheckSum(), realSum);
    EXPECT_EQ(pe.CheckSum(), headerSum);
}

TEST_P(PeFixture, ImportsInDirectoryOrder) {
    clsPeInfo pe;
    Strings names;
    long count = -1;
    ASSERT_TRUE(pe.Load(Dir() + "\\fxroot.dll", "", ""));
    pe.EnumerateImportedModules(names, count);
    EXPECT_EQ(names, (Strings{"fxb.dll", "fxc.dll", "fxgone.dll"}));
    EXPECT_EQ(count, 3);

    ASSERT_TRUE(pe.Load(Dir() + "\\fxb.dll", "", ""));
    pe.EnumerateImportedModules(names, count);
    EXPECT_EQ(names, (Strings{"FXC.DLL", "fxroot.dll"}));
    // Names match without regard to case; an import by ordinal has no name and its ordinal.
    std::vector<uint16_t> values;
    pe.EnumerateImportedFunctions("FXROOT.DLL", names, values, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(names, (Strings{"fxroot_named", ""}));
    EXPECT_EQ(values[1], 7);
    pe.EnumerateImportedFunctions("fxc.dll", names, values, count);
    EXPECT_EQ(names, (Strings{"fxc_two"}));
    pe.EnumerateImportedFunctions("fxgone.dll", names, values, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());

    ASSERT_TRUE(pe.Load(Dir() + "\\fxc.dll", "", ""));
    pe.EnumerateImportedModules(names, count);
    EXPECT_EQ(count, 0);
}

TEST_P(PeFixture, ExportsByNameAndOrdinal) {
    clsPeInfo pe;
    clsPeInfo::TextTable table;
    long count = -1;
    ASSERT_TRUE(pe.Load(Dir() + "\\fxroot.dll", "", ""));
    pe.EnumerateExportedFunctions(table, count);
    // Ordinals 3 (named) to 7 (by ordinal only): rows 4 to 6 are gaps with only their ordinal.
    ASSERT_EQ(count, 5);
    const clsPeInfo::TextTable expected = {
        {"fxroot_named", "00003 (&H3)", "0", ""}, {"", "00004 (&H4)", "", ""}, {"", "00005 (&H5)", "", ""},
        {"", "00006 (&H6)", "", ""},              {"", "00007 (&H7)", "", ""},
    };
    EXPECT_EQ(table, expected);

    ASSERT_TRUE(pe.Load(Dir() + "\\fxb.dll", "", ""));
    pe.EnumerateExportedFunctions(table, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(table[0][0], "fxb_one");
}

TEST_P(PeFixture, SectionsWithTheirFlags) {
    clsPeInfo pe;
    clsPeInfo::TextTable table;
    ASSERT_TRUE(pe.Load(Dir() + "\\fxc.dll", "", ""));
    pe.EnumerateSections(table);
    ASSERT_GE(table.size(), 3u);
    EXPECT_EQ(table[0][0], std::string(".text\0\0\0", 8));
    EXPECT_EQ(table[0][1], "Contains executable code/Can execute/Can be read");
    EXPECT_EQ(table[0][2], "512");
    EXPECT_EQ(table[1][0], std::string(".data\0\0\0", 8));
    EXPECT_EQ(table[1][1], "Contains Initialized Data/Can be read/Can be written");
    EXPECT_EQ(table[2][0], std::string(".fxshr\0\0", 8));
    EXPECT_EQ(table[2][1], "Contains Initialized Data/Can be read/Can be written");
}

TEST_P(PeFixture, FallbackFoldersAndReload) {
    clsPeInfo pe;
    EXPECT_TRUE(pe.Load("fxc.dll", "C:\\no-such-folder", Dir()));
    EXPECT_TRUE(pe.Load("fxc.dll", Dir(), "C:\\no-such-folder"));
    EXPECT_TRUE(pe.IsLoaded());
    // A failed Load releases the earlier mapping and leaves the object unloaded.
    EXPECT_FALSE(pe.Load("fxgone.dll", Dir(), Dir()));
    EXPECT_FALSE(pe.IsLoaded());
    Strings names{"x"};
    long count = 1;
    pe.EnumerateImportedModules(names, count);
    EXPECT_EQ(count, 0);
    // The header facts stay those of the last good Load.
    EXPECT_EQ(pe.Machine(), Wide() ? 0x8664 : 0x14C);
    EXPECT_FALSE(pe.Load(Dir(), "", ""));  // a folder is no image
}

// SaveData writes exactly the bytes asked for to its own file and closes only that file: a
// file the program holds open across the call stays usable. Only bytes of the mapped file
// are written, and texts are read no further than its end.
TEST_P(PeFixture, SaveDataAndStringFromPointerStayInTheirBounds) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string held = std::string(tmp) + "velm-savedata-held.txt";
    const std::string out = std::string(tmp) + "velm-savedata.bin";
    HANDLE other = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(other, "before", 6, &put, nullptr));

    const std::string path = Dir() + "\\fxroot.dll";
    const std::vector<unsigned char> bytes = pe_test::ReadAll(path);
    clsPeInfo pe;
    EXPECT_FALSE(pe.SaveData(bytes.data(), 4, out));  // nothing loaded
    ASSERT_TRUE(pe.Load(path, "", ""));
    ASSERT_EQ(pe.MappedSize(), bytes.size());
    const auto* base = static_cast<const unsigned char*>(pe.MappedAddress());
    // A file left longer by an earlier write holds only the new bytes afterwards.
    ASSERT_TRUE(pe.SaveData(base, bytes.size(), out));
    ASSERT_TRUE(pe.SaveData(base + 0x40, 100, out));
    EXPECT_EQ(pe_test::ReadAll(out), std::vector<unsigned char>(bytes.begin() + 0x40, bytes.begin() + 0x40 + 100));
    ASSERT_TRUE(pe.SaveData(base, 0, out));
    EXPECT_TRUE(pe_test::ReadAll(out).empty());
    // Bytes that are not all in the mapping are not written.
    DeleteFileA(out.c_str());
    EXPECT_FALSE(pe.SaveData(base + bytes.size() - 10, 11, out));
    EXPECT_FALSE(pe.SaveData(bytes.data(), 4, out));
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);

    // The held file is still open and usable.
    ASSERT_TRUE(WriteFile(other, " after", 6, &put, nullptr));
    EXPECT_EQ(put, 6u);
    ASSERT_EQ(SetFilePointer(other, 0, nullptr, FILE_BEGIN), 0u);
    char back[16] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(other, back, sizeof back, &got, nullptr));
    EXPECT_EQ(std::string(back, got), "before after");
    CloseHandle(other);
    DeleteFileA(held.c_str());

    // Texts: an import name in place; outside the mapping nothing; a text that runs to the
    // file's end is no text.
    RawImage raw(bytes);
    const uint32_t nameOffset = raw.Offset(raw.U32(raw.ImportDescriptors().front() + 12));
    bool ok = false;
    EXPECT_EQ(pe.StringFromPointer(base + nameOffset, &ok), raw.ImportNames().front());
    EXPECT_TRUE(ok);
    EXPECT_EQ(pe.StringFromPointer(bytes.data(), &ok), "");
    EXPECT_FALSE(ok);
    std::vector<unsigned char> tail = bytes;
    tail.insert(tail.end(), {'A', 'B', 'C'});
    const std::string tailPath = std::string(tmp) + "velm-tail.dll";
    ASSERT_TRUE(pe_test::WriteAll(tailPath, tail.data(), tail.size()));
    clsPeInfo tailPe;
    ASSERT_TRUE(tailPe.Load(tailPath, "", ""));
    const auto* tailBase = static_cast<const unsigned char*>(tailPe.MappedAddress());
    EXPECT_EQ(tailPe.StringFromPointer(tailBase + tail.size() - 3, &ok), "");
    EXPECT_FALSE(ok);
    tailPe.Unload();
    DeleteFileA(tailPath.c_str());
    DeleteFileA(out.c_str());
}

INSTANTIATE_TEST_SUITE_P(Kinds, PeFixture, ::testing::Values("x64", "x86"));

// The system folder a program sees holds the system files of its own bitness: 64-bit ones for
// the 64-bit build, 32-bit ones for the 32-bit build on 32-bit Windows and, through the
// redirection to the folder of 32-bit files, on 64-bit Windows.
constexpr bool kPe64 = sizeof(void*) == 8;
constexpr uint16_t kOwnMachine = kPe64 ? 0x8664 : 0x14C;

TEST(PeSystem, NotepadImportsAndHeaders) {
    const std::string path = SystemDir() + "\\notepad.exe";
    RawImage raw(pe_test::ReadAll(path));
    ASSERT_EQ(raw.pe64, kPe64);
    clsPeInfo pe;
    ASSERT_TRUE(pe.Load(path, "", ""));
    Strings names;
    long count = 0;
    pe.EnumerateImportedModules(names, count);
    EXPECT_EQ(names, raw.ImportNames());
    EXPECT_GE(count, 3);
    EXPECT_EQ(pe.SubSystem(), "Win GUI");
    EXPECT_EQ(pe.PreferredBase(), raw.ImageBase());
    // Every module's functions come through with their hints, the same as the file holds.
    for (size_t i = 0; i < names.size(); ++i) {
        Strings functions;
        std::vector<uint16_t> values;
        long n = 0;
        pe.EnumerateImportedFunctions(names[i], functions, values, n);
        const uint32_t d = raw.ImportDescriptors()[i];
        const uint32_t list = raw.U32(d) ? raw.U32(d) : raw.U32(d + 16);
        long expected = 0;
        const uint32_t thunk = raw.pe64 ? 8 : 4;
        for (uint32_t t = raw.Offset(list); (raw.pe64 ? raw.U64(t) : raw.U32(t)) != 0; t += thunk) ++expected;
        EXPECT_EQ(n, expected) << names[i];
        EXPECT_EQ(functions.size(), static_cast<size_t>(n));
    }
}

TEST(PeSystem, Kernel32ExportsAndBareNames) {
    clsPeInfo pe;
    // A bare system module name is found through the platform's search order.
    ASSERT_TRUE(pe.Load("kernel32.dll", "", ""));
    clsPeInfo::TextTable table;
    long count = 0;
    pe.EnumerateExportedFunctions(table, count);
    ASSERT_GT(count, 500);
    ASSERT_EQ(table.size(), static_cast<size_t>(count));
    bool createFile = false, getVersion = false;
    for (const auto& row : table) {
        ASSERT_EQ(row.size(), 4u);
        EXPECT_FALSE(row[1].empty());
        createFile |= row[0] == "CreateFileA";
        getVersion |= row[0] == "GetVersionExA";
    }
    EXPECT_TRUE(createFile);
    EXPECT_TRUE(getVersion);
    EXPECT_EQ(pe.Machine(), kOwnMachine);
}

TEST(PeSystem, ChecksumsOfSystemFiles) {
    for (const char* name : {"kernel32.dll", "user32.dll", "notepad.exe", "comctl32.dll", "imagehlp.dll"}) {
        const std::string path = SystemDir() + "\\" + name;
        clsPeInfo pe;
        ASSERT_TRUE(pe.Load(path, "", "")) << name;
        DWORD headerSum = 0, realSum = 0;
        ASSERT_EQ(MapFileAndCheckSumA(path.c_str(), &headerSum, &realSum), CHECKSUM_SUCCESS);
        EXPECT_EQ(pe.RealCheckSum(), realSum) << name;
        EXPECT_NE(pe.RealCheckSum(), 0u) << name;
        EXPECT_EQ(pe.CheckSum(), headerSum) << name;
        clsPeInfo::TextTable sections;
        pe.EnumerateSections(sections);
        EXPECT_EQ(static_cast<long>(sections.size()), pe.Sections()) << name;
    }
}
