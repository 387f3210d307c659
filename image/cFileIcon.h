// One icon with all its images: read from an icon file (.ico) or from an icon group in the
// resources of a program file (EXE, DLL, OCX), written as an icon file, images added and
// removed, one image drawn, turned into an icon handle or a picture object.
//
//     cFileIcon icon;
//     icon.LoadIconFromEXE("C:\\windows\\system32\\notepad.exe", 768, "");
//     icon.SaveIcon("C:\\temp\\notepad.ico");
//     HICON h = icon.IconHandle(dc, 2);   // the caller destroys it
//
// Image indexes are 1-based; one outside 1 to ImageCount raises the runtime's subscript error 9.
// Failures raise RunTimeError with 0x80040000 + 1049 to 1057 and the source "<program>.cFileIcon".
// <windows.h> maps the name LoadIcon to LoadIconA; the member follows it in every file that
// includes this header, so icon.LoadIcon(path) reads as written.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Variant.h"

class cFileIcon {
public:
#pragma pack(push, 1)
    // The icon file's header, and one directory entry per image.
    struct ICONDIR {
        uint16_t idReserved = 0;
        uint16_t idType = 0;
        uint16_t idCount = 0;
    };
    struct ICONDIRENTRY {
        uint8_t bWidth = 0;
        uint8_t bHeight = 0;
        uint8_t bColorCount = 0;
        uint8_t bReserved = 0;
        uint16_t wPlanes = 0;
        uint16_t wBitCount = 0;
        uint32_t dwBytesInRes = 0;
        uint32_t dwImageOffset = 0;
    };
#pragma pack(pop)
    static_assert(sizeof(ICONDIR) == 6 && sizeof(ICONDIRENTRY) == 16);
    // One image's bytes exactly as they stand in the file.
    struct IconImageData {
        std::vector<uint8_t> bytes;
    };
    struct ReleasePicture {
        void operator()(IPicture* p) const {
            if (p) p->Release();
        }
    };
    using PicturePtr = std::unique_ptr<IPicture, ReleasePicture>;

    // Copies this icon (file name, resource id, header, entries and every image) into the target.
    void CloneTo(cFileIcon& target) const;
    const std::string& FileName() const { return m_FileName; }
    // Empty for an icon file; the group's number (Long) or name (String) for a group.
    const Variant& ResourceID() const { return m_ResourceID; }
    // A picture object owning a new icon of the image; null when no icon could be made.
    PicturePtr IconPicture(HDC dc, long index) const;
    // A new icon of the image (the caller destroys it); null when none can be made. A DIB image
    // is drawn through its colour and mask parts, a PNG image made by the system's decoder.
    HICON IconHandle(HDC dc, long index) const;
    int ImageCount() const { return m_Dir.idCount; }
    int ImageWidth(long index) const;
    int ImageHeight(long index) const;
    // The entry's colour count when not 0, else 2 to the power of its bit count (2^32 for
    // 32-bit images).
    int64_t ImageColourCount(long index) const;
    long ImageSize(long index) const;
    void RemoveImage(long index);
    // Adds a blank (black, opaque) image; always 0. Width and height above 255 raise error 6.
    long AddImage(long width, long height, long colours);
    bool LoadIconFromEXE(const std::string& file, long resourceNumber, const std::string& resourceName);
    // False when the file cannot be opened; a file that is not a sound icon raises 1050.
    bool LoadIcon(const std::string& file);
    // An empty name writes the current file. Offsets are laid out afresh: the images follow the
    // directory in entry order, and the entries keep the offsets written.
    bool SaveIcon(const std::string& file = "");
    // Draws the colour part (or the mask part) of a DIB image; 0 width and height draw it at
    // its own size with BitBlt, else StretchBlt scales it. A PNG image draws nothing.
    void DrawIconImage(HDC dc, long index, bool maskPart, long x, long y, long width, long height,
                       DWORD rasterOp = SRCCOPY) const;

    // The parts of an image's bytes, when they hold a DIB that fits in them.
    struct DibLayout {
        long width = 0, height = 0;  // the icon's size (the header's height halved)
        size_t headerSize = 0;       // header and palette: where the colour rows begin
        size_t colourStride = 0, maskStride = 0;
        size_t maskOffset = 0;       // where the mask rows begin
    };
    static bool ReadDib(const std::vector<uint8_t>& image, DibLayout& layout);
    static bool IsPng(const std::vector<uint8_t>& image);
    // The same of bytes in place (an image inside a mapped file).
    static bool ReadDib(const uint8_t* image, size_t size, DibLayout& layout);
    static bool IsPng(const uint8_t* image, size_t size);

private:
    void CopyFrom(const std::string& fileName, const Variant& resourceId, const ICONDIR& dir,
                  const std::vector<ICONDIRENTRY>& entries, const std::vector<IconImageData>& images);
    void Empty();
    size_t Slot(long index) const;
    // Draws one part of a DIB image into a memory context; with `bitmap` set, hands out the
    // bitmap instead of deleting it. False when the image is not a DIB that fits its bytes.
    bool RenderImage(HDC dc, long index, bool maskPart, bool draw, long x, long y, long width, long height,
                     DWORD rasterOp, HBITMAP* bitmap) const;
    static PicturePtr CreatePicture(HICON icon);
    static int64_t ColourCountOfBits(const BITMAPINFOHEADER& header);
    static int64_t HeaderSize(const BITMAPINFOHEADER& header);
    static int64_t RowStride(int64_t bits) { return ((bits + 31) / 32) * 4; }

    std::string m_FileName;
    Variant m_ResourceID;
    ICONDIR m_Dir;
    std::vector<ICONDIRENTRY> m_Entries;
    std::vector<IconImageData> m_Images;
};
