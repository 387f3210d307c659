// Type-library helpers.
#pragma once
#include <oaidl.h>

namespace QV_Typelib {

// A copy of the type description's TYPEATTR record; the platform's record is released,
// so the caller owns only the copy. Raises a RunTimeError when the record cannot be read
// (91 for a null object).
TYPEATTR GetTypeAttr(ITypeInfo* typeInfo);

}  // namespace QV_Typelib
