// Fills a real values list (shown, with its "String" and "Bin" pictures) from a key of the
// prefix's registry holding 10,000 values of every common type, beside the bare enumeration
// of the same key with RegEnumValueA (names, types and data: what any list of the key has to
// read at the least). Each is timed in turns with the other, best of several runs.
//
//     tools/wine-run --prefix build/x64/wineprefix build/x64/bench/valueslist/valueslist_bench.exe [values]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/RegistryValuesList.h"
#include "ui/ui.h"

namespace {

using Clock = std::chrono::steady_clock;
const char kKey[] = "Software\\VelmoraBench\\Values";

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

// The key's values: the unnamed one and `count - 1` named ones, in turn text, expandable text,
// number, 64-bit number, bytes and list of texts.
bool MakeKey(int count) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)) return false;
    const char text[] = "C:\\Program Files\\Velmora\\bench.dll";
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    for (int i = 1; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Value%05d", i);
        const DWORD dword = static_cast<DWORD>(i);
        const unsigned long long qword = 0x100000000ull * static_cast<unsigned>(i) + 7;
        const BYTE bytes[] = {0x00, 0x0F, 0xA0, static_cast<BYTE>(i), 0xFF, 0x10, 0x20, 0x30};
        const char multi[] = "first\0second\0third\0";
        switch (i % 6) {
            case 0: RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text); break;
            case 1: RegSetValueExA(h, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%SystemRoot%\\x"), 15); break;
            case 2: RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4); break;
            case 3: RegSetValueExA(h, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&qword), 8); break;
            case 4: RegSetValueExA(h, name, 0, REG_BINARY, bytes, sizeof bytes); break;
            default: RegSetValueExA(h, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi); break;
        }
    }
    RegCloseKey(h);
    return true;
}

// The floor: every value of the key enumerated with its name, type and data.
long BareEnumeration() {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &h)) return 0;
    static char name[32768];
    static BYTE data[1 << 16];
    long n = 0;
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = sizeof data, type;
        if (RegEnumValueA(h, i, name, &nameLen, nullptr, &type, data, &dataLen) == ERROR_NO_MORE_ITEMS) break;
        ++n;
    }
    RegCloseKey(h);
    return n;
}

struct BenchWindow : ui::Form {
    BenchWindow() : Form("Form_ValuesListBench", {.caption = "values list bench", .width = 8000, .height = 7000}) {}
    ui::ListView lsvEntries;
    ui::ImageList imlEntries{16, 16};
    void Form_Load() override {
        imlEntries.Add("String", LoadIconA(nullptr, IDI_APPLICATION));
        imlEntries.Add("Bin", LoadIconA(nullptr, IDI_INFORMATION));
        lsvEntries.Create(*this, 0, 0, 7800, 6500);
        lsvEntries.SetSmallIcons(&imlEntries);
        lsvEntries.SetIcons(&imlEntries);
        lsvEntries.ColumnHeaders.Add("Name", 2500);
        lsvEntries.ColumnHeaders.Add("Value", 5000);
    }
};

// Lets the window paint what the fill left to paint, as the program's message loop would.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    auto t = Clock::now();
    if (!MakeKey(count)) {
        std::printf("cannot create HKCU\\%s\n", kKey);
        return 1;
    }
    std::printf("fixture: %d values in %.2f s\n", count, Ms(t) / 1000);

    BenchWindow window;
    window.Show();
    Pump();
    double bare = 1e300, fill = 1e300;
    long enumerated = 0;
    for (int i = 0; i < runs; ++i) {
        t = Clock::now();
        enumerated = BareEnumeration();
        bare = std::min(bare, Ms(t));
        t = Clock::now();
        RegistryValuesList::Fill(HKEY_CURRENT_USER, kKey, window.lsvEntries);
        UpdateWindow(window.lsvEntries.hWnd());
        fill = std::min(fill, Ms(t));
        Pump();
    }
    std::printf("bare enumeration: %.1f ms, %ld values\n", bare, enumerated);
    std::printf("values list fill: %.1f ms, %ld rows (painted)\n", fill, window.lsvEntries.ListItems.Count());
    std::printf("ratio: %.2fx the bare enumeration\n", fill / bare);

    window.Unload();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VelmoraBench");
    return 0;
}
