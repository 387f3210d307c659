// The classes of one component file, read from its own type library without registering it.
#include "base/QV_Typelib.h"
#include "components/Tab_RegComp.h"

namespace Tab_RegComp {

bool TypeLibCoClasses(const std::string& file, std::vector<std::string>& classes) {
    // A description that cannot be read names no class; the others still count.
    QV_Typelib::CoClassList lib = QV_Typelib::ReadCoClasses(file);
    classes = std::move(lib.clsids);
    return lib.loaded;
}

}  // namespace Tab_RegComp
