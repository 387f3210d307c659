// The installer's product and component data, read through msi.dll's flat functions: the
// cached package of a product, every component code, the products that use a component, and a
// component's key path for one product.
#pragma once
#include <string>
#include <vector>

namespace WindowsInstaller {

class Installer {
public:
    // A product property (such as "LocalPackage"); raises the installer's error (1605 for an
    // unknown product, 1608 for an unknown property) as a run-time error.
    std::string ProductInfo(const std::string& productCode, const std::string& property) const;
    // Every component code the installer knows, in its enumeration order.
    std::vector<std::string> Components() const;
    // The product codes that use the component, in enumeration order.
    std::vector<std::string> ComponentClients(const std::string& componentCode) const;
    // The component's key path for the product, whatever its install state; "" when unknown.
    std::string ComponentPath(const std::string& productCode, const std::string& componentCode) const;
};

// The packed form under which the installer's registry data names a product or component:
// "{01234567-89AB-CDEF-0123-456789ABCDEF}" gives "76543210BA98FEDC1032547698BADCFE".
std::string PackedGuid(const std::string& guid);

}  // namespace WindowsInstaller
