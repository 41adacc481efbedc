#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "platform/message_loop.h"

namespace resolaunch {

// The one call a flow has asked the thread's message loop to make once a
// while has passed. The loop asks how long it may wait for messages, and
// runs the call when it is due; a flow's steps so never run inside another
// handler.
class LoopTicker {
public:
    explicit LoopTicker(Clock& clock) : clock_(clock) {}

    std::chrono::milliseconds Now() { return clock_.Now(); }
    // Replaces any call still pending.
    void CallAfter(std::chrono::milliseconds delay, std::function<void()> call);
    void Cancel() { call_ = nullptr; }
    bool Pending() const { return static_cast<bool>(call_); }
    // How long until the pending call is due (0 when it is); nothing when none is pending.
    std::optional<std::chrono::milliseconds> DueIn();
    // Runs the pending call when it is due.
    void RunDue();

private:
    Clock& clock_;
    std::chrono::milliseconds due_{0};
    std::function<void()> call_;
};

}  // namespace resolaunch
