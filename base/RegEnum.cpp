#include "base/RegEnum.h"

#include <algorithm>

namespace RegEnum {
namespace {

void Fit(auto& buffer, size_t size) {
    if (buffer.size() < size) buffer.resize(size);
}

// The registry's enumeration functions in the reader's characters.
long EnumKeyName(HKEY key, DWORD index, char* name, DWORD* len) {
    return RegEnumKeyExA(key, index, name, len, nullptr, nullptr, nullptr, nullptr);
}
long EnumKeyName(HKEY key, DWORD index, wchar_t* name, DWORD* len) {
    return RegEnumKeyExW(key, index, name, len, nullptr, nullptr, nullptr, nullptr);
}
long EnumValueEntry(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type, BYTE* data, DWORD* dataLen) {
    return RegEnumValueA(key, index, name, nameLen, nullptr, type, data, dataLen);
}
long EnumValueEntry(HKEY key, DWORD index, wchar_t* name, DWORD* nameLen, DWORD* type, BYTE* data,
                    DWORD* dataLen) {
    return RegEnumValueW(key, index, name, nameLen, nullptr, type, data, dataLen);
}

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

template <class Char>
void BasicReader<Char>::Prepare(const Counts& counts, bool withData) {
    // The lengths are counted in characters; an ANSI character may take two bytes.
    constexpr size_t perChar = sizeof(Char) == 1 ? 2 : 1;
    Fit(keyName_, (static_cast<size_t>(counts.longestSubKey) + 1) * perChar);
    Fit(valueName_, (static_cast<size_t>(counts.longestValueName) + 1) * perChar);
    if (withData) Fit(data_, std::min<size_t>(static_cast<size_t>(counts.largestData) + 2, kLargestData));
}

template <class Char>
long BasicReader<Char>::SubKeyAt(HKEY key, DWORD index, std::basic_string<Char>& name) {
    DWORD len = static_cast<DWORD>(keyName_.size());
    long rc = EnumKeyName(key, index, keyName_.data(), &len);
    if (rc == ERROR_MORE_DATA && keyName_.size() < kKeyNameRoom) {  // a longer name was added meanwhile
        keyName_.resize(kKeyNameRoom);
        len = static_cast<DWORD>(keyName_.size());
        rc = EnumKeyName(key, index, keyName_.data(), &len);
    }
    if (rc == 0) name.assign(keyName_.data(), len);
    return rc;
}

template <class Char>
long BasicReader<Char>::ValueAt(HKEY key, DWORD index, bool withData, BasicValue<Char>& value) {
    for (;;) {
        DWORD nameLen = static_cast<DWORD>(valueName_.size());
        DWORD dataLen = static_cast<DWORD>(data_.size());
        DWORD type = 0;
        const long rc = EnumValueEntry(key, index, valueName_.data(), &nameLen, &type,
                                       withData ? reinterpret_cast<BYTE*>(data_.data()) : nullptr,
                                       withData ? &dataLen : nullptr);
        if (rc == ERROR_MORE_DATA) {
            // The name or the data grew meanwhile: read again with room for both (the data's
            // size is what the registry asked for, or twice the room it had).
            const bool nameRoom = valueName_.size() < kValueNameRoom;
            const bool dataRoom = withData && data_.size() < kLargestData;
            if (!nameRoom && !dataRoom) return rc;
            if (nameRoom) valueName_.resize(kValueNameRoom);
            if (dataRoom)
                data_.resize(std::min(kLargestData, std::max<size_t>(static_cast<size_t>(dataLen) + 2, data_.size() * 2)));
            continue;
        }
        if (rc != 0) return rc;
        value.name = std::basic_string_view<Char>(valueName_.data(), nameLen);
        value.type = type;
        value.data = withData ? std::string_view(data_.data(), dataLen) : std::string_view();
        value.index = index;
        return 0;
    }
}

template class BasicReader<char>;
template class BasicReader<wchar_t>;

}  // namespace RegEnum
