#include "base/TextCase.h"

#include <windows.h>

namespace {
// Lower- and upper-case tables of the ANSI code page, built once from CharLowerBuffA/CharUpperBuffA.
struct CaseTables {
    unsigned char lower[256];
    unsigned char upper[256];
    CaseTables() {
        char lo[256], up[256];
        for (int i = 0; i < 256; ++i) lo[i] = up[i] = static_cast<char>(i);
        CharLowerBuffA(lo + 1, 255);
        CharUpperBuffA(up + 1, 255);
        for (int i = 0; i < 256; ++i) {
            lower[i] = static_cast<unsigned char>(lo[i]);
            upper[i] = static_cast<unsigned char>(up[i]);
        }
    }
};
const CaseTables& Tables() {
    static const CaseTables tables;
    return tables;
}
}  // namespace

namespace TextCase {
char LowerChar(char c) { return static_cast<char>(Tables().lower[static_cast<unsigned char>(c)]); }

std::string Lower(std::string_view text) {
    const auto& t = Tables();
    std::string out(text);
    for (char& c : out) c = static_cast<char>(t.lower[static_cast<unsigned char>(c)]);
    return out;
}

std::string Upper(std::string_view text) {
    const auto& t = Tables();
    std::string out(text);
    for (char& c : out) c = static_cast<char>(t.upper[static_cast<unsigned char>(c)]);
    return out;
}

bool Equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto& t = Tables();
    for (size_t i = 0; i < a.size(); ++i)
        if (t.lower[static_cast<unsigned char>(a[i])] != t.lower[static_cast<unsigned char>(b[i])]) return false;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Equal(text.substr(0, prefix.size()), prefix);
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && Equal(text.substr(text.size() - suffix.size()), suffix);
}
}  // namespace TextCase
