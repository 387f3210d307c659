#include "app/Register_UninstClean.h"

#include <cerrno>
#include <cstdlib>

#include "app/clsDroskGlobal.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Registry_Lib.h"
#include "ui/Form.h"

namespace Register_UninstClean {

namespace reg = QV_Registry_Lib;

namespace {

// The stored text as a 32-bit number: optional blanks and sign, then decimal digits.
// Anything else (letters, too many digits) is malformed and gives false.
bool ToLong(const std::string& text, long& n) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    std::string t = text.substr(b, e - b + 1);
    size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (i >= t.size()) return false;
    for (size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9') return false;
    errno = 0;
    long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE || v > 2147483647LL || v < -2147483648LL) return false;
    n = static_cast<long>(v);
    return true;
}

std::string ReadText(HKEY key, const char* name) {
    if (!key) return "";
    std::string data;
    long type = REG_SZ;
    if (reg::QueryValue(key, name, data, type, 0) != "0") return "";
    return data;
}

void WriteText(HKEY key, const char* name, const std::string& text) {
    reg::SetValue(key, name, Variant(text), REG_SZ, 0);
}

std::string Flag(bool b) { return b ? "1" : "0"; }

// Geometry rule: empty gives 0; a number not greater than the limit is taken; anything
// else (too large, malformed) leaves the member as it was.
void ReadBounded(HKEY key, const char* name, long limit, long& member) {
    std::string t = ReadText(key, name);
    long n;
    if (t.empty()) member = 0;
    else if (ToLong(t, n) && n <= limit) member = n;
}

// Arranged-by rule: 0 first; a number within 0..max is taken, anything else stays 0.
void ReadChoice(HKEY key, const char* name, long max, Variant& member) {
    member = Variant(0L);
    std::string t = ReadText(key, name);
    long n;
    if (!t.empty() && ToLong(t, n) && n >= 0 && n <= max) member = Variant(n);
}

}  // namespace

long ScreenWidthTwips() { return ui::Screen::Width(); }
long ScreenHeightTwips() { return ui::Screen::Height(); }

bool Firsttime() {
    bool result = true;
    TrapErrors(kModule, "Firsttime", [&] {
        {
            RegKey key;
            if (reg::OpenKey(HKEY_CURRENT_USER, cstrProgramKey, key.Receive(), 0) == 0 &&
                ReadText(key.get(), "version") == cstrVersion)
                result = false;
        }
        {
            RegKey settings;
            if (reg::OpenKey(HKEY_CURRENT_USER, cstrSettingsKey, settings.Receive(), 0) != 0) result = true;
        }
        if (result) {
            std::string path = cstrProgramKey;
            reg::DeleteKeyTree(HKEY_CURRENT_USER, path, 0);
            RegKey program;
            if (reg::CreateKey(HKEY_CURRENT_USER, cstrProgramKey, program.Receive(), 0) == 0) {
                WriteText(program.get(), "Version", cstrVersion);
                RegKey sub;
                reg::CreateKey(program.get(), "Settings", sub.Receive(), 0);
            }
        }
    });
    return result;
}

void RunStartupSequence() {
    TrapErrors(kModule, "RunStartupSequence", [] {
        clsDroskGlobal& g = DroskGlobal();
        if (!Firsttime()) {
            g.blnIsFirsttime = false;
            RestoreSettings();
        } else {
            g.blnIsFirsttime = true;
            g.blnOptionAutostart = Variant(false);
            g.blnOptionAutoUpdate = true;
            g.blnOptionLaunchMinimized = false;
            g.LastTab = Variant(3L);
            // The arranged-by choices start where a later start restores an unset one: the first
            // entry, not detailed, so that the trees, the options and the stored values agree.
            g.vntSDSelectedBy = Variant(0L);
            g.vntCMHSelectedBy = Variant(0L);
            g.vntRegCompSelectedBy = Variant(0L);
        }
    });
}

void RestoreSettings() {
    TrapErrors(kModule, "RestoreSettings", [] {
        clsDroskGlobal& g = DroskGlobal();
        ::colQVRegistry& find = colQVRegistry();
        // Without the key every setting reads empty and takes its default.
        RegKey settings;
        reg::OpenKey(HKEY_CURRENT_USER, cstrSettingsKey, settings.Receive(), 0);
        const HKEY key = settings.get();
        const long screenW = ScreenWidthTwips(), screenH = ScreenHeightTwips();

        g.blnOptionShowInTaskbar = ReadText(key, "ShowInTaskbar") != "0";
        g.blnOptionLaunchMinimized = ReadText(key, "LaunchMinimized") == "1";
        g.blnOptionAutoUpdate = ReadText(key, "AutoUpdate") == "1";
        ReadBounded(key, "WindowHeight", screenH, g.lngWindowHeight);
        ReadBounded(key, "WindowWidth", screenW, g.lngWindowWidth);
        {
            std::string t = ReadText(key, "WindowState");
            long n;
            g.lngWindowState = (!t.empty() && ToLong(t, n) && n >= 0 && n <= 2) ? n : 0;
        }
        ReadBounded(key, "ScreenHeight", screenH, g.lngScreenHeight);
        ReadBounded(key, "ScreenWidth", screenW, g.lngScreenWidth);
        ReadBounded(key, "WindowLeft", screenW, g.lngWindowLeft);
        ReadBounded(key, "WindowTop", screenH, g.lngWindowTop);
        for (auto [name, member] : {std::pair<const char*, long*>{"SplitterRegCompLeft", &g.lngSplitterRegCompLeft},
                                    {"SplitterSDLeft", &g.lngSplitterSDLeft}}) {
            std::string t = ReadText(key, name);
            long n;
            if (!t.empty() && ToLong(t, n) && static_cast<long long>(n) <= static_cast<long long>(g.lngWindowWidth) - 500)
                *member = n;
        }
        {
            std::string t = ReadText(key, "Last_Tab");
            long n;
            bool digits = !t.empty() && t.find_first_not_of("0123456789") == std::string::npos;
            g.LastTab = (digits && ToLong(t, n)) ? Variant(n) : Variant(3L);
        }
        g.blnSDDetailed = ReadText(key, "SD_Detailed") == "1";
        ReadChoice(key, "SD_SelectedBy", 3, g.vntSDSelectedBy);
        g.blnCMHGeneralEntries = ReadText(key, "CMH_GeneralEntries") == "1";
        ReadChoice(key, "CMH_SelectedBy", 1, g.vntCMHSelectedBy);
        g.blnRegCompDetailed = ReadText(key, "RegComp_Detailed") == "1";
        ReadChoice(key, "RegComp_SelectedBy", 3, g.vntRegCompSelectedBy);
        // "1" is True, anything else False. A first run restores nothing: the engine then keeps
        // its own values (keys, values and data on), and those are what the close saves.
        find.cstrFindString = ReadText(key, "Find_lastString");
        find.blnFindInKeys = ReadText(key, "Find_FindInKeys") == "1";
        find.blnFindInValues = ReadText(key, "Find_FindInValues") == "1";
        find.blnFindInData = ReadText(key, "Find_FindInData") == "1";
        find.blnFindWholeStringOnly = ReadText(key, "Find_MatchWholeStringOnly") == "1";
    });
}

bool SaveSettingsValues() {
    if (Firsttime()) return false;
    clsDroskGlobal& g = DroskGlobal();
    const ::colQVRegistry& find = colQVRegistry();
    RegKey settings;
    if (reg::OpenKey(HKEY_CURRENT_USER, cstrSettingsKey, settings.Receive(), 0) != 0) return true;
    const HKEY key = settings.get();
    auto num = [](long n) { return std::to_string(n); };
    // An arranged-by choice is written as text when it is above the limit, else as "0".
    auto choice = [](const Variant& v, double above) {
        return (v.IsEmpty() || v.ToNumber() > above) ? v.ToText() : std::string("0");
    };
    WriteText(key, "ShowInTaskbar", Flag(g.blnOptionShowInTaskbar));
    WriteText(key, "LaunchMinimized", Flag(g.blnOptionLaunchMinimized));
    WriteText(key, "AutoUpdate", Flag(g.blnOptionAutoUpdate));
    WriteText(key, "WindowHeight", num(g.lngWindowHeight));
    WriteText(key, "WindowWidth", num(g.lngWindowWidth));
    WriteText(key, "WindowState", num(g.lngWindowState));
    WriteText(key, "ScreenWidth", num(g.lngScreenWidth));
    WriteText(key, "ScreenHeight", num(g.lngScreenHeight));
    WriteText(key, "WindowLeft", num(g.lngWindowLeft));
    WriteText(key, "WindowTop", num(g.lngWindowTop));
    WriteText(key, "SplitterRegCompLeft", num(g.lngSplitterRegCompLeft));
    WriteText(key, "SplitterSDLeft", num(g.lngSplitterSDLeft));
    WriteText(key, "Last_Tab", g.LastTab.ToText());
    WriteText(key, "SD_Detailed", Flag(g.blnSDDetailed));
    WriteText(key, "SD_SelectedBy", choice(g.vntSDSelectedBy, -1));
    WriteText(key, "CMH_GeneralEntries", Flag(g.blnCMHGeneralEntries));
    WriteText(key, "CMH_SelectedBy", choice(g.vntCMHSelectedBy, -1));
    WriteText(key, "RegComp_Detailed", Flag(g.blnRegCompDetailed));
    WriteText(key, "RegComp_SelectedBy",
              (!g.vntRegCompSelectedBy.IsEmpty() && g.vntRegCompSelectedBy.ToNumber() > 0)
                  ? g.vntRegCompSelectedBy.ToText() : std::string("0"));
    WriteText(key, "Find_lastString", find.cstrFindString);
    WriteText(key, "Find_FindInKeys", Flag(find.blnFindInKeys));
    WriteText(key, "Find_FindInValues", Flag(find.blnFindInValues));
    WriteText(key, "Find_FindInData", Flag(find.blnFindInData));
    WriteText(key, "Find_MatchWholeStringOnly", Flag(find.blnFindWholeStringOnly));
    return true;
}

RegKey OpenUninstCache() {
    RegKey key;
    if (reg::CreateKey(HKEY_LOCAL_MACHINE, cstrCacheKey, key.Receive(), 0) != 0) key.Close();
    return key;
}

void DeleteUninstCache() {
    std::string path = cstrCacheKey;
    reg::DeleteKeyTree(HKEY_LOCAL_MACHINE, path, 0);
}

void WriteUninstCacheEntry(HKEY cacheKey, const std::string& displayName, const std::string& appPath,
                           const std::string& defaultExecutable, const Variant& verified,
                           const std::string& nothingFound) {
    bool exists = !defaultExecutable.empty() && QV_APIFileAndDisk::FileExists(defaultExecutable);
    std::string flag;
    if (verified == Variant(true)) flag = "1";
    else if (verified.IsEmpty() || verified == Variant(false)) flag = "0";
    else return;
    std::string data = appPath + "<:>" + (exists ? defaultExecutable : std::string(" ")) + "<:>" + flag;
    if (!nothingFound.empty() && appPath.empty() && flag == "0") data += std::string("<:>") + kNothingFound + nothingFound;
    WriteText(cacheKey, displayName.c_str(), data);
}

}  // namespace Register_UninstClean
