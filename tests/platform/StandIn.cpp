#include "StandIn.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/VelmConnector.h"

#include "tests/support/Helpers.h"

#ifndef VELM_STANDIN_EXE
#error VELM_STANDIN_EXE must name the stand-in program
#endif

namespace {
int g_counter = 0;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool WaitForLine(const std::string& path, const std::string& line) {
    for (int i = 0; i < 1200; ++i) {
        for (const std::string& l : ReadLines(path))
            if (l == line) return true;
        Sleep(50);
    }
    return false;
}

bool WaitForPrefix(const std::string& path, const std::string& prefix) {
    for (int i = 0; i < 1200; ++i) {
        for (const std::string& l : ReadLines(path))
            if (l.rfind(prefix, 0) == 0) return true;
        Sleep(50);
    }
    return false;
}

std::string StandIn::DefaultExe() { return VELM_STANDIN_EXE; }

std::string StandIn::LogFor(const std::string& tag) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "velm_standin_" + std::to_string(GetCurrentProcessId()) + "_" + tag + ".log";
    DeleteFileA(path.c_str());
    return path;
}

StandIn::StandIn(const std::string& exePath) {
    const std::string tag = std::to_string(++g_counter);
    log_ = LogFor(tag);
    quitName_ = "Local\\VelmStandInQuit." + std::to_string(GetCurrentProcessId()) + "." + tag;
    quit_ = CreateEventA(nullptr, TRUE, FALSE, quitName_.c_str());
    const std::string exe = exePath.empty() ? DefaultExe() : exePath;
    if (StartProcess("\"" + exe + "\" \"" + log_ + "\" " + quitName_, pi_, exe.c_str()))
        WaitForPrefix(log_, "start|");
}

StandIn::~StandIn() {
    Quit();
    if (quit_) CloseHandle(quit_);
    DeleteFileA(log_.c_str());
}

std::vector<std::string> StandIn::Lines() const { return ReadLines(log_); }

bool StandIn::WaitFor(const std::string& line) const { return WaitForLine(log_, line); }

void StandIn::Sync() {
    Velm::VelmSingleInstanceConnector c;
    auto mq = c.ActionMailbox();
    const std::string letter = mq->ActionLetter(), path = mq->ActionFilePath();
    const bool ok = mq->ActionSucceeded();
    mq->ActionLetter("S");
    mq->ActionFilePath("sync");
    mq->NotifyMainApp();
    WaitFor("notify|S|sync|" + std::string(ok ? "1" : "0"));
    mq->ActionLetter(letter);
    mq->ActionFilePath(path);
}

std::vector<std::string> StandIn::Events() const {
    std::vector<std::string> out;
    bool started = false;
    for (const std::string& l : Lines()) {
        if (!started) {
            started = l.rfind("start|", 0) == 0;
            continue;
        }
        if (l.rfind("notify|S|sync|", 0) == 0) continue;
        out.push_back(l);
    }
    return out;
}

void StandIn::Quit() {
    if (!pi_.hProcess) return;
    SetEvent(quit_);
    WaitForSingleObject(pi_.hProcess, 60000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    pi_ = {};
}

void StandIn::Kill() {
    if (!pi_.hProcess) return;
    TerminateProcess(pi_.hProcess, 9);
    WaitForSingleObject(pi_.hProcess, 60000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    pi_ = {};
}
