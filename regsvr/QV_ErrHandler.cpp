#include "regsvr/QV_ErrHandler.h"

#include <windows.h>

#include "base/QV_Strings_Lib.h"
#include "base/Seams.h"

namespace QV_Err {

long QV_ErrHandler(long number, const std::string& description, const std::string& module,
                   const std::string& procedure, const std::string& context, long severity, bool endProgram) {
    if (number == 0) return 0;
    const std::string crlf = "\r\n";
    std::string text = "An Error occured with following information:" + crlf + "Error Number: " +
                       std::to_string(number) + crlf + "Location: " + module + crlf + "Function: " + procedure +
                       crlf + "Context: " + context + crlf;
    int style = 0;
    switch (severity) {
        case 0: text += "Severity: Informational" + crlf; style = ui::vbInformation; break;
        case 1: text += "Severity: Warning" + crlf; style = ui::vbExclamation; break;
        case 2: text += "Severity: Critical" + crlf; style = ui::vbCritical; break;
        default: break;
    }
    if (!endProgram)
        text += "Continue executing code (select 'No' to retry and 'Cancel' to exit current procedure) ? " + crlf + crlf;
    text += "Error:" + description;
    const std::string title = "QUORVATH - QV_ErrHandler";
    if (endProgram) {
        ui::MsgBox(text, style | ui::vbOKOnly, title);
        ExitProcess(0);
    }
    const int answer = ui::MsgBox(text, style | 3 /* Yes, No and Cancel */, title);
    if (answer == ui::vbYes) return 1;
    if (answer == ui::vbNo) return 2;
    return 3;
}

}  // namespace QV_Err

Variant TrimSpaces(Variant* value) {
    if (!value) return Variant(std::string());
    if (value->IsNull()) return Variant(std::string());
    std::string text = value->ToText();
    QV_Strings_Lib::TrimSpaces(text);
    *value = Variant(text);
    return *value;
}
