#pragma once

#include <optional>
#include <string>

#include "platform/ansi_codec.h"
#include "platform/file_path.h"
#include "platform/file_system.h"
#include "settings/settings_format.h"

namespace resolaunch {

inline constexpr const wchar_t* kSettingsFileName = L"path.txt";

// path.txt beside the program: read whole, written atomically.
class SettingsStore {
public:
    // The first bytes are enough for any settings line a person would keep;
    // a larger file is read only this far.
    static constexpr std::size_t kReadLimit = 1 << 20;

    SettingsStore(FileSystem& files, AnsiCodec& codec) : files_(files), codec_(codec) {}

    // Nothing when the file is missing, unreadable or not in the format.
    std::optional<SavedSettings> Load();

    // Replaces the whole file in one step (ReplaceFile): a save that fails at
    // any point leaves the previous file as it was. False on failure.
    bool Save(const SavedSettings& settings);

private:
    // Empty when the program's own folder is unknown.
    std::wstring Path();

    FileSystem& files_;
    AnsiCodec& codec_;
};

}  // namespace resolaunch
