// Keys and clicks as a user gives them: real input through the window system (SendInput),
// delivered to whatever window has the focus, in whichever process it is.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

namespace RealInput {
// Presses the keys in order and releases them in reverse (a chord: {VK_MENU, 'F'} is Alt+F).
void Chord(std::initializer_list<WORD> keys);
// One key after another, each pressed and released.
void Keys(std::initializer_list<WORD> keys);
// Types letters, digits and blanks.
void Type(const std::string& text);
// A left click at a point of the screen.
void Click(POINT at);
// The window that has the keyboard focus in the thread of `window` (GetGUIThreadInfo).
HWND FocusOf(HWND window);
// The active window in the thread of `window`.
HWND ActiveOf(HWND window);
// A window's class name.
std::string ClassOf(HWND window);
// A window's text as the window itself answers (a text box's typed text included), in whichever
// process it is; "" when it does not answer within 5 seconds.
std::string TextOf(HWND window);
}  // namespace RealInput
