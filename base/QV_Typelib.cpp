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

// A system error wrapped in a result is told by the system error's own text.
std::string ResultText(HRESULT hr) {
    const DWORD code = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
    std::string text = WinText::SystemMessage(code, "\r\n ");
    return text.empty() ? "Error " + std::to_string(hr) : text;
}

void LoadFailed(CoClassList& list, HRESULT hr) {
    list.loaded = false;
    list.loadResult = static_cast<long>(hr);
    list.loadFailureText = ResultText(hr);
}

}  // namespace

bool MayLoad(const std::string& file, CoClassList& list) {
    // A path the file functions cannot take is refused before the load (Wine's loader
    // overruns its buffers on one). A type library the bounds check refuses is not handed to
    // the loader, and reads as a file without one.
    // A file that cannot be read (another program holds it without read sharing) is told by
    // the system's reason, not taken for a file without a type library.
    if (file.size() >= MAX_PATH) {
        LoadFailed(list, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
        return false;
    }
    unsigned long readError = 0;
    if (!file.empty() && TypeLibCheck::FileSound(file, &readError)) return true;
    if (readError) {
        LoadFailed(list, HRESULT_FROM_WIN32(readError));
        list.loadFailureText = "The file could not be read: " + list.loadFailureText;
    } else {
        LoadFailed(list, TYPE_E_CANTLOADLIBRARY);
    }
    return false;
}

CoClassList ReadCoClasses(const std::string& file) {
    CoClassList list;
    if (!MayLoad(file, list)) return list;
    ComPtr<ITypeLib> lib;
    const std::wstring path = WinText::Wide(file);
    const HRESULT loadResult = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Receive());
    if (FAILED(loadResult) || !lib) {
        LoadFailed(list, FAILED(loadResult) ? loadResult : TYPE_E_CANTLOADLIBRARY);
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
            fail(hr, ResultText(hr));
            continue;
        }
        ComPtr<ITypeInfo> info;
        hr = lib->GetTypeInfo(i, info.Receive());
        if (FAILED(hr) || !info) {
            fail(hr, ResultText(hr));
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
