// Every window of the three programs shows its labels', buttons', frames' and column headers'
// whole texts under the system's dialog font, which is Tahoma: each text's extent, measured with
// the control's own font, is checked against the control's client area. The details lists' first column
// fits every row's label.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "VelmVersion.h"
#include "app/Form_Main.h"
#include "app/dlg_ArrangedByOptions.h"
#include "app/dlg_createShortCut.h"
#include "app/dlg_filedoesntexist.h"
#include "app/dlg_searching.h"
#include "app/dlg_tryingtoconnect.h"
#include "app/dlg_update_available.h"
#include "app/frmSplash.h"
#include "base/Variant.h"
#include "components/Reg_Unreg_Shortcut_Dialog.h"
#include "image/frmDepends.h"
#include "registry/colQVRegistry.h"
#include "registry/dlg_FindString.h"
#include "regsvr/frmMessage.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/RealInput.h"
#include "ui/DetailsRows.h"
#include "ui/ui.h"
#include "uninstall/dlg_hiddenAutostartEntries.h"
#include "uninstall/dlg_showAppPath.h"

namespace {

using RealInput::ClassOf;
using RealInput::TextOf;

// The size a text takes in the window's font; `width` > 0 wraps it at that width.
SIZE Extent(HWND w, const std::string& text, UINT flags, int width = 0) {
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return {r.right, r.bottom};
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

// The texts of one form (and of the windows on it) that do not fit, one line each.
std::vector<std::string> Overflows(ui::Form& form) {
    std::vector<std::string> out;
    std::vector<HWND> all;
    EnumChildWindows(form.hWnd(), CollectWindow, reinterpret_cast<LPARAM>(&all));
    auto report = [&](HWND w, const std::string& text, SIZE need, RECT have) {
        if (need.cx > have.right || need.cy > have.bottom)
            out.push_back(form.Name() + ": " + ClassOf(w) + " \"" + text + "\" needs " + std::to_string(need.cx) + "x" +
                          std::to_string(need.cy) + ", has " + std::to_string(have.right) + "x" +
                          std::to_string(have.bottom));
    };
    for (HWND w : all) {
        RECT client{};
        GetClientRect(w, &client);
        const std::string cls = ClassOf(w);
        const LONG style = GetWindowLongA(w, GWL_STYLE);
        if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            const std::string text = TextOf(w);
            if (text.empty()) continue;
            const UINT flags = DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            report(w, text, Extent(w, text, flags, client.right), client);
        } else if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            const std::string text = TextOf(w);
            if (text.empty()) continue;
            SIZE need = Extent(w, text, DT_SINGLELINE);
            const int type = style & BS_TYPEMASK;
            if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                need.cx += 8;  // the edges and the focus rectangle
                need.cy += 4;
            } else {
                need.cx += GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box and the gap to the text
            }
            report(w, text, need, client);
        } else if (lstrcmpiA(cls.c_str(), WC_LISTVIEWA) == 0 && (style & LVS_TYPEMASK) == LVS_REPORT) {
            HWND header = reinterpret_cast<HWND>(SendMessageA(w, LVM_GETHEADER, 0, 0));
            const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
            for (int c = 0; c < columns; ++c) {
                char buf[256] = "";
                LVCOLUMNA col{};
                col.mask = LVCF_TEXT | LVCF_WIDTH;
                col.pszText = buf;
                col.cchTextMax = sizeof buf;
                SendMessageA(w, LVM_GETCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
                const int need = static_cast<int>(SendMessageA(w, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(buf))) + 12;
                report(w, std::string("column ") + buf, {need, 0}, {0, 0, col.cx, 0});
            }
            // The first column fits each row's text beside its picture.
            const int rows = static_cast<int>(SendMessageA(w, LVM_GETITEMCOUNT, 0, 0));
            const int width = static_cast<int>(SendMessageA(w, LVM_GETCOLUMNWIDTH, 0, 0));
            for (int i = 0; i < rows && columns > 1; ++i) {
                char buf[512] = "";
                LVITEMA item{};
                item.iSubItem = 0;
                item.pszText = buf;
                item.cchTextMax = sizeof buf;
                SendMessageA(w, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
                RECT label{};
                label.left = LVIR_LABEL;
                SendMessageA(w, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&label));
                RECT bounds{};
                bounds.left = LVIR_BOUNDS;
                SendMessageA(w, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&bounds));
                const int textWidth = static_cast<int>(SendMessageA(w, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(buf)));
                // The label starts after the picture; the list leaves a few pixels on each side.
                const int need = (label.left - bounds.left) + textWidth + 12;
                report(w, std::string("row ") + buf, {need, 0}, {0, 0, width, 0});
            }
        }
    }
    // Frames draw their own captions.
    for (ui::Control* c : form.Controls())
        if (auto* frame = dynamic_cast<ui::Frame*>(c); frame && frame->hWnd() && !frame->Caption().empty()) {
            RECT client{};
            GetClientRect(frame->hWnd(), &client);
            SIZE need = Extent(frame->hWnd(), frame->Caption(), DT_SINGLELINE);
            need.cx += 8 + 4;  // drawn 8 pixels in, a little space before the line goes on
            client.bottom = need.cy;
            report(frame->hWnd(), frame->Caption(), need, client);
        }
    return out;
}

struct TextsFit : MainWindowFixture {};

// Loads the form, lets `prepare` put it into its fullest state, and collects its overflows.
void Walk(ui::Form& form, std::vector<std::string>& out, const std::function<void()>& prepare = {}) {
    form.Load();
    ASSERT_TRUE(form.IsLoaded()) << form.Name();
    if (prepare) prepare();
    for (const std::string& s : Overflows(form)) out.push_back(s);
    form.Unload();
}

}  // namespace

// The windows are laid out for the dialog font in Tahoma, as Windows draws it. The tools give
// every prefix Wine's own Tahoma, regular and bold (tools/wine-common); without it Wine draws in
// a fallback face (DejaVu Sans, wider), and this says so before any text is measured in it.
// GetTextFace answers the name asked for ("MS Shell Dlg") once it is substituted: the face
// drawn is named by the font file's own names.
TEST_F(TextsFit, TheDialogFontIsTahomaRegularAndBold) {
    LOGFONTA dialog{};
    ASSERT_NE(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof dialog, &dialog), 0);
    struct Case {
        LONG weight;
        const char* face;  // a bold that Wine makes from the regular face keeps the regular's name
    };
    for (const Case& c : {Case{FW_NORMAL, "Tahoma"}, Case{FW_BOLD, "Tahoma Bold"}}) {
        LOGFONTA lf = dialog;
        lf.lfWeight = c.weight;
        HFONT font = CreateFontIndirectA(&lf);
        ASSERT_NE(font, nullptr);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        std::string family, face;
        if (const UINT size = GetOutlineTextMetricsA(dc, 0, nullptr)) {
            std::vector<char> buf(size);
            auto* otm = reinterpret_cast<OUTLINETEXTMETRICA*>(buf.data());
            if (GetOutlineTextMetricsA(dc, size, otm)) {
                family = buf.data() + reinterpret_cast<UINT_PTR>(otm->otmpFamilyName);
                face = buf.data() + reinterpret_cast<UINT_PTR>(otm->otmpFaceName);
            }
        }
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
        if (family != "Tahoma")
            ADD_FAILURE() << "the dialog font (\"" << dialog.lfFaceName << "\", weight " << c.weight
                          << ") is drawn in \"" << face << "\", not in Tahoma: the prefix has no Tahoma (Wine's "
                          << "tahoma.ttf and tahomabd.ttf of fonts-wine belong in its windows\\Fonts)";
        else
            EXPECT_EQ(face, c.face) << "weight " << c.weight << " is made by Wine from another face of Tahoma";
    }
}

TEST_F(TextsFit, EveryFormShowsItsWholeTexts) {
    std::vector<std::string> overflows;

    // The main window: every tab's controls exist from the load; the details list holds the
    // rows of a file.
    Open();
    ASSERT_TRUE(frmMain().IsLoaded());
    char notepad[MAX_PATH] = "";
    GetSystemDirectoryA(notepad, MAX_PATH);
    const std::string file = std::string(notepad) + "\\notepad.exe";
    frmMain().lsvRegCompDetails.ListItems.Clear();
    DetailsRows::AddFileRows(frmMain().lsvRegCompDetails, file, file, true);
    frmMain().lsvSDDetails.ListItems.Clear();
    DetailsRows::AddFileRows(frmMain().lsvSDDetails, file, file, true,
                             {.calculatedKey = "File Location_calculated", .descriptionKey = "xDescription"});
    for (const std::string& s : Overflows(frmMain())) overflows.push_back(s);
    frmMain().Unload();

    Walk(SplashForm(), overflows, [] { SplashForm().Label1.SetCaption("(" VELM_VERSION_TEXT " " VELM_VERSION_BUILD_TEXT ")"); });
    { dlg_ArrangedByOptions f; Walk(f, overflows); }
    {
        dlg_createShortCut f;
        Walk(f, overflows, [&] {  // the shortcut notice and its button shown
            f.Label_Preex.SetVisible(true);
            f.Command3.SetVisible(true);
        });
    }
    { dlg_filedoesntexist f; Walk(f, overflows); }
    Walk(BusyBox(), overflows);
    Walk(TryingToConnect(), overflows);
    { dlg_update_available f; Walk(f, overflows); }
    {
        bool cancel = false;
        dlg_FindString f(colQVRegistry().Options(), cancel);
        Walk(f, overflows);
    }
    { dlg_hiddenAutostartEntries f; Walk(f, overflows); }
    {
        Variant custom("The install path of currently configured application exists !"), custom2("C:\\windows");
        dlg_showAppPath f(custom, custom2);
        Walk(f, overflows);
    }
    { Reg_Unreg_Shortcut_Dialog f; Walk(f, overflows); }
    {
        frmDepends f(true);
        Walk(f, overflows, [&] { f.lstFileVerShow("notepad.exe", file); });
    }
    {
        frmMessage& f = frmMessage::Instance();
        Walk(f, overflows, [&] { f.lblView.SetVisible(true); });
    }
    for (const std::string& s : overflows) ADD_FAILURE() << s;
}
