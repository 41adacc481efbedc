#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"

namespace resolaunch {

// The four values kept between runs.
struct SavedSettings {
    std::wstring executable;  // Text1
    std::wstring x;           // Text2
    std::wstring y;           // Text3
    int16_t listIndex = -1;   // selected entry of List1, -1 for none

    friend bool operator==(const SavedSettings&, const SavedSettings&) = default;
};

// One line: three quoted texts and the list index, then CR LF, e.g.
//   "C:\Tools\Sample\sample.exe","100","0",3
// A double quote inside a text is written twice. The line is in the ANSI
// code page; only when a text holds a character the code page lacks is it
// written as UTF-8 after a byte-order mark instead, so nothing is lost.
std::string FormatSettingsFile(const SavedSettings& settings, AnsiCodec& codec);

// Reads the four fields from the start of a settings file. Nothing when the
// file ends before the fourth field, the index is outside the 16-bit range,
// or a UTF-8 file is not well-formed. Whatever follows the fourth field is
// ignored.
std::optional<SavedSettings> ParseSettingsFile(std::string_view bytes, AnsiCodec& codec);

}  // namespace resolaunch
