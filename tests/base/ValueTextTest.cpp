// The one text form of registry value data.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/ValueText.h"

namespace {

std::string Bytes(const char* s, size_t n) { return std::string(s, n); }

TEST(ValueText, EachTypeAndLengthHasOneText) {
    struct Case {
        unsigned long type;
        std::string bytes, text;
    };
    const Case cases[] = {
        // Texts end at their first NUL, stored or not, and are not expanded.
        {REG_SZ, Bytes("C:\\a b\0", 7), "C:\\a b"},
        {REG_SZ, "no NUL", "no NUL"},
        {REG_SZ, Bytes("a\0zz\0", 5), "a"},
        {REG_SZ, "", ""},
        {REG_EXPAND_SZ, Bytes("%SystemRoot%\\x\0", 15), "%SystemRoot%\\x"},
        // A DWORD is a number only at exactly 4 bytes, a QWORD at exactly 8.
        {REG_DWORD, Bytes("\x2a\0\0\0", 4), "42"},
        {REG_DWORD, "\xff\xff\xff\xff", "4294967295"},
        {REG_DWORD, Bytes("\x2a\0", 2), "2A00"},
        {REG_DWORD, Bytes("\x01\0\0\0\x02\0\0\0", 8), "0100000002000000"},
        {REG_DWORD, "", ""},
        {REG_QWORD, "\x08\x07\x06\x05\x04\x03\x02\x01", "72623859790382856"},
        {REG_QWORD, "\xff\xff\xff\xff\xff\xff\xff\xff", "18446744073709551615"},
        {REG_QWORD, Bytes("\x2a\0\0\0", 4), "2A000000"},
        // A multi-string's texts joined by blanks, up to the first empty one.
        {REG_MULTI_SZ, Bytes("one\0two\0\0", 9), "one two"},
        {REG_MULTI_SZ, Bytes("one\0two", 7), "one two"},
        {REG_MULTI_SZ, Bytes("one\0\0two\0\0", 10), "one"},
        {REG_MULTI_SZ, Bytes("\0", 1), ""},
        // Everything else: two upper-case hexadecimal digits a byte.
        {REG_BINARY, "\x0f\xa0\x01", "0FA001"},
        {REG_BINARY, "", ""},
        {REG_NONE, Bytes("\0\xff", 2), "00FF"},
        {REG_DWORD_BIG_ENDIAN, Bytes("\0\0\0\x2a", 4), "0000002A"},
        {REG_LINK, "ab", "6162"},
        {0x12345, "\x7f", "7F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text);
        EXPECT_EQ(ValueText::Of(c.type, c.bytes), c.text);
    }
    EXPECT_EQ(ValueText::Hex(Bytes("\0\x10\xab\xff", 4)), "0010ABFF");
}

}  // namespace
