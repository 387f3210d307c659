#include "regsvr/frmMessage.h"

#include <windows.h>

#include "base/QV_Err.h"
#include "regsvr/Master.h"
#include "regsvr/QV_ErrHandler.h"
#include "VelmVersion.h"

void IconBox::SetPicture(ui::ImageList* images, const std::string& key) {
    images_ = images;
    key_ = key;
    if (hWnd()) InvalidateRect(hWnd(), nullptr, TRUE);
}

bool IconBox::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd(), &ps);
        FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
        if (images_) {
            const int index = images_->TryResolve(key_);
            if (index >= 0) ImageList_Draw(images_->Handle(), index, dc, 0, 0, ILD_NORMAL);
        }
        EndPaint(hWnd(), &ps);
        result = 0;
        return true;
    }
    return ui::PictureBox::OnOwnMessage(msg, wParam, lParam, result);
}

bool TabButton::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool tab = WantsTab && WantsTab();
    if (msg == WM_GETDLGCODE && tab) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_TAB) {
            result = DLGC_WANTTAB | DLGC_BUTTON | (IsDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
            return true;
        }
    }
    if (msg == WM_KEYDOWN && wParam == VK_TAB && tab) {
        if (KeyPress) KeyPress(9);
        result = 0;
        return true;
    }
    if (msg == WM_CHAR && wParam == '\t' && tab) {
        result = 0;
        return true;
    }
    return ui::CommandButton::OnOwnMessage(msg, wParam, lParam, result);
}

frmMessage::frmMessage()
    : Form("frmMessage", {.caption = "VelmRegSvr " VELM_VERSION_SHORT_TEXT, .width = 7200, .height = 3300, .border = 3,
                          .minButton = false, .maxButton = false, .centered = true}) {}

frmMessage& frmMessage::Instance() {
    static frmMessage form;
    return form;
}

void frmMessage::Form_Load() {
    if (iml1.Count() == 0) {
        iml1.Add("Information", LoadIconA(nullptr, MAKEINTRESOURCEA(32516)));  // IDI_INFORMATION
        iml1.Add("Exclamation", LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));  // IDI_EXCLAMATION
    }
    Frame1.Create(*this, 120, 60, 6840, 2055, "");
    pbxMessage.Create(Frame1, 240, 300, 480, 480);
    lblHeader.Create(Frame1, 900, 420, 5760, 300, "Component");
    tbxFilePath.Create(Frame1, 240, 900, 6360, 315, false, true);
    tbxMessage.Create(Frame1, 240, 1320, 6360, 615, true, true);
    cmdOK[0].Create(*this, 120, 2250, 1800, 375, "&View in Velmora");
    // Between the two buttons, in two lines: the text is wider than the room there in Tahoma and
    // in DejaVu Sans (the usual fallback of a Wine without Tahoma).
    lblView.Create(*this, 2040, 2235, 3600, 420, "(Switch to Velmora to view Component details)");
    cmdOK[1].Create(*this, 5760, 2250, 1200, 375, "&OK", true, true);
    cmdOK[0].Click = [this] { cmdOK_Click(0); };
    cmdOK[1].Click = [this] { cmdOK_Click(1); };
    cmdOK[0].WantsTab = [] { return true; };
    cmdOK[1].WantsTab = [this] { return !cmdOK[0].Enabled() || !cmdOK[0].Visible(); };
    cmdOK[0].KeyPress = [this](int key) { cmdOK_KeyPress(0, key); };
    cmdOK[1].KeyPress = [this](int key) { cmdOK_KeyPress(1, key); };
    cmdOK[0].SetEnabled(false);
    lblView.SetVisible(false);

    const cVelmServer& server = Master::VelmServer();
    tbxFilePath.SetText(server.FilePath);
    tbxMessage.SetText("");
    auto mq = Master::Mailbox();
    if (server.Operation == "R") {
        if (server.Operation_Succeeded) {
            if (mq && mq->IsMainAppRunning())
                lblView.SetVisible(true);
            else
                cmdOK[0].SetEnabled(true);
            lblHeader.SetCaption("Component registered successfully.");
            tbxMessage.SetText("");
            pbxMessage.SetPicture(&iml1, "Information");
        } else {
            lblHeader.SetCaption("Component registered NOT successfully!");
            tbxMessage.SetText(server.Operation_ErrMsg);
            pbxMessage.SetPicture(&iml1, "Exclamation");
        }
    } else if (server.Operation == "U") {
        cmdOK[0].SetVisible(false);
        if (server.Operation_Succeeded) {
            lblHeader.SetCaption("Component unregistered successfully.");
            pbxMessage.SetPicture(&iml1, "Information");
        } else {
            lblHeader.SetCaption("Component unregistered NOT successfully!");
            tbxMessage.SetText(server.Operation_ErrMsg);
            pbxMessage.SetPicture(&iml1, "Exclamation");
        }
    }
}

void frmMessage::Form_Activate() {
    SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void frmMessage::cmdOK_KeyPress(int index, int key) {
    if (key != 9) return;
    if (index == 0 || !cmdOK[0].Enabled() || !cmdOK[0].Visible()) cmdOK[1].SetFocus();
}

void frmMessage::cmdOK_Click(int index) {
    try {
        if (index == 1) {
            Unload();
            return;
        }
        const cVelmServer& server = Master::VelmServer();
        auto mq = Master::Mailbox();
        mq->ActionLetter(server.Operation);
        mq->ActionFilePath(server.FilePath);
        mq->ActionSucceeded(true);
        Master::StartMainProgram();
        Unload();
    } catch (const RunTimeError& e) {
        QV_Err::QV_ErrHandler(e.Number, e.Description, "frmMessage", "cmdOK_Click", "", 2, true);
    } catch (const std::exception& e) {
        QV_Err::QV_ErrHandler(-1, e.what(), "frmMessage", "cmdOK_Click", "", 2, true);
    }
}
