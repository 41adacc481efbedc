#include "follow/placement.h"

#include <algorithm>

namespace resolaunch {
namespace {

// Computed in 64 bits: the rectangle of a window may hold any values.
int32_t Clamped(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// The rectangle's corner that puts the visible frame's corner at (x, y): on
// Windows 10 and 11 a window's rectangle takes in resize borders drawn
// invisible. None when the frame cannot be read or lies not inside.
PlacedCorner CornerFor(Desktop& desktop, WindowHandle window, const WindowRect& rect, int32_t x, int32_t y) {
    int64_t left = x;
    int64_t top = y;
    if (const std::optional<WindowRect> frame = desktop.VisibleFrameOf(window);
        frame && frame->left >= rect.left && frame->top >= rect.top && frame->right <= rect.right &&
        frame->bottom <= rect.bottom) {
        left -= int64_t{frame->left} - rect.left;
        top -= int64_t{frame->top} - rect.top;
    }
    return PlacedCorner{Clamped(left), Clamped(top), Clamped(int64_t{rect.right} - rect.left),
                        Clamped(int64_t{rect.bottom} - rect.top)};
}

Placement MoveTo(Desktop& desktop, WindowHandle window, const PlacedCorner& corner) {
    switch (desktop.MoveWindowTo(window, corner.left, corner.top, corner.width, corner.height)) {
    case MoveResult::Moved:
        return {corner, false};
    case MoveResult::Refused:
        return {std::nullopt, true};
    case MoveResult::Gone:
        break;
    }
    return {};
}

}  // namespace

Placement PlaceWindow(Desktop& desktop, WindowHandle window, int32_t x, int32_t y) {
    const std::optional<WindowRect> rect = desktop.WindowRectOf(window);
    if (!rect) {
        return {};
    }
    PlacedCorner corner = CornerFor(desktop, window, *rect, x, y);
    corner.width = Clamped(int64_t{corner.width} + kPlacedWindowExtraWidth);
    corner.height = Clamped(int64_t{corner.height} + kPlacedWindowExtraHeight);
    return MoveTo(desktop, window, corner);
}

Placement MoveWindowBack(Desktop& desktop, WindowHandle window, int32_t x, int32_t y) {
    const std::optional<WindowRect> rect = desktop.WindowRectOf(window);
    if (!rect) {
        return {};
    }
    return MoveTo(desktop, window, CornerFor(desktop, window, *rect, x, y));
}

uint32_t ProcessKeepingLaunch(Desktop& desktop, LaunchFamilies& families, WindowHandle placed) {
    if (placed == 0) {
        return 0;
    }
    const uint32_t process = desktop.ProcessOf(placed);
    return process != 0 && families.StartedAfterLaunch(process) ? process : 0;
}

}  // namespace resolaunch
