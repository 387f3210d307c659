#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "base/QV_InfoLocal_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/QV_VBExtensions.h"
#include "base/TextCase.h"
#include "base/WinText.h"

using namespace QV_Strings_Lib;
using namespace QV_VBExtensions;

TEST(Strings, GetDirectory) {
    struct Case { const char* path; bool ok; const char* folder; };
    const Case cases[] = {
        {"C:\\", true, "C:\\"},
        {"C:\\x.txt", true, "C:"},
        {"C:\\a\\b\\file.txt", true, "C:\\a\\b"},
        {"\\\\srv\\share\\x.txt", true, "\\\\srv\\share"},
        {"x.txt", false, "<unset>"},
        {"\\\\srv", false, "<unset>"},
        {"a\\b", true, "a\\b"},
        {"ab\\c", true, "ab"},
        {"\\\\a\\b", false, ""},
        {"", false, "<unset>"},
    };
    for (const Case& c : cases) {
        std::string folder = "<unset>";
        EXPECT_EQ(GetDirectory(c.path, folder), c.ok) << c.path;
        EXPECT_EQ(folder, c.folder) << c.path;
        // The same variable as path and folder.
        std::string same = c.path;
        GetDirectory(same, same);
        EXPECT_EQ(same, std::string(c.folder) == "<unset>" ? c.path : c.folder) << c.path;
    }
}

TEST(Strings, GetFileName) {
    struct Case { const char* path; bool result; const char* name; };
    const Case cases[] = {
        {"C:\\dir\\a.b", false, "a.b"},
        {"C:\\dir\\ab", true, "<unset>"},
        {"notepad.exe", false, "notepad.exe"},
        {"C:\\dir\\", true, "<unset>"},
        {"\\\\srv\\share\\Velmora.chm", false, "Velmora.chm"},
    };
    for (const Case& c : cases) {
        std::string name = "<unset>";
        EXPECT_EQ(GetFileName(c.path, name), c.result) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        name = "<unset>";
        EXPECT_EQ(GetFileNameOf(c.path, name), c.result) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        // The same variable in and out.
        std::string same = c.path;
        GetFileName(same, same);
        EXPECT_EQ(same, c.result ? c.path : c.name) << c.path;
        same = c.path;
        GetFileNameOf(same, same);
        EXPECT_EQ(same, c.result ? c.path : c.name) << c.path;
    }
}

TEST(Strings, ReplaceTrimAndParent) {
    struct Replace { const char* text; const char* find; const char* with; const char* out; };
    const Replace replaces[] = {
        {"aXbXc", "X", "YY", "aYYbYYc"},
        {"aXbXc", "X", "X", "aXbXc"},
        {"aXbXc", "", "Z", "aXbXc"},
        {"aaaa", "aa", "a", "aa"},
        {"aXbXc", "x", "Y", "aXbXc"},
        {"%1 of %1", "%1", "", " of "},
        {"", "a", "b", ""},
    };
    for (const Replace& r : replaces) EXPECT_EQ(ReplaceAll(r.text, r.find, r.with), r.out) << r.text;

    struct Trim { const char* in; const char* out; };
    const Trim trims[] = {{"  a b  ", "a b"}, {"\ta ", "\ta"}, {"   ", ""}, {"", ""}, {"x", "x"}};
    for (const Trim& t : trims) {
        std::string s = t.in;
        TrimSpaces(s);
        EXPECT_EQ(s, t.out) << "[" << t.in << "]";
    }

    struct Parent { const char* in; const char* out; };
    const Parent parents[] = {
        {"C:\\a\\b", "C:\\a"}, {"C:\\a", "C:"}, {"SOFTWARE\\Classes\\CLSID", "SOFTWARE\\Classes"},
        {"C:", ""}, {"abc", ""}, {"a\\", ""}, {"ab\\", "ab"},
    };
    for (const Parent& p : parents) EXPECT_EQ(GetParentPath(p.in), p.out) << p.in;

    EXPECT_EQ(TrimAtNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(TrimAtNull(std::string("\0x", 2)), "");
    EXPECT_EQ(TrimAtNull("plain "), "plain ");

    SYSTEMTIME july = {};
    july.wYear = 2003;
    july.wMonth = 7;
    july.wDay = 4;
    EXPECT_EQ(DateToMMDDYYYY(july), "07042003");
    EXPECT_EQ(DateToMMDDYYYY(37806.75), "07042003");  // 4 July 2003, 18:00
    EXPECT_EQ(DateToMMDDYYYY(45000.0), "03152023");
}

TEST(Strings, LanguageRoutines) {
    struct Digits { const char* text; bool ok; };
    for (const Digits& d : {Digits{"0123", true}, Digits{"12a", false}, Digits{"", true}, Digits{" 1", false},
                            Digits{"-1", false}})
        EXPECT_EQ(IsDigits(d.text), d.ok) << d.text;

    struct Word { const char* text; const char* word; bool ignoreCase; bool found; };
    const Word words[] = {
        {"foo-bar baz", "bar", false, true},
        {"foobar", "bar", false, false},
        {"bar", "bar", false, true},
        {"bar baz", "bar", false, true},
        {"x,bar", "bar", false, true},
        {"bar,x", "bar", false, true},
        {"barx", "bar", false, false},
        {"Foo BAR", "bar", false, false},
        {"Foo BAR", "bar", true, true},
        {"", "bar", true, false},
        {"bar", "", true, false},
    };
    for (const Word& w : words) EXPECT_EQ(ContainsWord(w.text, w.word, w.ignoreCase), w.found) << w.text;

    EXPECT_EQ(BoolToNum(true), 1);
    EXPECT_EQ(BoolToNum(false), 0);
    EXPECT_EQ(BoolToText01(true), "1");
    EXPECT_EQ(BoolToText01(false), "0");

    std::shared_ptr<int> none, some = std::make_shared<int>(1);
    int* raw = nullptr;
    EXPECT_TRUE(IsNothing(none));
    EXPECT_FALSE(IsNothing(some));
    EXPECT_TRUE(IsNothing(raw));
}

TEST(Strings, EnvironmentLookupIgnoresTheCaseOfNames) {
    char path[32768] = {};
    ASSERT_GT(GetEnvironmentVariableA("PATH", path, sizeof path), 0u);
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("PATH"), path);
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("path"), path);

    std::string root = QV_InfoLocal_Lib::GetEnvironmentValue("SystemRoot");
    EXPECT_FALSE(root.empty());
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("systemroot"), root);
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("SYSTEMROOT"), root);

    SetEnvironmentVariableA("VELM_PROBE", "a=b");
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("velm_probe"), "a=b");
    SetEnvironmentVariableA("VELM_PROBE", nullptr);
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("VELM_PROBE"), "");
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue("VELM_PROB"), "");
    EXPECT_EQ(QV_InfoLocal_Lib::GetEnvironmentValue(""), "");
}

// The case rules of names and the wide form of ANSI text follow the ANSI code page (1252 here).
TEST(TextCase, EndsWithAndWideTextFollowTheAnsiCodePage) {
    const struct {
        const char* text;
        const char* suffix;
        bool ends;
    } cases[] = {{"C:\\App\\Setup.Exe", ".EXE", true},  {"C:\\App\\Setup.exe", ".exe", true},
                 {"C:\\App\\Setup.exe", "EXE", true},     {"exe", ".exe", false},
                 {"C:\\App\\Setup.exe ", ".exe", false},  {"Datei.\xE4xe", ".\xC4XE", true},
                 {"anything", "", true},                  {"", "x", false}};
    for (const auto& c : cases) EXPECT_EQ(TextCase::EndsWith(c.text, c.suffix), c.ends) << c.text << " " << c.suffix;

    EXPECT_EQ(WinText::Wide("Gr\xFC\xDF" "e \x80"), L"Gr\u00FC\u00DFe \u20AC");
    EXPECT_EQ(WinText::Wide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(WinText::Wide(""), L"");
}
