// Small language routines.
#pragma once
#include <string>

namespace QV_VBExtensions {

// True when the object reference (raw pointer, smart pointer) is not set.
template <class P>
bool IsNothing(const P& reference) {
    return !reference;
}
// True when every character is one of 0 to 9; true for "".
bool IsDigits(const std::string& text);
// True when both texts are non-empty and `text` equals `word` or contains it with a blank,
// "-" or "," directly before or after it. With `ignoreCase` both compare in lower case.
bool ContainsWord(const std::string& text, const std::string& word, bool ignoreCase);
// 1 for true, 0 for false.
long BoolToNum(bool value);
// "1" for true, "0" for false (the settings store's flag form).
std::string BoolToText01(bool value);

}  // namespace QV_VBExtensions
