#include "settings/options_file.h"

#include <algorithm>

#include "platform/file_path.h"
#include "settings/file_replace.h"
#include "settings/utf8.h"

namespace resolaunch {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

}  // namespace

bool ParseRestoreWhenProgramEnds(std::string_view bytes) {
    if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        bytes.remove_prefix(kUtf8ByteOrderMark.size());
    }
    bool inOptions = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        const std::string_view line = Trimmed(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inOptions = close != std::string_view::npos && SameName(Trimmed(line.substr(1, close - 1)), "Options");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inOptions && equals != std::string_view::npos &&
            SameName(Trimmed(line.substr(0, equals)), "RestoreWhenProgramEnds")) {
            return Trimmed(line.substr(equals + 1)) == "1";  // the first one counts
        }
    }
    return false;
}

std::string FormatOptionsFile(bool restoreWhenProgramEnds) {
    return std::string("[Options]\r\nRestoreWhenProgramEnds=") + (restoreWhenProgramEnds ? "1" : "0") + "\r\n";
}

std::wstring OptionsStore::Path() {
    return PathBeside(files_.ProgramPath(), kOptionsFileName);
}

bool OptionsStore::LoadRestoreWhenProgramEnds() {
    const std::wstring path = Path();
    if (path.empty()) {
        return false;
    }
    const std::optional<std::string> bytes = files_.ReadFile(path, kReadLimit);
    return bytes && ParseRestoreWhenProgramEnds(*bytes);
}

bool OptionsStore::SaveRestoreWhenProgramEnds(bool restore) {
    const std::wstring path = Path();
    return !path.empty() && ReplaceFile(files_, path, FormatOptionsFile(restore));
}

}  // namespace resolaunch
