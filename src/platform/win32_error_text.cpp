#include "platform/win32_error_text.h"

#include "platform/message_inserts.h"
#include "platform/win32_handles.h"

namespace resolaunch {

std::wstring SystemErrorText(DWORD error, std::wstring_view subject) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owned(buffer);
    std::wstring text = length != 0 && buffer != nullptr
                            ? FillMessageInserts(std::wstring_view(buffer, length), subject)
                            : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"エラー " + std::to_wstring(error);
    }
    return text;
}

}  // namespace resolaunch
