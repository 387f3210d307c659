// Closes a registry key opened through QV_Registry_Lib when the scope that opened it ends,
// so every early return of a reader leaves no key open.
#pragma once
#include <windows.h>

#include "base/QV_Registry_Lib.h"

namespace Tab_RegComp {

struct KeyCloser {
    HKEY h;
    ~KeyCloser() { QV_Registry_Lib::CloseKey(h, 0); }
};

}  // namespace Tab_RegComp
