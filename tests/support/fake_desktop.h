#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/launcher.h"

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
    }

    std::map<WindowHandle, Window> windows;
    std::vector<WindowHandle> order;
    std::set<WindowHandle> unreadable;  // rectangles that cannot be read
    WindowHandle foreground = 0;
    std::vector<Move> moves;

private:
    Window* Find(WindowHandle window) {
        const auto found = windows.find(window);
        return found != windows.end() ? &found->second : nullptr;
    }

    std::vector<std::wstring>& log_;
};

// A program starter on a clock of its own: time passes only while the
// program idles, and what a test has put on the timeline happens then.
class FakeLauncher : public Launcher {
public:
    static constexpr uint32_t kStartedProcess = 500;

    explicit FakeLauncher(std::vector<std::wstring>& log) : log_(log) {}

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
            return StartOutcome{false, L"the reason", 0};
        }
        family = LaunchFamily{{kStartedProcess}, false};
        startedLater.insert(kStartedProcess);
        for (auto& [afterStart, happening] : afterNextStart) {
            timeline.emplace(now + afterStart, std::move(happening));
        }
        afterNextStart.clear();
        return StartOutcome{true, L"", ++launches};
    }

    LaunchFamily Family() override {
        if (familyFails) {
            throw std::runtime_error("the family cannot be read");
        }
        return family;
    }
    bool StartedAfterLaunch(uint32_t processId) override { return startedLater.count(processId) != 0; }

    void FollowToEnd(uint32_t keeper) override {
        log_.push_back(L"follow " + std::to_wstring(keeper));
        followed.push_back({launches, keeper});
    }
    void WaitForEnd() override {
        log_.push_back(L"wait for end");
        if (onWaitForEnd) {
            onWaitForEnd();
        }
    }

    std::chrono::milliseconds Now() override { return now; }
    bool Idle(std::chrono::milliseconds duration) override {
        const std::chrono::milliseconds until = now + duration;
        while (!timeline.empty() && timeline.begin()->first <= until) {
            now = std::max(now, timeline.begin()->first);
            auto happening = std::move(timeline.begin()->second);
            timeline.erase(timeline.begin());
            happening();
        }
        now = until;
        return !quitting;
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
    bool quitting = false;
    std::map<std::wstring, ProgramCommand> programs;
    std::vector<std::wstring> started;
    LaunchId launches = 0;
    LaunchFamily family;
    std::set<uint32_t> startedLater;
    std::chrono::milliseconds now{1000};
    std::multimap<std::chrono::milliseconds, std::function<void()>> timeline;
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> afterNextStart;
    std::vector<Follow> followed;
    std::function<void()> onWaitForEnd;

private:
    std::vector<std::wstring>& log_;
};

}  // namespace resolaunch::testing
