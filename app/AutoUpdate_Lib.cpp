#include "app/AutoUpdate_Lib.h"

#include <windows.h>

#include <cctype>

#include "app/clsDroskGlobal.h"
#include "app/dlg_tryingtoconnect.h"
#include "app/dlg_update_available.h"
#include "base/QV_Err.h"
#include "base/ScopeExit.h"
#include "base/Seams.h"
#include "base/TextCase.h"
#include "platform/TextFetch.h"
#include "ui/Form.h"

// The module names the errors of this file are reported under: the check's own, and the main
// window's for its menu command.
namespace {
constexpr char kModule[] = "AutoUpdate Module";
constexpr char kMenuModule[] = "Form_Main";
}  // namespace

namespace AutoUpdate_Lib {

std::string UpdateAddress() {
    char buf[2048];
    const DWORD n = GetEnvironmentVariableA("VELMORA_UPDATE_URL", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) return std::string(buf, n);
    return kDefaultUpdateAddress;
}

const Fetcher& DefaultFetcher() {
    // The transfer runs on a worker thread; this thread keeps the connecting box live meanwhile
    // and gives the request up as soon as the check is cancelled.
    static const Fetcher fetch = [](const std::string& url) {
        return TextFetch::OpenURL(url, kRequestTimeoutMs, [] {
            ui::DoEvents();
            return !DroskGlobal().blnCancelUpdate;
        });
    };
    return fetch;
}

namespace {

// The value of one record: the text after its last "%", then after the first "'", then before
// the next "'". False when that closing quote is missing; `value` is then the text after the
// opening quote.
bool RecordValue(const std::string& record, std::string& value) {
    const size_t percent = record.rfind('%');
    value = percent == std::string::npos ? record : record.substr(percent + 1);
    const size_t open = value.find('\'');
    if (open != std::string::npos) value.erase(0, open + 1);
    const size_t close = value.find('\'');
    if (close == std::string::npos) return false;
    value.erase(close);
    return true;
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

// Numbers of any length compare by value: leading zeros dropped, then by length, then by digits.
int CompareNumbers(std::string a, std::string b) {
    a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
    b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

int ComparePart(const std::string& a, const std::string& b) {
    if (AllDigits(a) && AllDigits(b)) return CompareNumbers(a, b);
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string Part(const std::string& text, size_t& pos) {
    if (pos > text.size()) return "0";
    const size_t dot = text.find('.', pos);
    std::string part = text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
    pos = dot == std::string::npos ? text.size() + 1 : dot + 1;
    return part;
}

// Waits kAttemptSpacingMs before the next attempt, letting the user interface run meanwhile
// (the connecting dialog's animation and its Cancel); returns at once when `cancel` is set.
void WaitBeforeNextAttempt(const bool& cancel) {
    const ULONGLONG until = GetTickCount64() + kAttemptSpacingMs;
    for (;;) {
        ui::DoEvents();
        const ULONGLONG now = GetTickCount64();
        if (cancel || now >= until) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
    }
}

}  // namespace

Offer ParseVersionFile(const std::string& text) {
    Offer offer;
    static const std::string marker = "'ITEM'";
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(marker, start);
        const std::string record = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string lower = TextCase::Lower(record);
        bool complete = true;
        for (auto [tag, slot] : {std::pair{"%version%", &offer.version}, std::pair{"%build%", &offer.build},
                                 std::pair{"%location%", &offer.location}}) {
            if (lower.find(tag) == std::string::npos) continue;
            complete = RecordValue(record, *slot) && complete;
        }
        if (!complete || end == std::string::npos) break;
        start = end + marker.size();
    }
    return offer;
}

int CompareVersions(const std::string& a, const std::string& b) {
    size_t pa = 0, pb = 0;
    while (pa <= a.size() || pb <= b.size()) {
        const int c = ComparePart(Part(a, pa), Part(b, pb));
        if (c != 0) return c;
    }
    return 0;
}

bool IsNewer(const std::string& version, const std::string& build) {
    const int c = CompareVersions(version, kProgramVersion);
    return c > 0 || (c == 0 && ComparePart(build, kProgramBuild) > 0);
}

bool IsDownloadAddress(const std::string& location) {
    const std::string l = TextCase::Lower(location);
    return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

bool checkForUpdate(const Fetcher& fetch, std::string& version, std::string& build, std::string& location,
                    bool& available) {
    available = false;
    std::string answer;
    const bool fetched = TrapErrors(kModule, "Sub checkForUpdate", [&] {
        const std::string base = UpdateAddress();
        fetch(base + "Velmora" + "/" + "Velmora" + ":" + kProgramVersion + "#" + kProgramBuild);
        answer = fetch(base + "Velmora" + "/" + "Velmora" + ".txt");
    });
    if (!fetched || DroskGlobal().blnCancelUpdate || answer.empty()) return false;

    const Offer offer = ParseVersionFile(answer);
    version = offer.version;
    build = offer.build;
    location = offer.location;
    // An answer that names anything but a web address offers nothing the program would open.
    if (version.empty() || build.empty() || location.empty() || !IsDownloadAddress(location)) return false;
    available = IsNewer(version, build);
    return true;
}

void CheckNow(ui::Form* owner, const Fetcher& fetch) {
    clsDroskGlobal& g = DroskGlobal();
    // The user interface runs while a check waits for the server: the command chosen again
    // meanwhile leaves the running check alone.
    static bool running = false;
    if (running) return;
    running = true;
    const ScopeExit notRunning([] { running = false; });
    TrapErrors(kMenuModule, "MNU_Options_AutoUpdateCheckNow_Click", [&] {
        g.blnOptionAutoUpdate = false;
        g.blnCancelUpdate = false;
        dlg_tryingtoconnect& connecting = TryingToConnect();
        connecting.Show(ui::vbModeless, owner);
        std::string version, build, location;
        bool available = false;
        // A server that answers without a version file, or none that answers, is asked again a
        // few times, spaced, never in a tight loop; then the check gives up.
        for (int attempt = 1;; ++attempt) {
            for (int i = 0; i < 8; ++i) ui::DoEvents();
            if (checkForUpdate(fetch, version, build, location, available)) break;
            if (!g.blnCancelUpdate && attempt < kMaxAttempts) WaitBeforeNextAttempt(g.blnCancelUpdate);
            if (g.blnCancelUpdate || attempt >= kMaxAttempts) {
                if (connecting.IsLoaded()) connecting.Unload();
                ui::MsgBox("Error connecting to server. Please check your\ninternet connection and try again later",
                           ui::vbCritical);
                return;
            }
        }
        if (connecting.IsLoaded()) connecting.Unload();
        g.Custom = Variant(version);
        g.Custom2 = Variant(build);
        g.Custom3 = Variant(location);
        g.blnCancel = false;
        if (available) {
            dlg_update_available offer;
            offer.Show(ui::vbModal, owner);
        } else {
            ui::MsgBox(std::string("You have the latest version of ") + "Velmora" + " installed.", ui::vbInformation,
                       "No update required");
        }
    });
}

}  // namespace AutoUpdate_Lib
