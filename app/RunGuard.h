// One long run at a time, program-wide. Every scan and registry search of every tab, and every
// registration hand-over from the connector, takes its turn here before it starts; a request
// while another holds the turn returns at once. What has to wait for the end of a run (a close
// of the main window, a shutdown, a hand-over that arrived meanwhile) is queued here and happens
// from the message loop once the run's closing steps are done.
//
// Which flag is the truth: RunGuard::Active() alone says whether a run is under way. The global
// state object's `blnProcessing()` is the system's "a scan fills a tab" (the main window refuses
// to close meanwhile) and answers from this guard; nobody sets or clears it by hand. Its
// `blnCancel` is only a request: the busy box's Cancel and a shutdown set it, the running worker
// polls it and stops, and the run's closing steps put it back to False.
#pragma once
#include <functional>
#include <string>
#include <utility>

namespace RunGuard {

enum class Kind {
    Scan,      // a refresh that fills a tab (blnProcessing is True meanwhile)
    Search,    // a registry search over a tab
    HandOver,  // a registration hand-over bringing the components tab up to date
};

// The turn of one run: held from Begin until destroyed. An empty turn (operator bool false) was
// refused because another run holds it. Ending the turn lets the waiting actions happen.
class Turn {
public:
    Turn() = default;
    explicit Turn(Kind kind);
    Turn(Turn&& other) noexcept : held_(std::exchange(other.held_, false)) {}
    Turn& operator=(Turn&&) = delete;
    Turn(const Turn&) = delete;
    ~Turn();
    explicit operator bool() const { return held_; }

private:
    bool held_ = false;
};

// Takes the turn for a run of that kind; an empty turn when another run holds it or a prompt
// is open.
Turn Begin(Kind kind);

// A run, search or hand-over is under way.
bool Active();
// The kind of the run under way (meaningful only while Active()).
Kind Current();

// A modal prompt (message box, input box, open dialog, modal form) is open: while one is, no run
// begins (a hand-over waits through AfterRun, a start command returns at once) and the waiting
// actions wait on, so that nothing runs inside the prompt's message loop. The program's prompt
// hook holds this for every prompt.
void PromptOpened();
void PromptClosed();
// A prompt is open.
bool PromptOpen();
// A run is under way or a prompt is open: a start command returns at once.
bool Busy();

// Runs `action` from the message loop once no run is under way (at once, deferred, when none is).
// A non-empty `once` names the action: a second request with the same name while the first one
// waits is dropped (a repeated close request closes once).
void AfterRun(std::function<void()> action, const std::string& once = "");

}  // namespace RunGuard
