#include "flows/launch_flow.h"

#include <algorithm>

#include "follow/placement.h"
#include "platform/file_path.h"

namespace resolaunch {

StartOutcome LaunchFlow::Start(const LaunchRequest& request, std::function<void(const LaunchWaitOver&)> waitOver) {
    // What was there at the press is never the program's window; asked only
    // when a window is to be looked for.
    const bool lookForWindow = request.position || request.findWindowToFollow;
    const std::vector<WindowHandle> listed =
        lookForWindow ? desktop_.TopLevelWindows() : std::vector<WindowHandle>();
    TargetStart start = StartLaunchTarget(request.command, start_);
    if (!start.started.processes) {
        return {false, start.started.failureReason, 0};
    }
    // The earlier launch is let go only now: a start that fails changes nothing.
    follower_.Stop();
    ticker_.Cancel();
    watch_.reset();
    watchOver_ = nullptr;
    latest_.Started(++launches_, std::move(start.started.processes));
    // Only the latest launch's end counts: a guard must not restore at the earlier one's.
    switches_.LaunchStarted();
    request_ = request;
    fromUrl_ = start.fromUrl;
    outsideAnyJob_ = start.started.outsideAnyJob;
    known_ = LaunchWindows{request.ownWindow, start.started.program, {listed.begin(), listed.end()}, {},
                           request.waitFor};
    placed_ = 0;
    following_ = false;
    namedDeadline_.reset();
    namedSince_ = ticker_.Now();
    waitOver_ = std::move(waitOver);
    if (!request.waitFor.empty()) {
        LookForNamedProgram();
    } else {
        WaitForWindow();
    }
    return {true, std::wstring(), launches_};
}

// A program waited for by name: a process of it started after the press, in
// the launch's family or not, while the family lives and a while after.
void LaunchFlow::LookForNamedProgram() {
    const std::chrono::milliseconds now = ticker_.Now();
    try {
        for (const uint32_t process : facts_.ProcessesNamed(FileNameOf(request_.waitFor))) {
            if (latest_.StartedAfterLaunch(process) &&
                IsProgramNamed(latest_.ImagePathOf(process), request_.waitFor)) {
                WaitForWindow();
                return;
            }
        }
        if (!namedDeadline_ && latest_.Family().ended) {
            namedDeadline_ = now + kNamedProgramWaitAfterFamily;
        }
    } catch (...) {
        LaunchWaitOver over;
        over.failure = std::current_exception();
        Finish(over, std::nullopt);
        return;
    }
    if (namedDeadline_ && now >= *namedDeadline_) {
        LaunchWaitOver over;
        over.waitedForMissing = true;
        Finish(over, std::nullopt);
        return;
    }
    // Often at first, when most games start; then gently, for a launcher left open a long while.
    std::chrono::milliseconds next = now - namedSince_ < kProgramWindowWait ? kNamedProgramPoll : kNamedProgramSlowPoll;
    if (namedDeadline_) {
        next = std::min(next, *namedDeadline_ - now);
    }
    ticker_.CallAfter(next, [this] { LookForNamedProgram(); });
}

void LaunchFlow::WaitForWindow() {
    if (!request_.position && !request_.findWindowToFollow) {
        Finish({}, std::nullopt);
        return;
    }
    deadline_ = ticker_.Now() + kProgramWindowWait;
    LookForWindow();
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
        WindowHandle window = FindProgramWindow(desktop_, latest_, known_);
        if (window == 0) {
            const std::chrono::milliseconds now = ticker_.Now();
            if (now < deadline_) {
                ticker_.CallAfter(std::min(kProgramWindowPoll, deadline_ - now), [this] { LookForWindow(); });
                return;
            }
            if (request_.foregroundFallback) {
                window = FallbackWindow(desktop_, latest_, known_);
            }
        }
        // A window that has gone before its rectangle could be read is left alone.
        if (window != 0 && !request_.position) {
            over.placed = window;  // found, to follow; not moved
        } else if (window != 0) {
            target_ = TargetCorner();
            const Placement placement = PlaceWindow(desktop_, window, target_.first, target_.second);
            if ((corner = placement.corner)) {
                over.placed = window;
            } else if (placement.refused) {
                over.refused = window;
            }
        }
    } catch (...) {
        over.failure = std::current_exception();
    }
    Finish(over, corner);
}

void LaunchFlow::Finish(const LaunchWaitOver& over, const std::optional<PlacedCorner>& corner) {
    placed_ = over.placed != 0 ? over.placed : over.refused;
    if (over.placed != 0 && corner) {
        watch_.emplace(desktop_, latest_, known_, target_.first, target_.second, over.placed,
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
    if (LaunchProcesses* processes = latest_.Processes()) {
        const FollowRule rule = RuleToFollow();
        follower_.Follow(latest_.Id(), *processes, rule);
        // Should ResoLaunch be ended before the launch, its guard follows it by the same rule.
        const std::optional<ProcessIdentity> keeper =
            rule.keeper != 0 ? facts_.IdentityOf(rule.keeper) : std::nullopt;
        switches_.GuardLaunch(*processes, rule, keeper ? keeper->created : 0);
    }
}

FollowRule LaunchFlow::RuleToFollow() {
    FollowRule rule;
    if (!request_.waitFor.empty()) {
        rule.family = false;
        rule.named = request_.waitFor;
        rule.keeper = placed_ != 0 ? desktop_.ProcessOf(placed_) : 0;
        rule.descendants = true;
    } else if (fromUrl_ && placed_ != 0) {
        // The handler, and a store client it started, stay running after the game.
        rule.family = false;
        rule.keeper = desktop_.ProcessOf(placed_);
        rule.descendants = true;
    } else if (outsideAnyJob_ != 0) {
        // No job holds what it starts: its descendants are followed instead.
        rule.family = false;
        rule.keeper = outsideAnyJob_;
        rule.descendants = true;
    } else {
        rule.keeper = ProcessKeepingLaunch(desktop_, latest_, placed_);
    }
    return rule;
}

std::optional<int32_t> LaunchFlow::LaunchEnded(LaunchId launch) {
    if (launch == 0 || launch != latest_.Id()) {
        return std::nullopt;  // only the latest launch counts
    }
    EndWatch();
    return switches_.RestoreAtLaunchEnd();
}

}  // namespace resolaunch
