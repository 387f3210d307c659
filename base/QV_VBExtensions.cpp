#include "base/QV_VBExtensions.h"

#include "base/TextCase.h"

namespace QV_VBExtensions {

bool IsDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool ContainsWord(const std::string& text, const std::string& word, bool ignoreCase) {
    if (text.empty() || word.empty()) return false;
    std::string t = ignoreCase ? TextCase::Lower(text) : text;
    std::string w = ignoreCase ? TextCase::Lower(word) : word;
    if (t == w) return true;
    for (const char* sep : {" ", "-", ","}) {
        if (t.find(sep + w) != std::string::npos || t.find(w + sep) != std::string::npos) return true;
    }
    return false;
}

long BoolToNum(bool value) {
    return value ? 1 : 0;
}

std::string BoolToText01(bool value) {
    return value ? "1" : "0";
}

}  // namespace QV_VBExtensions
