#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "modes/display_mode.h"

namespace resolaunch {

// Whether the screen goes back to the default mode when a launch ends. It
// does when the user has asked for it (the system menu's check), ResoLaunch's
// own switch succeeded and nothing has put the screen back since, and the
// screen is still in the mode ResoLaunch switched to.
class RestoreOnEnd {
public:
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    // ResoLaunch has switched `device` ("" the primary) to `mode`, with the
    // platform's `result`: a switch that succeeded owes a restore (again).
    void Switched(const DisplayMode& mode, int32_t result, const std::wstring& device = std::wstring());
    // The display of ResoLaunch's latest switch that worked; "" the primary.
    const std::wstring& SwitchedDevice() const { return switchedDevice_; }
    // The screen was put back by hand: nothing is owed.
    void Restored() { owed_.reset(); }
    bool Owed() const { return owed_.has_value(); }

    // The screen is in `current` (nothing when it cannot be told): true when
    // it is to go back now, which settles what was owed.
    bool TakeRestore(const std::optional<DisplayMode>& current) { return enabled_ && TakeUndo(current); }
    // The same whatever the user asked for: undoing ResoLaunch's own switch
    // when the program it was made for could not start.
    bool TakeUndo(const std::optional<DisplayMode>& current);

private:
    bool enabled_ = false;
    std::optional<DisplayMode> owed_;  // the mode ResoLaunch switched to
    std::wstring switchedDevice_;
};

}  // namespace resolaunch
