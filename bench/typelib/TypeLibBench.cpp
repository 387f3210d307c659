// What reading a type library in its child process costs: Registration::ReadTypeLib against
// QV_Typelib::ReadCoClasses in this process (the library then in the loader's cache, so the
// figure is the whole price of the child: its start, its own first load, its report), on real
// libraries of the prefix, in turns.
//
//     tools/wine-run build/x64/bench/typelib/typelib_bench.exe
//
// With "accept", VelmRegSvr is run as a user runs it over damaged copies of the prefix's type
// libraries (tests/regsvr/LoaderDamage.h: each source's kinds of damage, then `copies` with
// random flips): "-V" on each copy, and with "-R" also "-R" on the copies of DLLs; every run
// must answer with its window within a minute. The tally is printed per outcome.
//
//     typelib_bench.exe accept <VelmRegSvr.exe> [copies per source] [-R]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/QV_Typelib.h"
#include "platform/Registration.h"
#include "tests/regsvr/LoaderDamage.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string SystemFolder() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\";
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The floor of any child: this program started again and ended at once.
double BareStart() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" nothing";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const auto t0 = Clock::now();
    if (!CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const auto t1 = Clock::now();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return Ms(t1 - t0);
}

void Timings() {
    const std::string sys = SystemFolder();
    std::vector<double> bare;
    for (int round = 0; round < 15; ++round) bare.push_back(BareStart());
    std::printf("bare start of this program and its end: %7.1f ms (median of 15)\n", Median(bare));
    for (const char* name : {"stdole2.tlb", "scrrun.dll", "msxml3.dll"}) {
        const std::string file = sys + name;
        QV_Typelib::ReadCoClasses(file);  // the loader's first load here is not what is timed
        std::vector<double> child, here;
        size_t classes = 0;
        for (int round = 0; round < 15; ++round) {
            auto t0 = Clock::now();
            classes = Velm::Registration::ReadTypeLib(file).clsids.size();
            auto t1 = Clock::now();
            QV_Typelib::ReadCoClasses(file);
            auto t2 = Clock::now();
            child.push_back(Ms(t1 - t0));
            here.push_back(Ms(t2 - t1));
        }
        std::printf("%-12s %4zu classes  child %7.1f ms  in process %6.2f ms  (medians of 15)\n", name, classes,
                    Median(child), Median(here));
    }
}

struct Found {
    DWORD pid;
    HWND window = nullptr;
    HWND closed = nullptr;  // one already answered, perhaps not gone yet
};

BOOL CALLBACK FindWindowOf(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == f->pid && IsWindowVisible(w) && w != f->closed) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK LongestText(HWND w, LPARAM lp) {
    char text[2048] = {};
    GetWindowTextA(w, text, sizeof text);
    auto* best = reinterpret_cast<std::string*>(lp);
    if (std::strlen(text) > best->size() && std::strncmp(text, "&", 1) != 0) *best = text;
    return TRUE;
}

// Runs the program, waits up to a minute for its window, reads it and closes it; the outcome's
// name for the tally.
std::string RunOnce(const std::string& exe, const std::string& tail) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + exe + "\" " + tail;
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "not started";
    CloseHandle(pi.hThread);
    std::string outcome = "no window within a minute";
    Found f{pi.dwProcessId};
    for (int i = 0; i < 1200; ++i) {
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&f));
        if (f.window) break;
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    if (f.window) {
        // Each window the run shows (a box may be followed by another) is read and closed.
        outcome = "answered:";
        for (int shown = 0; f.window && shown < 3; ++shown) {
            std::string text;
            for (int i = 0; i < 100 && text.empty(); ++i) {  // its texts are set
                Sleep(50);
                EnumChildWindows(f.window, LongestText, reinterpret_cast<LPARAM>(&text));
            }
            outcome += (shown ? " / " : " ") + text.substr(0, text.find_first_of("\r\n(:"));
            PostMessageA(f.window, WM_CLOSE, 0, 0);
            f.closed = f.window;
            f.window = nullptr;
            for (int i = 0; i < 200 && !f.window; ++i) {
                if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
                EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&f));
            }
        }
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) outcome += " (did not end when closed)";
    } else if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        char buf[64];
        std::snprintf(buf, sizeof buf, "ended without a window (exit 0x%08lX)", static_cast<unsigned long>(code));
        outcome = buf;
    }
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return outcome;
}

int Accept(const std::string& exe, int copies, bool alsoRegister) {
    const std::string sys = SystemFolder();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::map<std::string, int> tally;
    int runs = 0;
    for (const char* name : {"stdole2.tlb", "stdole32.tlb", "activeds.tlb", "scrrun.dll", "atl.dll", "hhctrl.ocx",
                             "wshom.ocx", "olepro32.dll"}) {
        std::vector<unsigned char> file;
        HANDLE in = CreateFileA((sys + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (in != INVALID_HANDLE_VALUE) {
            file.resize(GetFileSize(in, nullptr));
            DWORD got = 0;
            ReadFile(in, file.data(), static_cast<DWORD>(file.size()), &got, nullptr);
            file.resize(got);
            CloseHandle(in);
        }
        const size_t at = loader_damage::EmbeddedLibrary(file);
        if (at >= file.size()) {
            std::printf("%s: no type library here\n", name);
            continue;
        }
        const std::vector<unsigned char> lib(file.begin() + static_cast<long>(at), file.end());
        const bool dll = !std::string(name).ends_with(".tlb");
        int n = 0;
        for (const loader_damage::Damage& d : loader_damage::LoaderDamages(lib, copies, 35 + runs)) {
            std::vector<unsigned char> copy = file;
            std::memcpy(&copy[at], d.bytes.data(), d.bytes.size());
            const std::string path = std::string(tmp) + "velm-accept-" + std::to_string(n++) + "-" + name;
            HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD put = 0;
            WriteFile(out, copy.data(), static_cast<DWORD>(copy.size()), &put, nullptr);
            CloseHandle(out);
            for (const char* action : {"-V ", "-R "}) {
                if (action[1] == 'R' && (!alsoRegister || !dll)) continue;
                const std::string outcome = RunOnce(exe, action + path);
                ++tally[std::string(action) + outcome];
                ++runs;
                std::printf("%4d %s%s (%s): %s\n", runs, action, name, d.name.c_str(), outcome.c_str());
                std::fflush(stdout);
            }
            DeleteFileA(path.c_str());
        }
    }
    std::printf("%d runs\n", runs);
    for (const auto& [outcome, count] : tally) std::printf("%5d  %s\n", count, outcome.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Velm::Registration::ServeEntryCall();
    if (argc >= 2 && std::string(argv[1]) == "nothing") return 0;
    if (argc >= 3 && std::string(argv[1]) == "accept")
        return Accept(argv[2], argc >= 4 ? std::atoi(argv[3]) : 25, argc >= 5 && std::string(argv[4]) == "-R");
    Timings();
    return 0;
}
