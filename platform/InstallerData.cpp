#include <windows.h>
#include <msi.h>

#include "platform/InstallerData.h"

#include <cctype>

#include "base/QV_Err.h"
#include "base/RegEnum.h"
#include "platform/SystemFunction.h"

namespace WindowsInstaller {
namespace {

constexpr DWORD kGuidChars = 39;  // "{...}" and its NUL

// The installer's DLL is loaded when its data is first asked for, not at every start.
template <typename F>
F Msi(const char* name) {
    return SystemFunction::Bind<F>("msi.dll", name);
}

}  // namespace

std::string Installer::ProductInfo(const std::string& productCode, const std::string& property) const {
    static const auto getProductInfo = Msi<decltype(&MsiGetProductInfoA)>("MsiGetProductInfoA");
    std::string value(MAX_PATH, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size());
        UINT rc = getProductInfo(productCode.c_str(), property.c_str(), value.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            value.resize(size + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            throw RunTimeError(static_cast<long>(rc), "WindowsInstaller.Installer", "ProductInfo,Product,Attribute");
        value.resize(size);
        return value;
    }
}

std::vector<std::string> Installer::Components() const {
    static const auto enumComponents = Msi<decltype(&MsiEnumComponentsA)>("MsiEnumComponentsA");
    std::vector<std::string> codes;
    char code[kGuidChars];
    // The installer's lists are read by index as the registry's are, with the same rule for an
    // entry that cannot be read.
    RegEnum::EachEntry(
        MAXDWORD, [&](DWORD i) { return enumComponents(i, code); }, [&](DWORD) { codes.emplace_back(code); });
    return codes;
}

std::vector<std::string> Installer::ComponentClients(const std::string& componentCode) const {
    static const auto enumClients = Msi<decltype(&MsiEnumClientsA)>("MsiEnumClientsA");
    std::vector<std::string> products;
    char code[kGuidChars];
    RegEnum::EachEntry(
        MAXDWORD, [&](DWORD i) { return enumClients(componentCode.c_str(), i, code); },
        [&](DWORD) { products.emplace_back(code); });
    return products;
}

std::string Installer::ComponentPath(const std::string& productCode, const std::string& componentCode) const {
    static const auto getComponentPath = Msi<decltype(&MsiGetComponentPathA)>("MsiGetComponentPathA");
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(path.size());
        INSTALLSTATE state = getComponentPath(productCode.c_str(), componentCode.c_str(), path.data(), &size);
        if (state == INSTALLSTATE_MOREDATA) {
            path.resize(size + 1);
            continue;
        }
        if (state == INSTALLSTATE_UNKNOWN || state == INSTALLSTATE_INVALIDARG) return "";
        path.resize(size);
        return path;
    }
}

std::string PackedGuid(const std::string& guid) {
    std::string hex;
    for (char c : guid)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += static_cast<char>(std::toupper(c));
    if (hex.size() != 32) return "";
    std::string out(hex.rbegin() + 24, hex.rend());            // the first 8 digits reversed
    out += std::string(hex.rbegin() + 20, hex.rbegin() + 24);  // the next 4 reversed
    out += std::string(hex.rbegin() + 16, hex.rbegin() + 20);  // the next 4 reversed
    for (size_t i = 16; i < 32; i += 2) {                      // each byte's two digits swapped
        out += hex[i + 1];
        out += hex[i];
    }
    return out;
}

}  // namespace WindowsInstaller
