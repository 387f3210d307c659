// The pixels of an image list's picture as a control draws it, for tests that compare pictures.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

// Picture `index` of `list` drawn at the list's size over `back` (whose colour therefore shows
// where the picture is transparent), as 0x00RRGGBB pixels, top row first.
inline std::vector<uint32_t> DrawnPixels(HIMAGELIST list, int index, COLORREF back = RGB(255, 0, 255)) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return {};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT r{0, 0, cx, cy};
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<uint32_t> px(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + cx * cy);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
}
