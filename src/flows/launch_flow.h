#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "follow/latest_launch.h"
#include "follow/program_window.h"
#include "follow/window_watch.h"
#include "launch/target_start.h"
#include "flows/switch_owner.h"
#include "platform/desktop.h"
#include "platform/launch_follower.h"
#include "platform/launch_guard.h"
#include "platform/loop_ticker.h"
#include "platform/process_facts.h"

namespace resolaunch {

// How long a launch waits for a program named to wait for (--wait-for)
// once its own family has ended, and how often it looks meanwhile: every
// kNamedProgramPoll for the first kProgramWindowWait, then every
// kNamedProgramSlowPoll.
inline constexpr std::chrono::milliseconds kNamedProgramWaitAfterFamily{120000};
inline constexpr std::chrono::milliseconds kNamedProgramPoll{250};
inline constexpr std::chrono::milliseconds kNamedProgramSlowPoll{1000};

// What a launch takes of the platform.
struct LaunchServices {
    TargetStartServices start;
    ProcessFacts& facts;
    LaunchFollower& follower;
    Desktop& desktop;
    LoopTicker& ticker;
    GuardProcess& guard;  // for the launches followed while a restore is owed
};

struct StartOutcome {
    bool started = false;
    std::wstring failureReason;  // when not started
    LaunchId launch = 0;         // when started
};

struct LaunchRequest {
    std::wstring command;  // Text1, or the command line's program, as typed
    // Where the program's window goes; nothing: it is not moved.
    std::optional<std::pair<int32_t, int32_t>> position;
    // Without a window of the program's own in time, the foreground window is moved.
    bool foregroundFallback = false;
    WindowHandle ownWindow = 0;  // ResoLaunch's own window, never moved
    // Where the position counts from, asked when the window is placed: the
    // chosen display's top-left corner. None: the primary's, (0, 0).
    std::function<std::pair<int32_t, int32_t>()> origin = nullptr;
    // Without a position, the program's window is still waited for (and not
    // moved) when the launch's end is to be followed: the window found keeps
    // the launch running as a placed one does, after a hand-off as well.
    bool findWindowToFollow = false;
    // The program to wait for (an executable's file name or full path); the
    // launcher's own windows are never taken then. Empty: the started program.
    std::wstring waitFor = {};
};

// What the wait for the started program's window came to.
struct LaunchWaitOver {
    WindowHandle placed = 0;     // the window moved, or found when none was to be moved; 0 for none
    // The window whose move the system refused (a program run as
    // administrator): it is not placed, nor watched, yet it is the game's.
    WindowHandle refused = 0;
    std::exception_ptr failure;  // the wait itself failed
    bool waitedForMissing = false;  // the program waited for did not start in time
};

// A launch, for the window and the command line alike: start, wait for the
// window on the thread's message loop, place it, watch the launch's windows
// for a while (WindowWatch), follow the launch to its end and put the screen
// back when that is owed.
class LaunchFlow {
public:
    LaunchFlow(const LaunchServices& services, SwitchOwner& switches)
        : start_(services.start), facts_(services.facts), follower_(services.follower), desktop_(services.desktop),
          ticker_(services.ticker), switches_(switches),
          latest_(services.facts) {}
    LaunchFlow(const LaunchFlow&) = delete;
    LaunchFlow& operator=(const LaunchFlow&) = delete;
    // The following stops before the launch's processes are let go.
    ~LaunchFlow() { follower_.Stop(); }

    // Starts what the request's command names (StartLaunchTarget). Once it
    // has started, its window is looked for at once, then on the loop every
    // kProgramWindowPoll for kProgramWindowWait, and placed; `waitOver` is
    // called then (at once when nothing is to be placed), and the watch
    // begins. With a program to wait for, its start is waited for first. A
    // new launch ends the previous one's wait, watch and following. A start
    // that fails calls nothing and changes nothing.
    StartOutcome Start(const LaunchRequest& request, std::function<void(const LaunchWaitOver&)> waitOver);
    bool Waiting() const { return static_cast<bool>(waitOver_); }
    bool Watching() const { return watch_.has_value(); }
    // Calls `watchOver` once the watch is over: at once when none runs.
    void WhenWatchOver(std::function<void()> watchOver);
    // Ends the wait and the watch without calling back: ResoLaunch ends.
    void Cancel();
    // The latest launch's number; 0 before the first.
    LaunchId Latest() const { return latest_.Id(); }

    // Follows the latest launch to its end: its family, and the process of
    // the window placed for it when a launcher handed the program over. Once
    // a window of a launch from a URL is placed (or found), of the program
    // waited for by name or not, only that window's process and what it
    // starts keep it running; a program waited for by name keeps it running
    // with every process of that name. A program that runs outside any job
    // (as administrator) keeps it running with every process it starts.
    void FollowToEnd();
    // A followed launch has ended: its watch is over, and the screen goes
    // back when that is owed. The restore's result when one was made.
    std::optional<int32_t> LaunchEnded(LaunchId launch);

private:
    // Where the window goes: the position from the chosen display's corner.
    std::pair<int32_t, int32_t> TargetCorner() const;
    void LookForNamedProgram();
    void WaitForWindow();
    void LookForWindow();
    FollowRule RuleToFollow();
    void Finish(const LaunchWaitOver& over, const std::optional<PlacedCorner>& corner);
    void Watch();
    void EndWatch();

    TargetStartServices start_;
    ProcessFacts& facts_;
    LaunchFollower& follower_;
    Desktop& desktop_;
    LoopTicker& ticker_;
    SwitchOwner& switches_;

    LatestLaunch latest_;
    LaunchId launches_ = 0;
    LaunchRequest request_;
    bool fromUrl_ = false;  // the latest launch was started from a URL or a .url file
    uint32_t outsideAnyJob_ = 0;  // its started process, when that runs outside any job
    LaunchWindows known_;
    std::chrono::milliseconds deadline_{0};
    std::optional<std::chrono::milliseconds> namedDeadline_;  // once the family has ended
    std::chrono::milliseconds namedSince_{0};
    std::pair<int32_t, int32_t> target_{0, 0};
    std::function<void(const LaunchWaitOver&)> waitOver_;  // set while waiting
    // By the latest launch, or found for it when nothing was to be moved or its move was refused.
    WindowHandle placed_ = 0;
    bool following_ = false;
    std::optional<WindowWatch> watch_;
    std::function<void()> watchOver_;
};

}  // namespace resolaunch
