#include "follow/window_watch.h"

#include <algorithm>

namespace resolaunch {

WindowWatch::WindowWatch(Desktop& desktop, LaunchFamilies& families, LaunchWindows& known, int32_t x, int32_t y,
                         WindowHandle placed, const PlacedCorner& corner, std::chrono::milliseconds now)
    : desktop_(desktop), families_(families), known_(known), x_(x), y_(y), began_(now), lastPlacedOrGone_(now) {
    Placed(placed, corner, now);
}

void WindowWatch::Placed(WindowHandle window, const PlacedCorner& corner, std::chrono::milliseconds now) {
    placed_ = window;
    corner_ = corner;
    Moved(now);
    movesBack_ = 0;
    leftAlone_ = false;
    lastPlacedOrGone_ = now;
    known_.placedBefore.insert(window);
    ++placements_;
}

bool WindowWatch::Look(std::chrono::milliseconds now) {
    if (now - began_ >= kWatchLongest || now - lastPlacedOrGone_ >= kWatchQuiet) {
        return false;
    }
    if (placed_ != 0 && !desktop_.IsShown(placed_)) {
        placed_ = 0;
        lastPlacedOrGone_ = now;
    }
    if (placed_ == 0) {
        const WindowHandle next = FindProgramWindow(desktop_, families_, known_);
        if (next == 0) {
            // With the family ended and its window gone, nothing is left of the launch.
            return !families_.Family().ended;
        }
        if (const Placement placement = PlaceWindow(desktop_, next, x_, y_); placement.corner) {
            Placed(next, *placement.corner, now);
        } else if (placement.refused) {
            known_.placedBefore.insert(next);  // a window that cannot be moved is left alone, and not placed
        }
        return true;
    }
    if (leftAlone_) {
        return true;
    }
    const std::optional<WindowRect> rect = desktop_.WindowRectOf(placed_);
    if (!rect) {
        return true;  // gone: seen at the next look
    }
    // In 64 bits: a rectangle may hold any values.
    const int64_t width = int64_t{rect->right} - rect->left;
    const int64_t height = int64_t{rect->bottom} - rect->top;
    const bool moved = rect->left != corner_.left || rect->top != corner_.top;
    const bool sized = width != corner_.width || height != corner_.height;
    if (!moved && !sized) {
        return true;  // the common case, read with two calls: the watch stays light
    }
    // A drag, a snap by keyboard, minimising and maximising all change the rectangle.
    if (desktop_.InMoveSizeLoop(placed_) || desktop_.IsMinimizedOrMaximized(placed_) || UserActedSinceMove(now)) {
        leftAlone_ = true;
        return true;
    }
    if (!moved) {
        // The program sized its window in place: that is its own business.
        corner_.width = static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
        corner_.height = static_cast<int32_t>(std::clamp<int64_t>(height, INT32_MIN, INT32_MAX));
        return true;
    }
    if (CoversItsMonitor(*rect) || movesBack_ >= kMovesBackAtMost) {
        leftAlone_ = true;
        return true;
    }
    if (const Placement back = MoveWindowBack(desktop_, placed_, x_, y_); back.corner) {
        corner_ = *back.corner;
        Moved(now);
        ++movesBack_;
    } else if (back.refused) {
        leftAlone_ = true;
    }
    return true;
}

// What a hand does is told from ResoLaunch's latest move on.
void WindowWatch::Moved(std::chrono::milliseconds now) {
    movedAt_ = now;
    pointerAtMove_ = desktop_.PointerPosition();
    desktop_.KeyOrButtonPressedSinceAsked();
}

// A snap by keyboard runs no move loop: input just before the move, after
// ResoLaunch's own, stands for the user. Only a hand's input counts: a key or
// button pressed, or the pointer moved, since that move. The input time alone
// is no proof: Wine updates it when a window comes to lie under the resting
// pointer, as a game's own move may bring it.
bool WindowWatch::UserActedSinceMove(std::chrono::milliseconds now) {
    const std::optional<std::chrono::milliseconds> since = desktop_.SinceLastInput();
    if (!since || *since > kUserInputBeforeMove || now - *since <= movedAt_) {
        return false;
    }
    return desktop_.KeyOrButtonPressedSinceAsked() || desktop_.PointerPosition() != pointerAtMove_;
}

// A game gone fullscreen.
bool WindowWatch::CoversItsMonitor(const WindowRect& rect) {
    const std::optional<WindowRect> monitor = desktop_.MonitorRectOf(placed_);
    return monitor && rect.left <= monitor->left && rect.top <= monitor->top && rect.right >= monitor->right &&
           rect.bottom >= monitor->bottom;
}

}  // namespace resolaunch
