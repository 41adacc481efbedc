#include "text/mode_text.h"

#include <vector>

#include "text/screen_coordinate.h"

namespace resolaunch {

std::optional<ModeArgument> ParseModeText(std::wstring_view text) {
    ModeArgument mode;
    mode.text = std::wstring(text);
    std::wstring_view size = text;
    if (const std::size_t at = text.find(L'@'); at != std::wstring_view::npos) {
        const std::optional<int32_t> rate = ParseScreenCoordinate(text.substr(at + 1));
        if (!rate || *rate <= 0) {
            return std::nullopt;
        }
        mode.rate = static_cast<uint32_t>(*rate);
        size = text.substr(0, at);
    }
    std::vector<std::wstring_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size.size(); ++i) {
        if (i == size.size() || size[i] == L'x' || size[i] == L'X') {
            parts.push_back(size.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() != 2 && parts.size() != 3) {
        return std::nullopt;
    }
    const std::optional<int32_t> width = ParseScreenCoordinate(parts[0]);
    const std::optional<int32_t> height = ParseScreenCoordinate(parts[1]);
    if (!width || !height) {
        return std::nullopt;
    }
    mode.width = *width;
    mode.height = *height;
    if (parts.size() == 3) {
        mode.bits = ParseScreenCoordinate(parts[2]);
        if (!mode.bits) {
            return std::nullopt;
        }
    }
    return mode;
}

std::wstring ModeText(const DisplayMode& mode) {
    return std::to_wstring(mode.Width) + L"x" + std::to_wstring(mode.Height) + L"x" + std::to_wstring(mode.Bits);
}

}  // namespace resolaunch
