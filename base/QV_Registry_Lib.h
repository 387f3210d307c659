// The one layer through which the programs read and write the registry: single-key and
// single-value operations with their conversions, the leveled error report, and the
// operations on whole key trees built from them.
//
// Every routine returns the Win32 result code (0 = success) and reports a failure by a
// message box according to the caller's error-report level: 0 silent; 1 the open, read,
// write and access-denied failures; 2 also not-found and corrupt-registry; 3 every code
// but 0 and 259.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/Variant.h"

namespace QV_Registry_Lib {

// Own result codes beside the Win32 ones.
constexpr long ERR_KEY_EXISTS = 4005;   // a key rename found the target existing
constexpr long ERR_NO_SUCH_VALUE = 1;   // no value of the wanted name (with data) was found
// Win32 codes with a meaning of their own here.
constexpr long ERR_VALUE_EXISTS = ERROR_ALREADY_EXISTS;       // a value rename found the new name taken
constexpr long ERR_INVALID_DATATYPE = ERROR_INVALID_DATATYPE;  // ModifyValue has no text form for the type

// Access mask of the read-only callers: read-control, query-value and enumerate-sub-keys.
constexpr DWORD KEY_READ_ONLY = 0x20009;

void ShowRegError(long code, long level);

// Opens root\subKey; an access mask of 0 means KEY_ALL_ACCESS. The handle is valid only on 0.
// OpenKey, CreateKey and DeleteKey take a path of any length: a path longer than the ANSI
// registry functions accept (MAX_PATH) goes through the wide ones.
long OpenKey(HKEY root, const std::string& subKey, HKEY& hKey, long level, DWORD access = 0);
// Creates (or opens) root\subKey with KEY_ALL_ACCESS and default security.
long CreateKey(HKEY root, const std::string& subKey, HKEY& hKey, long level);
long CloseKey(HKEY hKey, long level);

// Counts, while it lives, the keys opened through OpenKey and CreateKey, and which of them were
// closed again through CloseKey or by the RegKey holding them: a test sees by it that a routine
// leaves no key open (the system keeps no count it could read).
class KeyWatch {
public:
    KeyWatch();
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;
    long Opened() const;    // keys opened since the watch began
    long LeftOpen() const;  // of them, the keys not closed yet
};
// Tells a running watch that a key was closed (RegKey calls it).
void NoteKeyClosed(HKEY hKey);

// Deletes one key (which must have no sub-keys).
long DeleteKey(HKEY root, const std::string& subKey, long level);
// Deletes a value; "" addresses the key's unnamed value.
long DeleteValue(HKEY hKey, const std::string& name, long level);
// Makes Regedit open at `path` (a full path beginning with the hive's name) and starts it.
void OpenRegeditAt(const std::string& path);

// The name of sub-key `index` (from 0). Past the last one the result is 0 with noMore = 1.
long EnumKey(HKEY hKey, long index, std::string& name, long& noMore, long level);
// The name, raw data bytes and type of value `index` (from 0). Past the last one the
// result is 259 with noMore = 1. On failure name, data and type are left as they were.
long EnumValue(HKEY hKey, long index, std::string& name, std::string& data, long& type, long& noMore, long level);

// Reads a value converted by the type passed in (REG_SZ, REG_EXPAND_SZ, REG_BINARY,
// REG_DWORD, REG_MULTI_SZ); the stored type is written back into `type`. Returns the
// result code as decimal text, or for an unhandled type "!Error!" (levels 1, 2) or "".
// With `list`, a REG_MULTI_SZ is split into its strings and `data` is left as it was.
std::string QueryValue(HKEY hKey, const std::string& name, std::string& data, long& type, long level,
                       std::vector<std::string>* list = nullptr);

// Writes a value of the given type (REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_MULTI_SZ).
// Returns the result code as a number, or "!Error!" for an unhandled type at levels 1, 2.
// For REG_MULTI_SZ, `data` is the first string and the elements of `list` follow.
Variant SetValue(HKEY hKey, const std::string& name, const Variant& data, long type, long level,
                 const std::vector<Variant>* list = nullptr);

// Deletes a key with all its sub-keys and values (sub-keys by their exact names, also those the
// ANSI code page cannot hold). One trailing backslash is removed from `path` (also in the
// caller's variable). Returns 0, or the code of the first failing step.
long DeleteKeyTree(HKEY root, std::string& path, long level);
// Copies all values and sub-keys of the source key into the existing target key, exactly
// (names and data byte for byte). Returns 0, or the code of the first failing step.
long CopyKeyTree(HKEY sourceRoot, const std::string& sourcePath, HKEY targetRoot, const std::string& targetPath,
                 long level);
// Moves a key with its tree to a new path: a complete copy, then the old tree is deleted.
// An existing target gives 4005; an empty or hive-root path, or a target equal to or
// inside the source, is refused with 87; an old tree with a key that cannot be opened for
// deletion is refused with that open's code (5) before anything is copied. On any failure
// the old key is left whole and no new key is left behind.
long RenameKey(HKEY sourceRoot, const std::string& oldPath, HKEY targetRoot, const std::string& newPath, long level);
// Finds a value by case-insensitive name: its index, stored type, raw bytes and data text. A
// value without data bytes is not found (1), except a REG_SZ or REG_EXPAND_SZ: it holds the
// empty text.
long FindValue(HKEY root, const std::string& keyPath, const std::string& name, long& index, long& type,
               std::string& rawData, std::string& dataText, long level);
// Renames a value within its key; the old value is deleted only after the new one was written whole.
// A new name that another value already has is refused with ERR_VALUE_EXISTS and nothing changes;
// a new name that differs from the old one only in letter case respells the value's name.
long RenameValue(HKEY root, const std::string& keyPath, const std::string& oldName, const std::string& newName,
                 long level);
// The text that stands for the data of root\keyPath's value `name` whole, as Modify offers it
// and writes it back: the text of a REG_SZ or REG_EXPAND_SZ (its closing NULs are not text), the
// unsigned decimal number of a four-byte REG_DWORD. ERR_INVALID_DATATYPE for a value that no
// text stands for whole: every other type, a DWORD of another length, a string with more text
// after a NUL, or with a character the ANSI code page cannot hold. Else the read's code (0 when
// `text` was set). Opens the key for reading only.
long ModifiableText(HKEY root, const std::string& keyPath, const std::string& name, std::string& text);
// Replaces the data of an existing value and keeps its type: REG_SZ and REG_EXPAND_SZ take the
// text, REG_DWORD its decimal number (87 when it is none). A value that no text stands for whole
// (see ModifiableText: a multi-string, binary data, a string with text after a NUL, ...) is
// refused with ERR_INVALID_DATATYPE and never rewritten. A text equal to the stored one writes
// nothing.
long ModifyValue(HKEY root, const std::string& keyPath, const std::string& name, const std::string& newData,
                 long level);

}  // namespace QV_Registry_Lib
