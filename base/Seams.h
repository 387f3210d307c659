// Seams for every modal or outside effect of the programs. Each is one function that
// tests replace to answer boxes and record what would have been shown or started.
#pragma once
#include <functional>
#include <string>

namespace ui {

// Message-box styles and results as the programs use them.
enum : int {
    vbOKOnly = 0, vbYesNo = 4, vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7
};

// The program's title: the caption of boxes shown without a title ("Velmora" unless a program sets it).
const std::string& AppTitle();
void SetAppTitle(const std::string& title);

// Shows a modal message box and returns the button pressed (vbOK, vbYes, vbNo, ...).
int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = "");
// The title argument of a box with an empty caption (an empty title text gives the program's title).
struct EmptyCaption {};
inline constexpr EmptyCaption kEmptyCaption{};
int MsgBox(const std::string& prompt, int style, EmptyCaption);

using MsgBoxHandler = std::function<int(const std::string& prompt, int style, const std::string& title)>;
// Replaces the message box for the life of the returned guard; the previous one comes back after it.
class MsgBoxOverride {
public:
    explicit MsgBoxOverride(MsgBoxHandler handler);
    ~MsgBoxOverride();
    MsgBoxOverride(const MsgBoxOverride&) = delete;
    MsgBoxOverride& operator=(const MsgBoxOverride&) = delete;
private:
    MsgBoxHandler previous_;
};

// ---- Input box -------------------------------------------------------------------------
// Asks for one line of text; returns "" when the user cancels. The box returns its whole text
// and never cuts the default it is given; a caller offers at most kInputBoxLongest characters
// for editing (a longer line makes every keystroke in the edit field slow) and refuses a
// longer text before asking.
constexpr size_t kInputBoxLongest = 32767;
std::string InputBox(const std::string& prompt, const std::string& title = "", const std::string& defaultText = "");
using InputBoxHandler = std::function<std::string(const std::string& prompt, const std::string& title,
                                                  const std::string& defaultText)>;

// ---- Open-file dialog ------------------------------------------------------------------
// Filter in the "Description|*.dll;*.ocx|All files|*.*" form.
struct OpenFileRequest {
    void* owner = nullptr;  // HWND of the owning window, or null
    std::string title;
    std::string filter;
    long filterIndex = 1;
    std::string initialDir;
    std::string fileName;   // proposed file name
    std::string defaultExt;
    unsigned long flags = 0;  // OFN_* flags added to OFN_FILEMUSTEXIST | OFN_HIDEREADONLY
};
// Shows the open-file dialog; returns the chosen full path, "" when cancelled.
std::string OpenFileDialog(const OpenFileRequest& request);
using OpenFileHandler = std::function<std::string(const OpenFileRequest& request)>;

// ---- Shell open ------------------------------------------------------------------------
struct ShellRequest {
    void* owner = nullptr;   // HWND or null
    std::string verb;        // "" = the file's default action
    std::string file;        // document, program or web address
    std::string parameters;
    std::string directory;
    int show = 1;            // SW_SHOWNORMAL
    bool wait = false;       // wait until the started program has ended
};
// Opens a document or address through the shell; true when the shell started it (result > 32).
bool RunShellExecute(const ShellRequest& request);
// Short form: the default action of a file or address in a normal window, no owner.
bool ShellOpen(const std::string& fileOrAddress);
using ShellHandler = std::function<bool(const ShellRequest& request)>;

// ---- Program start ---------------------------------------------------------------------
// Starts a program by its command line; returns the new process's id, 0 when it did not start.
// windowStyle as ShowWindow takes it (1 normal, 2 minimised, 0 hidden).
unsigned long StartProgram(const std::string& commandLine, int windowStyle = 1, bool wait = false);
using StartProgramHandler = std::function<unsigned long(const std::string& commandLine, int windowStyle, bool wait)>;

// ---- Prompt hook ---------------------------------------------------------------------
// Called with true before a message box, input box or open-file dialog is shown (real or
// replaced by a test) and with false after it was answered; the program holds back work that
// must not run inside a prompt's message loop. One hook; none by default.
using PromptHook = std::function<void(bool open)>;
void SetPromptHook(PromptHook hook);
// The hook's pair of calls around one prompt (also used by modal forms).
class PromptScope {
public:
    PromptScope();
    ~PromptScope();
    PromptScope(const PromptScope&) = delete;
    PromptScope& operator=(const PromptScope&) = delete;
};

// Replacing a seam: each guard puts its handler in place for its own lifetime and restores
// the previous handler afterwards. Tests use these to answer and record without blocking.
template <class Handler, int Which>
class SeamOverride {
public:
    explicit SeamOverride(Handler handler);
    ~SeamOverride();
    SeamOverride(const SeamOverride&) = delete;
    SeamOverride& operator=(const SeamOverride&) = delete;
private:
    Handler previous_;
};
using InputBoxOverride = SeamOverride<InputBoxHandler, 1>;
using OpenFileOverride = SeamOverride<OpenFileHandler, 2>;
using ShellOverride = SeamOverride<ShellHandler, 3>;
using StartProgramOverride = SeamOverride<StartProgramHandler, 4>;
extern template class SeamOverride<InputBoxHandler, 1>;
extern template class SeamOverride<OpenFileHandler, 2>;
extern template class SeamOverride<ShellHandler, 3>;
extern template class SeamOverride<StartProgramHandler, 4>;

}  // namespace ui
