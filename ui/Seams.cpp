#include "ui/Seams.h"

#include <windows.h>

namespace ui {
namespace {
std::string& Title() {
    static std::string title = "Velmora";
    return title;
}

int RealMsgBox(const std::string& prompt, int style, const std::string& title) {
    HWND owner = GetActiveWindow();
    return MessageBoxA(owner, prompt.c_str(), title.c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

MsgBoxHandler& CurrentMsgBox() {
    static MsgBoxHandler handler = RealMsgBox;
    return handler;
}
}  // namespace

const std::string& AppTitle() { return Title(); }
void SetAppTitle(const std::string& title) { Title() = title; }

int MsgBox(const std::string& prompt, int style, const std::string& title) {
    return CurrentMsgBox()(prompt, style, title.empty() ? AppTitle() : title);
}

MsgBoxOverride::MsgBoxOverride(MsgBoxHandler handler) : previous_(std::move(CurrentMsgBox())) {
    CurrentMsgBox() = std::move(handler);
}
MsgBoxOverride::~MsgBoxOverride() { CurrentMsgBox() = std::move(previous_); }

}  // namespace ui
