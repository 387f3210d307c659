#include "regsvr/Master.h"

#include <algorithm>
#include <cctype>

#include "base/FileLookup.h"
#include "base/Handle.h"
#include "base/Process.h"
#include "base/QV_APIFileAndDisk.h"
#include "base/QV_Err.h"
#include "base/QV_Forms.h"
#include "base/QV_Registry_Lib.h"
#include "base/QV_Strings_Lib.h"
#include "base/QV_System.h"
#include "base/QV_Typelib.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "base/WinText.h"
#include "base/Seams.h"
#include "platform/Registration.h"

namespace Master {

const char* const kAppTitle = "VelmRegSvr";
const char* const kUsage =
    "Usage: VelmRegSvr [/R][/U][/V] dll/exe/ocx name\r\n"
    "/R -       Register server\r\n"
    "/U -       Unregister server\r\n"
    "/V -       View server in Velmora";

namespace {

const std::string kCrLf = "\r\n";

std::unique_ptr<Velm::VelmSingleInstanceConnector> g_connector;
std::shared_ptr<Velm::VelmRegServer> g_regServer;
std::shared_ptr<Velm::VelmActionMailbox> g_mailbox;

std::string SystemMessage(DWORD code) {
    std::string text = WinText::SystemMessage(code, "\r\n ");
    return text.empty() ? "Error " + std::to_string(code) : text;
}

// Handles the window messages waiting for this thread.
void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

cVelmServer& VelmServer() {
    static cVelmServer server;
    return server;
}

FileVersionInfo& VersionInfo() {
    static FileVersionInfo info;
    return info;
}

std::function<void()> ShowResultWindow;

std::shared_ptr<Velm::VelmActionMailbox> Mailbox() { return g_mailbox; }
std::shared_ptr<Velm::VelmRegServer> RegServer() { return g_regServer; }

std::string CommandTail() { return WinText::CommandTail(); }

CommandLine ParseCommandLine(std::string tail) {
    CommandLine cl;
    cl.errText = "Parameter Missing";
    QV_Strings_Lib::TrimSpaces(tail);
    // The action letter follows "-" or "/" (the usage box shows "/R /U /V").
    if (tail.empty() || (tail[0] != '-' && tail[0] != '/')) return cl;
    const std::string rest = tail.substr(1);
    const std::string action = TextCase::Upper(rest.substr(0, 1));
    if (action != "R" && action != "U" && action != "V") {
        cl.errText = "Wrong action parameter";
        return cl;
    }
    cl.valid = true;
    cl.operation = action;
    cl.errText.clear();
    const std::size_t blank = rest.find(' ');
    if (blank != std::string::npos) {
        std::string path = rest.substr(blank);
        QV_Strings_Lib::TrimSpaces(path);
        // Explorer and users quote paths with blanks; a file name cannot hold a quote, so
        // one enclosing pair is taken off.
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
        cl.path = path;
    }
    return cl;
}

bool WithoutLongPathPrefix(std::string& path) {
    static const std::string prefix = "\\\\?\\";
    if (path.compare(0, prefix.size(), prefix) != 0) return true;
    std::string rest = path.substr(prefix.size());
    std::string plain, parts;
    if (rest.size() >= 3 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':' && rest[2] == '\\') {
        plain = rest;
        parts = rest.substr(3);
    } else if (TextCase::Upper(rest.substr(0, 4)) == "UNC\\") {
        plain = "\\" + rest.substr(3);
        parts = rest.substr(4);
    } else {
        return false;
    }
    if (plain.size() >= MAX_PATH || parts.empty() || parts.find('/') != std::string::npos) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(parts.find('\\', start), parts.size());
        const std::string part = parts.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ') return false;
        if (end == parts.size()) break;
        start = end + 1;
    }
    path = plain;
    return true;
}

long CheckTypeLibRegistration(const std::string& path, std::string& message) {
    message.clear();
    // Read in a child process: a library that crashes the loader ends the child, not this program.
    const QV_Typelib::CoClassList lib = Velm::Registration::ReadTypeLib(path);
    if (!lib.loaded) {
        // A file without a type library (the platform's "cannot load" error); any other failure
        // is told by its own description.
        message = lib.loadResult == static_cast<long>(TYPE_E_CANTLOADLIBRARY)
                      ? "Component does not contain any typelib information"
                      : lib.loadFailureText;
        return -2;
    }
    if (lib.Failed()) {
        message = lib.failureText;
        return -2;
    }
    long registered = 0;
    for (const std::string& clsid : lib.clsids) {
        RegKey key;
        if (QV_Registry_Lib::OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + clsid, key.Receive(), 0, KEY_READ) == 0)
            ++registered;
    }
    const long classes = static_cast<long>(lib.clsids.size());
    if (classes < 1) {
        message = "Component does not contain interface definitions in it's typelib header";
        return -1;
    }
    if (registered == 0) {
        message = "Component is not registered yet";
        return 0;
    }
    if (registered == classes) return 1;
    message = "Not all interfaces of this component are registered !";
    return 2;
}

bool StartMainProgram() {
    const std::string exe = g_mailbox->MainAppFolder() + "\\Velmora.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + exe + "\"";
    if (!Process::Start(exe.c_str(), cmd, false, 0, si, pi)) {
        // Nothing was started: say so now instead of waiting for a program that cannot come.
        ui::MsgBox("Velmora application start failed." + kCrLf + SystemMessage(GetLastError()), ui::vbCritical);
        return false;
    }
    Handle(pi.hThread).reset();  // neither handle is needed: the mailbox says when it runs
    Handle(pi.hProcess).reset();
    for (int i = 0; i < 1000; ++i) {
        QV_System::TimerSleep(100);
        PumpMessages();
        if (g_mailbox->IsMainAppRunning()) break;
    }
    QV_Forms::ActivateTask(pi.dwProcessId, 0);
    return true;
}

void Main(const std::string& commandTail) {
    cVelmServer& server = VelmServer();
    std::string errText = "Parameter Missing";
    const CommandLine cl = ParseCommandLine(commandTail);
    if (cl.valid) {
        server.Operation = cl.operation;
        server.FilePath = cl.path;
        // "\\?\C:\..." is the plain path to the same file: every step (the existence test, the
        // version read, the registration, the hand-over) and every text takes the plain one.
        if (!WithoutLongPathPrefix(server.FilePath)) {
            ui::MsgBox("File path is not supported !" + kCrLf + cl.path, ui::vbInformation);
            return;
        }
        const std::string& path = server.FilePath;
        if (!QV_APIFileAndDisk::FileExists(path)) {
            // A path typed on the command line means what the system gives this program (a 32-bit
            // installer's System32 is SysWOW64). A file that only the system's own view holds is
            // no missing file: it is taken through that view, where the registration gives its
            // answer for a component of the other bitness.
            const std::string other = FileLookup::OtherViewPath(path);
            if (other.empty() || !QV_APIFileAndDisk::FileExists(other)) {
                ui::MsgBox("File does not exist !" + kCrLf + path, ui::vbInformation);
                return;
            }
            server.FilePath = other;
        }
        if (path.size() > Velm::kMailboxPathMax) {
            // The mailbox cannot hold it, and a cut path would name another file.
            ui::MsgBox("File path is too long !" + kCrLf + path, ui::vbInformation);
            return;
        }
        VersionInfo().FullPathName(path);
        VersionInfo().Refresh();

        g_connector = std::make_unique<Velm::VelmSingleInstanceConnector>();
        g_regServer = g_connector->RegServer();
        g_mailbox = g_connector->ActionMailbox();

        if (server.Operation == "R" || server.Operation == "U") {
            if (server.Operation == "R" && TextCase::EndsWith(path, "EXE") &&
                !VersionInfo().OLESelfregister()) {
                ui::MsgBox("File is not OLESelfRegister !" + kCrLf + path, ui::vbInformation);
                return;
            }
            std::string err;
            bool succeeded = false;
            if (server.Operation == "R")
                g_regServer->Register(path, err, succeeded);
            else
                g_regServer->Unregister(path, err, succeeded);
            server.Operation_Succeeded = succeeded;
            server.Operation_ErrMsg = err;
            server.Operation_Finished = true;
            if (g_mailbox->IsMainAppRunning()) {
                g_mailbox->ActionLetter(server.Operation);
                g_mailbox->ActionFilePath(server.FilePath);
                g_mailbox->ActionSucceeded(server.Operation_Succeeded);
            }
            if (ShowResultWindow) ShowResultWindow();
        } else {
            std::string message;
            const long r = CheckTypeLibRegistration(path, message);
            if (r == 0 || r == -1 || r == -2) {
                ui::MsgBox(message + kCrLf + path, ui::vbInformation);
                return;
            }
            if (r == 2) ui::MsgBox(message + kCrLf + path, ui::vbInformation);
            g_mailbox->ActionLetter(server.Operation);
            g_mailbox->ActionFilePath(server.FilePath);
            g_mailbox->ActionSucceeded(server.Operation_Succeeded);
            if (g_mailbox->IsMainAppRunning())
                g_mailbox->NotifyMainApp();
            else
                StartMainProgram();
            return;
        }
    } else {
        errText = cl.errText;
    }
    if (!server.Operation_Finished)
        ui::MsgBox(errText + kCrLf + kCrLf + kUsage, ui::vbExclamation);
}

}  // namespace Master
