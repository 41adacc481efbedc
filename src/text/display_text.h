#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "platform/displays.h"

namespace resolaunch {

// The number in a display's device name: 2 for "\\.\DISPLAY2"; 0 for none.
int DisplayNumber(const std::wstring& deviceName);

// The display's item in the system menu: "2: DELL U2720Q (2560 × 1440)",
// "ディスプレイ" for a monitor without a name, " - メイン" after the primary.
std::wstring DisplayMenuCaption(const DisplayInfo& display);

// The attached display a command line's --display= names: its number as the
// menu shows it, its device name or its monitor's device interface path
// (either without regard to case). Nothing when none is attached.
std::optional<DisplayInfo> FindDisplay(const std::vector<DisplayInfo>& displays, const std::wstring& value);

// The top-left corner of the display with that device name now: where X/Y
// count from. (0, 0) when it is not attached.
std::pair<int32_t, int32_t> DisplayOrigin(Displays& displays, const std::wstring& deviceName);

// The display kept in ResoLaunch.ini, by its interface path: nothing (the
// primary) when it is not attached now, or is the primary.
std::optional<DisplayInfo> ChosenDisplay(const std::vector<DisplayInfo>& displays, const std::wstring& interfacePath);

}  // namespace resolaunch
