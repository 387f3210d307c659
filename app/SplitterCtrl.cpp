#include "app/SplitterCtrl.h"

#include <algorithm>

namespace {
constexpr COLORREF kButtonFace = 0x8000000F;  // system colour of button faces
constexpr COLORREF kDragGrey = 0x808080;
}  // namespace

SplitterCtrl::SplitterCtrl() = default;

void SplitterCtrl::Init(ui::PictureBox& bar, ui::Control* reference) {
    objBar = &bar;
    objReference = reference;
    bar.SetBorderStyle(0);
    bar.SetBackColor(kButtonFace);
    bar.SetSizingCursor(true);
}

long SplitterCtrl::ScaleWidth() const {
    ui::Form* f = objBar ? objBar->ParentForm() : nullptr;
    return f ? f->ScaleWidth() : 0;
}
long SplitterCtrl::ScaleHeight() const {
    ui::Form* f = objBar ? objBar->ParentForm() : nullptr;
    return f ? f->ScaleHeight() : 0;
}
bool SplitterCtrl::ParentMinimized() const {
    ui::Form* f = objBar ? objBar->ParentForm() : nullptr;
    return f && f->WindowState() == ui::vbMinimized;
}

bool SplitterCtrl::LeftPaneOpen() const { return objBar->Left() > mMargin; }
bool SplitterCtrl::RightPaneOpen() const { return objBar->Left() < ScaleWidth() - mMargin - objBar->Width(); }
long SplitterCtrl::PaneTop() const { return objReference ? objReference->Top() : mMargin; }
long SplitterCtrl::PaneHeight() const {
    if (objReference) return objReference->Height();
    return std::max(0L, ScaleHeight() - 2L * mMargin);
}
long SplitterCtrl::LeftPaneWidth() const {
    if (!LeftPaneOpen()) return 0;
    if (RightPaneOpen()) return objBar->Left() - mMargin;
    return std::max(0L, ScaleWidth() - 2L * mMargin);
}
long SplitterCtrl::RightPaneWidth() const {
    if (!LeftPaneOpen()) return std::max(0L, ScaleWidth() - 2L * mMargin);
    if (RightPaneOpen()) return std::max(0L, ScaleWidth() - mMargin - objBar->Left() - objBar->Width());
    return 0;
}
long SplitterCtrl::RightPaneLeft() const {
    return LeftPaneOpen() ? objBar->Left() + objBar->Width() : mMargin;
}
long SplitterCtrl::SplitterLeft() const {
    bool left = LeftPaneOpen(), right = RightPaneOpen();
    if (left && right) return objBar->Left();
    if (!right && left) return ScaleWidth() - mMargin;
    return mMargin - objBar->Width();
}

void SplitterCtrl::Mouse(double x, int button) {
    if (!objBar) return;
    const bool leftDown = (button & 1) != 0;
    if (leftDown && intDragState == 1 && x != dblLastX) {
        long newLeft = static_cast<long>(objBar->Left() + x - dblGrabX);
        const long low = static_cast<long>(mMinPaneSize) + mMargin;
        const long high = ScaleWidth() - mMargin - objBar->Width() - mMinPaneSize;
        if (newLeft < low) newLeft = low;
        if (newLeft > high) newLeft = high;
        objBar->Move(newLeft, PaneTop(), objBar->Width(), PaneHeight());
        dblLastX = x;
        if (mLiveResize && Resize) Resize();
        return;
    }
    if (!leftDown && intDragState == 1) {
        objBar->SetBackColor(kButtonFace);
        intDragState = 0;
        if (Resize) Resize();
        return;
    }
    if (leftDown && intDragState == 0) {
        objBar->SetBackColor(kDragGrey);
        dblLastX = x;
        dblGrabX = x;
        intDragState = 1;
    }
}

void SplitterCtrl::SetLeft(ui::Control& control, bool visible) {
    if (ParentMinimized()) return;
    control.SetVisible(LeftPaneOpen() && visible);
    control.Move(mMargin, PaneTop(), LeftPaneWidth(), PaneHeight());
}

void SplitterCtrl::SetRight(ui::Control& control, bool visible) {
    if (ParentMinimized()) return;
    control.SetVisible(RightPaneOpen() && visible);
    control.Move(RightPaneLeft(), PaneTop(), RightPaneWidth(), PaneHeight());
}

void SplitterCtrl::SetSplitter() {
    if (ParentMinimized()) return;
    objBar->Move(SplitterLeft(), PaneTop(), objBar->Width(), PaneHeight());
}
