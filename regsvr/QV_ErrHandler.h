// The registration server's error box: unlike the main program's silent sink, it always
// shows the error, then ends the program or lets the user continue, retry or leave.
#pragma once
#include <string>

#include "base/Variant.h"

namespace QV_Err {

// 0 when number is 0 (nothing shown); otherwise 1 continue, 2 retry, 3 leave the procedure.
// Severity 0 informational, 1 warning, 2 critical. With endProgram the program ends after
// the box and the call does not return.
long QV_ErrHandler(long number, const std::string& description, const std::string& module,
                   const std::string& procedure, const std::string& context, long severity, bool endProgram);

}  // namespace QV_Err

// Trims blanks (only the blank character) from both ends of an optional value, in place, and
// returns the trimmed value. A missing value (null) gives "" and an empty result; a Null value
// stays Null and gives "".
Variant TrimSpaces(Variant* value = nullptr);
