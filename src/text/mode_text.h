#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "modes/display_mode.h"

namespace resolaunch {

// A mode as a command line names it: WIDTHxHEIGHT[xBITS][@HZ].
struct ModeArgument {
    int32_t width = 0;
    int32_t height = 0;
    std::optional<int32_t> bits;
    std::wstring text;  // the value as typed, for messages
    std::optional<uint32_t> rate;

    friend bool operator==(const ModeArgument&, const ModeArgument&) = default;
};

// "800x600" or "800x600x16" ("X" too), either followed by "@144" for a
// refresh rate; each number as the X and Y boxes take it, the rate above 0.
// Nothing for any other text.
std::optional<ModeArgument> ParseModeText(std::wstring_view text);

// The text that names `mode` in full: "800x600x32".
std::wstring ModeText(const DisplayMode& mode);

}  // namespace resolaunch
