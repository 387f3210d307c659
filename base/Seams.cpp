#include "base/Seams.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "base/Handle.h"
#include "base/Process.h"
#include "base/WinText.h"

namespace ui {
namespace {
std::string& Title() {
    static std::string title = "Velmora";
    return title;
}

int RealMsgBox(const std::string& prompt, int style, const std::string& title) {
    HWND owner = GetActiveWindow();
    return MessageBoxA(owner, prompt.c_str(), title.c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

MsgBoxHandler& CurrentMsgBox() {
    static MsgBoxHandler handler = RealMsgBox;
    return handler;
}
}  // namespace

const std::string& AppTitle() { return Title(); }
void SetAppTitle(const std::string& title) { Title() = title; }

static PromptHook& CurrentPromptHook() {
    static PromptHook hook;
    return hook;
}
void SetPromptHook(PromptHook hook) { CurrentPromptHook() = std::move(hook); }
PromptScope::PromptScope() {
    if (CurrentPromptHook()) CurrentPromptHook()(true);
}
PromptScope::~PromptScope() {
    if (CurrentPromptHook()) CurrentPromptHook()(false);
}

int MsgBox(const std::string& prompt, int style, const std::string& title) {
    PromptScope scope;
    return CurrentMsgBox()(prompt, style, title.empty() ? AppTitle() : title);
}

int MsgBox(const std::string& prompt, int style, EmptyCaption) {
    PromptScope scope;
    return CurrentMsgBox()(prompt, style, "");
}

MsgBoxOverride::MsgBoxOverride(MsgBoxHandler handler) : previous_(std::move(CurrentMsgBox())) {
    CurrentMsgBox() = std::move(handler);
}
MsgBoxOverride::~MsgBoxOverride() { CurrentMsgBox() = std::move(previous_); }

}  // namespace ui

// ---------------------------------------------------------------------------------------------
// The other seams: input box, open-file dialog, shell open and program start.


namespace ui {
namespace {

// The input box: a small dialog built in memory (prompt, edit field, OK and Cancel).
struct InputBoxState {
    std::string prompt, title, text;
};

// The text as a dialog template holds it: wide characters and a terminating zero.
void AppendWide(std::vector<WORD>& t, const std::string& s) {
    for (wchar_t c : WinText::Wide(s)) t.push_back(static_cast<WORD>(c));
    t.push_back(0);
}

void AlignDword(std::vector<WORD>& t) {
    if (t.size() % 2) t.push_back(0);
}

void AddItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
             const std::string& text) {
    AlignDword(t);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    const WORD* raw = reinterpret_cast<const WORD*>(&item);
    t.insert(t.end(), raw, raw + sizeof(item) / sizeof(WORD));
    t.push_back(0xFFFF);
    t.push_back(cls);
    AppendWide(t, text);
    t.push_back(0);  // no creation data
}

INT_PTR CALLBACK InputBoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = reinterpret_cast<InputBoxState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            st = reinterpret_cast<InputBoxState*>(lParam);
            SetWindowTextA(dlg, st->title.c_str());
            SetDlgItemTextA(dlg, 100, st->prompt.c_str());
            // The edit field takes the default whole, however long, and as much typing as the
            // box offers for editing.
            SendDlgItemMessageA(dlg, 101, EM_SETLIMITTEXT, std::max(kInputBoxLongest, st->text.size()), 0);
            SetDlgItemTextA(dlg, 101, st->text.c_str());
            SendDlgItemMessageA(dlg, 101, EM_SETSEL, 0, -1);
            SetFocus(GetDlgItem(dlg, 101));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                // Read by its length: the text comes back whole.
                HWND edit = GetDlgItem(dlg, 101);
                std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1);
                const int got = GetWindowTextA(edit, buf.data(), static_cast<int>(buf.size()));
                st->text.assign(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

std::string RealInputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    std::vector<WORD> t;
    DLGTEMPLATE dt{};
    dt.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dt.cdit = 4;
    dt.cx = 240;
    dt.cy = 90;
    const WORD* raw = reinterpret_cast<const WORD*>(&dt);
    t.insert(t.end(), raw, raw + sizeof(dt) / sizeof(WORD));
    t.push_back(0);  // no menu
    t.push_back(0);  // default class
    AppendWide(t, title);
    t.push_back(8);  // font size
    AppendWide(t, "MS Shell Dlg");
    AddItem(t, SS_LEFT, 7, 7, 170, 50, 100, 0x0082, "");
    AddItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 183, 7, 50, 14, IDOK, 0x0080, "OK");
    AddItem(t, BS_PUSHBUTTON | WS_TABSTOP, 183, 25, 50, 14, IDCANCEL, 0x0080, "Cancel");
    AddItem(t, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 66, 226, 14, 101, 0x0081, "");
    InputBoxState st{prompt, title, defaultText};
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                        GetActiveWindow(), InputBoxProc, reinterpret_cast<LPARAM>(&st));
    return r == IDOK ? st.text : std::string();
}

std::string RealOpenFile(const OpenFileRequest& rq) {
    std::string filter = rq.filter;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    filter.push_back('\0');
    std::vector<char> file(32768, '\0');
    rq.fileName.copy(file.data(), std::min(rq.fileName.size(), file.size() - 1));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(rq.owner);
    ofn.lpstrFilter = rq.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(rq.filterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = rq.initialDir.empty() ? nullptr : rq.initialDir.c_str();
    ofn.lpstrTitle = rq.title.empty() ? nullptr : rq.title.c_str();
    ofn.lpstrDefExt = rq.defaultExt.empty() ? nullptr : rq.defaultExt.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | rq.flags;
    if (!GetOpenFileNameA(&ofn)) return "";
    return file.data();
}

bool RealShell(const ShellRequest& rq) {
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = rq.wait ? SEE_MASK_NOCLOSEPROCESS : 0;
    sei.hwnd = static_cast<HWND>(rq.owner);
    sei.lpVerb = rq.verb.empty() ? nullptr : rq.verb.c_str();
    sei.lpFile = rq.file.c_str();
    sei.lpParameters = rq.parameters.empty() ? nullptr : rq.parameters.c_str();
    sei.lpDirectory = rq.directory.empty() ? nullptr : rq.directory.c_str();
    sei.nShow = rq.show;
    if (!rq.wait) {
        auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(sei.hwnd, sei.lpVerb, sei.lpFile, sei.lpParameters,
                                                         sei.lpDirectory, rq.show));
        return r > 32;
    }
    if (!ShellExecuteExA(&sei)) return false;
    bool ok = reinterpret_cast<INT_PTR>(sei.hInstApp) > 32;
    if (const Handle process{sei.hProcess}) WaitForSingleObject(process.get(), INFINITE);
    return ok;
}

unsigned long RealStart(const std::string& commandLine, int windowStyle, bool wait) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION pi{};
    if (!Process::Start(nullptr, commandLine, false, 0, si, pi)) return 0;
    const Handle process(pi.hProcess), thread(pi.hThread);
    if (wait) WaitForSingleObject(process.get(), INFINITE);
    return pi.dwProcessId;
}

template <class Handler, int Which>
Handler& Slot();
template <>
InputBoxHandler& Slot<InputBoxHandler, 1>() {
    static InputBoxHandler h = RealInputBox;
    return h;
}
template <>
OpenFileHandler& Slot<OpenFileHandler, 2>() {
    static OpenFileHandler h = RealOpenFile;
    return h;
}
template <>
ShellHandler& Slot<ShellHandler, 3>() {
    static ShellHandler h = RealShell;
    return h;
}
template <>
StartProgramHandler& Slot<StartProgramHandler, 4>() {
    static StartProgramHandler h = RealStart;
    return h;
}

}  // namespace

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    PromptScope scope;
    return Slot<InputBoxHandler, 1>()(prompt, title.empty() ? AppTitle() : title, defaultText);
}

std::string OpenFileDialog(const OpenFileRequest& request) {
    PromptScope scope;
    return Slot<OpenFileHandler, 2>()(request);
}

bool RunShellExecute(const ShellRequest& request) {
    ShellRequest rq = request;
    if (rq.verb.empty() && rq.wait) rq.verb = "open";
    return Slot<ShellHandler, 3>()(rq);
}

bool ShellOpen(const std::string& fileOrAddress) {
    ShellRequest rq;
    rq.file = fileOrAddress;
    return RunShellExecute(rq);
}

unsigned long StartProgram(const std::string& commandLine, int windowStyle, bool wait) {
    return Slot<StartProgramHandler, 4>()(commandLine, windowStyle, wait);
}

template <class Handler, int Which>
SeamOverride<Handler, Which>::SeamOverride(Handler handler) : previous_(std::move(Slot<Handler, Which>())) {
    Slot<Handler, Which>() = std::move(handler);
}
template <class Handler, int Which>
SeamOverride<Handler, Which>::~SeamOverride() {
    Slot<Handler, Which>() = std::move(previous_);
}

template class SeamOverride<InputBoxHandler, 1>;
template class SeamOverride<OpenFileHandler, 2>;
template class SeamOverride<ShellHandler, 3>;
template class SeamOverride<StartProgramHandler, 4>;

}  // namespace ui
