#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace resolaunch {

// A position typed into Text2 or Text3: an optionally signed whole decimal
// number in the 32-bit signed range, with blanks around it allowed. Digits
// and signs typed in full width (as a Japanese input method may leave them)
// count as their ASCII forms. Anything else, such as "1.5", "" or "1,000",
// is no number.
std::optional<int32_t> ParseScreenCoordinate(std::wstring_view text);

}  // namespace resolaunch
