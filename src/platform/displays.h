#pragma once

#include <string>
#include <vector>

#include "platform/desktop.h"

namespace resolaunch {

// One display attached to the desktop.
struct DisplayInfo {
    std::wstring deviceName;     // "\\.\DISPLAY2"
    std::wstring interfacePath;  // the monitor's device interface path; empty when the system gives none
    std::wstring friendlyName;   // the monitor's own name; empty when it has none
    WindowRect rect;             // the monitor's place and size on the desktop
    bool primary = false;

    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;
};

// The displays attached to the desktop now.
class Displays {
public:
    virtual ~Displays() = default;
    // In the system's order (EnumDisplayDevices), at most kMaxDisplays.
    virtual std::vector<DisplayInfo> AttachedDisplays() = 0;
};

inline constexpr std::size_t kMaxDisplays = 16;

}  // namespace resolaunch
