#include "ui/mTreeviewMacros_472.h"

namespace mTreeviewMacros_472 {

bool(TreeView_DeleteAllItems)(HWND tree) {
    // Some controls answer the message with success also when they held nothing; an empty tree
    // had nothing to delete.
    bool hadItems = SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 0;
    LRESULT r = SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    return r != 0 && hadItems;
}

}  // namespace mTreeviewMacros_472
