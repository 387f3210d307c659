#include "base/QV_Application.h"

#include "base/QV_Forms.h"

namespace QV_Application {

bool ActivateWindow(HWND window, const std::string& caption) {
    if (!window) window = FindWindowA(nullptr, caption.c_str());
    if (!window) return false;
    return QV_Forms::ForceForeground(window);
}

}  // namespace QV_Application
