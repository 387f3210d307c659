// Damaged files that system functions would read past their end (version resources with
// overwritten sizes and offsets, a resource section of 4 GB, headers cut by the end of a file
// of whole pages), a chain of 10,000 imports, and the bounds-checked resource locator that
// keeps such files away from those functions.
#include <gtest/gtest.h>

#include <cstring>

#include "base/PeImage.h"
#include "base/QV_APIFileAndDiskINFO.h"
#include "image/clsPeInfo.h"
#include "image/frmDepends.h"
#include "tests/image/PeSupport.h"

using pe_test::Damage;
using pe_test::HeadersAtTheEnd;
using pe_test::RawImage;
using pe_test::VersionDamages;

namespace {

// A folder under the temporary folder, removed with its files afterwards.
class Scratch {
public:
    explicit Scratch(const std::string& name) {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    ~Scratch() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir_ + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir_ + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir_.c_str());
    }
    std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        const std::string path = dir_ + "\\" + name;
        EXPECT_TRUE(pe_test::WriteAll(path, bytes.data(), bytes.size())) << path;
        return path;
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

}  // namespace

// The locator finds a version resource and the icon groups where the bytes say they are.
TEST(PeImage, FindsResourcesOfIntactFiles) {
    const std::string verde = pe_test::VersionFixtureDir() + "\\verde.dll";
    MappedFile file(verde);
    ASSERT_NE(file.Data(), nullptr) << verde;
    PeImage pe(file.Data(), file.Size());
    EXPECT_TRUE(pe.HeadersSound());
    EXPECT_TRUE(pe.SectionsSound());
    std::vector<PeImage::ResourceData> found;
    ASSERT_TRUE(pe.LocateResource(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), found));
    ASSERT_EQ(found.size(), 1u);
    const RawImage raw(pe_test::ReadAll(verde));
    const uint32_t entry = raw.VersionDataEntry();
    EXPECT_EQ(found[0].rva, raw.U32(entry));
    EXPECT_EQ(found[0].size, raw.U32(entry + 4));
    EXPECT_EQ(found[0].fileOffset, raw.Offset(raw.U32(entry)));
    // The block starts with its length and the UTF-16 key "VS_VERSION_INFO".
    EXPECT_EQ(std::memcmp(file.Data() + found[0].fileOffset + 6, L"VS_VERSION_INFO", 30), 0);
    EXPECT_FALSE(pe.LocateResource(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(2), found));
    EXPECT_FALSE(pe.LocateResource(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1), found));
    EXPECT_TRUE(PeImage::VersionResourceSound(verde));
    EXPECT_FALSE(PeImage::VersionResourceSound(pe_test::VersionFixtureDir() + "\\vernone.dll"));

    // A real system DLL: its icon group 154 exists in the resource tree.
    MappedFile shell(pe_test::SystemDir() + "\\shell32.dll");
    PeImage shellPe(shell.Data(), shell.Size());
    EXPECT_TRUE(shellPe.LocateResource(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(154), found));
    EXPECT_FALSE(found.empty());
    // Texts, numbers and files that are no images.
    EXPECT_FALSE(PeImage(nullptr, 0).HeadersSound());
    EXPECT_FALSE(PeImage::HeadersInFile("C:\\windows\\win.ini"));
    EXPECT_FALSE(PeImage::HeadersInFile("C:\\no-such-folder\\x.dll"));
    EXPECT_TRUE(PeImage::HeadersInFile(verde));
}

// Overwritten version sizes and offsets, and a 4 GB resource section, read as no version
// resource in every reader: the base routines, the details list of the viewer. The intact
// file reads as before.
TEST(DamagedFiles, VersionResourcesReadAsAbsent) {
    const std::vector<unsigned char> good = pe_test::ReadAll(pe_test::VersionFixtureDir() + "\\verde.dll");
    ASSERT_GT(good.size(), 1024u);
    Scratch dir("velm-damaged-version");
    EXPECT_EQ(QV_APIFileAndDiskINFO::GetFileVersion(dir.Write("intact.dll", good)), "6.1.7601.65535");

    frmDepends f;
    f.Load();
    const std::vector<Damage> damages = VersionDamages(good);
    ASSERT_EQ(damages.size(), 10u);
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        const std::string path = dir.Write(d.name, d.bytes);
        EXPECT_FALSE(PeImage::VersionResourceSound(path));
        EXPECT_EQ(QV_APIFileAndDiskINFO::GetFileVersion(path), "");
        FileVersionStrings s;
        s.CompanyName = "kept";
        EXPECT_FALSE(QV_APIFileAndDiskINFO::GetFileVersionStrings(path, s));
        EXPECT_EQ(s.CompanyName, "kept");
        // The viewer opens the file and shows its facts once it is clicked.
        f.LoadTree(path);
        EXPECT_EQ(f.lstFileVer.ListItems.Count(), 0);
        f.lstFileVerShow(path, path);
        ASSERT_GT(f.lstFileVer.ListItems.Count(), 3);
        EXPECT_EQ(f.lstFileVer.ListItems.Item("File_exists")->SubItem(1), "True");
        EXPECT_EQ(f.lstFileVer.ListItems.Item("File_version")->SubItem(1), "");
        EXPECT_EQ(f.lstFileVer.ListItems.Item("STRINGFILEINFO_CompanyName")->SubItem(1), "");
    }
    f.Unload();
}

// e_lfanew at the last 4 to 22 bytes of a file of whole pages: the image cannot be opened,
// and nothing reads past the file's end.
TEST(DamagedFiles, HeadersCutByTheEndOfTheFile) {
    const std::vector<unsigned char> good = pe_test::ReadAll(pe_test::FixtureDir("x64") + "\\fxc.dll");
    ASSERT_GT(good.size(), 512u);
    Scratch dir("velm-damaged-headers");
    frmDepends f;
    f.Load();
    for (uint32_t back = 4; back <= 22; ++back) {
        SCOPED_TRACE(back);
        const std::string path = dir.Write("end" + std::to_string(back) + ".dll", HeadersAtTheEnd(good, back));
        EXPECT_FALSE(PeImage::HeadersInFile(path));
        clsPeInfo pe;
        EXPECT_FALSE(pe.Load(path, "", ""));
        EXPECT_EQ(QV_APIFileAndDiskINFO::GetFileVersion(path), "");
        // The viewer shows a root it could not open.
        EXPECT_FALSE(f.LoadTree(path));
        ASSERT_EQ(f.tvwModules.Nodes.Count(), 1);
        EXPECT_EQ(f.tvwModules.Nodes.Item(1L)->Image().key, "STRIKE");
    }
    f.Unload();
}

// A chain of 10,000 DLLs, each importing the next: the tree is as deep as the chain, each
// module expanded once, the missing end struck out, one row per module.
TEST(DamagedFiles, LongImportChain) {
    const int count = pe_test::kImportChainLength;
    const std::string first = pe_test::ImportChainFirst();
    ASSERT_FALSE(pe_test::ReadAll(first).empty()) << first;
    frmDepends f;
    f.Load();
    EXPECT_TRUE(f.LoadTree(first));
    EXPECT_EQ(f.tvwModules.Nodes.Count(), count + 1);
    EXPECT_EQ(f.lstDep.ListItems.Count(), count);
    // Walk down the chain without recursion: one child per level, the names in order.
    ui::NodePtr node = f.tvwModules.Nodes.Item(first);
    int depth = 0;
    char name[16];
    while (node->Children() == 1) {
        node = node->Child();
        ++depth;
        std::snprintf(name, sizeof name, "c%05d.dll", depth);
        if (depth < count) {
            ASSERT_EQ(node->Text(), name);
        }
    }
    EXPECT_EQ(depth, count);
    EXPECT_EQ(node->Text(), "c10000.dll- NOT FOUND/COULD NOT OPEN");
    EXPECT_EQ(node->Image().key, "STRIKE");
    // Rows in the order the modules finish: the missing end first, the first import last.
    EXPECT_EQ(f.lstDep.ListItems.Item(1L)->Text(), "c10000.dll");
    EXPECT_EQ(f.lstDep.ListItems.Item(1L)->SmallIcon().key, "STRIKE");
    EXPECT_EQ(f.lstDep.ListItems.Item(static_cast<long>(count))->Text(), "c00001.dll");
    // A second file replaces the deep tree.
    EXPECT_TRUE(f.LoadTree(pe_test::FixtureDir("x64") + "\\fxc.dll"));
    EXPECT_EQ(f.tvwModules.Nodes.Count(), 1);
    f.Unload();
}
