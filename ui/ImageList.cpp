#include "ui/ImageList.h"

#include <commctrl.h>

#include <cstdint>

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
    // The list would cut a wider bitmap into several pictures: a picture of another size is
    // taken from its top-left corner at the list's size (the rest in the mask colour). A masked
    // picture is added from a copy, since the list blackens the masked pixels of what it gets.
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    HBITMAP fitted = nullptr;
    if (bm.bmWidth != cx_ || bm.bmHeight != cy_ || maskColor != CLR_NONE) {
        // The copy's alpha bytes are cleared: drawing leaves stray alpha in a bitmap, which the
        // 32-bit list would take as translucency instead of using the mask.
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx_, -cy_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
        fitted = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        ReleaseDC(nullptr, screen);
        if (!fitted) {
            DeleteDC(from);
            DeleteDC(to);
            QV_Err::Raise(7, "ImageList");
        }
        HGDIOBJ oldFrom = SelectObject(from, bitmap), oldTo = SelectObject(to, fitted);
        RECT r{0, 0, cx_, cy_};
        HBRUSH fill = CreateSolidBrush(maskColor == CLR_NONE ? RGB(0, 0, 0) : maskColor);
        FillRect(to, &r, fill);
        DeleteObject(fill);
        BitBlt(to, 0, 0, bm.bmWidth < cx_ ? bm.bmWidth : cx_, bm.bmHeight < cy_ ? bm.bmHeight : cy_, from, 0, 0, SRCCOPY);
        GdiFlush();
        auto* px = static_cast<uint32_t*>(bits);
        for (int i = 0; i < cx_ * cy_; ++i) px[i] &= 0x00FFFFFFu;
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        DeleteDC(from);
        DeleteDC(to);
    }
    HBITMAP use = fitted ? fitted : bitmap;
    int i = maskColor == CLR_NONE ? ImageList_Add(Handle(), use, nullptr) : ImageList_AddMasked(Handle(), use, maskColor);
    if (fitted) DeleteObject(fitted);
    return Added(key, i);
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
