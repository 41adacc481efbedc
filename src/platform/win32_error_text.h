#pragma once

#include <windows.h>

#include <string>

namespace resolaunch {

// What the system says of an error code, in the user's language, without the
// trailing line end; "エラー N" when it says nothing.
std::wstring SystemErrorText(DWORD error);

}  // namespace resolaunch
