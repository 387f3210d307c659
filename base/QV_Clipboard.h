// Clipboard text.
#pragma once
#include <string>

namespace QV_Clipboard {

// Empties the clipboard; nothing happens when it cannot be opened.
void ClearClipboard();
// Puts the text's ANSI bytes and one NUL on the clipboard as CF_TEXT.
void SetClipboardText(const std::string& text);

}  // namespace QV_Clipboard
