// The classes of one component file, read from its own type library without registering it.
#include <windows.h>
#include <oleauto.h>

#include "base/QV_Typelib.h"
#include "components/Tab_RegComp.h"

namespace Tab_RegComp {

bool TypeLibCoClasses(const std::string& file, std::vector<std::string>& classes) {
    classes.clear();
    int wideLen = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
    if (wideLen <= 0) return false;
    std::wstring wide(static_cast<size_t>(wideLen), L'\0');
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), wideLen);
    ITypeLib* lib = nullptr;
    if (FAILED(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &lib)) || !lib) return false;
    UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info)) || !info) continue;
        try {
            TYPEATTR attr = QV_Typelib::GetTypeAttr(info);
            wchar_t guid[39];
            if (StringFromGUID2(attr.guid, guid, 39) > 0) {
                char text[39];
                WideCharToMultiByte(CP_ACP, 0, guid, -1, text, sizeof text, nullptr, nullptr);
                classes.push_back(text);
            }
        } catch (...) {
            // a description without attributes names no class
        }
        info->Release();
    }
    lib->Release();
    return true;
}

}  // namespace Tab_RegComp
