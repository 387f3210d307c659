#include "app/RunGuard.h"

#include <vector>

#include "base/Seams.h"
#include "ui/Form.h"

namespace RunGuard {

namespace {
bool g_active = false;
Kind g_kind = Kind::Scan;

struct Waiting {
    std::string once;
    std::function<void()> action;
};
std::vector<Waiting> g_waiting;
int g_prompts = 0;

// What waited for the run happens now, from the message loop, after the run's handlers returned.
void Flush() {
    if (g_active || g_prompts > 0) return;
    auto waiting = std::move(g_waiting);
    g_waiting.clear();
    for (auto& w : waiting) ui::Defer(std::move(w.action));
}
}  // namespace

Turn::Turn(Kind kind) {
    if (g_active || g_prompts > 0) return;
    g_active = true;
    g_kind = kind;
    held_ = true;
}

Turn::~Turn() {
    if (!held_) return;
    g_active = false;
    Flush();
}

Turn Begin(Kind kind) { return Turn(kind); }

bool Active() { return g_active; }

Kind Current() { return g_kind; }

void PromptOpened() { ++g_prompts; }

void PromptClosed() {
    if (g_prompts > 0) --g_prompts;
    Flush();
}

bool PromptOpen() { return g_prompts > 0; }

bool Busy() { return g_active || g_prompts > 0; }

void AfterRun(std::function<void()> action, const std::string& once) {
    if (!g_active && g_prompts == 0) {
        ui::Defer(std::move(action));
        return;
    }
    if (!once.empty())
        for (const Waiting& w : g_waiting)
            if (w.once == once) return;
    g_waiting.push_back({once, std::move(action)});
}

namespace {
// Every prompt of the program holds back runs and waiting actions while it is open.
const bool g_hooked = [] {
    ui::SetPromptHook([](bool open) {
        if (open) PromptOpened();
        else PromptClosed();
    });
    return true;
}();
}  // namespace

}  // namespace RunGuard
