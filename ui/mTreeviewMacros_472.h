// Emptying a tree view through its window message: one TVM_DELETEITEM for TVI_ROOT removes
// every item at once. The keyed model of a ui::TreeView notices and drops its key index.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace mTreeviewMacros_472 {
// True when the control reported that it deleted something (false on an empty tree).
// commctrl.h has a function-like macro of the same name, left as it is for every other
// includer: the name is written in parentheses here and at each call, where no macro expands:
//     (mTreeviewMacros_472::TreeView_DeleteAllItems)(tree.hWnd());
bool(TreeView_DeleteAllItems)(HWND tree);
}  // namespace mTreeviewMacros_472
