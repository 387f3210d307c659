// The text a registry value's data is shown as, the same in every list and search of the
// programs: the values lists, the registry search's data match, the autostart dialog and the
// uninstall scan.
//
//     ValueText::Of(REG_DWORD, std::string("\x2a\0\0\0", 4))   -> "42"
//     ValueText::Of(REG_MULTI_SZ, std::string("a\0b\0\0", 5))  -> "a b"
//     ValueText::Hex("\x0f\xa0")                               -> "0FA0"
#pragma once
#include <string>
#include <string_view>

namespace ValueText {

// Two upper-case hexadecimal digits a byte, in the bytes' order.
std::string Hex(std::string_view bytes);

// The data of a value of `type` as text:
// - REG_SZ and REG_EXPAND_SZ: the text up to its first NUL (not expanded);
// - REG_DWORD of exactly 4 bytes, REG_QWORD of exactly 8: the unsigned decimal number (lowest
//   byte first);
// - REG_MULTI_SZ: its texts joined by single blanks, up to the first empty one (the closing NUL);
// - anything else, and a DWORD or QWORD of another length: Hex of the bytes.
std::string Of(unsigned long type, std::string_view bytes);

}  // namespace ValueText
