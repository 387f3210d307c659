// Registry fixtures for tests: a predefined hive (HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER) is pointed at a fresh scratch key for the life of the object, filled
// from a small text in the familiar .reg form, and removed afterwards.
//
//   RegFixture hkcr(HKEY_CLASSES_ROOT, R"(
//     [CLSID\{00000000-0000-0000-0000-000000000001}]
//     @="A class"
//     "Count"=dword:00000020
//     "Bytes"=hex:00,0f,a0
//     "Path"=expand:"%SystemRoot%\\system32"
//     "List"=multi:"a","b"
//   )");
//
// Key lines are paths below the hive. Value data: "text" (with \\ and \" escapes),
// dword:, qword:, hex:, hex(N): with comma-separated bytes, expand:"text", multi:"a","b",
// none: (an empty REG_NONE). A line "-" after a name ("x"=-) deletes that value.
// The override holds for this process only.
#pragma once
#include <windows.h>

#include <string>
#include <vector>
#include <string_view>

// A text quoted for a value line of that form ("C:\\a" for C:\a).
std::string RegQuoted(const std::string& text);

class RegFixture {
public:
    explicit RegFixture(HKEY hive, std::string_view regText = "");
    ~RegFixture();
    RegFixture(const RegFixture&) = delete;
    RegFixture& operator=(const RegFixture&) = delete;

    // Adds more keys and values from text of the same form.
    void Load(std::string_view regText);
    // The real key that stands behind the hive, and its path (below its own hive).
    HKEY Scratch() const { return scratch_; }
    HKEY ScratchHive() const { return scratchHive_; }
    const std::string& ScratchPath() const { return scratchPath_; }

private:
    HKEY hive_;
    HKEY scratchHive_;
    std::string scratchPath_;
    HKEY scratch_ = nullptr;
};

// Loads .reg-form text into keys below `root` (used by RegFixture; also handy on a real key).
void LoadRegText(HKEY root, std::string_view regText);

// Reads a whole key tree back as text: one line per key (its path below `path`) and per value
// (name, type and data bytes in hex), keys and values sorted by name. Two trees are identical
// when their dumps are.
std::string DumpKeyTree(HKEY root, const std::string& path);

// Gives root\path (created when missing) the DACL of an SDDL text, such as "D:P(A;;KR;;;WD)"
// (everyone may only read) or "D:P(D;;GA;;;WD)" (nobody may open it). RegFixture still
// removes such keys when it ends.
void SetKeyDacl(HKEY root, const std::string& path, const char* sddl);

// True when root\path exists.
bool KeyExists(HKEY root, const std::string& path);

// One value as stored, read back whole: its type (0 when the key or the value is not there)
// and its bytes.
struct StoredValue {
    DWORD type = 0;
    std::string bytes;
};
StoredValue ReadStoredValue(HKEY root, const std::string& path, const std::string& name);

// A REG_SZ or REG_EXPAND_SZ value's text up to its NUL, unexpanded ("" names the unnamed
// value); "<none>" when it is not there or of another type.
std::string ReadText(HKEY root, const std::string& path, const std::string& name);

// A REG_DWORD value of four bytes; ~0 when it is not there or of another form.
DWORD ReadDword(HKEY root, const std::string& path, const std::string& name);

// The names of root\path's sub-keys and of its values, in the registry's order, read with the
// bare enumeration calls (an entry that cannot be read is passed over); none when the key is
// not there.
std::vector<std::string> SubKeys(HKEY root, const std::string& path);
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
