#include "app/RunGuard.h"

#include <vector>

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

// What waited for the run happens now, from the message loop, after the run's handlers returned.
void Flush() {
    if (g_active) return;
    auto waiting = std::move(g_waiting);
    g_waiting.clear();
    for (auto& w : waiting) ui::Defer(std::move(w.action));
}
}  // namespace

Turn::Turn(Kind kind) {
    if (g_active) return;
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

void AfterRun(std::function<void()> action, const std::string& once) {
    if (!g_active) {
        ui::Defer(std::move(action));
        return;
    }
    if (!once.empty())
        for (const Waiting& w : g_waiting)
            if (w.once == once) return;
    g_waiting.push_back({once, std::move(action)});
}

}  // namespace RunGuard
