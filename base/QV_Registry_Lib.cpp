#include "base/QV_Registry_Lib.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "base/QV_Err.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "base/ValueText.h"
#include "base/WinText.h"

namespace {
constexpr char kModule[] = "QV_Registry_Lib";
}  // namespace

namespace QV_Registry_Lib {
namespace {

constexpr long ERR_MORE_DATA = ERROR_MORE_DATA;      // 234
constexpr long ERR_NO_MORE_ITEMS = ERROR_NO_MORE_ITEMS;  // 259
constexpr long ERR_INVALID_PARAMETER = ERROR_INVALID_PARAMETER;  // 87

// Buffers grow on ERROR_MORE_DATA up to this size; no registry value is larger.
constexpr size_t MAX_DATA_BYTES = RegEnum::kLargestData;

std::vector<char>& DataBuffer() {
    thread_local std::vector<char> buffer(4096);
    return buffer;
}

// Reads a value's bytes by name with RegQueryValueExA, the buffer sized from the registry.
long ReadValueBytes(HKEY hKey, const std::string& name, std::string& bytes, DWORD& type) {
    auto& buf = DataBuffer();
    for (;;) {
        DWORD size = static_cast<DWORD>(buf.size());
        DWORD t = 0;
        long rc = RegQueryValueExA(hKey, name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buf.data()), &size);
        if (rc == ERR_MORE_DATA && buf.size() < MAX_DATA_BYTES) {
            buf.resize(std::max<size_t>(size, buf.size() * 2));
            continue;
        }
        if (rc == 0) {
            bytes.assign(buf.data(), size);
            type = t;
        }
        return rc;
    }
}

std::string StripOneTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool IsInside(const std::string& inner, const std::string& outer) {
    return TextCase::Equal(inner, outer) || TextCase::StartsWith(inner, outer + "\\");
}

// ---- Exact copies: names and data are carried through the wide functions, so that no name
// or string is changed by a round trip through the ANSI code page.

using WinText::Wide;

// One value read whole, with its exact name and data.
struct WideValue {
    std::wstring name;
    DWORD type = 0;
    std::string data;

    explicit WideValue(const RegEnum::WideValue& v) : name(v.name), type(v.type), data(v.data) {}
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(data.data()); }
    DWORD Size() const { return static_cast<DWORD>(data.size()); }
};

// Every sub-key name of the open key, or the error of the first one that cannot be read: a
// copy, a deletion and the check before a rename must see them all.
long EnumSubKeyNamesW(HKEY hKey, std::vector<std::wstring>& names) {
    return RegEnum::ForEachSubKeyW(
        hKey, [&](const std::wstring& name) { names.push_back(name); }, RegEnum::OnFailure::Stop);
}

// Copies every value and sub-key of `source` into `target`; stops at the first failure.
long CopyTreeW(HKEY source, HKEY target) {
    long written = 0;
    long rc = RegEnum::ForEachValueW(
        source,
        [&](const RegEnum::WideValue& v) {
            const WideValue value(v);
            written = RegSetValueExW(target, value.name.c_str(), 0, value.type, value.Bytes(), value.Size());
            return written == 0;
        },
        RegEnum::OnFailure::Stop);
    if (rc == 0) rc = written;
    if (rc != 0) return rc;
    std::vector<std::wstring> names;
    rc = EnumSubKeyNamesW(source, names);
    if (rc != 0) return rc;
    for (const auto& name : names) {
        RegKey from, to;
        rc = RegOpenKeyExW(source, name.c_str(), 0, KEY_READ, &from.Receive());
        if (rc == 0)
            rc = RegCreateKeyExW(target, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to.Receive(), nullptr);
        if (rc == 0) rc = CopyTreeW(from.get(), to.get());
        if (rc != 0) return rc;
    }
    return 0;
}

// The access a deletion opens every key of the tree with: full access, as the single-key
// routines ask for it. A key that does not open so is not deleted.
constexpr REGSAM DELETE_ACCESS = KEY_ALL_ACCESS;

// Whether every key below the open key `h` opens as a deletion opens it, so that a deletion of
// the whole tree cannot stop halfway. Names go through the wide functions: a name that the ANSI code page
// cannot hold is checked (and later deleted) as it is.
long CheckDeletableW(HKEY h) {
    std::vector<std::wstring> names;
    long rc = EnumSubKeyNamesW(h, names);
    if (rc != 0) return rc;
    for (const auto& name : names) {
        RegKey child;
        rc = RegOpenKeyExW(h, name.c_str(), 0, DELETE_ACCESS, &child.Receive());
        if (rc == 0) rc = CheckDeletableW(child.get());
        if (rc != 0) return rc;
    }
    return 0;
}

// Deletes the sub-key `name` of `parent` with its whole tree through the wide functions. Goes
// on past a failure; returns the code of the first failing step, reported under `level`.
long DeleteTreeW(HKEY parent, const std::wstring& name, long level) {
    long first = 0;
    {
        RegKey h;
        long rc = RegOpenKeyExW(parent, name.c_str(), 0, DELETE_ACCESS, &h.Receive());
        if (rc == 0) {
            std::vector<std::wstring> children;
            rc = EnumSubKeyNamesW(h.get(), children);
            for (const auto& child : children) {
                long r = DeleteTreeW(h.get(), child, level);
                if (first == 0) first = r;
            }
        }
        ShowRegError(rc, level);
        if (rc != 0) return rc;
    }
    long rc = RegDeleteKeyW(parent, name.c_str());
    ShowRegError(rc, level);
    return first != 0 ? first : rc;
}

// Walks the values of root\keyPath for the first whose name matches `name` ignoring case.
// Calls found(hKey, index, enumeratedName, data, type) and returns its result; returns
// ERR_NO_SUCH_VALUE when no value matched (or `found` asked to go on by returning -1).
template <class F>
long WithMatchingValue(HKEY root, const std::string& keyPath, const std::string& name, long level, F found) {
    RegKey key;
    long rc = OpenKey(root, keyPath, key.Receive(), level);
    if (rc != 0) return rc;
    HKEY hKey = key.get();
    long result = ERR_NO_SUCH_VALUE;
    rc = RegEnum::ForEachValue(
        hKey, true,
        [&](const RegEnum::Value& v) {
            if (!TextCase::Equal(v.name, name)) return true;
            const long r = found(hKey, static_cast<long>(v.index), std::string(v.name), std::string(v.data),
                                 static_cast<long>(v.type));
            if (r == -1) return true;
            result = r;
            return false;
        },
        RegEnum::OnFailure::Stop);
    return rc != 0 ? rc : result;
}

// Gives a value a name that differs from its own only in letter case. The registry keeps the
// spelling a value was created with, so the value is written anew; a copy under a spare name
// holds the data meanwhile and is removed only when the value stands under its new name.
long RespellValueName(HKEY hKey, const WideValue& v, const std::wstring& newName) {
    const DWORD size = v.Size();
    std::wstring spare;
    for (int n = 1;; ++n) {
        spare = newName + L"~rename" + std::to_wstring(n);
        if (RegQueryValueExW(hKey, spare.c_str(), nullptr, nullptr, nullptr, nullptr) != 0) break;
        if (n == 1000) return ERR_VALUE_EXISTS;
    }
    long rc = RegSetValueExW(hKey, spare.c_str(), 0, v.type, v.Bytes(), size);
    if (rc != 0) return rc;
    rc = RegDeleteValueW(hKey, v.name.c_str());
    if (rc == 0) {
        rc = RegSetValueExW(hKey, newName.c_str(), 0, v.type, v.Bytes(), size);
        // When the new spelling cannot be written, the value goes back under its old name.
        if (rc != 0 && RegSetValueExW(hKey, v.name.c_str(), 0, v.type, v.Bytes(), size) != 0) return rc;
    }
    RegDeleteValueW(hKey, spare.c_str());
    return rc;
}

// The text that stands for the data of the value `name` of the open key whole (see
// ModifiableText). The data is read in its wide form, so that a character the ANSI code page
// cannot hold is seen rather than replaced.
long WholeValueText(HKEY hKey, const std::string& name, std::string& text) {
    const std::wstring wideName = Wide(name);
    std::vector<BYTE> data(256);
    DWORD type = 0, size = 0;
    for (;;) {
        size = static_cast<DWORD>(data.size());
        long rc = RegQueryValueExW(hKey, wideName.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERR_MORE_DATA && data.size() < MAX_DATA_BYTES) {
            data.resize(std::max<size_t>(size, data.size() * 2));
            continue;
        }
        if (rc != 0) return rc;
        break;
    }
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            if (size % 2 != 0) return ERR_INVALID_DATATYPE;  // no whole characters
            std::wstring wide(size / 2, L'\0');
            if (size) memcpy(wide.data(), data.data(), size);
            // The closing NULs end the text; a NUL with more text after it is part of the data
            // that no line of text holds.
            while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
            if (wide.find(L'\0') != std::wstring::npos) return ERR_INVALID_DATATYPE;
            std::string narrow;
            if (!wide.empty()) {
                const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                                  nullptr, nullptr);
                narrow.resize(static_cast<size_t>(std::max(n, 0)));
                WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), n, nullptr,
                                    nullptr);
                // A character the code page does not have would come back as another one.
                if (n <= 0 || Wide(narrow) != wide) return ERR_INVALID_DATATYPE;
            }
            text = narrow;
            return 0;
        }
        case REG_DWORD: {
            if (size != 4) return ERR_INVALID_DATATYPE;  // four bytes, or no number stands for it
            uint32_t value = 0;
            memcpy(&value, data.data(), 4);
            text = std::to_string(value);
            return 0;
        }
        default:
            // A multi-string, binary data and the other types have no text they could be
            // written back from without changing them.
            return ERR_INVALID_DATATYPE;
    }
}

}  // namespace

void ShowRegError(long code, long level) {
    if (level < 1 || level > 3 || code == 0 || code == ERR_NO_MORE_ITEMS) return;
    struct Entry { long code; int fromLevel; const char* text; };
    static const Entry table[] = {
        {1011, 1, "Cannot Open Key"},
        {1012, 1, "Cannot Read Key"},
        {1013, 1, "Cannot Write Key"},
        {5, 1, "Access to Registry Denied. (Maybe the Result of error deleting a Key which includes one or more "
               "Subkeys in itself)"},
        {2, 2, "Key couldn't be found"},
        {1009, 2, "Corrupt Registry Database!"},
        {161, 3, "Invalid Path given"},
        {1010, 3, "Key name is bad"},
        {14, 3, "Out of memory"},
        {87, 3, "Invalid Parameter"},
    };
    for (const auto& e : table) {
        if (e.code != code) continue;
        if (level >= e.fromLevel) ui::MsgBox(e.text, ui::vbOKOnly);
        return;
    }
    if (level == 3) ui::MsgBox("Undefinied key error code! (" + std::to_string(code) + ")", ui::vbOKOnly);
}

namespace {
// The keys a running watch saw opened, and how many; null while no watch runs.
struct Watched {
    std::set<HKEY> open;
    long opened = 0;
};
Watched* watched = nullptr;

void NoteKeyOpened(long rc, HKEY hKey) {
    if (!watched || rc != ERROR_SUCCESS) return;
    ++watched->opened;
    watched->open.insert(hKey);
}
}  // namespace

KeyWatch::KeyWatch() {
    delete watched;
    watched = new Watched();
}

KeyWatch::~KeyWatch() {
    delete watched;
    watched = nullptr;
}

long KeyWatch::Opened() const { return watched ? watched->opened : 0; }
long KeyWatch::LeftOpen() const { return watched ? static_cast<long>(watched->open.size()) : 0; }

void NoteKeyClosed(HKEY hKey) {
    if (watched) watched->open.erase(hKey);
}

namespace {
// The ANSI functions that take a key path convert it into a buffer of MAX_PATH characters of
// their own and refuse a longer path with ERROR_MORE_DATA, although a key path may be far longer
// (a service name of 248 characters below SYSTEM\CurrentControlSet\Services makes 282). Such a
// path is handed to the wide function instead, converted from the ANSI code page as the ANSI
// function would convert it. A path that converts to nothing names no key below the root.
bool PathTooLongForAnsi(const std::string& subKey) { return subKey.size() >= MAX_PATH; }

long WidePath(const std::string& subKey, std::wstring& wide) {
    wide = Wide(subKey);
    return wide.empty() ? ERR_INVALID_PARAMETER : 0;
}
}  // namespace

long OpenKey(HKEY root, const std::string& subKey, HKEY& hKey, long level, DWORD access) {
    const REGSAM sam = access == 0 ? KEY_ALL_ACCESS : access;
    std::wstring wide;
    long rc = !PathTooLongForAnsi(subKey) ? RegOpenKeyExA(root, subKey.c_str(), 0, sam, &hKey)
              : WidePath(subKey, wide) == 0 ? RegOpenKeyExW(root, wide.c_str(), 0, sam, &hKey)
                                            : ERR_INVALID_PARAMETER;
    NoteKeyOpened(rc, hKey);
    ShowRegError(rc, level);
    return rc;
}

long CreateKey(HKEY root, const std::string& subKey, HKEY& hKey, long level) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    DWORD disposition = 0;
    char emptyClass[] = "";
    wchar_t emptyClassW[] = L"";
    std::wstring wide;
    long rc = !PathTooLongForAnsi(subKey)
                  ? RegCreateKeyExA(root, subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &sa,
                                    &hKey, &disposition)
              : WidePath(subKey, wide) == 0
                  ? RegCreateKeyExW(root, wide.c_str(), 0, emptyClassW, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &sa,
                                    &hKey, &disposition)
                  : ERR_INVALID_PARAMETER;
    NoteKeyOpened(rc, hKey);
    ShowRegError(rc, level);
    return rc;
}

long CloseKey(HKEY hKey, long level) {
    NoteKeyClosed(hKey);
    long rc = RegCloseKey(hKey);
    ShowRegError(rc, level);
    return rc;
}

long DeleteKey(HKEY root, const std::string& subKey, long level) {
    std::wstring wide;
    long rc = !PathTooLongForAnsi(subKey)      ? RegDeleteKeyA(root, subKey.c_str())
              : WidePath(subKey, wide) == 0 ? RegDeleteKeyW(root, wide.c_str())
                                            : ERR_INVALID_PARAMETER;
    ShowRegError(rc, level);
    return rc;
}

long DeleteValue(HKEY hKey, const std::string& name, long level) {
    long rc = RegDeleteValueA(hKey, name.c_str());
    ShowRegError(rc, level);
    return rc;
}

void OpenRegeditAt(const std::string& path) {
    TrapErrors(kModule, "OpenRegeditAt", [&] {
        // Regedit opens at its LastKey; on a profile where it never ran its settings key is
        // made here, as Regedit itself would make it.
        RegKey regedit;
        if (CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                      regedit.Receive(), 0) == 0)
            SetValue(regedit.get(), "LastKey", Variant(path), REG_SZ, 0);
        ui::StartProgram("Regedit.exe", SW_SHOWNORMAL, false);
    });
}

namespace {
// The index-at-a-time readers keep one set of buffers per thread.
RegEnum::Reader& EntryReader() {
    thread_local RegEnum::Reader reader;
    return reader;
}
}  // namespace

long EnumKey(HKEY hKey, long index, std::string& name, long& noMore, long level) {
    long rc = EntryReader().SubKeyAt(hKey, static_cast<DWORD>(index), name);
    noMore = 0;
    if (rc == ERR_NO_MORE_ITEMS) {
        noMore = 1;
        rc = 0;
    }
    ShowRegError(rc, level);
    return rc;
}

long EnumValue(HKEY hKey, long index, std::string& name, std::string& data, long& type, long& noMore, long level) {
    RegEnum::Value value;
    const long rc = EntryReader().ValueAt(hKey, static_cast<DWORD>(index), true, value);
    if (rc == 0) {
        name.assign(value.name);
        data.assign(value.data);
        type = static_cast<long>(value.type);
    }
    noMore = rc == ERR_NO_MORE_ITEMS ? 1 : 0;
    ShowRegError(rc, level);
    return rc;
}

std::string QueryValue(HKEY hKey, const std::string& name, std::string& data, long& type, long level,
                       std::vector<std::string>* list) {
    const long wanted = type;
    if (wanted != REG_SZ && wanted != REG_EXPAND_SZ && wanted != REG_BINARY && wanted != REG_DWORD &&
        wanted != REG_MULTI_SZ) {
        if (level == 2) ui::MsgBox("Data-Type couldn't be read! (1,2)", ui::vbOKOnly);
        return level == 1 || level == 2 ? "!Error!" : "";
    }

    std::string bytes;
    DWORD stored = 0;
    long rc = ReadValueBytes(hKey, name, bytes, stored);
    ShowRegError(rc, level);
    if (rc != 0) {
        data.clear();
        return std::to_string(rc);
    }
    type = static_cast<long>(stored);

    switch (wanted) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            // A string is stored with its NUL, but not always: drop one only when it is there.
            if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
            data = bytes.substr(0, bytes.find('\0'));
            break;
        case REG_BINARY:
            data = ValueText::Hex(bytes);
            break;
        case REG_DWORD: {
            // The bytes read, last byte first, as one unsigned number.
            unsigned long long value = 0;
            for (size_t i = std::min<size_t>(bytes.size(), 8); i-- > 0;)
                value = (value << 8) | static_cast<unsigned char>(bytes[i]);
            data = std::to_string(value);
            break;
        }
        case REG_MULTI_SZ:
            if (!list) {
                data = bytes;
                break;
            }
            list->clear();
            for (size_t start = 0; start < bytes.size();) {
                size_t end = bytes.find('\0', start);
                if (end == std::string::npos) end = bytes.size();
                if (end == start) break;  // the closing double NUL
                list->push_back(bytes.substr(start, end - start));
                start = end + 1;
            }
            break;
    }
    return "0";
}

Variant SetValue(HKEY hKey, const std::string& name, const Variant& data, long type, long level,
                 const std::vector<Variant>* list) {
    std::string bytes;
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            bytes = data.ToText();
            bytes += '\0';
            break;
        case REG_DWORD:
            if (data.kind() == Variant::Kind::Integer || data.kind() == Variant::Kind::Long) {
                auto v = static_cast<uint32_t>(data.ToLong());
                for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
            } else if (data.IsText()) {
                // The first four bytes of the text, raw; a shorter text is completed with zero bytes.
                bytes = data.Text().substr(0, 4);
                bytes.resize(4, '\0');
            } else {
                if (level == 2) ui::MsgBox("The Datatype you've given to write as REG_DWORD is not handled !");
                return Variant(0L);
            }
            break;
        case REG_MULTI_SZ:
            bytes = data.ToText();
            bytes += '\0';
            if (list) {
                for (const auto& element : *list) {
                    if (element.IsNull()) continue;
                    std::string text = element.ToText();
                    if (text.empty() || text == std::string(1, '\0')) continue;
                    bytes += text;
                    bytes += '\0';
                }
            }
            bytes += '\0';
            break;
        default:
            if (level == 2) ui::MsgBox("Data-Type couldn't be written!");
            return level == 1 || level == 2 ? Variant("!Error!") : Variant(0L);
    }
    long rc = RegSetValueExA(hKey, name.c_str(), 0, static_cast<DWORD>(type),
                             reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    ShowRegError(rc, level);
    return Variant(rc);
}

long DeleteKeyTree(HKEY root, std::string& path, long level) {
    path = StripOneTrailingBackslash(path);
    if (path.empty()) return ERR_INVALID_PARAMETER;  // never the whole hive

    long first = 0;
    {
        RegKey key;
        long rc = OpenKey(root, path, key.Receive(), level, DELETE_ACCESS);
        if (rc != 0) return rc;
        // The sub-keys by their exact names: a name that the ANSI code page cannot hold is
        // deleted too.
        std::vector<std::wstring> children;
        rc = EnumSubKeyNamesW(key.get(), children);
        ShowRegError(rc, level);
        if (rc != 0) return rc;
        for (const auto& child : children) {
            long r = DeleteTreeW(key.get(), child, level);
            if (first == 0) first = r;
        }
    }
    long rc = DeleteKey(root, path, level);
    return first != 0 ? first : rc;
}

long CopyKeyTree(HKEY sourceRoot, const std::string& sourcePath, HKEY targetRoot, const std::string& targetPath,
                 long level) {
    if (sourceRoot == targetRoot && IsInside(StripOneTrailingBackslash(targetPath), StripOneTrailingBackslash(sourcePath)))
        return ERR_INVALID_PARAMETER;  // a copy into itself would never end
    RegKey source, target;
    long rc = OpenKey(sourceRoot, sourcePath, source.Receive(), level, KEY_READ);
    if (rc != 0) return rc;
    rc = OpenKey(targetRoot, targetPath, target.Receive(), 0);
    if (rc != 0) return rc;
    return CopyTreeW(source.get(), target.get());
}

long RenameKey(HKEY sourceRoot, const std::string& oldPathIn, HKEY targetRoot, const std::string& newPathIn,
               long level) {
    const std::string oldPath = StripOneTrailingBackslash(oldPathIn);
    const std::string newPath = StripOneTrailingBackslash(newPathIn);
    if (oldPath.empty() || newPath.empty()) return ERR_INVALID_PARAMETER;

    {
        RegKey existing;
        long rc = OpenKey(targetRoot, newPath, existing.Receive(), 0);
        if (rc == 0) return ERR_KEY_EXISTS;
        if (rc != ERROR_FILE_NOT_FOUND) return rc;
    }
    if (sourceRoot == targetRoot && IsInside(newPath, oldPath)) return ERR_INVALID_PARAMETER;

    {
        // Before anything changes, the whole old tree must be deletable: a key that can be
        // read but not deleted would otherwise leave the old tree half deleted after the copy.
        RegKey old;
        long rc = OpenKey(sourceRoot, oldPath, old.Receive(), level, DELETE_ACCESS);
        if (rc != 0) return rc;
        rc = CheckDeletableW(old.get());
        if (rc != 0) return rc;
    }

    {
        RegKey created;
        long rc = CreateKey(targetRoot, newPath, created.Receive(), 0);
        if (rc != 0) return rc;
    }
    long rc = CopyKeyTree(sourceRoot, oldPath, targetRoot, newPath, level);
    if (rc != 0) {
        // The copy is incomplete: take it away again and leave the old key as it was.
        std::string partial = newPath;
        DeleteKeyTree(targetRoot, partial, 0);
        return rc;
    }
    std::string old = oldPath;
    rc = DeleteKeyTree(sourceRoot, old, 0);
    if (rc != 0) {
        // Changed under the rename since the check: the old tree is made whole again from the
        // complete copy, and the copy goes.
        RegKey restored;
        if (CreateKey(sourceRoot, oldPath, restored.Receive(), 0) == 0 &&
            CopyKeyTree(targetRoot, newPath, sourceRoot, oldPath, 0) == 0) {
            std::string copy = newPath;
            DeleteKeyTree(targetRoot, copy, 0);
        }
    }
    return rc;
}

long FindValue(HKEY root, const std::string& keyPath, const std::string& name, long& index, long& type,
               std::string& rawData, std::string& dataText, long level) {
    return WithMatchingValue(root, keyPath, name, level,
                             [&](HKEY hKey, long i, const std::string& found, const std::string& data, long t) -> long {
                                 // A value without data is not a find, except a string: no bytes
                                 // of a text are the empty text, which Modify offers like any other.
                                 if (data.empty() && t != REG_SZ && t != REG_EXPAND_SZ) return -1;
                                 index = i;
                                 type = t;
                                 rawData = data;
                                 long textType = t;
                                 QueryValue(hKey, found, dataText, textType, 0);
                                 return 0;
                             });
}

long RenameValue(HKEY root, const std::string& keyPath, const std::string& oldName, const std::string& newName,
                 long level) {
    const std::wstring wideOld = Wide(oldName), wideNew = Wide(newName);
    RegKey key;
    long rc = OpenKey(root, keyPath, key.Receive(), level);
    if (rc != 0) return rc;
    HKEY hKey = key.get();
    const bool sameValue = CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, wideOld.c_str(), -1,
                                          wideNew.c_str(), -1) == CSTR_EQUAL;
    // Another value of the new name is never overwritten: the rename is refused and nothing changes.
    if (!sameValue && RegQueryValueExW(hKey, wideNew.c_str(), nullptr, nullptr, nullptr, nullptr) == 0)
        return ERR_VALUE_EXISTS;
    long result = ERR_NO_SUCH_VALUE;
    rc = RegEnum::ForEachValueW(
        hKey,
        [&](const RegEnum::WideValue& read) {
            if (CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, std::wstring(read.name).c_str(), -1,
                               wideOld.c_str(), -1) != CSTR_EQUAL)
                return true;
            const WideValue v(read);
            if (sameValue) {
                result = v.name == wideNew ? 0 : RespellValueName(hKey, v, wideNew);
                return false;
            }
            const long written = RegSetValueExW(hKey, wideNew.c_str(), 0, v.type, v.Bytes(), v.Size());
            if (written != 0) {
                result = written;
                return true;
            }
            result = RegDeleteValueW(hKey, v.name.c_str());
            return false;
        },
        RegEnum::OnFailure::Stop);
    return rc != 0 ? rc : result;
}

long ModifiableText(HKEY root, const std::string& keyPath, const std::string& name, std::string& text) {
    RegKey key;
    long rc = OpenKey(root, keyPath, key.Receive(), 0, KEY_QUERY_VALUE);
    if (rc != 0) return rc;
    return WholeValueText(key.get(), name, text);
}

long ModifyValue(HKEY root, const std::string& keyPath, const std::string& name, const std::string& newData,
                 long level) {
    return WithMatchingValue(
        root, keyPath, name, level,
        [&](HKEY hKey, long, const std::string& found, const std::string&, long type) -> long {
            // Only a value that one text stands for whole is written from a text; the stored text
            // also tells whether the new one changes anything.
            std::string oldText;
            const long rc = WholeValueText(hKey, found, oldText);
            if (rc != 0) return rc;
            if (type == REG_DWORD) {
                // A decimal number that fits 32 bits (negative numbers as their two's complement).
                char* end = nullptr;
                errno = 0;
                long long v = std::strtoll(newData.c_str(), &end, 10);
                if (newData.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > UINT32_MAX)
                    return ERR_INVALID_PARAMETER;
                const uint32_t value = static_cast<uint32_t>(v);
                if (std::to_string(value) == oldText) return 0;
                return SetValue(hKey, name, Variant(static_cast<long>(value)), REG_DWORD, 0).ToLong();
            }
            if (newData == oldText) return 0;
            return SetValue(hKey, name, Variant(newData), type, 0).ToLong();
        });
}

}  // namespace QV_Registry_Lib
