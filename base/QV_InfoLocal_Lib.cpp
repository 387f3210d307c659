#include "base/QV_InfoLocal_Lib.h"

#include <windows.h>

#include <cstring>

#include "base/TextCase.h"

namespace QV_InfoLocal_Lib {

std::string GetEnvironmentValue(const std::string& name) {
    if (name.empty()) return "";
    std::string result;
    LPCH block = GetEnvironmentStringsA();
    if (!block) return result;
    // Entries are "name=value" texts one after the other; an empty one ends the block.
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
        const char* eq = std::strchr(entry, '=');
        if (!eq) continue;
        if (TextCase::Equal(std::string_view(entry, eq - entry), name)) {
            result = eq + 1;
            break;
        }
    }
    FreeEnvironmentStringsA(block);
    return result;
}

}  // namespace QV_InfoLocal_Lib
