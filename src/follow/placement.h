#pragma once

#include <cstdint>
#include <optional>

#include "follow/launch_families.h"
#include "platform/desktop.h"

namespace resolaunch {

// A placed window grows by this much (pixels), whatever its size and place.
inline constexpr int32_t kPlacedWindowExtraWidth = 3;
inline constexpr int32_t kPlacedWindowExtraHeight = 20;

// Where a move put a window: the top-left corner of its rectangle, and its size.
struct PlacedCorner {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// What a move came to: where it put the window; no corner when the window
// was not moved, because it has gone or because the system refused the move
// (`refused`: a window of a program run as administrator).
struct Placement {
    std::optional<PlacedCorner> corner;
    bool refused = false;
};

// Moves the window so that its visible frame's top-left corner is at (x, y)
// (its rectangle's corner where the system draws no invisible borders) and
// makes it kPlacedWindowExtraWidth wider and kPlacedWindowExtraHeight higher.
// No move when its rectangle cannot be read (it has gone).
Placement PlaceWindow(Desktop& desktop, WindowHandle window, int32_t x, int32_t y);

// Moves the window back so that its visible frame's corner is at (x, y), at
// the size it has now; no move when it has gone.
Placement MoveWindowBack(Desktop& desktop, WindowHandle window, int32_t x, int32_t y);

// The process that keeps the latest launch running once its family has
// ended: that of the window placed for it, when it was started after the
// launch began (a program a launcher handed over to). 0 for none.
uint32_t ProcessKeepingLaunch(Desktop& desktop, LaunchFamilies& families, WindowHandle placed);

}  // namespace resolaunch
