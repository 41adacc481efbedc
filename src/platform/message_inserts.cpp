#include "platform/message_inserts.h"

namespace resolaunch {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring FillMessageInserts(std::wstring_view message, std::wstring_view first) {
    std::wstring filled;
    filled.reserve(message.size() + first.size());
    std::size_t i = 0;
    while (i < message.size()) {
        if (message[i] != L'%' || i + 1 >= message.size()) {
            filled += message[i++];
            continue;
        }
        if (message[i + 1] == L'%' || message[i + 1] == L'0' || !IsDigit(message[i + 1])) {
            filled.append(message.substr(i, 2));  // an escape, not an insert
            i += 2;
            continue;
        }
        // %1 ... %99, with an optional printf format between "!"s.
        std::size_t end = i + 2;
        if (end < message.size() && IsDigit(message[end])) {
            ++end;
        }
        const bool isFirst = end == i + 2 && message[i + 1] == L'1';
        if (end < message.size() && message[end] == L'!') {
            const std::size_t close = message.find(L'!', end + 1);
            end = close == std::wstring_view::npos ? message.size() : close + 1;
        }
        if (isFirst) {
            filled += first;
        }
        i = end;
    }
    return filled;
}

}  // namespace resolaunch
