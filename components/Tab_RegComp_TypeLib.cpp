// The classes of one component file, read from its own type library without registering it.
#include "base/QV_Typelib.h"
#include "components/Tab_RegComp.h"
#include "platform/Registration.h"
#include "ui/ui.h"

namespace Tab_RegComp {

bool TypeLibCoClasses(const std::string& file, std::vector<std::string>& classes) {
    // A description that cannot be read names no class; the others still count. The library is
    // read in a child process (a damaged one that crashes the loader ends the child, not the
    // program), the window kept answering meanwhile.
    QV_Typelib::CoClassList lib = Velm::Registration::ReadTypeLib(file, Velm::Registration::kTypeLibWaitMs,
                                                                  [] { ui::DoEvents(); });
    classes = std::move(lib.clsids);
    return lib.loaded;
}

}  // namespace Tab_RegComp
