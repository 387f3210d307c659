// The one run-time error type of the programs and the central error sink.
#pragma once
#include <stdexcept>
#include <string>

// A run-time error as the programs raise it: a number (35601, 35602, 91, 5, ...),
// the source that raised it and a description.
class RunTimeError : public std::runtime_error {
public:
    RunTimeError(long number, std::string source, std::string description)
        : std::runtime_error(description), Number(number), Source(std::move(source)),
          Description(std::move(description)) {}
    long Number;
    std::string Source;
    std::string Description;
};

namespace QV_Err {
// Takes the report of a trapped error and discards it: nothing is shown, logged or raised.
void HandleError(long number, const std::string& description, const std::string& module,
                 const std::string& procedure, const std::string& context = "");

// How many reports HandleError has taken since the program started (tests read it).
long HandledCount();
// The last report's number and procedure, for tests.
long LastNumber();
std::string LastProcedure();

// The programs' text for a run-time error number ("Element not found" for 35601, ...), as the
// toolkit, the collections and the library routines raise them.
std::string ErrorText(long number);
// Raises the run-time error `number` from `source` with its text.
[[noreturn]] void Raise(long number, const std::string& source);
}  // namespace QV_Err

// The one error boundary of the programs: runs a handler body and hands whatever it throws to
// QV_Err::HandleError, as each window procedure, event handler, command and long run does where
// it meets an error. Returns true when the body ended without an error.
template <class F>
bool TrapErrors(const char* module, const char* procedure, F&& body) {
    try {
        body();
        return true;
    } catch (const RunTimeError& e) {
        QV_Err::HandleError(e.Number, e.Description, module, procedure);
    } catch (const std::exception& e) {
        QV_Err::HandleError(-1, e.what(), module, procedure);
    } catch (...) {
        QV_Err::HandleError(-1, "Unknown error", module, procedure);
    }
    return false;
}
