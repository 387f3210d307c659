// A vertical splitter bar between a left and a right control: a thin picture box whose mouse
// events the form forwards here. The form's layout asks it to place the left pane, the right
// pane and the bar; it raises Resize when the user has moved the bar. Positions are twips of
// the parent form's client area, computed in 32-bit arithmetic so wide windows lay out fully.
#pragma once
#include <windows.h>

#include <functional>

#include "ui/Controls.h"
#include "ui/Form.h"

class SplitterCtrl {
public:
    SplitterCtrl();

    void SetMinPaneSize(int v) { mMinPaneSize = v; }
    void SetMargin(int v) { mMargin = v; }
    void SetLiveResize(bool v) { mLiveResize = v; }

    // One mouse event of the bar: x in the bar's own twips, button bit 0 = left button.
    void Mouse(double x, int button);
    // Keeps the bar and the reference control (whose Top and Height the panes take; may be
    // null) and makes the bar a borderless button-face strip with the west-east arrow.
    void Init(ui::PictureBox& bar, ui::Control* reference);
    void SetLeft(ui::Control& control, bool visible);
    void SetRight(ui::Control& control, bool visible);
    void SetSplitter();

    std::function<void()> Resize;

    bool Dragging() const { return intDragState == 1; }

private:
    bool LeftPaneOpen() const;
    bool RightPaneOpen() const;
    long LeftPaneWidth() const;
    long RightPaneWidth() const;
    long SplitterLeft() const;
    long PaneHeight() const;
    long PaneTop() const;
    long RightPaneLeft() const;
    long ScaleWidth() const;
    long ScaleHeight() const;
    bool ParentMinimized() const;

    int mMinPaneSize = 0;
    int mMargin = 80;
    bool mLiveResize = false;
    double dblLastX = 0;
    double dblGrabX = 0;
    int intDragState = 0;
    ui::PictureBox* objBar = nullptr;
    ui::Control* objReference = nullptr;
};
