#pragma once

#include <vector>

#include "platform/displays.h"

namespace resolaunch::testing {

// Windows lists the adapters' outputs attached to the desktop with
// EnumDisplayDevices, the primary first as a rule but not always; monitors
// left of or above the primary have negative coordinates.
class FakeDisplays : public Displays {
public:
    std::vector<DisplayInfo> AttachedDisplays() override { return attached; }

    // A primary at (0, 0), a second one to its left and a third below it.
    static std::vector<DisplayInfo> ThreeDisplays() {
        return {
            {L"\\\\.\\DISPLAY1", L"\\\\?\\DISPLAY#DEL40F4#5&1a2b&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}",
             L"DELL U2720Q", {0, 0, 2560, 1440}, true},
            {L"\\\\.\\DISPLAY2", L"\\\\?\\DISPLAY#GSM5B7F#5&1a2b&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}",
             L"", {-1920, 0, 0, 1080}, false},
            {L"\\\\.\\DISPLAY3", L"\\\\?\\DISPLAY#AUS27A1#5&1a2b&0&UID4354#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}",
             L"ASUS VG27A", {0, 1440, 1920, 2520}, false},
        };
    }

    std::vector<DisplayInfo> attached;
};

}  // namespace resolaunch::testing
