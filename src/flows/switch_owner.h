#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "modes/display_mode.h"
#include "modes/module1.h"
#include "platform/displays.h"

namespace resolaunch {

// The one owner of ResoLaunch's switches: every switch and every restore,
// from the window, the command line and a launch's end, goes through it, and
// it alone knows what ResoLaunch switched and whether the screen is to go
// back when a launch ends. It is owed then when the user asked for it (the
// system menu's check, --restore-on-exit), ResoLaunch's own switch succeeded
// and nothing has put the screen back since, and the screen is still in the
// mode ResoLaunch switched to: a change of the user's own wins.
class SwitchOwner {
public:
    SwitchOwner(Module1& modes, Displays& displays) : modes_(modes), displays_(displays) {}

    bool RestoreAtEnd() const { return restoreAtEnd_; }
    void SetRestoreAtEnd(bool restore) { restoreAtEnd_ = restore; }

    // 解像度変更's switch of the selected display: test, then switch for this
    // session only, at `rate` when one is given (else as
    // Module1::ApplyDisplayMode picks it). The platform's result.
    int32_t Switch(const DisplayMode& mode, std::optional<uint32_t> rate = std::nullopt);
    // The one restore (RestoreDisplays); nothing is owed after it.
    int32_t Restore();
    // Nothing is owed any more, and the screen stays as it is: ResoLaunch ends.
    void Drop() { switched_.reset(); }

    // ResoLaunch's own switch is in effect and the user asked for it back at the end.
    bool RestoreOwed() const { return restoreAtEnd_ && switched_.has_value(); }
    // The display of the latest switch that worked; "" the primary.
    const std::wstring& SwitchedDevice() const { return switchedDevice_; }

    // A followed launch has ended: the screen goes back when that is owed.
    // The restore's result when one was made.
    std::optional<int32_t> RestoreAtLaunchEnd();
    // A start failed: the screen goes back now when ResoLaunch's own switch
    // is still in effect, whatever the user asked for at the end.
    std::optional<int32_t> UndoSwitch();

private:
    // True, and nothing owed from then on, when the switched display is still in the mode ResoLaunch set.
    bool TakeSwitch();

    Module1& modes_;
    Displays& displays_;
    bool restoreAtEnd_ = false;
    std::optional<DisplayMode> switched_;  // the mode ResoLaunch's switch set, while it is owed back
    std::wstring switchedDevice_;
};

}  // namespace resolaunch
