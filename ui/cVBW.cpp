#include "ui/cVBW.h"

#include <windows.h>

#include "base/TextCase.h"
#include "ui/Form.h"

Variant cVBW::MouseCursor(long cursorId) {
    HCURSOR c = LoadCursorA(nullptr, MAKEINTRESOURCEA(cursorId));
    if (c) SetCursor(c);
    return Variant();
}

Variant cVBW::PointM(const std::string& cursorFile) {
    HCURSOR c = LoadCursorFromFileA(cursorFile.c_str());
    if (c) SetCursor(c);
    return Variant();
}

bool cVBW::IsAppRunningTitled(const std::string& windowTitle) {
    try {
        return FindWindowA(nullptr, windowTitle.c_str()) != nullptr;
    } catch (...) {
        return false;
    }
}

bool cVBW::IsFormLoaded(const std::string& formName) {
    try {
        for (ui::Form* f : ui::Forms())
            if (TextCase::Equal(f->Name(), formName)) return true;
    } catch (...) {
    }
    return false;
}

bool cVBW::RunningFromIDE() {
    try {
        HWND ide = FindWindowA("ThunderMain", nullptr);
        if (!ide) return false;
        // Only a development window of this very process can be running this program: another
        // process's window may well share the instance value (the same image base).
        DWORD pid = 0;
        GetWindowThreadProcessId(ide, &pid);
        if (pid != GetCurrentProcessId()) return false;
        LONG_PTR inst = GetWindowLongPtrA(ide, GWLP_HINSTANCE);
        if (inst == 0 || ui::Forms().empty() || !ui::Forms().front()->hWnd()) return false;
        return inst == GetWindowLongPtrA(ui::Forms().front()->hWnd(), GWLP_HINSTANCE);
    } catch (...) {
        return false;
    }
}
