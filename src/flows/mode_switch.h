#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "modes/module1.h"
#include "platform/displays.h"

namespace resolaunch {

// Loads the display's mode table and labels each mode with its test's
// answer: one entry per mode, in table order, as List1 and --list show them.
std::vector<std::wstring> ListDisplayModes(Module1& modes);

// The one restore (SwitchOwner's), of 変更前の解像度に戻す, 解像度を戻す＞終了,
// --restore, the undo of a failed start and the end of a launch: the platform's restore of
// every display, then one of each attached display that is still not in its
// stored size and depth (a driver may leave a display as it is). The first
// failed call's result, else kChangeSuccessful.
int32_t RestoreDisplays(Module1& modes, Displays& displays);

// What the user is told of a switch's result; nothing when it worked.
std::optional<std::wstring> SwitchReport(int32_t result);

}  // namespace resolaunch
