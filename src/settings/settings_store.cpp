#include "settings/settings_store.h"

namespace resolaunch {

std::wstring FolderOf(const std::wstring& programPath) {
    const std::size_t slash = programPath.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return std::wstring();
    }
    std::wstring folder = programPath.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';  // the root of a drive keeps its "\"
    }
    return folder;
}

std::wstring SettingsFilePath(const std::wstring& folder) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path + kSettingsFileName;
}

std::wstring SettingsStore::Path() {
    const std::wstring folder = FolderOf(files_.ProgramPath());
    return folder.empty() ? std::wstring() : SettingsFilePath(folder);
}

std::optional<SavedSettings> SettingsStore::Load() {
    const std::wstring path = Path();
    if (path.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> bytes = files_.ReadFile(path, kReadLimit);
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
    const std::string bytes = FormatSettingsFile(settings, codec_);
    const std::wstring temporary = path + L".tmp";
    if (files_.WriteNewFile(temporary, bytes) && files_.MoveReplacing(temporary, path)) {
        return true;
    }
    files_.RemoveFile(temporary);
    return false;
}

}  // namespace resolaunch
