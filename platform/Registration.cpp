// The registration runner: a component file registered or unregistered by its own entry
// points, a DLL's in a child process of the calling program.
#include "platform/Registration.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "base/FileLookup.h"
#include "base/Handle.h"
#include "base/PeImage.h"
#include "base/QV_Typelib.h"
#include "base/Process.h"
#include "base/TextCase.h"
#include "base/WinText.h"

namespace Velm {
namespace {

// The system's message without the line end and the full stop (the callers close the sentence).
std::string SystemMessage(DWORD code) { return WinText::SystemMessage(code, "\r\n ."); }

std::string Hex32(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", v);
    return buf;
}

// The machine a PE file is built for, read from its headers; 0 when the file is no PE image.
WORD PeMachine(const std::string& path) {
    const PeImage image(path);
    return image.HasFileHeader() ? image.FileHeader().Machine : 0;
}

bool EndsWithExe(const std::string& path) { return TextCase::EndsWith(path, ".EXE"); }

// The name of an exception code a component's crash ends with ("" for others).
const char* ExceptionName(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION: return "access violation";
        case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
        case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
        case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
        case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
        case EXCEPTION_BREAKPOINT: return "breakpoint";
        case 0xC0000409: return "stack buffer overrun";
        default: return "";
    }
}

// "exception 0xC0000005 (access violation)"
std::string ExceptionText(DWORD code) {
    const char* name = ExceptionName(code);
    return "exception " + Hex32(code) + (*name ? std::string(" (") + name + ")" : std::string());
}

// An exit code that is an error status of the system (0xC…): what a process ends with when an
// exception nobody handled ends it.
bool IsErrorStatus(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

std::string Seconds(unsigned long ms) {
    const unsigned long s = (ms + 999) / 1000;
    return std::to_string(s) + (s == 1 ? " second" : " seconds");
}

bool RunExeServer(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
    const char* const action = doRegister ? "/RegServer" : "/UnregServer";
    std::string cmd = "\"" + path + "\" " + action;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!Process::Start(path.c_str(), cmd, false, 0, si, pi)) {
        DWORD e = GetLastError();
        errText = "The server could not be started (error " + std::to_string(e) + ": " + SystemMessage(e) + ").";
        return false;
    }
    Handle process(pi.hProcess);
    Handle(pi.hThread).reset();  // the thread's handle is not needed
    // A server registers itself and ends. A program that is no COM server does not know the
    // switch and may open its window and wait for the user for ever: the wait is bounded.
    // Such a program is left running, not ended: it may be half-way through writing the
    // registry, or may by now hold what the user typed into it; the text names it instead.
    if (WaitForSingleObject(process.get(), waitMs) != WAIT_OBJECT_0) {
        process.reset();
        errText = std::string("The server did not end within ") + Seconds(waitMs) + " of its " + action +
                  " start, so it is not known to be " + (doRegister ? "registered" : "unregistered") +
                  ". It was left running (process id " + std::to_string(pi.dwProcessId) +
                  "): a program that is no COM server may be waiting for input in a window of its own.";
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    process.reset();
    if (code != 0) {
        errText = IsErrorStatus(code) ? "The server ended with " + ExceptionText(code) + "."
                                      : "The server ended with exit code " + std::to_string(code) + ".";
        return false;
    }
    return true;
}

// ---- The entry point in a process of its own ----
//
// A component's DllRegisterServer (or its DllMain) may crash. Run in this process, the crash
// would take the calling program down with it; so the entry point runs in a child process:
// this same program started again with an internal switch. The child loads the component,
// calls the entry point and writes one line on a pipe inherited from the parent:
//   "load E"      the component could not be loaded (system error E)
//   "noentry 0"   the component has no such entry point
//   "result H"    the entry point returned HRESULT H
//   "fault C M"   exception C, raised in module M, ended the child
// Every program that can register components hosts the call: its entry point calls
// Registration::ServeEntryCall first, before it makes a window or starts anything of its own.

const char* const kChildSwitch = "/VelmRegistrationEntryCall";

void ChildWrite(HANDLE out, const char* text) {
    DWORD written = 0;
    WriteFile(out, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

HANDLE g_childOut = nullptr;

// Where the child's fault line goes: the pipe of an entry-point call, the report of a
// type-library read. Called once at most (the first report is the one that counts).
void (*g_faultReport)(const char* line) = nullptr;

void PipeFaultReport(const char* line) {
    if (g_childOut) ChildWrite(g_childOut, line);
    g_childOut = nullptr;
}

LONG WINAPI ChildFault(EXCEPTION_POINTERS* ep) {
    char module[MAX_PATH] = "?";
    HMODULE in = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(ep->ExceptionRecord->ExceptionAddress), &in) &&
        in) {
        char full[MAX_PATH] = "";
        if (GetModuleFileNameA(in, full, MAX_PATH)) {
            const char* name = std::strrchr(full, '\\');
            std::snprintf(module, sizeof module, "%s", name ? name + 1 : full);
        }
    }
    char line[MAX_PATH + 64];
    std::snprintf(line, sizeof line, "fault %lX %s\n", static_cast<unsigned long>(ep->ExceptionRecord->ExceptionCode),
                  module);
    if (void (*report)(const char*) = std::exchange(g_faultReport, nullptr)) report(line);
    return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception code
}

[[noreturn]] void ServeTypeLibRead(HANDLE mapping, const std::string& path);

// Child side: "<program> /VelmRegistrationEntryCall R|U <pipe handle> <path>", or
// "... T <report mapping handle> <path>" for a type-library read.
[[noreturn]] void ServeChild(const char* args) {
    char letter = 0;
    unsigned long long handle = 0;
    int used = 0;
    if (std::sscanf(args, " %c %llu %n", &letter, &handle, &used) < 2 || used <= 0) ExitProcess(2);
    const std::string path = args + used;
    HANDLE out = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
    // Whatever the component starts does not get the handle: the parent waits only for us.
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    // No crash dialog and no debugger: the parent reports the fault.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ChildFault);
    if (letter == 'T') ServeTypeLibRead(out, path);
    g_childOut = out;
    g_faultReport = PipeFaultReport;
    const bool doRegister = letter == 'R';
    char line[64];
    OleInitialize(nullptr);
    HMODULE dll = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!dll) {
        std::snprintf(line, sizeof line, "load %lX\n", static_cast<unsigned long>(GetLastError()));
    } else {
        using EntryFn = HRESULT(STDAPICALLTYPE*)();
        auto fn = reinterpret_cast<EntryFn>(
            reinterpret_cast<void*>(GetProcAddress(dll, doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
        if (!fn) {
            std::snprintf(line, sizeof line, "noentry 0\n");
        } else {
            const HRESULT hr = fn();
            std::snprintf(line, sizeof line, "result %lX\n", static_cast<unsigned long>(hr));
        }
    }
    if (void (*report)(const char*) = std::exchange(g_faultReport, nullptr)) report(line);
    FreeLibrary(dll);
    OleUninitialize();
    ExitProcess(0);
}


// Parent side: runs the entry point in the child and turns its report into the result.
bool RunEntryInChild(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
    const char* entry = doRegister ? "DllRegisterServer" : "DllUnregisterServer";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &sa, 4096)) {
        DWORD e = GetLastError();
        errText = "The registration process could not be started (error " + std::to_string(e) + ": " +
                  SystemMessage(e) + ").";
        return false;
    }
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    const std::string exe = WinText::ProgramPath();
    std::string cmd = "\"" + exe + "\" " + kChildSwitch + " " + (doRegister ? "R " : "U ") +
                      std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(writeEnd.get()))) +
                      " " + path;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const bool started = Process::Start(exe.c_str(), cmd, true, 0, si, pi);
    const DWORD startError = GetLastError();
    writeEnd.reset();
    if (!started) {
        readEnd.reset();
        errText = "The registration process could not be started (error " + std::to_string(startError) + ": " +
                  SystemMessage(startError) + ").";
        return false;
    }
    Handle process(pi.hProcess);
    Handle(pi.hThread).reset();  // the thread's handle is not needed
    // The child's report fits the pipe's buffer: read it once the child has ended. An entry
    // point that never returns would keep the caller waiting for ever: the wait is bounded, and
    // a child still running then is ended. It runs nothing but the component's entry point, so
    // nothing of the calling program is lost with it; what the component wrote so far stays.
    if (WaitForSingleObject(process.get(), waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), static_cast<UINT>(ERROR_TIMEOUT));
        const bool ended = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
        errText = std::string(entry) + " did not return within " + Seconds(waitMs) +
                  ", so the component is not known to be " + (doRegister ? "registered" : "unregistered") +
                  ". Its registration process (process id " +
                  std::to_string(pi.dwProcessId) + ") " + (ended ? "was ended." : "could not be ended.");
        return false;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    process.reset();
    std::string report;
    DWORD avail = 0;
    if (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
        std::vector<char> buf(avail);
        DWORD got = 0;
        if (ReadFile(readEnd.get(), buf.data(), avail, &got, nullptr)) report.assign(buf.data(), got);
    }
    readEnd.reset();
    report = report.substr(0, report.find('\n'));

    char kind[16] = "";
    unsigned long code = 0;
    int used = 0;
    if (std::sscanf(report.c_str(), "%15s %lx %n", kind, &code, &used) < 2) {
        // Nothing reported: the component ended the process itself, or its crash could not be caught.
        errText = std::string("The component ended the registration process before ") + entry + " returned (" +
                  (IsErrorStatus(exitCode) ? ExceptionText(exitCode) : "exit code " + std::to_string(exitCode)) +
                  ").";
        return false;
    }
    const std::string what = kind;
    if (what == "load") {
        const DWORD e = static_cast<DWORD>(code);
        errText = "The file could not be loaded (error " + std::to_string(e) + ": " + SystemMessage(e) + ").";
        return false;
    }
    if (what == "noentry") {
        errText = std::string("The file has no ") + entry + " entry point.";
        return false;
    }
    if (what == "fault") {
        const std::string module = report.substr(static_cast<std::size_t>(used));
        errText = std::string(entry) + " crashed with " + ExceptionText(code) +
                  (module.empty() || module == "?" ? std::string() : " in " + module) + ".";
        return false;
    }
    const HRESULT hr = static_cast<HRESULT>(code);
    if (FAILED(hr)) {
        std::string msg = SystemMessage(static_cast<DWORD>(hr));
        errText = std::string(entry) + " failed with " + Hex32(static_cast<unsigned long>(hr)) +
                  (msg.empty() ? std::string(".") : ": " + msg + ".");
        return false;
    }
    return true;
}

bool RunDllServer(const std::string& path, bool doRegister, std::string& errText, unsigned long waitMs) {
#if defined(_WIN64)
    const WORD ownMachine = IMAGE_FILE_MACHINE_AMD64;
    const char* const ownBits = "64-bit";
#else
    const WORD ownMachine = IMAGE_FILE_MACHINE_I386;
    const char* const ownBits = "32-bit";
#endif
    const WORD machine = PeMachine(path);
    if (machine == 0) {
        errText = "The file is not a Windows program or library.";
        return false;
    }
    if (machine != ownMachine) {
        const char* fileBits = machine == IMAGE_FILE_MACHINE_I386    ? "32-bit"
                               : machine == IMAGE_FILE_MACHINE_AMD64 ? "64-bit"
                                                                     : "foreign";
        errText = std::string("The file is a ") + fileBits + " component; the " + ownBits +
                  " VelmRegSvr cannot load it. Use the VelmRegSvr of the component's bitness.";
        return false;
    }
    return RunEntryInChild(path, doRegister, errText, waitMs);
}

// ---- A type library read in a process of its own ----
//
// The system's type-library loader trusts the file's tables further than any check before it
// can model: a damaged library that passes the check can still end the process inside the
// loader. So the library is read in a child process as a DLL's entry point is run: the same
// program started again with the internal switch and "T". The child reads the co-classes
// (QV_Typelib::ReadCoClasses) and writes what it read into a shared memory block the parent
// made: a text of lines "loaded 0|1", "loadresult H", "loadtext T", "failure N T",
// "clsid {...}" (one per class, in the library's order) and "end", the text's length stored in
// front of it once the text is complete; or "fault C M" when an exception ended it. Texts are
// escaped (\\, \n, \r) so each stays on its line.

// The size of the report block: room for the CLSIDs of some twenty thousand classes.
constexpr DWORD kReportBytes = 1u << 20;
constexpr DWORD kReportTextMax = kReportBytes - sizeof(LONG);

struct ReportBlock {
    volatile LONG length;  // set last, once the text is complete; 0 until then
    char text[1];
};

ReportBlock* g_report = nullptr;

void PutReport(const std::string& text) {
    if (!g_report || g_report->length != 0 || text.empty() || text.size() > kReportTextMax) return;
    std::memcpy(g_report->text, text.data(), text.size());
    InterlockedExchange(&g_report->length, static_cast<LONG>(text.size()));
}

void ReportFaultLine(const char* line) { PutReport(line); }

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::string HexText(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lX", v);
    return buf;
}

[[noreturn]] void ServeTypeLibRead(HANDLE mapping, const std::string& path) {
    g_report = static_cast<ReportBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kReportBytes));
    if (!g_report) ExitProcess(3);
    g_faultReport = ReportFaultLine;
    const QV_Typelib::CoClassList list = QV_Typelib::ReadCoClasses(path);
    std::string text = std::string("loaded ") + (list.loaded ? "1" : "0") + "\n";
    text += "loadresult " + HexText(static_cast<unsigned long>(list.loadResult)) + "\n";
    text += "loadtext " + Escaped(list.loadFailureText) + "\n";
    if (list.Failed())
        text += "failure " + HexText(static_cast<unsigned long>(list.failureNumber)) + " " + Escaped(list.failureText) + "\n";
    for (const std::string& clsid : list.clsids) text += "clsid " + clsid + "\n";
    text += "end\n";
    if (text.size() > kReportTextMax) text = "toolarge\n";
    g_faultReport = nullptr;
    PutReport(text);
    // What the loader left behind is not released: the report is complete, and a damaged
    // library's remains are best not touched again.
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}

QV_Typelib::CoClassList ReadFailed(HRESULT hr, const std::string& text) {
    QV_Typelib::CoClassList list;
    list.loadResult = static_cast<long>(hr);
    list.loadFailureText = text;
    return list;
}

// The child's report read back; false when it is not complete.
bool ParseTypeLibReport(const std::string& text, QV_Typelib::CoClassList& list) {
    std::size_t pos = 0;
    bool ended = false;
    while (pos < text.size() && !ended) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) return false;
        const std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (key == "loaded") list.loaded = value == "1";
        else if (key == "loadresult") list.loadResult = static_cast<long>(std::strtoul(value.c_str(), nullptr, 16));
        else if (key == "loadtext") list.loadFailureText = Unescaped(value);
        else if (key == "failure") {
            const std::size_t gap = value.find(' ');
            list.failureNumber = static_cast<long>(std::strtoul(value.substr(0, gap).c_str(), nullptr, 16));
            list.failureText = gap == std::string::npos ? std::string() : Unescaped(value.substr(gap + 1));
            if (list.failureText.empty()) list.failureText = "Error " + std::to_string(list.failureNumber);
        } else if (key == "clsid") list.clsids.push_back(value);
        else if (key == "end") ended = true;
    }
    return ended;
}

constexpr char kCouldNotRead[] = "The type library could not be read: ";

// The bounds check (QV_Typelib::MayLoad) for a caller that serves its windows meanwhile: it runs
// on a thread of its own, and the caller's messages are handed to `idle` until it has answered.
// The check reads the whole file once and its work follows the file's size, so a large library
// takes as long as reading it, which a window must not wait for unanswering. The thread is
// always waited for (it fills the caller's list), and never stopped: its work is bounded.
struct CheckJob {
    const std::string* file;
    QV_Typelib::CoClassList* list;
    bool mayLoad = false;
};

DWORD WINAPI RunCheck(void* param) {
    auto* job = static_cast<CheckJob*>(param);
    try {
        job->mayLoad = QV_Typelib::MayLoad(*job->file, *job->list);
    } catch (...) {
        // Nothing thrown here may end the program: a check that could not run refuses the file.
        job->mayLoad = false;
        *job->list = ReadFailed(E_OUTOFMEMORY, std::string(kCouldNotRead) + "there was not enough memory to check it.");
    }
    return 0;
}

bool MayLoadServingWindows(const std::string& file, QV_Typelib::CoClassList& list, const std::function<void()>& idle) {
    if (!idle) return QV_Typelib::MayLoad(file, list);
    CheckJob job{&file, &list};
    const Handle thread(CreateThread(nullptr, 0, RunCheck, &job, 0, nullptr));
    if (!thread) return QV_Typelib::MayLoad(file, list);
    for (;;) {
        HANDLE h = thread.get();
        const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) break;
        try {
            idle();
        } catch (...) {
            WaitForSingleObject(h, INFINITE);
            throw;
        }
    }
    WaitForSingleObject(thread.get(), INFINITE);
    return job.mayLoad;
}

}  // namespace

QV_Typelib::CoClassList Registration::ReadTypeLib(const std::string& file, unsigned long waitMs,
                                                  const std::function<void()>& idle) {
    QV_Typelib::CoClassList list;
    if (!MayLoadServingWindows(file, list, idle)) return list;
    auto startFailed = [](DWORD e) {
        return ReadFailed(HRESULT_FROM_WIN32(e), std::string(kCouldNotRead) +
                                                     "its reading process could not be started (error " +
                                                     std::to_string(e) + ": " + SystemMessage(e) + ").");
    };
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    Handle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, kReportBytes, nullptr));
    if (!mapping) return startFailed(GetLastError());
    const std::string exe = WinText::ProgramPath();
    const std::string cmd = "\"" + exe + "\" " + kChildSwitch + " T " +
                            std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(mapping.get()))) +
                            " " + file;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!Process::Start(exe.c_str(), cmd, true, 0, si, pi)) return startFailed(GetLastError());
    Handle process(pi.hProcess);
    Handle(pi.hThread).reset();  // the thread's handle is not needed
    // A good library is read in a moment; a loader that loops on a damaged one is ended after
    // the wait. With `idle` the caller's windows are served meanwhile.
    const ULONGLONG until = GetTickCount64() + waitMs;
    bool ended = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= until ? 0 : static_cast<DWORD>(until - now);
        HANDLE h = process.get();
        const DWORD r = idle ? MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_ALLINPUT) : WaitForSingleObject(h, left);
        if (r == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (!idle || r != WAIT_OBJECT_0 + 1 || left == 0) break;
        idle();
    }
    if (!ended) {
        TerminateProcess(process.get(), static_cast<UINT>(ERROR_TIMEOUT));
        const bool stopped = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
        return ReadFailed(HRESULT_FROM_WIN32(ERROR_TIMEOUT),
                          std::string(kCouldNotRead) + "the system's loader did not return within " + Seconds(waitMs) +
                              ", and its reading process (process id " + std::to_string(pi.dwProcessId) + ") " +
                              (stopped ? "was ended." : "could not be ended."));
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    process.reset();
    std::string text;
    if (auto* block = static_cast<const ReportBlock*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, kReportBytes))) {
        const LONG length = block->length;
        if (length > 0 && static_cast<DWORD>(length) <= kReportTextMax) text.assign(block->text, static_cast<std::size_t>(length));
        UnmapViewOfFile(block);
    }
    QV_Typelib::CoClassList read;
    if (ParseTypeLibReport(text, read)) return read;
    unsigned long code = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "fault %lx %n", &code, &used) >= 1 && used > 0) {
        std::string module = text.substr(static_cast<std::size_t>(used));
        module = module.substr(0, module.find('\n'));
        return ReadFailed(static_cast<HRESULT>(code), std::string(kCouldNotRead) + "the system's loader crashed on it with " +
                                                           ExceptionText(code) +
                                                           (module.empty() || module == "?" ? std::string() : " in " + module) +
                                                           ".");
    }
    if (text == "toolarge\n")
        return ReadFailed(E_OUTOFMEMORY, std::string(kCouldNotRead) + "it describes more classes than can be reported.");
    return ReadFailed(IsErrorStatus(exitCode) ? static_cast<HRESULT>(exitCode) : E_FAIL,
                      std::string(kCouldNotRead) + "its reading process ended with " +
                          (IsErrorStatus(exitCode) ? ExceptionText(exitCode) : "exit code " + std::to_string(exitCode)) +
                          ".");
}

void Registration::ServeEntryCall() {
    const std::string tail = WinText::CommandTail();
    const std::size_t start = tail.find_first_not_of(" \t");
    if (start == std::string::npos || tail.compare(start, std::strlen(kChildSwitch), kChildSwitch) != 0) return;
    ServeChild(tail.c_str() + start + std::strlen(kChildSwitch));
}

bool Registration::Run(const std::string& path, bool doRegister, std::string& errText, unsigned long exeWaitMs,
                       unsigned long dllWaitMs) {
    errText.clear();
    if (!FileLookup::IsFile(path)) {
        errText = "The file does not exist.";
        return false;
    }
    return EndsWithExe(path) ? RunExeServer(path, doRegister, errText, exeWaitMs)
                             : RunDllServer(path, doRegister, errText, dllWaitMs);
}


}  // namespace Velm
