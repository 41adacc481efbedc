#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// What a move of a window came to.
enum class MoveResult {
    Moved,
    // The system refused it (ERROR_ACCESS_DENIED): the window is of a program
    // run with higher rights (as administrator) than ResoLaunch's.
    Refused,
    Gone,  // any other failure: the window has gone
};

// The windows of every program on the screen.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The visible top-level windows, front to back.
    virtual std::vector<WindowHandle> VisibleWindows() = 0;
    // Whether another window owns it (a dialog or tool window does).
    virtual bool IsOwned(WindowHandle window) = 0;
    // The id of the process that made it; 0 when it has gone.
    virtual uint32_t ProcessOf(WindowHandle window) = 0;
    virtual std::wstring ClassNameOf(WindowHandle window) = 0;

    virtual WindowHandle ForegroundWindow() = 0;
    virtual std::optional<WindowRect> WindowRectOf(WindowHandle window) = 0;
    virtual MoveResult MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) = 0;

    // Every top-level window, shown or not.
    virtual std::vector<WindowHandle> TopLevelWindows() = 0;
    // Whether the window still exists and is shown.
    virtual bool IsShown(WindowHandle window) = 0;
    virtual bool IsMinimizedOrMaximized(WindowHandle window) = 0;
    // The frame the system draws for the window (DWM's extended frame
    // bounds); nothing where it cannot tell.
    virtual std::optional<WindowRect> VisibleFrameOf(WindowHandle window) = 0;
    // The rectangle of the monitor the window is on (or nearest to).
    virtual std::optional<WindowRect> MonitorRectOf(WindowHandle window) = 0;
    // Whether the window's thread runs a move or size loop (GUI_INMOVESIZE):
    // the user drags or sizes a window of it.
    virtual bool InMoveSizeLoop(WindowHandle window) = 0;
    // How long ago the system last saw input (keys, mouse); nothing when it
    // cannot tell. Wine counts its own cursor bookkeeping as input too.
    virtual std::optional<std::chrono::milliseconds> SinceLastInput() = 0;
    // Where the mouse pointer is; nothing when it cannot tell.
    virtual std::optional<ScreenPoint> PointerPosition() = 0;
    // Whether a key or mouse button is held now, or was pressed since the
    // previous call (GetAsyncKeyState); each call starts the count anew.
    virtual bool KeyOrButtonPressedSinceAsked() = 0;
};

}  // namespace resolaunch
