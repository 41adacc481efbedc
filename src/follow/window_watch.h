#pragma once

#include <chrono>
#include <cstdint>

#include "follow/launch_families.h"
#include "follow/placement.h"
#include "follow/program_window.h"
#include "platform/desktop.h"

namespace resolaunch {

// After a placement, the launch's windows are watched until kWatchQuiet has
// passed since the latest placement or since the placed window went, and at
// most kWatchLongest in all; every kWatchPoll.
inline constexpr std::chrono::milliseconds kWatchQuiet{10000};
inline constexpr std::chrono::milliseconds kWatchLongest{30000};
inline constexpr std::chrono::milliseconds kWatchPoll{25};
// A window that keeps leaving its place is moved back this often, then left alone.
inline constexpr int kMovesBackAtMost = 3;
// A hand's input seen this shortly before a move, and after ResoLaunch's own, makes the move the user's.
inline constexpr std::chrono::milliseconds kUserInputBeforeMove{500};

// The watch over a launch's windows once one is placed: a splash or
// loader's window that goes is followed by the next window of the launch,
// placed the same way; a window that leaves its place by itself is moved
// back. What the user moves, sizes, minimises or maximises, and a window
// that covers its whole monitor, is left alone for good.
class WindowWatch {
public:
    WindowWatch(Desktop& desktop, LaunchFamilies& families, LaunchWindows& known, int32_t x, int32_t y,
                WindowHandle placed, const PlacedCorner& corner, std::chrono::milliseconds now);

    // One look at the windows; false once the watch is over.
    bool Look(std::chrono::milliseconds now);

    // The window placed last; 0 while none is (the placed one went).
    WindowHandle Placed() const { return placed_; }
    // Counts the placements: the first, and each next window's.
    int Placements() const { return placements_; }

private:
    void Placed(WindowHandle window, const PlacedCorner& corner, std::chrono::milliseconds now);
    void Moved(std::chrono::milliseconds now);
    bool UserActedSinceMove(std::chrono::milliseconds now);
    bool CoversItsMonitor(const WindowRect& rect);

    Desktop& desktop_;
    LaunchFamilies& families_;
    LaunchWindows& known_;
    const int32_t x_;
    const int32_t y_;
    const std::chrono::milliseconds began_;
    std::chrono::milliseconds lastPlacedOrGone_;
    int placements_ = 0;

    WindowHandle placed_ = 0;
    PlacedCorner corner_;  // where ResoLaunch's latest move put it
    std::chrono::milliseconds movedAt_{0};
    std::optional<ScreenPoint> pointerAtMove_;
    int movesBack_ = 0;
    bool leftAlone_ = false;
};

}  // namespace resolaunch
