#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace resolaunch {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// UTF-8 of a wide string (UTF-16 on Windows, UTF-32 elsewhere). A lone
// surrogate, which no text should hold, becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// Nothing when the bytes are not well-formed UTF-8.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);

}  // namespace resolaunch
