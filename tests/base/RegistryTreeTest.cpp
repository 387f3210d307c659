// Operations on whole key trees and on one value found by name, checked by reading the
// registry back.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include "base/QV_Registry_Lib.h"
#include "tests/support/RegFixture.h"

using namespace QV_Registry_Lib;

namespace {
const HKEY HKCU = HKEY_CURRENT_USER;

const std::string kSub120(120, 's');

class RegistryTree : public ::testing::Test {
protected:
    RegFixture hkcu{HKCU};

    void SetUp() override {
        std::string bin1500 = "hex:";
        for (int i = 0; i < 1500; ++i) bin1500 += (i ? "," : "") + std::string(i % 2 ? "a5" : "3c");
        hkcu.Load(R"(
            [Old]
            @="default"
            "Sz"="text"
            "Exp"=expand:"%SystemRoot%\\x"
            "Dw"=dword:12345678
            "Multi"=multi:"a","b","c"
            "Empty"=hex:
            [Old\Level1]
            "Deeper"="one"
            [Old\Level1\Level2]
            "Deepest"=dword:00000002
            [Old\)" + kSub120 + R"(]
            [Sibling]
            "keep"="me"
        )");
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKCU, "Old", 0, KEY_ALL_ACCESS, &h), 0);
        std::string bytes;
        for (int i = 0; i < 1500; ++i) bytes += static_cast<char>(i % 2 ? 0xA5 : 0x3C);
        RegSetValueExA(h, "Bin1500", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()), 1500);
        // A name and a string that no ANSI code page holds must survive too.
        const wchar_t wideText[] = L"caf\u00e9 \u4e2d\u6587";
        RegSetValueExW(h, L"wide \u4e2d", 0, REG_SZ, reinterpret_cast<const BYTE*>(wideText), sizeof wideText);
        RegCloseKey(h);
    }

    // A key that nobody may open, so neither copied nor deleted by a walk of its tree.
    void AddLockedKey(const std::string& path) { SetKeyDacl(HKCU, path, "D:P(D;;GA;;;WD)"); }
};
}  // namespace

TEST_F(RegistryTree, RenameKeyMovesTheTreeByteForByte) {
    const std::string before = DumpKeyTree(HKCU, "Old");
    ASSERT_NE(before.find("Bin1500"), std::string::npos);
    ASSERT_EQ(RenameKey(HKCU, "Old", HKCU, "New\\", 0), 0);
    EXPECT_FALSE(KeyExists(HKCU, "Old"));
    EXPECT_EQ(DumpKeyTree(HKCU, "New"), before);
}

TEST_F(RegistryTree, RenameKeyRefusesTargetsThatWouldLoseOrOverwrite) {
    const std::string before = DumpKeyTree(HKCU, "");
    struct Case { const char* from; const char* to; long result; };
    const Case cases[] = {
        {"Old", "Old\\Level1\\Inside", 87},  // into its own subtree
        {"Old", "old\\Sub", 87},
        {"Old", "SIBLING", ERR_KEY_EXISTS},   // an existing key, in any case
        {"Old", "old", ERR_KEY_EXISTS},       // case-only rename
        {"Old", "", 87},                      // the hive root
        {"", "Elsewhere", 87},
        {"Missing", "Elsewhere", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        EXPECT_EQ(RenameKey(HKCU, c.from, HKCU, c.to, 0), c.result);
        EXPECT_EQ(DumpKeyTree(HKCU, ""), before);
    }
}

TEST_F(RegistryTree, RenameKeyKeepsTheOldTreeWhenTheCopyFails) {
    AddLockedKey("Old\\Level1\\Stuck");
    const std::string before = DumpKeyTree(HKCU, "Old");
    // The locked key cannot be copied: the rename fails, the old tree stays whole and no
    // half-made copy is left behind.
    EXPECT_EQ(RenameKey(HKCU, "Old", HKCU, "New", 0), 5);
    EXPECT_FALSE(KeyExists(HKCU, "New"));
    EXPECT_EQ(DumpKeyTree(HKCU, "Old"), before);
}

TEST_F(RegistryTree, RenameKeyRefusesAnOldTreeThatCannotBeDeletedWhole) {
    // Everyone may read this sub-key but nobody may delete it: the copy would succeed and the
    // deletion of the old tree stop halfway. The rename is refused before anything changes.
    SetKeyDacl(HKCU, "Old\\Level1\\ReadOnly", "D:P(A;;KR;;;WD)");
    const std::string before = DumpKeyTree(HKCU, "");
    EXPECT_EQ(RenameKey(HKCU, "Old", HKCU, "New", 0), 5);
    EXPECT_FALSE(KeyExists(HKCU, "New"));
    EXPECT_EQ(DumpKeyTree(HKCU, ""), before);
}

TEST_F(RegistryTree, TreeOperationsReachSubKeysTheCodePageCannotName) {
    // A sub-key whose name the ANSI code page cannot hold, with a value and a sub-key of its own.
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKCU, L"Old\\Level1\\\u4e2d\u6587\\\u00e9t\u00e9 \u4e2d", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &h, nullptr),
              0);
    const wchar_t text[] = L"\u4e2d";
    RegSetValueExW(h, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegCloseKey(h);
    const std::string before = DumpKeyTree(HKCU, "Old");

    // Moved whole: nothing of the old tree is left behind.
    ASSERT_EQ(RenameKey(HKCU, "Old", HKCU, "New", 0), 0);
    EXPECT_FALSE(KeyExists(HKCU, "Old"));
    EXPECT_EQ(DumpKeyTree(HKCU, "New"), before);

    // Deleted whole.
    std::string path = "New";
    EXPECT_EQ(DeleteKeyTree(HKCU, path, 0), 0);
    EXPECT_FALSE(KeyExists(HKCU, "New"));
}

TEST_F(RegistryTree, DeleteKeyTreeRemovesEverythingOrSaysWhy) {
    hkcu.Load(R"(
        [Tree\A\A1]
        [Tree\B\B1\B2]
        "v"="1"
        [Tree\C\C1]
    )");
    std::string path = "Tree\\";
    EXPECT_EQ(DeleteKeyTree(HKCU, path, 0), 0);
    EXPECT_EQ(path, "Tree");
    EXPECT_FALSE(KeyExists(HKCU, "Tree"));

    hkcu.Load("[Tree\\A\\A1]\n[Tree\\C]");
    AddLockedKey("Tree\\B\\Locked");
    path = "Tree";
    EXPECT_NE(DeleteKeyTree(HKCU, path, 0), 0);
    EXPECT_TRUE(KeyExists(HKCU, "Tree\\B"));
    EXPECT_FALSE(KeyExists(HKCU, "Tree\\A"));

    path = "";
    EXPECT_NE(DeleteKeyTree(HKCU, path, 0), 0);  // never the whole hive
    EXPECT_TRUE(KeyExists(HKCU, "Sibling"));
}

TEST_F(RegistryTree, CopyKeyTreeNeedsAnExistingTarget) {
    EXPECT_EQ(CopyKeyTree(HKCU, "Old", HKCU, "Nowhere", 0), 2);
    EXPECT_FALSE(KeyExists(HKCU, "Nowhere"));
    EXPECT_EQ(CopyKeyTree(HKCU, "Old", HKCU, "Old\\Level1", 0), 87);
    EXPECT_EQ(CopyKeyTree(HKCU, "Old", HKCU, "Sibling", 0), 0);
    EXPECT_TRUE(KeyExists(HKCU, "Sibling\\Level1\\Level2"));
}

TEST_F(RegistryTree, FindValueByNameInAnyCase) {
    long index = -1, type = 0;
    std::string raw, text;
    EXPECT_EQ(FindValue(HKCU, "Old", "DW", index, type, raw, text, 0), 0);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(text, "305419896");
    EXPECT_EQ(raw, std::string("\x78\x56\x34\x12", 4));
    std::string name, data;
    long t = 0, noMore = 0;
    HKEY h = nullptr;
    OpenKey(HKCU, "Old", h, 0);
    EnumValue(h, index, name, data, t, noMore, 0);
    CloseKey(h, 0);
    EXPECT_EQ(name, "Dw");

    EXPECT_EQ(FindValue(HKCU, "Old", "multi", index, type, raw, text, 0), 0);
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(FindValue(HKCU, "Old", "Missing", index, type, raw, text, 0), ERR_NO_SUCH_VALUE);
    EXPECT_EQ(FindValue(HKCU, "Old", "Empty", index, type, raw, text, 0), ERR_NO_SUCH_VALUE);

    // A string of no bytes at all (not even its NUL) is the empty text, and is found.
    for (DWORD stringType : {REG_SZ, REG_EXPAND_SZ}) {
        OpenKey(HKCU, "Old", h, 0);
        ASSERT_EQ(RegSetValueExA(h, "NoBytes", 0, stringType, nullptr, 0), ERROR_SUCCESS);
        CloseKey(h, 0);
        text = "stale";
        EXPECT_EQ(FindValue(HKCU, "Old", "nobytes", index, type, raw, text, 0), 0) << stringType;
        EXPECT_EQ(type, static_cast<long>(stringType));
        EXPECT_EQ(raw, "");
        EXPECT_EQ(text, "");
    }
}

TEST_F(RegistryTree, RenameValueMovesTheDataWhole) {
    const std::string before = DumpKeyTree(HKCU, "Old");
    EXPECT_EQ(RenameValue(HKCU, "Old", "bin1500", "Moved", 0), 0);
    std::string after = DumpKeyTree(HKCU, "Old");
    EXPECT_EQ(after.find("\"Bin1500\""), std::string::npos);
    size_t at = before.find("\"Bin1500\"");
    size_t eol = before.find('\n', at);
    std::string line = before.substr(at, eol - at);
    line.replace(0, 9, "\"Moved\"");
    EXPECT_NE(after.find(line), std::string::npos);

    // The same name in another case keeps the value.
    EXPECT_EQ(RenameValue(HKCU, "Old", "Sz", "SZ", 0), 0);
    long index, type;
    std::string raw, text;
    EXPECT_EQ(FindValue(HKCU, "Old", "sz", index, type, raw, text, 0), 0);
    EXPECT_EQ(text, "text");

    // A zero-length value is renamed, not lost.
    EXPECT_EQ(RenameValue(HKCU, "Old", "Empty", "StillEmpty", 0), 0);
    EXPECT_NE(DumpKeyTree(HKCU, "Old").find("\"StillEmpty\" type 3 = \n"), std::string::npos);
    EXPECT_EQ(RenameValue(HKCU, "Old", "Missing", "X", 0), ERR_NO_SUCH_VALUE);
}

TEST_F(RegistryTree, RenameValueNeverOverwritesAnotherValue) {
    const std::string before = DumpKeyTree(HKCU, "Old");
    // Another value's name in any case, and the unnamed value, are taken: nothing changes.
    for (const char* taken : {"Dw", "EXP", "", "empty"})
        EXPECT_EQ(RenameValue(HKCU, "Old", "Sz", taken, 0), ERR_VALUE_EXISTS) << taken;
    EXPECT_EQ(DumpKeyTree(HKCU, "Old"), before);
    // A change of letter case alone respells the name and keeps the data.
    EXPECT_EQ(RenameValue(HKCU, "Old", "sz", "sZ", 0), 0);
    std::string after = DumpKeyTree(HKCU, "Old");
    EXPECT_EQ(after.find("\"Sz\""), std::string::npos);
    std::string expected = before;
    expected.replace(expected.find("\"Sz\""), 4, "\"sZ\"");
    EXPECT_EQ(after, expected);
}

TEST_F(RegistryTree, ModifyValueRefusesTypesWithoutAFaithfulText) {
    const std::string before = DumpKeyTree(HKCU, "Old");
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Multi", "a b c", 0), ERR_INVALID_DATATYPE);
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Bin1500", "3CA5", 0), ERR_INVALID_DATATYPE);
    // The data as stored already: nothing is written.
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Sz", "text", 0), 0);
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Dw", "305419896", 0), 0);
    EXPECT_EQ(DumpKeyTree(HKCU, "Old"), before);
}

TEST_F(RegistryTree, ModifyValueKeepsTheType) {
    EXPECT_EQ(ModifyValue(HKCU, "Old", "dw", "255", 0), 0);
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Exp", "%TEMP%\\y", 0), 0);
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Dw", "not a number", 0), 87);
    EXPECT_EQ(ModifyValue(HKCU, "Old", "Missing", "1", 0), ERR_NO_SUCH_VALUE);
    const std::string dump = DumpKeyTree(HKCU, "Old");
    EXPECT_NE(dump.find("\"Dw\" type 4 = ff000000"), std::string::npos);
    // "%TEMP%\y" with its NUL (the dump reads strings as UTF-16), still REG_EXPAND_SZ.
    EXPECT_NE(dump.find("\"Exp\" type 2 = 2500540045004d00500025005c0079000000"), std::string::npos);
}

// The text Modify offers stands for the value's data whole, or no text is offered; written back
// unchanged it writes nothing, and a value without a whole text is never rewritten.
TEST_F(RegistryTree, ModifiableTextIsTheWholeValueOrNone) {
    const std::wstring long5000(5000, L'x'), huge(1 << 20, L'y');
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::wstring stored;  // the value's data in its wide form (closing NULs included)
        long rc;              // of ModifiableText
        std::string text;
    } cases[] = {
        {L"Long", REG_SZ, long5000 + L'\0', 0, std::string(5000, 'x')},
        {L"Huge", REG_SZ, huge + L"end" + L'\0', 0, std::string(1 << 20, 'y') + "end"},
        {L"NoNul", REG_SZ, L"abc", 0, "abc"},
        {L"Padded", REG_EXPAND_SZ, std::wstring(L"%TEMP%\0\0", 8), 0, "%TEMP%"},
        {L"Inner", REG_SZ, std::wstring(L"a\0zz\0", 5), ERR_INVALID_DATATYPE, ""},
        {L"Foreign", REG_SZ, std::wstring(L"caf\u00e9 \u4e2d") + L'\0', ERR_INVALID_DATATYPE, ""},
    };
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKCU, L"Mod", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    for (const Case& c : cases)
        ASSERT_EQ(RegSetValueExW(h, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.stored.data()),
                                 static_cast<DWORD>(c.stored.size() * sizeof(wchar_t))),
                  0);
    const uint64_t eight = 0x1122334455667788ull;
    RegSetValueExW(h, L"Dw8", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&eight), 8);
    RegCloseKey(h);
    hkcu.Load("[Mod]\n\"Dw\"=dword:12345678\n\"Multi\"=multi:\"a\",\"b\"\n\"Bin\"=hex:01,02\n");

    const std::string before = DumpKeyTree(HKCU, "Mod");
    for (const Case& c : cases) {
        const std::string name(c.name, c.name + wcslen(c.name));
        SCOPED_TRACE(name);
        std::string text = "unset";
        EXPECT_EQ(ModifiableText(HKCU, "Mod", name, text), c.rc);
        if (c.rc == 0) {
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(ModifyValue(HKCU, "Mod", name, text, 0), 0);
        } else {
            EXPECT_EQ(ModifyValue(HKCU, "Mod", name, "new", 0), ERR_INVALID_DATATYPE);
        }
    }
    std::string text;
    EXPECT_EQ(ModifiableText(HKCU, "Mod", "Dw", text), 0);
    EXPECT_EQ(text, "305419896");
    EXPECT_EQ(ModifyValue(HKCU, "Mod", "Dw", "305419896", 0), 0);
    for (const char* none : {"Dw8", "Multi", "Bin"}) {
        EXPECT_EQ(ModifiableText(HKCU, "Mod", none, text), ERR_INVALID_DATATYPE) << none;
        EXPECT_EQ(ModifyValue(HKCU, "Mod", none, "1", 0), ERR_INVALID_DATATYPE) << none;
    }
    EXPECT_EQ(ModifiableText(HKCU, "Mod", "Missing", text), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DumpKeyTree(HKCU, "Mod"), before);

    // A new text replaces a long value whole, in its own type.
    EXPECT_EQ(ModifyValue(HKCU, "Mod", "Long", std::string(5000, 'x') + "!", 0), 0);
    EXPECT_EQ(ModifiableText(HKCU, "Mod", "Long", text), 0);
    EXPECT_EQ(text, std::string(5000, 'x') + "!");
}
