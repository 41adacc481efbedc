#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace resolaunch {

// What the system says of an error code, in the user's language, without the
// trailing line end; "エラー N" when it says nothing. Each "%1" in it names
// `subject` (the file the error is about).
std::wstring SystemErrorText(DWORD error, std::wstring_view subject = {});

}  // namespace resolaunch
