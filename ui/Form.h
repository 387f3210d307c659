// Forms: the top-level windows of the programs, with the load / show / query-unload / unload
// life the programs' code expects, geometry in twips, and the program's list of loaded forms.
//
// A window of a program derives from Form, keeps its controls as members and creates them in
// its load handler:
//
//     class Form_Example : public ui::Form {
//     public:
//         Form_Example() : Form("Form_Example", {.caption = "Example", .width = 6000, .height = 4000}) {}
//         ui::TreeView tvwItems;
//         ui::StatusBar stb1;
//     protected:
//         void Form_Load() override {
//             tvwItems.Create(*this, 0, 0, 3000, 3000);
//             tvwItems.NodeClick = [this](ui::Node& n) { stb1.Panel(1).SetText(n.Text()); };
//             stb1.Create(*this);
//             stb1.AddPanel("Ready.", 0);
//         }
//         void Form_Resize() override { ... lay out in twips from ScaleWidth()/ScaleHeight() ... }
//     };
//
//     Form_Example f; f.Show();            // loads (Form_Load runs) and shows modeless
//     ui::Run();                            // message loop until every form is unloaded
//
// All geometry is in twips (1/1440 inch): the form's Left/Top/Width/Height are its outer
// rectangle on the screen, ScaleWidth/ScaleHeight its client area; control geometry is in
// twips of its parent's client area.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Menu.h"

namespace ui {

class Control;

// Show modes and window states.
enum : int { vbModeless = 0, vbModal = 1 };
enum : int { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
// Why a form is being unloaded (QueryUnload's reason).
enum : int { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3 };

// How the form's window looks; fixed at creation.
struct FormStyle {
    std::string caption;
    long width = 6000;    // outer size in twips
    long height = 4500;
    int border = 2;       // 0 none, 1 fixed single, 2 sizable, 3 fixed dialog, 4 fixed tool window
    bool minButton = true;
    bool maxButton = true;
    bool showInTaskbar = true;
    bool centered = false;      // centre on the screen when first shown
    bool centeredOnOwner = false;  // centre on the owner when first shown with one (else the screen)
    int iconResource = 0;       // icon resource id in the program's module, 0 = none
};

class Form {
public:
    explicit Form(std::string name, FormStyle style = {});
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    HWND hWnd() const { return hwnd_; }
    bool IsLoaded() const { return hwnd_ != nullptr; }

    // Creates the window (hidden) and runs Form_Load. Nothing happens when already loaded.
    // An error thrown by Form_Load reaches the caller; the form stays loaded.
    void Load();
    // Loads when needed and shows. Modal: disables the program's other windows (the owner
    // included) and returns when the form is hidden or unloaded. The owner (or none) is the
    // window the form stays above.
    void Show(int modal = vbModeless, Form* owner = nullptr);
    void Hide();
    // Asks Form_QueryUnload, then Form_Unload, then destroys the window. False when a handler
    // cancelled. The controls' models are emptied with their windows.
    bool Unload(int reason = vbFormCode);
    bool Visible() const;

    std::string Caption() const;
    void SetCaption(const std::string& caption);
    bool Enabled() const;
    void SetEnabled(bool enabled);

    // Window state vbNormal / vbMinimized / vbMaximized.
    int WindowState() const;
    void SetWindowState(int state);

    // Outer rectangle in twips (of the normal position while minimised or maximised is not
    // needed: the programs set the state to normal before reading).
    long Left() const;
    long Top() const;
    long Width() const;
    long Height() const;
    void SetLeft(long twips);
    void SetTop(long twips);
    void SetWidth(long twips);
    void SetHeight(long twips);
    void Move(long left, long top, long width, long height);
    // Client area in twips.
    long ScaleWidth() const;
    long ScaleHeight() const;

    void Refresh();  // repaints now
    void SetFocus();
    void ZOrder();   // brings to the front

    // The menu bar and the named menu items of the form, built in Form_Load (emptied by Unload).
    Menu Menus;
    // Shows `menu`'s items as a pop-up menu at the mouse pointer (at the selected item when a
    // tree's or list's MouseUp comes from the keyboard's menu keys), `defaultItem` (one of its
    // items) in bold. The chosen item's Click runs before PopupMenu returns.
    void PopupMenu(MenuItem& menu, MenuItem* defaultItem = nullptr);

    // The controls created on this form (and on its frames and picture boxes), in creation order.
    const std::vector<Control*>& Controls() const { return controls_; }

    // Enter (IDOK) or Escape (IDCANCEL) on the form, `focus` being the window that has the
    // focus: Enter runs the focused push button, else the default button; Escape runs the
    // cancel button. False when no such button is there to run.
    bool DialogCommand(int id, HWND focus);

protected:
    // Event handlers. Form_Load runs inside Load; Form_QueryUnload and Form_Unload may set
    // cancel to non-zero to keep the form.
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int& cancel, int reason) { (void)cancel; (void)reason; }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    // Any other window message of the form (tray icon callbacks, registered messages...).
    // Return true with `result` set to handle it.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    friend class Control;
    friend LRESULT CALLBACK FormWndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void RegisterControl(Control* control);
    void UnregisterControl(Control* control);
    // Takes the window down: the controls' models are emptied, the menus and tooltips go, the
    // form leaves the program's list and its window and small icon are destroyed.
    void DestroyOwnWindow();
    // Gives the focus to the control the form last had focused, or else to its first control in
    // tab order; the form itself keeps it when it has none that can take it.
    void FocusControl();

    std::string name_;
    FormStyle style_;
    HWND hwnd_ = nullptr;
    bool modalRunning_ = false;
    bool shownOnce_ = false;
    std::vector<Control*> controls_;
    HWND tips_ = nullptr;        // the tooltip window of the controls' tips
    HICON smallIcon_ = nullptr;  // the caption's small icon, loaded for this window
    HWND lastFocus_ = nullptr;   // the control that had the focus when the form was deactivated
    int pendingState_ = vbNormal;
    long pendingLeft_ = -1, pendingTop_ = -1;
};

// The program's loaded forms, in load order.
const std::vector<Form*>& Forms();
// The loaded form of that name (compared without regard to case), or null.
Form* FindForm(const std::string& name);

// Runs the message loop until no form is loaded or WM_QUIT arrives.
void Run();
// Handles every message waiting in the queue and returns (a handler may thus be re-entered).
void DoEvents();
// For long loops on the interface's thread: DoEventsWhenDue lets the interface run when it has
// not for a little while (25 ms), so a busy box's Cancel and the window's painting stay live
// without a message-loop turn for every step; DoEventsNow lets it run now. EventsDue is true when
// the next DoEventsWhenDue will run it: a loop sets its progress text only then, since a status
// bar paints itself at once on every new text and only the text there when the interface runs
// is ever seen.
void DoEventsWhenDue();
void DoEventsNow();
bool EventsDue();
// Runs `action` from the message loop after the current handler has returned.
void Defer(std::function<void()> action);

// The screen.
namespace Screen {
long TwipsPerPixelX();
long TwipsPerPixelY();
long Width();   // twips
long Height();  // twips
// The program-wide mouse pointer: vbHourglass shows the wait cursor over every window of the
// program until it is set back to vbDefault (a mouse move does not undo it).
enum : int { vbDefault = 0, vbHourglass = 11 };
int MousePointer();
void SetMousePointer(int pointer);
}  // namespace Screen

// Holds the hourglass for the life of the guard (nested guards keep it until the outermost ends).
class HourglassScope {
public:
    HourglassScope();
    ~HourglassScope();
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

private:
    int previous_;
};

namespace detail {
// A window under the mouse asks for its cursor: true (and the cursor set) while the hourglass is held.
bool SetPointerCursor();
}  // namespace detail

// A timer (no window of its own). Tick never runs again while its handler is running.
class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    void SetInterval(long milliseconds);  // 0 stops the timer
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::function<void()> Tick;

private:
    friend struct TimerAccess;
    void Apply();
    void Fire();
    long interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
    UINT_PTR id_ = 0;
};

}  // namespace ui
