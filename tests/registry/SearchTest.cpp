// The registry search engine against the real HKEY_CLASSES_ROOT of the test prefix and a
// fixture of every value type, a long key name between two siblings and a locked key.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/QV_Err.h"
#include "registry/colQVRegistry.h"
#include "tests/support/RegFixture.h"

namespace {

// One hit as text: kind (K key, V value name, D data), key path, then value name or data.
std::vector<std::string> Hits(const colQVRegistry& s) {
    std::vector<std::string> out;
    for (const auto& h : s) {
        std::string line = h->blnIsKey ? "K " : h->blnIsValue ? "V " : "D ";
        line += h->vntKey;
        if (h->blnIsValue) line += " | " + h->vntValue;
        if (h->blnIsData) line += " | " + h->vntData + " | " + std::to_string(h->lngValueDataType);
        out.push_back(line);
    }
    return out;
}

const std::string LongName = "M" + std::string(119, 'x');  // 120 characters, sorted between A and Z

class Search : public ::testing::Test {
protected:
    RegFixture hkcu{HKEY_CURRENT_USER, R"(
        [T]
        "OpenWithList"="x"
        "Num"=dword:00000010
        "Bytes"=hex:0a,1b
        "Multi"=multi:"alpha","beta"
        "None"=none:
        "Q"=qword:0102030405060708
        "Late"="needle at the end"
        "Twice"="twice"
        [T\A]
        [T\Open]
        [T\OpenWith]
        [T\Z\needle]
        [T\Locked\needle]
    )"};
    colQVRegistry s;
    bool cancel = false;
    void SetUp() override {
        hkcu.Load("[T\\" + LongName + "\\needle]\n");
        SetKeyDacl(HKEY_CURRENT_USER, "T\\Locked", "D:P(D;;GA;;;WD)");
    }
    std::vector<std::string> Run(const std::string& path, const std::string& text, bool k, bool v, bool d,
                                 bool whole, long expectedResult) {
        EXPECT_EQ(s.Find(HKEY_CURRENT_USER, path, text, k, v, d, whole, cancel), expectedResult);
        return Hits(s);
    }
    using V = std::vector<std::string>;
};

}  // namespace

TEST_F(Search, FindsNamesAndDataInOrderIgnoringCase) {
    struct Case {
        const char* text;
        bool keys, values, data, whole;
        V hits;
    };
    const Case cases[] = {
        // A long name never hides its later siblings; a locked key's contents are not reached.
        {"needle", true, true, true, false,
         {"D T | needle at the end | 1", "K T\\" + LongName + "\\needle", "K T\\Z\\needle"}},
        {"open", true, true, false, false, {"V T | OpenWithList", "K T\\Open", "K T\\OpenWith"}},
        {"OPEN", true, true, false, true, {"K T\\Open"}},
        {"16", false, false, true, false, {"D T | 16 | 4"}},
        {"0a1b", false, false, true, false, {"D T | 0A1B | 3"}},
        // Data as the values lists show it: a multi-string's texts joined by blanks, a QWORD as
        // its number, a value of no text type as hexadecimal digits.
        {"beta", false, false, true, false, {"D T | alpha beta | 7"}},
        {"beta", false, false, true, true, {}},
        {"alpha beta", false, false, true, true, {"D T | alpha beta | 7"}},
        {"72623859790382856", false, false, true, true, {"D T | 72623859790382856 | 11"}},
        // One value can give two hits: its name first, then its data (without the name).
        {"twice", false, true, true, false, {"V T | Twice", "D T | twice | 1"}},
        {"locked", true, false, false, false, {"K T\\Locked"}},
        // Every flag clear: the tree is walked and nothing is recorded.
        {"t", false, false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Run("T", c.text, c.keys, c.values, c.data, c.whole, c.hits.empty() ? 0 : 1), c.hits);
        long i = 0;
        for (const auto& h : s) EXPECT_EQ(h->Key, std::to_string(i++));
    }
}

TEST_F(Search, StartingKeyEdges) {
    // One trailing backslash is dropped and the starting key's own name is tested.
    EXPECT_EQ(Run("T\\Open\\", "open", true, false, false, true, 1), V{"K T\\Open"});
    // A missing starting key is still tested by its name.
    EXPECT_EQ(Run("T\\Nope", "nope", true, true, true, false, 1), V{"K T\\Nope"});
    EXPECT_EQ(Run("T\\Nope", "zzz", true, true, true, false, 0), V{});
    // Cancel set before the call: the list is emptied and nothing is searched.
    Run("T", "needle", true, true, true, false, 1);
    cancel = true;
    EXPECT_EQ(Run("T", "needle", true, true, true, false, 0), V{});
}

TEST_F(Search, HitListKeys) {
    auto a = s.Add("first");
    EXPECT_EQ(a->Key, "first");
    EXPECT_EQ(s.Item("first"), a);
    auto b = s.Add("second", "other");
    EXPECT_EQ(b->Key, "second");
    EXPECT_EQ(s.Item("other"), b);
    try {
        s.Add("FIRST");
        FAIL() << "a duplicate key must fail";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, 457);
    }
    // Construction values: keys, values and data on, whole string off, text empty.
    colQVRegistry fresh;
    EXPECT_TRUE(fresh.blnFindInKeys && fresh.blnFindInValues && fresh.blnFindInData && fresh.blnFindOptionEnabled);
    EXPECT_FALSE(fresh.blnFindWholeStringOnly);
    EXPECT_EQ(fresh.cstrFindString, "");
    EXPECT_EQ(&QVRegistry(), &QVRegistry());
}

TEST(SearchRealRegistry, FindsInThePrefixClasses) {
    colQVRegistry s;
    bool cancel = false;
    EXPECT_EQ(s.Find(HKEY_CLASSES_ROOT, "inifile", "open", true, true, true, false, cancel), 1);
    EXPECT_EQ(Hits(s), std::vector<std::string>{"K inifile\\shell\\open"});
    EXPECT_EQ(s.Find(HKEY_CLASSES_ROOT, "inifile", "OPEN", true, true, true, false, cancel), 1);
    EXPECT_EQ(Hits(s), std::vector<std::string>{"K inifile\\shell\\open"});

    ASSERT_EQ(s.Find(HKEY_CLASSES_ROOT, ".ini", "ini", true, true, true, false, cancel), 1);
    auto hits = Hits(s);
    ASSERT_GE(hits.size(), 2u);
    EXPECT_EQ(hits[0], "K .ini");
    EXPECT_EQ(hits[1], "D .ini | inifile | 1");
    EXPECT_EQ(s.Item("1")->vntValue, "");

    ASSERT_EQ(s.Find(HKEY_CLASSES_ROOT, "inifile", "notepad", false, false, true, false, cancel), 1);
    hits = Hits(s);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].substr(0, 31), "D inifile\\shell\\open\\command | ");
    EXPECT_EQ(hits[1].substr(0, 32), "D inifile\\shell\\print\\command | ");
}
