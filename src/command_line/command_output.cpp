#include "command_line/command_output.h"

namespace resolaunch {
namespace {

// Lines end with CR LF in files and consoles; a text that does not end with
// a line end gets one.
std::wstring AsLines(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
            lines += L'\r';
        }
        lines += text[i];
    }
    if (lines.empty() || lines.back() != L'\n') {
        lines += L"\r\n";
    }
    return lines;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

void CommandOutput::Write(StdStream stream, const std::wstring& text, MessageKind kind) {
    if (streams_.TargetOf(stream) == StreamTarget::FileOrPipe) {
        streams_.WriteBytes(stream, Encoded(AsLines(text)));
    } else if (streams_.AttachParentConsole()) {
        streams_.WriteToConsole(stream, AsLines(text));
    } else {
        streams_.ShowMessageBox(text, kind);
    }
}

std::string CommandOutput::Encoded(const std::wstring& text) {
    if (std::optional<std::string> bytes = codec_.Encode(text)) {
        return *std::move(bytes);
    }
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t length =
            sizeof(wchar_t) == 2 && IsHighSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
        const std::optional<std::string> character = codec_.Encode(std::wstring_view(text).substr(i, length));
        bytes += character ? *character : std::string("?");
        i += length - 1;
    }
    return bytes;
}

}  // namespace resolaunch
