#include "image/QV_IconsAndResources.h"

#include <shellapi.h>

#include <climits>
#include <cstring>
#include <vector>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "image/ResourceTable.h"
#include "image/cFileIcon.h"
#include "image/cResources.h"

namespace {
constexpr char kModule[] = "QV_IconsAndResources";
}  // namespace

namespace QV_IconsAndResources {

namespace {

// The largest width and height a PNG icon image may claim (the icon format's own limit is 256).
constexpr uint32_t kLargestPngIcon = 1024;

// Image 1 of a reset list: the picture box's picture, or a blank of its back colour.
void AddDummy(ui::ImageList& iml, ui::PictureBox& pix) {
    if (pix.Picture()) {
        iml.Add("dummy", pix.Picture(), pix.BackColor());
        return;
    }
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP blank = CreateCompatibleBitmap(screen, iml.ImageWidth(), iml.ImageHeight());
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, blank);
    RECT r{0, 0, iml.ImageWidth(), iml.ImageHeight()};
    HBRUSH brush = CreateSolidBrush(pix.BackColor());
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    try {
        iml.Add("dummy", blank, pix.BackColor());
    } catch (...) {
        DeleteObject(blank);
        throw;
    }
    DeleteObject(blank);
}

// ExtractIconExA's answer: the number of icons, where UINT_MAX (a missing file) counts as none.
UINT Extracted(UINT count) { return count == UINT_MAX ? 0 : count; }

// The icon of one extraction, destroyed when the call ends.
struct ExtractedIcons {
    HICON small = nullptr;
    ~ExtractedIcons() {
        if (small) DestroyIcon(small);
    }
};

// The entry of each resource name in its first language: the one the system's icon extraction
// takes (the table lists every language of a name together).
std::vector<ResourceTable::Item> FirstLanguages(std::vector<ResourceTable::Item> items) {
    std::vector<ResourceTable::Item> first;
    for (auto& item : items)
        if (first.empty() || first.back().nameId != item.nameId || first.back().name != item.name)
            first.push_back(std::move(item));
    return first;
}

// True when one icon image's bytes hold what the system's icon functions can make an icon of
// without harm: a PNG whose header gives a modest size, or a DIB whose header, size and rows fit
// the bytes (cFileIcon::ReadDib). An image header may claim any width and height; the system
// would allocate and draw what it claims.
bool ImageSound(const uint8_t* image, size_t size) {
    if (cFileIcon::IsPng(image, size)) {
        // The signature, then the IHDR chunk: length 13, type, width and height (big-endian).
        if (size < 8 + 8 + 13) return false;
        auto be32 = [&](size_t at) {
            return static_cast<uint32_t>(image[at]) << 24 | static_cast<uint32_t>(image[at + 1]) << 16 |
                   static_cast<uint32_t>(image[at + 2]) << 8 | image[at + 3];
        };
        if (be32(8) != 13 || std::memcmp(image + 12, "IHDR", 4) != 0) return false;
        const uint32_t width = be32(16), height = be32(20);
        return width >= 1 && width <= kLargestPngIcon && height >= 1 && height <= kLargestPngIcon;
    }
    cFileIcon::DibLayout layout;
    return cFileIcon::ReadDib(image, size, layout);
}

// True when every icon image of the file (an icon file's images, a program file's icon
// resources) is sound. The file's tables have been checked (CheckIconSource): every image lies
// inside the file.
bool ImagesSound(const uint8_t* b, size_t size) {
    if (size >= 6 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0) {
        auto u32 = [b](size_t at) {
            return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
                   static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
        };
        const size_t count = b[4] | b[5] << 8;
        for (size_t i = 0; i < count; ++i) {
            const size_t e = 6 + 16 * i;
            if (!ImageSound(b + u32(e + 12), u32(e + 8))) return false;
        }
        return true;
    }
    ResourceTable table(b, size);
    if (!table.IsPe()) return true;  // the extraction finds no icon in it
    for (const auto& image : table.OfType(3))
        if (!image.fits || !ImageSound(b + image.offset, image.size)) return false;
    return true;
}

// A file whose icon tables and icon images are sound (see above).
bool IconFileSound(const std::string& file) {
    MappedFile bytes(ResolveFile(file));
    return CheckIconSource(bytes.Data(), bytes.Size()) == IconSource::Sound && ImagesSound(bytes.Data(), bytes.Size());
}

// The small icon of an icon group, made from the file's bytes as the system's extraction makes
// it: the group's best image for the small-icon size, in its first language. Null when the group
// names no image the file has. The table has been checked (CheckIconSource): the group's entries
// and every image lie inside the file.
HICON SmallIconOf(const uint8_t* bytes, const ResourceTable& table, const ResourceTable::Item& group) {
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    auto* directory = const_cast<PBYTE>(bytes + group.offset);
    const int id = LookupIconIdFromDirectoryEx(directory, TRUE, cx, cy, LR_DEFAULTCOLOR);
    if (id <= 0) return nullptr;
    for (const auto& image : FirstLanguages(table.OfType(3))) {
        if (!image.name.empty() || image.nameId != id) continue;
        if (!image.fits || image.size == 0) return nullptr;
        return CreateIconFromResourceEx(const_cast<PBYTE>(bytes + image.offset), image.size, TRUE, 0x00030000, cx, cy,
                                        LR_DEFAULTCOLOR);
    }
    return nullptr;
}

bool AddFileIconWork(const std::string& file, long index, bool resourceId, ui::ImageList& iml, const std::string& key,
                     ui::PictureBox& pix) {
    if (resourceId) {
        index = FindIconGroupPosition(file, std::to_string(index));
    } else if (index == -1) {
        // The shell's icon: asked without SHGFI_EXETYPE, with which the shell answers nothing.
        const IconSource kind = CheckIconSource(file);
        if (kind == IconSource::Damaged || (kind == IconSource::Sound && !IconFileSound(file))) return false;
        SHFILEINFOA info{};
        auto list = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA(file.c_str(), 0, &info, sizeof info,
                           SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_DISPLAYNAME | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON));
        if (!list) return false;
        DrawSystemIcon(list, info.iIcon, pix);
        iml.Add(key, pix.Picture(), pix.BackColor());
        return true;
    }

    // By position.
    MappedFile bytes(ResolveFile(file));
    if (CheckIconSource(bytes.Data(), bytes.Size()) != IconSource::Sound) return false;
    if (!ImagesSound(bytes.Data(), bytes.Size())) return false;
    ResourceTable table(bytes.Data(), bytes.Size());
    // A program file's icon is made from the bytes just checked; an icon file goes to the
    // system's extraction.
    std::vector<ResourceTable::Item> groups;
    if (table.IsPe()) groups = FirstLanguages(table.OfType(14));
    const long count = table.IsPe() ? static_cast<long>(groups.size())
                                    : static_cast<long>(Extracted(ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0)));
    if (count < index) {
        const std::string digits = std::to_string(index);
        const long lastTwo = std::stol(digits.size() > 2 ? digits.substr(digits.size() - 2) : digits);
        index = lastTwo <= count ? lastTwo : 0;
    }
    // A position at or past the count extracts nothing (and the system then hands back junk
    // handles), so it is not asked for.
    if (index >= count) return false;
    ExtractedIcons icons;
    if (table.IsPe()) {
        // A negative index is the number of a group.
        const ResourceTable::Item* group = nullptr;
        if (index >= 0) group = &groups[static_cast<size_t>(index)];
        else
            for (const auto& g : groups)
                if (g.name.empty() && g.nameId == -index) group = &g;
        if (!group) return false;
        icons.small = SmallIconOf(bytes.Data(), table, *group);
    } else {
        // The small icon alone: asked for with the large one, Wine shrinks the large image.
        HICON small = nullptr;
        const UINT got = Extracted(ExtractIconExA(file.c_str(), static_cast<int>(index), nullptr, &small, 1));
        // Success is the count: when nothing was extracted the handle is not to be trusted.
        if (got == 0) return false;
        icons.small = small;
    }
    if (!icons.small) return false;

    pix.ClearPicture();
    DrawIconEx(pix.hDC(), 0, 0, icons.small, 16, 16, 0, nullptr, DI_NORMAL);
    pix.SetPictureFromImage();
    iml.Add(key, pix.Picture(), pix.BackColor());
    return true;
}

}  // namespace

bool ResetImageList(ui::ImageList& iml, ui::ListView& lsv, ui::PictureBox& pix) {
    lsv.SetSmallIcons(nullptr);
    iml.Clear();
    AddDummy(iml, pix);
    lsv.SetSmallIcons(&iml);
    return true;
}

bool ResetImageList(ui::ImageList& iml, ui::TreeView& tvw, ui::PictureBox& pix) {
    tvw.SetImageList(nullptr);
    iml.Clear();
    AddDummy(iml, pix);
    tvw.SetImageList(&iml);
    return true;
}

HIMAGELIST DrawSystemIcon(HIMAGELIST systemList, int iconIndex, ui::PictureBox& pix) {
    pix.ClearPicture();
    ImageList_Draw(systemList, iconIndex, pix.hDC(), 0, 0, ILD_TRANSPARENT);
    pix.SetPictureFromImage();
    return systemList;
}

bool AddFileIcon(const std::string& file, long index, bool resourceId, ui::ImageList& iml, const std::string& key,
                 ui::PictureBox& pix) {
    bool added = false;
    TrapErrors(kModule, "AddFileIcon",
               [&] { added = AddFileIconWork(file, index, resourceId, iml, key, pix); });
    return added;
}

bool HasFileIcon(const std::string& file) {
    if (!IconFileSound(file)) return false;
    HICON large = nullptr;
    const UINT got = Extracted(ExtractIconExA(file.c_str(), 0, &large, nullptr, 1));
    if (got == 0) return false;
    const bool has = large != nullptr;
    if (large) DestroyIcon(large);
    return has;
}

long FindIconGroupPosition(const std::string& file, const std::string& id) {
    cResources resources;
    resources.file(file);
    if (!resources.hModule()) return 0;
    resources.GetResourceTypes();
    const long type = resources.IndexOfResourceType(14);
    if (type < 1) return 0;
    resources.GetResourceNames(type);
    resources.UnloadModule();
    const long n = resources.ResourceNameCount(type);
    const std::string wanted = TextCase::Lower(id);
    for (long i = 1; i <= n; ++i)
        if (TextCase::Lower(resources.ResourceName(type, i).ToText()) == wanted) return i - 1;
    return 0;
}

}  // namespace QV_IconsAndResources
