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
// The file may be UTF-8 or ASCII, with or without the byte-order mark, or
// UTF-16LE with its mark (Notepad's "Unicode"); values are read in UTF-8, and
// a write keeps the file's encoding.
bool ParseRestoreWhenProgramEnds(std::string_view bytes);
std::string FormatOptionsFile(bool restoreWhenProgramEnds);

// The value of `name` in the first section of that name, trimmed; nothing
// when the section holds no such line. Of any ini file: a .url file's too.
std::optional<std::string> ReadIniValue(std::string_view bytes, std::string_view section, std::string_view name);
// The same in the [Options] section.
std::optional<std::string> ReadOption(std::string_view bytes, std::string_view name);
// The file with `name` in [Options] set to `value` (its first line replaced,
// else one added to the section, else the section added), or its first line
// removed when `value` is nothing. Every other line is kept as it was.
std::string WithOption(std::string_view bytes, std::string_view name, std::optional<std::string_view> value);

// The file's first `limit` bytes up to the end of the last line that ends in
// them, when it is longer: no key is read from a line the limit cuts.
std::string_view WholeLinesWithin(std::string_view bytes, std::size_t limit);

// What ResoLaunch.ini holds for the window.
struct SavedOptions {
    bool restoreWhenProgramEnds = false;
    std::wstring display;  // the chosen display's monitor interface path; empty: the primary
};

class OptionsStore {
public:
    // A larger file is read this far and never rewritten.
    static constexpr std::size_t kReadLimit = 1 << 20;

    explicit OptionsStore(FileSystem& files) : files_(files) {}

    // Both choices in one read; the defaults when the file is missing,
    // unreadable or garbled.
    SavedOptions Load();
    // False when the file is missing, unreadable or garbled.
    bool LoadRestoreWhenProgramEnds() { return Load().restoreWhenProgramEnds; }
    // Replaces the file in one step, keeping every other line it holds;
    // false on failure, and when the file exists but cannot be read or is
    // over the limit: it is then left as it was.
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
