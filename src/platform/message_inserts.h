#pragma once

#include <string>
#include <string_view>

namespace resolaunch {

// A system message as it is fetched without its inserts filled ("%1",
// "%2!s!"): each %1 becomes `first`, and any other insert is dropped, so that
// none shows unfilled. "%%" and the other escapes stay as they are.
std::wstring FillMessageInserts(std::wstring_view message, std::wstring_view first);

}  // namespace resolaunch
