// The registration server's result window: the outcome of a register or unregister for the
// file, the connector's error text on failure, and after a successful registration the
// offer to open Velmora at the new component.
#pragma once
#include <functional>

#include "ui/ui.h"

// The picture box that shows the outcome icon, drawn from the window's image list.
class IconBox : public ui::PictureBox {
public:
    void SetPicture(ui::ImageList* images, const std::string& key);
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    ui::ImageList* images_ = nullptr;
    std::string key_;
};

// A button of the window's pair that takes the Tab key itself when WantsTab says so, and
// reports it through KeyPress (key code 9).
class TabButton : public ui::CommandButton {
public:
    std::function<bool()> WantsTab;
    std::function<void(int key)> KeyPress;
    bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class frmMessage : public ui::Form {
public:
    frmMessage();
    // The program's one result window.
    static frmMessage& Instance();

    ui::Label lblHeader;
    IconBox pbxMessage;
    ui::ImageList iml1{32, 32};
    ui::Frame Frame1;
    ui::TextBox tbxFilePath;
    ui::TextBox tbxMessage;
    TabButton cmdOK[2];
    ui::Label lblView;

    void cmdOK_Click(int index);
    // Tab on the view button moves to OK; on OK it stays there while the view button cannot
    // take the focus.
    void cmdOK_KeyPress(int index, int key);

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
