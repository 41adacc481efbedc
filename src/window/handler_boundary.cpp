#include "window/handler_boundary.h"

namespace resolaunch {

std::wstring UnexpectedFailureMessage(const char* detail) {
    std::wstring text = L"予期しないエラーが発生しました。(ToT)";
    if (detail != nullptr && *detail != '\0') {
        text += L"\n\n";
        // what() has no declared encoding: keep printable ASCII, mark the rest.
        for (const char* p = detail; *p != '\0'; ++p) {
            const auto byte = static_cast<unsigned char>(*p);
            text += (byte >= 0x20 && byte < 0x7F) || byte == '\n' ? static_cast<wchar_t>(byte) : L'?';
        }
    }
    return text;
}

void ReportUnexpectedFailure(UserMessages& messages, const char* detail) noexcept {
    try {
        messages.ShowMessage(UnexpectedFailureMessage(detail));
    } catch (...) {
        // Nothing more can be shown; the program goes on.
    }
}

}  // namespace resolaunch
