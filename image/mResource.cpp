#include "image/mResource.h"

#include "base/QV_Err.h"
#include "image/cResources.h"

namespace mResource {

namespace {
constexpr long kObjectError = static_cast<long>(0x80040000u);

[[noreturn]] void Raise(long code, DWORD platformError) {
    throw RunTimeError(kObjectError + code, ProgramName() + ".cResource", ApiErrorText(static_cast<long>(platformError)));
}

// A resource type or name as the enumeration hands it: a number in the low 16 bits, or a text.
bool IsNumber(LPCSTR p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }
std::string Text(LPCSTR p) { return p ? std::string(p, static_cast<size_t>(lstrlenA(p))) : std::string(); }
}  // namespace

std::string ProgramName() {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string p(buf, n < sizeof buf ? n : 0);
    std::string::size_type slash = p.find_last_of("\\/");
    if (slash != std::string::npos) p.erase(0, slash + 1);
    std::string::size_type dot = p.rfind('.');
    if (dot != std::string::npos) p.erase(dot);
    return p;
}

std::string ApiErrorText(long code) {
    char buf[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, buf, sizeof buf, nullptr);
    return n > 0 ? std::string(buf, n < sizeof buf ? n : sizeof buf) : std::string();
}

BOOL CALLBACK EnumTypesCallback(HMODULE, LPSTR type, LONG_PTR param) {
    auto* object = reinterpret_cast<cResources*>(param);
    if (IsNumber(type)) object->AddType(static_cast<long>(reinterpret_cast<ULONG_PTR>(type) & 0xFFFF), "");
    else object->AddType(0, Text(type));
    return TRUE;
}

BOOL CALLBACK EnumNamesCallback(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    auto* object = reinterpret_cast<cResources*>(param);
    if (IsNumber(name)) object->AddName(static_cast<long>(reinterpret_cast<ULONG_PTR>(name) & 0xFFFF), "");
    else object->AddName(0, Text(name));
    return TRUE;
}

// The object travels to the callbacks in the enumeration's parameter.
long EnumerateTypes(cResources& object) {
    if (!object.hModule()) Raise(1049, object.LoadError() ? object.LoadError() : ERROR_INVALID_HANDLE);
    SetLastError(0);
    BOOL ok = EnumResourceTypesA(object.hModule(), EnumTypesCallback, reinterpret_cast<LONG_PTR>(&object));
    if (!ok) Raise(1049, GetLastError());
    return ok;
}

long EnumerateNames(cResources& object, const Variant& type) {
    if (!object.hModule()) Raise(1050, object.LoadError() ? object.LoadError() : ERROR_INVALID_HANDLE);
    SetLastError(0);
    BOOL ok;
    if (type.IsText()) {
        ok = EnumResourceNamesA(object.hModule(), type.Text().c_str(), EnumNamesCallback,
                                reinterpret_cast<LONG_PTR>(&object));
    } else {
        ok = EnumResourceNamesA(object.hModule(), MAKEINTRESOURCEA(type.ToLong() & 0xFFFF), EnumNamesCallback,
                                reinterpret_cast<LONG_PTR>(&object));
    }
    if (!ok) Raise(1050, GetLastError());
    return ok;
}

}  // namespace mResource
