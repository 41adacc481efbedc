#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "follow/restore_on_end.h"
#include "modes/module1.h"
#include "platform/displays.h"

namespace resolaunch {

// Loads the display's mode table and labels each mode with its test's
// answer: one entry per mode, in table order, as List1 and --list show them.
std::vector<std::wstring> ListDisplayModes(Module1& modes);

// 解像度変更's switch, for the window and the command line alike: test, then
// switch for this session only, at `rate` when one is given (else as
// Module1::ApplyDisplayMode picks it). A switch that worked owes a restore.
int32_t SwitchToMode(Module1& modes, RestoreOnEnd& restoreOnEnd, const DisplayMode& mode,
                     std::optional<uint32_t> rate = std::nullopt);

// The one restore, of 変更前の解像度に戻す, 解像度を戻す＞終了, --restore, the
// undo of a failed start and the end of a launch: the platform's restore of
// every display, then one of each attached display that is still not in its
// stored size and depth (a driver may leave a display as it is). The first
// failed call's result, else kChangeSuccessful.
int32_t RestoreDisplays(Module1& modes, Displays& displays);

// What the user is told of a switch's result; nothing when it worked.
std::optional<std::wstring> SwitchReport(int32_t result);

}  // namespace resolaunch
