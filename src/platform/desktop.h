#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace resolaunch {

// A top-level window of any process; 0 for none.
using WindowHandle = std::uintptr_t;

struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct StartOutcome {
    bool started = false;
    std::wstring failureReason;  // the system's own words, when not started
};

// Starting programs and placing their windows.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Starts a program with a normal, activated window, in the program's own
    // folder. A text that names an existing file starts exactly that file;
    // any other text is a command line: a program and its arguments.
    virtual StartOutcome StartProgram(const std::wstring& commandText) = 0;

    // The first visible, unowned top-level window of the program last
    // started, or of a process it started. 0 when none appears within
    // `timeout` or the program ends first. Meanwhile the main window paints
    // but takes no input.
    virtual WindowHandle WaitForProgramWindow(std::chrono::milliseconds timeout) = 0;

    virtual WindowHandle ForegroundWindow() = 0;
    virtual std::optional<WindowRect> WindowRectOf(WindowHandle window) = 0;
    virtual void MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
};

}  // namespace resolaunch
