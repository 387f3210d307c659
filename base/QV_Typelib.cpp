#include "base/QV_Typelib.h"

#include <cstdio>

#include "base/QV_Err.h"

namespace QV_Typelib {

TYPEATTR GetTypeAttr(ITypeInfo* typeInfo) {
    if (!typeInfo) throw RunTimeError(91, "QV_Typelib", "Object variable or With block variable not set");
    TYPEATTR* attr = nullptr;
    HRESULT hr = typeInfo->GetTypeAttr(&attr);
    if (FAILED(hr) || !attr) {
        char text[64];
        std::snprintf(text, sizeof text, "GetTypeAttr failed (0x%08lX)", static_cast<unsigned long>(hr));
        throw RunTimeError(static_cast<long>(hr), "QV_Typelib", text);
    }
    TYPEATTR copy = *attr;
    typeInfo->ReleaseTypeAttr(attr);
    return copy;
}

}  // namespace QV_Typelib
