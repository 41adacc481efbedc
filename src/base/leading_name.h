#pragma once

#include <optional>
#include <string_view>

namespace resolaunch {

// The file a command line begins with, and the rest of the line after it.
struct LeadingName {
    std::wstring_view name;
    std::wstring_view rest;
};

// Finds the file at the start of a command line as the system does: a
// quoted first word as it stands (the quotes dropped); else the shortest run
// of blank-separated words for which `names(candidate)` holds. Nothing when
// none does. Leading blanks are skipped.
template <class NamesFile>
std::optional<LeadingName> FindLeadingName(std::wstring_view line, NamesFile&& names) {
    constexpr std::wstring_view kBlanks = L" \t";
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start == std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::wstring_view text = line.substr(start);
    if (text.front() == L'"') {
        const std::size_t close = text.find(L'"', 1);
        const std::wstring_view name = text.substr(1, close == std::wstring_view::npos ? close : close - 1);
        if (!names(name)) {
            return std::nullopt;
        }
        return LeadingName{name, close == std::wstring_view::npos ? std::wstring_view() : text.substr(close + 1)};
    }
    for (std::size_t end = 0;;) {
        end = text.find_first_of(kBlanks, end);
        const std::wstring_view candidate = text.substr(0, end);
        if (names(candidate)) {
            return LeadingName{candidate, end == std::wstring_view::npos ? std::wstring_view() : text.substr(end)};
        }
        if (end == std::wstring_view::npos || (end = text.find_first_not_of(kBlanks, end)) == std::wstring_view::npos) {
            return std::nullopt;
        }
    }
}

}  // namespace resolaunch
