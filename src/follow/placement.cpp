#include "follow/placement.h"

#include <algorithm>

namespace resolaunch {
namespace {

// Computed in 64 bits: the rectangle of a window may hold any values.
int32_t Grown(int32_t from, int32_t to, int32_t extra) {
    const int64_t size = int64_t{to} - from + extra;
    return static_cast<int32_t>(std::clamp<int64_t>(size, INT32_MIN, INT32_MAX));
}

}  // namespace

std::optional<WindowRect> PlaceWindow(Desktop& desktop, WindowHandle window, int32_t x, int32_t y) {
    const std::optional<WindowRect> rect = desktop.WindowRectOf(window);
    if (rect) {
        desktop.MoveWindowTo(window, x, y, Grown(rect->left, rect->right, kPlacedWindowExtraWidth),
                             Grown(rect->top, rect->bottom, kPlacedWindowExtraHeight));
    }
    return rect;
}

uint32_t ProcessKeepingLaunch(Desktop& desktop, LaunchFamilies& families, WindowHandle placed) {
    if (placed == 0) {
        return 0;
    }
    const uint32_t process = desktop.ProcessOf(placed);
    return process != 0 && families.StartedAfterLaunch(process) ? process : 0;
}

}  // namespace resolaunch
