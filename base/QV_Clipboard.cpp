#include "base/QV_Clipboard.h"

#include <windows.h>

#include <cstring>

namespace QV_Clipboard {

void ClearClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

void SetClipboardText(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    if (!block) return;
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return;
    }
    std::memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    // From here the clipboard owns the block.
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    CloseClipboard();
}

}  // namespace QV_Clipboard
