// Reading a key's sub-key names and values one by one: the one way the program enumerates the
// registry. The buffers are sized from the key's own counts, kept from key to key (a search
// reads many keys), and grown when an entry grew meanwhile (ERROR_MORE_DATA); names of any valid
// length are read whole. The narrow reader gives the names and texts of the ANSI code page; the
// wide one the exact names and data, for copies and deletions that must not change a name.
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
//     RegEnum::ForEachValueW(key, [](const RegEnum::WideValue& v) { ... }, RegEnum::OnFailure::Stop);
//
// Every walk by index, of the registry or of the installer's lists read the same way, goes
// through EachEntry and so follows one rule for entries that cannot be read.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace RegEnum {

// Key names are at most 255 characters and value names 16383; their ANSI forms can take two
// bytes a character in a double-byte code page.
constexpr DWORD kKeyNameBytes = 2 * 256;
constexpr DWORD kValueNameBytes = 2 * 16384;
// Value data grows up to this size; no registry value is larger.
constexpr size_t kLargestData = 64u << 20;

// A walk passes over an entry it cannot read and goes on with the next one. A source that
// answers nothing but errors (a key deleted or closed under the walk, a broken store) would
// never report its end: after this many failures in a row the walk takes it as unreadable.
constexpr int kMaxFailuresInARow = 1000;

// What a walk does with an entry it cannot read: pass over it (lists and searches show what can
// be read), or stop and report it (a copy or a deletion that must see every entry).
enum class OnFailure { PassOver, Stop };

// A key's numbers of sub-keys and values and its longest name and data, as the registry tells
// them. When it cannot tell, the counts are "until the end" and the lengths the largest.
struct Counts {
    DWORD subKeys = MAXDWORD, longestSubKey = kKeyNameBytes / 2;
    DWORD values = MAXDWORD, longestValueName = kValueNameBytes / 2, largestData = 0;
};
Counts CountsOf(HKEY key);

// One value as read; the views stay valid until the reader's next read.
template <class Char>
struct BasicValue {
    std::basic_string_view<Char> name;
    DWORD type = 0;
    std::string_view data;  // the bytes; empty when read without data
    DWORD index = 0;        // its index in the key's enumeration
};
using Value = BasicValue<char>;
using WideValue = BasicValue<wchar_t>;

template <class Char>
class BasicReader {
public:
    // Makes room for the names and data of a key of these counts.
    void Prepare(const Counts& counts, bool withData);
    // The sub-key name at `index`: 0, ERROR_NO_MORE_ITEMS or the registry's error.
    long SubKeyAt(HKEY key, DWORD index, std::basic_string<Char>& name);
    // The value at `index`, with its data when asked: 0, ERROR_NO_MORE_ITEMS or the registry's error.
    long ValueAt(HKEY key, DWORD index, bool withData, BasicValue<Char>& value);

private:
    // The room a name of the longest valid length takes, in this reader's characters.
    static constexpr size_t kKeyNameRoom = sizeof(Char) == 1 ? kKeyNameBytes : kKeyNameBytes / 2;
    static constexpr size_t kValueNameRoom = sizeof(Char) == 1 ? kValueNameBytes : kValueNameBytes / 2;
    std::vector<Char> keyName_ = std::vector<Char>(kKeyNameRoom);
    std::vector<Char> valueName_ = std::vector<Char>(256);
    std::vector<char> data_ = std::vector<char>(4096);
};
using Reader = BasicReader<char>;
using WideReader = BasicReader<wchar_t>;

// Reads entries 0, 1, ... through `read(i)` until it reports the end (ERROR_NO_MORE_ITEMS) or
// `count` were read (MAXDWORD: until the end), calling `visit(i)` for each one read; a visit that
// returns false ends the walk. An entry that cannot be read is passed over (OnFailure::PassOver,
// the walk ending after kMaxFailuresInARow in a row) or ends the walk (OnFailure::Stop).
// Result: the error of the last entry passed over, or the one that stopped the walk; else 0.
template <class Read, class Visit>
long EachEntry(DWORD count, Read read, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    long failed = 0;
    int inARow = 0;
    for (DWORD i = 0; i < count; ++i) {
        const long rc = static_cast<long>(read(i));
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) {
            failed = rc;
            if (onFailure == OnFailure::Stop || ++inARow >= kMaxFailuresInARow) break;
            continue;
        }
        inARow = 0;
        if constexpr (std::is_same_v<decltype(visit(i)), bool>) {
            if (!visit(i)) break;
        } else {
            visit(i);
        }
    }
    return failed;
}

// Every sub-key name / value of the key, in the registry's order, read as EachEntry reads
// (`visit` may return false to end the walk). The result is EachEntry's.
template <class Char, class Visit>
long ForEachSubKeyOf(HKEY key, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    const Counts counts = CountsOf(key);
    BasicReader<Char> reader;
    reader.Prepare(counts, false);
    std::basic_string<Char> name;
    return EachEntry(
        counts.subKeys, [&](DWORD i) { return reader.SubKeyAt(key, i, name); },
        [&](DWORD) { return visit(std::as_const(name)); }, onFailure);
}
template <class Char, class Visit>
long ForEachValueOf(HKEY key, bool withData, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    const Counts counts = CountsOf(key);
    BasicReader<Char> reader;
    reader.Prepare(counts, withData);
    BasicValue<Char> value;
    return EachEntry(
        counts.values, [&](DWORD i) { return reader.ValueAt(key, i, withData, value); },
        [&](DWORD) { return visit(std::as_const(value)); }, onFailure);
}

template <class Visit>
long ForEachSubKey(HKEY key, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    return ForEachSubKeyOf<char>(key, visit, onFailure);
}
template <class Visit>
long ForEachValue(HKEY key, bool withData, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    return ForEachValueOf<char>(key, withData, visit, onFailure);
}
// The same with the exact names and data (the values always with their data).
template <class Visit>
long ForEachSubKeyW(HKEY key, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    return ForEachSubKeyOf<wchar_t>(key, visit, onFailure);
}
template <class Visit>
long ForEachValueW(HKEY key, Visit visit, OnFailure onFailure = OnFailure::PassOver) {
    return ForEachValueOf<wchar_t>(key, true, visit, onFailure);
}

}  // namespace RegEnum
