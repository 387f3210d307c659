// Scans a synthetic HKEY_CLASSES_ROOT of 20,000 classes (server paths of every registered form,
// ProgIDs, type libraries, a share of missing files) into a real tree, and times it against
// the least any scan must do: opening, enumerating, querying and closing the same keys.
// Before that, on the prefix's own classes and then on the synthetic ones, it counts the
// registry calls the scan makes per class beside those of the least reads that give the same
// records (every registry function this program imports passes through a counter).
//
//     tools/wine-run build/x64/bench/regcomp/regcomp_bench.exe [classes]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "base/PeImage.h"
#include "base/TextCase.h"
#include "components/Tab_RegComp.h"
#include "tests/support/RegFixture.h"
#include "ui/ui.h"

namespace {

using Clock = std::chrono::steady_clock;

void SetText(HKEY root, const std::string& path, const char* name, const std::string& data, DWORD type = REG_SZ) {
    HKEY h;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)) return;
    RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
    RegCloseKey(h);
}

std::vector<std::string> SystemDlls(const std::string& sys, size_t most) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    const FindHandle h(FindFirstFileA((sys + "\\*.dll").c_str(), &fd));
    if (!h) return names;
    do names.push_back(fd.cFileName);
    while (names.size() < most && FindNextFileA(h.get(), &fd));
    return names;
}

void Fill(int classes) {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    const std::string sys = buf;
    const auto dlls = SystemDlls(sys, 300);
    for (int lib = 0; lib < 50; ++lib) {
        char guid[64];
        snprintf(guid, sizeof guid, "TypeLib\\{BE0C0000-0000-0000-0000-%012d}\\1.0", lib);
        SetText(HKEY_CLASSES_ROOT, guid, nullptr, "Bench Library " + std::to_string(lib));
        SetText(HKEY_CLASSES_ROOT, std::string(guid) + "\\0\\win32", nullptr, sys + "\\stdole2.tlb");
        SetText(HKEY_CLASSES_ROOT, std::string(guid) + "\\FLAGS", nullptr, "0");
    }
    for (int i = 0; i < classes; ++i) {
        char key[80];
        snprintf(key, sizeof key, "CLSID\\{BE0C%04X-0000-0000-0000-%012d}", i % 0x10000, i);
        const std::string k = key;
        SetText(HKEY_CLASSES_ROOT, k, nullptr, "Bench class " + std::to_string(i));
        if (i % 10 != 0) SetText(HKEY_CLASSES_ROOT, k + "\\ProgID", nullptr, "Bench.Class." + std::to_string(i));
        const std::string& dll = dlls[static_cast<size_t>(i) % dlls.size()];
        switch (i % 10) {
            case 0: case 1: case 2: case 3: case 4: case 5: case 6: {
                std::string server;
                switch (i % 20) {
                    case 1: server = "%SystemRoot%\\system32\\" + dll; break;
                    case 2: server = dll; break;
                    case 3: server = "C:\\Program Files\\Bench Missing\\file" + std::to_string(i) + ".dll"; break;
                    case 4: server = sys + "\\missing" + std::to_string(i) + ".ocx"; break;
                    default: server = sys + "\\" + dll; break;
                }
                SetText(HKEY_CLASSES_ROOT, k + "\\InprocServer32", nullptr, server, i % 20 == 1 ? REG_EXPAND_SZ : REG_SZ);
                SetText(HKEY_CLASSES_ROOT, k + "\\InprocServer32", "ThreadingModel", "Apartment");
                if (i % 20 == 5) SetText(HKEY_CLASSES_ROOT, k + "\\Control", nullptr, "");
                break;
            }
            case 7: case 8:
                SetText(HKEY_CLASSES_ROOT, k + "\\LocalServer32", nullptr,
                        i % 3 ? "\"" + sys + "\\notepad.exe\" /automation" : "notepad.exe /embedding");
                break;
            default:
                break;
        }
        if (i % 10 >= 6) {
            char lib[64];
            snprintf(lib, sizeof lib, "{BE0C0000-0000-0000-0000-%012d}", i % 50);
            SetText(HKEY_CLASSES_ROOT, k + "\\TypeLib", nullptr, lib);
            SetText(HKEY_CLASSES_ROOT, k + "\\Version", nullptr, "1.0");
        }
        if (i % 4 == 0) SetText(HKEY_CLASSES_ROOT, k, "AppID", "{BE0CA000-0000-0000-0000-000000000001}");
    }
}

// The floor: every key and value of the tree opened, enumerated, queried and closed.
long BareWalk(HKEY parent, const char* sub) {
    HKEY h;
    if (RegOpenKeyExA(parent, sub, 0, KEY_READ, &h)) return 0;
    long count = 1;
    char name[256];
    std::vector<BYTE> data(4096);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = static_cast<DWORD>(data.size()), type;
        if (RegEnumValueA(h, i, name, &nameLen, nullptr, &type, data.data(), &dataLen)) break;
        ++count;
    }
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(h, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        count += BareWalk(h, name);
    }
    RegCloseKey(h);
    return count;
}

// ---- Counting registry calls: the program's import table entries of the advapi32 registry
// functions are pointed at counters that call the real functions.

long g_registryCalls = 0;

template <int Id, class F>
struct Counted;
template <int Id, class R, class... A>
struct Counted<Id, R(WINAPI*)(A...)> {
    static inline R(WINAPI* real)(A...) = nullptr;
    static R WINAPI Call(A... a) {
        ++g_registryCalls;
        return real(a...);
    }
};

struct Route {
    const char* name;
    void* counter;
    void** real;
};
#define VELM_COUNTED(id, fn)                                                                      \
    Route {                                                                                       \
        #fn, reinterpret_cast<void*>(&Counted<id, decltype(&fn)>::Call),                          \
            reinterpret_cast<void**>(&Counted<id, decltype(&fn)>::real)                           \
    }

void CountRegistryCalls() {
    static const Route routes[] = {
        VELM_COUNTED(1, RegOpenKeyExA),    VELM_COUNTED(2, RegOpenKeyExW),     VELM_COUNTED(3, RegCloseKey),
        VELM_COUNTED(4, RegEnumKeyExA),    VELM_COUNTED(5, RegEnumKeyExW),     VELM_COUNTED(6, RegQueryValueExA),
        VELM_COUNTED(7, RegQueryValueExW), VELM_COUNTED(8, RegEnumValueA),     VELM_COUNTED(9, RegEnumValueW),
        VELM_COUNTED(10, RegQueryInfoKeyA), VELM_COUNTED(11, RegQueryInfoKeyW), VELM_COUNTED(12, RegOpenKeyA),
        VELM_COUNTED(13, RegQueryValueA),  VELM_COUNTED(14, RegEnumKeyA),
    };
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const IMAGE_NT_HEADERS* nt = PeImage::LoadedHeaders(reinterpret_cast<HMODULE>(base));
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (!TextCase::Equal(reinterpret_cast<const char*>(base + imp->Name), "advapi32.dll")) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            for (const auto& r : routes) {
                if (strcmp(name, r.name) != 0) continue;
                DWORD old = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
                *r.real = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(r.counter);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            }
        }
    }
}

// The default value of parent\sub; false when the key does not open.
bool DefaultOf(HKEY parent, const std::string& sub, std::string* out = nullptr) {
    HKEY h;
    if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_READ, &h)) return false;
    char data[1024];
    DWORD size = sizeof data;
    if (!RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) && out)
        out->assign(data, strnlen(data, size));
    RegCloseKey(h);
    return true;
}

// The reads of one type library: the title and file of its last-enumerated version.
void LibraryReads(const std::string& lib) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("TypeLib\\" + lib).c_str(), 0, KEY_READ, &h)) return;
    DWORD versions = 0;
    RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &versions, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    char ver[256];
    DWORD len = sizeof ver;
    if (versions && !RegEnumKeyExA(h, versions - 1, ver, &len, nullptr, nullptr, nullptr, nullptr)) {
        DefaultOf(h, ver);
        std::string file;
        DefaultOf(h, std::string(ver) + "\\0\\win32", &file);
#ifdef _WIN64
        if (file.empty()) DefaultOf(h, std::string(ver) + "\\0\\win64");
#endif
    }
    RegCloseKey(h);
}

// The least reads that give the scan's records, without any processing: per sub-key of CLSID
// its name, and the class's ProgID key opened straight from the CLSID key (most classes have
// none and cost just that). A class with a ProgID adds its value, the class key with its name
// and AppID, its server key (InprocServer32 with its Control key; else LocalServer32 and the
// TypeLib reference, or the ProgID's StdFileEditing server), its Version key, and once per
// scan each library it names. Returns the number of sub-keys of CLSID.
long LeastReads() {
    HKEY clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid)) return 0;
    std::set<std::string> libs;
    long keys = 0;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(clsid, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        ++keys;
        std::string progId;
        if (name[0] != '{' || !DefaultOf(clsid, std::string(name) + "\\ProgID", &progId) || progId.empty()) continue;
        HKEY h;
        if (RegOpenKeyExA(clsid, name, 0, KEY_READ, &h)) continue;
        char data[1024];
        DWORD size = sizeof data;
        RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        std::string server, lib;
        if (DefaultOf(h, "InprocServer32", &server)) {
            HKEY control;
            if (!RegOpenKeyExA(h, "Control", 0, KEY_READ, &control)) RegCloseKey(control);
        } else {
            DefaultOf(h, "LocalServer32", &server);
            if (DefaultOf(h, "TypeLib", &lib)) {
                if (!lib.empty() && libs.insert(TextCase::Lower(lib)).second) LibraryReads(lib);
            } else if (server.empty()) {
                DefaultOf(HKEY_CLASSES_ROOT, progId + "\\protocol\\StdFileEditing\\server");
            }
        }
        size = sizeof data;
        RegQueryValueExA(h, "AppID", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        DefaultOf(h, "Version");
        RegCloseKey(h);
    }
    RegCloseKey(clsid);
    return keys;
}

struct BenchWindow : ui::Form {
    BenchWindow() : Form("Form_RegCompBench", {.caption = "regcomp bench", .width = 8000, .height = 8000}) {}
    ui::ImageList iml;
    ui::TreeView tvw;
    ui::StatusBar stb;
    void Form_Load() override {
        HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
        for (const char* key : {"Control", "DLLServer", "EXEServer", "Strike"}) iml.Add(key, icon);
        tvw.Create(*this, 0, 0, 7800, 7000);
        tvw.SetImageList(&iml);
        stb.Create(*this);
        stb.AddPanel("", 0);
    }
};

// The reading alone, without the tree: every class read into a record.
long ReadOnly() {
    colRegComp col;
    Tab_RegComp::PrepareSearchPath();
    Tab_RegComp::ScanFileCache files;
    HKEY clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid)) return 0;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(clsid, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        Tab_RegComp::ReadRegCompRecord(col, name, clsid);
    }
    RegCloseKey(clsid);
    return col.Count();
}

// The least a tree costs: the same number of items inserted with TVM_INSERTITEM under three
// roots of a bare tree control, painting off, then the roots sorted.
void BareInserts(HWND parent, long items) {
    HWND tv = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS, 0, 0, 300,
                              300, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(tv, WM_SETREDRAW, FALSE, 0);
    HTREEITEM roots[3];
    char text[64];
    TVINSERTSTRUCTA ins{};
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.hInsertAfter = TVI_LAST;
    for (auto& r : roots) {
        ins.hParent = TVI_ROOT;
        ins.item.pszText = text;
        strcpy(text, "root");
        r = reinterpret_cast<HTREEITEM>(SendMessageA(tv, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    for (long i = 0; i < items; ++i) {
        snprintf(text, sizeof text, "Bench.Class.%ld", (i * 7919) % items);
        ins.hParent = roots[i % 3];
        SendMessageA(tv, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
    }
    for (auto& r : roots) SendMessageA(tv, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(r));
    SendMessageA(tv, WM_SETREDRAW, TRUE, 0);
    DestroyWindow(tv);
}

constexpr int kRuns = 5;  // interleaved; the best run of each counts (the machine is shared)

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

// The longest time the message loop waited during a full scan (how long a Cancel click could go
// unanswered): a 10 ms thread timer notes the gaps between its ticks.
Clock::time_point g_lastTick;
double g_longestGap = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    auto now = Clock::now();
    g_longestGap = std::max(g_longestGap, Seconds(now - g_lastTick));
    g_lastTick = now;
}

double LongestWaitForMessages(BenchWindow& w) {
    colRegComp col;
    bool cancel = false;
    g_longestGap = 0;
    g_lastTick = Clock::now();
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    Tab_RegComp::FillRegCompTree(col, w.tvw, 0, false, w.stb, cancel);
    Tick(nullptr, 0, 0, 0);
    KillTimer(nullptr, timer);
    return g_longestGap;
}

// Classes whose server texts are 20,000 characters long, in the shapes that cost the server
// file search most: a program with a long argument, deep missing folders, many references.
void FillHostile(int classes) {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    const std::string sys = buf;
    for (int i = 0; i < classes; ++i) {
        char key[80];
        snprintf(key, sizeof key, "CLSID\\{BE0D%04X-0000-0000-0000-%012d}", i, i);
        const std::string k = key;
        SetText(HKEY_CLASSES_ROOT, k + "\\ProgID", nullptr, "Bench.Hostile." + std::to_string(i));
        std::string text;
        switch (i % 3) {
            case 0: text = sys + "\\notepad.exe " + std::string(20000, 'x'); break;
            case 1:
                text = "C:\\hostile" + std::to_string(i);
                while (text.size() < 20000) text += "\\ab";
                break;
            default:
                while (text.size() < 20000) text += "%NOSUCHVAR%";
                text += "\\x.dll";
                break;
        }
        SetText(HKEY_CLASSES_ROOT, k + (i % 3 ? "\\InprocServer32" : "\\LocalServer32"), nullptr, text);
    }
}

// Registry calls per sub-key of CLSID: the full scan's beside the least reads'.
void PrintCallsPerClass(const char* what, BenchWindow& w) {
    colRegComp col;
    bool cancel = false;
    g_registryCalls = 0;
    const long keys = LeastReads();
    const long least = g_registryCalls;
    g_registryCalls = 0;
    Tab_RegComp::FillRegCompTree(col, w.tvw, 0, false, w.stb, cancel);
    const long scan = g_registryCalls;
    if (keys == 0) return;
    printf("registry calls per class, %s (%ld CLSID keys): scan %.2f, least reads %.2f\n", what, keys,
           static_cast<double>(scan) / keys, static_cast<double>(least) / keys);
}

int main(int argc, char** argv) {
    const int classes = argc > 1 ? atoi(argv[1]) : 20000;
    CountRegistryCalls();
    BenchWindow w;
    w.Show();
    ui::DoEvents();
    PrintCallsPerClass("the prefix's classes", w);

    RegFixture hkcr(HKEY_CLASSES_ROOT);
    auto t0 = Clock::now();
    Fill(classes);
    printf("synthetic HKEY_CLASSES_ROOT: %d classes written in %.1f s\n", classes, Seconds(Clock::now() - t0));
    PrintCallsPerClass("synthetic classes", w);

    colRegComp col;
    bool cancel = false;
    std::vector<double> floor, full, scan, read, inserts;
    long keysAndValues = 0, reads = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto a = Clock::now();
        reads = LeastReads();
        auto b = Clock::now();
        keysAndValues = BareWalk(HKEY_CLASSES_ROOT, "CLSID") + BareWalk(HKEY_CLASSES_ROOT, "TypeLib");
        auto c = Clock::now();
        Tab_RegComp::FillRegCompTree(col, w.tvw, 0, false, w.stb, cancel);
        ui::DoEvents();
        auto d = Clock::now();
        ReadOnly();
        auto e = Clock::now();
        read.push_back(Seconds(e - d));
        BareInserts(w.hWnd(), w.tvw.Nodes.Count() - 3);
        inserts.push_back(Seconds(Clock::now() - e));
        floor.push_back(Seconds(b - a));
        full.push_back(Seconds(c - b));
        scan.push_back(Seconds(d - c));
    }
    for (auto* v : {&floor, &full, &scan, &read, &inserts}) std::sort(v->begin(), v->end());
    printf("least reads that give the records (%ld CLSID keys):    best %.3f s\n", reads, floor[0]);
    printf("bare walk of all of CLSID and TypeLib (%ld keys and values): best %.3f s\n", keysAndValues, full[0]);
    printf("FillRegCompTree into a tree (%ld records, %ld nodes):  best %.3f s\n", col.Count(),
           w.tvw.Nodes.Count(), scan[0]);
    printf("records alone, without the tree:                      best %.3f s\n", read[0]);
    printf("bare tree inserts of as many nodes:                   best %.3f s\n", inserts[0]);
    printf("ratio scan / bare reads: %.2f   scan / (bare reads + bare inserts): %.2f   scan / full walk: %.2f\n",
           scan[0] / floor[0], scan[0] / (floor[0] + inserts[0]), scan[0] / full[0]);
    printf("longest wait for the message loop during a scan: %.3f s\n", LongestWaitForMessages(w));
    FillHostile(300);
    printf("the same with 300 more classes of 20,000-character server texts: %.3f s\n",
           LongestWaitForMessages(w));
    w.Unload();
    return 0;
}
