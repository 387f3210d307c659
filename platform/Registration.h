// The registration runner: registers or unregisters a component file by its own entry points,
// for the calling process, and reads type libraries for it. A DLL or OCX gets DllRegisterServer / DllUnregisterServer (OLE
// initialised), run in a child process of the calling program so that a crashing component
// cannot take it down, and waited for at most kDllEntryWaitMs (a child still running then is
// ended); an EXE gets /RegServer and /UnregServer, waited for at most kExeServerWaitMs.
//
// The child is the calling program itself, started again with an internal switch. Every program
// that calls Run (and every test program that does) therefore calls ServeEntryCall first thing
// in its entry point:
//   int WINAPI WinMain(...) {
//       Velm::Registration::ServeEntryCall();  // returns unless this is the child
//       ...
#pragma once
#include <functional>
#include <string>

#include "base/QV_Typelib.h"

namespace Velm {

namespace Registration {
// How long an EXE server's /RegServer or /UnregServer may take before it is reported as not
// (un)registered. A program that has not ended by then is left running, and the text says so
// and names its process id.
constexpr unsigned long kExeServerWaitMs = 10000;
// How long a DLL's DllRegisterServer / DllUnregisterServer may run in its child process before
// it is reported as not (un)registered. Real components take a second or two; the child of
// one that has not returned by then is ended (it runs nothing but that entry point).
constexpr unsigned long kDllEntryWaitMs = 50000;
// Runs DllRegisterServer / DllUnregisterServer or the EXE's /RegServer / /UnregServer. The DLL
// entry point runs in the child process (a crash of the component comes back as
// "DllRegisterServer crashed with exception 0xC0000005 (access violation) in x.dll.").
bool Run(const std::string& path, bool doRegister, std::string& errText,
         unsigned long exeWaitMs = kExeServerWaitMs, unsigned long dllWaitMs = kDllEntryWaitMs);
// How long a type library's loader may take in its child process. A good library is read in
// well under a second, the largest of a system in a few; the child of one that has not been
// read by then is ended.
constexpr unsigned long kTypeLibWaitMs = 20000;
// The co-classes of the type library a file holds (as QV_Typelib::ReadCoClasses reads them),
// read by the system's loader in a child process, so that a damaged library that crashes or
// hangs the loader ends the child, never the caller. The bounds check (QV_Typelib::MayLoad)
// answers first, in this process (with `idle`, on a thread of its own while the caller's
// messages are served): a file it refuses starts no child. A crash, a hang past
// `waitMs` or a child that cannot be started comes back as a library that could not be loaded
// (`loaded` false), with a text that says which ("The type library could not be read: the
// system's loader crashed on it with exception 0xC0000005 (access violation) in
// oleaut32.dll."). With `idle`, it is called whenever a window message for the calling
// thread arrives during the check or the wait (a window's caller passes its message pump).
QV_Typelib::CoClassList ReadTypeLib(const std::string& file, unsigned long waitMs = kTypeLibWaitMs,
                                    const std::function<void()>& idle = nullptr);
// The child's side: when this process was started as a registration child, loads the
// component and calls its entry point, or reads the type library, reports to the parent and
// ends the process without returning. In any other process it returns at once, having done
// nothing.
void ServeEntryCall();
}  // namespace Registration

}  // namespace Velm
