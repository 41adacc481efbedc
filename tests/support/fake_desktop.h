#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace resolaunch::testing {

// Windows and a program starter in memory. Logs each call into a shared log.
class FakeDesktop : public Desktop {
public:
    explicit FakeDesktop(std::vector<std::wstring>& log) : log_(log) {}

    StartOutcome StartProgram(const std::wstring& commandText) override {
        log_.push_back(L"start " + commandText);
        started.push_back(commandText);
        return startSucceeds ? StartOutcome{true, L""} : StartOutcome{false, L"the reason"};
    }
    WindowHandle WaitForProgramWindow(std::chrono::milliseconds timeout) override {
        log_.push_back(L"wait");
        waitedFor = timeout;
        if (waitFails) {
            throw std::runtime_error("the wait failed");
        }
        return programWindow;
    }
    WindowHandle ForegroundWindow() override {
        log_.push_back(L"foreground");
        return foreground;
    }
    std::optional<WindowRect> WindowRectOf(WindowHandle window) override {
        const auto found = rects.find(window);
        if (found == rects.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    void MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override {
        log_.push_back(L"move");
        moves.push_back({window, x, y, width, height});
    }

    struct Move {
        WindowHandle window;
        int32_t x, y, width, height;
        friend bool operator==(const Move&, const Move&) = default;
    };

    bool startSucceeds = true;
    bool waitFails = false;
    WindowHandle programWindow = 0;
    WindowHandle foreground = 0;
    std::map<WindowHandle, WindowRect> rects;
    std::vector<std::wstring> started;
    std::vector<Move> moves;
    std::chrono::milliseconds waitedFor{0};

private:
    std::vector<std::wstring>& log_;
};

}  // namespace resolaunch::testing
