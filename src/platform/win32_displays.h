#pragma once

#include "platform/displays.h"

namespace resolaunch {

// EnumDisplayDevices for the displays attached to the desktop and their
// monitors' interface paths, GetMonitorInfo for their rectangles, and the
// display configuration's target names for the monitors' own names.
class Win32Displays final : public Displays {
public:
    std::vector<DisplayInfo> AttachedDisplays() override;
};

}  // namespace resolaunch
