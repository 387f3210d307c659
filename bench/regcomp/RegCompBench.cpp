// Scans a synthetic HKEY_CLASSES_ROOT of 20,000 classes (server paths of every registered form,
// ProgIDs, type libraries, a share of missing files) into a real tree, and times it against
// the least any scan must do: opening, enumerating, querying and closing the same keys.
//
//     tools/wine-run build/x64/bench/regcomp/regcomp_bench.exe [classes]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

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
    HANDLE h = FindFirstFileA((sys + "\\*.dll").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (names.size() < most && FindNextFileA(h, &fd));
    FindClose(h);
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

// The reads any scan of the classes must make, without any processing: per class its key, the
// default values of its ProgID, server, TypeLib and Version sub-keys, its name and AppID, and
// the title of the type library it names.
long DefaultOf(HKEY parent, const char* sub, std::string* out = nullptr) {
    HKEY h;
    if (RegOpenKeyExA(parent, sub, 0, KEY_READ, &h)) return 0;
    char data[1024];
    DWORD size = sizeof data;
    if (!RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) && out)
        out->assign(data, strnlen(data, size));
    RegCloseKey(h);
    return 1;
}

long MinimalWalk() {
    HKEY clsid;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid)) return 0;
    long reads = 0;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(clsid, i, name, &len, nullptr, nullptr, nullptr, nullptr)) break;
        HKEY h;
        if (RegOpenKeyExA(clsid, name, 0, KEY_READ, &h)) continue;
        char data[1024];
        DWORD size = sizeof data;
        RegQueryValueExA(h, "", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        size = sizeof data;
        RegQueryValueExA(h, "AppID", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        std::string lib;
        reads += 3 + DefaultOf(h, "ProgID") + DefaultOf(h, "InprocServer32") + DefaultOf(h, "LocalServer32") +
                 DefaultOf(h, "Version") + DefaultOf(h, "TypeLib", &lib);
        RegCloseKey(h);
        if (!lib.empty()) reads += DefaultOf(HKEY_CLASSES_ROOT, ("TypeLib\\" + lib + "\\1.0").c_str());
    }
    RegCloseKey(clsid);
    return reads;
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

int main(int argc, char** argv) {
    const int classes = argc > 1 ? atoi(argv[1]) : 20000;
    RegFixture hkcr(HKEY_CLASSES_ROOT);
    auto t0 = Clock::now();
    Fill(classes);
    printf("synthetic HKEY_CLASSES_ROOT: %d classes written in %.1f s\n", classes, Seconds(Clock::now() - t0));

    BenchWindow w;
    w.Show();
    ui::DoEvents();
    colRegComp col;
    bool cancel = false;
    std::vector<double> floor, full, scan, read, inserts;
    long keysAndValues = 0, reads = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto a = Clock::now();
        reads = MinimalWalk();
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
    printf("bare reads of the scan's keys and values (%ld keys):   best %.3f s\n", reads, floor[0]);
    printf("bare walk of all of CLSID and TypeLib (%ld keys and values): best %.3f s\n", keysAndValues, full[0]);
    printf("FillRegCompTree into a tree (%ld records, %ld nodes):  best %.3f s\n", col.Count(),
           w.tvw.Nodes.Count(), scan[0]);
    printf("records alone, without the tree:                      best %.3f s\n", read[0]);
    printf("bare tree inserts of as many nodes:                   best %.3f s\n", inserts[0]);
    printf("ratio scan / bare reads: %.2f   scan / (bare reads + bare inserts): %.2f   scan / full walk: %.2f\n",
           scan[0] / floor[0], scan[0] / (floor[0] + inserts[0]), scan[0] / full[0]);
    w.Unload();
    return 0;
}
