// Lookups in the process environment.
#pragma once
#include <string>

namespace QV_InfoLocal_Lib {

// The value of the first process environment entry named `name`; "" when there is none.
// Names compare without regard to letter case, as Windows compares them, so
// "systemroot" finds SystemRoot.
std::string GetEnvironmentValue(const std::string& name);

}  // namespace QV_InfoLocal_Lib
