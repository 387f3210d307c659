#include "ui/ItemsControl.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/Form.h"
#include "ui/Internal.h"

namespace ui {

ItemsControl::ItemsControl() : alive_(std::make_shared<char>()) {}

ItemsControl::~ItemsControl() = default;

void ItemsControl::DeferWhileAlive(std::function<void()> action) const {
    std::weak_ptr<char> alive = alive_;
    Defer([alive, action = std::move(action)] {
        if (!alive.expired()) action();
    });
}

void ItemsControl::DeferKeyDown(int keyCode) {
    int shift = static_cast<int>(ShiftState());
    DeferWhileAlive([this, keyCode, shift] {
        if (KeyDown) KeyDown(keyCode, shift);
    });
}

void ItemsControl::DeferDblClick() {
    DeferWhileAlive([this] {
        if (DblClick) DblClick();
    });
}

void ItemsControl::SetRedraw(bool redraw) {
    if (!hWnd()) return;
    SendMessageA(hWnd(), WM_SETREDRAW, redraw, 0);
    if (redraw) InvalidateRect(hWnd(), nullptr, TRUE);
}

// A button press has ended (the control may have swallowed the button-up): raise what a click
// gives, in the order the handlers expect: the item's click (when not raised by the selection
// change already and the press was on the selected item), then MouseUp.
void ItemsControl::PressEnded(int button) {
    if (pressUpRaised_) return;
    pressUpRaised_ = true;
    long x = detail::ToTwipsX(pressPoint_.x), y = detail::ToTwipsY(pressPoint_.y);
    if (button == vbLeftButton && !pressClickRaised_) ClickPressedItem(x, y);
    if (MouseUp) MouseUp(button, static_cast<int>(ShiftState()), x, y);
}

// From the message loop, as a click's MouseUp: its handler may show windows.
void ItemsControl::MenuKeyPressedLater() {
    DeferWhileAlive([this] { MenuKeyPressed(); });
}

void ItemsControl::MenuKeyPressed() {
    POINT client{-1, -1};
    const bool onItem = SelectedItemPoint(client);
    if (onItem) {
        RECT r{};
        GetClientRect(hWnd(), &r);
        client.x = std::clamp<LONG>(client.x, 0, std::max<LONG>(r.right - 1, 0));
        client.y = std::clamp<LONG>(client.y, 0, std::max<LONG>(r.bottom - 1, 0));
    }
    POINT screen = onItem ? client : POINT{0, 0};
    ClientToScreen(hWnd(), &screen);
    detail::MenuAnchor anchor(screen);
    if (MouseUp)
        MouseUp(vbRightButton, static_cast<int>(ShiftState()), detail::ToTwipsX(client.x),
                detail::ToTwipsY(client.y));
}

bool ItemsControl::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            int button = msg == WM_LBUTTONDOWN ? vbLeftButton : vbRightButton;
            pressButton_ = button;
            pressClickRaised_ = false;
            pressUpRaised_ = false;
            pressPoint_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            // Let the control handle the press (on some systems it runs its own loop until the
            // button is released), then finish the click from the message loop.
            result = CallOriginal(msg, wParam, lParam);
            DeferWhileAlive([this, button] { PressEnded(button); });
            return true;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            int button = msg == WM_LBUTTONUP ? vbLeftButton : vbRightButton;
            if (!pressUpRaised_ && button == pressButton_) DeferWhileAlive([this, button] { PressEnded(button); });
            return false;
        }
        // Shift+F10 is taken here rather than left to the control and the system's default
        // handling, which would enter the menu bar afterwards as for F10 alone (Wine's does).
        case WM_SYSKEYDOWN:
            if (wParam != VK_F10 || GetKeyState(VK_SHIFT) >= 0 || GetKeyState(VK_MENU) < 0) return false;
            MenuKeyPressedLater();
            result = 0;
            return true;
        case WM_CONTEXTMENU:
            // A right-click's menu has come with its MouseUp already; the system sends the Menu
            // key's at -1, -1.
            if (GET_X_LPARAM(lParam) != -1 || GET_Y_LPARAM(lParam) != -1) return false;
            MenuKeyPressedLater();
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace ui
