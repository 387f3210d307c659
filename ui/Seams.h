// Seams for every modal or outside effect of the programs. Each is one function that
// tests replace to answer boxes and record what would have been shown or started.
#pragma once
#include <functional>
#include <string>

namespace ui {

// Message-box styles and results as the programs use them.
enum : int {
    vbOKOnly = 0, vbYesNo = 4, vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7
};

// The program's title: the caption of boxes shown without a title ("Velmora" unless a program sets it).
const std::string& AppTitle();
void SetAppTitle(const std::string& title);

// Shows a modal message box and returns the button pressed (vbOK, vbYes, vbNo, ...).
int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = "");

using MsgBoxHandler = std::function<int(const std::string& prompt, int style, const std::string& title)>;
// Replaces the message box for the life of the returned guard; the previous one comes back after it.
class MsgBoxOverride {
public:
    explicit MsgBoxOverride(MsgBoxHandler handler);
    ~MsgBoxOverride();
    MsgBoxOverride(const MsgBoxOverride&) = delete;
    MsgBoxOverride& operator=(const MsgBoxOverride&) = delete;
private:
    MsgBoxHandler previous_;
};

}  // namespace ui
