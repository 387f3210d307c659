// Emptying a tree view through its window message: one TVM_DELETEITEM for TVI_ROOT removes
// every item at once. The keyed model of a ui::TreeView notices and drops its key index.
#pragma once
#include <windows.h>
#include <commctrl.h>

// commctrl.h has a macro of the same name; the module's own function replaces it.
#undef TreeView_DeleteAllItems

namespace mTreeviewMacros_472 {
// True when the control reported that it deleted something (false on an empty tree).
bool TreeView_DeleteAllItems(HWND tree);
}  // namespace mTreeviewMacros_472
