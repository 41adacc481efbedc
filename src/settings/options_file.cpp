#include "settings/options_file.h"

#include <algorithm>
#include <vector>

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

namespace {

struct IniLine {
    std::string_view text;    // without its line end
    std::string_view ending;  // "\r\n", "\n", "\r" or nothing for a last line without one
};

std::vector<IniLine> LinesOf(std::string_view bytes) {
    std::vector<IniLine> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back({bytes, {}});
            break;
        }
        const std::size_t endingLength = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({bytes.substr(0, end), bytes.substr(end, endingLength)});
        bytes.remove_prefix(end + endingLength);
    }
    return lines;
}

// A section's header: its name; nothing for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    return close == std::string_view::npos ? std::string_view() : Trimmed(line.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view name) {
    line = Trimmed(line);
    const std::size_t equals = line.find('=');
    return !line.empty() && line.front() != ';' && equals != std::string_view::npos &&
           SameName(Trimmed(line.substr(0, equals)), name);
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark ? bytes.substr(kUtf8ByteOrderMark.size())
                                                                             : bytes;
}

}  // namespace

std::optional<std::string> ReadOption(std::string_view bytes, std::string_view name) {
    bool inOptions = false;
    for (const IniLine& line : LinesOf(WithoutByteOrderMark(bytes))) {
        if (const std::optional<std::string_view> section = SectionOf(line.text)) {
            inOptions = SameName(*section, "Options");
        } else if (inOptions && IsKeyLine(line.text, name)) {
            const std::string_view text = Trimmed(line.text);
            return std::string(Trimmed(text.substr(text.find('=') + 1)));
        }
    }
    return std::nullopt;
}

std::string WithOption(std::string_view bytes, std::string_view name, std::optional<std::string_view> value) {
    const std::string_view content = WithoutByteOrderMark(bytes);
    const std::string_view byteOrderMark = bytes.substr(0, bytes.size() - content.size());
    std::vector<IniLine> lines = LinesOf(content);
    const std::string setting = value ? std::string(name) + "=" + std::string(*value) : std::string();

    std::optional<std::size_t> header;
    std::optional<std::size_t> key;
    std::size_t sectionEnd = lines.size();  // after the section's last line that is not blank
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const std::optional<std::string_view> section = SectionOf(lines[i].text)) {
            if (header) {
                break;
            }
            if (SameName(*section, "Options")) {
                header = i;
                sectionEnd = i + 1;
            }
        } else if (header) {
            if (!key && IsKeyLine(lines[i].text, name)) {
                key = i;
            }
            if (!Trimmed(lines[i].text).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    const std::string_view newLine = header && !lines[*header].ending.empty() ? lines[*header].ending : "\r\n";
    if (key) {
        if (value) {
            lines[*key].text = setting;
        } else {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*key));
        }
    } else if (value && header) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), IniLine{setting, newLine});
        if (lines[sectionEnd - 1].ending.empty()) {
            lines[sectionEnd - 1].ending = newLine;
        }
    } else if (value) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = newLine;
        }
        lines.push_back({"[Options]", newLine});
        lines.push_back({setting, newLine});
    }
    std::string out(byteOrderMark);
    for (const IniLine& line : lines) {
        out.append(line.text).append(line.ending);
    }
    return out;
}

bool ParseRestoreWhenProgramEnds(std::string_view bytes) {
    return ReadOption(bytes, "RestoreWhenProgramEnds") == "1";
}

std::string FormatOptionsFile(bool restoreWhenProgramEnds) {
    return WithOption("", "RestoreWhenProgramEnds", restoreWhenProgramEnds ? "1" : "0");
}

std::wstring OptionsStore::Path() {
    return PathBeside(files_.ProgramPath(), kOptionsFileName);
}

SavedOptions OptionsStore::Load() {
    const std::wstring path = Path();
    const std::optional<std::string> bytes = path.empty() ? std::nullopt : files_.ReadFile(path, kReadLimit);
    if (!bytes) {
        return {};
    }
    SavedOptions saved;
    saved.restoreWhenProgramEnds = ParseRestoreWhenProgramEnds(*bytes);
    if (const std::optional<std::string> display = ReadOption(*bytes, "Display")) {
        saved.display = DecodeUtf8(*display).value_or(std::wstring());  // text that is not UTF-8 names no display
    }
    return saved;
}

bool OptionsStore::SaveOption(std::string_view name, std::optional<std::string_view> value) {
    const std::wstring path = Path();
    if (path.empty()) {
        return false;
    }
    // What the file holds besides, written by hand or by another version, stays.
    const std::string before = files_.ReadFile(path, kReadLimit).value_or(std::string());
    return ReplaceFile(files_, path, WithOption(before, name, value));
}

bool OptionsStore::SaveRestoreWhenProgramEnds(bool restore) {
    return SaveOption("RestoreWhenProgramEnds", restore ? "1" : "0");
}

bool OptionsStore::SaveDisplay(const std::wstring& interfacePath) {
    if (interfacePath.empty()) {
        return SaveOption("Display", std::nullopt);
    }
    const std::string utf8 = EncodeUtf8(interfacePath);
    return SaveOption("Display", utf8);
}

}  // namespace resolaunch
