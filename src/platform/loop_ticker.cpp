#include "platform/loop_ticker.h"

#include <algorithm>
#include <utility>

namespace resolaunch {

void LoopTicker::CallAfter(std::chrono::milliseconds delay, std::function<void()> call) {
    due_ = clock_.Now() + delay;
    call_ = std::move(call);
}

std::optional<std::chrono::milliseconds> LoopTicker::DueIn() {
    if (!call_) {
        return std::nullopt;
    }
    return std::max(due_ - clock_.Now(), std::chrono::milliseconds{0});
}

void LoopTicker::RunDue() {
    if (call_ && clock_.Now() >= due_) {
        std::exchange(call_, nullptr)();
    }
}

}  // namespace resolaunch
