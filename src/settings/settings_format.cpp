#include "settings/settings_format.h"

#include "settings/utf8.h"

namespace resolaunch {
namespace {

void AppendQuoted(std::wstring& line, std::wstring_view value) {
    line += L'"';
    for (wchar_t c : value) {
        if (c == L'"') {
            line += L'"';
        }
        line += c;
    }
    line += L'"';
}

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

// Reads comma-separated fields by the file's rules: a field that begins with
// a double quote ends at the next lone double quote ("" inside it stands for
// one quote); any other field runs up to the next comma or line end, without
// the blanks before it. A line end ends a field like a comma.
class FieldReader {
public:
    explicit FieldReader(std::wstring_view text) : text_(text) {}

    // The next field; nothing when the text has ended before it.
    std::optional<std::wstring> Next() {
        while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t')) {
            ++pos_;
        }
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        std::wstring value;
        if (text_[pos_] == L'"') {
            ++pos_;
            while (pos_ < text_.size()) {
                const wchar_t c = text_[pos_++];
                if (c != L'"') {
                    value += c;
                } else if (pos_ < text_.size() && text_[pos_] == L'"') {
                    value += L'"';
                    ++pos_;
                } else {
                    break;
                }
            }
            // Anything between the closing quote and the delimiter is dropped.
            while (pos_ < text_.size() && text_[pos_] != L',' && !IsLineEnd(text_[pos_])) {
                ++pos_;
            }
        } else {
            while (pos_ < text_.size() && text_[pos_] != L',' && !IsLineEnd(text_[pos_])) {
                value += text_[pos_++];
            }
        }
        SkipDelimiter();
        return value;
    }

private:
    void SkipDelimiter() {
        if (pos_ >= text_.size()) {
            return;
        }
        if (text_[pos_] == L',') {
            ++pos_;
        } else if (text_[pos_] == L'\r') {
            ++pos_;
            if (pos_ < text_.size() && text_[pos_] == L'\n') {
                ++pos_;
            }
        } else if (text_[pos_] == L'\n') {
            ++pos_;
        }
    }

    std::wstring_view text_;
    std::size_t pos_ = 0;
};

// The list index: an optional sign and decimal digits; no digits read as 0;
// a value outside -32768..32767 fails.
std::optional<int16_t> ParseIndex(std::wstring_view field) {
    std::size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == L'-' || field[i] == L'+')) {
        negative = field[i] == L'-';
        ++i;
    }
    int32_t magnitude = 0;
    for (; i < field.size() && field[i] >= L'0' && field[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (field[i] - L'0');
        if (magnitude > 32768) {
            return std::nullopt;
        }
    }
    const int32_t value = negative ? -magnitude : magnitude;
    if (value > 32767) {
        return std::nullopt;
    }
    return static_cast<int16_t>(value);
}

}  // namespace

std::string FormatSettingsFile(const SavedSettings& settings, AnsiCodec& codec) {
    std::wstring line;
    AppendQuoted(line, settings.executable);
    line += L',';
    AppendQuoted(line, settings.x);
    line += L',';
    AppendQuoted(line, settings.y);
    line += L',';
    line += std::to_wstring(settings.listIndex);
    line += L"\r\n";

    if (std::optional<std::string> ansi = codec.Encode(line)) {
        return *std::move(ansi);
    }
    return std::string(kUtf8ByteOrderMark) + EncodeUtf8(line);
}

std::optional<SavedSettings> ParseSettingsFile(std::string_view bytes, AnsiCodec& codec) {
    std::wstring text;
    if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        std::optional<std::wstring> decoded = DecodeUtf8(bytes.substr(kUtf8ByteOrderMark.size()));
        if (!decoded) {
            return std::nullopt;
        }
        text = *std::move(decoded);
    } else {
        text = codec.Decode(bytes);
    }

    FieldReader reader(text);
    std::optional<std::wstring> executable = reader.Next();
    std::optional<std::wstring> x = reader.Next();
    std::optional<std::wstring> y = reader.Next();
    std::optional<std::wstring> index = reader.Next();
    if (!executable || !x || !y || !index) {
        return std::nullopt;
    }
    std::optional<int16_t> listIndex = ParseIndex(*index);
    if (!listIndex) {
        return std::nullopt;
    }
    return SavedSettings{*std::move(executable), *std::move(x), *std::move(y), *listIndex};
}

}  // namespace resolaunch
