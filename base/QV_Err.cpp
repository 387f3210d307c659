#include "base/QV_Err.h"

namespace {
long g_count = 0;
long g_lastNumber = 0;
std::string g_lastProcedure;
}  // namespace

namespace QV_Err {
void HandleError(long number, const std::string&, const std::string&, const std::string& procedure,
                 const std::string&) {
    ++g_count;
    g_lastNumber = number;
    g_lastProcedure = procedure;
}
long HandledCount() { return g_count; }
long LastNumber() { return g_lastNumber; }
std::string LastProcedure() { return g_lastProcedure; }
}  // namespace QV_Err
