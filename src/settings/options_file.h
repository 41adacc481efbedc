#pragma once

#include <optional>
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
// are ignored, the first of a name counts, and only the value 1 means yes.
bool ParseRestoreWhenProgramEnds(std::string_view bytes);
std::string FormatOptionsFile(bool restoreWhenProgramEnds);

// The value of `name` in the [Options] section, trimmed; nothing when the
// section holds no such line.
std::optional<std::string> ReadOption(std::string_view bytes, std::string_view name);
// The file with `name` in [Options] set to `value` (its first line replaced,
// else one added to the section, else the section added), or its first line
// removed when `value` is nothing. Every other line is kept as it was.
std::string WithOption(std::string_view bytes, std::string_view name, std::optional<std::string_view> value);

// What ResoLaunch.ini holds for the window.
struct SavedOptions {
    bool restoreWhenProgramEnds = false;
    std::wstring display;  // the chosen display's monitor interface path; empty: the primary
};

class OptionsStore {
public:
    static constexpr std::size_t kReadLimit = 64 * 1024;

    explicit OptionsStore(FileSystem& files) : files_(files) {}

    // Both choices in one read; the defaults when the file is missing,
    // unreadable or garbled.
    SavedOptions Load();
    // False when the file is missing, unreadable or garbled.
    bool LoadRestoreWhenProgramEnds() { return Load().restoreWhenProgramEnds; }
    // Replaces the file in one step, keeping every other line it holds;
    // false on failure.
    bool SaveRestoreWhenProgramEnds(bool restore);

    // [Options] Display=: the chosen display's monitor interface path; empty
    // when there is none (the primary), the file is missing or unreadable.
    std::wstring LoadDisplay() { return Load().display; }
    // Writes the key, or removes it for an empty path (the primary).
    bool SaveDisplay(const std::wstring& interfacePath);

private:
    std::wstring Path();
    bool SaveOption(std::string_view name, std::optional<std::string_view> value);

    FileSystem& files_;
};

}  // namespace resolaunch
