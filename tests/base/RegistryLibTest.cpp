// The single-key routines of the registry library against fixtures and the prefix's real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "tests/support/Boxes.h"
#include "tests/support/RegFixture.h"

using namespace QV_Registry_Lib;

namespace {
// A scratch hive for the tests of this file: HKEY_CURRENT_USER points at a fixture key.
class RegistryLib : public ::testing::Test {
protected:
    RegFixture hkcu{HKEY_CURRENT_USER, R"(
        [T]
        @="default text"
        "Dword32"=dword:00000020
        "DwordMax"=dword:ffffffff
        "Bin"=hex:00,0f,a0
        "EmptySz"=""
        "Sz"="abc"
        "SzNoNul"=hex(1):61,62
        "Exp"=expand:"%SystemRoot%\\system32"
        "Multi"=multi:"a","b"
        "MultiFirstEmpty"=hex(7):00,00
        "BigEndian"=hex(5):01,02,03,04
    )"};

    HKEY Open(const std::string& path = "T") {
        HKEY h = nullptr;
        EXPECT_EQ(OpenKey(HKEY_CURRENT_USER, path, h, 0), 0);
        return h;
    }
    std::string Raw(HKEY h, const char* name) {
        char buf[64];
        DWORD size = sizeof buf, type = 0;
        if (RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != 0) return "(none)";
        return std::string(buf, size);
    }
};
}  // namespace

TEST(ShowRegError, ShowsByLevelThroughTheMessageBox) {
    struct Case { long code, level; const char* box; };
    const Case cases[] = {
        {2, 1, nullptr},
        {2, 2, "Key couldn't be found"},
        {234, 2, nullptr},
        {234, 3, "Undefinied key error code! (234)"},
        {1011, 1, "Cannot Open Key"},
        {1011, 3, "Cannot Open Key"},
        {5, 1, "Access to Registry Denied. (Maybe the Result of error deleting a Key which includes one or more "
               "Subkeys in itself)"},
        {1009, 1, nullptr},
        {1009, 2, "Corrupt Registry Database!"},
        {87, 2, nullptr},
        {87, 3, "Invalid Parameter"},
        {161, 3, "Invalid Path given"},
        {0, 3, nullptr},
        {259, 3, nullptr},
        {1011, 0, nullptr},
        {1011, 4, nullptr},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        ShowRegError(c.code, c.level);
        SCOPED_TRACE(std::to_string(c.code) + " at level " + std::to_string(c.level));
        if (!c.box) {
            EXPECT_TRUE(boxes.boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].prompt, c.box);
        EXPECT_EQ(boxes.boxes[0].style, 0);
        EXPECT_EQ(boxes.boxes[0].title, "Velmora");
    }
}

TEST_F(RegistryLib, QueryValueConvertsByTheTypePassedIn) {
    HKEY h = Open();
    struct Case { const char* name; long type; const char* text; long stored; };
    const Case cases[] = {
        {"Dword32", REG_DWORD, "32", REG_DWORD},
        {"DwordMax", REG_DWORD, "4294967295", REG_DWORD},
        {"Bin", REG_BINARY, "000FA0", REG_BINARY},
        {"EmptySz", REG_SZ, "", REG_SZ},
        {"Sz", REG_SZ, "abc", REG_SZ},
        {"SzNoNul", REG_SZ, "ab", REG_SZ},  // stored without its NUL: the last character stays
        {"Exp", REG_EXPAND_SZ, "%SystemRoot%\\system32", REG_EXPAND_SZ},
        {"", REG_SZ, "default text", REG_SZ},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5).c_str(), REG_MULTI_SZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data = "old";
        long type = c.type;
        EXPECT_EQ(QueryValue(h, c.name, data, type, 0), "0");
        EXPECT_EQ(type, c.stored);
        if (std::string(c.name) == "Multi")
            EXPECT_EQ(data, std::string("a\0b\0\0", 5));
        else
            EXPECT_EQ(data, c.text);
    }
    std::string data = "old";
    long type = REG_SZ;
    EXPECT_EQ(QueryValue(h, "Missing", data, type, 0), "2");
    EXPECT_EQ(data, "");
    CloseKey(h, 0);
}

TEST_F(RegistryLib, QueryValueSplitsAMultiStringIntoAList) {
    HKEY h = Open();
    std::vector<std::string> list{"stale"};
    std::string data = "kept";
    long type = REG_MULTI_SZ;
    EXPECT_EQ(QueryValue(h, "Multi", data, type, 0, &list), "0");
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(data, "kept");
    EXPECT_EQ(QueryValue(h, "MultiFirstEmpty", data, type, 0, &list), "0");
    EXPECT_TRUE(list.empty());
    CloseKey(h, 0);
}

TEST_F(RegistryLib, QueryValueRefusesAnUnhandledTypeByLevel) {
    HKEY h = Open();
    for (long level : {1, 2, 3}) {
        BoxRecorder boxes;
        std::string data = "kept";
        long type = REG_DWORD_BIG_ENDIAN;
        std::string result = QueryValue(h, "BigEndian", data, type, level);
        EXPECT_EQ(result, level == 3 ? "" : "!Error!") << level;
        EXPECT_EQ(data, "kept");
        EXPECT_EQ(boxes.Prompts(), level == 2 ? std::vector<std::string>{"Data-Type couldn't be read! (1,2)"}
                                              : std::vector<std::string>{});
    }
    CloseKey(h, 0);
}

TEST_F(RegistryLib, ReadsValuesAndNamesOfEveryValidSize) {
    HKEY h = Open();
    const std::string big(5000, 'x');
    const std::string longKey(255, 'k');
    const std::string longValueName(16383, 'v');
    SetValue(h, "Big", Variant(big), REG_SZ, 0);
    SetValue(h, longValueName, Variant("y"), REG_SZ, 0);
    HKEY sub = nullptr;
    ASSERT_EQ(CreateKey(h, longKey, sub, 0), 0);
    CloseKey(sub, 0);

    std::string data;
    long type = REG_SZ;
    EXPECT_EQ(QueryValue(h, "Big", data, type, 3), "0");
    EXPECT_EQ(data, big);

    std::string name;
    long noMore = 0;
    EXPECT_EQ(EnumKey(h, 0, name, noMore, 3), 0);
    EXPECT_EQ(name, longKey);
    EXPECT_EQ(EnumKey(h, 1, name, noMore, 3), 0);  // past the last: 0 with the flag
    EXPECT_EQ(noMore, 1);

    bool sawLongName = false, sawBig = false;
    long count = 0;
    for (long i = 0;; ++i) {
        std::string raw;
        long t = 0;
        long rc = EnumValue(h, i, name, raw, t, noMore, 3);
        if (noMore) {
            EXPECT_EQ(rc, 259);
            break;
        }
        ASSERT_EQ(rc, 0);
        ++count;
        if (name == longValueName) sawLongName = true;
        if (name == "Big") sawBig = raw == big + '\0';
    }
    EXPECT_EQ(count, 13);
    EXPECT_TRUE(sawLongName);
    EXPECT_TRUE(sawBig);
    CloseKey(h, 0);
}

// The one enumeration layer: names and data of every valid size, read whole by a reader whose
// buffers were sized for a smaller key (an entry that grew after the key was counted).
TEST_F(RegistryLib, TheEnumerationReadsEveryEntryWholeAndInTheRegistrysOrder) {
    HKEY h = Open();
    RegEnum::Reader reader;
    reader.Prepare(RegEnum::CountsOf(h), true);  // sized for the fixture's small entries

    const std::string longKey(255, 'k'), longValueName(16383, 'v'), megabyte(1 << 20, 'm');
    HKEY sub = nullptr;
    ASSERT_EQ(CreateKey(h, longKey, sub, 0), 0);
    CloseKey(sub, 0);
    SetValue(h, longValueName, Variant("y"), REG_SZ, 0);
    SetValue(h, "Mega", Variant(megabyte), REG_SZ, 0);

    std::string name;
    ASSERT_EQ(reader.SubKeyAt(h, 0, name), 0);
    EXPECT_EQ(name, longKey);
    EXPECT_EQ(reader.SubKeyAt(h, 1, name), ERROR_NO_MORE_ITEMS);

    std::map<std::string, std::pair<DWORD, size_t>> byIndex;
    RegEnum::Value value;
    for (DWORD i = 0;; ++i) {
        const long rc = reader.ValueAt(h, i, true, value);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, 0) << i;
        byIndex[std::string(value.name)] = {value.type, value.data.size()};
    }
    EXPECT_EQ(byIndex.size(), 13u);
    EXPECT_EQ(byIndex[longValueName], (std::pair<DWORD, size_t>{REG_SZ, 2}));
    EXPECT_EQ(byIndex["Mega"], (std::pair<DWORD, size_t>{REG_SZ, megabyte.size() + 1}));
    EXPECT_EQ(byIndex["Dword32"], (std::pair<DWORD, size_t>{REG_DWORD, 4}));

    // The for-each forms see the same entries, in the same order; without data only the names.
    std::vector<std::string> keys, values, valuesNoData;
    EXPECT_EQ(RegEnum::ForEachSubKey(h, [&](const std::string& n) { keys.push_back(n); }), 0);
    EXPECT_EQ(keys, std::vector<std::string>{longKey});
    EXPECT_EQ(RegEnum::ForEachValue(h, true, [&](const RegEnum::Value& v) {
                  values.emplace_back(v.name);
                  if (v.name == "Mega") {
                      EXPECT_EQ(v.data.substr(0, 4), "mmmm");
                  }
              }),
              0);
    EXPECT_EQ(RegEnum::ForEachValue(h, false, [&](const RegEnum::Value& v) {
                  valuesNoData.emplace_back(v.name);
                  EXPECT_TRUE(v.data.empty());
              }),
              0);
    EXPECT_EQ(values.size(), 13u);
    EXPECT_EQ(values, valuesNoData);
    CloseKey(h, 0);
}

// The one rule of every walk by index: an unreadable entry is passed over, a source that answers
// nothing but errors ends the walk after kMaxFailuresInARow of them in a row, and a walk that
// must see every entry stops at the first it cannot read.
TEST(RegEnumWalk, PassesOverUnreadableEntriesUntilTheSourceAnswersNothingElse) {
    constexpr int kMax = RegEnum::kMaxFailuresInARow;
    static constexpr long kBad = ERROR_INVALID_DATA;
    // A source's answers by index: 0 an entry, kBad an unreadable one; past the end, the last
    // answer repeats (`endless`) or ERROR_NO_MORE_ITEMS comes.
    struct Case {
        const char* what;
        std::vector<long> answers;
        bool endless;
        RegEnum::OnFailure onFailure;
        std::vector<DWORD> visited;
        long result;
        DWORD reads;
    };
    auto fails = [](int n) { return std::vector<long>(static_cast<size_t>(n), kBad); };
    auto then = [](std::vector<long> a, std::vector<long> b) { return a.insert(a.end(), b.begin(), b.end()), a; };
    const Case cases[] = {
        {"entries around unreadable ones", {0, kBad, kBad, 0}, false, RegEnum::OnFailure::PassOver, {0, 3}, kBad, 5},
        {"an entry after one failure short of the limit", then(fails(kMax - 1), {0}), false,
         RegEnum::OnFailure::PassOver, {static_cast<DWORD>(kMax - 1)}, kBad, static_cast<DWORD>(kMax + 1)},
        {"a source that answers only errors", {kBad}, true, RegEnum::OnFailure::PassOver, {}, kBad,
         static_cast<DWORD>(kMax)},
        {"a walk that must see every entry", {0, kBad, 0}, false, RegEnum::OnFailure::Stop, {0}, kBad, 2},
        {"no entry at all", {}, false, RegEnum::OnFailure::PassOver, {}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD reads = 0;
        std::vector<DWORD> visited;
        const long result = RegEnum::EachEntry(
            MAXDWORD,
            [&](DWORD i) -> long {
                ++reads;
                if (i < c.answers.size()) return c.answers[i];
                return c.endless ? c.answers.back() : ERROR_NO_MORE_ITEMS;
            },
            [&](DWORD i) { visited.push_back(i); }, c.onFailure);
        EXPECT_EQ(visited, c.visited);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(reads, c.reads);
    }
    // A visit that answers false ends the walk; a known count ends it without asking further.
    std::vector<DWORD> visited;
    EXPECT_EQ(RegEnum::EachEntry(5, [](DWORD) { return 0L; }, [&](DWORD i) { return visited.push_back(i), i < 1; }), 0);
    EXPECT_EQ(visited, (std::vector<DWORD>{0, 1}));
    DWORD reads = 0;
    RegEnum::EachEntry(3, [&](DWORD) { return ++reads, 0L; }, [](DWORD) {});
    EXPECT_EQ(reads, 3u);
}

// A key deleted while a handle to it is open answers every read with an error: the walks of it
// end, with that error, instead of asking for ever.
TEST_F(RegistryLib, AWalkOfAKeyDeletedUnderItEnds) {
    HKEY gone = nullptr;
    ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, "T\\Gone\\Child", gone, 0), 0);
    CloseKey(gone, 0);
    ASSERT_EQ(OpenKey(HKEY_CURRENT_USER, "T\\Gone", gone, 0, KEY_READ_ONLY), 0);
    std::string path = "T\\Gone";
    ASSERT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, path, 0), 0);
    int seen = 0;
    EXPECT_NE(RegEnum::ForEachSubKey(gone, [&](const std::string&) { ++seen; }), 0);
    EXPECT_NE(RegEnum::ForEachValue(gone, true, [&](const RegEnum::Value&) { ++seen; }), 0);
    EXPECT_EQ(seen, 0);
    CloseKey(gone, 0);
}

// The wide forms read the exact names (a character the ANSI code page has not) and data of every
// valid size, with buffers grown from a reader sized for a smaller key.
TEST_F(RegistryLib, TheWideEnumerationReadsExactNamesAndWholeData) {
    HKEY h = Open();
    RegEnum::WideReader reader;
    reader.Prepare(RegEnum::CountsOf(h), true);
    const std::wstring exactKey = std::wstring(254, L'k') + L"\x4E2D";
    const std::wstring longValueName = std::wstring(16382, L'v') + L"\x4E2D";
    const std::string megabyte(1 << 20, 'm');
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(h, exactKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), 0);
    RegCloseKey(sub);
    ASSERT_EQ(RegSetValueExW(h, longValueName.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(megabyte.data()),
                             static_cast<DWORD>(megabyte.size())),
              0);

    std::wstring name;
    ASSERT_EQ(reader.SubKeyAt(h, 0, name), 0);
    EXPECT_EQ(name, exactKey);
    RegEnum::WideValue value;
    bool sawLong = false;
    for (DWORD i = 0; reader.ValueAt(h, i, true, value) == 0; ++i)
        if (value.name == longValueName) sawLong = value.type == REG_BINARY && value.data == megabyte;
    EXPECT_TRUE(sawLong);

    std::vector<std::wstring> keys, values;
    EXPECT_EQ(RegEnum::ForEachSubKeyW(h, [&](const std::wstring& n) { keys.push_back(n); }), 0);
    EXPECT_EQ(keys, std::vector<std::wstring>{exactKey});
    EXPECT_EQ(RegEnum::ForEachValueW(h, [&](const RegEnum::WideValue& v) { values.emplace_back(v.name); },
                                     RegEnum::OnFailure::Stop),
              0);
    EXPECT_EQ(values.size(), 12u);
    EXPECT_NE(std::find(values.begin(), values.end(), longValueName), values.end());
    CloseKey(h, 0);
}

TEST_F(RegistryLib, SetValueWritesTheBytesOfEachType) {
    HKEY h = Open();
    std::vector<Variant> list{Variant(""), Variant::Null(), Variant("y")};
    EXPECT_EQ(SetValue(h, "M", Variant("x"), REG_MULTI_SZ, 0, &list), Variant(0L));
    EXPECT_EQ(Raw(h, "M"), std::string("x\0y\0\0", 5));
    SetValue(h, "D", Variant(255), REG_DWORD, 0);
    EXPECT_EQ(Raw(h, "D"), std::string("\xFF\0\0\0", 4));
    SetValue(h, "DText", Variant("ab"), REG_DWORD, 0);
    EXPECT_EQ(Raw(h, "DText"), std::string("ab\0\0", 4));
    SetValue(h, "S", Variant("text"), REG_EXPAND_SZ, 0);
    EXPECT_EQ(Raw(h, "S"), std::string("text\0", 5));
    {
        BoxRecorder boxes;
        EXPECT_EQ(SetValue(h, "B", Variant("x"), REG_BINARY, 2), Variant("!Error!"));
        EXPECT_EQ(SetValue(h, "B", Variant("x"), REG_BINARY, 3), Variant(0L));
        EXPECT_EQ(SetValue(h, "D2", Variant(1.5), REG_DWORD, 2), Variant(0L));
        EXPECT_EQ(boxes.Prompts(), (std::vector<std::string>{"Data-Type couldn't be written!",
                                                             "The Datatype you've given to write as REG_DWORD is not handled !"}));
        EXPECT_EQ(Raw(h, "B"), "(none)");
    }
    CloseKey(h, 0);
}

TEST_F(RegistryLib, OpenKeyWithMaskZeroAsksForFullAccess) {
    SetKeyDacl(HKEY_CURRENT_USER, "T\\ReadOnly", "D:P(A;;KR;;;WD)");  // everyone may only read

    BoxRecorder boxes;
    HKEY h = nullptr;
    EXPECT_EQ(OpenKey(HKEY_CURRENT_USER, "T\\ReadOnly", h, 1, KEY_READ_ONLY), 0);
    CloseKey(h, 0);
    EXPECT_EQ(OpenKey(HKEY_CURRENT_USER, "T\\ReadOnly", h, 1), 5);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].prompt.rfind("Access to Registry Denied.", 0), 0u);
}

TEST(RegistryLibRealPrefix, ReadsTheRealRegistryUnconverted) {
    HKEY h = nullptr;
    ASSERT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", h, 0, KEY_READ_ONLY), 0);
    std::string data;
    long type = REG_EXPAND_SZ;
    EXPECT_EQ(QueryValue(h, "ProgramFilesPath", data, type, 0), "0");
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(data, "%ProgramFiles%");
    CloseKey(h, 0);

    // A real REG_DWORD reads back as unsigned decimal text.
    ASSERT_EQ(OpenKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Windows", h, 0, KEY_READ_ONLY), 0);
    DWORD expected = 0, size = sizeof expected;
    ASSERT_EQ(RegQueryValueExA(h, "CSDVersion", nullptr, nullptr, reinterpret_cast<BYTE*>(&expected), &size), 0);
    type = REG_DWORD;
    EXPECT_EQ(QueryValue(h, "CSDVersion", data, type, 0), "0");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, std::to_string(expected));
    CloseKey(h, 0);
}

// Key paths longer than the ANSI registry functions take (MAX_PATH): every routine that opens,
// creates or deletes a key by its path reaches the key, around the limit and far beyond it.
TEST_F(RegistryLib, KeysBelowPathsLongerThanMaxPathOpenEditAndDelete) {
    // "T\" and then names of at most 255 characters up to `length` characters in all.
    auto pathOf = [](size_t length, char letter) {
        std::string path = "T";
        while (path.size() < length) {
            const size_t rest = length - path.size();
            const size_t name = rest <= 256 ? rest - 1 : rest == 257 ? 254 : 255;
            path += "\\" + std::string(name, letter);
        }
        return path;
    };
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"a 248-character name below a service-key path",
         "T\\SYSTEM\\CurrentControlSet\\Services\\" + std::string(248, 's')},
        {"259 characters", pathOf(259, 'a')},
        {"260 characters", pathOf(260, 'b')},
        {"261 characters", pathOf(261, 'c')},
        {"four names of 255 characters", pathOf(2 + 4 * 256 - 1, 'd')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string& path = c.path;
        {
            HKEY h = nullptr;
            ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, path, h, 0), 0);
            SetValue(h, "Pin", Variant("needle"), REG_SZ, 0);
            CloseKey(h, 0);
        }
        ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, path));
        HKEY h = nullptr;
        ASSERT_EQ(OpenKey(HKEY_CURRENT_USER, path, h, 3, KEY_READ_ONLY), 0);
        CloseKey(h, 0);

        long index = -1, type = 0;
        std::string raw, text;
        EXPECT_EQ(FindValue(HKEY_CURRENT_USER, path, "pin", index, type, raw, text, 0), 0);
        EXPECT_EQ(text, "needle");
        EXPECT_EQ(ModifyValue(HKEY_CURRENT_USER, path, "Pin", "changed", 0), 0);
        EXPECT_EQ(RenameValue(HKEY_CURRENT_USER, path, "Pin", "Moved", 0), 0);
        EXPECT_EQ(FindValue(HKEY_CURRENT_USER, path, "Moved", index, type, raw, text, 0), 0);
        EXPECT_EQ(text, "changed");

        ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, path + "\\Child", h, 0), 0);
        CloseKey(h, 0);
        EXPECT_EQ(RenameKey(HKEY_CURRENT_USER, path + "\\Child", HKEY_CURRENT_USER, path + "\\Renamed", 0), 0);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + "\\Child"));
        EXPECT_EQ(DeleteKey(HKEY_CURRENT_USER, path + "\\Renamed", 0), 0);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + "\\Renamed"));

        ASSERT_EQ(CreateKey(HKEY_CURRENT_USER, path + "\\Child\\Grandchild", h, 0), 0);
        CloseKey(h, 0);
        std::string doomed = path;
        EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, doomed, 0), 0);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "T"));
    }
}
