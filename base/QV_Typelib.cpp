#include "base/QV_Typelib.h"

#include <oleauto.h>

#include <cstdio>

#include "base/ComPtr.h"
#include "base/QV_Err.h"
#include "base/TypeLibCheck.h"
#include "base/WinText.h"

namespace QV_Typelib {

TYPEATTR GetTypeAttr(ITypeInfo* typeInfo) {
    if (!typeInfo) QV_Err::Raise(91, "QV_Typelib");
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

namespace {

std::string GuidText(const GUID& guid) {
    wchar_t wide[40] = {};
    if (StringFromGUID2(guid, wide, 40) <= 0) return "";
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

}  // namespace

CoClassList ReadCoClasses(const std::string& file) {
    CoClassList list;
    auto systemText = [](HRESULT hr) {
        // A system error wrapped in a result is told by the system error's own text.
        const DWORD code = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
        std::string text = WinText::SystemMessage(code, "\r\n ");
        return text.empty() ? "Error " + std::to_string(hr) : text;
    };
    ComPtr<ITypeLib> lib;
    const std::wstring path = WinText::Wide(file);
    HRESULT loadResult = TYPE_E_CANTLOADLIBRARY;
    // A path the file functions cannot take is refused before the load (Wine's loader
    // overruns its buffers on one). The loader trusts the file's tables: a damaged type
    // library is not handed to it, and reads as a file without one.
    if (file.size() >= MAX_PATH) loadResult = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    else if (!path.empty() && TypeLibCheck::FileSound(file))
        loadResult = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Receive());
    if (FAILED(loadResult) || !lib) {
        list.loadResult = FAILED(loadResult) ? static_cast<long>(loadResult) : static_cast<long>(TYPE_E_CANTLOADLIBRARY);
        list.loadFailureText = systemText(list.loadResult);
        return list;
    }
    list.loaded = true;
    auto fail = [&list](long number, const std::string& text) {
        if (list.Failed()) return;
        list.failureNumber = number;
        list.failureText = text.empty() ? "Error " + std::to_string(number) : text;
    };
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind;
        HRESULT hr = lib->GetTypeInfoType(i, &kind);
        if (FAILED(hr)) {
            fail(hr, systemText(hr));
            continue;
        }
        ComPtr<ITypeInfo> info;
        hr = lib->GetTypeInfo(i, info.Receive());
        if (FAILED(hr) || !info) {
            fail(hr, systemText(hr));
            continue;
        }
        TYPEATTR attr;
        try {
            attr = GetTypeAttr(info.get());
        } catch (const RunTimeError& e) {
            fail(e.Number, e.Description);
            continue;
        }
        if (kind != TKIND_COCLASS) continue;
        std::string clsid = GuidText(attr.guid);
        if (!clsid.empty()) list.clsids.push_back(std::move(clsid));
    }
    return list;
}

}  // namespace QV_Typelib
