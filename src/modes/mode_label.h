#pragma once

#include <cstdint>
#include <string>

#include "modes/display_mode.h"

namespace resolaunch {

// The list entry for one mode, e.g. L" 640 ×  480  8Bit  即時更新可":
// width and height right-aligned in 4 characters, depth in 2 (longer numbers
// are written in full), then the status chosen by the mode test's result.
std::wstring ModeLabel(const DisplayMode& mode, int32_t testResult);

// The status piece alone: " 即時更新可", " 再起動必要" or " 未対応".
const wchar_t* ModeStatusText(int32_t testResult);

}  // namespace resolaunch
