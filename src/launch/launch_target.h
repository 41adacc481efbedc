#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"
#include "platform/existing_files.h"

namespace resolaunch {

// What 実行ファイル名, or the command line's PROGRAM, names.
struct LaunchTarget {
    enum class Kind {
        ShellLink,          // an existing .lnk file: `path`, then `arguments` typed after it
        InternetShortcut,   // an existing .url file: `path`
        Url,                // `path` is the URL, as typed
        CommandText,        // an existing file or a command line, as typed in `path`
    };
    Kind kind = Kind::CommandText;
    std::wstring path;
    std::wstring arguments;

    friend bool operator==(const LaunchTarget&, const LaunchTarget&) = default;
};

// Decides, in this order: an existing .lnk file, named by its path, quoted or
// not, arguments may follow; an existing .url file, named by its path alone;
// a URL ("SCHEME:" and more, SCHEME two or more letters, digits, "+", "-" or
// ".", beginning with a letter, so that "C:\..." never is one); else the
// text as it stands, a file or a command line.
LaunchTarget DecideLaunchTarget(std::wstring_view typed, ExistingFiles& files);

// The URL a .url file holds: URL= of its [InternetShortcut] section, in
// UTF-8 or UTF-16 when it reads as such, else in the ANSI code page; nothing
// when the file holds no URL.
std::optional<std::wstring> UrlOfInternetShortcut(std::string_view bytes, AnsiCodec& codec);

// Whether the text begins with a URL's scheme and holds more after it.
bool IsUrl(std::wstring_view text);

// Why a URL is not started: it holds a `"` or a control character, which
// could end the handler's argument early; nothing for a URL that may start.
std::optional<std::wstring> UrlRefusal(std::wstring_view url);

// The handler's command of a URL scheme, as the system's association gives
// it, with the URL in place of %1, %L and %V, and nothing in place of %* and
// %2 to %9; "%%" stays as it is.
std::wstring HandlerCommandLine(std::wstring_view command, std::wstring_view url);

// What a shortcut of a URL is named after: its last path segment (without a
// query or fragment), characters a file name cannot hold made "_":
// "70" for "steam://rungameid/70". The text after the scheme when the URL has
// no path.
std::wstring UrlShortcutStem(std::wstring_view url);

}  // namespace resolaunch
