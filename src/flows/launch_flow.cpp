#include "flows/launch_flow.h"

#include <algorithm>

#include "flows/mode_switch.h"
#include "follow/placement.h"

namespace resolaunch {

StartOutcome LaunchFlow::Start(const LaunchRequest& request, std::function<void(const LaunchWaitOver&)> waitOver) {
    // What was there at the press is never the program's window; asked only
    // when a window is to be looked for.
    const bool lookForWindow = request.position || request.findWindowToFollow;
    const std::vector<WindowHandle> listed =
        lookForWindow ? desktop_.TopLevelWindows() : std::vector<WindowHandle>();
    const StartOutcome outcome = starter_.Start(request.command);
    if (!outcome.started) {
        return outcome;
    }
    ticker_.Cancel();
    watch_.reset();
    watchOver_ = nullptr;
    restoreOnEnd_.Launched(outcome.launch);
    request_ = request;
    launch_ = outcome.launch;
    known_ = LaunchWindows{request.ownWindow, outcome.program, {listed.begin(), listed.end()}, {}};
    placed_ = 0;
    following_ = false;
    waitOver_ = std::move(waitOver);
    if (!lookForWindow) {
        Finish({}, std::nullopt);
        return outcome;
    }
    deadline_ = ticker_.Now() + kProgramWindowWait;
    LookForWindow();
    return outcome;
}

std::pair<int32_t, int32_t> LaunchFlow::TargetCorner() const {
    const std::pair<int32_t, int32_t> origin = request_.origin ? request_.origin() : std::pair{0, 0};
    const auto shifted = [](int32_t value, int32_t by) {
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{value} + by, INT32_MIN, INT32_MAX));
    };
    return {shifted(request_.position->first, origin.first), shifted(request_.position->second, origin.second)};
}

void LaunchFlow::WhenWatchOver(std::function<void()> watchOver) {
    if (!watch_) {
        watchOver();
        return;
    }
    watchOver_ = std::move(watchOver);
}

void LaunchFlow::Cancel() {
    ticker_.Cancel();
    waitOver_ = nullptr;
    watch_.reset();
    watchOver_ = nullptr;
}

void LaunchFlow::LookForWindow() {
    LaunchWaitOver over;
    std::optional<PlacedCorner> corner;
    try {
        WindowHandle window = FindProgramWindow(desktop_, families_, known_);
        if (window == 0) {
            const std::chrono::milliseconds now = ticker_.Now();
            if (now < deadline_) {
                ticker_.CallAfter(std::min(kProgramWindowPoll, deadline_ - now), [this] { LookForWindow(); });
                return;
            }
            if (request_.foregroundFallback) {
                window = FallbackWindow(desktop_, families_, known_);
            }
        }
        // A window that has gone before its rectangle could be read is left alone.
        if (window != 0 && !request_.position) {
            over.placed = window;  // found, to follow; not moved
        } else if (window != 0) {
            target_ = TargetCorner();
            if ((corner = PlaceWindow(desktop_, window, target_.first, target_.second))) {
                over.placed = window;
            }
        }
    } catch (...) {
        over.failure = std::current_exception();
    }
    Finish(over, corner);
}

void LaunchFlow::Finish(const LaunchWaitOver& over, const std::optional<PlacedCorner>& corner) {
    placed_ = over.placed;
    if (over.placed != 0 && corner) {
        watch_.emplace(desktop_, families_, known_, target_.first, target_.second, over.placed,
                       *corner, ticker_.Now());
        ticker_.CallAfter(kWatchPoll, [this] { Watch(); });
    }
    if (auto waitOver = std::exchange(waitOver_, nullptr)) {
        waitOver(over);
    }
}

void LaunchFlow::Watch() {
    if (!watch_) {
        return;
    }
    const int placements = watch_->Placements();
    bool watching = false;
    try {
        watching = watch_->Look(ticker_.Now());
    } catch (...) {
        watching = false;  // the watch only ever adds to a placement: it ends quietly
    }
    if (watching && watch_->Placements() != placements) {
        // The next window is the placed one for every later rule.
        placed_ = watch_->Placed();
        if (following_) {
            FollowToEnd();
        }
    }
    if (!watching) {
        EndWatch();
        return;
    }
    ticker_.CallAfter(kWatchPoll, [this] { Watch(); });
}

void LaunchFlow::EndWatch() {
    if (!watch_) {
        return;
    }
    watch_.reset();
    ticker_.Cancel();
    if (auto watchOver = std::exchange(watchOver_, nullptr)) {
        watchOver();
    }
}

void LaunchFlow::FollowToEnd() {
    following_ = true;
    families_.FollowToEnd(ProcessKeepingLaunch(desktop_, families_, placed_));
}

std::optional<int32_t> LaunchFlow::LaunchEnded(LaunchId launch) {
    if (launch == launch_) {
        EndWatch();
    }
    const std::wstring& device = restoreOnEnd_.SwitchedDevice();
    if (!restoreOnEnd_.TakeRestoreAtEnd(launch, modes_.CurrentDisplayModeOn(device))) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

std::optional<int32_t> LaunchFlow::UndoSwitch() {
    const std::wstring& device = restoreOnEnd_.SwitchedDevice();
    if (!restoreOnEnd_.TakeUndo(modes_.CurrentDisplayModeOn(device))) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

}  // namespace resolaunch
