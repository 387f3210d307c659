// A form with a tree, a list and a few controls for the toolkit's tests, and helpers that drive
// the real controls by messages.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "base/QV_Err.h"
#include "ui/ui.h"

// The number of the run-time error a call throws (0 when it throws none).
inline long ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunTimeError& e) {
        return e.Number;
    }
    return 0;
}

// Handles what is waiting in the queue, several rounds, so deferred events have run.
inline void Pump() {
    for (int i = 0; i < 5; ++i) ui::DoEvents();
}

// A click of the real control at a client point, as the system delivers it (posted press and
// release), then the queue handled.
inline void ClickAt(HWND h, POINT pt, bool right = false) {
    LPARAM at = MAKELPARAM(pt.x, pt.y);
    PostMessageA(h, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
    PostMessageA(h, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    Pump();
}

// The middle of a tree item's text.
inline POINT TreeItemPoint(HWND tree, HTREEITEM item) {
    RECT r{};
    TreeView_GetItemRect(tree, item, &r, TRUE);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The text of a real tree item.
inline std::string TreeItemText(HWND tree, HTREEITEM item) {
    char buf[512] = "";
    TVITEMA tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = sizeof buf;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return buf;
}

// The text of a real list row's column (0 = the row's own text).
inline std::string ListItemText(HWND list, int row, int column) {
    char buf[512] = "";
    LVITEMA it{};
    it.iSubItem = column;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return buf;
}

// The picture index the real list shows for a row (the control asks the list's model for it).
inline int ListItemImage(HWND list, int row) {
    LVITEMA it{};
    it.mask = LVIF_IMAGE;
    it.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    return it.iImage;
}

inline long TreeCount(HWND tree) { return static_cast<long>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)); }

// One form shared by the tests of a program: showing and closing windows costs the display
// server a round trip each, so the tests reuse it and empty its controls between them.
class TestForm;
TestForm& SharedForm();

class TestForm : public ui::Form {
public:
    TestForm() : Form("frmTest", {.caption = "Toolkit test", .width = 9000, .height = 7000}) {}
    ui::TreeView tvw;
    ui::ListView lsv;
    ui::ImageList iml{16, 16};

protected:
    void Form_Load() override {
        tvw.Create(*this, 0, 0, 4000, 5000);
        lsv.Create(*this, 4100, 0, 4500, 5000);
        iml.Clear();
        iml.Add("Folder", LoadIcon(nullptr, IDI_APPLICATION));
        iml.Add("Leaf", LoadIcon(nullptr, IDI_INFORMATION));
        tvw.SetImageList(&iml);
        lsv.SetSmallIcons(&iml);
    }
};

inline TestForm& SharedForm() {
    static TestForm* form = [] {
        auto* f = new TestForm;
        f->Show();
        Pump();
        return f;
    }();
    if (!form->IsLoaded()) form->Show();
    return *form;
}
