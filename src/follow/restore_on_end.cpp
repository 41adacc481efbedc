#include "follow/restore_on_end.h"

#include "platform/display_settings.h"

namespace resolaunch {

void RestoreOnEnd::Switched(const DisplayMode& mode, int32_t result, const std::wstring& device) {
    // A switch that failed or waits for a restart left the screen as it was.
    if (result == kChangeSuccessful) {
        owed_ = mode;
        switchedDevice_ = device;
    }
}

bool RestoreOnEnd::TakeUndo(const std::optional<DisplayMode>& current) {
    if (!owed_ || current != owed_) {
        return false;
    }
    owed_.reset();
    return true;
}

}  // namespace resolaunch
