// Start-up of the registration server: the command line, the file checks, register,
// unregister and view through the single-instance connector, the type-library check and
// the start of the main program.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/VelmConnector.h"
#include "regsvr/FileVersionInfo.h"
#include "regsvr/cVelmServer.h"

namespace Master {

// The command line as the program reads it: a switch "-R", "-U" or "-V" (only its first
// letter counts, in any case) and the path after the first blank.
struct CommandLine {
    bool valid = false;      // a valid action was given
    std::string operation;   // "R", "U" or "V" when valid
    std::string path;        // taken literally but for one pair of enclosing double quotes
    std::string errText;     // "Parameter Missing" or "Wrong action parameter" when not valid
};
CommandLine ParseCommandLine(std::string tail);
// A path given with the "\\?\" prefix (which has the system take the rest literally, without
// its path rules) is taken without it when it names the same file as the plain path: a drive
// path "X:\..." or "UNC\server\share\..." (then "\\server\share\...") whose parts the path
// rules keep as they are (no "/", no empty, "." or ".." part, none ending in "." or a blank),
// short enough for the file functions. True with the plain path in `path`, or the path left as
// it was when it has no such prefix; false for a prefixed path that cannot be taken so (a volume
// or device name, a part the rules would change, too long).
bool WithoutLongPathPrefix(std::string& path);
// The program's command tail: the command line without the program's own name.
std::string CommandTail();

// How much of the file's type library is registered: 1 every class has its CLSID key, 2 some,
// 0 none, -1 the library holds no class, -2 no type library or another error (message says).
long CheckTypeLibRegistration(const std::string& path, std::string& message);

// Shows the result window (modeless); the program sets it to its window at start.
extern std::function<void()> ShowResultWindow;

// Runs one action for the command tail. After a register or unregister the result window is
// left open (modeless) and the caller runs the message loop until it is gone.
void Main(const std::string& commandTail);

// The run's operation state, the file's version information and the connector's objects
// (those are null until Main has created the connector).
cVelmServer& VelmServer();
FileVersionInfo& VersionInfo();
std::shared_ptr<Velm::VelmActionMailbox> Mailbox();
std::shared_ptr<Velm::VelmRegServer> RegServer();

// Starts MainAppFolder\Velmora.exe in a normal window. A failed start is shown at once
// ("Velmora application start failed.") and returns false; after a start that worked it
// waits (up to 1000 times 100 ms, window messages going on) until the main program reports
// running, then brings the started program to the front.
bool StartMainProgram();

// Texts of the program.
extern const char* const kUsage;
extern const char* const kAppTitle;

}  // namespace Master
