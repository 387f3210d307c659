// Scans 1,000 synthetic uninstall entries (application folders with a program and an
// uninstaller, Start-menu shortcuts for most of them) cold, with no cache, and warm, with every
// entry cached, and times each against a floor measured in the same run. The warm scan's floor
// is a bare walk of the registry values it reads: the uninstall keys of both registry views and
// of the user with all their values, and the cache values. The cold scan must also look into
// each application's folder and at every shortcut, so its floor is that walk plus one listing of
// each entry's folder and one resolution of each Start-menu shortcut through IShellLinkA. A scan is the refresh
// the tab runs: the list filled and the rows in view drawn with their icons (a row's icon is
// made when the row is first shown); it prints how many rows are in view and have their icon.
//
//     tools/wine-run build/x64/bench/uninstall/uninstall_bench.exe [entries]
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Register_UninstClean.h"
#include "platform/ShellLink.h"
#include "tests/support/RegFixture.h"
#include "ui/ui.h"
#include "uninstall/Tab_UninstClean.h"

#include "base/Handle.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string kRoot = "C:\\velmfx-bench";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    if (const FindHandle h{FindFirstFileA((path + "\\*").c_str(), &found)}) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + "\\" + name);
            else DeleteFileA((path + "\\" + name).c_str());
        } while (FindNextFileA(h.get(), &found));
    }
    RemoveDirectoryA(path.c_str());
}

void SetText(HKEY root, const std::string& path, const char* name, const std::string& data) {
    HKEY h;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)) return;
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
    RegCloseKey(h);
}

// Entries, folders, programs and shortcuts. A third of the shortcuts carry the entry's exact
// name, a third a name that scores, and every tenth entry has none; every fifth entry names its
// install location, every seventh is an installer product unknown to the installer.
void Fill(int entries) {
    RemoveTree(kRoot);
    const std::string program = kRoot + "\\program.exe";
    MakeFolders(kRoot);
    CopyFileA("C:\\windows\\notepad.exe", program.c_str(), FALSE);
    QV_ShellLink::cShellLink link;
    const std::string uninstall = Tab_UninstClean::cstrUninstallKey;
    for (int i = 0; i < entries; ++i) {
        char name[32];
        snprintf(name, sizeof name, "%04d", i);
        const std::string app = "Bench Tool " + std::string(name);
        const std::string folder = kRoot + "\\apps\\" + app;
        const std::string exe = folder + "\\" + app + ".exe";
        MakeFolders(folder);
        if (!CreateHardLinkA(exe.c_str(), program.c_str(), nullptr)) CopyFileA(program.c_str(), exe.c_str(), FALSE);
        const std::string key = uninstall + "\\{BE0C" + std::string(name) + "-0000-0000-0000-000000000000}";
        SetText(HKEY_LOCAL_MACHINE, key, "DisplayName", app);
        SetText(HKEY_LOCAL_MACHINE, key, "Publisher", "Bench Publisher");
        SetText(HKEY_LOCAL_MACHINE, key, "DisplayVersion", "1.0." + std::to_string(i));
        if (i % 7 == 3) {
            SetText(HKEY_LOCAL_MACHINE, key, "UninstallString", "MsiExec.exe /X{BE0C" + std::string(name) + "-1111-1111-1111-111111111111}");
            SetText(HKEY_LOCAL_MACHINE, key, "ModifyPath", "MsiExec.exe /I{BE0C" + std::string(name) + "-1111-1111-1111-111111111111}");
            SetText(HKEY_LOCAL_MACHINE, key, "DisplayIcon", exe + ",0");
        } else {
            SetText(HKEY_LOCAL_MACHINE, key, "UninstallString", "\"" + folder + "\\unins000.exe\" /SILENT");
        }
        if (i % 5 == 0) SetText(HKEY_LOCAL_MACHINE, key, "InstallLocation", folder);
        if (i % 10 == 9) continue;
        bool ok = false;
        QV_ShellLink::ShellLinkData data;
        data.Target = exe;
        const std::string linkName = i % 3 == 0 ? app : i % 3 == 1 ? "Tool " + std::string(name) + " Help" : "Run Bench " + std::string(name);
        link.CreateLink(kRoot + "\\menu\\Bench\\" + app + "\\" + linkName + ".lnk", data, ok);
        if (!ok) {
            MakeFolders(kRoot + "\\menu\\Bench\\" + app);
            link.CreateLink(kRoot + "\\menu\\Bench\\" + app + "\\" + linkName + ".lnk", data, ok);
        }
    }
}

// The bare registry walk of a scan: every uninstall key of both machine views and the user's
// opened, its values enumerated with their data, and closed; then every value of the cache read.
long BareWalk() {
    long reads = 0;
    char name[256];
    std::vector<BYTE> data(4096);
    HKEY root;
    const std::pair<HKEY, REGSAM> views[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};
    for (const auto& [hive, view] : views) {
        if (RegOpenKeyExA(hive, Tab_UninstClean::cstrUninstallKey, 0, KEY_READ | view, &root) != 0) continue;
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(root, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
            HKEY h;
            if (RegOpenKeyExA(root, name, 0, KEY_READ, &h)) continue;
            char value[256];
            for (DWORD v = 0;; ++v) {
                DWORD valueLen = sizeof value, dataLen = static_cast<DWORD>(data.size()), type;
                if (RegEnumValueA(h, v, value, &valueLen, nullptr, &type, data.data(), &dataLen)) break;
                ++reads;
            }
            RegCloseKey(h);
        }
        RegCloseKey(root);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Tab_UninstClean::cstrCacheKey, 0, KEY_READ, &root) == 0) {
        char value[512];
        for (DWORD v = 0;; ++v) {
            DWORD valueLen = sizeof value, dataLen = static_cast<DWORD>(data.size()), type;
            if (RegEnumValueA(root, v, value, &valueLen, nullptr, &type, data.data(), &dataLen)) break;
            ++reads;
        }
        RegCloseKey(root);
    }
    return reads;
}

// One listing of each entry's application folder.
long ListFolders(int entries) {
    long files = 0;
    for (int i = 0; i < entries; ++i) {
        char name[32];
        snprintf(name, sizeof name, "%04d", i);
        const std::string folder = kRoot + "\\apps\\Bench Tool " + name;
        WIN32_FIND_DATAA found;
        const FindHandle h(FindFirstFileA((folder + "\\*").c_str(), &found));
        if (!h) continue;
        do ++files;
        while (FindNextFileA(h.get(), &found));
    }
    return files;
}

// Every shortcut below a folder resolved once through IShellLinkA.
void ResolveShortcuts(const std::string& folder, IShellLinkA* link, IPersistFile* file, long& count) {
    WIN32_FIND_DATAA found;
    const FindHandle h(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!h) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ResolveShortcuts(path, link, file, count);
            continue;
        }
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        char target[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) && *target)
            ++count;
    } while (FindNextFileA(h.get(), &found));
}

long ResolveMenu() {
    long count = 0;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return 0;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        ResolveShortcuts(kRoot + "\\menu", link, file, count);
        file->Release();
    }
    link->Release();
    return count;
}

struct BenchWindow : ui::Form {
    BenchWindow() : Form("Form_UninstallBench", {.caption = "uninstall bench", .width = 8000, .height = 8000}) {}
    ui::ListView lsvUS;
    ui::ImageList imlUS{16, 16};
    ui::PictureBox pixSmall, pixDummy;
    ui::StatusBar stb1;
    void Form_Load() override {
        lsvUS.Create(*this, 0, 0, 7800, 6000);
        lsvUS.ColumnHeaders.Add("Application Name", 3600);
        lsvUS.ColumnHeaders.Add("Uninstall string", 4000);
        lsvUS.SetSmallIcons(&imlUS);
        pixSmall.Create(*this, 0, 6100, 240, 240);
        pixDummy.Create(*this, 300, 6100, 240, 240);
        stb1.Create(*this);
        stb1.AddPanel("", 0);
    }
};

// The rows in view and how many of them show the entry's own icon; a scan draws the pictures
// of the rows a user sees.
std::string Pictures(ui::ListView& lsv) {
    const long top = ListView_GetTopIndex(lsv.hWnd()), page = ListView_GetCountPerPage(lsv.hWnd());
    long shown = 0, own = 0;
    for (long i = top; i < top + page && i < lsv.ListItems.Count(); ++i) {
        ++shown;
        own += lsv.ListItems.Item(i + 1)->SmallIcon().key.rfind("Key_", 0) == 0;
    }
    return std::to_string(shown) + " in view, " + std::to_string(own) + " of them with their own icon";
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 1000;
    RegFixture hklm(HKEY_LOCAL_MACHINE,
                    "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
                    "\"Common Start Menu\"=\"C:\\\\velmfx-bench\\\\menu\"\n"
                    "[Software\\Microsoft\\Windows\\CurrentVersion]\n"
                    "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"
                    "\"CommonFilesDir\"=\"C:\\\\Program Files\\\\Common Files\"\n");
    RegFixture hkcu(HKEY_CURRENT_USER,
                    "[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders]\n"
                    "\"Start Menu\"=\"C:\\\\velmfx-bench\\\\usermenu\"\n"
                    "\"Desktop\"=\"C:\\\\velmfx-bench\\\\desktop\"\n");
    auto start = Clock::now();
    Fill(entries);
    MakeFolders(kRoot + "\\usermenu");
    MakeFolders(kRoot + "\\desktop");
    std::printf("fixture: %d entries in %.2f s\n", entries, Seconds(start));

    BenchWindow window;
    window.Show();
    colUS col;
    colStartMenuTargets targets;
    const bool cancel = false;
    auto scan = [&] {
        window.imlUS.Clear();
        window.imlUS.Add("Computer", LoadIconA(nullptr, IDI_APPLICATION));
        const long walks = Tab_UninstClean::StartMenuWalks();
        auto t = Clock::now();
        Tab_UninstClean::US_Refresh(window.lsvUS, col, targets, window.imlUS, window.pixSmall, window.pixDummy,
                                    window.stb1, cancel);
        double s = Seconds(t);
        return std::pair{s, Tab_UninstClean::StartMenuWalks() - walks};
    };
    auto bare = [] {
        auto t = Clock::now();
        long reads = BareWalk();
        return std::pair{Seconds(t), reads};
    };

    CoInitialize(nullptr);
    Register_UninstClean::DeleteUninstCache();
    // The cold floor's parts, each timed in the same run.
    auto [coldBare, coldReads] = bare();
    auto t = Clock::now();
    const long listed = ListFolders(entries);
    const double listing = Seconds(t);
    t = Clock::now();
    const long resolved = ResolveMenu();
    const double resolving = Seconds(t);
    const double floor = coldBare + listing + resolving;
    auto [cold, coldWalks] = scan();
    std::printf("cold scan: %.3f s, %ld rows, %s, %ld shortcuts, %ld Start-menu walk(s)\n", cold,
                window.lsvUS.ListItems.Count(), Pictures(window.lsvUS).c_str(), targets.Count(), coldWalks);
    std::printf("cold floor: %.3f s = bare walk %.3f s (%ld values) + folder listings %.3f s (%ld names) + "
                "shortcut resolution %.3f s (%ld shortcuts)\n",
                floor, coldBare, coldReads, listing, listed, resolving, resolved);
    std::printf("cold ratio: %.2fx the floor (goal 1.5x, and 3 s for 1,000 entries)\n", cold / floor);

    Register_UninstClean::Save_UninstCleanSettings(col);
    auto [warmBare, warmReads] = bare();
    auto [warm, warmWalks] = scan();
    std::printf("warm scan: %.3f s, %ld rows, %s, %ld Start-menu walk(s)\n", warm, window.lsvUS.ListItems.Count(),
                Pictures(window.lsvUS).c_str(), warmWalks);
    std::printf("bare walk (with cache): %.3f s, %ld values\n", warmBare, warmReads);
    std::printf("warm ratio: %.2fx the bare walk (goal 1.5x)\n", warm / warmBare);

    // An entry whose folder is gone since it was cached, as a removed program leaves it behind:
    // the scan that finds the folder gone analyses the entry again (and walks the Start menus);
    // the warm scans after it take the remembered "nothing found".
    RemoveTree(kRoot + "\\apps\\Bench Tool 0000");
    Register_UninstClean::Save_UninstCleanSettings(col);
    auto [finding, findingWalks] = scan();
    Register_UninstClean::Save_UninstCleanSettings(col);
    std::string gone;
    long goneWalks = 0;
    double goneSum = 0;
    for (int i = 0; i < 3; ++i) {
        auto [s, w] = scan();
        Register_UninstClean::Save_UninstCleanSettings(col);
        char text[32];
        std::snprintf(text, sizeof text, "%s%.3f s", i ? ", " : "", s);
        gone += text;
        goneWalks += w;
        goneSum += s;
    }
    std::printf("finding scan (one folder gone): %.3f s, %ld Start-menu walk(s)\n", finding, findingWalks);
    std::printf("gone: warm scans with one folder gone %s, %ld Start-menu walk(s) in all; %.2fx the warm scan "
                "(goal 1.2x)\n", gone.c_str(), goneWalks, goneSum / 3 / warm);

    Register_UninstClean::DeleteUninstCache();
    window.Unload();
    RemoveTree(kRoot);
    return 0;
}
