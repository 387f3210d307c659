#include "ui/Control.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <unordered_map>

#include "ui/Form.h"
#include "base/QV_Err.h"
#include "ui/Internal.h"

namespace {
constexpr char kModule[] = "ui";
}  // namespace

namespace ui {
namespace {
// The control object of each control window. Every message to a control and every
// notification from one looks its window up here; a window property would cost a round trip
// to the window server per message under Wine. Windows live on the program's one UI thread.
std::unordered_map<HWND, Control*>& Controls() {
    static std::unordered_map<HWND, Control*> controls;
    return controls;
}
}  // namespace

LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace detail {
void* ControlOf(HWND hwnd) {
    if (!hwnd) return nullptr;
    const auto& controls = Controls();
    const auto found = controls.find(hwnd);
    return found == controls.end() ? nullptr : found->second;
}

int NextControlId() {
    static int next = 100;
    if (next > 0x7000) next = 100;
    return next++;
}

bool RouteChildMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_COMMAND && lParam) {
        auto* c = static_cast<Control*>(ControlOf(reinterpret_cast<HWND>(lParam)));
        if (!c) return false;
        bool handled = false;
        TrapErrors(kModule, "Command", [&] { handled = c->OnCommand(HIWORD(wParam), LOWORD(wParam), result); });
        return handled;
    }
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        auto* c = static_cast<Control*>(ControlOf(hdr->hwndFrom));
        if (!c) return false;
        bool handled = false;
        TrapErrors(kModule, "Notify", [&] { handled = c->OnNotify(hdr, result); });
        return handled;
    }
    return false;
}
}  // namespace detail

Parent::Parent(Form& f) : form(&f), hwnd(f.hWnd()) {}
Parent::Parent(Control& c) : form(c.ParentForm()), hwnd(c.hWnd()) {}

Control::Control() = default;

Control::~Control() { DestroyOwnWindow(); }

void Control::DestroyOwnWindow() {
    if (!hwnd_) return;
    HWND h = hwnd_;
    Destroyed();
    DestroyWindow(h);
}

void Control::CreateWindowFor(Parent parent, const char* className, DWORD style, DWORD exStyle,
                              const std::string& text, long left, long top, long width, long height) {
    if (!parent.form || !parent.hwnd) QV_Err::Raise(91, "ui");
    DestroyOwnWindow();
    visible_ = true;
    pageVisible_ = true;
    tip_.clear();
    form_ = parent.form;
    HWND h = CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE,
                             detail::ToPixelsX(left), detail::ToPixelsY(top), detail::ToPixelsX(width),
                             detail::ToPixelsY(height), parent.hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(detail::NextControlId())),
                             detail::Instance(), nullptr);
    if (!h) QV_Err::Raise(7, className);
    hwnd_ = h;
    Controls()[h] = this;
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlSubclassProc)));
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    form_->RegisterControl(this);
}

void Control::Destroyed() {
    if (!hwnd_) return;
    HWND h = hwnd_;
    TrapErrors(kModule, "Destroy", [this] { OnDestroyed(); });
    if (form_ && form_->tips_ && IsWindow(form_->tips_)) {
        TTTOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = GetParent(h);
        ti.uId = reinterpret_cast<UINT_PTR>(h);
        SendMessageA(form_->tips_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    Controls().erase(h);
    if (oldProc_ && IsWindow(h)) SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    hwnd_ = nullptr;
    if (form_) form_->UnregisterControl(this);
}

LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* c = static_cast<Control*>(detail::ControlOf(hwnd));
    if (!c) return DefWindowProcA(hwnd, msg, wParam, lParam);
    WNDPROC old = c->oldProc_;
    LRESULT result = 0;
    if ((msg == WM_COMMAND || msg == WM_NOTIFY) && detail::RouteChildMessage(hwnd, msg, wParam, lParam, result))
        return result;
    if (msg == WM_SETCURSOR && detail::SetPointerCursor()) return TRUE;
    if (msg == WM_NCDESTROY) {
        c->Destroyed();
        return CallWindowProcA(old, hwnd, msg, wParam, lParam);
    }
    if (msg == WM_DROPFILES) {
        auto drop = reinterpret_cast<HDROP>(wParam);
        std::vector<std::string> files;
        UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            char path[MAX_PATH * 4] = "";
            if (DragQueryFileA(drop, i, path, sizeof path)) files.emplace_back(path);
        }
        DragFinish(drop);
        if (c->FilesDropped) TrapErrors(kModule, "FilesDropped", [&] { c->FilesDropped(files); });
        return 0;
    }
    bool handled = false;
    TrapErrors(kModule, "Message", [&] { handled = c->OnOwnMessage(msg, wParam, lParam, result); });
    if (handled) return result;
    return CallWindowProcA(old, hwnd, msg, wParam, lParam);
}

namespace {
RECT RectInParent(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}  // namespace

long Control::Left() const { return hwnd_ ? detail::ToTwipsX(RectInParent(hwnd_).left) : 0; }
long Control::Top() const { return hwnd_ ? detail::ToTwipsY(RectInParent(hwnd_).top) : 0; }
long Control::Width() const {
    if (!hwnd_) return 0;
    RECT r = RectInParent(hwnd_);
    return detail::ToTwipsX(r.right - r.left);
}
long Control::Height() const {
    if (!hwnd_) return 0;
    RECT r = RectInParent(hwnd_);
    return detail::ToTwipsY(r.bottom - r.top);
}
void Control::Move(long left, long top, long width, long height) {
    if (!hwnd_) return;
    MoveWindow(hwnd_, detail::ToPixelsX(left), detail::ToPixelsY(top), detail::ToPixelsX(std::max(0L, width)),
               detail::ToPixelsY(std::max(0L, height)), TRUE);
}
void Control::SetLeft(long t) { Move(t, Top(), Width(), Height()); }
void Control::SetTop(long t) { Move(Left(), t, Width(), Height()); }
void Control::SetWidth(long t) { Move(Left(), Top(), t, Height()); }
void Control::SetHeight(long t) { Move(Left(), Top(), Width(), t); }

void Control::SetVisible(bool visible) {
    visible_ = visible;
    ApplyVisibility();
}
void Control::SetPageVisible(bool shown) {
    pageVisible_ = shown;
    ApplyVisibility();
}
void Control::ApplyVisibility() {
    if (hwnd_) ShowWindow(hwnd_, visible_ && pageVisible_ ? SW_SHOWNA : SW_HIDE);
}
bool Control::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Control::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled);
}
void Control::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}
void Control::Refresh() {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Control::SetToolTipText(const std::string& text) {
    tip_ = text;
    if (!hwnd_ || !form_ || !form_->hWnd()) return;
    if (!form_->tips_) {
        form_->tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form_->hWnd(),
                                       nullptr, detail::Instance(), nullptr);
        SendMessageA(form_->tips_, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    TTTOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(hwnd_);
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    SendMessageA(form_->tips_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    if (text.empty()) return;
    ti.lpszText = const_cast<char*>(tip_.c_str());
    SendMessageA(form_->tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Control::AcceptFiles(bool accept) {
    if (hwnd_) DragAcceptFiles(hwnd_, accept);
}

bool Control::OnCommand(WORD, WORD, LRESULT&) { return false; }
bool Control::OnNotify(NMHDR*, LRESULT&) { return false; }
bool Control::OnOwnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Control::CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
    return hwnd_ && oldProc_ ? CallWindowProcA(oldProc_, hwnd_, msg, wParam, lParam) : 0;
}

long Control::ShiftState() {
    long s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= vbShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) s |= vbCtrlMask;
    if (GetKeyState(VK_MENU) < 0) s |= vbAltMask;
    return s;
}

}  // namespace ui
