// Velmora's start as a user sees it, watched from outside the program as an eye would: the
// time from starting Velmora.exe until its main window shows, and until its first scan has
// ended (the components tree holds items, the busy box is gone and the status bar reads
// "Ready."). Beside them, in the same run, the start of a bare program: until it has ended
// (a bare Wine process start) and until its one window shows.
//
//     tools/wine-run --prefix $PWD/build/x64/wineprefix build/x64/bench/startup/startup_bench.exe [runs]
//
// Velmora runs as a single instance: no Velmora may run when the benchmark starts. Each run's
// Velmora is ended the hard way once its scan is done (its settings are not written).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Handle.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string OwnFolder() {
    char buf[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of('\\'));
}

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH] = {};
    return GetFullPathNameA(path.c_str(), MAX_PATH, buf, nullptr) ? std::string(buf) : path;
}

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Started {
    PROCESS_INFORMATION pi{};
    Clock::time_point t0;
    bool ok = false;
};

// Starts a program as a user does: in a normal window, in its own folder.
Started Start(const std::string& exe, const std::string& args = "") {
    Started s;
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    s.t0 = Clock::now();
    s.ok = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                          &s.pi) != FALSE;
    return s;
}

void End(Started& s) {
    if (!s.ok) return;
    if (WaitForSingleObject(s.pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(s.pi.hProcess, 1);
    WaitForSingleObject(s.pi.hProcess, 30000);
    Handle(s.pi.hThread).reset();
    Handle(s.pi.hProcess).reset();
    s.ok = false;
}

struct TopSearch {
    DWORD pid;            // 0: any process
    const char* title;    // nullptr: any title
    HWND main = nullptr;  // the visible window that no other window owns
    int visible = 0;      // visible top-level windows with that title
};

BOOL CALLBACK FindTop(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<TopSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if ((s->pid && pid != s->pid) || !IsWindowVisible(w)) return TRUE;
    char title[128] = {};
    GetWindowTextA(w, title, sizeof title);
    if (s->title && std::string(title) != s->title) return TRUE;
    ++s->visible;
    if (!GetWindow(w, GW_OWNER)) s->main = w;
    return TRUE;
}

TopSearch Windows(DWORD pid, const char* title) {
    TopSearch s{pid, title};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    return s;
}

struct Filled {
    long treeItems = 0;
    bool ready = false;
};

BOOL CALLBACK Inspect(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Filled*>(lp);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    const std::string c = cls;
    if (c == WC_TREEVIEWA) {
        f->treeItems = std::max(f->treeItems, static_cast<long>(SendMessageA(w, TVM_GETCOUNT, 0, 0)));
    } else if (c == STATUSCLASSNAMEA) {
        // The first panel's text; its length is enough to tell "Ready." from the scan's text.
        const LRESULT r = SendMessageA(w, SB_GETTEXTLENGTHA, 0, 0);
        f->ready = LOWORD(r) == 6;
    }
    return TRUE;
}

// Polls until `done` holds, at most `limitMs`; the time it first held, or a negative value.
template <class Pred>
double WaitUntil(const Started& s, Pred done, double limitMs = 60000) {
    for (;;) {
        const auto now = Clock::now();
        if (done()) return Ms(s.t0, now);
        if (Ms(s.t0, now) > limitMs || WaitForSingleObject(s.pi.hProcess, 0) == WAIT_OBJECT_0) return -1;
        Sleep(2);
    }
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string folder = OwnFolder();
    const std::string bare = FullPath(folder + "\\" VELM_STARTUP_BARE);
    const std::string velmora = FullPath(folder + "\\" VELM_STARTUP_VELMORA);
    if (Windows(0, "Velmora").main) {
        std::printf("A Velmora window is open: end it first (the program runs as a single instance).\n");
        return 2;
    }

    std::vector<double> bareEnd, bareWindow, mainWindow, scanDone;
    for (int run = 1; run <= runs; ++run) {
        // A bare process: started and ended.
        Started b = Start(bare, "exit");
        if (!b.ok) {
            std::printf("cannot start %s\n", bare.c_str());
            return 1;
        }
        WaitForSingleObject(b.pi.hProcess, 60000);
        bareEnd.push_back(Ms(b.t0, Clock::now()));
        End(b);

        // A bare window: started until shown.
        Started w = Start(bare);
        const double shown = WaitUntil(w, [&] { return Windows(w.pi.dwProcessId, "Bare").main != nullptr; });
        End(w);

        // Velmora: the main window, then the end of its first scan.
        Started v = Start(velmora);
        if (!v.ok) {
            std::printf("cannot start %s\n", velmora.c_str());
            return 1;
        }
        HWND main = nullptr;
        const double up = WaitUntil(v, [&] { return (main = Windows(v.pi.dwProcessId, "Velmora").main) != nullptr; });
        double scanned = -1;
        if (up >= 0) {
            scanned = WaitUntil(v, [&] {
                Filled f;
                EnumChildWindows(main, Inspect, reinterpret_cast<LPARAM>(&f));
                // Only the main window is left: the busy box titled like it has gone.
                return f.treeItems > 0 && f.ready && Windows(v.pi.dwProcessId, "Velmora").visible == 1;
            });
        }
        End(v);
        std::printf("run %d: bare process %6.0f ms, bare window %6.0f ms, Velmora main window %6.0f ms, first scan "
                    "done %6.0f ms\n",
                    run, bareEnd.back(), shown, up, scanned);
        if (shown < 0 || up < 0 || scanned < 0) {
            std::printf("a window did not come up (or the scan did not end) within a minute\n");
            return 1;
        }
        bareWindow.push_back(shown);
        mainWindow.push_back(up);
        scanDone.push_back(scanned);
    }
    const double be = Median(bareEnd), bw = Median(bareWindow), mw = Median(mainWindow), sd = Median(scanDone);
    std::printf("\nmedian of %d runs, from process start:\n", runs);
    std::printf("  bare Wine process, start to end    %7.0f ms\n", be);
    std::printf("  bare program's window shown        %7.0f ms\n", bw);
    std::printf("  Velmora main window shown          %7.0f ms   %.1fx the bare window\n", mw, mw / bw);
    std::printf("  Velmora first scan done            %7.0f ms   %.1fx the bare window\n", sd, sd / bw);
    return 0;
}
