#include "ui/Form.h"

#include <windowsx.h>

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "base/Seams.h"
#include "ui/Control.h"
#include "ui/Controls.h"
#include "ui/Internal.h"

namespace {
constexpr char kModule[] = "ui";
}  // namespace

namespace ui {

LRESULT CALLBACK FormWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

struct TimerAccess {
    static void Fire(Timer& t) { t.Fire(); }
};

namespace {

const char kFormClass[] = "VelmForm";
const char kSinkClass[] = "VelmUiSink";
const UINT kDeferMessage = WM_APP + 0x3A1;
const UINT kFocusMessage = WM_APP + 0x3A2;  // a form hands its focus on to a control

std::vector<Form*>& LoadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

// The hidden window that runs deferred actions and timers.
std::deque<std::function<void()>>& DeferQueue() {
    static std::deque<std::function<void()>> queue;
    return queue;
}

std::unordered_map<UINT_PTR, Timer*>& Timers() {
    static std::unordered_map<UINT_PTR, Timer*> timers;
    return timers;
}

LRESULT CALLBACK SinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

HWND Sink() {
    static HWND sink = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = detail::Instance();
        wc.lpszClassName = kSinkClass;
        RegisterClassA(&wc);
        return CreateWindowExA(0, kSinkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, detail::Instance(), nullptr);
    }();
    return sink;
}

void EnsureFormClass() {
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                  ICC_ANIMATE_CLASS | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        detail::RegisterFaceClass(kFormClass, FormWndProc);
        return true;
    }();
    (void)done;
}

// Handles one message as the programs' loops do: the keyboard of forms (Tab, Enter, Escape,
// access keys) first, then the usual translation and dispatch.
void Pump(MSG& msg) {
    if (msg.hwnd && (msg.message == WM_KEYDOWN || msg.message == WM_CHAR || msg.message == WM_SYSCHAR)) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root) {
            char cls[32] = "";
            GetClassNameA(root, cls, sizeof cls);
            if (lstrcmpiA(cls, kFormClass) == 0 && detail::FormKey(root, msg)) return;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// helpers shared by the toolkit

namespace detail {
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void RegisterFaceClass(const char* className, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
}

static long Tpp(int axis) {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, axis);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? 1440 / dpi : 15;
}
int ToPixelsX(long twips) { long t = Screen::TwipsPerPixelX(); return static_cast<int>((twips + (twips >= 0 ? t / 2 : -t / 2)) / t); }
int ToPixelsY(long twips) { long t = Screen::TwipsPerPixelY(); return static_cast<int>((twips + (twips >= 0 ? t / 2 : -t / 2)) / t); }
long ToTwipsX(int pixels) { return pixels * Screen::TwipsPerPixelX(); }
long ToTwipsY(int pixels) { return pixels * Screen::TwipsPerPixelY(); }

LRESULT FaceColors(WPARAM dc, LPARAM control) {
    char cls[16] = "";
    GetClassNameA(reinterpret_cast<HWND>(control), cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0) {
        SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkMode(reinterpret_cast<HDC>(dc), TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

namespace {
struct AnchorState {
    POINT screen{};
    bool held = false;
};
AnchorState& Anchor() {
    static AnchorState anchor;
    return anchor;
}
}  // namespace

MenuAnchor::MenuAnchor(POINT screen) { Anchor() = {screen, true}; }
MenuAnchor::~MenuAnchor() { Anchor().held = false; }
bool MenuAnchor::Take(POINT& screen) {
    if (!Anchor().held) return false;
    Anchor().held = false;
    screen = Anchor().screen;
    return true;
}

}  // namespace detail

namespace Screen {
long TwipsPerPixelX() { static long t = detail::Tpp(LOGPIXELSX); return t; }
long TwipsPerPixelY() { static long t = detail::Tpp(LOGPIXELSY); return t; }
long Width() { return detail::ToTwipsX(GetSystemMetrics(SM_CXSCREEN)); }
long Height() { return detail::ToTwipsY(GetSystemMetrics(SM_CYSCREEN)); }

namespace {
int g_pointer = vbDefault;
}

int MousePointer() { return g_pointer; }

void SetMousePointer(int pointer) {
    g_pointer = pointer;
    // Shown at once; the windows keep it through their WM_SETCURSOR.
    SetCursor(LoadCursor(nullptr, pointer == vbHourglass ? IDC_WAIT : IDC_ARROW));
}
}  // namespace Screen

HourglassScope::HourglassScope() : previous_(Screen::MousePointer()) { Screen::SetMousePointer(Screen::vbHourglass); }

HourglassScope::~HourglassScope() { Screen::SetMousePointer(previous_); }

bool detail::SetPointerCursor() {
    if (Screen::MousePointer() != Screen::vbHourglass) return false;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return true;
}

// ---------------------------------------------------------------------------------------------
// message loop

const std::vector<Form*>& Forms() { return LoadedForms(); }

Form* FindForm(const std::string& name) {
    for (Form* f : LoadedForms())
        if (TextCase::Equal(f->Name(), name)) return f;
    return nullptr;
}

void Run() {
    MSG msg;
    while (!LoadedForms().empty()) {
        int got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        Pump(msg);
    }
}

void DoEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Pump(msg);
    }
}

namespace {
ULONGLONG& LastEvents() {
    static ULONGLONG last = 0;
    return last;
}
}  // namespace

bool EventsDue() { return GetTickCount64() - LastEvents() >= 25; }

void DoEventsWhenDue() {
    if (EventsDue()) DoEventsNow();
}

void DoEventsNow() {
    DoEvents();
    LastEvents() = GetTickCount64();
}

void Defer(std::function<void()> action) {
    DeferQueue().push_back(std::move(action));
    PostMessageA(Sink(), kDeferMessage, 0, 0);
}

namespace {
LRESULT CALLBACK SinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kDeferMessage) {
        if (!DeferQueue().empty()) {
            auto action = std::move(DeferQueue().front());
            DeferQueue().pop_front();
            if (action) TrapErrors(kModule, "Deferred", action);
        }
        return 0;
    }
    if (msg == WM_TIMER) {
        auto it = Timers().find(wParam);
        if (it != Timers().end()) {
            Timer* t = it->second;
            TrapErrors(kModule, "Timer", [t] { TimerAccess::Fire(*t); });
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Timer

Timer::Timer() {
    static UINT_PTR next = 1;
    id_ = next++;
}
Timer::~Timer() {
    KillTimer(Sink(), id_);
    Timers().erase(id_);
}
void Timer::SetInterval(long ms) {
    interval_ = ms < 0 ? 0 : ms;
    Apply();
}
void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}
void Timer::Apply() {
    if (enabled_ && interval_ > 0) {
        Timers()[id_] = this;
        SetTimer(Sink(), id_, static_cast<UINT>(interval_), nullptr);
    } else {
        KillTimer(Sink(), id_);
        Timers().erase(id_);
    }
}
void Timer::Fire() {
    if (running_ || !enabled_ || !Tick) return;  // never re-entered, e.g. from DoEvents in Tick
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    Tick();
}

// ---------------------------------------------------------------------------------------------
// Form

LRESULT CALLBACK FormWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        reinterpret_cast<Form*>(cs->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!form || form->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return form->HandleMessage(msg, wParam, lParam);
}

Form::Form(std::string name, FormStyle style) : name_(std::move(name)), style_(std::move(style)) {}

Form::~Form() { DestroyOwnWindow(); }

void Form::DestroyOwnWindow() {
    if (!hwnd_) return;
    HWND h = hwnd_;
    // Owned windows would go with this one: keep them (they are forms of their own), without
    // the owner.
    for (Form* f : LoadedForms())
        if (f != this && f->hwnd_ && GetWindow(f->hwnd_, GW_OWNER) == h) SetWindowLongPtrA(f->hwnd_, GWLP_HWNDPARENT, 0);
    for (Control* c : std::vector<Control*>(controls_)) c->Destroyed();
    controls_.clear();
    Menus.Clear();
    if (tips_) {
        DestroyWindow(tips_);
        tips_ = nullptr;
    }
    hwnd_ = nullptr;
    lastFocus_ = nullptr;
    auto& forms = LoadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
    // The small icon was loaded for this window alone (the big one is the module's shared icon).
    if (smallIcon_) {
        DestroyIcon(smallIcon_);
        smallIcon_ = nullptr;
    }
}

void Form::Load() {
    if (hwnd_) return;
    EnsureFormClass();
    DWORD style = WS_CLIPCHILDREN, ex = 0;
    switch (style_.border) {
        case 0: style |= WS_POPUP; break;
        case 1: style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; break;
        case 3: style |= WS_POPUP | WS_CAPTION | WS_SYSMENU; ex |= WS_EX_DLGMODALFRAME; break;
        case 4: style |= WS_POPUP | WS_CAPTION | WS_SYSMENU; ex |= WS_EX_TOOLWINDOW; break;
        default: style |= WS_OVERLAPPEDWINDOW; break;
    }
    if (style_.border == 1 || style_.border == 2) {
        if (!style_.minButton) style &= ~WS_MINIMIZEBOX;
        else style |= WS_MINIMIZEBOX;
        if (!style_.maxButton) style &= ~WS_MAXIMIZEBOX;
        else style |= WS_MAXIMIZEBOX;
    }
    if (style_.showInTaskbar && style_.border != 4) ex |= WS_EX_APPWINDOW;
    int x = pendingLeft_ >= 0 ? detail::ToPixelsX(pendingLeft_) : CW_USEDEFAULT;
    int y = pendingTop_ >= 0 ? detail::ToPixelsY(pendingTop_) : CW_USEDEFAULT;
    if (x == CW_USEDEFAULT) y = 0;
    HWND h = CreateWindowExA(ex, kFormClass, style_.caption.c_str(), style, x, y,
                             detail::ToPixelsX(style_.width), detail::ToPixelsY(style_.height), nullptr,
                             nullptr, detail::Instance(), this);
    if (!h) QV_Err::Raise(7, name_);
    hwnd_ = h;
    if (style_.iconResource) {
        HICON big = LoadIconA(detail::Instance(), MAKEINTRESOURCEA(style_.iconResource));
        if (big) {
            SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
            // Not shared: destroyed with the window.
            smallIcon_ = static_cast<HICON>(LoadImageA(detail::Instance(), MAKEINTRESOURCEA(style_.iconResource),
                                                       IMAGE_ICON, 16, 16, 0));
            SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : big));
        }
    }
    LoadedForms().push_back(this);
    shownOnce_ = false;
    lastFocus_ = nullptr;
    Menus.AttachTo(h);
    Form_Load();
}

namespace {
struct Collect {
    HWND self;
    std::vector<HWND> windows;
};
BOOL CALLBACK CollectEnabledWindow(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<Collect*>(p);
    if (w != c->self && IsWindowVisible(w) && IsWindowEnabled(w)) c->windows.push_back(w);
    return TRUE;
}
}  // namespace

void Form::Show(int modal, Form* owner) {
    Load();
    if (!hwnd_) return;
    if (owner && owner->hWnd() && owner != this)
        SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner->hWnd()));
    if (!shownOnce_) {
        shownOnce_ = true;
        if (style_.centered || style_.centeredOnOwner) {
            RECT r;
            GetWindowRect(hwnd_, &r);
            const int w = r.right - r.left, h = r.bottom - r.top;
            RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            RECT around = area;
            HWND ownerWindow = owner && owner->hWnd() ? owner->hWnd() : GetWindow(hwnd_, GW_OWNER);
            if (style_.centeredOnOwner && ownerWindow && IsWindowVisible(ownerWindow) && !IsIconic(ownerWindow))
                GetWindowRect(ownerWindow, &around);
            int x = around.left + (around.right - around.left - w) / 2;
            int y = around.top + (around.bottom - around.top - h) / 2;
            // Whole on the screen, also beside an owner near its edge.
            x = std::max<int>(area.left, std::min<int>(x, area.right - w));
            y = std::max<int>(area.top, std::min<int>(y, area.bottom - h));
            SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (!IsWindowVisible(hwnd_)) {
        int cmd = pendingState_ == vbMaximized ? SW_SHOWMAXIMIZED
                  : pendingState_ == vbMinimized ? SW_SHOWMINIMIZED
                                                 : SW_SHOW;
        ShowWindow(hwnd_, cmd);
    }
    // Shown and active: the focus goes into the form (activation does this too; a form that
    // was active already gets it here).
    if (hwnd_ && GetActiveWindow() == hwnd_ && !IsChild(hwnd_, GetFocus())) FocusControl();
    if (modal != vbModal) return;

    // Modal: the program's other windows are disabled until this one is hidden or unloaded.
    Collect collect{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&collect));
    std::vector<HWND>& disabled = collect.windows;
    for (HWND w : disabled) EnableWindow(w, FALSE);
    bool wasRunning = modalRunning_;
    modalRunning_ = true;
    PromptScope prompt;
    MSG msg;
    while (hwnd_ && IsWindowVisible(hwnd_)) {
        int got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Pump(msg);
    }
    modalRunning_ = wasRunning;
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (owner && owner->hWnd()) SetActiveWindow(owner->hWnd());
}

void Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    PostMessageA(Sink(), WM_NULL, 0, 0);  // wakes a modal loop
}

bool Form::Unload(int reason) {
    if (!hwnd_) return true;
    int cancel = 0;
    Form_QueryUnload(cancel, reason);
    if (cancel || !hwnd_) return !hwnd_;
    cancel = 0;
    Form_Unload(cancel);
    if (cancel || !hwnd_) return !hwnd_;
    DestroyOwnWindow();
    pendingState_ = vbNormal;
    PostMessageA(Sink(), WM_NULL, 0, 0);
    return true;
}

bool Form::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

std::string Form::Caption() const {
    if (!hwnd_) return style_.caption;
    char buf[1024] = "";
    GetWindowTextA(hwnd_, buf, sizeof buf);
    return buf;
}
void Form::SetCaption(const std::string& caption) {
    style_.caption = caption;
    if (hwnd_) SetWindowTextA(hwnd_, caption.c_str());
}
bool Form::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Form::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled);
}

int Form::WindowState() const {
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return pendingState_;
    if (IsIconic(hwnd_)) return vbMinimized;
    if (IsZoomed(hwnd_)) return vbMaximized;
    return vbNormal;
}
void Form::SetWindowState(int state) {
    pendingState_ = state == vbMinimized || state == vbMaximized ? state : vbNormal;
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return;
    ShowWindow(hwnd_, state == vbMaximized ? SW_MAXIMIZE : state == vbMinimized ? SW_MINIMIZE : SW_RESTORE);
}

namespace {
RECT OuterRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}
}  // namespace

long Form::Left() const { return hwnd_ ? detail::ToTwipsX(OuterRect(hwnd_).left) : std::max(0L, pendingLeft_); }
long Form::Top() const { return hwnd_ ? detail::ToTwipsY(OuterRect(hwnd_).top) : std::max(0L, pendingTop_); }
long Form::Width() const {
    if (!hwnd_) return style_.width;
    RECT r = OuterRect(hwnd_);
    return detail::ToTwipsX(r.right - r.left);
}
long Form::Height() const {
    if (!hwnd_) return style_.height;
    RECT r = OuterRect(hwnd_);
    return detail::ToTwipsY(r.bottom - r.top);
}
void Form::Move(long left, long top, long width, long height) {
    if (!hwnd_) {
        pendingLeft_ = left;
        pendingTop_ = top;
        style_.width = width;
        style_.height = height;
        return;
    }
    int x = detail::ToPixelsX(left), y = detail::ToPixelsY(top);
    int w = detail::ToPixelsX(width), h = detail::ToPixelsY(height);
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        GetWindowPlacement(hwnd_, &wp);
        wp.rcNormalPosition = {x, y, x + w, y + h};
        SetWindowPlacement(hwnd_, &wp);
    } else {
        SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
void Form::SetLeft(long t) { Move(t, Top(), Width(), Height()); }
void Form::SetTop(long t) { Move(Left(), t, Width(), Height()); }
void Form::SetWidth(long t) { Move(Left(), Top(), t, Height()); }
void Form::SetHeight(long t) { Move(Left(), Top(), Width(), t); }

long Form::ScaleWidth() const {
    if (!hwnd_) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return detail::ToTwipsX(r.right);
}
long Form::ScaleHeight() const {
    if (!hwnd_) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return detail::ToTwipsY(r.bottom);
}
void Form::Refresh() {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
void Form::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}
void Form::ZOrder() {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Form::PopupMenu(MenuItem& menu, MenuItem* defaultItem) {
    if (!hwnd_) return;
    HMENU popup = CreatePopupMenu();
    menu.FillInto(popup);
    if (defaultItem) SetMenuDefaultItem(popup, defaultItem->id_, FALSE);
    POINT pt;
    if (!detail::MenuAnchor::Take(pt)) GetCursorPos(&pt);
    SetForegroundWindow(hwnd_);
    UINT id = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                               pt.x, pt.y, 0, hwnd_, nullptr));
    PostMessageA(hwnd_, WM_NULL, 0, 0);
    // Sub-menus belong to their items: take them out before the pop-up itself goes.
    while (GetMenuItemCount(popup) > 0) RemoveMenu(popup, 0, MF_BYPOSITION);
    DestroyMenu(popup);
    if (id)
        if (MenuItem* chosen = Menus.ById(id)) chosen->DoClick();
}

bool Form::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Form::FocusControl() {
    if (!hwnd_) return;
    if (detail::FocusableIn(hwnd_, lastFocus_)) {
        ::SetFocus(lastFocus_);
        return;
    }
    HWND first = detail::FirstTabStop(hwnd_);
    if (!first) {
        if (GetFocus() != hwnd_) ::SetFocus(hwnd_);
        return;
    }
    ::SetFocus(first);
    // A text box that opens a form shows its text selected, so typing replaces it.
    if (SendMessageA(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(first, EM_SETSEL, 0, -1);
}

bool Form::DialogCommand(int id, HWND focus) {
    CommandButton* run = nullptr;
    if (id == IDOK && focus) {
        // A push button with the focus takes Enter itself.
        for (HWND w = focus; w && w != hwnd_ && !run; w = GetParent(w))
            if (auto* b = dynamic_cast<CommandButton*>(static_cast<Control*>(detail::ControlOf(w))))
                if (b->ParentForm() == this && IsWindowEnabled(b->hWnd())) run = b;
    }
    if (!run)
        for (Control* c : controls_)
            if (auto* b = dynamic_cast<CommandButton*>(c))
                if (b->IsCreated() && IsWindowEnabled(b->hWnd()) &&
                    ((id == IDOK && b->IsDefault()) || (id == IDCANCEL && b->IsCancel()))) {
                    run = b;
                    break;
                }
    if (!run) return false;
    TrapErrors(name_.c_str(), "Click", [run] { run->DoClick(); });
    return true;
}

void Form::RegisterControl(Control* control) {
    if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) controls_.push_back(control);
}
void Form::UnregisterControl(Control* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    TrapErrors(name_.c_str(), "OnMessage", [&] { handled = OnMessage(msg, wParam, lParam, result); });
    if (handled) return result;
    HWND h = hwnd_;
    if (msg == WM_SETCURSOR && detail::SetPointerCursor()) return TRUE;
    switch (msg) {
        case WM_COMMAND: {
            if (detail::RouteChildMessage(h, msg, wParam, lParam, result)) return result;
            WORD id = LOWORD(wParam);
            if (!lParam && HIWORD(wParam) <= 1) {
                if (MenuItem* item = Menus.ById(id)) {
                    TrapErrors(name_.c_str(), item->Name().c_str(), [item] { item->DoClick(); });
                    return 0;
                }
            }
            if (id == IDOK || id == IDCANCEL) {
                // Enter and Escape within the form run its default and cancel buttons.
                DialogCommand(id, nullptr);
                return 0;
            }
            break;
        }
        case WM_NOTIFY: {
            if (detail::RouteChildMessage(h, msg, wParam, lParam, result)) return result;
            // Notifications of helper windows (a toolbar's tooltips) go to whichever control owns them.
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (!detail::ControlOf(hdr->hwndFrom)) {
                bool handled = false;
                TrapErrors(name_.c_str(), "Notify", [&] {
                    for (Control* c : std::vector<Control*>(controls_))
                        if ((handled = c->OnNotify(hdr, result))) return;
                });
                if (handled) return result;
            }
            break;
        }
        case DM_GETDEFID:
            for (Control* c : controls_)
                if (auto* b = dynamic_cast<CommandButton*>(c))
                    if (b->IsCreated() && b->IsDefault())
                        return MAKELRESULT(GetDlgCtrlID(b->hWnd()), DC_HASDEFID);
            return 0;
        case WM_SIZE:
            for (Control* c : controls_) {
                if (auto* s = dynamic_cast<StatusBar*>(c)) s->Reposition();
                if (auto* t = dynamic_cast<Toolbar*>(c)) t->Reposition();
            }
            TrapErrors(name_.c_str(), "Form_Resize", [this] { Form_Resize(); });
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                // Remembered for the next activation.
                HWND focus = GetFocus();
                if (focus && IsChild(h, focus)) lastFocus_ = focus;
                return 0;
            }
            TrapErrors(name_.c_str(), "Form_Activate", [this] { Form_Activate(); });
            // The focus goes to a control of the form (not to the form's own window), unless the
            // activation handler has put it somewhere on the form already.
            if (hwnd_ == h && !HIWORD(wParam) && !IsChild(h, GetFocus())) FocusControl();
            return 0;
        case WM_SETFOCUS:
            // The form's own window got the focus (a control on it was hidden or disabled, or
            // code focused the form): hand it on to a control once the change is over.
            if (detail::FirstTabStop(h)) PostMessageA(h, kFocusMessage, 0, 0);
            return 0;
        case WM_MENUCHAR:
            if (LRESULT r = detail::MenuBarChar(h, wParam, lParam)) return r;
            break;
        case WM_CLOSE:
            TrapErrors(name_.c_str(), "Unload", [this] { Unload(vbFormControlMenu); });
            return 0;
        case WM_QUERYENDSESSION: {
            bool ok = true;
            TrapErrors(name_.c_str(), "Unload", [&] { ok = Unload(vbAppWindows); });
            return ok;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return detail::FaceColors(wParam, lParam);
        default:
            if (msg == kFocusMessage) {
                if (GetFocus() == h) FocusControl();
                return 0;
            }
            break;
    }
    return DefWindowProcA(h, msg, wParam, lParam);
}

}  // namespace ui
