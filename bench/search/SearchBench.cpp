// Times the registry search over the whole of HKEY_CLASSES_ROOT for a text found nowhere,
// beside a bare walk of the same keys and values and beside `reg query HKCR /s`; and the
// services and file-types scans beside bare walks of the keys and values they read. Every
// registry call the program makes is counted, so the figures include calls per key. Each piece
// of work is timed in turns with its baseline (best of several runs of each); the first
// file-types scan of a program run, which draws the icons of the nodes in view from their
// files, is timed in five runs of this program of their own ("first"), each beside its own
// baseline. A scan ends with the tree drawn in its shown window, as a user meets it. The file-types
// scans are timed again at real size, with 1,000 more extensions whose types, open commands and
// icons point at about 300 distinct icon files (copies of the prefix's programs and libraries,
// with and without ",index", every tenth missing), beside a floor of the bare walk of the same
// keys plus one existence test per distinct icon file.
//
//     tools/wine-run build/x64/bench/search/search_bench.exe [services [scans]]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "base/PeImage.h"
#include "browsers/Tab_CMH.h"
#include "browsers/Tab_SD.h"
#include "registry/colQVRegistry.h"
#include "tests/support/RegFixture.h"
#include "ui/ui.h"

namespace {

using Clock = std::chrono::steady_clock;

// ---- Counting every registry call of this program through its import table.

long g_calls = 0;
decltype(&RegOpenKeyExA) realOpen;
decltype(&RegCloseKey) realClose;
decltype(&RegEnumKeyExA) realEnumKey;
decltype(&RegEnumValueA) realEnumValue;
decltype(&RegQueryValueExA) realQueryValue;
decltype(&RegQueryInfoKeyA) realQueryInfo;

LSTATUS WINAPI CountOpen(HKEY a, LPCSTR b, DWORD c, REGSAM d, PHKEY e) { ++g_calls; return realOpen(a, b, c, d, e); }
LSTATUS WINAPI CountClose(HKEY a) { ++g_calls; return realClose(a); }
LSTATUS WINAPI CountEnumKey(HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPSTR f, LPDWORD g, PFILETIME h) {
    ++g_calls;
    return realEnumKey(a, b, c, d, e, f, g, h);
}
LSTATUS WINAPI CountEnumValue(HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPDWORD f, LPBYTE g, LPDWORD h) {
    ++g_calls;
    return realEnumValue(a, b, c, d, e, f, g, h);
}
LSTATUS WINAPI CountQueryValue(HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f) {
    ++g_calls;
    return realQueryValue(a, b, c, d, e, f);
}
LSTATUS WINAPI CountQueryInfo(HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f, LPDWORD g, LPDWORD h,
                              LPDWORD i, LPDWORD j, LPDWORD k, PFILETIME l) {
    ++g_calls;
    return realQueryInfo(a, b, c, d, e, f, g, h, i, j, k, l);
}

void HookImports() {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    realOpen = reinterpret_cast<decltype(realOpen)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegOpenKeyExA")));
    realClose = reinterpret_cast<decltype(realClose)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegCloseKey")));
    realEnumKey = reinterpret_cast<decltype(realEnumKey)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegEnumKeyExA")));
    realEnumValue = reinterpret_cast<decltype(realEnumValue)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegEnumValueA")));
    realQueryValue = reinterpret_cast<decltype(realQueryValue)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegQueryValueExA")));
    realQueryInfo = reinterpret_cast<decltype(realQueryInfo)>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegQueryInfoKeyA")));
    const std::pair<void*, void*> hooks[] = {
        {reinterpret_cast<void*>(realOpen), reinterpret_cast<void*>(&CountOpen)},
        {reinterpret_cast<void*>(realClose), reinterpret_cast<void*>(&CountClose)},
        {reinterpret_cast<void*>(realEnumKey), reinterpret_cast<void*>(&CountEnumKey)},
        {reinterpret_cast<void*>(realEnumValue), reinterpret_cast<void*>(&CountEnumValue)},
        {reinterpret_cast<void*>(realQueryValue), reinterpret_cast<void*>(&CountQueryValue)},
        {reinterpret_cast<void*>(realQueryInfo), reinterpret_cast<void*>(&CountQueryInfo)},
    };
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const IMAGE_NT_HEADERS* nt = PeImage::LoadedHeaders(reinterpret_cast<HMODULE>(base));
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t) {
            for (const auto& [real, hook] : hooks) {
                if (reinterpret_cast<void*>(t->u1.Function) != real) continue;
                DWORD old;
                VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &old);
                t->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
                VirtualProtect(&t->u1.Function, sizeof t->u1.Function, old, &old);
            }
        }
    }
}

struct Figure {
    double ms = 1e300;
    long calls = 0;
};

// One timing of `f` with the registry calls it made.
template <class F>
void Time(Figure& best, F f) {
    long before = g_calls;
    auto t0 = Clock::now();
    f();
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (ms < best.ms) best.ms = ms;
    best.calls = g_calls - before;
}

// The best of `runs` timings of `f`, with the registry calls of one run; `setup` runs before
// each, untimed.
template <class F, class S = void (*)()>
Figure Measure(int runs, F f, S setup = [] {}) {
    Figure best;
    for (int i = 0; i < runs; ++i) {
        setup();
        Time(best, f);
    }
    return best;
}

// A baseline and the work it is the baseline of, timed in turns (`setup` untimed before each
// run of the work), so that both see the same state of the machine and of Wine's server.
struct Pair {
    Figure base, work;
};
template <class B, class F, class S = void (*)()>
Pair MeasurePair(int runs, B base, F work, S setup = [] {}) {
    Pair p;
    for (int i = 0; i < runs; ++i) {
        Time(p.base, base);
        setup();
        Time(p.work, work);
    }
    return p;
}

// ---- Baselines

// The least a search must do: every key opened, its values read with their data, its
// sub-keys enumerated, closed. Returns the number of keys.
long BareWalk(HKEY parent, const char* sub) {
    HKEY h;
    if (RegOpenKeyExA(parent, sub, 0, KEY_READ, &h)) return 0;
    long keys = 1;
    static char name[32768];
    static BYTE data[1 << 16];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = sizeof data, type;
        LSTATUS rc = RegEnumValueA(h, i, name, &nameLen, nullptr, &type, data, &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS) break;
    }
    for (DWORD i = 0;; ++i) {
        char child[512];
        DWORD len = sizeof child;
        if (RegEnumKeyExA(h, i, child, &len, nullptr, nullptr, nullptr, nullptr)) break;
        keys += BareWalk(h, child);
    }
    RegCloseKey(h);
    return keys;
}

double RegQuery() {
    char cmd[] = "reg.exe query HKCR /s";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    const Handle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul.get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    auto t0 = Clock::now();
    if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    const Handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// What the services scan reads: per service its name, key, four values and close.
long BareServices() {
    HKEY services;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_READ, &services)) return 0;
    long n = 0;
    char name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(services, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        HKEY h;
        if (RegOpenKeyExA(services, name, 0, KEY_READ, &h)) continue;
        for (const char* v : {"DisplayName", "Description", "Type", "ImagePath"}) {
            DWORD size = sizeof data;
            RegQueryValueExA(h, v, nullptr, nullptr, data, &size);
        }
        RegCloseKey(h);
        ++n;
    }
    RegCloseKey(services);
    return n;
}

// What the file-types scan reads: every top-level name, and per extension its type's name and
// the type's icon or open command.
long BareFileTypes() {
    long n = 0;
    char name[512], data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        if (name[0] != '.') continue;
        ++n;
        std::string type;
        HKEY h;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name, 0, KEY_READ, &h)) continue;
        DWORD size = sizeof data;
        if (!RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size)) type = data;
        RegCloseKey(h);
        if (type.empty()) continue;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (type + "\\DefaultIcon").c_str(), 0, KEY_READ, &h) &&
            RegOpenKeyExA(HKEY_CLASSES_ROOT, (type + "\\shell\\open\\command").c_str(), 0, KEY_READ, &h))
            continue;
        size = sizeof data;
        RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(h);
    }
    return n;
}

// ---- A file-types fixture of real size: 1,000 extensions with types, open commands and icons
// pointing at about 300 distinct icon files (copies of the prefix's programs and libraries,
// named with and without ",index", some missing), in the prefix's real HKEY_CLASSES_ROOT so
// that the programs of their own see it too.
const char* const kIconDir = "C:\\velmfx-bench-icons";
constexpr int kTypes = 1000, kIconFiles = 300;

std::string IconFile(int i) {
    return std::string(kIconDir) + "\\icon" + std::to_string(i) + (i % 3 == 0 ? ".exe" : ".dll");
}

void SetDefault(const std::string& path, const std::string& data) {
    HKEY h;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr))
        return;
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
    RegCloseKey(h);
}

void RemoveFileTypesFixture() {
    for (int k = 0; k < kTypes; ++k) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\.vfxbench" + std::to_string(k)).c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\vfxbenchtype" + std::to_string(k)).c_str());
    }
    for (int i = 0; i < kIconFiles; ++i) DeleteFileA(IconFile(i).c_str());
    RemoveDirectoryA(kIconDir);
}

void MakeFileTypesFixture() {
    RemoveFileTypesFixture();
    CreateDirectoryA(kIconDir, nullptr);
    char sys[MAX_PATH], win[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    GetWindowsDirectoryA(win, MAX_PATH);
    const std::string sources[] = {std::string(win) + "\\notepad.exe", std::string(win) + "\\regedit.exe",
                                   std::string(sys) + "\\winecfg.exe", std::string(sys) + "\\shell32.dll",
                                   std::string(sys) + "\\user32.dll", std::string(sys) + "\\comctl32.dll",
                                   std::string(sys) + "\\msi.dll", std::string(sys) + "\\kernelbase.dll"};
    // Every tenth icon file is missing.
    for (int i = 0; i < kIconFiles; ++i)
        if (i % 10 != 7) CopyFileA(sources[i % 8].c_str(), IconFile(i).c_str(), FALSE);
    for (int k = 0; k < kTypes; ++k) {
        const std::string type = "vfxbenchtype" + std::to_string(k);
        SetDefault(".vfxbench" + std::to_string(k), type);
        const int file = k % kIconFiles;
        SetDefault(type, "VelmFx bench type " + std::to_string(k));
        SetDefault(type + "\\DefaultIcon", IconFile(file) + (k % 2 ? "," + std::to_string(k % 4) : ""));
        SetDefault(type + "\\shell\\open\\command", "\"" + IconFile(file) + "\" \"%1\"");
    }
}

// One existence test per distinct icon file of the fixture: what the scan cannot avoid besides
// its registry reads.
bool g_iconFloor = false;
long IconFileTests() {
    long found = 0;
    if (!g_iconFloor) return 0;
    for (int i = 0; i < kIconFiles; ++i) found += GetFileAttributesA(IconFile(i).c_str()) != INVALID_FILE_ATTRIBUTES;
    return found;
}

struct Window : ui::Form {
    // Shown, as a user's window is: a scan ends with its tree drawn.
    Window() : Form("Form_Bench", {.caption = "Bench"}) {
        Load();
        Show();
    }
    ui::ImageList iml;
    ui::TreeView tvw;
    ui::StatusBar stb1;
    ui::PictureBox pixSmall, pixDummy;
    void ResetImages() {
        iml.Clear();
        HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
        for (const char* k : {"FolderRoot", "Folder", "FolderOpen", "Unknown", "Found", "Service", "Device", "Strike"})
            iml.Add(k, icon);
    }
    void Form_Load() override {
        ResetImages();
        tvw.Create(*this, 0, 0, 4000, 4000);
        tvw.SetImageList(&iml);
        pixSmall.Create(*this, 0, 4000, 240, 240);
        pixDummy.Create(*this, 300, 4000, 240, 240);
        stb1.Create(*this);
        stb1.AddPanel("", 0);
    }
};

// A services key of `count` services whose image paths take the forms the prefix has.
std::string ServicesFixture(int count) {
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    const std::string s = std::string(sys);
    const char* programs[] = {"spoolsv.exe", "rpcss.exe", "msiexec.exe /V", "svchost.exe -k netsvcs", "notepad.exe"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        char key[96];
        snprintf(key, sizeof key, "[SYSTEM\\CurrentControlSet\\Services\\Bench%05d]\n", i);
        text += key;
        text += "\"DisplayName\"=\"Bench service " + std::to_string(i) + "\"\n";
        if (i % 3 == 0) text += "\"Description\"=\"A service of the benchmark\"\n";
        const bool driver = i % 5 == 4;
        text += std::string("\"Type\"=dword:") + (driver ? "00000001" : "00000010") + "\n";
        std::string image = driver ? s + "\\drivers\\" + (i % 10 == 4 ? "winebus.sys" : "missing.sys")
                                   : s + "\\" + programs[i % 5];
        if (i % 7 == 6) continue;  // no ImagePath
        std::string escaped;
        for (char c : image) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
        text += "\"ImagePath\"=\"" + escaped + "\"\n";
    }
    return text;
}

void Line(const char* what, const Figure& f, long keys, const Figure& base) {
    printf("%-34s %9.1f ms  %8ld calls  %5.2f calls/key  ratio %.2f\n", what, f.ms, f.calls,
           keys ? double(f.calls) / keys : 0.0, base.ms > 0 ? f.ms / base.ms : 0.0);
}

// For about a second after a program's window first shows, Wine's server answers every call
// several times more slowly (the desktop and the window manager take up the new window):
// nothing is timed until that has passed.
void Settle() {
    for (int i = 0; i < 15; ++i) {
        ui::DoEvents();
        Sleep(100);
    }
}

void FileTypesScan(Window& w, const bool& cancel) {
    static colCMH col;
    Tab_CMH::CMH_Refresh(col, w.tvw, false, "File type", w.iml, w.pixSmall, w.pixDummy, w.stb1, cancel);
}

// The tab empties its tree and image list before the scan: that is not the scan's work.
// Lets the repaint of a tree just emptied run out, as a user's refresh finds it: it is not the
// scan's work.
void RepaintDone() {
    for (int i = 0; i < 3; ++i) {
        ui::DoEvents();
        Sleep(20);
    }
}

void ResetFileTypes(Window& w) {
    w.tvw.Nodes.Clear();
    w.ResetImages();
    RepaintDone();
}

// Runs this program again with "first": it times the bare walk of the file types (best of 3)
// and then the first file-types scan of its run, and prints both with the scan's registry calls
// and the number of extensions.
struct FirstScan {
    Figure base, first;
    long extensions = 0;
};
FirstScan FirstScanInAProgramOfItsOwn(const char* self, bool icons = false) {
    FirstScan result;
    std::string cmd = std::string("\"") + self + "\" first" + (icons ? " icons" : "");
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    Handle read, write;
    if (!CreatePipe(read.Receive(), write.Receive(), &sa, 0)) return result;
    SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write.get();
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return result;
    const Handle process(pi.hProcess), thread(pi.hThread);
    write.reset();
    std::string out;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(read.get(), buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
    WaitForSingleObject(process.get(), INFINITE);
    read.reset();
    if (sscanf(out.c_str(), "%lf %lf %ld %ld", &result.base.ms, &result.first.ms, &result.first.calls,
               &result.extensions) != 4)
        result.extensions = 0;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    HookImports();
    if (argc > 1 && std::strcmp(argv[1], "first") == 0) {
        Window w;
        Settle();
        bool cancel = false;
        long n = 0;
        g_iconFloor = argc > 2 && std::strcmp(argv[2], "icons") == 0;
        const Figure base = Measure(3, [&] { n = BareFileTypes(); IconFileTests(); });
        ResetFileTypes(w);
        const Figure first = Measure(1, [&] { FileTypesScan(w, cancel); });
        printf("%.3f %.3f %ld %ld\n", base.ms, first.ms, first.calls, n);
        return 0;
    }
    const int services = argc > 1 ? atoi(argv[1]) : 2000;
    Window w;
    Settle();
    bool cancel = false;

    // ---- The search over HKEY_CLASSES_ROOT (left out with a second argument "scans").
    const bool scansOnly = argc > 2 && std::strcmp(argv[2], "scans") == 0;
    long keys = 0;
    if (!scansOnly) {
        colQVRegistry& engine = QVRegistry();
        const auto [bare, search] = MeasurePair(
            3, [&] { keys = BareWalk(HKEY_CLASSES_ROOT, ""); },
            [&] { engine.Find(HKEY_CLASSES_ROOT, "", "zq-nowhere-7x", true, true, true, false, cancel); });
        Figure reg;
        for (int i = 0; i < 3; ++i) {
            double ms = RegQuery();
            if (ms >= 0 && ms < reg.ms) reg.ms = ms;
        }
        printf("HKEY_CLASSES_ROOT: %ld keys\n", keys);
        Line("bare walk (baseline)", bare, keys, bare);
        Line("colQVRegistry.Find", search, keys, bare);
        printf("%-34s %9.1f ms  search/reg ratio %.2f (reg/search %.2f)\n", "reg query HKCR /s", reg.ms,
               search.ms / reg.ms, reg.ms / search.ms);
    }

    // ---- The services scan, on the prefix and on a key of many services.
    auto servicesRun = [&](const char* title, int runs) {
        colSD col;
        long n = 0;
        // The tab empties its tree before the scan: that is not the scan's work.
        const Pair p = MeasurePair(
            runs, [&] { n = BareServices(); },
            [&] { Tab_SD::SD_FillList(col, w.tvw, "0", false, w.stb1, cancel); },
            [&] {
                w.tvw.Nodes.Clear();
                RepaintDone();
            });
        printf("%s: %ld services\n", title, n);
        Line("bare walk of services (baseline)", p.base, n, p.base);
        Line("SD_FillList", p.work, n, p.base);
    };
    servicesRun("Services of the prefix", 7);
    {
        RegFixture hklm(HKEY_LOCAL_MACHINE, ServicesFixture(services));
        servicesRun("Services fixture", 3);
    }

    // ---- The file-types scan: the first one of a program run draws the icons of the nodes in
    // view from their files, later ones add the pictures kept from it while the files are unchanged. The first scan is
    // timed in programs of its own (this one started again), each beside its own baseline.
    {
        Figure base, first;
        long n = 0;
        for (int i = 0; i < 5; ++i) {
            const auto [b, f, count] = FirstScanInAProgramOfItsOwn(argv[0]);
            if (count <= 0) continue;
            n = count;
            if (b.ms < base.ms) base = b;
            if (f.ms < first.ms) first = f;
        }
        const Pair again = MeasurePair(7, [&] { n = BareFileTypes(); }, [&] { FileTypesScan(w, cancel); },
                                       [&] { ResetFileTypes(w); });
        printf("File types of the prefix: %ld extensions\n", n);
        Line("bare walk of file types (baseline)", again.base, n, again.base);
        Line("CMH_Refresh, first scan", first, n, base);
        printf("%-34s %9.1f ms  (the first scans' own baseline)\n", "", base.ms);
        Line("CMH_Refresh, again", again.work, n, again.base);
    }

    // ---- The file-types scan at real size: 1,000 more extensions with ~300 icon files, each scan
    // beside a bare walk of the same keys plus one existence test per distinct icon file.
    {
        MakeFileTypesFixture();
        g_iconFloor = true;
        Figure base, first;
        long n = 0;
        for (int i = 0; i < 3; ++i) {
            const auto [b, f, count] = FirstScanInAProgramOfItsOwn(argv[0], true);
            if (count <= 0) continue;
            n = count;
            if (b.ms < base.ms) base = b;
            if (f.ms < first.ms) first = f;
        }
        const Pair again = MeasurePair(3, [&] { n = BareFileTypes(); IconFileTests(); }, [&] { FileTypesScan(w, cancel); },
                                       [&] { ResetFileTypes(w); });
        printf("File types with the fixture: %ld extensions, %d icon files (goals: first 1.5x, again 1.3x)\n", n,
               kIconFiles);
        Line("bare walk + icon files (floor)", again.base, n, again.base);
        Line("CMH_Refresh, first scan", first, n, base);
        printf("%-34s %9.1f ms  (the first scans' own floor)\n", "", base.ms);
        Line("CMH_Refresh, again", again.work, n, again.base);
        RemoveFileTypesFixture();
    }
    return 0;
}
