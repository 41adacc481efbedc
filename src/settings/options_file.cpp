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

// Where a key lives, as Windows' own profile functions (GetPrivateProfileString,
// WritePrivateProfileString) find it: in the first section of that name,
// compared without regard to case, the first line of that key; a later
// section of the same name is never looked at. The reader and the writer both
// take that line, so that a value written is the value read back.
struct OptionPlace {
    std::optional<std::size_t> header;
    std::optional<std::size_t> key;
    std::size_t sectionEnd = 0;  // after the section's last line that is not blank
};

OptionPlace FindOption(const std::vector<IniLine>& lines, std::string_view sectionName, std::string_view name) {
    OptionPlace place;
    place.sectionEnd = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const std::optional<std::string_view> section = SectionOf(lines[i].text)) {
            if (place.header) {
                break;
            }
            if (SameName(*section, sectionName)) {
                place.header = i;
                place.sectionEnd = i + 1;
            }
        } else if (place.header) {
            if (!place.key && IsKeyLine(lines[i].text, name)) {
                place.key = i;
            }
            if (!Trimmed(lines[i].text).empty()) {
                place.sectionEnd = i + 1;
            }
        }
    }
    return place;
}

constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";

// The file's text in UTF-8 and what writes it back in the file's own
// encoding: UTF-8 or ASCII, with or without the mark, or UTF-16LE with it.
struct IniText {
    std::string_view byteOrderMark;
    bool utf16 = false;
    std::string text;
    std::string_view oddByte;  // a UTF-16 file's last byte when its length is odd; kept last

    std::string Bytes(std::string_view newText) const {
        std::string out(byteOrderMark);
        out += utf16 ? Utf16LeOfText(newText) : std::string(newText);
        out += oddByte;
        return out;
    }
};

IniText TextOf(std::string_view bytes) {
    IniText ini;
    if (bytes.substr(0, kUtf16LeByteOrderMark.size()) == kUtf16LeByteOrderMark) {
        ini.byteOrderMark = bytes.substr(0, kUtf16LeByteOrderMark.size());
        ini.utf16 = true;
        std::string_view units = bytes.substr(kUtf16LeByteOrderMark.size());
        if (units.size() % 2 != 0) {
            ini.oddByte = units.substr(units.size() - 1);
            units.remove_suffix(1);
        }
        ini.text = TextOfUtf16Le(units);
    } else {
        if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
            ini.byteOrderMark = bytes.substr(0, kUtf8ByteOrderMark.size());
        }
        ini.text = std::string(bytes.substr(ini.byteOrderMark.size()));
    }
    return ini;
}

}  // namespace

std::optional<std::string> ReadIniValue(std::string_view bytes, std::string_view section, std::string_view name) {
    const IniText ini = TextOf(bytes);
    const std::vector<IniLine> lines = LinesOf(ini.text);
    const OptionPlace place = FindOption(lines, section, name);
    if (!place.key) {
        return std::nullopt;
    }
    const std::string_view text = Trimmed(lines[*place.key].text);
    return std::string(Trimmed(text.substr(text.find('=') + 1)));
}

std::optional<std::string> ReadOption(std::string_view bytes, std::string_view name) {
    return ReadIniValue(bytes, "Options", name);
}

std::string WithOption(std::string_view bytes, std::string_view name, std::optional<std::string_view> value) {
    const IniText ini = TextOf(bytes);
    std::vector<IniLine> lines = LinesOf(ini.text);
    const std::string setting = value ? std::string(name) + "=" + std::string(*value) : std::string();
    const OptionPlace place = FindOption(lines, "Options", name);
    const std::string_view newLine =
        place.header && !lines[*place.header].ending.empty() ? lines[*place.header].ending : "\r\n";
    if (place.key) {
        if (value) {
            lines[*place.key].text = setting;
        } else {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*place.key));
        }
    } else if (value && place.header) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.sectionEnd), IniLine{setting, newLine});
        if (lines[place.sectionEnd - 1].ending.empty()) {
            lines[place.sectionEnd - 1].ending = newLine;
        }
    } else if (value) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = newLine;
        }
        lines.push_back({"[Options]", newLine});
        lines.push_back({setting, newLine});
    } else {
        return std::string(bytes);
    }
    std::string text;
    for (const IniLine& line : lines) {
        text.append(line.text).append(line.ending);
    }
    return ini.Bytes(text);
}

std::string_view WholeLinesWithin(std::string_view bytes, std::size_t limit) {
    if (bytes.size() <= limit) {
        return bytes;
    }
    const bool utf16 = bytes.substr(0, kUtf16LeByteOrderMark.size()) == kUtf16LeByteOrderMark;
    std::size_t end = limit - (utf16 ? limit % 2 : 0);
    const auto isLineEnd = [&](std::size_t at) {  // the unit that ends before `at`
        if (!utf16) {
            return bytes[at - 1] == '\r' || bytes[at - 1] == '\n';
        }
        return (bytes[at - 2] == '\r' || bytes[at - 2] == '\n') && bytes[at - 1] == '\0';
    };
    const std::size_t unit = utf16 ? 2 : 1;
    const std::size_t start = utf16 ? kUtf16LeByteOrderMark.size() : 0;
    while (end > start && !isLineEnd(end)) {
        end -= unit;
    }
    return bytes.substr(0, end);
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
    if (path.empty()) {
        return {};
    }
    const FileRead read = files_.ReadFile(path, kReadLimit + 1);
    if (read.outcome != FileRead::Outcome::Read) {
        return {};
    }
    const std::string_view bytes = WholeLinesWithin(read.bytes, kReadLimit);
    SavedOptions saved;
    saved.restoreWhenProgramEnds = ParseRestoreWhenProgramEnds(bytes);
    if (const std::optional<std::string> display = ReadOption(bytes, "Display")) {
        saved.display = DecodeUtf8(*display).value_or(std::wstring());  // text that is not UTF-8 names no display
    }
    return saved;
}

bool OptionsStore::SaveOption(std::string_view name, std::optional<std::string_view> value) {
    const std::wstring path = Path();
    if (path.empty()) {
        return false;
    }
    // What the file holds besides, written by hand or by another version,
    // stays. A file that cannot be read whole is left as it is, byte for byte:
    // the choice then holds for this run only.
    const FileRead before = files_.ReadFile(path, kReadLimit + 1);
    if (before.outcome == FileRead::Outcome::Failed || before.bytes.size() > kReadLimit) {
        return false;
    }
    return ReplaceFile(files_, path, WithOption(before.bytes, name, value));
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
