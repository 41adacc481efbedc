#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace resolaunch {

// Writes the whole file beside the old one ("<path>.tmp"), then puts it in
// its place in one step: a write that fails at any point leaves the previous
// file as it was. False on failure.
bool ReplaceFile(FileSystem& files, const std::wstring& path, std::string_view bytes);

}  // namespace resolaunch
