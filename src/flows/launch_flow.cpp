#include "flows/launch_flow.h"

#include <algorithm>

#include "follow/placement.h"
#include "follow/program_window.h"

namespace resolaunch {

StartOutcome LaunchFlow::Start(const LaunchRequest& request, std::function<void(const LaunchWaitOver&)> waitOver) {
    const StartOutcome outcome = starter_.Start(request.command);
    if (!outcome.started) {
        return outcome;
    }
    restoreOnEnd_.Launched(outcome.launch);
    request_ = request;
    placed_ = 0;
    waitOver_ = std::move(waitOver);
    if (!request_.position) {
        Finish({});
        return outcome;
    }
    deadline_ = ticker_.Now() + kProgramWindowWait;
    LookForWindow();
    return outcome;
}

void LaunchFlow::Cancel() {
    ticker_.Cancel();
    waitOver_ = nullptr;
}

void LaunchFlow::LookForWindow() {
    LaunchWaitOver over;
    try {
        WindowHandle window = FindProgramWindow(desktop_, families_, request_.ownWindow);
        if (window == 0) {
            const std::chrono::milliseconds now = ticker_.Now();
            if (now < deadline_) {
                ticker_.CallAfter(std::min(kProgramWindowPoll, deadline_ - now), [this] { LookForWindow(); });
                return;
            }
            if (request_.foregroundFallback) {
                window = desktop_.ForegroundWindow();
            }
        }
        // A window that has gone before its rectangle could be read is left alone.
        if (window != 0 && window != request_.ownWindow &&
            PlaceWindow(desktop_, window, request_.position->first, request_.position->second)) {
            over.placed = window;
        }
    } catch (...) {
        over.failure = std::current_exception();
    }
    Finish(over);
}

void LaunchFlow::Finish(const LaunchWaitOver& over) {
    placed_ = over.placed;
    if (auto waitOver = std::exchange(waitOver_, nullptr)) {
        waitOver(over);
    }
}

void LaunchFlow::FollowToEnd() { families_.FollowToEnd(ProcessKeepingLaunch(desktop_, families_, placed_)); }

std::optional<int32_t> LaunchFlow::LaunchEnded(LaunchId launch) {
    if (!restoreOnEnd_.TakeRestoreAtEnd(launch, modes_.CurrentDisplayMode())) {
        return std::nullopt;
    }
    return modes_.RestoreDisplayMode();
}

std::optional<int32_t> LaunchFlow::UndoSwitch() {
    if (!restoreOnEnd_.TakeUndo(modes_.CurrentDisplayMode())) {
        return std::nullopt;
    }
    return modes_.RestoreDisplayMode();
}

}  // namespace resolaunch
