// The smaller controls: label, text box, buttons, check box, option buttons, combo box, frame,
// picture box (splitter bars), animation, status bar, toolbar and the tab container.
// Every one is created in the form's load handler with Create(parent, left, top, width, height,
// ...) in twips, and raises its events through std::function members.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Control.h"

namespace ui {

class ImageList;

class Label : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    std::function<void()> Click;  // the label is clickable when a handler is set before Create
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
};

class TextBox : public Control {
public:
    // multiLine: several lines with a vertical scroll bar; readOnly: the user cannot edit.
    void Create(Parent parent, long left, long top, long width, long height, bool multiLine = false,
                bool readOnly = false);
    std::string Text() const;
    void SetText(const std::string& text);
    void SelectAll();
    std::function<void()> Change;  // raised by the user's edits and by SetText
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
};

class CommandButton : public Control {
public:
    // isDefault: Enter runs it; isCancel: Escape runs it (both within its form).
    void Create(Parent parent, long left, long top, long width, long height, const std::string& caption,
                bool isDefault = false, bool isCancel = false);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    std::function<void()> Click;
    void DoClick();  // runs Click as a press would
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
    bool IsDefault() const { return default_; }
    bool IsCancel() const { return cancel_; }
    // A focused button looks like the default one (Enter runs it); the form's default button
    // gets the look back when the focus leaves.
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool default_ = false, cancel_ = false;
};

class CheckBox : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height, const std::string& caption);
    int Value() const;           // 0 unchecked, 1 checked
    void SetValue(int value);    // raises Click when the value changes
    std::function<void()> Click;
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
};

// Option buttons of one group (those created with the same group number on the same parent)
// exclude each other. Setting Value to true from code raises Click, as a user's click does.
class OptionButton : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height, const std::string& caption,
                int group = 0);
    bool Value() const;
    void SetValue(bool value);
    std::function<void()> Click;
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
    int Group() const { return group_; }

private:
    int group_ = 0;
};

// A drop-down list. Setting ListIndex from code raises Click (also to the same index), as a
// user's choice does; -1 selects nothing and raises nothing.
class ComboBox : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long dropHeight);
    void AddItem(const std::string& text);
    void Clear();
    long ListCount() const;
    std::string List(long index) const;  // 0-based
    long ListIndex() const;
    void SetListIndex(long index);
    std::string Text() const;
    std::function<void()> Click;
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
};

// A captioned group box that holds other controls (create them with the frame as parent).
class Frame : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::string caption_;
};

// A plain area that reports the mouse; the splitter bars are picture boxes. While a button is
// held the box keeps the mouse captured, so MouseMove keeps coming outside it and MouseUp ends
// the drag. x and y are twips of the box's own client area.
//
// A picture box also keeps a drawing surface, its Image: what code draws through hDC() stays
// there and is what the box shows. Picture is the picture the box holds: ClearPicture() (the
// empty picture) also clears the surface to the back colour, SetPictureFromImage() makes the
// surface the picture (Picture = Image), SetPicture() puts a bitmap on a cleared surface.
class PictureBox : public Control {
public:
    ~PictureBox() override;
    void Create(Parent parent, long left, long top, long width, long height);
    void SetBackColor(COLORREF color);  // an RGB colour, or a system colour 0x800000nn
    COLORREF BackColor() const;         // as an RGB colour (the button face when never set)
    void SetSizingCursor(bool westEast); // the west-east arrow over the box
    // 0 none (as created), 1 a fixed single line around the box.
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int style);
    std::function<void(int button, int shift, long x, long y)> MouseDown, MouseMove, MouseUp;
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The surface's device context, made on first use at the box's client size (the box must
    // be created: else error 91). Drawing into it shows in the box at the next paint.
    HDC hDC();
    void ClearPicture();
    void SetPicture(HBITMAP bitmap);  // copied; the caller keeps its own
    void SetPictureFromImage();
    // The box holds a bitmap resource of the program (IDB_... of res/resource.h); false, and
    // the box holds no picture, when the program has no such bitmap.
    bool SetPictureFromResource(int bitmapId);
    // The current picture, owned by the box (null when it holds none).
    HBITMAP Picture() const { return picture_; }

private:
    void ReleaseSurface();
    void FillSurface();
    void DrawPicture();  // the picture at the surface's top-left corner
    HBRUSH brush_ = nullptr;
    COLORREF back_ = CLR_INVALID;
    bool westEast_ = false;
    int borderStyle_ = 0;
    HDC surface_ = nullptr;
    HBITMAP surfaceBitmap_ = nullptr;
    HGDIOBJ surfaceOld_ = nullptr;
    int surfaceWidth_ = 0, surfaceHeight_ = 0;
    HBITMAP picture_ = nullptr;
};

// Plays an AVI clip from a resource of the program.
class Animation : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height);
    bool Open(int aviResourceId);  // false when the resource cannot be opened
    void Play();
    void Stop();
};

// Status bar at the bottom of its form; panels numbered from 1.
class StatusBarPanel {
public:
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);

private:
    friend class StatusBar;
    class StatusBar* bar_ = nullptr;
    std::string text_;
    long width_ = 0;  // twips; 0 = takes the remaining width
    int index_ = 0;
};

class StatusBar : public Control {
public:
    void Create(Parent parent);
    // Adds a panel at the right end; widthTwips 0 makes it take the remaining width.
    StatusBarPanel& AddPanel(const std::string& text, long widthTwips);
    StatusBarPanel& Panel(long index);  // 1-based; 35600 out of range
    long PanelCount() const { return static_cast<long>(panels_.size()); }
    void Reposition();                   // follows the form's size (the form calls it)
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    friend class StatusBarPanel;
    void ApplyParts();
    std::vector<std::unique_ptr<StatusBarPanel>> panels_;
};

// Toolbar at the top of its form; buttons by key. A check-style button is already toggled
// when ButtonClick runs.
enum : int { tbrDefault = 0, tbrCheck = 1, tbrButtonGroup = 2, tbrSeparator = 3 };
enum : int { tbrUnpressed = 0, tbrPressed = 1 };

class ToolbarButton {
public:
    const std::string& Key() const { return key_; }
    bool Enabled() const;
    void SetEnabled(bool enabled);
    int Value() const;              // tbrUnpressed / tbrPressed
    void SetValue(int value);       // raises nothing
    const std::string& ToolTipText() const { return tip_; }
    void SetToolTipText(const std::string& tip) { tip_ = tip; }
    const ImageRef& Image() const { return image_; }
    long Index() const { return index_; }

private:
    friend class Toolbar;
    class Toolbar* bar_ = nullptr;
    std::string key_;
    std::string tip_;
    ImageRef image_;
    int style_ = tbrDefault;
    long index_ = 0;  // 1-based
    int id_ = 0;
};

class Toolbar : public Control {
public:
    void Create(Parent parent);
    void SetImageList(ImageList* images);  // before adding buttons
    ToolbarButton& Add(const std::string& key, const ImageRef& image, const std::string& toolTip,
                       int style = tbrDefault);
    ToolbarButton& Button(const std::string& key);  // 35601 when missing
    ToolbarButton& Button(long index);              // 1-based
    long Count() const { return static_cast<long>(buttons_.size()); }
    std::function<void(ToolbarButton& button)> ButtonClick;
    // Simulates a user's click on the button (toggling a check button first), for code and tests.
    void PressButton(const std::string& key);
    void Reposition();
    bool OnCommand(WORD code, WORD id, LRESULT& result) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroyed() override;
    bool OwnsCommand(WORD id) const;

private:
    friend class ToolbarButton;
    ToolbarButton* ById(int id);
    ImageList* images_ = nullptr;
    std::vector<std::unique_ptr<ToolbarButton>> buttons_;
    std::unordered_map<std::string, ToolbarButton*> byKey_;
    std::string tipBuffer_;
    std::wstring tipBufferWide_;  // the same text for a wide tooltip's request
};

// The tab container: a strip of tabs (numbered from 0) over a page area that is the form
// itself. Controls are assigned to pages; only the current page's controls show. Tab changes
// by the user's click or by SetTab; Click(previous) runs only when the tab really changes,
// never at creation. A disabled tab cannot be chosen by the user.
class TabContainer : public Control {
public:
    void Create(Parent parent, long left, long top, long width, long height);
    int AddTab(const std::string& caption);  // returns its index
    long Tabs() const;
    int Tab() const { return current_; }
    void SetTab(int index);                  // raises Click(previous) when it changes
    bool TabEnabled(int index) const;
    void SetTabEnabled(int index, bool enabled);
    std::string TabCaption(int index) const;
    void SetTabCaption(int index, const std::string& caption);
    void AddToPage(int index, Control& control);
    // The page holding that window (a page's control or a window inside one), or -1.
    int PageOf(HWND window) const;
    std::function<void(int previousTab)> Click;
    std::function<void(int keyCode, int shift)> KeyDown;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnDestroyed() override;

private:
    void ShowPage();
    int current_ = -1;
    std::vector<bool> enabled_;
    std::vector<std::vector<Control*>> pages_;
};

}  // namespace ui
