#include "base/RegEnum.h"

#include <algorithm>

namespace RegEnum {
namespace {

void Fit(std::vector<char>& buffer, size_t bytes) {
    if (buffer.size() < bytes) buffer.resize(bytes);
}

// Where the registry could not tell the counts, the for-each forms read until the end; a key
// that answers nothing but errors ends them after this many in a row.
constexpr int kFailuresInARow = 1000;

}  // namespace

Counts CountsOf(HKEY key) {
    Counts c;
    DWORD subKeys = 0, longestSubKey = 0, values = 0, longestValueName = 0, largestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr, &values, &longestValueName,
                         &largestData, nullptr, nullptr) == 0) {
        c.subKeys = subKeys;
        c.longestSubKey = longestSubKey;
        c.values = values;
        c.longestValueName = longestValueName;
        c.largestData = largestData;
    }
    return c;
}

void Reader::Prepare(const Counts& counts, bool withData) {
    Fit(keyName_, (static_cast<size_t>(counts.longestSubKey) + 1) * 2);
    Fit(valueName_, (static_cast<size_t>(counts.longestValueName) + 1) * 2);
    if (withData) Fit(data_, std::min<size_t>(static_cast<size_t>(counts.largestData) + 2, kLargestData));
}

long Reader::SubKeyAt(HKEY key, DWORD index, std::string& name) {
    DWORD len = static_cast<DWORD>(keyName_.size());
    long rc = RegEnumKeyExA(key, index, keyName_.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA && keyName_.size() < kKeyNameBytes) {  // a longer name was added meanwhile
        keyName_.resize(kKeyNameBytes);
        len = static_cast<DWORD>(keyName_.size());
        rc = RegEnumKeyExA(key, index, keyName_.data(), &len, nullptr, nullptr, nullptr, nullptr);
    }
    if (rc == 0) name.assign(keyName_.data(), len);
    return rc;
}

long Reader::ValueAt(HKEY key, DWORD index, bool withData, Value& value) {
    for (;;) {
        DWORD nameLen = static_cast<DWORD>(valueName_.size());
        DWORD dataLen = static_cast<DWORD>(data_.size());
        DWORD type = 0;
        const long rc = RegEnumValueA(key, index, valueName_.data(), &nameLen, nullptr, &type,
                                      withData ? reinterpret_cast<BYTE*>(data_.data()) : nullptr,
                                      withData ? &dataLen : nullptr);
        if (rc == ERROR_MORE_DATA) {
            // The name or the data grew meanwhile: read again with room for both (the data's
            // size is what the registry asked for, or twice the room it had).
            const bool nameRoom = valueName_.size() < kValueNameBytes;
            const bool dataRoom = withData && data_.size() < kLargestData;
            if (!nameRoom && !dataRoom) return rc;
            if (nameRoom) valueName_.resize(kValueNameBytes);
            if (dataRoom)
                data_.resize(std::min(kLargestData, std::max<size_t>(static_cast<size_t>(dataLen) + 2, data_.size() * 2)));
            continue;
        }
        if (rc != 0) return rc;
        value.name = std::string_view(valueName_.data(), nameLen);
        value.type = type;
        value.data = withData ? std::string_view(data_.data(), dataLen) : std::string_view();
        return 0;
    }
}

namespace {
// Reads entries 0, 1, ... through `read` until the registry reports the end (or `count` were
// read), visiting each one read; an unreadable entry is passed over, its error kept.
template <class Read, class Visit>
long EachEntry(DWORD count, Read read, Visit visit) {
    long failed = 0;
    int inARow = 0;
    for (DWORD i = 0; i < count; ++i) {
        const long rc = read(i);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != 0) {
            failed = rc;
            if (++inARow >= kFailuresInARow) break;
            continue;
        }
        inARow = 0;
        visit();
    }
    return failed;
}
}  // namespace

long ForEachSubKey(HKEY key, const std::function<void(const std::string& name)>& visit) {
    const Counts counts = CountsOf(key);
    Reader reader;
    reader.Prepare(counts, false);
    std::string name;
    return EachEntry(
        counts.subKeys, [&](DWORD i) { return reader.SubKeyAt(key, i, name); }, [&] { visit(name); });
}

long ForEachValue(HKEY key, bool withData, const std::function<void(const Value& value)>& visit) {
    const Counts counts = CountsOf(key);
    Reader reader;
    reader.Prepare(counts, withData);
    Value value;
    return EachEntry(
        counts.values, [&](DWORD i) { return reader.ValueAt(key, i, withData, value); }, [&] { visit(value); });
}

}  // namespace RegEnum
