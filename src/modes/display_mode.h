#pragma once

#include <cstdint>

namespace resolaunch {

// One display mode as the program keeps it: the refresh rate is dropped, so
// modes that differ only in refresh rate are equal.
struct DisplayMode {
    int16_t Bits = 0;
    int32_t Width = 0;
    int32_t Height = 0;

    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
    friend auto operator<=>(const DisplayMode&, const DisplayMode&) = default;
};

}  // namespace resolaunch
