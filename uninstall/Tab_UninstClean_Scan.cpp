#include <windows.h>
#include <commctrl.h>

#include "uninstall/Tab_UninstClean.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "base/FileLookup.h"
#include "base/Handle.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "base/ValueText.h"
#include "image/QV_IconsAndResources.h"
#include "ui/ui.h"
#include "uninstall/Tab_UninstClean_Internal.h"

namespace {
constexpr char kModule[] = "Tab_UninstClean";
}  // namespace

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

// Whether a file (not a folder) of the path exists, from its attributes alone: one query, where
// a directory search (QV_APIFileAndDisk::FileExists) costs several under Wine, for each of
// hundreds of cached entries.
bool IsFile(const std::string& path) { return FileLookup::IsFile(path); }

// The file number of an open file, asked of the system without its volume: the volume's serial
// number (which GetFileInformationByHandle also fetches) costs a millisecond or more under
// Wine, the file number alone a tenth of that.
bool FileNumber(HANDLE file, ULONGLONG& number) {
    struct Status {
        LONG_PTR status;
        ULONG_PTR information;
    };
    using Query = LONG(WINAPI*)(HANDLE, Status*, void*, ULONG, int);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    constexpr int kInternalInformation = 6;  // the file's number on its volume
    LARGE_INTEGER value{};
    Status io{};
    if (query && query(file, &io, &value, sizeof value, kInternalInformation) == 0) {
        number = static_cast<ULONGLONG>(value.QuadPart);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    number = (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

// The identity of a file as an icon source: its file number (shared by every path of the file,
// hard links included) on the volume of the path's drive or share, its time of writing, and its
// extension, by which the shell picks the icon of a file that carries none. "" when the file
// cannot be opened. `data` are the file's attributes, read already.
std::string ReadIconSourceIdentity(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& data) {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "";
    const Handle h(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return "";
    ULONGLONG number = 0;
    if (!FileNumber(h.get(), number)) return "";
    // The volume: the drive ("c:"), or the server and share of a network path.
    std::string volume = TextCase::Lower(path.substr(0, 2));
    if (volume == "\\\\") {
        const size_t server = path.find('\\', 2);
        const size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        volume = TextCase::Lower(path.substr(0, share));
    }
    const size_t dot = path.find_last_of(".\\");
    const std::string extension = dot != std::string::npos && path[dot] == '.' ? TextCase::Lower(path.substr(dot)) : "";
    char id[64];
    snprintf(id, sizeof id, ":%016llx:%08lx%08lx:", number, data.ftLastWriteTime.dwHighDateTime,
             data.ftLastWriteTime.dwLowDateTime);
    return volume + id + extension;
}

// The identity of the file of a path, remembered by path between scans while the file keeps
// its size and time of writing: reading it opens the file, which costs far more than its
// attributes under Wine.
std::string IconSourceIdentity(const std::string& path) {
    struct Known {
        ULONGLONG size = 0;
        FILETIME written{};
        std::string identity;
    };
    static std::unordered_map<std::string, Known> known;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!FileLookup::Facts(path, data)) return "";
    const ULONGLONG size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    Known& k = known[TextCase::Lower(path)];
    if (k.identity.empty() || k.size != size || CompareFileTime(&k.written, &data.ftLastWriteTime) != 0) {
        k = {size, data.ftLastWriteTime, ReadIconSourceIdentity(path, data)};
        if (k.identity.empty()) {
            known.erase(TextCase::Lower(path));
            return "";
        }
    }
    return k.identity;
}

// The pictures of the rows of one scan, each made when its row is first drawn: the icon of the
// entry's executable under the entry's own key ("Key_" and its running number in the scan), or
// "Computer" for an entry without one. A file drawn before (by any of its paths) is not drawn
// again: its picture gets the new key as well.
class RowIcons {
public:
    RowIcons(ui::ImageList& iml, ui::PictureBox& pix) : iml_(iml), pix_(pix) {}

    // The picture the row of `rowKey` is to show: from `exe` (blank for none) under `iconKey`.
    void Expect(const std::string& rowKey, const std::string& exe, const std::string& iconKey) {
        waiting_[TextCase::Lower(rowKey)] = {exe, iconKey};
    }

    void Draw(ui::ListItem& row) {
        auto it = waiting_.find(TextCase::Lower(row.Key()));
        if (it == waiting_.end()) return;  // not analysed yet
        const Waiting w = std::move(it->second);
        waiting_.erase(it);
        if (Add(w.exe, w.iconKey)) row.SetSmallIcon(w.iconKey);
        else if (iml_.Exists("Computer")) row.SetSmallIcon("Computer");
    }

private:
    struct Waiting {
        std::string exe, iconKey;
    };

    bool Add(const std::string& exe, const std::string& iconKey) {
        if (exe.find_first_not_of(' ') == std::string::npos) return false;  // none, or the cache's blank
        if (iml_.Exists(iconKey)) return false;
        const std::string source = IconSourceIdentity(exe);
        auto known = source.empty() ? drawn_.end() : drawn_.find(source);
        if (known != drawn_.end()) {
            if (known->second.empty()) return false;
            iml_.AddKey(iconKey, known->second);
            return true;
        }
        const bool added = QV_IconsAndResources::AddFileIcon(exe, -1, false, iml_, iconKey, pix_);
        if (!source.empty()) drawn_.emplace(source, added ? iconKey : "");
        return added;
    }

    ui::ImageList& iml_;
    ui::PictureBox& pix_;
    std::unordered_map<std::string, Waiting> waiting_;  // by folded row key
    // The images drawn by the identity of their file ("" when none could be drawn).
    std::unordered_map<std::string, std::string> drawn_;
};

// The status text; one of a quick succession of texts (an entry's, while hundreds are analysed
// in a second) is shown only when the last was shown long enough ago to be read, since each
// change redraws the status bar. `always` shows it in any case.
void SetStatus(ui::StatusBar& stb1, const std::string& text, bool always = false) {
    static DWORD shown = 0;
    const DWORD now = GetTickCount();
    if (!always && now - shown < 100) return;
    shown = now;
    if (stb1.IsCreated() && stb1.PanelCount() > 0) stb1.Panel(1).SetText(text);
}

// The values of one uninstall key, in their order, as lower-cased names and data texts.
struct Value {
    std::string lowerName, data;
    bool expandable = false;  // REG_EXPAND_SZ: the data name environment variables ("%ProgramFiles%")
    bool operator==(const Value& o) const { return lowerName == o.lowerName && data == o.data; }
};

// The text of an expandable value with its environment variables replaced. A 32-bit program on
// 64-bit Windows sees its own folders of programs in %ProgramFiles% and %CommonProgramFiles%;
// the entries of the machine's 64-bit view mean the system's, which it names %ProgramW6432% and
// %CommonProgramW6432%.
std::string Expanded(const Value& value, UninstallView view) {
    if (!value.expandable || value.data.find('%') == std::string::npos) return value.data;
    std::string data = value.data;
    if (view == UninstallView::Machine64 && FileLookup::IsWow64()) {
        for (const auto& [own, system] : {std::pair{"%programfiles%", "%ProgramW6432%"},
                                          std::pair{"%commonprogramfiles%", "%CommonProgramW6432%"}}) {
            if (QV_APIFileAndDisk::EnvironmentValue(std::string(system).substr(1, std::strlen(system) - 2)).empty())
                continue;
            for (size_t at = TextCase::Lower(data).find(own); at != std::string::npos;
                 at = TextCase::Lower(data).find(own, at + std::strlen(system)))
                data.replace(at, std::strlen(own), system);
        }
    }
    const DWORD size = ExpandEnvironmentStringsA(data.c_str(), nullptr, 0);
    if (size == 0) return value.data;
    std::string text(size, '\0');
    if (ExpandEnvironmentStringsA(data.c_str(), text.data(), size) == 0) return value.data;
    text.resize(strlen(text.c_str()));
    return text;
}

std::vector<Value> ReadValues(HKEY key) {
    std::vector<Value> values;
    RegEnum::ForEachValue(key, true, [&](const RegEnum::Value& v) {
        values.push_back({TextCase::Lower(std::string(v.name)), ValueText::Of(v.type, v.data), v.type == REG_EXPAND_SZ});
    });
    return values;
}

// A display name that names nothing: empty, or blanks only.
bool IsBlankName(const std::string& name) {
    return name.find_first_not_of(" \t") == std::string::npos;
}

// The folder an install location names: what its quotes enclose, when it is written in quotes.
// None ("") for a text longer than any path, and for a folder that holds many applications (a
// drive root, the Windows folder, Program Files, ProgramData, a profile folder: see
// IsApplicationsRoot), which is no application's own folder: the entry's other data (display
// icon, uninstall command, shortcuts) then decide its folder.
std::string InstallLocationOf(std::string location) {
    if (location.size() >= 2 && location.front() == '"') {
        const size_t close = location.find('"', 1);
        location = location.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    std::string trimmed = location;
    QV_Strings_Lib::TrimSpaces(trimmed);
    if (trimmed.empty() || !QV_APIFileAndDisk::CanBePath(trimmed) || IsApplicationsRoot(trimmed)) return "";
    return location;
}

// A path as this program reaches the file that an entry of `view` names by it, quoted or not:
// the machine's 64-bit view names the system's own files, which a 32-bit program on 64-bit
// Windows reaches in the system folder through its "Sysnative" alias; the other views name the
// files this program sees.
std::string FileOfView(const std::string& path, UninstallView view) {
    if (view != UninstallView::Machine64) return path;
    if (path.size() >= 2 && path.front() == '"') return '"' + FileLookup::NativePath(path.substr(1));
    return FileLookup::NativePath(path);
}

// Reads one uninstall sub-key of a view into a new entry of `col`; nothing when it has no
// uninstall command, or when it is the same entry as one the machine's 64-bit view listed
// (`machine64` holds that view's values by folded key name).
void ReadUninstallEntry(colUS& col, HKEY uninstall, const std::string& name, UninstallView view,
                        std::unordered_map<std::string, std::vector<Value>>& machine64) {
    RegKey key;
    if (OpenKey(uninstall, name, key.Receive(), 0, KEY_READ_ONLY) != 0) return;
    std::vector<Value> values = ReadValues(key.get());
    // The uninstall command (its name in any letter case) decides whether the entry is listed.
    auto command = std::find_if(values.begin(), values.end(), [](const Value& v) { return v.lowerName == "uninstallstring"; });
    if (command == values.end()) return;
    if (view == UninstallView::Machine32) {
        // On 32-bit Windows, or for a key both views share, the 32-bit view shows the same entry.
        auto same = machine64.find(TextCase::Lower(name));
        if (same != machine64.end() && same->second == values) return;
    }
    const std::string collectionKey = CollectionKeyOf(view, name);
    if (col.Exists(collectionKey)) return;

    auto entry = col.Add(collectionKey, "");
    entry->strSubKeyName = name;
    entry->lngView = view;
    entry->strUninstallString = Expanded(*command, view);
    entry->strDisplayName = name;
    entry->blnIsInstaller = false;
    std::string location;
    for (const Value& value : values) {
        const std::string& lower = value.lowerName;
        const std::string data = lower == "displayname" ? value.data : Expanded(value, view);
        if (lower == "displayname") {
            // An empty or blank name is none: the entry is listed and cached under its sub-key's
            // name, so that two such entries never share one cache value.
            if (!IsBlankName(data)) entry->strDisplayName = data;
        } else if (lower == "modifypath") {
            entry->strModifiyPath = data;
            if (TextCase::Lower(data).find("msiexec") != std::string::npos) entry->blnIsInstaller = true;
        } else if (lower == "displayicon") {
            entry->strDisplayIcon = FileOfView(data, view);
        } else if (lower == "publisher") {
            entry->strPublisher = data;
        } else if (lower == "installlocation" || lower == "installpath") {
            // The last location that names a folder of its own wins.
            if (std::string own = InstallLocationOf(data); !own.empty()) location = FileOfView(own, view);
        }
    }
    if (!location.empty()) {
        entry->strInstallLocation_ReadFromRegistry = location;
        entry->strAppPath = location;
    }
    if (view == UninstallView::Machine64) machine64.emplace(TextCase::Lower(name), std::move(values));
}

DWORD ViewAccess(UninstallView view) {
    switch (view) {
        case UninstallView::Machine64: return KEY_WOW64_64KEY;
        case UninstallView::Machine32: return KEY_WOW64_32KEY;
        default: return 0;
    }
}

HKEY ViewRoot(UninstallView view) {
    return view == UninstallView::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The folder of an entry whose install location the registry names: the location itself when
// it exists, else its folder part; a folder of many applications is no folder found. The main
// executable: the one proposed so far when a shortcut named like the entry gave it or it lies
// in the folder, else the best named program in the folder or the display icon.
void TakeInstallLocation(clsUS& entry) {
    std::string path = entry.strInstallLocation_ReadFromRegistry;
    bool shortened = false;
    if (!detail::PathExists(path)) {
        QV_Strings_Lib::GetDirectory(path, path);
        shortened = true;
    }
    // A missing location's folder part that holds other listed products' folders is theirs; one
    // that is gone as well (the publisher's folder of a removed application) is no folder: a
    // folder that does not exist is never verified.
    if (IsApplicationsRoot(path) ||
        (shortened && (!detail::PathExists(path) || detail::ShortenedOntoOthers(entry, path)))) {
        entry.strAppPath.clear();
        entry.strDefaultExecutable.clear();
        entry.blnDefaultExecutableVerified = false;
        entry.blnGenerallyVerified = false;
        return;
    }
    entry.strAppPath = path;
    detail::CompleteExecutable(entry);
    // A program found by name words alone outside the folder the entry's data name as its
    // installation is some other product's: the folder's own programs are looked at instead.
    if (!entry.strDefaultExecutable.empty() && !entry.blnDefaultExecutableVerified &&
        !detail::InFolder(entry.strDefaultExecutable, path))
        entry.strDefaultExecutable.clear();
    if (entry.strDefaultExecutable.empty()) {
        FindDefaultExecinSelAppPath(entry, path);
        detail::CompleteExecutable(entry);
    }
    entry.blnGenerallyVerified = true;
}

// What an analysis that found no folder for the entry looked at, as one text: the entry's values
// that the analysis reads, and for each path they name the deepest folder of it that exists. A
// later scan takes the remembered "nothing found" while this is the same; a changed value, or a
// folder of those paths that comes back (or goes), has the entry analysed again.
std::string NothingFoundState(const clsUS& entry) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
    auto add = [&](const std::string& text) {
        for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
        hash = (hash ^ 0xffu) * 1099511628211ull;  // ends each text: "ab","c" differs from "a","bc"
    };
    add(std::to_string(static_cast<int>(entry.lngView)) + (entry.blnIsInstaller ? "i" : "-"));
    for (const std::string* text : {&entry.strDisplayName, &entry.strPublisher, &entry.strModifiyPath}) add(*text);
    for (const std::string* text : {&entry.strInstallLocation_ReadFromRegistry, &entry.strDisplayIcon,
                                    &entry.strUninstallString}) {
        add(*text);
        // The path begins at the first drive colon's drive letter; no part of it longer than a
        // path can be a folder.
        const size_t colon = text->find(":\\");
        if (colon == std::string::npos || colon == 0) continue;
        std::string folder = text->substr(colon - 1, QV_APIFileAndDisk::kLongestPath);
        while (folder.size() > 3 && !detail::PathExists(folder)) {
            std::string up;
            if (!QV_Strings_Lib::GetDirectory(folder, up) || up.size() >= folder.size()) break;
            folder = std::move(up);
            while (!folder.empty() && (folder.back() == '\\' || folder.back() == ' ')) folder.pop_back();
        }
        add(TextCase::Lower(folder));
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// True when a cached answer breaks what no entry may be given (an older version wrote it):
// a folder that is no path or no longer exists, a folder of many applications, the installer's
// icon store or a publisher's folder above other listed products', an uninstaller, another
// product's file, no program or a program of the Windows folder beside a folder outside it as
// the executable, or no executable where the entry's display icon names its program in its
// folder.
bool CachedAnswerStale(const clsUS& entry) {
    const std::string& folder = entry.strAppPath;
    // The store and Windows-folder tests look at a file's folder: a name in the folder stands
    // for the folder itself.
    const std::string inFolder = folder + "\\x";
    if (!folder.empty()) {
        // No path (a location kept with its quotes), a folder of many applications, the
        // installer's icon store, or a publisher's folder reached by shortening a missing path.
        const bool path = folder.size() >= 3 && (folder[1] == ':' || folder.compare(0, 2, "\\\\") == 0);
        if (!path || IsApplicationsRoot(folder) || detail::InInstallerStore(inFolder) ||
            detail::ShortenedOntoOthers(entry, folder) || !detail::PathExists(folder))
            return true;
    }
    const std::string& exe = entry.strDefaultExecutable;
    if (exe.find_first_not_of(' ') != std::string::npos)
        return IsUninstallerOf(entry, exe) || detail::InOtherEntrysFolder(entry, exe) || !IsProgramFile(exe) ||
               (detail::InWindowsFolder(exe) && !folder.empty() && !detail::InWindowsFolder(inFolder));
    if (entry.strAppPath.empty() || entry.strDisplayIcon.empty()) return false;
    clsUS probe = entry;
    probe.strDefaultExecutable.clear();
    detail::CompleteExecutable(probe);
    return !probe.strDefaultExecutable.empty();
}

// The data of one value as the entry's values box shows it: whole up to kLongestShownData
// characters; of a longer text only its beginning, with its length. The box wraps each line to
// its width, at a cost that grows with the square of the line's length, so that one value of a
// hundred thousand characters would hold the window for a minute.
constexpr size_t kLongestShownData = 2048;
// The whole text of the box is bounded too: many values of nearly that length each would hold
// the window as long (a megabyte of them, seconds at every selection). 32 KB of such lines take
// the box about a quarter of a second to wrap. The values after the last one that fits are left
// out, and the box says how many.
constexpr size_t kLongestShownText = 32768;
std::string ShownData(const std::string& data) {
    if (data.size() <= kLongestShownData) return data;
    return data.substr(0, kLongestShownData) + " ... (" + std::to_string(data.size()) + " characters)";
}

// The cache comparison of one entry; `cache` is the open cache key of a scan, or null to open
// it for this entry alone. Whether the answer still stands is checked apart (CachedAnswerStale).
bool CheckAgainstCache(clsUS& entry, HKEY cache) {
    bool confirmed = false;
    TrapErrors(kModule, "checkAppAgainstCache", [&] {
        std::string data;
        {
            RegKey own;
            if (!cache) {
                if (OpenKey(HKEY_LOCAL_MACHINE, cstrCacheKey, own.Receive(), 0, KEY_READ_ONLY) != 0) return;
                cache = own.get();
            }
            long type = REG_SZ;
            if (QueryValue(cache, CacheValueName(entry), data, type, 0) != "0") return;
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
        // An analysis that found nothing stands while what it looked at is the same.
        if (entry.strAppPath.empty() && !entry.blnGenerallyVerified && fields.size() >= 4 &&
            fields[3].rfind(kNothingFound, 0) == 0) {
            const std::string state = NothingFoundState(entry);
            if (fields[3].compare(std::strlen(kNothingFound), std::string::npos, state) == 0) {
                entry.strNothingFound = state;
                confirmed = true;
            }
            return;
        }
        if (!entry.strAppPath.empty() && entry.strDefaultExecutable != " " && !IsFile(entry.strDefaultExecutable))
            return;  // the cached executable has gone
        confirmed = entry.blnGenerallyVerified;
    });
    return confirmed;
}

}  // namespace

long OpenUninstallKey(UninstallView view, HKEY& key, DWORD access) {
    return OpenKey(ViewRoot(view), cstrUninstallKey, key, 0, (access ? access : KEY_READ_ONLY) | ViewAccess(view));
}

long OpenEntryKey(const clsUS& entry, HKEY& key, DWORD access) {
    RegKey uninstall;
    long rc = OpenUninstallKey(entry.lngView, uninstall.Receive());
    if (rc != 0) return rc;
    return OpenKey(uninstall.get(), entry.SubKeyName(), key, 0, access ? access : KEY_READ_ONLY);
}

long DeleteEntryKey(const clsUS& entry) {
    RegKey uninstall;
    long rc = OpenUninstallKey(entry.lngView, uninstall.Receive(), KEY_READ);
    if (rc != 0) return rc;
    std::string name = entry.SubKeyName();
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    return DeleteKeyTree(uninstall.get(), name, 0);
}

std::string RegeditPathOf(const clsUS& entry) {
    switch (entry.lngView) {
        case UninstallView::Machine32:
            return "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                   entry.SubKeyName();
        case UninstallView::User:
            return "HKEY_CURRENT_USER\\" + std::string(cstrUninstallKey) + "\\" + entry.SubKeyName();
        default:
            return "HKEY_LOCAL_MACHINE\\" + std::string(cstrUninstallKey) + "\\" + entry.SubKeyName();
    }
}

std::string CollectionKeyOf(UninstallView view, const std::string& name) {
    switch (view) {
        case UninstallView::Machine32: return "WOW6432Node\\" + name;
        case UninstallView::User: return "HKCU\\" + name;
        default: return name;
    }
}

void US_FillListFromRegisty(colUS& col) {
    TrapErrors(kModule, "US_FillListFromRegisty", [&] {
        std::unordered_map<std::string, std::vector<Value>> machine64;
        // The machine's 64-bit view, its 32-bit view (the same key on 32-bit Windows), the user's.
        for (UninstallView view : {UninstallView::Machine64, UninstallView::Machine32, UninstallView::User}) {
            RegKey uninstall;
            if (OpenUninstallKey(view, uninstall.Receive()) != 0) continue;
            // An unreadable name is skipped; the entries after it are still read.
            RegEnum::ForEachSubKey(uninstall.get(), [&](const std::string& name) {
                detail::PumpEvents();
                ReadUninstallEntry(col, uninstall.get(), name, view, machine64);
            });
        }
    });
}

bool checkAppAgainstCache(clsUS& entry) {
    return CheckAgainstCache(entry, nullptr) && !CachedAnswerStale(entry);
}

void US_RefreshListbox(ui::TextBox& lsvUSInfo, const clsUS& entry) {
    TrapErrors(kModule, "US_RefreshListbox", [&] {
        lsvUSInfo.SetText("");
        RegKey key;
        if (OpenEntryKey(entry, key.Receive()) != 0) return;
        std::string text;
        DWORD shown = 0;
        bool full = false;
        RegEnum::ForEachValue(key.get(), true, [&](const RegEnum::Value& v) {
            std::string line = std::string(v.name) + ": " + ShownData(ValueText::Of(v.type, v.data)) + "\r\n";
            if (text.size() + line.size() > kLongestShownText) return !(full = true);
            text += line;
            ++shown;
            return true;
        });
        if (full) {
            // The values the box leaves out are counted, not read.
            const DWORD values = RegEnum::CountsOf(key.get()).values;
            text += "... (" + (values != MAXDWORD && values > shown ? std::to_string(values - shown) + " more values"
                                                                     : std::string("more values")) +
                    " not shown)\r\n";
        }
        lsvUSInfo.SetText(text);
    });
}

void US_Refresh(ui::ListView& lsvUS, colUS& col, colStartMenuTargets& targets, ui::ImageList& imlUS,
                ui::PictureBox& pixSmall, ui::PictureBox& pixDummy, ui::StatusBar& stb1, const bool& cancel) {
    (void)pixDummy;
    TrapErrors(kModule, "US_Refresh", [&] {
        detail::ScanMemory memory;
        // The rows of the last scan wait for no picture any more.
        auto icons = std::make_shared<RowIcons>(imlUS, pixSmall);
        lsvUS.SmallIconWanted = [icons](ui::ListItem& row) { icons->Draw(row); };
        {
            // Painting waits until every entry is analysed (the messages pumped for the cancel
            // button still run); a row gets its picture when it is first drawn after that. The
            // list is emptied with painting off too, which keeps its scroll bar from going and
            // coming back.
            ui::RedrawOff quiet(lsvUS);
            lsvUS.ListItems.Clear();
            col.Clear();
            targets.Clear();

            US_FillListFromRegisty(col);
            for (const auto& entry : col) {
                auto row = lsvUS.ListItems.Add(0, "Key_" + entry->Key, entry->strDisplayName);
                row->SetSubItem(1, entry->strUninstallString);
            }

            // The cache key stays open for the scan; an entry finds it missing like a missing value.
            // Every entry takes its cached answer first, so that the folders the cache confirms
            // for the other entries are known when each answer is checked and each entry analysed.
            RegKey cache;
            OpenKey(HKEY_LOCAL_MACHINE, cstrCacheKey, cache.Receive(), 0, KEY_READ_ONLY);
            std::vector<bool> cached;
            cached.reserve(static_cast<size_t>(col.Count()));
            long n = 0;
            for (const auto& entry : col) {
                if (++n % 2 == 0) detail::PumpEvents();
                cached.push_back(cache && CheckAgainstCache(*entry, cache.get()));
            }
            detail::ListedEntries listed(col, cached);
            bool walked = false;
            n = 0;
            for (const auto& entry : col) {
                ++n;
                if (n % 2 == 0) detail::PumpEvents();
                // An answer an older version cached that no entry may be given is looked at again.
                const bool confirmed = cached[static_cast<size_t>(n - 1)] && !CachedAnswerStale(*entry);
                if (!confirmed && !cancel) {
                    detail::PumpEvents();
                    SetStatus(stb1, "Searching cross-linked information of new Software Component.");
                    if (!walked) {
                        SetStatus(stb1, "Scanning Start-Menu.", true);
                        FillStartMenuTargetsCol(targets, cancel);
                        walked = true;
                    }
                    SetStatus(stb1, "Searching cross-linked information of new Software Component '" +
                                        entry->strDisplayName + "'");
                    FilterStartMenuTargetsByAppName(*entry, targets, cancel);
                    if (!cancel) {
                        if (entry->strInstallLocation_ReadFromRegistry.empty()) US_DetermineAppPath(*entry);
                        else TakeInstallLocation(*entry);
                        // Nothing found is remembered too, so that the next scan need not look again.
                        entry->strNothingFound.clear();
                        if (!cancel && entry->strAppPath.empty() && !entry->blnGenerallyVerified &&
                            entry->strDefaultExecutable.find_first_not_of(' ') == std::string::npos)
                            entry->strNothingFound = NothingFoundState(*entry);
                    }
                }
                icons->Expect("Key_" + entry->Key, entry->strDefaultExecutable, "Key_" + std::to_string(n));
            }
        }
        // The rows in view are drawn now, with their pictures.
        if (lsvUS.hWnd()) UpdateWindow(lsvUS.hWnd());
    });
}

}  // namespace Tab_UninstClean
