#include "base/ValueText.h"

#include <windows.h>

namespace ValueText {

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out(bytes.size() * 2, '0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[2 * i] = digits[b >> 4];
        out[2 * i + 1] = digits[b & 15];
    }
    return out;
}

namespace {
// The bytes as one unsigned number, the last byte the highest.
std::string Number(std::string_view bytes) {
    unsigned long long v = 0;
    for (size_t i = bytes.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
    return std::to_string(v);
}
}  // namespace

std::string Of(unsigned long type, std::string_view bytes) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return std::string(bytes.substr(0, bytes.find('\0')));
        case REG_DWORD:
            if (bytes.size() == 4) return Number(bytes);
            break;
        case REG_QWORD:
            if (bytes.size() == 8) return Number(bytes);
            break;
        case REG_MULTI_SZ: {
            std::string out;
            for (size_t start = 0; start < bytes.size();) {
                size_t end = bytes.find('\0', start);
                if (end == std::string_view::npos) end = bytes.size();
                if (end == start) break;
                if (!out.empty()) out += ' ';
                out.append(bytes.substr(start, end - start));
                start = end + 1;
            }
            return out;
        }
        default:
            break;
    }
    return Hex(bytes);
}

}  // namespace ValueText
