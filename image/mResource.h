// The two resource enumerations that fill a cResources object, their callbacks, and the system
// message of a Win32 error code.
#pragma once
#include <windows.h>

#include <string>

#include "base/Variant.h"

class cResources;

namespace mResource {

// Fills the object's type list from its module; a zero result raises 0x80040419 (source
// "<program>.cResource") with the system's text of the error. An object without a module
// raises the error of its load: the running program's own resources are never listed instead.
long EnumerateTypes(cResources& object);
// Fills the object's current name list with the names of one type (a number, or a type name);
// a zero result raises 0x8004041A.
long EnumerateNames(cResources& object, const Variant& type);
// The system's message for a Win32 error code, "" when it has none.
std::string ApiErrorText(long code);

BOOL CALLBACK EnumTypesCallback(HMODULE module, LPSTR type, LONG_PTR param);
BOOL CALLBACK EnumNamesCallback(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param);

// The program's name as the error sources carry it: the file name of the running program
// without its extension.
std::string ProgramName();

}  // namespace mResource
