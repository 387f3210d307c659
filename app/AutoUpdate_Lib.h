// The check for a newer version of the program: two text fetches from the update server, the
// version file's 'ITEM' records with their "%version%", "%build%" and "%location%" values, and
// the comparison with the program's own version and build.
#pragma once
#include <functional>
#include <string>

#include "VelmVersion.h"

namespace ui {
class Form;
}

namespace AutoUpdate_Lib {

inline constexpr const char* kProgramVersion = VELM_VERSION_TEXT;
inline constexpr const char* kProgramBuild = VELM_VERSION_BUILD_TEXT;
// The web root of the update server. No address is known yet, so the default lies in the
// reserved .invalid domain and every check fails to connect; the environment variable
// VELMORA_UPDATE_URL (a web root ending in "/") replaces it.
inline constexpr const char* kDefaultUpdateAddress = "http://update.velmora.invalid/";
std::string UpdateAddress();

// Fetches the text at an address; raises on failure. By default TextFetch::OpenURL, each
// request given up after kRequestTimeoutMs whatever the server does (an attempt is two
// requests), the user interface running meanwhile and the check's Cancel giving it up at once.
using Fetcher = std::function<std::string(const std::string& url)>;
const Fetcher& DefaultFetcher();
inline constexpr unsigned long kRequestTimeoutMs = 4000;

// The values a version file offers. Parsing follows the file's record rules: records are split
// at "'ITEM'" (exact case), a record's tags are found without regard to case, its value is the
// text in single quotes after the record's last "%", a later record overrides an earlier one,
// and a value without its closing quote is taken as it stands and ends the reading.
struct Offer {
    std::string version, build, location;
};
Offer ParseVersionFile(const std::string& text);

// Compares two dotted version texts part by part, numerically where both parts are numbers
// (a missing part counts as 0), as texts otherwise. Returns <0, 0 or >0.
int CompareVersions(const std::string& a, const std::string& b);
// True when the offered version, then build, is newer than the program's.
bool IsNewer(const std::string& version, const std::string& build);
// True when the location is an address the program may hand to the shell: http:// or https://.
bool IsDownloadAddress(const std::string& location);

// One attempt: fetches the two requests, reads the version file and compares. True when the
// file gave a version, a build and a web address to download from; `available` tells whether
// the offer is newer. A failed fetch goes to the error sink and gives False.
bool checkForUpdate(const Fetcher& fetch, std::string& version, std::string& build, std::string& location,
                    bool& available);

// How many attempts the "Check for Updates..." command makes before it reports that it cannot
// connect, and the least time between the end of one attempt and the start of the next.
inline constexpr int kMaxAttempts = 5;
inline constexpr unsigned long kAttemptSpacingMs = 1000;
// So a check against a server that never answers, or answers a byte at a time, still answers
// within a minute: every attempt times out, spaced, and the connection error box comes.
static_assert(kMaxAttempts * 2 * kRequestTimeoutMs + (kMaxAttempts - 1) * kAttemptSpacingMs <= 50000);

// The "Check for Updates..." command: the connecting dialog, attempts until one succeeds, the
// user cancels or kMaxAttempts have failed (the connection error box), then the offer dialog or
// the "No update required" box. Between attempts the dialog stays live (its animation runs and
// its Cancel ends the check at once). `owner` owns the dialogs.
void CheckNow(ui::Form* owner, const Fetcher& fetch = DefaultFetcher());

}  // namespace AutoUpdate_Lib
