#include "text/screen_coordinate.h"

namespace resolaunch {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\u3000'; }

// Full-width digits and signs as their ASCII forms.
wchar_t Narrow(wchar_t c) {
    if (c >= L'\uFF10' && c <= L'\uFF19') {
        return static_cast<wchar_t>(L'0' + (c - L'\uFF10'));
    }
    if (c == L'\uFF0B') {
        return L'+';
    }
    if (c == L'\uFF0D' || c == L'\u2212') {
        return L'-';
    }
    return c;
}

}  // namespace

std::optional<int32_t> ParseScreenCoordinate(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (Narrow(text.front()) == L'-' || Narrow(text.front()) == L'+')) {
        negative = Narrow(text.front()) == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
    int64_t magnitude = 0;
    for (wchar_t c : text) {
        const wchar_t digit = Narrow(c);
        if (digit < L'0' || digit > L'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (digit - L'0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace resolaunch
