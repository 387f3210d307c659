#include "ui/cVBW.h"

#include <windows.h>

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
    return FindWindowA(nullptr, windowTitle.c_str()) != nullptr;
}

bool cVBW::IsFormLoaded(const std::string& formName) { return ui::FindForm(formName) != nullptr; }

bool cVBW::RunningFromIDE() {
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
}
