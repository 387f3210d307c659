#include "tests/support/RegFixture.h"

#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

[[noreturn]] void Fail(const std::string& what, std::string_view line) {
    throw std::runtime_error("reg fixture: " + what + " in line: " + std::string(line));
}

// Reads a quoted text at the front of `s` (with \\ and \" escapes) and removes it from `s`.
std::string TakeQuoted(std::string_view& s, std::string_view line) {
    if (s.empty() || s.front() != '"') Fail("quoted text expected", line);
    std::string out;
    size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    if (i >= s.size()) Fail("unterminated text", line);
    s.remove_prefix(i + 1);
    return out;
}

std::string HexBytes(std::string_view s, std::string_view line) {
    std::string out;
    std::string digits;
    for (char c : s) {
        if (c == ',' || c == ' ' || c == '\\') continue;
        if (!isxdigit(static_cast<unsigned char>(c))) Fail("hex digit expected", line);
        digits += c;
        if (digits.size() == 2) {
            out += static_cast<char>(std::stoi(digits, nullptr, 16));
            digits.clear();
        }
    }
    if (!digits.empty()) Fail("odd number of hex digits", line);
    return out;
}

std::string LittleEndian(unsigned long long v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

void SetRaw(HKEY key, const std::string& name, DWORD type, const std::string& bytes) {
    if (RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size())) != 0)
        throw std::runtime_error("reg fixture: cannot write value " + name);
}

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void Dump(HKEY key, const std::string& prefix, std::string& out) {
    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    std::map<std::wstring, std::string> lines;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nl = static_cast<DWORD>(name.size()), dl = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nl, nullptr, &type, data.data(), &dl) != 0) break;
        std::wstring n(name.data(), nl);
        std::wstring folded = n;
        CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
        std::string line = "  \"" + Utf8(n) + "\" type " + std::to_string(type) + " = ";
        static const char hex[] = "0123456789abcdef";
        for (DWORD b = 0; b < dl; ++b) {
            line += hex[data[b] >> 4];
            line += hex[data[b] & 15];
        }
        lines[folded] = line + "\n";
    }
    for (auto& [k, line] : lines) out += line;
    std::map<std::wstring, std::wstring> keys;
    std::vector<wchar_t> sub(std::max<DWORD>(maxSub, 255) + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(sub.size());
        if (RegEnumKeyExW(key, i, sub.data(), &len, nullptr, nullptr, nullptr, nullptr) != 0) break;
        std::wstring n(sub.data(), len), folded = n;
        CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
        keys[folded] = n;
    }
    for (auto& [folded, n] : keys) {
        std::string path = prefix + "\\" + Utf8(n);
        out += "[" + path + "]\n";
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, n.c_str(), 0, KEY_READ, &child) == 0) {
            Dump(child, path, out);
            RegCloseKey(child);
        } else {
            out += "  (cannot open)\n";
        }
    }
}

// A key path in its wide form: the ANSI registry functions refuse paths longer than MAX_PATH,
// and fixtures make and check keys below paths of any length.
std::wstring WidePath(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

// Deletes a tree even where a key's DACL refuses to open it: such a key can still be
// deleted by name from its parent once it has no sub-keys left.
void ForceDeleteTree(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) == 0) {
        std::vector<std::string> children;
        char buf[512];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof buf;
            if (RegEnumKeyExA(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr) != 0) break;
            children.emplace_back(buf, len);
        }
        for (const auto& child : children) ForceDeleteTree(key, child);
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name.c_str());
}

}  // namespace

void SetKeyDacl(HKEY root, const std::string& path, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
        throw std::runtime_error(std::string("reg fixture: bad SDDL ") + sddl);
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc == 0) {
        rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        RegCloseKey(key);
    }
    LocalFree(sd);
    if (rc != 0) throw std::runtime_error("reg fixture: cannot set the DACL of " + path);
}

void LoadRegText(HKEY root, std::string_view text) {
    HKEY current = nullptr;
    auto closeCurrent = [&] {
        if (current) RegCloseKey(current);
        current = nullptr;
    };
    std::string pending;  // a line continued with a trailing backslash
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (!pending.empty() || (!raw.empty() && raw.back() == '\\' && raw.find("=hex") != std::string_view::npos)) {
            pending += std::string(raw);
            if (!raw.empty() && raw.back() == '\\') continue;
            raw = pending;
        }
        std::string held = std::string(raw);
        pending.clear();
        std::string_view line = held;
        if (line.empty() || line.front() == ';' || line.rfind("REGEDIT", 0) == 0 || line.rfind("Windows Registry", 0) == 0)
            continue;
        if (line.front() == '[') {
            if (line.back() != ']') Fail("] expected", line);
            closeCurrent();
            std::string path(line.substr(1, line.size() - 2));
            if (!path.empty() && path.front() == '-') {
                const std::wstring doomed = WidePath(path.substr(1));
                if (doomed.empty()) Fail("key path expected", line);
                RegDeleteTreeW(root, doomed.c_str());
                RegDeleteKeyW(root, doomed.c_str());
                continue;
            }
            if (RegCreateKeyExW(root, WidePath(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &current,
                                nullptr) != 0)
                Fail("cannot create key", line);
            continue;
        }
        if (!current) Fail("value before any key", line);
        std::string name;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            name = TakeQuoted(rest, line);
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') Fail("= expected", line);
        rest = Trim(rest.substr(1));
        if (rest == "-") {
            RegDeleteValueA(current, name.c_str());
        } else if (!rest.empty() && rest.front() == '"') {
            SetRaw(current, name, REG_SZ, TakeQuoted(rest, line) + '\0');
        } else if (rest.rfind("dword:", 0) == 0) {
            SetRaw(current, name, REG_DWORD, LittleEndian(std::stoull(std::string(rest.substr(6)), nullptr, 16), 4));
        } else if (rest.rfind("qword:", 0) == 0) {
            SetRaw(current, name, REG_QWORD, LittleEndian(std::stoull(std::string(rest.substr(6)), nullptr, 16), 8));
        } else if (rest.rfind("hex:", 0) == 0) {
            SetRaw(current, name, REG_BINARY, HexBytes(rest.substr(4), line));
        } else if (rest.rfind("hex(", 0) == 0) {
            size_t close = rest.find("):");
            if (close == std::string_view::npos) Fail("hex(N): expected", line);
            DWORD type = static_cast<DWORD>(std::stoul(std::string(rest.substr(4, close - 4)), nullptr, 16));
            SetRaw(current, name, type, HexBytes(rest.substr(close + 2), line));
        } else if (rest.rfind("expand:", 0) == 0) {
            rest.remove_prefix(7);
            SetRaw(current, name, REG_EXPAND_SZ, TakeQuoted(rest, line) + '\0');
        } else if (rest.rfind("multi:", 0) == 0) {
            rest.remove_prefix(6);
            std::string bytes;
            while (!(rest = Trim(rest)).empty()) {
                bytes += TakeQuoted(rest, line) + '\0';
                rest = Trim(rest);
                if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
            }
            SetRaw(current, name, REG_MULTI_SZ, bytes + '\0');
        } else if (rest == "none:") {
            SetRaw(current, name, REG_NONE, "");
        } else {
            Fail("unknown value data", line);
        }
    }
    closeCurrent();
}

RegFixture::RegFixture(HKEY hive, std::string_view regText) : hive_(hive) {
    static std::atomic<int> counter{0};
    // The scratch key must not live in the hive it stands in for.
    scratchHive_ = hive == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    scratchPath_ = "Software\\VelmoraTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(counter++);
    ForceDeleteTree(scratchHive_, scratchPath_);
    if (RegCreateKeyExA(scratchHive_, scratchPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_,
                        nullptr) != 0)
        throw std::runtime_error("reg fixture: cannot create the scratch key");
    if (RegOverridePredefKey(hive_, scratch_) != 0) throw std::runtime_error("reg fixture: override refused");
    Load(regText);
}

RegFixture::~RegFixture() {
    RegOverridePredefKey(hive_, nullptr);
    RegCloseKey(scratch_);
    ForceDeleteTree(scratchHive_, scratchPath_);
}

void RegFixture::Load(std::string_view regText) { LoadRegText(scratch_, regText); }

std::string DumpKeyTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, WidePath(path).c_str(), 0, KEY_READ, &key) != 0) return "(missing)";
    std::string out;
    Dump(key, "", out);
    RegCloseKey(key);
    return out;
}

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, WidePath(path).c_str(), 0, KEY_READ, &key) != 0) return false;
    RegCloseKey(key);
    return true;
}

std::string RegQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

StoredValue ReadStoredValue(HKEY root, const std::string& path, const std::string& name) {
    StoredValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    DWORD size = 0, type = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) ==
            ERROR_SUCCESS) {
            bytes.resize(size);
            v = {type, std::move(bytes)};
        }
    }
    RegCloseKey(key);
    return v;
}

std::string ReadText(HKEY root, const std::string& path, const std::string& name) {
    const StoredValue v = ReadStoredValue(root, path, name);
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return "<none>";
    return v.bytes.substr(0, v.bytes.find('\0'));
}

DWORD ReadDword(HKEY root, const std::string& path, const std::string& name) {
    const StoredValue v = ReadStoredValue(root, path, name);
    DWORD value = ~0u;
    if (v.type == REG_DWORD && v.bytes.size() == 4) memcpy(&value, v.bytes.data(), 4);
    return value;
}

std::vector<std::string> SubKeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        const LONG rc = RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) names.emplace_back(name, len);
    }
    RegCloseKey(key);
    return names;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        const LONG rc = RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) names.emplace_back(name, len);
    }
    RegCloseKey(key);
    return names;
}
