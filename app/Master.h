// Start-up and shutdown of the main program.
#pragma once
#include <functional>
#include <string>

namespace Master {

// The program's start-up routine; false when the program is to end at once (a second start).
bool Main();
// Stops every running operation and ends the program; with showDialog the shutting-down
// window is shown first. During a long run it waits for the run's closing steps.
void AppShutdown(bool showDialog);
// Stops every running operation, unloads the main window, and ends the program unless the
// tray option keeps it running.
void AppExit();
// Called around each long run; changes nothing.
void AutoUpdateStartStop(const std::string& action);

// The help file: the program's folder and "\Velmora.chm".
const std::string& HelpFile();

// How the program ends (removes nothing by itself: the callers have saved and unhooked).
// Test programs replace it.
std::function<void()>& EndProgram();
// True once the program has been asked to end.
bool Ending();

// Leads the connector's events of the global state object to the main window.
void WireConnectorEvents();

// True when another instance of the program runs (takes this process's instance mark otherwise).
bool PrevInstance();
// Asks the running instance to show and activate its main window, loading it when the instance
// lives only in the tray; an instance still starting has its visible main window (a top-level
// window titled "Velmora" that no other window owns) activated. False when there is neither.
bool ActivatePrevInstance();
// Shows the main window, loading it (and selecting its start tab) when it is not loaded, and
// restores it from the minimised state; with `activate` it is brought to the foreground before
// the start tab's refresh runs. The tray icon's click and a second start use it.
void ShowMainWindow(bool activate);

}  // namespace Master
