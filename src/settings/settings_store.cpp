#include "settings/settings_store.h"

#include "settings/file_replace.h"

namespace resolaunch {

std::wstring SettingsStore::Path() {
    return PathBeside(files_.ProgramPath(), kSettingsFileName);
}

std::optional<SavedSettings> SettingsStore::Load() {
    const std::wstring path = Path();
    if (path.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> bytes = files_.ReadFile(path, kReadLimit).Bytes();
    if (!bytes) {
        return std::nullopt;
    }
    return ParseSettingsFile(*bytes, codec_);
}

bool SettingsStore::Save(const SavedSettings& settings) {
    const std::wstring path = Path();
    if (path.empty()) {
        return false;
    }
    return ReplaceFile(files_, path, FormatSettingsFile(settings, codec_));
}

}  // namespace resolaunch
