#include "ui/ImageList.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "ui/Internal.h"

namespace ui {

ImageList::ImageList(int width, int height) : cx_(width), cy_(height) {}

ImageList::~ImageList() {
    if (handle_) ImageList_Destroy(handle_);
}

HIMAGELIST ImageList::Handle() {
    if (!handle_) handle_ = ImageList_Create(cx_, cy_, ILC_COLOR32 | ILC_MASK, 8, 8);
    return handle_;
}

long ImageList::Added(const std::string& key, int imageIndex) {
    if (imageIndex < 0) return 0;
    keys_.push_back(key);
    if (!key.empty()) index_[TextCase::Lower(key)] = imageIndex;
    return static_cast<long>(keys_.size());
}

namespace {
void CheckKey(const std::unordered_map<std::string, int>& index, const std::string& key) {
    if (!key.empty() && index.count(TextCase::Lower(key))) QV_Err::Raise(35602, "ImageList");
}
}  // namespace

long ImageList::Add(const std::string& key, HICON icon) {
    CheckKey(index_, key);
    if (!icon) QV_Err::Raise(5, "ImageList");
    return Added(key, ImageList_AddIcon(Handle(), icon));
}

long ImageList::Add(const std::string& key, HBITMAP bitmap, COLORREF maskColor) {
    CheckKey(index_, key);
    if (!bitmap) QV_Err::Raise(5, "ImageList");
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    if (bm.bmWidth == cx_ && bm.bmHeight == cy_ && maskColor == CLR_NONE)
        return Added(key, ImageList_Add(Handle(), bitmap, nullptr));
    const Picture picture = Prepare(bitmap, maskColor);
    if (!picture) QV_Err::Raise(7, "ImageList");
    return Add(key, picture);
}

ImageList::Picture::~Picture() {
    if (image_) DeleteObject(image_);
    if (mask_) DeleteObject(mask_);
}

ImageList::Picture::Picture(Picture&& other) noexcept
    : image_(std::exchange(other.image_, nullptr)), mask_(std::exchange(other.mask_, nullptr)), cx_(other.cx_),
      cy_(other.cy_) {}

ImageList::Picture& ImageList::Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Picture gone(std::move(*this));
        image_ = std::exchange(other.image_, nullptr);
        mask_ = std::exchange(other.mask_, nullptr);
        cx_ = other.cx_;
        cy_ = other.cy_;
    }
    return *this;
}

ImageList::Picture ImageList::Prepare(HBITMAP bitmap, COLORREF maskColor) const {
    Picture picture;
    if (!bitmap) return picture;
    // The list would cut a wider bitmap into several pictures: the picture is the bitmap's
    // top-left corner at the list's size (the rest in the mask colour). Its alpha bytes are
    // cleared: drawing leaves stray alpha in a bitmap, which the 32-bit list would take as
    // translucency instead of using the mask. Everything is drawn in memory, off the screen.
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx_, -cy_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!image) return picture;
    HDC from = CreateCompatibleDC(nullptr), to = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFrom = SelectObject(from, bitmap), oldTo = SelectObject(to, image);
    RECT r{0, 0, cx_, cy_};
    HBRUSH fill = CreateSolidBrush(maskColor == CLR_NONE ? RGB(0, 0, 0) : maskColor);
    FillRect(to, &r, fill);
    DeleteObject(fill);
    BitBlt(to, 0, 0, bm.bmWidth < cx_ ? bm.bmWidth : cx_, bm.bmHeight < cy_ ? bm.bmHeight : cy_, from, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < cx_ * cy_; ++i) px[i] &= 0x00FFFFFFu;
    picture.image_ = image;
    picture.cx_ = cx_;
    picture.cy_ = cy_;
    if (maskColor == CLR_NONE) return picture;
    // The mask: set where a pixel has the mask colour, whose pixel is then black, as the list
    // itself would make them from the colour. Rows of a monochrome bitmap are whole 16-bit words.
    const uint32_t key = (GetRValue(maskColor) << 16) | (GetGValue(maskColor) << 8) | GetBValue(maskColor);
    const int stride = (cx_ + 15) / 16 * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * cy_, 0);
    for (int y = 0; y < cy_; ++y)
        for (int x = 0; x < cx_; ++x) {
            uint32_t& p = px[y * cx_ + x];
            if (p != key) continue;
            p = 0;
            maskBits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
        }
    picture.mask_ = CreateBitmap(cx_, cy_, 1, 1, maskBits.data());
    if (!picture.mask_) return Picture{};
    return picture;
}

long ImageList::Add(const std::string& key, const Picture& picture) {
    CheckKey(index_, key);
    if (!picture || picture.cx_ != cx_ || picture.cy_ != cy_) QV_Err::Raise(5, "ImageList");
    return Added(key, ImageList_Add(Handle(), picture.image_, picture.mask_));
}

long ImageList::AddFromResource(const std::string& key, HINSTANCE module, int iconId) {
    CheckKey(index_, key);
    auto icon = static_cast<HICON>(LoadImageA(module ? module : detail::Instance(), MAKEINTRESOURCEA(iconId),
                                              IMAGE_ICON, cx_, cy_, 0));
    if (!icon) return 0;
    long n = Added(key, ImageList_AddIcon(Handle(), icon));
    DestroyIcon(icon);
    return n;
}

long ImageList::AddFromFile(const std::string& key, const std::string& path) {
    CheckKey(index_, key);
    auto icon = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, cx_, cy_, LR_LOADFROMFILE));
    if (!icon) return 0;
    long n = Added(key, ImageList_AddIcon(Handle(), icon));
    DestroyIcon(icon);
    return n;
}

long ImageList::AddKey(const std::string& key, const std::string& existing) {
    CheckKey(index_, key);
    const int i = Resolve(ImageRef(existing));
    if (!key.empty()) index_[TextCase::Lower(key)] = i;
    return i + 1;
}

const ImageList::Picture& ImageList::PictureOf(const std::string& key) const {
    const int i = Resolve(ImageRef(key));
    auto [at, fresh] = copies_.try_emplace(i);
    if (!fresh) return at->second;
    // The picture as an icon once, whose image and mask are what adding the icon would store.
    HICON icon = handle_ ? ImageList_GetIcon(handle_, i, ILD_NORMAL) : nullptr;
    if (!icon) return at->second;
    ICONINFO info{};
    const bool got = GetIconInfo(icon, &info) != 0;
    DestroyIcon(icon);
    if (!got) return at->second;
    BITMAP bm{};
    if (info.hbmColor && GetObject(info.hbmColor, sizeof bm, &bm) && bm.bmWidth == cx_ && bm.bmHeight == cy_) {
        Picture& picture = at->second;
        picture.image_ = info.hbmColor;
        picture.mask_ = info.hbmMask;
        picture.cx_ = cx_;
        picture.cy_ = cy_;
        return picture;
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return at->second;
}

long ImageList::AddCopy(const std::string& key, const ImageList& from, const std::string& fromKey) {
    const Picture& picture = from.PictureOf(fromKey);
    if (picture && picture.cx_ == cx_ && picture.cy_ == cy_) return Add(key, picture);
    HICON icon = from.ExtractIcon(fromKey);
    try {
        const long n = Add(key, icon);
        DestroyIcon(icon);
        return n;
    } catch (...) {
        DestroyIcon(icon);
        throw;
    }
}

HICON ImageList::ExtractIcon(const std::string& key) const {
    const int i = Resolve(ImageRef(key));
    HICON icon = handle_ ? ImageList_GetIcon(handle_, i, ILD_NORMAL) : nullptr;
    if (!icon) QV_Err::Raise(35601, "ImageList");
    return icon;
}

bool ImageList::Exists(const std::string& key) const { return index_.count(TextCase::Lower(key)) != 0; }

const std::string& ImageList::KeyAt(long index) const {
    if (index < 1 || index > Count()) QV_Err::Raise(35600, "ImageList");
    return keys_[static_cast<size_t>(index - 1)];
}

void ImageList::Clear() {
    if (handle_) ImageList_Remove(handle_, -1);
    keys_.clear();
    index_.clear();
    copies_.clear();
}

int ImageList::TryResolve(const ImageRef& image) const {
    if (!image.key.empty()) {
        auto it = index_.find(TextCase::Lower(image.key));
        return it == index_.end() ? -1 : it->second;
    }
    if (image.index >= 1 && image.index <= Count()) return image.index - 1;
    return -1;
}

int ImageList::Resolve(const ImageRef& image) const {
    if (image.IsNone()) return -1;
    int i = TryResolve(image);
    if (i < 0) QV_Err::Raise(image.key.empty() ? 35600 : 35601, "ImageList");
    return i;
}

}  // namespace ui
