// The icon class, the resource enumeration and the image-list icon routines, against the
// prefix's real system files (shell32.dll, notepad.exe, user32.dll, kernelbase.dll), icon files
// and damaged program files made here from real ones, and a window whose picture boxes and
// image lists the routines draw into.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <climits>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/QV_Err.h"
#include "image/QV_IconsAndResources.h"
#include "image/ResourceTable.h"
#include "image/cFileIcon.h"
#include "image/cResources.h"
#include "image/mResource.h"
#include "tests/image/PeSupport.h"
#include "tests/support/ListPixels.h"
#include "ui/ui.h"

using pe_test::RawImage;
using pe_test::ReadAll;
using pe_test::SystemDir;
using pe_test::WriteAll;
namespace Icons = QV_IconsAndResources;

namespace {

const long kObjectError = static_cast<long>(0x80040000u);

std::string Sys(const std::string& name) { return SystemDir() + "\\" + name; }
std::string Shell32() { return Sys("shell32.dll"); }
std::string Notepad() { return Sys("notepad.exe"); }
std::string User32() { return Sys("user32.dll"); }
std::string KernelBase() { return Sys("kernelbase.dll"); }
std::string Missing() { return Sys("no_such_file_here.dll"); }

// A scratch folder of this run, made on first use.
std::string Temp(const std::string& name) {
    static std::string dir = [] {
        char buf[MAX_PATH];
        GetTempPathA(MAX_PATH, buf);
        std::string d = std::string(buf) + "velm_icons_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(d.c_str(), nullptr);
        return d;
    }();
    return dir + "\\" + name;
}

// The run-time error a call raises: number, source and description (number 0 when none).
struct Raised {
    long number = 0;
    std::string source, description;
};
Raised RaisedBy(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunTimeError& e) {
        return {e.Number, e.Source, e.Description};
    }
    return {};
}

// The pixels of a bitmap, as 0x00RRGGBB, top row first.
std::vector<uint32_t> Pixels(HBITMAP bmp, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> px(static_cast<size_t>(w * h));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
}

// An icon drawn at a size on a background colour, as pixels.
std::vector<uint32_t> IconPixels(HICON icon, int size, COLORREF back) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT r{0, 0, size, size};
    HBRUSH b = CreateSolidBrush(back);
    FillRect(dc, &r, b);
    DeleteObject(b);
    if (icon) DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    auto px = Pixels(bmp, size, size);
    DeleteObject(bmp);
    return px;
}

// The icon at a position or of a resource number (negative), as pixels: the large one at 32,
// or the small one at 16, each asked for alone. (Asked for as a pair, Wine makes the small icon
// from the large image, shrunk, instead of the group's own small image that the routines draw.)
std::vector<uint32_t> ExtractedPixels(const std::string& file, int index, bool small, COLORREF back = RGB(255, 0, 255)) {
    HICON large = nullptr, pairSmall = nullptr;
    UINT got = small ? ExtractIconExA(file.c_str(), index, nullptr, &pairSmall, 1)
                     : ExtractIconExA(file.c_str(), index, &large, nullptr, 1);
    if (got == 0 || got == UINT_MAX) return {};
    auto px = IconPixels(small ? pairSmall : large, small ? 16 : 32, back);
    if (large) DestroyIcon(large);
    if (pairSmall) DestroyIcon(pairSmall);
    return px;
}

std::vector<std::string> Texts(cResources& r, long type) {
    std::vector<std::string> out;
    for (long i = 1; i <= r.ResourceNameCount(type); ++i) out.push_back(r.ResourceName(type, i).ToText());
    return out;
}

// ---------------------------------------------------------------------------------------------
// A window with the picture boxes and image lists the routines draw into.

class frmIcons : public ui::Form {
public:
    frmIcons() : Form("frmIcons", {.caption = "Velmora icons", .width = 9600, .height = 6600}) {}
    ui::PictureBox pixSmall, pixDummy;
    ui::ListView lsvUS;
    ui::TreeView tvwCMH;
    ui::ImageList imlUS{16, 16}, imlCMH{16, 16};

protected:
    void Form_Load() override {
        const long px = ui::Screen::TwipsPerPixelX();
        pixSmall.Create(*this, 60, 60, 16 * px, 16 * px);
        pixDummy.Create(*this, 400, 60, 16 * px, 16 * px);
        lsvUS.Create(*this, 60, 420, 4500, 5500);
        lsvUS.ColumnHeaders.Add("Application Name", 2200);
        lsvUS.ColumnHeaders.Add("Uninstall string", 2200);
        tvwCMH.Create(*this, 4700, 420, 4700, 5500);
    }
};

frmIcons& IconForm() {
    static frmIcons form;
    if (!form.IsLoaded()) form.Show();
    return form;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Resource enumeration

TEST(ResourcesTest, TypeNamesFollowTheTable) {
    struct {
        long type;
        const char* name;
    } cases[] = {{1, "Cursor"},  {3, "Icon"},          {10, "RC Data"},         {12, "Group Cursor"},
                 {14, "Group Icon"}, {16, "Version"},  {19, "VXD"},             {20, "VXD"},
                 {21, "Animated Cursor"}, {23, "HTML"}, {13, "Other (13)"},     {15, "Other (15)"},
                 {18, "Other (18)"}, {24, "Other (24)"}, {0, "Other (0)"},       {-3, "Other (-3)"}};
    for (const auto& c : cases) EXPECT_EQ(cResources::ResourceTypeName(c.type), c.name) << c.type;
}

TEST(ResourcesTest, Shell32TypesAndGroupsInTheSystemsOrder) {
    cResources r;
    r.file(Shell32());
    ASSERT_TRUE(r.hModule());
    EXPECT_EQ(r.hModule(), GetModuleHandleA("shell32.dll")) << "a module the process holds comes back as itself";
    EXPECT_NE(r.GetResourceTypes(), 0);
    // Named types first, then the numbered ones in ascending order.
    std::vector<std::string> named;
    std::vector<long> numbered;
    for (long i = 1; i <= r.ResourceTypeCount(); ++i) {
        Variant t = r.ResourceType(i);
        if (t.IsText()) {
            EXPECT_TRUE(numbered.empty()) << "named type after a numbered one";
            named.push_back(t.Text());
        } else {
            if (!numbered.empty()) {
                EXPECT_GT(t.ToLong(), numbered.back());
            }
            numbered.push_back(t.ToLong());
        }
    }
    EXPECT_EQ(named, (std::vector<std::string>{"AVI", "TYPELIB", "WINE_REGISTRY"}));
    EXPECT_EQ(r.IndexOfResourceType(0), 1) << "number 0 finds the first named type";
    const long groups = r.IndexOfResourceType(14);
    ASSERT_GT(groups, 0);
    EXPECT_GT(r.IndexOfResourceType(3), 0);

    // The names of the same type fetched twice are listed once; they stay after unloading.
    r.GetResourceNames(groups);
    r.GetResourceNames(groups);
    r.UnloadModule();
    EXPECT_EQ(r.hModule(), nullptr);
    auto names = Texts(r, groups);
    ASSERT_EQ(names.size(), 184u);
    EXPECT_EQ(names[0], "IDI_SHELL_OPTIONS");
    EXPECT_EQ(names[1], "IDI_SHELL_RENAME_FOLDER");
    EXPECT_EQ(r.ResourceName(groups, 3).kind(), Variant::Kind::Long);
    for (size_t i = 3; i < names.size(); ++i) EXPECT_GT(std::stol(names[i]), std::stol(names[i - 1]));

    // Asking for names of a type that was not fetched, or outside the lists, is the subscript error.
    EXPECT_EQ(RaisedBy([&] { r.ResourceNameCount(1); }).number, 9);
    EXPECT_EQ(RaisedBy([&] { r.ResourceName(groups, 185); }).number, 9);
    EXPECT_EQ(RaisedBy([&] { r.ResourceType(0); }).number, 9);
    EXPECT_EQ(RaisedBy([&] { r.ResourceType(r.ResourceTypeCount() + 1); }).number, 9);
}

// The bounds-checked reader lists the same resources as the system, in the same order.
TEST(ResourcesTest, ResourceTableAgreesWithTheSystem) {
    for (const std::string& file : {Shell32(), Notepad(), User32()}) {
        SCOPED_TRACE(file);
        MappedFile bytes(file);
        ResourceTable table(bytes.Data(), bytes.Size());
        ASSERT_TRUE(table.Sound());
        cResources r;
        r.file(file);
        r.GetResourceTypes();
        for (long type : {3L, 14L}) {
            const long t = r.IndexOfResourceType(type);
            ASSERT_GT(t, 0);
            r.GetResourceNames(t);
            std::vector<std::string> ours;
            for (const auto& item : table.OfType(static_cast<uint16_t>(type))) {
                EXPECT_TRUE(item.fits);
                std::string n = item.name.empty() ? std::to_string(item.nameId) : item.name;
                if (ours.empty() || ours.back() != n) ours.push_back(n);
            }
            EXPECT_EQ(ours, Texts(r, t));
        }
    }
    EXPECT_EQ(CheckIconSource(Shell32()), IconSource::Sound);
    EXPECT_EQ(CheckIconSource(KernelBase()), IconSource::Sound);
    EXPECT_EQ(CheckIconSource(Missing()), IconSource::Missing);
    EXPECT_EQ(CheckIconSource("shell32.dll"), IconSource::Sound) << "a bare name is looked up as the system does";
}

static BOOL CALLBACK HasGroupIcons(HMODULE, LPSTR type, LONG_PTR found) {
    if (type == MAKEINTRESOURCEA(14)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// A file that cannot be loaded is an error of the enumeration, never the program's own
// resources (this test program carries an icon group, so listing its own would show).
TEST(ResourcesTest, UnloadableAndResourcelessFilesRaiseTheTypesError) {
    bool ownGroups = false;
    EnumResourceTypesA(nullptr, HasGroupIcons, reinterpret_cast<LONG_PTR>(&ownGroups));
    ASSERT_TRUE(ownGroups) << "the test program carries icon groups of its own";
    const std::string text = Temp("plain.txt");
    WriteAll(text, reinterpret_cast<const unsigned char*>("just text\r\n"), 11);
    struct {
        std::string file;
        DWORD error;
    } cases[] = {{Missing(), ERROR_FILE_NOT_FOUND},
                 {text, ERROR_BAD_EXE_FORMAT},
                 {pe_test::FixtureDir("x64") + "\\fxc.dll", ERROR_RESOURCE_DATA_NOT_FOUND},
                 {pe_test::FixtureDir("x86") + "\\fxc.dll", ERROR_RESOURCE_DATA_NOT_FOUND}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        cResources r;
        r.file(c.file);
        Raised e = RaisedBy([&] { r.GetResourceTypes(); });
        EXPECT_EQ(e.number, kObjectError + 1049);
        EXPECT_EQ(e.source, mResource::ProgramName() + ".cResource");
        EXPECT_EQ(e.description, mResource::ApiErrorText(static_cast<long>(c.error)));
        EXPECT_FALSE(e.description.empty());
        EXPECT_EQ(r.ResourceTypeCount(), 0);
        // A file that does not load gives position 0; one that loads but has no resources
        // raises the enumeration's error.
        if (c.error == ERROR_RESOURCE_DATA_NOT_FOUND) {
            EXPECT_EQ(RaisedBy([&] { Icons::FindIconGroupPosition(c.file, "1"); }).number, kObjectError + 1049);
        } else {
            EXPECT_EQ(Icons::FindIconGroupPosition(c.file, "1"), 0);
        }
    }
    // A file the process does not hold loads as a data-file module, its handle's low bit set.
    cResources notepad;
    notepad.file(Notepad());
    EXPECT_TRUE(reinterpret_cast<ULONG_PTR>(notepad.hModule()) & 1);
    EXPECT_EQ(mResource::ProgramName(), "image_icons_tests");
}

TEST(ResourcesTest, KernelBaseHasTypesButNoIconGroups) {
    cResources r;
    r.file(KernelBase());
    r.GetResourceTypes();
    EXPECT_GT(r.ResourceTypeCount(), 0);
    EXPECT_EQ(r.IndexOfResourceType(14), 0);
    EXPECT_GT(r.IndexOfResourceType(6), 0);
    // A type the file lacks gives the names error with the system's text.
    r.AddType(14, "");
    Raised e = RaisedBy([&] { r.GetResourceNames(r.ResourceTypeCount()); });
    EXPECT_EQ(e.number, kObjectError + 1050);
    EXPECT_EQ(e.source, mResource::ProgramName() + ".cResource");
    EXPECT_EQ(Icons::FindIconGroupPosition(KernelBase(), "1"), 0);
}

// ---------------------------------------------------------------------------------------------
// The icon class

TEST(FileIconTest, NotepadGroupLoadsAndRoundTripsByteForByte) {
    cFileIcon icon;
    ASSERT_TRUE(icon.LoadIconFromEXE(Notepad(), 768, ""));
    EXPECT_EQ(icon.ResourceID().ToLong(), 768);
    ASSERT_EQ(icon.ImageCount(), 10);

    // The entries as the group resource lists them.
    HMODULE m = LoadLibraryExA(Notepad().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC res = FindResourceA(m, MAKEINTRESOURCEA(768), RT_GROUP_ICON);
    const auto* group = static_cast<const uint8_t*>(LockResource(LoadResource(m, res)));
    bool png = false, dib32 = false, dib4 = false;
    for (long i = 1; i <= 10; ++i) {
        const uint8_t* g = group + 6 + 14 * (i - 1);
        EXPECT_EQ(icon.ImageWidth(i), g[0]);
        EXPECT_EQ(icon.ImageHeight(i), g[1]);
        EXPECT_EQ(icon.ImageSize(i), static_cast<long>(g[8] | g[9] << 8 | g[10] << 16 | g[11] << 24));
        const int bits = g[6] | g[7] << 8;
        if (bits == 32) {
            dib32 = true;
            EXPECT_EQ(icon.ImageColourCount(i), int64_t{1} << 32);
        }
        if (g[0] == 0) png = true;
        if (g[0] == 32 && bits == 4) {
            dib4 = true;
            EXPECT_EQ(icon.ImageSize(i), 744);
            EXPECT_EQ(icon.ImageColourCount(i), 16);
        }
    }
    FreeLibrary(m);
    EXPECT_TRUE(png && dib32 && dib4);
    EXPECT_EQ(icon.ImageWidth(1), 0) << "the 256 x 256 PNG image comes first";

    // An icon holding 32-bit images takes another image.
    cFileIcon more;
    icon.CloneTo(more);
    EXPECT_EQ(more.ImageCount(), 10);
    EXPECT_EQ(more.AddImage(8, 8, 2), 0);
    EXPECT_EQ(more.ImageCount(), 11);
    EXPECT_EQ(icon.ImageCount(), 10) << "the clone is a copy";

    const std::string first = Temp("notepad.ico"), second = Temp("notepad2.ico");
    ASSERT_TRUE(icon.SaveIcon(first));
    EXPECT_EQ(icon.FileName(), first);
    cFileIcon again;
    ASSERT_TRUE(again.LoadIcon(first));
    ASSERT_EQ(again.ImageCount(), 10);
    EXPECT_TRUE(again.ResourceID().IsEmpty());
    // Every image's bytes as loaded from the group: compare through a clone's save.
    ASSERT_TRUE(again.SaveIcon(second));
    EXPECT_EQ(ReadAll(first), ReadAll(second));
    for (long i = 1; i <= 10; ++i) EXPECT_EQ(again.ImageSize(i), icon.ImageSize(i));
    // The system reads the written file.
    HICON sys = static_cast<HICON>(LoadImageA(nullptr, first.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
    EXPECT_NE(sys, nullptr);
    if (sys) DestroyIcon(sys);
}

TEST(FileIconTest, NamedGroupAndLoadErrors) {
    cFileIcon icon;
    ASSERT_TRUE(icon.LoadIconFromEXE(Shell32(), 0, "IDI_SHELL_OPTIONS"));
    EXPECT_EQ(icon.ResourceID().ToText(), "IDI_SHELL_OPTIONS");
    EXPECT_GT(icon.ImageCount(), 0);
    struct {
        std::string file;
        long number;
        long code;
        const char* message;
    } cases[] = {{Missing(), 768, 1054, "Can't load library."},
                 {Notepad(), 767, 1055, "Can't find resource."},
                 {KernelBase(), 1, 1055, "Can't find resource."}};
    for (const auto& c : cases) {
        Raised e = RaisedBy([&] { icon.LoadIconFromEXE(c.file, c.number, ""); });
        EXPECT_EQ(e.number, kObjectError + c.code) << c.file;
        EXPECT_EQ(e.description, c.message);
        EXPECT_EQ(e.source, mResource::ProgramName() + ".cFileIcon");
        EXPECT_EQ(icon.ImageCount(), 0) << "a failed load leaves the icon empty";
    }
}

TEST(FileIconTest, AddAndRemoveImagesLayTheFileOut) {
    cFileIcon icon;
    EXPECT_EQ(icon.AddImage(32, 32, 16), 0);
    EXPECT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.ImageSize(1), 744);
    EXPECT_EQ(icon.ImageColourCount(1), 16);
    const std::string one = Temp("added.ico");
    ASSERT_TRUE(icon.SaveIcon(one));
    auto bytes = ReadAll(one);
    ASSERT_EQ(bytes.size(), 766u);
    EXPECT_EQ(bytes[6 + 12], 22) << "the first image at offset 22";
    EXPECT_EQ(bytes[6 + 6], 4) << "bit count 4";
    EXPECT_EQ(bytes[6 + 2], 16) << "colour count 16";
    HICON sys = static_cast<HICON>(LoadImageA(nullptr, one.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
    EXPECT_NE(sys, nullptr);
    if (sys) DestroyIcon(sys);

    EXPECT_EQ(icon.AddImage(16, 16, 2), 0);
    ASSERT_TRUE(icon.SaveIcon(""));
    bytes = ReadAll(one);
    RawImage raw(bytes);
    EXPECT_EQ(raw.U32(6 + 12), 38u) << "the first image moves behind the grown directory";
    EXPECT_EQ(raw.U32(6 + 16 + 12), 38u + 744u);
    EXPECT_EQ(bytes.size(), 38u + 744u + icon.ImageSize(2));

    Raised dup = RaisedBy([&] { icon.AddImage(32, 32, 16); });
    EXPECT_EQ(dup.number, kObjectError + 1049);
    EXPECT_EQ(dup.description, "Icon already exists.");
    EXPECT_EQ(RaisedBy([&] { icon.AddImage(256, 16, 2); }).number, 6);

    icon.RemoveImage(1);
    EXPECT_EQ(icon.ImageCount(), 1);
    EXPECT_EQ(icon.ImageWidth(1), 16);
    ASSERT_TRUE(icon.SaveIcon(""));
    EXPECT_EQ(RawImage(ReadAll(one)).U32(6 + 12), 22u);
    icon.RemoveImage(1);
    EXPECT_EQ(icon.ImageCount(), 0);

    // Indexes outside the list are the subscript error, never a read of memory.
    for (auto f : std::vector<std::function<void()>>{[&] { icon.ImageWidth(1); }, [&] { icon.RemoveImage(0); },
                                                     [&] { icon.ImageSize(-1); }, [&] { icon.IconHandle(nullptr, 1); },
                                                     [&] { icon.DrawIconImage(nullptr, 2, false, 0, 0, 0, 0); }})
        EXPECT_EQ(RaisedBy(f).number, 9);
    Raised none = RaisedBy([&] { icon.SaveIcon(""); });
    EXPECT_EQ(none.number, kObjectError + 1052);
    EXPECT_EQ(none.description, "Icon contains no images.");
    cFileIcon fresh;
    fresh.AddImage(16, 16, 16);
    EXPECT_EQ(RaisedBy([&] { fresh.SaveIcon(""); }).number, kObjectError + 1051);
}

// An icon file whose images are not contiguous and not in entry order is saved whole.
TEST(FileIconTest, IconWithAGapBetweenItsImagesRoundTrips) {
    cFileIcon made;
    made.AddImage(16, 16, 16);
    made.AddImage(32, 32, 2);
    const std::string plain = Temp("plain.ico");
    ASSERT_TRUE(made.SaveIcon(plain));
    auto b = ReadAll(plain);
    RawImage raw(b);
    const uint32_t size0 = raw.U32(6 + 8), size1 = raw.U32(22 + 8);
    std::vector<unsigned char> image0(b.begin() + 38, b.begin() + 38 + size0);
    std::vector<unsigned char> image1(b.begin() + 38 + size0, b.begin() + 38 + size0 + size1);
    // Mark the images so a mix-up shows.
    image0[40 + 64] = 0x12;
    image1[40 + 8] = 0x34;
    // Hand-made: directory, 10 bytes of gap, the second image, 6 bytes of gap, the first.
    std::vector<unsigned char> f(b.begin(), b.begin() + 38);
    f.insert(f.end(), 10, 0xEE);
    const uint32_t at1 = static_cast<uint32_t>(f.size());
    f.insert(f.end(), image1.begin(), image1.end());
    f.insert(f.end(), 6, 0xEE);
    const uint32_t at0 = static_cast<uint32_t>(f.size());
    f.insert(f.end(), image0.begin(), image0.end());
    std::memcpy(&f[6 + 12], &at0, 4);
    std::memcpy(&f[22 + 12], &at1, 4);
    const std::string gap = Temp("gap.ico"), saved = Temp("gap_saved.ico");
    ASSERT_TRUE(WriteAll(gap, f.data(), f.size()));

    cFileIcon icon;
    ASSERT_TRUE(icon.LoadIcon(gap));
    ASSERT_TRUE(icon.SaveIcon(saved));
    auto s = ReadAll(saved);
    RawImage out(s);
    ASSERT_EQ(s.size(), 38u + size0 + size1);
    EXPECT_EQ(out.U32(6 + 12), 38u);
    EXPECT_EQ(out.U32(22 + 12), 38u + size0);
    EXPECT_EQ(std::vector<unsigned char>(s.begin() + 38, s.begin() + 38 + size0), image0);
    EXPECT_EQ(std::vector<unsigned char>(s.begin() + 38 + size0, s.end()), image1);
    cFileIcon back;
    ASSERT_TRUE(back.LoadIcon(saved));
    EXPECT_EQ(back.ImageWidth(1), 16);
    EXPECT_EQ(back.ImageWidth(2), 32);
}

// Damaged icon files: a table of cuts and overwritten fields, each refused with its reason.
TEST(FileIconTest, DamagedIconFilesAreRefused) {
    cFileIcon made;
    made.AddImage(32, 32, 16);
    made.AddImage(16, 16, 256);
    const std::string good = Temp("good.ico");
    ASSERT_TRUE(made.SaveIcon(good));
    const auto intact = ReadAll(good);
    const std::string dirCorrupt = "Icon Directory Array is Corrupt.", imagesCorrupt = "Icon Images Array is Corrupt.";
    struct Case {
        const char* name;
        std::function<void(std::vector<unsigned char>&)> damage;
        std::string reason;
    } cases[] = {
        {"40 bytes announcing 3 images", [](auto& b) { b.resize(40); b[4] = 3; }, dirCorrupt},
        {"cut in the directory", [](auto& b) { b.resize(30); }, dirCorrupt},
        {"cut in the last image", [](auto& b) { b.resize(b.size() - 100); }, imagesCorrupt},
        {"count overwritten", [](auto& b) { b[4] = 0xFF; b[5] = 0xFF; }, dirCorrupt},
        {"offset past the end", [](auto& b) { b[6 + 12] = 0xF0; b[6 + 15] = 0x7F; }, imagesCorrupt},
        {"size past the end", [](auto& b) { b[22 + 8] = 0xFF; b[22 + 11] = 0xFF; }, imagesCorrupt},
        {"no images", [](auto& b) { b[4] = 0; b[5] = 0; }, "Icon contains no images."},
        {"reserved not 0", [](auto& b) { b[0] = 1; }, "File is not icon type (reserved member is 0)"},
        {"a cursor file", [](auto& b) { b[2] = 2; }, "File is not icon type (idType <> IMAGE_ICON)"},
        {"empty file", [](auto& b) { b.clear(); }, "File is not icon type (idType <> IMAGE_ICON)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = intact;
        c.damage(b);
        const std::string path = Temp("damaged.ico");
        ASSERT_TRUE(WriteAll(path, b.data(), b.size()));
        cFileIcon icon;
        Raised e = RaisedBy([&] { icon.LoadIcon(path); });
        EXPECT_EQ(e.number, kObjectError + 1050);
        EXPECT_EQ(e.description, "Failed to load icon: " + c.reason);
        EXPECT_EQ(e.source, mResource::ProgramName() + ".cFileIcon");
        EXPECT_EQ(icon.ImageCount(), 0);
        EXPECT_EQ(icon.FileName(), "");
        // The routines that hand icon files to the system refuse it or read it whole.
        EXPECT_FALSE(Icons::HasFileIcon(path) && b.size() < 38);
        auto& form = IconForm();
        form.imlUS.Clear();
        Icons::AddFileIcon(path, 0, false, form.imlUS, "k", form.pixSmall);
        Icons::AddFileIcon(path, -1, false, form.imlUS, "k2", form.pixSmall);
    }
    cFileIcon icon;
    EXPECT_FALSE(icon.LoadIcon(Temp("no_such.ico")));
}

// Rendering: a DIB is drawn only when its header, palette and rows fit in its bytes; a PNG
// image becomes an icon through the system's decoder and draws nothing by itself.
TEST(FileIconTest, ImagesRenderOnlyWithinTheirBytes) {
    cFileIcon icon;
    ASSERT_TRUE(icon.LoadIconFromEXE(Notepad(), 768, ""));
    HDC screen = GetDC(nullptr);
    for (long i = 1; i <= icon.ImageCount(); ++i) {
        SCOPED_TRACE(i);
        HICON h = icon.IconHandle(screen, i);
        ASSERT_NE(h, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(h, &info));
        BITMAP bm{};
        GetObject(info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, icon.ImageWidth(i) ? icon.ImageWidth(i) : 256);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(h);
        auto picture = icon.IconPicture(screen, i);
        ASSERT_TRUE(picture);
        SHORT type = 0;
        picture->get_Type(&type);
        EXPECT_EQ(type, PICTYPE_ICON);
    }

    // A 16 x 16 two-colour image with every colour bit set draws white, its mask black.
    cFileIcon made;
    made.AddImage(16, 16, 2);
    const std::string path = Temp("white.ico");
    made.SaveIcon(path);
    auto b = ReadAll(path);
    std::fill(b.begin() + 22 + 48, b.begin() + 22 + 48 + 64, 0xFF);
    WriteAll(path, b.data(), b.size());
    made.LoadIcon(path);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 32, 16);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT r{0, 0, 32, 16};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    made.DrawIconImage(dc, 1, false, 0, 0, 0, 0);
    made.DrawIconImage(dc, 1, true, 16, 0, 0, 0);
    SelectObject(dc, old);
    auto px = Pixels(bmp, 32, 16);
    EXPECT_EQ(px[0], 0xFFFFFFu);
    EXPECT_EQ(px[15 * 32 + 15], 0xFFFFFFu);
    EXPECT_EQ(px[16], 0u);
    EXPECT_EQ(px[15 * 32 + 31], 0u);

    // Headers that claim more than the bytes hold render nothing and make no icon.
    struct {
        const char* name;
        size_t at;
        std::vector<unsigned char> value;
    } bad[] = {{"height", 8, {0xF0, 0xFF, 0xFF, 0x7F}}, {"width", 4, {0x00, 0x10, 0x00, 0x00}},
               {"used colours", 32, {0x00, 0x00, 0x00, 0x40}}, {"bit count", 14, {0x20, 0x00}},
               {"header size", 0, {0x7C, 0x00, 0x00, 0x00}}};
    for (const auto& c : bad) {
        SCOPED_TRACE(c.name);
        auto d = b;
        std::copy(c.value.begin(), c.value.end(), d.begin() + 22 + static_cast<std::ptrdiff_t>(c.at));
        WriteAll(path, d.data(), d.size());
        ASSERT_TRUE(made.LoadIcon(path));
        EXPECT_EQ(made.IconHandle(screen, 1), nullptr);
        EXPECT_FALSE(made.IconPicture(screen, 1));
        SelectObject(dc, bmp);
        made.DrawIconImage(dc, 1, false, 0, 0, 0, 0);
        made.DrawIconImage(dc, 1, true, 0, 0, 64, 64);
        SelectObject(dc, old);
    }
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// ---------------------------------------------------------------------------------------------
// Image-list icon routines

// The position found for each numbered group picks the icon the system gives for that group.
TEST(IconRoutinesTest, GroupPositionsPickTheSameIconsAsTheSystem) {
    cResources r;
    r.file(Shell32());
    r.GetResourceTypes();
    const long t = r.IndexOfResourceType(14);
    r.GetResourceNames(t);
    r.UnloadModule();
    int compared = 0;
    for (long i = 1; i <= r.ResourceNameCount(t); ++i) {
        Variant name = r.ResourceName(t, i);
        const long position = Icons::FindIconGroupPosition(Shell32(), name.ToText());
        EXPECT_EQ(position, i - 1) << name.ToText();
        // Group 1 cannot be asked for by number: -1 is the count query.
        if (!name.IsNumber() || name.ToLong() == 1) continue;
        auto byPosition = ExtractedPixels(Shell32(), static_cast<int>(position), false);
        auto byNumber = ExtractedPixels(Shell32(), -static_cast<int>(name.ToLong()), false);
        ASSERT_FALSE(byPosition.empty()) << name.ToText();
        EXPECT_EQ(byPosition, byNumber) << "group " << name.ToText();
        ++compared;
    }
    EXPECT_EQ(compared, 181);
    EXPECT_EQ(Icons::FindIconGroupPosition(Shell32(), "idi_shell_rename_folder"), 1);
    EXPECT_EQ(Icons::FindIconGroupPosition(Shell32(), "0154"), 0) << "compared as text";
    EXPECT_EQ(Icons::FindIconGroupPosition(Notepad(), "768"), 0);
}

TEST(IconRoutinesTest, HasFileIconTellsFilesWithIcons) {
    EXPECT_TRUE(Icons::HasFileIcon(Notepad()));
    EXPECT_TRUE(Icons::HasFileIcon(Shell32()));
    EXPECT_TRUE(Icons::HasFileIcon(Temp("notepad.ico")) || !ReadAll(Temp("notepad.ico")).size());
    EXPECT_FALSE(Icons::HasFileIcon(KernelBase()));
    EXPECT_FALSE(Icons::HasFileIcon(Missing()));
    EXPECT_FALSE(Icons::HasFileIcon(""));
    EXPECT_FALSE(Icons::HasFileIcon(pe_test::FixtureDir("x64") + "\\fxc.dll"));
}

TEST(IconRoutinesTest, AddFileIconAddsByResourceIdSystemIconAndPosition) {
    auto& form = IconForm();
    ASSERT_TRUE(Icons::ResetImageList(form.imlUS, form.lsvUS, form.pixDummy));
    ASSERT_EQ(form.imlUS.Count(), 1);
    EXPECT_EQ(form.imlUS.KeyAt(1), "dummy");
    EXPECT_EQ(form.lsvUS.SmallIcons(), &form.imlUS);
    const COLORREF back = form.pixSmall.BackColor();
    auto drawn = [&] { return Pixels(form.pixSmall.Picture(), 16, 16); };

    // By resource id: group 154 of shell32, at its position.
    ASSERT_TRUE(Icons::AddFileIcon(Shell32(), 154, true, form.imlUS, "Key_1", form.pixSmall));
    EXPECT_TRUE(form.imlUS.Exists("Key_1"));
    EXPECT_EQ(drawn(), ExtractedPixels(Shell32(), -154, true, back));
    // An id no group has: the file's first icon.
    ASSERT_TRUE(Icons::AddFileIcon(Shell32(), 99999, true, form.imlUS, "Key_2", form.pixSmall));
    EXPECT_EQ(drawn(), ExtractedPixels(Shell32(), 0, true, back));
    // The system icon.
    ASSERT_TRUE(Icons::AddFileIcon(Notepad(), -1, false, form.imlUS, "Key_3", form.pixSmall));
    EXPECT_NE(drawn(), std::vector<uint32_t>(256, back & 0xFFFFFF)) << "something was drawn";
    // By position, with the correction of positions above the count (user32 has 7 icons).
    ASSERT_EQ(ExtractIconExA(User32().c_str(), -1, nullptr, nullptr, 0), 7u);
    // A negative index is a resource number: that of user32's third group.
    cResources groups;
    groups.file(User32());
    groups.GetResourceTypes();
    groups.GetResourceNames(groups.IndexOfResourceType(14));
    const long third = groups.ResourceName(groups.IndexOfResourceType(14), 3).ToLong();
    ASSERT_GT(third, 1);
    struct {
        long index;
        int expected;  // -1: nothing added
    } positions[] = {{0, 0}, {3, 3}, {150, 0}, {105, 5}, {6, 6}, {7, -1}, {9, 0}, {-third, 2}};
    int n = 10;
    for (const auto& p : positions) {
        SCOPED_TRACE(p.index);
        const std::string key = "Key_" + std::to_string(++n);
        const long before = form.imlUS.Count();
        const bool added = Icons::AddFileIcon(User32(), p.index, false, form.imlUS, key, form.pixSmall);
        if (p.expected == -1) {
            EXPECT_FALSE(added);
            EXPECT_EQ(form.imlUS.Count(), before);
            continue;
        }
        ASSERT_TRUE(added);
        EXPECT_EQ(form.imlUS.Count(), before + 1);
        EXPECT_EQ(drawn(), ExtractedPixels(User32(), p.expected, true, back));
    }
    // A key the list holds already, files without icons, missing and resourceless files.
    const long count = form.imlUS.Count();
    const long handled = QV_Err::HandledCount();
    EXPECT_FALSE(Icons::AddFileIcon(Shell32(), 0, false, form.imlUS, "key_1", form.pixSmall));
    EXPECT_EQ(QV_Err::HandledCount(), handled + 1);
    EXPECT_EQ(QV_Err::LastNumber(), 35602);
    for (long index : {0L, 768L}) {
        for (bool byId : {false, true}) {
            EXPECT_FALSE(Icons::AddFileIcon(KernelBase(), index, byId, form.imlUS, "none", form.pixSmall));
            EXPECT_FALSE(Icons::AddFileIcon(Missing(), index, byId, form.imlUS, "none", form.pixSmall));
        }
    }
    EXPECT_FALSE(Icons::AddFileIcon(Missing(), -1, false, form.imlUS, "none", form.pixSmall));
    // Resource id on a file without resources: the enumeration's error, trapped.
    EXPECT_FALSE(Icons::AddFileIcon(pe_test::FixtureDir("x64") + "\\fxc.dll", 1, true, form.imlUS, "none", form.pixSmall));
    EXPECT_EQ(QV_Err::LastNumber(), kObjectError + 1049);
    EXPECT_EQ(form.imlUS.Count(), count);
    // The shell has an icon for every program file, also one without icons of its own.
    EXPECT_TRUE(Icons::AddFileIcon(KernelBase(), -1, false, form.imlUS, "Key_dll", form.pixSmall));

    // One picture per key, its background (the picture box's back colour) transparent.
    EXPECT_EQ(ImageList_GetImageCount(form.imlUS.Handle()), form.imlUS.Count());
    {
        auto shown = DrawnPixels(form.imlUS.Handle(), form.imlUS.Resolve("Key_1"));
        auto icon = ExtractedPixels(Shell32(), -154, true, back);
        int clear = 0;
        for (size_t i = 0; i < icon.size(); ++i) {
            if (icon[i] == (back & 0xFFFFFF)) {
                EXPECT_EQ(shown[i], 0xFF00FFu) << i;
                ++clear;
            } else {
                EXPECT_EQ(shown[i], icon[i]) << i;
            }
        }
        EXPECT_GT(clear, 0);
    }

    // An image taken out as an icon, as a copy into a list of another size takes it.
    HICON copied = form.imlUS.ExtractIcon("Key_1");
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(IconPixels(copied, 16, RGB(255, 0, 255)), [&] {
        auto px = ExtractedPixels(Shell32(), -154, true, back);
        for (auto& p : px)
            if (p == (back & 0xFFFFFF)) p = 0xFF00FF;
        return px;
    }());
    DestroyIcon(copied);
    EXPECT_EQ(RaisedBy([&] { form.imlUS.ExtractIcon("no such key"); }).number, 35601);

    // The tree's list: reset keeps the picture box's last picture as "dummy".
    ASSERT_TRUE(Icons::ResetImageList(form.imlCMH, form.tvwCMH, form.pixSmall));
    EXPECT_EQ(form.tvwCMH.GetImageList(), &form.imlCMH);
    ASSERT_EQ(form.imlCMH.Count(), 1);
    EXPECT_TRUE(form.imlCMH.Exists("dummy"));
    EXPECT_EQ(ImageList_GetImageCount(form.imlCMH.Handle()), 1);

    // A picture put into the box is what the next reset keeps as "dummy".
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP red = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, red);
    RECT r{0, 0, 16, 16};
    HBRUSH brush = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    form.pixDummy.SetPicture(red);
    DeleteObject(red);
    ASSERT_TRUE(form.pixDummy.Picture());
    EXPECT_EQ(Pixels(form.pixDummy.Picture(), 16, 16), std::vector<uint32_t>(256, 0xC80000u));
    ASSERT_TRUE(Icons::ResetImageList(form.imlCMH, form.tvwCMH, form.pixDummy));
    HBITMAP shown = CreateCompatibleBitmap(screen, 16, 16);
    old = SelectObject(dc, shown);
    ImageList_Draw(form.imlCMH.Handle(), 0, dc, 0, 0, ILD_NORMAL);
    SelectObject(dc, old);
    EXPECT_EQ(Pixels(shown, 16, 16), std::vector<uint32_t>(256, 0xC80000u));
    DeleteObject(shown);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    form.pixDummy.ClearPicture();
    EXPECT_FALSE(form.pixDummy.Picture());
}

// A picture copied from one list into another draws as the icon added directly does, its
// translucent pixels too; the source keeps one copy per picture until it is cleared.
TEST(IconRoutinesTest, CopiesBetweenListsDrawAsTheIconsThemselves) {
    // An icon whose alpha runs from clear to solid across its rows, with a red square in it.
    auto makeIcon = [](uint32_t colour) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* px = static_cast<uint32_t*>(bits);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const uint32_t alpha = static_cast<uint32_t>(y * 17);
                const bool square = x >= 4 && x < 12 && y >= 4 && y < 12;
                px[y * 16 + x] = square ? 0xFF000000u | colour : (alpha << 24) | (0x40 * alpha / 255) * 0x010101u;
            }
        const std::vector<uint8_t> zeros(2 * 16, 0);
        HBITMAP mask = CreateBitmap(16, 16, 1, 1, zeros.data());
        ICONINFO info{TRUE, 0, 0, mask, image};
        HICON icon = CreateIconIndirect(&info);
        DeleteObject(image);
        DeleteObject(mask);
        return icon;
    };
    auto drawn = [](ui::ImageList& list, const char* key) { return DrawnPixels(list.Handle(), list.Resolve(key)); };
    HICON red = makeIcon(0xFF0000), blue = makeIcon(0x0000FF);
    ui::ImageList source, direct, copied, large(32, 32);
    source.Add("icon", red);
    direct.Add("icon", red);
    // A picture added from a bitmap with a mask colour: its background is clear.
    const auto& form = IconForm();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 16, 16}, middle{5, 5, 11, 11};
    HBRUSH back = CreateSolidBrush(form.pixSmall.BackColor()), green = CreateSolidBrush(RGB(0, 160, 0));
    FillRect(dc, &all, back);
    FillRect(dc, &middle, green);
    DeleteObject(back);
    DeleteObject(green);
    SelectObject(dc, old);
    DeleteDC(dc);
    source.Add("masked", bitmap, form.pixSmall.BackColor());
    DeleteObject(bitmap);

    const auto redShown = drawn(direct, "icon");
    EXPECT_NE(redShown[0], redShown[15 * 16]) << "the alpha shows";
    EXPECT_EQ(redShown[0], 0xFF00FFu) << "the clear top row";
    copied.AddCopy("icon", source, "icon");
    copied.AddCopy("masked", source, "masked");
    EXPECT_EQ(drawn(copied, "icon"), redShown);
    EXPECT_EQ(drawn(copied, "masked"), drawn(source, "masked"));
    EXPECT_EQ(drawn(copied, "masked")[0], 0xFF00FFu);
    // Copied again, into a cleared list, from the kept copy; a list of another size gets the
    // icon at its own size.
    copied.Clear();
    copied.AddCopy("again", source, "icon");
    EXPECT_EQ(drawn(copied, "again"), redShown);
    EXPECT_EQ(large.AddCopy("icon", source, "icon"), 1);
    EXPECT_EQ(RaisedBy([&] { copied.AddCopy("x", source, "no such key"); }).number, 35601);
    EXPECT_EQ(RaisedBy([&] { copied.AddCopy("again", source, "icon"); }).number, 35602);
    // The source cleared and refilled: a copy is of the picture it holds now.
    source.Clear();
    source.Add("icon", blue);
    copied.Clear();
    copied.AddCopy("icon", source, "icon");
    direct.Clear();
    direct.Add("icon", blue);
    EXPECT_EQ(drawn(copied, "icon"), drawn(direct, "icon"));
    EXPECT_NE(drawn(copied, "icon"), redShown);
    DestroyIcon(red);
    DestroyIcon(blue);
}

namespace {

// The process's GDI objects and icons. GetGuiResources counts them on Windows; Wine answers 0,
// so the live handles are counted too: a handle with an empty upper word names the table slot
// of any generation, GDI handles in slots 0 to 0xFFFF, USER handles at even values from 0x20.
struct ObjectCounts {
    DWORD gdi = 0, user = 0;
    long liveGdi = 0, liveIcons = 0;
    bool operator==(const ObjectCounts&) const = default;
};

ObjectCounts CountObjects() {
    ObjectCounts c;
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(h))) ++c.liveGdi;
    for (ULONG_PTR h = 0x20; h <= 0xFFFE; h += 2) {
        ICONINFO info{};
        if (GetIconInfo(reinterpret_cast<HICON>(h), &info)) {
            ++c.liveIcons;
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
    }
    return c;
}

std::ostream& operator<<(std::ostream& os, const ObjectCounts& c) {
    return os << "GDI " << c.gdi << ", USER " << c.user << ", live GDI " << c.liveGdi << ", live icons " << c.liveIcons;
}

}  // namespace

// The counter sees what a leak would leave behind.
TEST(IconRoutinesTest, ObjectCounterSeesLeaks) {
    const ObjectCounts before = CountObjects();
    HICON icons[5];
    HBRUSH brushes[5];
    for (int i = 0; i < 5; ++i) {
        icons[i] = CopyIcon(LoadIcon(nullptr, IDI_APPLICATION));
        brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
    }
    const ObjectCounts during = CountObjects();
    for (int i = 0; i < 5; ++i) {
        DestroyIcon(icons[i]);
        DeleteObject(brushes[i]);
    }
    EXPECT_EQ(during.liveIcons, before.liveIcons + 5);
    EXPECT_GE(during.liveGdi, before.liveGdi + 5);
    EXPECT_EQ(CountObjects(), before);
}

// Every icon handle extracted is destroyed: a thousand calls leave the object counts flat.
TEST(IconRoutinesTest, ObjectCountsStayFlat) {
    auto& form = IconForm();
    auto counts = [] { return CountObjects(); };
    auto round = [&](int i) {
        if (i % 50 == 0) Icons::ResetImageList(form.imlUS, form.lsvUS, form.pixDummy);
        const std::string key = "Key_" + std::to_string(i);
        switch (i % 5) {
            case 0: Icons::AddFileIcon(Shell32(), 154, true, form.imlUS, key, form.pixSmall); break;
            case 1: Icons::AddFileIcon(User32(), i % 9, false, form.imlUS, key, form.pixSmall); break;
            case 2: Icons::AddFileIcon(Notepad(), -1, false, form.imlUS, key, form.pixSmall); break;
            case 3: Icons::AddFileIcon(KernelBase(), 0, false, form.imlUS, key, form.pixSmall); break;
            default: Icons::AddFileIcon(Missing(), 0, false, form.imlUS, key, form.pixSmall); break;
        }
        Icons::HasFileIcon(i % 2 ? Notepad() : KernelBase());
        Icons::HasFileIcon(Missing());
    };
    for (int i = 0; i < 100; ++i) round(i);  // caches of the system filled once
    Icons::ResetImageList(form.imlUS, form.lsvUS, form.pixDummy);
    const auto before = counts();
    for (int i = 0; i < 1000; ++i) round(i);
    Icons::ResetImageList(form.imlUS, form.lsvUS, form.pixDummy);
    const auto after = counts();
    EXPECT_GT(before.liveGdi, 0);
    EXPECT_EQ(after, before);
}

// ---------------------------------------------------------------------------------------------
// Damaged program files

namespace {

// Where notepad.exe's resource tables stand, read from its bytes.
struct Layout {
    uint32_t root = 0;
    uint32_t typeEntry14 = 0, langDir14 = 0, dataEntry14 = 0, group = 0;
    uint32_t dataEntry3 = 0, dibIcon = 0, dibEntry3 = 0;
};

Layout Locate(const RawImage& raw) {
    Layout l;
    l.root = raw.Offset(raw.U32(raw.DirectoryEntry(2)));
    auto child = [&](uint32_t dir, size_t i) { return l.root + (raw.U32(dir + 16 + 8 * i + 4) & 0x7FFFFFFF); };
    auto count = [&](uint32_t dir) { return size_t{raw.U16(dir + 12)} + raw.U16(dir + 14); };
    for (size_t t = 0; t < count(l.root); ++t) {
        const uint32_t entry = l.root + 16 + 8 * static_cast<uint32_t>(t);
        const uint32_t id = raw.U32(entry);
        if (id == 14) {
            l.typeEntry14 = entry;
            l.langDir14 = child(child(l.root, t), 0);
            l.dataEntry14 = child(l.langDir14, 0);
            l.group = raw.Offset(raw.U32(l.dataEntry14));
        }
        if (id == 3) {
            const uint32_t names = child(l.root, t);
            l.dataEntry3 = child(child(names, 0), 0);
            for (size_t n = 0; n < count(names) && !l.dibIcon; ++n) {
                const uint32_t data = child(child(names, n), 0);
                const uint32_t at = raw.Offset(raw.U32(data));
                if (raw.U32(at) == 40) l.dibIcon = at, l.dibEntry3 = data;
            }
        }
    }
    return l;
}

void Put16(std::vector<unsigned char>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

}  // namespace

// Copies of notepad.exe with their resource tables overwritten or cut: none crashes any of
// the routines; those whose icon tables no longer fit give no icon.
TEST(DamagedFilesTest, DamagedProgramFilesNeverCrash) {
    const auto intact = ReadAll(Notepad());
    ASSERT_GT(intact.size(), 4096u);
    RawImage raw(intact);
    const Layout l = Locate(raw);
    ASSERT_TRUE(l.root && l.typeEntry14 && l.dataEntry14 && l.group && l.dataEntry3 && l.dibIcon);
    using Bytes = std::vector<unsigned char>;
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        bool iconsGone;  // the icon tables no longer fit: no icon is extracted
    } cases[] = {
        {"root directory counts", [&](Bytes& b) { Put16(b, l.root + 12, 0xFFFF); Put16(b, l.root + 14, 0xFFFF); }, true},
        {"group names directory offset", [&](Bytes& b) { Put32(b, l.typeEntry14 + 4, 0xFFFFFFF0); }, true},
        {"group data size", [&](Bytes& b) { Put32(b, l.dataEntry14 + 4, 0x7FFFFFFF); }, true},
        {"group data place", [&](Bytes& b) { Put32(b, l.dataEntry14, 0x7FFFFF00); }, true},
        {"group count", [&](Bytes& b) { Put16(b, l.group + 4, 0xFFFF); }, true},
        {"icon data size", [&](Bytes& b) { Put32(b, l.dataEntry3 + 4, 0x7FFFFFFF); }, true},
        {"icon data place", [&](Bytes& b) { Put32(b, l.dataEntry3, 0xFFFFFF00); }, true},
        {"language directory empty", [&](Bytes& b) { Put16(b, l.langDir14 + 12, 0); Put16(b, l.langDir14 + 14, 0); }, true},
        {"cut in the resource directory", [&](Bytes& b) { b.resize(l.root + 40); }, true},
        {"cut in the group", [&](Bytes& b) { b.resize(l.group + 10); }, true},
        {"cut to 2000 bytes", [&](Bytes& b) { b.resize(2000); }, true},
        {"section count", [&](Bytes& b) { Put16(b, raw.ntOffset + 6, 0xFFFF); }, true},
        {"resource directory place", [&](Bytes& b) { Put32(b, raw.DirectoryEntry(2), 0xFFFFFFF0); }, false},
        {"icon bitmap height", [&](Bytes& b) { Put32(b, l.dibIcon + 8, 0x7FFFFFF0); }, false},
        {"icon bitmap width and bits", [&](Bytes& b) { Put32(b, l.dibIcon + 4, 0x00100000); Put16(b, l.dibIcon + 14, 0x7FFF); }, false},
        {"icon bitmap colours used", [&](Bytes& b) { Put32(b, l.dibIcon + 32, 0x40000000); }, false},
    };
    auto& form = IconForm();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = intact;
        c.damage(b);
        const std::string path = Temp(std::string("damaged_") + std::to_string(&c - cases) + ".exe");
        ASSERT_TRUE(WriteAll(path, b.data(), b.size()));

        if (c.iconsGone) {
            EXPECT_EQ(CheckIconSource(path), IconSource::Damaged);
            EXPECT_FALSE(Icons::HasFileIcon(path));
            EXPECT_FALSE(Icons::AddFileIcon(path, 0, false, form.imlUS, "damaged", form.pixSmall));
            EXPECT_FALSE(Icons::AddFileIcon(path, 768, true, form.imlUS, "damaged", form.pixSmall));
            EXPECT_FALSE(Icons::AddFileIcon(path, -1, false, form.imlUS, "damaged", form.pixSmall));
            cFileIcon icon;
            EXPECT_NE(RaisedBy([&] { icon.LoadIconFromEXE(path, 768, ""); }).number, 0);
            EXPECT_EQ(icon.ImageCount(), 0);
        } else {
            Icons::HasFileIcon(path);
            for (long index : {0L, -1L, 768L}) {
                form.imlUS.Clear();
                Icons::AddFileIcon(path, index, index == 768, form.imlUS, "damaged", form.pixSmall);
            }
            cFileIcon icon;
            RaisedBy([&] {
                icon.LoadIconFromEXE(path, 768, "");
                for (long i = 1; i <= icon.ImageCount(); ++i) {
                    HICON h = icon.IconHandle(nullptr, i);
                    if (h) DestroyIcon(h);
                }
            });
        }
        RaisedBy([&] { Icons::FindIconGroupPosition(path, "768"); });
        cResources r;
        r.file(path);
        RaisedBy([&] {
            r.GetResourceTypes();
            for (long t = 1; t <= r.ResourceTypeCount(); ++t) r.GetResourceNames(t);
        });
    }
    // The intact copy still works through the same path.
    const std::string copy = Temp("notepad_copy.exe");
    ASSERT_TRUE(WriteAll(copy, intact.data(), intact.size()));
    EXPECT_TRUE(Icons::HasFileIcon(copy));
    EXPECT_EQ(Icons::FindIconGroupPosition(copy, "768"), 0);
}
