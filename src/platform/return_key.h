#pragma once

#include <functional>

namespace resolaunch {

// Ctrl+Alt+Shift+R, held for the whole system by one ResoLaunch process at a
// time: the way back to the default mode for a user who sees nothing.
class ReturnKey {
public:
    virtual ~ReturnKey() = default;

    // From now on `pressed` runs on this thread's message loop when the key is
    // pressed, also while a box or dialog is open, whatever has the focus. The
    // key is taken now, or, while another process holds it, within a second of
    // its release; nothing is said when it cannot be had.
    virtual void Listen(std::function<void()> pressed) = 0;
    // The key is let go.
    virtual void Stop() = 0;
};

}  // namespace resolaunch
