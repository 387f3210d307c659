// Type-library helpers.
#pragma once
#include <oaidl.h>

#include <string>
#include <vector>

namespace QV_Typelib {

// A copy of the type description's TYPEATTR record; the platform's record is released,
// so the caller owns only the copy. Raises a RunTimeError when the record cannot be read
// (91 for a null object).
TYPEATTR GetTypeAttr(ITypeInfo* typeInfo);

// The co-classes of the type library a file holds (a .tlb, or one embedded in a DLL, OCX or
// EXE), read without registering anything.
struct CoClassList {
    bool loaded = false;               // the file holds a type library that could be loaded
    // Why it could not be loaded: the load's result (TYPE_E_CANTLOADLIBRARY for a file without a
    // type library, a missing file or an empty path) and its description.
    long loadResult = 0;
    std::string loadFailureText;
    std::vector<std::string> clsids;   // each co-class's CLSID as "{...}", in the library's order
    // The first type description that could not be read (its kind, its type information or its
    // attributes): the error's number and text. Descriptions that can be read are still listed.
    long failureNumber = 0;
    std::string failureText;
    bool Failed() const { return !failureText.empty(); }
};
// The quick first answer before the loader is asked: false, with the failure in `list`, when the
// file is not handed to the loader at all (an empty or over-long path; a file whose type library
// the bounds check refuses: it reads as a file without one; a file that cannot be read, told as
// "The file could not be read: " and the system's message).
bool MayLoad(const std::string& file, CoClassList& list);
// MayLoad, then the system's loader, in this process. The loader trusts the file's tables beyond
// what the check can model, and a damaged file can end the process inside it: only a process
// that exists to be ended so calls this (the type-library child of platform/Registration.h,
// whose ReadTypeLib every program uses).
CoClassList ReadCoClasses(const std::string& file);

}  // namespace QV_Typelib
