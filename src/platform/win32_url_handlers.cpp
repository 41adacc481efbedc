#include "platform/win32_url_handlers.h"

#include <windows.h>
#include <shlwapi.h>

#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

// Not in every SDK's headers: the name is a URL's scheme (Windows 8 on).
constexpr ASSOCF kIsProtocol = static_cast<ASSOCF>(0x00001000);

std::optional<std::wstring> QueryCommand(const std::wstring& scheme, ASSOCF flags, HRESULT& result) {
    static const auto assocQueryString =
        SystemFunction<decltype(&::AssocQueryStringW)>(L"shlwapi.dll", "AssocQueryStringW");
    if (assocQueryString == nullptr) {
        result = E_NOTIMPL;
        return std::nullopt;
    }
    DWORD size = 0;
    result = assocQueryString(flags, ASSOCSTR_COMMAND, scheme.c_str(), L"open", nullptr, &size);
    if (FAILED(result) || size <= 1) {
        return std::nullopt;
    }
    std::wstring command(size, L'\0');
    result = assocQueryString(flags, ASSOCSTR_COMMAND, scheme.c_str(), L"open", command.data(), &size);
    if (FAILED(result)) {
        return std::nullopt;
    }
    command.resize(size > 0 ? size - 1 : 0);  // the count holds the terminating null
    return command.empty() ? std::nullopt : std::optional<std::wstring>(std::move(command));
}

}  // namespace

std::optional<std::wstring> Win32UrlHandlers::CommandOf(const std::wstring& scheme) {
    // Never the "Unknown" type's command (the Open With box) for a scheme nobody registered.
    const ASSOCF flags = ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE;
    HRESULT result = S_OK;
    if (std::optional<std::wstring> command = QueryCommand(scheme, flags | kIsProtocol, result)) {
        return command;
    }
    if (result != E_INVALIDARG) {
        return std::nullopt;
    }
    // A system before Windows 8 refuses the flag; the scheme's key is then found as any type's.
    return QueryCommand(scheme, flags, result);
}

}  // namespace resolaunch
