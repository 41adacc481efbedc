#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "follow/launch_families.h"
#include "platform/desktop.h"
#include "platform/file_path.h"
#include "platform/launch_follower.h"
#include "platform/loop_ticker.h"
#include "platform/message_loop.h"
#include "platform/process_facts.h"
#include "platform/program_starter.h"
#include "platform/url_handlers.h"

namespace resolaunch::testing {

// Top-level windows in memory, front to back. Moves go into a shared log.
class FakeDesktop : public Desktop {
public:
    struct Window {
        uint32_t process = 0;
        WindowRect rect;
        bool visible = true;
        bool owned = false;
        std::wstring className = L"GameWindow";
        bool minimizedOrMaximized = false;
    };
    struct Move {
        WindowHandle window;
        int32_t x, y, width, height;
        friend bool operator==(const Move&, const Move&) = default;
    };

    explicit FakeDesktop(std::vector<std::wstring>& log) : log_(log) {}

    // Puts a window behind those there already.
    void Add(WindowHandle handle, Window window) {
        windows[handle] = std::move(window);
        order.push_back(handle);
    }
    void Remove(WindowHandle handle) {
        windows.erase(handle);
        std::erase(order, handle);
    }

    std::vector<WindowHandle> VisibleWindows() override {
        std::vector<WindowHandle> visible;
        std::copy_if(order.begin(), order.end(), std::back_inserter(visible),
                     [&](WindowHandle w) { return windows.at(w).visible; });
        return visible;
    }
    bool IsOwned(WindowHandle window) override { return Find(window) && Find(window)->owned; }
    uint32_t ProcessOf(WindowHandle window) override { return Find(window) ? Find(window)->process : 0; }
    std::wstring ClassNameOf(WindowHandle window) override { return Find(window) ? Find(window)->className : L""; }

    WindowHandle ForegroundWindow() override {
        log_.push_back(L"foreground");
        return foreground;
    }
    std::optional<WindowRect> WindowRectOf(WindowHandle window) override {
        if (!Find(window) || unreadable.count(window) != 0) {
            return std::nullopt;
        }
        return Find(window)->rect;
    }
    MoveResult MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override {
        log_.push_back(L"move");
        moves.push_back({window, x, y, width, height});
        if (refusesMoves.count(window) != 0) {
            return MoveResult::Refused;
        }
        if (goesOnMove.count(window) != 0) {
            Remove(window);
        }
        Window* moved = Find(window);
        if (moved == nullptr) {
            return MoveResult::Gone;
        }
        const auto end = [](int32_t from, int32_t size) {
            return static_cast<int32_t>(std::clamp<int64_t>(int64_t{from} + size, INT32_MIN, INT32_MAX));
        };
        moved->rect = {x, y, end(x, width), end(y, height)};
        return MoveResult::Moved;
    }

    // Windows keeps the top-level windows of every process, shown or not;
    // here, those a test lists as open before the press. (Tests add the
    // launch's own windows before the press for brevity.)
    std::vector<WindowHandle> TopLevelWindows() override { return openAtPress; }
    bool IsShown(WindowHandle window) override { return Find(window) && Find(window)->visible; }
    bool IsMinimizedOrMaximized(WindowHandle window) override {
        return Find(window) && Find(window)->minimizedOrMaximized;
    }
    // On Windows 10 and 11, DWM draws a frame inside the rectangle, with
    // invisible resize borders around it; Wine and older systems answer nothing.
    std::optional<WindowRect> VisibleFrameOf(WindowHandle window) override {
        const auto inset = frameInsets.find(window);
        const std::optional<WindowRect> rect = WindowRectOf(window);
        if (inset == frameInsets.end() || !rect) {
            return std::nullopt;
        }
        return WindowRect{rect->left + inset->second.left, rect->top + inset->second.top,
                          rect->right - inset->second.right, rect->bottom - inset->second.bottom};
    }
    std::optional<WindowRect> MonitorRectOf(WindowHandle) override { return monitor; }
    // GetGUIThreadInfo's GUI_INMOVESIZE: the user drags or sizes the window.
    bool InMoveSizeLoop(WindowHandle window) override { return inMoveSize.count(window) != 0; }
    // GetLastInputInfo: the time of the latest key or mouse input.
    std::optional<std::chrono::milliseconds> SinceLastInput() override {
        if (!lastInputAt || !clock) {
            return std::nullopt;
        }
        return clock() - *lastInputAt;
    }
    std::optional<ScreenPoint> PointerPosition() override { return pointer; }
    bool KeyOrButtonPressedSinceAsked() override { return std::exchange(keyPressed, false); }

    std::map<WindowHandle, Window> windows;
    std::vector<WindowHandle> order;
    std::set<WindowHandle> unreadable;  // rectangles that cannot be read
    std::set<WindowHandle> refusesMoves;  // windows of a program run as administrator
    std::set<WindowHandle> goesOnMove;    // closed just as they are moved
    WindowHandle foreground = 0;
    std::vector<Move> moves;
    std::vector<WindowHandle> openAtPress;
    std::map<WindowHandle, WindowRect> frameInsets;  // invisible borders: left, top, right, bottom
    WindowRect monitor{0, 0, 1024, 768};
    std::set<WindowHandle> inMoveSize;
    std::optional<std::chrono::milliseconds> lastInputAt;
    ScreenPoint pointer{512, 384};
    bool keyPressed = false;  // since the last time it was asked
    std::function<std::chrono::milliseconds()> clock;

private:
    Window* Find(WindowHandle window) {
        const auto found = windows.find(window);
        return found != windows.end() ? &found->second : nullptr;
    }

    std::vector<std::wstring>& log_;
};

// The thread's message loop on a clock of its own: time passes only while
// the loop runs, and what a test has put on the timeline happens then, in
// time order with the ticker's calls.
class FakeLoop : public Clock, public MessageLoop {
public:
    std::chrono::milliseconds Now() override { return now; }
    void OnLaunchEnded(std::function<void(LaunchId)> handler) override { launchEnded = std::move(handler); }
    void RunUntil(const std::function<bool()>& done) override {
        while (!done() && Step(std::nullopt)) {
        }
    }

    // Runs what comes within `duration`.
    void RunFor(std::chrono::milliseconds duration) {
        const std::chrono::milliseconds until = now + duration;
        while (Step(until)) {
        }
        now = std::max(now, until);
    }
    // Runs until no call of the ticker is pending (a launch's wait is over).
    void RunWhileTicking() {
        while (ticker.Pending() && Step(std::nullopt)) {
        }
    }
    // The launch's end, as the platform posts it to the loop.
    void EndLaunch(LaunchId launch) {
        if (launchEnded) {
            launchEnded(launch);
        }
    }

    LoopTicker ticker{*this};
    std::chrono::milliseconds now{1000};
    std::multimap<std::chrono::milliseconds, std::function<void()>> timeline;
    std::function<void(LaunchId)> launchEnded;

private:
    // The earliest of the next happening and the ticker's call, when it comes
    // by `until`; false when nothing is left.
    bool Step(std::optional<std::chrono::milliseconds> until) {
        std::optional<std::chrono::milliseconds> next;
        if (!timeline.empty()) {
            next = timeline.begin()->first;
        }
        if (const auto due = ticker.DueIn(); due && (!next || now + *due < *next)) {
            next = now + *due;
        }
        if (!next || (until && *next > *until)) {
            return false;
        }
        now = std::max(now, *next);
        if (!timeline.empty() && timeline.begin()->first <= now) {
            auto happening = std::move(timeline.begin()->second);
            timeline.erase(timeline.begin());
            happening();
        } else {
            ticker.RunDue();
        }
        return true;
    }
};

// Programs started and followed in memory, and the facts of their
// processes. What a test has put on the timeline of the next launch happens
// on the loop after its start; a followed launch ends on the loop at once
// (after followedEndsAfter).
class FakeLauncher : public ProgramStarter,
                     public ProcessFacts,
                     public LaunchFollower,
                     public LaunchFamilies,
                     public UrlHandlers {
public:
    static constexpr uint32_t kStartedProcess = 500;
    static constexpr uint64_t kStartedProcessCreated = 11;

    FakeLauncher(std::vector<std::wstring>& log, FakeLoop& loop) : log_(log), loop_(loop) {}

    ProgramLookup FindProgram(const std::wstring& commandText) override {
        const auto found = programs.find(commandText);
        if (found == programs.end()) {
            return {std::nullopt, L"no such program"};
        }
        return {found->second, L""};
    }

    StartedProgram Start(const std::wstring& commandText, const std::wstring& folder) override {
        log_.push_back(L"start " + commandText + (folder.empty() ? L"" : L" in " + folder));
        const auto known = programs.find(commandText);
        return Started(commandText, known != programs.end() ? known->second.program : commandText);
    }
    StartedProgram OpenThroughShell(const std::wstring& fileOrUrl) override {
        log_.push_back(L"open " + fileOrUrl);
        return Started(fileOrUrl, L"");
    }

    // The family of the latest start, whichever launch asks.
    LaunchFamily Family() override {
        if (familyFails) {
            throw std::runtime_error("the family cannot be read");
        }
        return family;
    }
    bool StartedAfterLaunch(uint32_t processId) override { return startedLater.count(processId) != 0; }
    bool StartedSince(uint32_t processId, uint64_t) override { return StartedAfterLaunch(processId); }
    std::wstring ImagePathOf(uint32_t processId) override {
        const auto found = imagePaths.find(processId);
        return found != imagePaths.end() ? found->second : std::wstring();
    }
    // On Windows, Explorer (the owner of the shell's window) is the parent of
    // what the user opens from the desktop or the Start menu.
    bool StartedByShell(uint32_t processId) override { return startedByShell.count(processId) != 0; }
    // Every process with an image path of that file name.
    std::vector<uint32_t> ProcessesNamed(const std::wstring& fileName) override {
        std::vector<uint32_t> named;
        for (const auto& [process, path] : imagePaths) {
            if (IsProgramNamed(path, fileName)) {
                named.push_back(process);
            }
        }
        return named;
    }

    ProcessIdentity Self() override { return self; }
    bool IsRunning(const ProcessIdentity& process) override {
        return std::find(running.begin(), running.end(), process) != running.end();
    }
    // Every process the system knows is created at 100 + its id, the started one at kStartedProcessCreated.
    std::optional<ProcessIdentity> IdentityOf(uint32_t processId) override {
        if (gone.count(processId) != 0) {
            return std::nullopt;
        }
        return ProcessIdentity{processId, processId == kStartedProcess ? kStartedProcessCreated : 100u + processId};
    }

    void Follow(LaunchId launch, LaunchProcesses&, const FollowRule& rule) override {
        log_.push_back(L"follow " + std::to_wstring(rule.keeper));
        followed.push_back({launch, rule.keeper});
        rules.push_back(rule);
        loop_.timeline.emplace(loop_.now + followedEndsAfter, [this, launch] { loop_.EndLaunch(launch); });
    }
    void Stop() override {}

    std::optional<std::wstring> CommandOf(const std::wstring& scheme) override {
        const auto found = urlHandlers.find(scheme);
        return found != urlHandlers.end() ? std::optional<std::wstring>(found->second) : std::nullopt;
    }

    // Something that happens this long after the next launch has started.
    void AfterStart(std::chrono::milliseconds delay, std::function<void()> happening) {
        afterNextStart.emplace_back(delay, std::move(happening));
    }

    struct Followed {
        LaunchId launch;
        uint32_t keeper;
        friend bool operator==(const Followed&, const Followed&) = default;
    };

    bool startSucceeds = true;
    bool startsOutsideAnyJob = false;  // as administrator, through the consent prompt
    bool familyFails = false;  // the wait for the window fails
    std::map<std::wstring, ProgramCommand> programs;
    std::vector<std::wstring> started;
    LaunchId launches = 0;  // starts that succeeded
    LaunchFamily family;
    std::optional<LaunchFamily> familyAtStart;  // the family a start makes, when not the started program alone
    std::set<uint32_t> startedLater;
    std::map<uint32_t, std::wstring> imagePaths;
    std::set<uint32_t> startedByShell;
    std::map<std::wstring, std::wstring> urlHandlers;  // scheme: its handler's command
    ProcessIdentity self{4242, 7};
    std::set<uint32_t> gone;  // ids the system no longer knows
    std::vector<ProcessIdentity> running{self};
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> afterNextStart;
    std::vector<Followed> followed;
    std::vector<FollowRule> rules;
    std::chrono::milliseconds followedEndsAfter{0};

private:
    class Processes final : public LaunchProcesses {
    public:
        Processes(FakeLauncher& launcher, uint64_t began) : launcher_(launcher), began_(began) {}
        LaunchFamily Family() override { return launcher_.Family(); }
        uint64_t Began() const override { return began_; }
        LaunchHold Hold() const override {
            return {L"ResoLaunch-job-" + std::to_wstring(began_), {kStartedProcess, kStartedProcessCreated}, began_};
        }

    private:
        FakeLauncher& launcher_;
        uint64_t began_;
    };

    StartedProgram Started(const std::wstring& commandText, const std::wstring& program) {
        started.push_back(commandText);
        if (!startSucceeds) {
            return {nullptr, L"the reason", {}};
        }
        family = familyAtStart.value_or(LaunchFamily{{kStartedProcess}, false});
        startedLater.insert(kStartedProcess);
        for (auto& [afterStart, happening] : afterNextStart) {
            loop_.timeline.emplace(loop_.now + afterStart, std::move(happening));
        }
        afterNextStart.clear();
        return {std::make_unique<Processes>(*this, ++launches), L"", program,
                startsOutsideAnyJob ? kStartedProcess : 0};
    }

    std::vector<std::wstring>& log_;
    FakeLoop& loop_;
};

}  // namespace resolaunch::testing
