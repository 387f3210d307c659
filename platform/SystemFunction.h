#pragma once
// A function of a system DLL that only some commands need, bound on its first use: a DLL
// linked the usual way is loaded, with everything it imports, at every start of the program.
#include <windows.h>

#include <string>

#include "base/QV_Err.h"

namespace SystemFunction {

// The function `name` of the system DLL `dll` (taken from the system folder only); raises the
// loader's error when either is missing. The DLL stays loaded for the program's life.
template <typename F>
F Bind(const char* dll, const char* name) {
    HMODULE module = LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    if (!proc) throw RunTimeError(static_cast<long>(GetLastError()), dll, std::string("Cannot use ") + name);
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

}  // namespace SystemFunction
