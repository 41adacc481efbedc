#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop.h"
#include "platform/launch_family.h"
#include "platform/loop_ticker.h"
#include "platform/message_loop.h"
#include "platform/program_starter.h"

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
    void MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override {
        log_.push_back(L"move");
        moves.push_back({window, x, y, width, height});
        if (Window* moved = Find(window)) {
            const auto end = [](int32_t from, int32_t size) {
                return static_cast<int32_t>(std::clamp<int64_t>(int64_t{from} + size, INT32_MIN, INT32_MAX));
            };
            moved->rect = {x, y, end(x, width), end(y, height)};
        }
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

// Programs started and followed in memory. What a test has put on the
// timeline of the next launch happens on the loop after its start; a
// followed launch ends on the loop at once.
class FakeLauncher : public ProgramStarter, public LaunchFamilies {
public:
    static constexpr uint32_t kStartedProcess = 500;

    FakeLauncher(std::vector<std::wstring>& log, FakeLoop& loop) : log_(log), loop_(loop) {}

    ProgramLookup FindProgram(const std::wstring& commandText) override {
        const auto found = programs.find(commandText);
        if (found == programs.end()) {
            return {std::nullopt, L"no such program"};
        }
        return {found->second, L""};
    }

    StartOutcome Start(const std::wstring& commandText) override {
        log_.push_back(L"start " + commandText);
        started.push_back(commandText);
        if (!startSucceeds) {
            return StartOutcome{false, L"the reason", 0, L""};
        }
        family = familyAtStart.value_or(LaunchFamily{{kStartedProcess}, false});
        startedLater.insert(kStartedProcess);
        for (auto& [afterStart, happening] : afterNextStart) {
            loop_.timeline.emplace(loop_.now + afterStart, std::move(happening));
        }
        afterNextStart.clear();
        const auto known = programs.find(commandText);
        return StartOutcome{true, L"", ++launches, known != programs.end() ? known->second.program : commandText};
    }

    LaunchFamily Family() override {
        if (familyFails) {
            throw std::runtime_error("the family cannot be read");
        }
        return family;
    }
    bool StartedAfterLaunch(uint32_t processId) override { return startedLater.count(processId) != 0; }
    std::wstring ImagePathOf(uint32_t processId) override {
        const auto found = imagePaths.find(processId);
        return found != imagePaths.end() ? found->second : std::wstring();
    }
    // On Windows, Explorer (the owner of the shell's window) is the parent of
    // what the user opens from the desktop or the Start menu.
    bool StartedByShell(uint32_t processId) override { return startedByShell.count(processId) != 0; }

    void FollowToEnd(uint32_t keeper) override {
        log_.push_back(L"follow " + std::to_wstring(keeper));
        followed.push_back({launches, keeper});
        loop_.timeline.emplace(loop_.now + followedEndsAfter, [this, launch = launches] { loop_.EndLaunch(launch); });
    }

    // Something that happens this long after the next launch has started.
    void AfterStart(std::chrono::milliseconds delay, std::function<void()> happening) {
        afterNextStart.emplace_back(delay, std::move(happening));
    }

    struct Follow {
        LaunchId launch;
        uint32_t keeper;
        friend bool operator==(const Follow&, const Follow&) = default;
    };

    bool startSucceeds = true;
    bool familyFails = false;  // the wait for the window fails
    std::map<std::wstring, ProgramCommand> programs;
    std::vector<std::wstring> started;
    LaunchId launches = 0;
    LaunchFamily family;
    std::optional<LaunchFamily> familyAtStart;  // the family a start makes, when not the started program alone
    std::set<uint32_t> startedLater;
    std::map<uint32_t, std::wstring> imagePaths;
    std::set<uint32_t> startedByShell;
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> afterNextStart;
    std::vector<Follow> followed;
    std::chrono::milliseconds followedEndsAfter{0};

private:
    std::vector<std::wstring>& log_;
    FakeLoop& loop_;
};

}  // namespace resolaunch::testing
