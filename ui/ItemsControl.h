// The common part of the keyed item controls (TreeView, ListView): the events they share, the
// click bookkeeping of a mouse press, painting off while filling, and deferred events that never
// reach a control that has gone away.
//
// Events follow what the programs' handlers expect, whatever order the control sends its
// notifications in: a press of the left button gives the item's click event (when it selects an
// item, or clicks the selected one) and then MouseUp; a press of the right button gives MouseUp
// only.
//
// The keyboard's menu keys (Shift+F10 and the Menu key, or a WM_CONTEXTMENU sent at -1, -1) give
// what a right-click on the selected item gives: MouseUp of the right button at the middle of
// that item (scrolled into view), and a pop-up menu opened from it opens there. With no item
// selected, MouseUp comes at a point above and left of every item and the menu opens at the
// control's top left corner, as a right-click where there is no item.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "ui/Control.h"

namespace ui {

class ItemsControl : public Control {
public:
    ItemsControl();
    ~ItemsControl() override;

    // Painting off while filling: SetRedraw(false) ... SetRedraw(true).
    void SetRedraw(bool redraw);

    std::function<void()> DblClick;
    std::function<void(int keyCode, int shift)> KeyDown;
    // Button vbLeftButton/vbRightButton, x and y in twips of the control's client area.
    std::function<void(int button, int shift, long x, long y)> MouseUp;

    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // Raises the item's click event for the selected item at a point (twips of the client area)
    // at the end of a left-button press whose click the selection change has not raised; calls
    // ClickRaised() before raising it.
    virtual void ClickPressedItem(long x, long y) = 0;
    // The middle of the selected item's text in pixels of the client area, after scrolling it
    // into view; false when no item is selected.
    virtual bool SelectedItemPoint(POINT& client) = 0;
    // The click of the current press has been raised (by a selection change with the mouse or
    // by ClickPressedItem).
    void ClickRaised() { pressClickRaised_ = true; }
    // Raises `click` for the item a press ended on when that item is the selected one.
    template <class ItemPtr, class Click>
    void ClickIfSelected(const ItemPtr& hit, const Click& click) {
        if (hit && hit->Selected() && click) {
            ClickRaised();
            click(*hit);
        }
    }
    // Runs `action` from the message loop, unless the control has gone away by then.
    void DeferWhileAlive(std::function<void()> action) const;
    // Raises an item's event (NodeClick, Expand, ItemClick) from the message loop, unless the
    // control has gone away or the item has been removed by then.
    template <class Self, class Item>
    void DeferItemEvent(std::function<void(Item&)> Self::*event, std::shared_ptr<Item> item) {
        auto* self = static_cast<Self*>(this);
        DeferWhileAlive([self, event, item] {
            if (!item->IsRemoved() && self->*event) (self->*event)(*item);
        });
    }
    // Raise KeyDown and DblClick from the message loop.
    void DeferKeyDown(int keyCode);
    void DeferDblClick();

private:
    void PressEnded(int button);
    void MenuKeyPressedLater();
    void MenuKeyPressed();
    std::shared_ptr<char> alive_;
    // Click bookkeeping of the current button press.
    int pressButton_ = 0;
    bool pressClickRaised_ = false;
    bool pressUpRaised_ = true;
    POINT pressPoint_{};
};

}  // namespace ui
