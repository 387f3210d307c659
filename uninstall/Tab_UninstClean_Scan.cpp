#include <windows.h>
#include <commctrl.h>

#include "uninstall/Tab_UninstClean.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "ui/RegistryValuesList.h"
#include "image/QV_IconsAndResources.h"
#include "ui/ui.h"
#include "uninstall/Tab_UninstClean_Internal.h"

using namespace QV_Registry_Lib;

namespace Tab_UninstClean {
namespace detail {

void PumpEvents() {
    static DWORD last = 0;
    DWORD now = GetTickCount();
    if (now - last < 15) return;
    last = now;
    ui::DoEvents();
}

std::string LowerSpecialFolder(int csidl) {
    std::string folder;
    if (!QV_APIFileAndDisk::GetSpecialFolder(nullptr, csidl, folder)) return "";
    return TextCase::Lower(folder);
}

}  // namespace detail

namespace {

using detail::Split;

// Unreadable entries are skipped; this many failures in a row end an enumeration.
constexpr int kMaxFailuresInARow = 16;

// The language's conversion of a text to a Boolean: "True"/"False" in any case, or a number
// (non-zero is True). False when the text is neither.
bool TextToBoolean(std::string text, bool& value) {
    QV_Strings_Lib::TrimSpaces(text);
    if (TextCase::Equal(text, "true")) return value = true, true;
    if (TextCase::Equal(text, "false")) return value = false, true;
    if (text.empty()) return false;
    char* end = nullptr;
    double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') return false;
    value = number != 0;
    return true;
}

// The identity of a file as an icon source: its volume and file number (shared by every path
// of the file, hard links included) with its extension, by which the shell picks the icon of
// a file that carries none. "" when the file cannot be opened.
std::string IconSourceIdentity(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return "";
    const size_t dot = path.find_last_of(".\\");
    const std::string extension = dot != std::string::npos && path[dot] == '.' ? TextCase::Lower(path.substr(dot)) : "";
    char id[64];
    snprintf(id, sizeof id, "%08lx:%08lx%08lx:%08lx%08lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
             info.nFileIndexLow, info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return id + extension;
}

// Adds the image of `from` once more under the key `to`.
bool CopyImage(ui::ImageList& iml, const std::string& from, const std::string& to) {
    const int index = iml.TryResolve(ui::ImageRef(from));
    if (index < 0) return false;
    HICON icon = ImageList_GetIcon(iml.Handle(), index, ILD_NORMAL);
    if (!icon) return false;
    iml.Add(to, icon);
    DestroyIcon(icon);
    return true;
}

void SetStatus(ui::StatusBar& stb1, const std::string& text) {
    if (stb1.IsCreated() && stb1.PanelCount() > 0) stb1.Panel(1).SetText(text);
}

// Reads one uninstall sub-key into a new entry of `col`; nothing when it has no uninstall command.
void ReadUninstallEntry(colUS& col, HKEY uninstall, const std::string& name) {
    RegKey key;
    if (OpenKey(uninstall, name, key.Receive(), 0, KEY_READ_ONLY) != 0) return;

    // The key's values are read once, in their order, as names and data texts.
    struct Value {
        std::string lowerName, data;
    };
    std::vector<Value> values;
    bool hasCommand = false;
    std::string command;
    int failures = 0;
    for (long i = 0;; ++i) {
        std::string valueName, raw;
        long type = 0, noMore = 0;
        long rc = EnumValue(key.get(), i, valueName, raw, type, noMore, 0);
        if (noMore) break;
        if (rc != 0) {
            if (++failures >= kMaxFailuresInARow) break;
            continue;
        }
        failures = 0;
        Value v{TextCase::Lower(valueName), RegistryValuesList::DataText(raw, static_cast<unsigned long>(type))};
        // The uninstall command (its name in any letter case) decides whether the entry is listed.
        if (!hasCommand && v.lowerName == "uninstallstring") {
            hasCommand = true;
            command = v.data;
        }
        values.push_back(std::move(v));
    }
    if (!hasCommand) return;

    auto entry = col.Add(name, "");
    entry->strUninstallString = command;
    entry->strDisplayName = name;
    entry->blnIsInstaller = false;
    std::string location;
    for (const auto& [lower, data] : values) {
        if (lower == "displayname") {
            entry->strDisplayName = data;
        } else if (lower == "modifypath") {
            entry->strModifiyPath = data;
            if (TextCase::Lower(data).find("msiexec") != std::string::npos) entry->blnIsInstaller = true;
        } else if (lower == "displayicon") {
            entry->strDisplayIcon = data;
        } else if ((lower == "installlocation" || lower == "installpath") && !data.empty()) {
            location = data;
        }
    }
    if (!location.empty()) {
        entry->strInstallLocation_ReadFromRegistry = location;
        entry->strAppPath = location;
    }
}

// The folder of an entry whose install location the registry names: the location itself when
// it exists, else its folder part.
void TakeInstallLocation(clsUS& entry) {
    std::string path = entry.strInstallLocation_ReadFromRegistry;
    if (!QV_APIFileAndDisk::PathExists(path)) QV_Strings_Lib::GetDirectory(path, path);
    entry.strAppPath = path;
    entry.blnGenerallyVerified = true;
}

// The cache comparison of one entry; `cache` is the open cache key of a scan, or null to open
// it for this entry alone.
bool CheckAgainstCache(clsUS& entry, HKEY cache) {
    bool confirmed = false;
    TrapErrors("Tab_UninstClean", "checkAppAgainstCache", [&] {
        std::string data;
        {
            RegKey own;
            if (!cache) {
                if (OpenKey(HKEY_LOCAL_MACHINE, cstrCacheKey, own.Receive(), 0, KEY_READ_ONLY) != 0) return;
                cache = own.get();
            }
            long type = REG_SZ;
            if (QueryValue(cache, entry.strDisplayName, data, type, 0) != "0") return;
        }
        const auto fields = Split(data, "<:>");
        if (fields.size() >= 1) entry.strAppPath = fields[0];
        if (fields.size() >= 2) entry.strDefaultExecutable = fields[1];
        if (fields.size() >= 3) {
            bool flag = false;
            // A flag that is no Boolean leaves the entry to be analysed again.
            if (!TextToBoolean(fields[2], flag)) return;
            entry.blnGenerallyVerified = flag;
        }
        if (!entry.strAppPath.empty() && entry.strDefaultExecutable != " " &&
            !QV_APIFileAndDisk::FileExists(entry.strDefaultExecutable))
            return;  // the cached executable has gone
        confirmed = entry.blnGenerallyVerified;
    });
    return confirmed;
}

}  // namespace

void US_FillListFromRegisty(colUS& col) {
    TrapErrors("Tab_UninstClean", "US_FillListFromRegisty", [&] {
        RegKey uninstall;
        if (OpenKey(HKEY_LOCAL_MACHINE, cstrUninstallKey, uninstall.Receive(), 0, KEY_READ_ONLY) != 0) return;
        int failures = 0;
        for (long i = 0;; ++i) {
            detail::PumpEvents();
            std::string name;
            long noMore = 0;
            long rc = EnumKey(uninstall.get(), i, name, noMore, 0);
            if (noMore) break;
            if (rc != 0) {
                // An unreadable name is skipped; the entries after it are still read.
                if (++failures >= kMaxFailuresInARow) break;
                continue;
            }
            failures = 0;
            ReadUninstallEntry(col, uninstall.get(), name);
        }
    });
}

bool checkAppAgainstCache(clsUS& entry) {
    return CheckAgainstCache(entry, nullptr);
}

void US_RefreshListbox(ui::TextBox& lsvUSInfo, const clsUS& entry) {
    TrapErrors("Tab_UninstClean", "US_RefreshListbox", [&] {
        lsvUSInfo.SetText("");
        RegKey key;
        if (OpenKey(HKEY_LOCAL_MACHINE, std::string(cstrUninstallKey) + "\\" + entry.Key, key.Receive(), 0,
                    KEY_READ_ONLY) != 0)
            return;
        std::string text;
        int failures = 0;
        for (long i = 0;; ++i) {
            std::string name, raw;
            long type = 0, noMore = 0;
            long rc = EnumValue(key.get(), i, name, raw, type, noMore, 0);
            if (noMore) break;
            if (rc != 0) {
                if (++failures >= kMaxFailuresInARow) break;
                continue;
            }
            failures = 0;
            text += name + ": " + RegistryValuesList::DataText(raw, static_cast<unsigned long>(type)) + "\r\n";
        }
        lsvUSInfo.SetText(text);
    });
}

void US_Refresh(ui::ListView& lsvUS, colUS& col, colStartMenuTargets& targets, ui::ImageList& imlUS,
                ui::PictureBox& pixSmall, ui::PictureBox& pixDummy, ui::StatusBar& stb1, const bool& cancel) {
    (void)pixDummy;
    TrapErrors("Tab_UninstClean", "US_Refresh", [&] {
        detail::ScanMemory memory;
        lsvUS.ListItems.Clear();
        col.Clear();
        targets.Clear();

        US_FillListFromRegisty(col);

        const ui::ImageRef computer = imlUS.Exists("Computer") ? ui::ImageRef("Computer") : ui::ImageRef();
        lsvUS.SetRedraw(false);
        for (const auto& entry : col) {
            auto row = lsvUS.ListItems.Add(0, "Key_" + entry->Key, entry->strDisplayName, {}, computer);
            row->SetSubItem(1, entry->strUninstallString);
        }
        lsvUS.SetRedraw(true);

        // The cache key stays open for the scan; an entry finds it missing like a missing value.
        RegKey cache;
        OpenKey(HKEY_LOCAL_MACHINE, cstrCacheKey, cache.Receive(), 0, KEY_READ_ONLY);
        bool walked = false;
        long n = 0;
        // The images drawn in this scan by the identity of their file ("" when none was drawn).
        std::unordered_map<std::string, std::string> drawn;
        // Painting waits until every row has its icon; the messages pumped for the cancel
        // button still run.
        lsvUS.SetRedraw(false);
        for (const auto& entry : col) {
            ++n;
            if (n % 2 == 0) detail::PumpEvents();
            if ((!cache || !CheckAgainstCache(*entry, cache.get())) && !cancel) {
                detail::PumpEvents();
                SetStatus(stb1, "Searching cross-linked information of new Software Component.");
                if (!walked) {
                    SetStatus(stb1, "Scanning Start-Menu.");
                    FillStartMenuTargetsCol(targets, cancel);
                    walked = true;
                }
                SetStatus(stb1, "Searching cross-linked information of new Software Component '" +
                                    entry->strDisplayName + "'");
                FilterStartMenuTargetsByAppName(*entry, targets, cancel);
                if (!cancel) {
                    if (entry->strInstallLocation_ReadFromRegistry.empty()) US_DetermineAppPath(*entry);
                    else TakeInstallLocation(*entry);
                }
            }
            const std::string& exe = entry->strDefaultExecutable;
            if (exe.find_first_not_of(' ') == std::string::npos) continue;  // none, or the cache's blank
            // A file drawn before in this scan (by any of its paths) is not drawn again: its image
            // is copied under this entry's own key.
            const std::string source = IconSourceIdentity(exe);
            auto known = source.empty() ? drawn.end() : drawn.find(source);
            const std::string iconKey = "Key_" + std::to_string(n);
            bool added = false;
            if (known != drawn.end()) {
                added = !known->second.empty() && CopyImage(imlUS, known->second, iconKey);
            } else {
                added = QV_IconsAndResources::AddFileIcon(exe, -1, false, imlUS, iconKey, pixSmall);
                if (!source.empty()) drawn.emplace(source, added ? iconKey : "");
            }
            if (!added) continue;
            if (auto row = lsvUS.ListItems.Find("Key_" + entry->Key)) row->SetSmallIcon(iconKey);
        }
        lsvUS.SetRedraw(true);
    });
}

}  // namespace Tab_UninstClean
