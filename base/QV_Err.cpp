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

std::string ErrorText(long number) {
    switch (number) {
        case 5: return "Invalid procedure call or argument";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 91: return "Object variable or With block variable not set";
        case 380: return "Invalid property value";
        case 457: return "This key is already associated with an element of this collection";
        case 35600: return "Index out of bounds";
        case 35601: return "Element not found";
        case 35602: return "Key is not unique in collection";
        case 35605: return "Control has been deleted";
        default: return "Application-defined or object-defined error";
    }
}

void Raise(long number, const std::string& source) { throw RunTimeError(number, source, ErrorText(number)); }
}  // namespace QV_Err
