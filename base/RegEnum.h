// Reading a key's sub-key names and values one by one: the one way the program enumerates the
// registry. The buffers are sized from the key's own counts, kept from key to key (a search
// reads many keys), and grown when an entry grew meanwhile (ERROR_MORE_DATA); names of any valid
// length are read whole, and an entry that cannot be read is passed over by the for-each forms.
//
//     RegEnum::Reader reader;
//     const RegEnum::Counts counts = RegEnum::CountsOf(key);
//     for (DWORD i = 0; i < counts.values; ++i) {
//         RegEnum::Value v;
//         const long rc = reader.ValueAt(key, i, true, v);
//         if (rc == ERROR_NO_MORE_ITEMS) break;
//         if (rc == 0) ... v.name, v.type, v.data ...
//     }
//     RegEnum::ForEachSubKey(key, [](const std::string& name) { ... });
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace RegEnum {

// Key names are at most 255 characters and value names 16383; their ANSI forms can take two
// bytes a character in a double-byte code page.
constexpr DWORD kKeyNameBytes = 2 * 256;
constexpr DWORD kValueNameBytes = 2 * 16384;
// Value data grows up to this size; no registry value is larger.
constexpr size_t kLargestData = 64u << 20;

// A key's numbers of sub-keys and values and its longest name and data, as the registry tells
// them. When it cannot tell, the counts are "until the end" and the lengths the largest.
struct Counts {
    DWORD subKeys = MAXDWORD, longestSubKey = kKeyNameBytes / 2;
    DWORD values = MAXDWORD, longestValueName = kValueNameBytes / 2, largestData = 0;
};
Counts CountsOf(HKEY key);

// One value as read; the views stay valid until the reader's next read.
struct Value {
    std::string_view name;
    DWORD type = 0;
    std::string_view data;  // empty when read without data
};

class Reader {
public:
    // Makes room for the names and data of a key of these counts.
    void Prepare(const Counts& counts, bool withData);
    // The sub-key name at `index`: 0, ERROR_NO_MORE_ITEMS or the registry's error.
    long SubKeyAt(HKEY key, DWORD index, std::string& name);
    // The value at `index`, with its data when asked: 0, ERROR_NO_MORE_ITEMS or the registry's error.
    long ValueAt(HKEY key, DWORD index, bool withData, Value& value);

private:
    std::vector<char> keyName_ = std::vector<char>(kKeyNameBytes);
    std::vector<char> valueName_ = std::vector<char>(256);
    std::vector<char> data_ = std::vector<char>(4096);
};

// Every readable sub-key name / value of the key, in the registry's order. The result is the
// registry's error of the last entry that could not be read (it was passed over), else 0.
long ForEachSubKey(HKEY key, const std::function<void(const std::string& name)>& visit);
long ForEachValue(HKEY key, bool withData, const std::function<void(const Value& value)>& visit);

}  // namespace RegEnum
