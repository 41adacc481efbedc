#pragma once

#include <optional>
#include <string>

namespace resolaunch {

// The programs the system opens URLs with.
class UrlHandlers {
public:
    virtual ~UrlHandlers() = default;

    // The command line the system runs to open a URL of `scheme` (verb open),
    // with its inserts ("%1"...) as registered; nothing when the scheme's
    // handler has none (not registered, a COM handler, a store app's).
    virtual std::optional<std::wstring> CommandOf(const std::wstring& scheme) = 0;
};

}  // namespace resolaunch
