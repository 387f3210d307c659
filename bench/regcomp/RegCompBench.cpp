// Scans a synthetic HKEY_CLASSES_ROOT of 20,000 classes (server paths of every registered form,
// ProgIDs, type libraries, a share of missing files) into a real tree, and times it against
// the least any scan must do: opening, enumerating, querying and closing the same keys.
//
//     tools/wine-run build/x64/bench/regcomp/regcomp_bench.exe [classes]
#include <windows.h>

#include <algorithm>
#include <chrono>
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
    std::vector<double> floor, scan;
    long keysAndValues = 0;
    for (int run = 0; run < 3; ++run) {
        auto a = Clock::now();
        keysAndValues = BareWalk(HKEY_CLASSES_ROOT, "CLSID") + BareWalk(HKEY_CLASSES_ROOT, "TypeLib");
        auto b = Clock::now();
        Tab_RegComp::FillRegCompTree(col, w.tvw, 0, false, w.stb, cancel);
        ui::DoEvents();
        auto c = Clock::now();
        floor.push_back(Seconds(b - a));
        scan.push_back(Seconds(c - b));
    }
    std::sort(floor.begin(), floor.end());
    std::sort(scan.begin(), scan.end());
    printf("bare walk of CLSID and TypeLib (%ld keys and values): median %.3f s\n", keysAndValues, floor[1]);
    printf("FillRegCompTree (%ld records, %ld nodes):             median %.3f s\n", col.Count(), w.tvw.Nodes.Count(),
           scan[1]);
    printf("ratio scan / bare walk: %.2f\n", scan[1] / floor[1]);
    w.Unload();
    return 0;
}
