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

// UTF-16LE bytes (an even number) as UTF-8 text, and back. A surrogate without
// its pair is kept in its three-byte form, so that any UTF-16 comes back
// unchanged; text that is not UTF-8 goes back as U+FFFD.
std::string TextOfUtf16Le(std::string_view units);
std::string Utf16LeOfText(std::string_view text);

}  // namespace resolaunch
