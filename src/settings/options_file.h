#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace resolaunch {

inline constexpr const wchar_t* kOptionsFileName = L"ResoLaunch.ini";

// ResoLaunch.ini beside the program holds the choices made in the window's
// system menu:
//   [Options]
//   RestoreWhenProgramEnds=1
// Names are matched without regard to case, blanks around names and values
// are ignored, and only the value 1 means yes.
bool ParseRestoreWhenProgramEnds(std::string_view bytes);
std::string FormatOptionsFile(bool restoreWhenProgramEnds);

class OptionsStore {
public:
    static constexpr std::size_t kReadLimit = 64 * 1024;

    explicit OptionsStore(FileSystem& files) : files_(files) {}

    // False when the file is missing, unreadable or garbled.
    bool LoadRestoreWhenProgramEnds();
    // Replaces the file in one step; false on failure.
    bool SaveRestoreWhenProgramEnds(bool restore);

private:
    std::wstring Path();

    FileSystem& files_;
};

}  // namespace resolaunch
