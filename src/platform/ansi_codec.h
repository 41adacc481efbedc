#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace resolaunch {

// The platform's ANSI code page (932 on a Japanese system).
class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;

    // The text in the code page, or nothing when a character has no exact
    // counterpart there (no "?" and no look-alike in its place).
    virtual std::optional<std::string> Encode(std::wstring_view text) = 0;

    virtual std::wstring Decode(std::string_view bytes) = 0;
};

}  // namespace resolaunch
