// The registration runner: a component file registered or unregistered by its own entry
// points, a DLL's in a child process of the calling program.
#include "platform/Registration.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/FileLookup.h"
#include "base/Handle.h"
#include "base/PeImage.h"
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
    if (g_childOut) ChildWrite(g_childOut, line);
    g_childOut = nullptr;  // the first report is the one that counts
    return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception code
}

// Child side: "<program> /VelmRegistrationEntryCall R|U <pipe handle> <path>".
[[noreturn]] void ServeChild(const char* args) {
    char letter = 0;
    unsigned long long handle = 0;
    int used = 0;
    if (std::sscanf(args, " %c %llu %n", &letter, &handle, &used) < 2 || used <= 0) ExitProcess(2);
    const std::string path = args + used;
    HANDLE out = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle));
    // Whatever the component starts does not get the pipe: the parent waits only for us.
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
    g_childOut = out;
    // No crash dialog and no debugger: the parent reports the fault.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ChildFault);
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
    if (g_childOut) ChildWrite(g_childOut, line);
    g_childOut = nullptr;
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

}  // namespace

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
