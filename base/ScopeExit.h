// A step that runs when its scope ends, also when an error leaves it.
#pragma once
#include <utility>

// Runs a step when the scope ends, also when an error leaves it (the closing steps of a run).
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

private:
    F f_;
};
