#include "flows/switch_owner.h"

#include "flows/mode_switch.h"
#include "platform/display_settings.h"

namespace resolaunch {

int32_t SwitchOwner::Switch(const DisplayMode& mode, std::optional<uint32_t> rate) {
    const int32_t result = modes_.ApplyDisplayMode(mode.Width, mode.Height, mode.Bits, 0, rate);
    // A switch that failed or waits for a restart left the screen as it was.
    if (result == kChangeSuccessful) {
        switched_ = mode;
        switchedDevice_ = modes_.SelectedDisplay();
    }
    return result;
}

int32_t SwitchOwner::Restore() {
    switched_.reset();
    return RestoreDisplays(modes_, displays_);
}

bool SwitchOwner::TakeSwitch() {
    if (!switched_ || modes_.CurrentDisplayModeOn(switchedDevice_) != switched_) {
        return false;
    }
    switched_.reset();
    return true;
}

std::optional<int32_t> SwitchOwner::RestoreAtLaunchEnd() {
    if (!restoreAtEnd_ || !TakeSwitch()) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

std::optional<int32_t> SwitchOwner::UndoSwitch() {
    if (!TakeSwitch()) {
        return std::nullopt;
    }
    return RestoreDisplays(modes_, displays_);
}

}  // namespace resolaunch
