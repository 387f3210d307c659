// Runs the stand-in main program (VelmStandIn.exe) for a test and reads what it recorded.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class StandIn {
public:
    // Starts the stand-in from `exePath` (default: the one the build made) and waits until it
    // runs as the main program.
    explicit StandIn(const std::string& exePath = "");
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Lines recorded so far.
    std::vector<std::string> Lines() const;
    // Waits until a line equal to `line` is recorded; false if it never comes (the wait is
    // bounded so that a broken connector fails the test instead of hanging it).
    bool WaitFor(const std::string& line) const;
    // Waits until every notification posted before this call has been handled: it sends a
    // marker notification through the mailbox and waits for it, then removes the marker.
    void Sync();
    // Lines recorded since the start line, without sync markers.
    std::vector<std::string> Events() const;
    // Asks the stand-in to end and waits until its process has gone.
    void Quit();
    // Ends the process the hard way.
    void Kill();
    HANDLE Process() const { return pi_.hProcess; }

    static std::string DefaultExe();
    static std::string LogFor(const std::string& tag);
    // A stand-in that another program starts (copied as Velmora.exe) takes its log file and
    // quit event from the environment variables VELM_STANDIN_LOG and VELM_STANDIN_QUIT.

private:
    std::string log_;
    std::string quitName_;
    HANDLE quit_ = nullptr;
    PROCESS_INFORMATION pi_{};
};

// Reads a whole text file into lines ("" when missing).
std::vector<std::string> ReadLines(const std::string& path);
// Waits (bounded) until `path` holds a line equal to `line`, or one starting with `prefix`.
bool WaitForLine(const std::string& path, const std::string& line);
bool WaitForPrefix(const std::string& path, const std::string& prefix);
