#include "tests/support/RealInput.h"

#include <cctype>
#include <vector>

namespace RealInput {
namespace {
INPUT Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}
void Send(std::vector<INPUT>& in) {
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Sleep(50);
}
}  // namespace

void Chord(std::initializer_list<WORD> keys) {
    // In one go: Wine takes the modifier keys' state from the display when a window of the
    // program gets the display's focus, and would release a held Alt between two calls.
    std::vector<INPUT> in;
    for (WORD k : keys) in.push_back(Key(k, false));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) in.push_back(Key(*it, true));
    Send(in);
}

void Keys(std::initializer_list<WORD> keys) {
    for (WORD k : keys) Chord({k});
}

void Type(const std::string& text) {
    for (char c : text) Chord({static_cast<WORD>(std::toupper(static_cast<unsigned char>(c)))});
}

void Click(POINT at) {
    SetCursorPos(at.x, at.y);
    Sleep(50);
    std::vector<INPUT> in(2);
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send(in);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO g{};
    g.cbSize = sizeof g;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &g) ? g.hwndFocus : nullptr;
}

HWND ActiveOf(HWND window) {
    GUITHREADINFO g{};
    g.cbSize = sizeof g;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &g) ? g.hwndActive : nullptr;
}
std::string ClassOf(HWND window) {
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND window) {
    char buf[4096] = "";
    DWORD_PTR got = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &got);
    return buf;
}

}  // namespace RealInput
