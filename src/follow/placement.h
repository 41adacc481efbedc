#pragma once

#include <cstdint>
#include <optional>

#include "platform/desktop.h"
#include "platform/launch_family.h"

namespace resolaunch {

// A placed window grows by this much (pixels), whatever its size and place.
inline constexpr int32_t kPlacedWindowExtraWidth = 3;
inline constexpr int32_t kPlacedWindowExtraHeight = 20;

// Moves the window's top-left corner to (x, y) and makes it
// kPlacedWindowExtraWidth wider and kPlacedWindowExtraHeight higher. Its
// rectangle before the move; nothing, and no move, when it cannot be read
// (the window has gone).
std::optional<WindowRect> PlaceWindow(Desktop& desktop, WindowHandle window, int32_t x, int32_t y);

// The process that keeps the latest launch running once its family has
// ended: that of the window placed for it, when it was started after the
// launch began (a program a launcher handed over to). 0 for none.
uint32_t ProcessKeepingLaunch(Desktop& desktop, LaunchFamilies& families, WindowHandle placed);

}  // namespace resolaunch
