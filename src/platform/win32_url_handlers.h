#pragma once

#include "platform/url_handlers.h"

namespace resolaunch {

// The system's associations (AssocQueryStringW, loaded on first use).
class Win32UrlHandlers final : public UrlHandlers {
public:
    std::optional<std::wstring> CommandOf(const std::wstring& scheme) override;
};

}  // namespace resolaunch
