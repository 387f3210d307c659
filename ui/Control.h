// The base of every control: a real child window of a form (or of a Frame/PictureBox on it),
// placed in twips of its parent's client area. A control is a member of its form and is
// created in the form's load handler with Create(parent, left, top, width, height, ...);
// unloading the form destroys the window and empties the control's model, and the next load
// creates it again.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui {

class Form;
class Control;

// Where a control is created: on a form, or inside a container control (Frame, PictureBox).
struct Parent {
    Parent(Form& form);        // NOLINT: implicit on purpose
    Parent(Control& control);  // NOLINT
    Form* form;
    HWND hwnd;
};

// An image of an image list, by key (text) or by 1-based index; empty = no image.
struct ImageRef {
    ImageRef() = default;
    ImageRef(const char* k) : key(k ? k : "") {}          // NOLINT
    ImageRef(std::string k) : key(std::move(k)) {}        // NOLINT
    ImageRef(int i) : index(i) {}                         // NOLINT
    bool IsNone() const { return key.empty() && index <= 0; }
    std::string key;
    int index = 0;
};

// Mouse buttons and shift state as events report them.
enum : int { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };
enum : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

class Control {
public:
    Control();
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND hWnd() const { return hwnd_; }
    bool IsCreated() const { return hwnd_ != nullptr; }
    Form* ParentForm() const { return form_; }

    // Geometry in twips of the parent's client area.
    long Left() const;
    long Top() const;
    long Width() const;
    long Height() const;
    void SetLeft(long twips);
    void SetTop(long twips);
    void SetWidth(long twips);
    void SetHeight(long twips);
    void Move(long left, long top, long width, long height);

    // Visible is the control's own flag; a control on a hidden tab page stays hidden until its
    // page is shown.
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetFocus();
    void Refresh();
    const std::string& ToolTipText() const { return tip_; }
    void SetToolTipText(const std::string& text);

    // Files dropped from the shell (WM_DROPFILES): set the handler, then AcceptFiles(true).
    void AcceptFiles(bool accept);
    std::function<void(const std::vector<std::string>& files)> FilesDropped;

    // Internal: called by the parent's window for notifications of this control.
    virtual bool OnCommand(WORD code, WORD id, LRESULT& result);
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    // Internal: messages of the control's own window (subclassed); true = handled.
    virtual bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Internal: the window is going away (form unloaded); empty the model.
    virtual void OnDestroyed() {}
    // Internal: page visibility set by a tab container.
    void SetPageVisible(bool shown);

protected:
    // Creates the window and attaches it (subclassed, default font, registered with the form).
    void CreateWindowFor(Parent parent, const char* className, DWORD style, DWORD exStyle,
                         const std::string& text, long left, long top, long width, long height);
    void ApplyVisibility();
    // The control's own window procedure, for a subclass that handles a message around it.
    LRESULT CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam);
    static long ShiftState();
    // Empties the model, detaches from the window and the form (the window itself stays).
    void Destroyed();
    // Takes the control's window down: empties the model through Destroyed, then destroys the
    // window. A control whose OnDestroyed empties a model of its own calls this from its own
    // destructor too, since a base destructor no longer reaches the derived handler.
    void DestroyOwnWindow();
    Form* form_ = nullptr;
    HWND hwnd_ = nullptr;

private:
    friend class Form;
    friend LRESULT CALLBACK ControlSubclassProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC oldProc_ = nullptr;
    bool visible_ = true;
    bool pageVisible_ = true;
    std::string tip_;
};

}  // namespace ui
