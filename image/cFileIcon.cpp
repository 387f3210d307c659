#include "image/cFileIcon.h"

#include <algorithm>
#include <cstring>

#include "base/Handle.h"
#include "base/PeImage.h"
#include "base/QV_Err.h"
#include "image/ResourceTable.h"
#include "image/mResource.h"

namespace {

constexpr long kObjectError = static_cast<long>(0x80040000u);

[[noreturn]] void Raise(long number, const std::string& description) {
    throw RunTimeError(number, mResource::ProgramName() + ".cFileIcon", description);
}
[[noreturn]] void RaiseObject(long code, const std::string& description) { Raise(kObjectError + code, description); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

#pragma pack(push, 1)
// One entry of an icon group resource: an icon file's directory entry with the icon
// resource's number in place of the image's offset.
struct GroupEntry {
    uint8_t bWidth, bHeight, bColorCount, bReserved;
    uint16_t wPlanes, wBitCount;
    uint32_t dwBytesInRes;
    uint16_t nID;
};
#pragma pack(pop)
static_assert(sizeof(GroupEntry) == 14);

// An icon file, closed when it goes out of scope, read and written in whole blocks.
struct FileHandle {
    Handle file;
    HANDLE h() const { return file.get(); }
    bool Read(void* buf, DWORD n) const {
        DWORD got = 0;
        return n == 0 || (ReadFile(h(), buf, n, &got, nullptr) && got == n);
    }
    bool Write(const void* buf, DWORD n) const {
        DWORD put = 0;
        return n == 0 || (WriteFile(h(), buf, n, &put, nullptr) && put == n);
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The header arithmetic

int64_t cFileIcon::ColourCountOfBits(const BITMAPINFOHEADER& header) {
    if (header.biClrUsed) return header.biClrUsed;
    switch (header.biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

int64_t cFileIcon::HeaderSize(const BITMAPINFOHEADER& header) { return 40 + 4 * ColourCountOfBits(header); }

bool cFileIcon::IsPng(const std::vector<uint8_t>& image) { return IsPng(image.data(), image.size()); }

bool cFileIcon::IsPng(const uint8_t* image, size_t size) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::equal(sig, sig + 8, image);
}

bool cFileIcon::ReadDib(const std::vector<uint8_t>& image, DibLayout& layout) {
    return ReadDib(image.data(), image.size(), layout);
}

bool cFileIcon::ReadDib(const uint8_t* image, size_t size, DibLayout& layout) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, image, sizeof h);
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
    switch (h.biBitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return false;
    }
    // Icons are at most 256 pixels wide in the format; leave room, but keep the arithmetic small.
    if (h.biWidth < 1 || h.biWidth > 4096 || h.biHeight < 2 || h.biHeight > 8192) return false;
    const int64_t width = h.biWidth, height = h.biHeight / 2;
    const int64_t header = HeaderSize(h);
    const int64_t colour = RowStride(int64_t{h.biPlanes} * width * h.biBitCount), mask = RowStride(width);
    if (header > static_cast<int64_t>(size)) return false;
    if (header + (colour + mask) * height > static_cast<int64_t>(size)) return false;
    layout.width = static_cast<long>(width);
    layout.height = static_cast<long>(height);
    layout.headerSize = static_cast<size_t>(header);
    layout.colourStride = static_cast<size_t>(colour);
    layout.maskStride = static_cast<size_t>(mask);
    layout.maskOffset = static_cast<size_t>(header + colour * height);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The entries

size_t cFileIcon::Slot(long index) const {
    if (index < 1 || index > m_Dir.idCount || static_cast<size_t>(index) > m_Entries.size() ||
        static_cast<size_t>(index) > m_Images.size())
        Raise(9, "Subscript out of range");
    return static_cast<size_t>(index - 1);
}

int cFileIcon::ImageWidth(long index) const { return m_Entries[Slot(index)].bWidth; }
int cFileIcon::ImageHeight(long index) const { return m_Entries[Slot(index)].bHeight; }
long cFileIcon::ImageSize(long index) const { return static_cast<long>(m_Entries[Slot(index)].dwBytesInRes); }

int64_t cFileIcon::ImageColourCount(long index) const {
    const auto& e = m_Entries[Slot(index)];
    if (e.bColorCount) return e.bColorCount;
    if (e.wBitCount >= 63) Raise(6, "Overflow");
    return int64_t{1} << e.wBitCount;
}

void cFileIcon::Empty() {
    m_Dir = ICONDIR{};
    m_Entries.clear();
    m_Images.clear();
}

void cFileIcon::CopyFrom(const std::string& fileName, const Variant& resourceId, const ICONDIR& dir,
                         const std::vector<ICONDIRENTRY>& entries, const std::vector<IconImageData>& images) {
    m_FileName = fileName;
    m_ResourceID = resourceId;
    m_Dir = dir;
    m_Entries = entries;
    m_Images = images;
}

void cFileIcon::CloneTo(cFileIcon& target) const {
    if (&target == this) return;
    target.CopyFrom(m_FileName, m_ResourceID, m_Dir, m_Entries, m_Images);
}

long cFileIcon::AddImage(long width, long height, long colours) {
    if (width < 0 || width > 255 || height < 0 || height > 255) Raise(6, "Overflow");
    uint32_t position = 22;
    if (m_Dir.idCount >= 1) {
        uint32_t last = 0;
        for (long i = 1; i <= m_Dir.idCount; ++i) {
            const auto& e = m_Entries[Slot(i)];
            if (e.bWidth == width && e.bHeight == height && ImageColourCount(i) == colours)
                RaiseObject(1049, "Icon already exists.");
            if (i == 1 || e.dwImageOffset > last) {
                last = e.dwImageOffset;
                position = e.dwImageOffset + e.dwBytesInRes;
            }
        }
        for (auto& e : m_Entries) e.dwImageOffset += 16;
        position += 16;
    }
    const uint16_t bits = colours == 2 ? 1 : colours == 16 ? 4 : colours == 256 ? 8 : 24;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height * 2;
    header.biPlanes = 1;
    header.biBitCount = bits;
    const int64_t size = HeaderSize(header) + RowStride(int64_t{bits} * width) * height + RowStride(width) * height;

    ICONDIRENTRY entry;
    entry.bWidth = static_cast<uint8_t>(width);
    entry.bHeight = static_cast<uint8_t>(height);
    entry.bColorCount = static_cast<uint8_t>(colours == 2 || colours == 16 ? colours : 0);
    entry.wPlanes = 1;
    entry.wBitCount = bits;
    entry.dwBytesInRes = static_cast<uint32_t>(size);
    entry.dwImageOffset = position;

    IconImageData image;
    image.bytes.assign(static_cast<size_t>(size), 0);
    std::memcpy(image.bytes.data(), &header, sizeof header);
    if (bits == 1) std::fill_n(image.bytes.begin() + 44, 3, uint8_t{255});  // second colour white
    m_Entries.push_back(entry);
    m_Images.push_back(std::move(image));
    ++m_Dir.idCount;
    if (m_Dir.idCount == 1) m_Dir.idType = 1;
    return 0;
}

void cFileIcon::RemoveImage(long index) {
    const size_t slot = Slot(index);
    if (m_Dir.idCount < 2) {
        Empty();
        return;
    }
    const uint32_t removed = m_Entries[slot].dwBytesInRes;
    for (size_t i = slot + 1; i < m_Entries.size(); ++i) m_Entries[i].dwImageOffset -= removed;
    m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(slot));
    m_Images.erase(m_Images.begin() + static_cast<std::ptrdiff_t>(slot));
    --m_Dir.idCount;
    for (auto& e : m_Entries) e.dwImageOffset -= 16;
}

// ---------------------------------------------------------------------------------------------
// Reading and writing

bool cFileIcon::LoadIcon(const std::string& file) {
    m_FileName = file;
    m_ResourceID = Variant();
    Empty();
    FileHandle f{Handle(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))};
    if (!f.file) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(f.h(), &size);

    std::string reason;
    uint8_t head[6] = {};
    DWORD got = 0;
    if (!ReadFile(f.h(), head, sizeof head, &got, nullptr)) got = 0;
    m_Dir.idReserved = U16(head);
    m_Dir.idType = U16(head + 2);
    m_Dir.idCount = U16(head + 4);
    if (m_Dir.idReserved != 0) reason = "File is not icon type (reserved member is 0)";
    else if (m_Dir.idType != 1) reason = "File is not icon type (idType <> IMAGE_ICON)";
    else if (m_Dir.idCount < 1) reason = "Icon contains no images.";

    if (reason.empty()) {
        m_Entries.resize(m_Dir.idCount);
        for (auto& e : m_Entries) {
            if (!f.Read(&e, sizeof e)) {
                reason = "Icon Directory Array is Corrupt.";
                break;
            }
        }
    }
    if (reason.empty()) {
        m_Images.resize(m_Dir.idCount);
        for (size_t i = 0; i < m_Entries.size(); ++i) {
            const auto& e = m_Entries[i];
            // An image that would reach past the end of the file is not read at all.
            LARGE_INTEGER at{};
            at.QuadPart = e.dwImageOffset;
            if (uint64_t{e.dwImageOffset} + e.dwBytesInRes > static_cast<uint64_t>(size.QuadPart) ||
                !SetFilePointerEx(f.h(), at, nullptr, FILE_BEGIN)) {
                reason = "Icon Images Array is Corrupt.";
                break;
            }
            m_Images[i].bytes.resize(e.dwBytesInRes);
            if (!f.Read(m_Images[i].bytes.data(), e.dwBytesInRes)) {
                reason = "Icon Images Array is Corrupt.";
                break;
            }
        }
    }
    if (reason.empty()) return true;
    m_FileName.clear();
    Empty();
    RaiseObject(1050, "Failed to load icon: " + reason);
}

bool cFileIcon::LoadIconFromEXE(const std::string& file, long resourceNumber, const std::string& resourceName) {
    m_FileName = file;
    m_ResourceID = Variant();
    Empty();
    ResourceModule module;
    auto fail = [&](long code, const char* message) {
        Empty();
        module.Free();
        RaiseObject(code, message);
    };
    if (!module.Load(file)) fail(1054, "Can't load library.");
    const HMODULE h = module.Handle();

    HRSRC group;
    if (resourceNumber != 0) {
        group = FindResourceA(h, ("#" + std::to_string(resourceNumber)).c_str(), MAKEINTRESOURCEA(14));
        m_ResourceID = Variant(resourceNumber);
    } else {
        group = FindResourceA(h, resourceName.c_str(), MAKEINTRESOURCEA(14));
        m_ResourceID = Variant(resourceName);
    }
    if (!group) fail(1055, "Can't find resource.");
    HGLOBAL loaded = LoadResource(h, group);
    if (!loaded) fail(1056, "Can't load resource.");
    const DWORD groupSize = SizeofResource(h, group);
    const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    if (!data) fail(1056, "Can't lock resource.");
    // The group's bytes lie in the module; its header and entries are read through a span of
    // them, so that they must lie in the group too, as many entries as its count says.
    if (!module.Holds(data, groupSize)) fail(1056, "Can't load resource.");
    const ByteSpan groupBytes(data, groupSize);
    ICONDIR dir;
    if (!groupBytes.Read(0, dir)) fail(1056, "Can't load resource.");
    if (dir.idCount < 1) {
        m_Dir = dir;
        return true;
    }
    if (!groupBytes.Fits(sizeof dir, sizeof(GroupEntry) * dir.idCount)) fail(1056, "Can't load resource.");

    std::vector<ICONDIRENTRY> entries(dir.idCount);
    std::vector<uint16_t> ids(dir.idCount);
    uint32_t offset = 6 + 16u * dir.idCount;
    for (size_t i = 0; i < entries.size(); ++i) {
        const GroupEntry g = groupBytes.Get<GroupEntry>(sizeof dir + sizeof(GroupEntry) * i);
        entries[i].bWidth = g.bWidth;
        entries[i].bHeight = g.bHeight;
        entries[i].bColorCount = g.bColorCount;
        entries[i].bReserved = g.bReserved;
        entries[i].wPlanes = g.wPlanes;
        entries[i].wBitCount = g.wBitCount;
        entries[i].dwBytesInRes = g.dwBytesInRes;
        ids[i] = g.nID;
        entries[i].dwImageOffset = offset;
        offset += entries[i].dwBytesInRes;
    }
    std::vector<IconImageData> images(dir.idCount);
    bool failed = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        HRSRC r = FindResourceA(h, ("#" + std::to_string(ids[i])).c_str(), MAKEINTRESOURCEA(3));
        HGLOBAL g = r ? LoadResource(h, r) : nullptr;
        if (!g) {
            failed = true;
            break;
        }
        const DWORD size = SizeofResource(h, r);
        if (size == 0 || size != entries[i].dwBytesInRes) {
            failed = true;
            continue;
        }
        const auto* bits = static_cast<const uint8_t*>(LockResource(g));
        if (!bits || !module.Holds(bits, size)) {
            failed = true;
            break;
        }
        images[i].bytes.assign(bits, bits + size);
    }
    if (failed) fail(1057, "Failed to read bitmap bits from resource.");
    m_Dir = dir;
    m_Entries = std::move(entries);
    m_Images = std::move(images);
    return true;
}

bool cFileIcon::SaveIcon(const std::string& file) {
    if (file.empty() && m_FileName.empty()) RaiseObject(1051, "No filename specified.");
    if (m_Dir.idCount == 0) RaiseObject(1052, "Icon contains no images.");
    if (!file.empty()) m_FileName = file;
    FileHandle f{Handle(CreateFileA(m_FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))};
    if (!f.file) RaiseObject(1052, "Couldn't open file for writing.");
    // The images follow the directory in entry order; each entry gets the offset written.
    uint32_t offset = 6 + 16u * m_Dir.idCount;
    for (size_t i = 0; i < m_Entries.size(); ++i) {
        m_Entries[i].dwBytesInRes = static_cast<uint32_t>(m_Images[i].bytes.size());
        m_Entries[i].dwImageOffset = offset;
        offset += m_Entries[i].dwBytesInRes;
    }
    bool ok = f.Write(&m_Dir, sizeof m_Dir);
    for (size_t i = 0; ok && i < m_Entries.size(); ++i) ok = f.Write(&m_Entries[i], sizeof m_Entries[i]);
    for (size_t i = 0; ok && i < m_Images.size(); ++i)
        ok = f.Write(m_Images[i].bytes.data(), static_cast<DWORD>(m_Images[i].bytes.size()));
    f.file.reset();
    if (!ok) RaiseObject(1053, "General failure writing icon.");
    return true;
}

// ---------------------------------------------------------------------------------------------
// Drawing

bool cFileIcon::RenderImage(HDC dc, long index, bool maskPart, bool draw, long x, long y, long width,
                            long height, DWORD rasterOp, HBITMAP* bitmap) const {
    const auto& image = m_Images[Slot(index)].bytes;
    DibLayout dib;
    if (!ReadDib(image, dib)) return false;
    HDC screen = nullptr;
    if (!dc) dc = screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, dib.width, dib.height);
    bool ok = mem && bmp;
    if (ok) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (!maskPart) {
            // The image's own header (height halved) and palette describe the colour rows.
            std::vector<uint8_t> info(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(dib.headerSize));
            reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biHeight = dib.height;
            SetDIBitsToDevice(mem, 0, 0, dib.width, dib.height, 0, 0, 0, dib.height, image.data() + dib.headerSize,
                              reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
        } else {
            struct {
                BITMAPINFOHEADER header;
                RGBQUAD colours[2];
            } info{};
            info.header.biSize = sizeof info.header;
            info.header.biWidth = dib.width;
            info.header.biHeight = dib.height;
            info.header.biPlanes = 1;
            info.header.biBitCount = 1;
            info.colours[1] = {255, 255, 255, 0};
            SetDIBitsToDevice(mem, 0, 0, dib.width, dib.height, 0, 0, 0, dib.height, image.data() + dib.maskOffset,
                              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        }
        if (draw) {
            if (width == 0 && height == 0) {
                BitBlt(dc, x, y, dib.width, dib.height, mem, 0, 0, rasterOp);
            } else {
                StretchBlt(dc, x, y, width ? width : dib.width, height ? height : dib.height, mem, 0, 0, dib.width,
                           dib.height, rasterOp);
            }
        }
        SelectObject(mem, old);
    }
    if (mem) DeleteDC(mem);
    if (ok && bitmap) *bitmap = bmp;
    else if (bmp) DeleteObject(bmp);
    if (screen) ReleaseDC(nullptr, screen);
    return ok;
}

void cFileIcon::DrawIconImage(HDC dc, long index, bool maskPart, long x, long y, long width, long height,
                              DWORD rasterOp) const {
    RenderImage(dc, index, maskPart, true, x, y, width, height, rasterOp, nullptr);
}

HICON cFileIcon::IconHandle(HDC dc, long index) const {
    const auto& image = m_Images[Slot(index)].bytes;
    if (IsPng(image)) {
        return CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()), TRUE,
                                        0x00030000, 0, 0, LR_DEFAULTCOLOR);
    }
    HBITMAP colour = nullptr, mask = nullptr;
    if (!RenderImage(dc, index, false, false, 0, 0, 0, 0, SRCCOPY, &colour)) return nullptr;
    if (!RenderImage(dc, index, true, false, 0, 0, 0, 0, SRCCOPY, &mask)) {
        DeleteObject(colour);
        return nullptr;
    }
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

cFileIcon::PicturePtr cFileIcon::CreatePicture(HICON icon) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = icon;
    IPicture* picture = nullptr;
    // The picture owns the icon from here on and destroys it.
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(&picture)))) {
        DestroyIcon(icon);
        return nullptr;
    }
    return PicturePtr(picture);
}

cFileIcon::PicturePtr cFileIcon::IconPicture(HDC dc, long index) const {
    HICON icon = IconHandle(dc, index);
    if (!icon) return nullptr;
    return CreatePicture(icon);
}
