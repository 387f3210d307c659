// Stands in for the main program in the tests: it holds the running state through its own
// connector and appends one line per thing the connector delivers to the log file named on
// its command line, reading the mailbox at that moment:
//   start|letter|path|succeeded        once, when it has taken the running state
//   notify|letter|path|succeeded       the mailbox's pending-action notification
//   registered|letter|path|succeeded|event text|event flag    a register finished
//   unregistered|...                    an unregister finished
// It ends when the event named by its second argument is signalled (or at WM_QUIT). Started
// without arguments (as Velmora.exe by the registration server) it takes the log file and the
// event's name from the environment variables VELM_STANDIN_LOG and VELM_STANDIN_QUIT.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/VelmConnector.h"

namespace {

std::string g_log;

void Append(const std::string& line) {
    if (FILE* f = std::fopen(g_log.c_str(), "ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

std::string Mailbox(Velm::VelmActionMailbox& mq) {
    return mq.ActionLetter() + "|" + mq.ActionFilePath() + "|" + (mq.ActionSucceeded() ? "1" : "0");
}

}  // namespace

int main(int argc, char** argv) {
    std::string quitName;
    if (argc >= 3) {
        g_log = argv[1];
        quitName = argv[2];
    } else {
        char buf[1024];
        if (GetEnvironmentVariableA("VELM_STANDIN_LOG", buf, sizeof buf) - 1u >= sizeof buf - 1) return 2;
        g_log = buf;
        if (GetEnvironmentVariableA("VELM_STANDIN_QUIT", buf, sizeof buf) - 1u >= sizeof buf - 1) return 2;
        quitName = buf;
    }
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
    Velm::VelmSingleInstanceConnector connector;
    connector.MainAppRunning(true);
    auto mq = connector.ActionMailbox();
    auto rs = connector.RegServer();
    mq->lastRegSvrActionNotifyEvent = [&] { Append("notify|" + Mailbox(*mq)); };
    rs->RegisterComponentFinishedEvent = [&](const std::string& text, bool ok) {
        Append("registered|" + Mailbox(*mq) + "|" + text + "|" + (ok ? "1" : "0"));
    };
    rs->DeRegisterComponentFinishedEvent = [&](const std::string& text, bool ok) {
        Append("unregistered|" + Mailbox(*mq) + "|" + text + "|" + (ok ? "1" : "0"));
    };
    Append("start|" + Mailbox(*mq));
    for (;;) {
        DWORD w = MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (w == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
