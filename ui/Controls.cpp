#include "ui/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "base/QV_Err.h"
#include "base/TextCase.h"
#include "base/WinText.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Internal.h"

namespace ui {
namespace {

std::string WindowText(HWND h) {
    if (!h) return "";
    int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

const char kPictureClass[] = "VelmPicture";

void EnsurePictureClass() {
    static bool done = [] {
        detail::RegisterFaceClass(kPictureClass, DefWindowProcA);
        return true;
    }();
    (void)done;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Label, TextBox, CommandButton, CheckBox

void Label::Create(Parent parent, long left, long top, long width, long height, const std::string& caption) {
    CreateWindowFor(parent, "STATIC", SS_LEFT | (Click ? SS_NOTIFY : 0), 0, caption, left, top, width, height);
}
std::string Label::Caption() const { return WindowText(hWnd()); }
void Label::SetCaption(const std::string& caption) {
    if (hWnd()) SetWindowTextA(hWnd(), caption.c_str());
}
bool Label::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == STN_CLICKED && Click) Click();
    return true;
}

void TextBox::Create(Parent parent, long left, long top, long width, long height, bool multiLine, bool readOnly) {
    DWORD style = WS_TABSTOP | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0);
    if (multiLine) style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN | (readOnly ? ES_READONLY : 0);
    CreateWindowFor(parent, "EDIT", style, WS_EX_CLIENTEDGE, "", left, top, width, height);
}
std::string TextBox::Text() const { return WindowText(hWnd()); }
void TextBox::SetText(const std::string& text) {
    if (hWnd()) SetWindowTextA(hWnd(), text.c_str());
}
void TextBox::SelectAll() {
    if (hWnd()) SendMessageA(hWnd(), EM_SETSEL, 0, -1);
}
bool TextBox::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == EN_CHANGE && Change) Change();
    return true;
}

void CommandButton::Create(Parent parent, long left, long top, long width, long height, const std::string& caption,
                           bool isDefault, bool isCancel) {
    default_ = isDefault;
    cancel_ = isCancel;
    CreateWindowFor(parent, "BUTTON", WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, caption, left,
                    top, width, height);
}
std::string CommandButton::Caption() const { return WindowText(hWnd()); }
void CommandButton::SetCaption(const std::string& caption) {
    if (hWnd()) SetWindowTextA(hWnd(), caption.c_str());
}
void CommandButton::DoClick() {
    if (Click) Click();
}
bool CommandButton::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == BN_CLICKED) DoClick();
    return true;
}
bool CommandButton::OnOwnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) {
    if ((msg != WM_SETFOCUS && msg != WM_KILLFOCUS) || !form_) return false;
    const bool focused = msg == WM_SETFOCUS;
    for (Control* c : form_->Controls())
        if (auto* b = dynamic_cast<CommandButton*>(c); b && b->hWnd() && b != this && b->default_)
            SendMessageA(b->hWnd(), BM_SETSTYLE, focused ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
    SendMessageA(hWnd(), BM_SETSTYLE, focused || default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    return false;
}

void CheckBox::Create(Parent parent, long left, long top, long width, long height, const std::string& caption) {
    CreateWindowFor(parent, "BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption, left, top, width, height);
}
int CheckBox::Value() const {
    return hWnd() && SendMessageA(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}
void CheckBox::SetValue(int value) {
    if (!hWnd()) return;
    int v = value ? 1 : 0;
    if (v == Value()) return;
    SendMessageA(hWnd(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    if (Click) Click();
}
bool CheckBox::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == BN_CLICKED && Click) Click();
    return true;
}

// ---------------------------------------------------------------------------------------------
// OptionButton

void OptionButton::Create(Parent parent, long left, long top, long width, long height, const std::string& caption,
                          int group) {
    group_ = group;
    CreateWindowFor(parent, "BUTTON", WS_TABSTOP | BS_RADIOBUTTON, 0, caption, left, top, width, height);
}
bool OptionButton::Value() const { return hWnd() && SendMessageA(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void OptionButton::SetValue(bool value) {
    if (!hWnd()) return;
    if (!value) {
        SendMessageA(hWnd(), BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    HWND parent = GetParent(hWnd());
    if (form_)
        for (Control* c : form_->Controls())
            if (auto* o = dynamic_cast<OptionButton*>(c))
                if (o != this && o->hWnd() && o->group_ == group_ && GetParent(o->hWnd()) == parent)
                    SendMessageA(o->hWnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(hWnd(), BM_SETCHECK, BST_CHECKED, 0);
    if (Click) Click();
}
bool OptionButton::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == BN_CLICKED) SetValue(true);
    return true;
}

// ---------------------------------------------------------------------------------------------
// ComboBox

void ComboBox::Create(Parent parent, long left, long top, long width, long dropHeight) {
    CreateWindowFor(parent, "COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, "", left, top, width, dropHeight);
}
void ComboBox::AddItem(const std::string& text) {
    if (hWnd()) SendMessageA(hWnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
void ComboBox::Clear() {
    if (hWnd()) SendMessageA(hWnd(), CB_RESETCONTENT, 0, 0);
}
long ComboBox::ListCount() const { return hWnd() ? static_cast<long>(SendMessageA(hWnd(), CB_GETCOUNT, 0, 0)) : 0; }
std::string ComboBox::List(long index) const {
    if (!hWnd() || index < 0 || index >= ListCount()) return "";
    LRESULT n = SendMessageA(hWnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    SendMessageA(hWnd(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return s;
}
long ComboBox::ListIndex() const { return hWnd() ? static_cast<long>(SendMessageA(hWnd(), CB_GETCURSEL, 0, 0)) : -1; }
void ComboBox::SetListIndex(long index) {
    if (!hWnd()) return;
    if (index < -1 || index >= ListCount()) QV_Err::Raise(380, "ComboBox");
    SendMessageA(hWnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (index >= 0 && Click) Click();
}
std::string ComboBox::Text() const { return List(ListIndex()); }
bool ComboBox::OnCommand(WORD code, WORD, LRESULT&) {
    if (code == CBN_SELCHANGE && Click) Click();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Frame, PictureBox, Animation

// A frame is a plain container (so its inside is painted and its controls report to it) that
// draws its group box and caption itself.
void Frame::Create(Parent parent, long left, long top, long width, long height, const std::string& caption) {
    EnsurePictureClass();
    caption_ = caption;
    CreateWindowFor(parent, kPictureClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, "", left, top, width, height);
}

std::string Frame::Caption() const { return caption_; }
void Frame::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (hWnd()) InvalidateRect(hWnd(), nullptr, TRUE);
}

bool Frame::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND:
            result = 1;  // painted whole in WM_PAINT
            return true;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hWnd(), &ps);
            RECT r;
            GetClientRect(hWnd(), &r);
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SIZE text{};
            GetTextExtentPoint32A(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text);
            RECT box = r;
            box.top += text.cy / 2;
            DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
            if (!caption_.empty()) {
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                SetTextColor(dc, GetSysColor(IsWindowEnabled(hWnd()) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
                SetBkMode(dc, OPAQUE);
                TextOutA(dc, 8, 0, caption_.c_str(), static_cast<int>(caption_.size()));
            }
            SelectObject(dc, oldFont);
            EndPaint(hWnd(), &ps);
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            result = detail::FaceColors(wParam, lParam);
            return true;
        default:
            return false;
    }
}

void PictureBox::Create(Parent parent, long left, long top, long width, long height) {
    EnsurePictureClass();
    CreateWindowFor(parent, kPictureClass, WS_CLIPCHILDREN | (borderStyle_ ? WS_BORDER : 0), 0, "", left, top, width,
                    height);
}

void PictureBox::SetBackColor(COLORREF color) {
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    back_ = (color & 0x80000000u) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
    brush_ = CreateSolidBrush(back_);
    if (hWnd()) InvalidateRect(hWnd(), nullptr, TRUE);
}

COLORREF PictureBox::BackColor() const { return back_ == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : back_; }

PictureBox::~PictureBox() {
    ReleaseSurface();
    if (picture_) DeleteObject(picture_);
    if (brush_) DeleteObject(brush_);
}

void PictureBox::ReleaseSurface() {
    if (surface_) {
        SelectObject(surface_, surfaceOld_);
        DeleteDC(surface_);
    }
    if (surfaceBitmap_) DeleteObject(surfaceBitmap_);
    surface_ = nullptr;
    surfaceBitmap_ = nullptr;
    surfaceOld_ = nullptr;
    surfaceWidth_ = surfaceHeight_ = 0;
}

void PictureBox::FillSurface() {
    RECT r{0, 0, surfaceWidth_, surfaceHeight_};
    HBRUSH b = CreateSolidBrush(BackColor());
    FillRect(surface_, &r, b);
    DeleteObject(b);
}

HDC PictureBox::hDC() {
    if (!hWnd()) QV_Err::Raise(91, "PictureBox");
    RECT r{};
    GetClientRect(hWnd(), &r);
    const int w = r.right > 0 ? r.right : 1, h = r.bottom > 0 ? r.bottom : 1;
    if (surface_ && w == surfaceWidth_ && h == surfaceHeight_) return surface_;
    // A new surface of the box's size keeps what the old one held.
    HDC screen = GetDC(hWnd());
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(hWnd(), screen);
    if (!dc || !bmp) {
        if (dc) DeleteDC(dc);
        if (bmp) DeleteObject(bmp);
        QV_Err::Raise(7, "PictureBox");
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    HDC previous = surface_;
    const int pw = surfaceWidth_, ph = surfaceHeight_;
    HBITMAP previousBitmap = surfaceBitmap_;
    HGDIOBJ previousOld = surfaceOld_;
    surface_ = dc, surfaceBitmap_ = bmp, surfaceOld_ = old, surfaceWidth_ = w, surfaceHeight_ = h;
    FillSurface();
    if (previous) {
        BitBlt(surface_, 0, 0, pw, ph, previous, 0, 0, SRCCOPY);
        SelectObject(previous, previousOld);
        DeleteDC(previous);
        DeleteObject(previousBitmap);
    } else {
        DrawPicture();
    }
    return surface_;
}

void PictureBox::DrawPicture() {
    if (!surface_ || !picture_) return;
    HDC src = CreateCompatibleDC(surface_);
    HGDIOBJ o = SelectObject(src, picture_);
    BITMAP bm{};
    GetObject(picture_, sizeof bm, &bm);
    BitBlt(surface_, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
    SelectObject(src, o);
    DeleteDC(src);
}

void PictureBox::ClearPicture() {
    if (picture_) DeleteObject(picture_);
    picture_ = nullptr;
    if (surface_) FillSurface();
    if (hWnd()) InvalidateRect(hWnd(), nullptr, TRUE);
}

void PictureBox::SetPicture(HBITMAP bitmap) {
    ClearPicture();
    if (!bitmap) return;
    picture_ = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
    if (!picture_ || !hWnd()) return;
    if (surface_) DrawPicture();
    else hDC();  // a new surface shows the picture
}

void PictureBox::SetPictureFromImage() {
    HDC dc = hDC();
    HBITMAP copy = CreateCompatibleBitmap(dc, surfaceWidth_, surfaceHeight_);
    if (!copy) QV_Err::Raise(7, "PictureBox");
    HDC to = CreateCompatibleDC(dc);
    HGDIOBJ o = SelectObject(to, copy);
    BitBlt(to, 0, 0, surfaceWidth_, surfaceHeight_, dc, 0, 0, SRCCOPY);
    SelectObject(to, o);
    DeleteDC(to);
    if (picture_) DeleteObject(picture_);
    picture_ = copy;
    InvalidateRect(hWnd(), nullptr, FALSE);
}

void PictureBox::SetSizingCursor(bool westEast) { westEast_ = westEast; }

void PictureBox::SetBorderStyle(int style) {
    borderStyle_ = style == 1 ? 1 : 0;
    if (!hWnd()) return;
    LONG_PTR s = GetWindowLongPtrA(hWnd(), GWL_STYLE);
    s = borderStyle_ ? (s | WS_BORDER) : (s & ~static_cast<LONG_PTR>(WS_BORDER));
    SetWindowLongPtrA(hWnd(), GWL_STYLE, s);
    SetWindowPos(hWnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool PictureBox::SetPictureFromResource(int bitmapId) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(detail::Instance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SetPicture(bitmap);
    if (bitmap) DeleteObject(bitmap);
    return picture_ != nullptr;
}

bool PictureBox::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    auto buttons = [](WPARAM w) {
        return ((w & MK_LBUTTON) ? vbLeftButton : 0) | ((w & MK_RBUTTON) ? vbRightButton : 0) |
               ((w & MK_MBUTTON) ? vbMiddleButton : 0);
    };
    long x = detail::ToTwipsX(GET_X_LPARAM(lParam)), y = detail::ToTwipsY(GET_Y_LPARAM(lParam));
    int shift = static_cast<int>(ShiftState());
    switch (msg) {
        case WM_ERASEBKGND: {
            if (!brush_) return false;
            RECT r;
            GetClientRect(hWnd(), &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, brush_);
            result = 1;
            return true;
        }
        case WM_SETCURSOR:
            if (!westEast_) return false;
            SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
            result = TRUE;
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            SetCapture(hWnd());
            int button = msg == WM_LBUTTONDOWN ? vbLeftButton : vbRightButton;
            if (MouseDown) MouseDown(button, shift, x, y);
            return true;
        }
        case WM_MOUSEMOVE:
            if (MouseMove) MouseMove(buttons(wParam), shift, x, y);
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            int button = msg == WM_LBUTTONUP ? vbLeftButton : vbRightButton;
            if (!(wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == hWnd()) ReleaseCapture();
            if (MouseUp) MouseUp(button, shift, x, y);
            return true;
        }
        case WM_PAINT: {
            if (!surface_) return false;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hWnd(), &ps);
            BitBlt(dc, 0, 0, surfaceWidth_, surfaceHeight_, surface_, 0, 0, SRCCOPY);
            EndPaint(hWnd(), &ps);
            return true;
        }
        case WM_NCDESTROY:
            if (brush_) DeleteObject(brush_);
            brush_ = nullptr;
            ReleaseSurface();
            return false;
        default:
            return false;
    }
}

void Animation::Create(Parent parent, long left, long top, long width, long height) {
    CreateWindowFor(parent, ANIMATE_CLASSA, ACS_CENTER | ACS_TRANSPARENT, 0, "", left, top, width, height);
}
bool Animation::Open(int aviResourceId) {
    if (!hWnd()) return false;
    return SendMessageA(hWnd(), ACM_OPENA, reinterpret_cast<WPARAM>(detail::Instance()),
                        reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(aviResourceId))) != 0;
}
void Animation::Play() {
    if (hWnd()) SendMessageA(hWnd(), ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
}
void Animation::Stop() {
    if (hWnd()) SendMessageA(hWnd(), ACM_STOP, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// StatusBar

void StatusBarPanel::SetText(const std::string& text) {
    text_ = text;
    if (bar_ && bar_->hWnd())
        SendMessageA(bar_->hWnd(), SB_SETTEXTA, static_cast<WPARAM>(index_ - 1), reinterpret_cast<LPARAM>(text_.c_str()));
}

void StatusBar::Create(Parent parent) {
    panels_.clear();
    CreateWindowFor(parent, STATUSCLASSNAMEA, SBARS_SIZEGRIP, 0, "", 0, 0, 0, 0);
}

StatusBarPanel& StatusBar::AddPanel(const std::string& text, long widthTwips) {
    auto p = std::make_unique<StatusBarPanel>();
    p->bar_ = this;
    p->text_ = text;
    p->width_ = widthTwips;
    p->index_ = static_cast<int>(panels_.size()) + 1;
    panels_.push_back(std::move(p));
    ApplyParts();
    for (auto& q : panels_) q->SetText(q->text_);
    return *panels_.back();
}

StatusBarPanel& StatusBar::Panel(long index) {
    if (index < 1 || index > PanelCount()) QV_Err::Raise(35600, "StatusBar");
    return *panels_[static_cast<size_t>(index - 1)];
}

void StatusBar::ApplyParts() {
    if (!hWnd() || panels_.empty()) return;
    RECT r;
    GetClientRect(hWnd(), &r);
    int fixed = 0, springs = 0;
    for (auto& p : panels_) {
        if (p->width_ > 0) fixed += detail::ToPixelsX(p->width_);
        else ++springs;
    }
    int spare = std::max(0, static_cast<int>(r.right) - fixed);
    std::vector<int> edges;
    int x = 0;
    for (auto& p : panels_) {
        x += p->width_ > 0 ? detail::ToPixelsX(p->width_) : spare / std::max(1, springs);
        edges.push_back(x);
    }
    edges.back() = -1;
    SendMessageA(hWnd(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::Reposition() {
    if (!hWnd()) return;
    SendMessageA(hWnd(), WM_SIZE, 0, 0);
    ApplyParts();
}

bool StatusBar::OnOwnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// ---------------------------------------------------------------------------------------------
// Toolbar

namespace {
const int kFirstButtonId = 0x7100;
}

bool ToolbarButton::Enabled() const {
    return bar_ && bar_->hWnd() && SendMessageA(bar_->hWnd(), TB_ISBUTTONENABLED, static_cast<WPARAM>(id_), 0) != 0;
}
void ToolbarButton::SetEnabled(bool enabled) {
    if (bar_ && bar_->hWnd()) SendMessageA(bar_->hWnd(), TB_ENABLEBUTTON, static_cast<WPARAM>(id_), MAKELPARAM(enabled, 0));
}
int ToolbarButton::Value() const {
    return bar_ && bar_->hWnd() && SendMessageA(bar_->hWnd(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(id_), 0)
               ? tbrPressed
               : tbrUnpressed;
}
void ToolbarButton::SetValue(int value) {
    if (bar_ && bar_->hWnd())
        SendMessageA(bar_->hWnd(), TB_CHECKBUTTON, static_cast<WPARAM>(id_), MAKELPARAM(value == tbrPressed, 0));
}

void Toolbar::Create(Parent parent) {
    buttons_.clear();
    byKey_.clear();
    images_ = nullptr;
    CreateWindowFor(parent, TOOLBARCLASSNAMEA, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, "", 0, 0, 0, 0);
    SendMessageA(hWnd(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
}

void Toolbar::OnDestroyed() {
    buttons_.clear();
    byKey_.clear();
    images_ = nullptr;
}

void Toolbar::SetImageList(ImageList* images) {
    images_ = images;
    if (!hWnd()) return;
    if (images) SendMessageA(hWnd(), TB_SETBITMAPSIZE, 0, MAKELPARAM(images->ImageWidth(), images->ImageHeight()));
    SendMessageA(hWnd(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
    Reposition();
}

ToolbarButton& Toolbar::Add(const std::string& key, const ImageRef& image, const std::string& toolTip, int style) {
    if (!hWnd()) QV_Err::Raise(91, "Toolbar");
    std::string folded = TextCase::Lower(key);
    if (!key.empty() && byKey_.count(folded)) QV_Err::Raise(35602, "Toolbar");
    int picture = images_ && !image.IsNone() ? images_->Resolve(image) : I_IMAGENONE;
    auto b = std::make_unique<ToolbarButton>();
    b->bar_ = this;
    b->key_ = key;
    b->tip_ = toolTip;
    b->image_ = image;
    b->style_ = style;
    b->index_ = Count() + 1;
    b->id_ = kFirstButtonId + static_cast<int>(buttons_.size());
    TBBUTTON tb{};
    tb.iBitmap = style == tbrSeparator ? 0 : picture;
    tb.idCommand = b->id_;
    tb.fsState = TBSTATE_ENABLED;
    tb.fsStyle = style == tbrSeparator ? BTNS_SEP
                 : style == tbrCheck   ? BTNS_CHECK
                 : style == tbrButtonGroup ? (BTNS_CHECK | BTNS_GROUP)
                                       : BTNS_BUTTON;
    SendMessageA(hWnd(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tb));
    if (!key.empty()) byKey_[folded] = b.get();
    buttons_.push_back(std::move(b));
    Reposition();
    return *buttons_.back();
}

ToolbarButton& Toolbar::Button(const std::string& key) {
    auto it = byKey_.find(TextCase::Lower(key));
    if (it == byKey_.end()) QV_Err::Raise(35601, "Toolbar");
    return *it->second;
}

ToolbarButton& Toolbar::Button(long index) {
    if (index < 1 || index > Count()) QV_Err::Raise(35600, "Toolbar");
    return *buttons_[static_cast<size_t>(index - 1)];
}

ToolbarButton* Toolbar::ById(int id) {
    int i = id - kFirstButtonId;
    if (i < 0 || i >= static_cast<int>(buttons_.size())) return nullptr;
    return buttons_[static_cast<size_t>(i)].get();
}

bool Toolbar::OwnsCommand(WORD id) const {
    int i = static_cast<int>(id) - kFirstButtonId;
    return i >= 0 && i < static_cast<int>(buttons_.size());
}

void Toolbar::PressButton(const std::string& key) {
    ToolbarButton& b = Button(key);
    if (!b.Enabled()) return;
    if (b.style_ == tbrCheck || b.style_ == tbrButtonGroup) b.SetValue(b.Value() == tbrPressed ? tbrUnpressed : tbrPressed);
    if (ButtonClick) ButtonClick(b);
}

void Toolbar::Reposition() {
    if (hWnd()) SendMessageA(hWnd(), TB_AUTOSIZE, 0, 0);
}

bool Toolbar::OnCommand(WORD, WORD id, LRESULT&) {
    if (ToolbarButton* b = ById(id))
        if (ButtonClick) ButtonClick(*b);
    return true;
}

bool Toolbar::OnNotify(NMHDR* hdr, LRESULT&) {
    if (hdr->code == TTN_GETDISPINFOA || hdr->code == TTN_GETDISPINFOW) {
        ToolbarButton* b = ById(static_cast<int>(hdr->idFrom));
        if (!b || !hWnd()) return false;
        // Only the tooltips of this toolbar.
        HWND tips = reinterpret_cast<HWND>(SendMessageA(hWnd(), TB_GETTOOLTIPS, 0, 0));
        if (tips && hdr->hwndFrom != tips) return false;
        tipBuffer_ = b->tip_;
        if (hdr->code == TTN_GETDISPINFOA) {
            auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
            di->lpszText = const_cast<char*>(tipBuffer_.c_str());
            di->hinst = nullptr;
        } else {
            tipBufferWide_ = WinText::Wide(tipBuffer_);
            auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
            di->lpszText = tipBufferWide_.data();
            di->hinst = nullptr;
        }
        return true;
    }
    return false;
}

bool Toolbar::OnOwnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// ---------------------------------------------------------------------------------------------
// TabContainer

void TabContainer::Create(Parent parent, long left, long top, long width, long height) {
    current_ = -1;
    enabled_.clear();
    pages_.clear();
    CreateWindowFor(parent, WC_TABCONTROLA, WS_TABSTOP | TCS_TABS, 0, "", left, top, width, height);
}

void TabContainer::OnDestroyed() {
    current_ = -1;
    enabled_.clear();
    pages_.clear();
}

int TabContainer::AddTab(const std::string& caption) {
    if (!hWnd()) QV_Err::Raise(91, "SSTab");
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = caption;
    item.pszText = text.data();
    int index = static_cast<int>(enabled_.size());
    SendMessageA(hWnd(), TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    enabled_.push_back(true);
    pages_.emplace_back();
    if (current_ < 0) {
        current_ = 0;  // the first tab is current from the start, without a Click
        SendMessageA(hWnd(), TCM_SETCURSEL, 0, 0);
    }
    return index;
}

long TabContainer::Tabs() const { return static_cast<long>(enabled_.size()); }

void TabContainer::SetTab(int index) {
    if (index < 0 || index >= Tabs()) QV_Err::Raise(380, "SSTab");
    if (index == current_) return;
    int previous = current_;
    current_ = index;
    SendMessageA(hWnd(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowPage();
    if (Click) Click(previous);
}

bool TabContainer::TabEnabled(int index) const {
    return index >= 0 && index < Tabs() && enabled_[static_cast<size_t>(index)];
}

void TabContainer::SetTabEnabled(int index, bool enabled) {
    if (index < 0 || index >= Tabs()) QV_Err::Raise(380, "SSTab");
    enabled_[static_cast<size_t>(index)] = enabled;
    // The strip has no disabled look: the tab is drawn like the others (its highlight cleared).
    // A user's choice of a disabled tab is undone in TCN_SELCHANGE; SetTab from code still selects it.
    SendMessageA(hWnd(), TCM_HIGHLIGHTITEM, static_cast<WPARAM>(index), MAKELPARAM(FALSE, 0));
}

std::string TabContainer::TabCaption(int index) const {
    if (index < 0 || index >= Tabs()) return "";
    char buf[256] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(hWnd(), TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return buf;
}

void TabContainer::SetTabCaption(int index, const std::string& caption) {
    if (index < 0 || index >= Tabs()) QV_Err::Raise(380, "SSTab");
    std::string text = caption;
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(hWnd(), TCM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void TabContainer::AddToPage(int index, Control& control) {
    if (index < 0 || index >= Tabs()) QV_Err::Raise(380, "SSTab");
    for (auto& page : pages_) page.erase(std::remove(page.begin(), page.end(), &control), page.end());
    pages_[static_cast<size_t>(index)].push_back(&control);
    control.SetPageVisible(index == current_);
}

int TabContainer::PageOf(HWND window) const {
    for (HWND w = window; w && w != GetParent(hWnd()); w = GetParent(w))
        for (size_t p = 0; p < pages_.size(); ++p)
            for (const Control* c : pages_[p])
                if (c->hWnd() == w) return static_cast<int>(p);
    return -1;
}

void TabContainer::ShowPage() {
    // Hide the old page's controls first, then show the new page's.
    for (size_t p = 0; p < pages_.size(); ++p)
        if (static_cast<int>(p) != current_)
            for (Control* c : pages_[p]) c->SetPageVisible(false);
    if (current_ >= 0)
        for (Control* c : pages_[static_cast<size_t>(current_)]) c->SetPageVisible(true);
}

bool TabContainer::OnNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case TCN_SELCHANGING: {
            result = FALSE;
            return true;
        }
        case TCN_SELCHANGE: {
            int chosen = static_cast<int>(SendMessageA(hWnd(), TCM_GETCURSEL, 0, 0));
            if (chosen < 0 || chosen >= Tabs() || chosen == current_) return true;
            if (!enabled_[static_cast<size_t>(chosen)]) {
                SendMessageA(hWnd(), TCM_SETCURSEL, static_cast<WPARAM>(current_), 0);
                return true;
            }
            int previous = current_;
            current_ = chosen;
            ShowPage();
            if (Click) Click(previous);
            return true;
        }
        case TCN_KEYDOWN: {
            auto* kd = reinterpret_cast<NMTCKEYDOWN*>(hdr);
            if (KeyDown) KeyDown(kd->wVKey, static_cast<int>(ShiftState()));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace ui
