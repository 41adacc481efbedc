#pragma once

#include <string>

#include "settings/utf8.h"

namespace resolaunch::testing {

// UTF-8 bytes of a wide string, so that tests can compare texts byte for byte.
inline std::string Utf8(const std::wstring& text) { return EncodeUtf8(text); }

}  // namespace resolaunch::testing
