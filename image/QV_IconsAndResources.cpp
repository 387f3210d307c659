#include "image/QV_IconsAndResources.h"

#include <shellapi.h>

#include <climits>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "image/ResourceTable.h"
#include "image/cResources.h"

namespace QV_IconsAndResources {

namespace {

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

// The icon handles of one extraction, destroyed when the call ends.
struct ExtractedIcons {
    HICON large = nullptr, small = nullptr;
    ~ExtractedIcons() {
        if (large) DestroyIcon(large);
        if (small) DestroyIcon(small);
    }
};

bool AddFileIconWork(const std::string& file, long index, bool resourceId, ui::ImageList& iml, const std::string& key,
                     ui::PictureBox& pix) {
    if (resourceId) {
        index = FindIconGroupPosition(file, std::to_string(index));
    } else if (index == -1) {
        // The shell's icon: asked without SHGFI_EXETYPE, with which the shell answers nothing.
        if (CheckIconSource(file) == IconSource::Damaged) return false;
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
    if (CheckIconSource(file) != IconSource::Sound) return false;
    const long count = static_cast<long>(Extracted(ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0)));
    if (count < index) {
        const std::string digits = std::to_string(index);
        const long lastTwo = std::stol(digits.size() > 2 ? digits.substr(digits.size() - 2) : digits);
        index = lastTwo <= count ? lastTwo : 0;
    }
    // A position at or past the count extracts nothing (and the system then hands back junk
    // handles), so it is not asked for.
    if (index >= count) return false;
    ExtractedIcons icons;
    HICON large = nullptr, small = nullptr;
    const UINT got = Extracted(ExtractIconExA(file.c_str(), static_cast<int>(index), &large, &small, 1));
    // Success is the count: when nothing was extracted the handles are not to be trusted.
    if (got == 0) return false;
    icons.large = large;
    icons.small = small;
    if (!large) return false;

    pix.ClearPicture();
    if (small) DrawIconEx(pix.hDC(), 0, 0, small, 16, 16, 0, nullptr, DI_NORMAL);
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
    TrapErrors("QV_IconsAndResources", "AddFileIcon",
               [&] { added = AddFileIconWork(file, index, resourceId, iml, key, pix); });
    return added;
}

bool HasFileIcon(const std::string& file) {
    if (CheckIconSource(file) != IconSource::Sound) return false;
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
