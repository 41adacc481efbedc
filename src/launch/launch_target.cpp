#include "launch/launch_target.h"

#include "base/ignoring_case.h"
#include "base/leading_name.h"
#include "settings/options_file.h"
#include "settings/utf8.h"
#include "text/messages.h"

namespace resolaunch {
namespace {

constexpr std::wstring_view kBlanks = L" \t";

std::wstring_view Trimmed(std::wstring_view text) {
    const std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::wstring_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

std::wstring_view WithoutLeadingBlanks(std::wstring_view text) {
    const std::size_t start = text.find_first_not_of(kBlanks);
    return start == std::wstring_view::npos ? std::wstring_view() : text.substr(start);
}

bool IsExistingFileOf(ExistingFiles& files, std::wstring_view path, std::wstring_view extension) {
    return path.size() > extension.size() && EndsWithIgnoringCase(path, extension) &&
           files.IsExistingFile(std::wstring(path));
}

// An existing .lnk file at the start of the text, named as a program is; the
// rest are its arguments.
std::optional<LaunchTarget> ShellLinkAtStart(std::wstring_view text, ExistingFiles& files) {
    const std::optional<LeadingName> link =
        FindLeadingName(text, [&](std::wstring_view name) { return IsExistingFileOf(files, name, L".lnk"); });
    if (!link) {
        return std::nullopt;
    }
    return LaunchTarget{LaunchTarget::Kind::ShellLink, std::wstring(link->name),
                        std::wstring(WithoutLeadingBlanks(link->rest))};
}

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// Characters no file name may hold, and control characters.
bool IsBadInFileName(wchar_t c) {
    return c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

}  // namespace

bool IsUrl(std::wstring_view text) {
    const std::size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos || colon < 2 || colon + 1 >= text.size() || !IsAsciiLetter(text[0])) {
        return false;
    }
    for (const wchar_t c : text.substr(1, colon - 1)) {
        if (!IsAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' && c != L'.') {
            return false;
        }
    }
    return true;
}

LaunchTarget DecideLaunchTarget(std::wstring_view typed, ExistingFiles& files) {
    const std::wstring_view text = Trimmed(typed);
    if (!text.empty()) {
        if (std::optional<LaunchTarget> link = ShellLinkAtStart(text, files)) {
            return *link;
        }
        const bool quoted = text.size() >= 2 && text.front() == L'"' && text.back() == L'"';
        const std::wstring_view name = quoted ? text.substr(1, text.size() - 2) : text;
        if (IsExistingFileOf(files, name, L".url")) {
            return {LaunchTarget::Kind::InternetShortcut, std::wstring(name), {}};
        }
        if (IsUrl(text)) {
            return {LaunchTarget::Kind::Url, std::wstring(text), {}};
        }
    }
    return {LaunchTarget::Kind::CommandText, std::wstring(typed), {}};
}

std::optional<std::wstring> UrlOfInternetShortcut(std::string_view bytes, AnsiCodec& codec) {
    const std::optional<std::string> url = ReadIniValue(bytes, "InternetShortcut", "URL");
    if (!url || url->empty()) {
        return std::nullopt;
    }
    if (std::optional<std::wstring> text = DecodeUtf8(*url)) {
        return text;
    }
    return codec.Decode(*url);
}

std::optional<std::wstring> UrlRefusal(std::wstring_view url) {
    for (const wchar_t c : url) {
        if (c == L'"' || c < 0x20 || c == 0x7F) {
            return std::wstring(kUrlWithBadCharacterMessage);
        }
    }
    return std::nullopt;
}

std::wstring HandlerCommandLine(std::wstring_view command, std::wstring_view url) {
    std::wstring line;
    line.reserve(command.size() + url.size());
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (command[i] != L'%' || i + 1 >= command.size()) {
            line += command[i];
            continue;
        }
        const wchar_t insert = command[i + 1];
        if (insert == L'1' || insert == L'L' || insert == L'l' || insert == L'V' || insert == L'v') {
            line += url;
        } else if (insert == L'*' || (insert >= L'2' && insert <= L'9')) {
            // nothing: the URL is the only argument
        } else {
            line += command[i];
            line += insert;
        }
        ++i;
    }
    return line;
}

std::wstring UrlShortcutStem(std::wstring_view url) {
    std::wstring_view rest = url.substr(url.find(L':') + 1);
    rest = rest.substr(0, rest.find_first_of(L"?#"));
    while (!rest.empty() && rest.back() == L'/') {
        rest.remove_suffix(1);
    }
    const std::size_t slash = rest.find_last_of(L'/');
    std::wstring stem(slash == std::wstring_view::npos ? rest : rest.substr(slash + 1));
    for (wchar_t& c : stem) {
        if (IsBadInFileName(c)) {
            c = L'_';
        }
    }
    return stem;
}

}  // namespace resolaunch
