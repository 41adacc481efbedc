#pragma once

#include <utility>

namespace resolaunch {

// Runs `undo` when it goes out of scope, also on a failure path, unless
// released first. RunNow runs it at once, and only once.
template <typename Undo>
class ScopeExit {
public:
    explicit ScopeExit(Undo undo) : undo_(std::move(undo)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        try {
            RunNow();
        } catch (...) {
            // Already leaving, maybe on a failure: the first failure is the one reported.
        }
    }

    void RunNow() {
        if (std::exchange(armed_, false)) {
            undo_();
        }
    }
    void Release() noexcept { armed_ = false; }

private:
    Undo undo_;
    bool armed_ = true;
};

}  // namespace resolaunch
