#include "text/display_text.h"

#include <algorithm>

#include "base/ignoring_case.h"
#include "text/screen_coordinate.h"

namespace resolaunch {
namespace {

constexpr std::wstring_view kDevicePrefix = L"\\\\.\\DISPLAY";

}  // namespace

int DisplayNumber(const std::wstring& deviceName) {
    if (deviceName.size() <= kDevicePrefix.size() || !StartsWithIgnoringCase(deviceName, kDevicePrefix)) {
        return 0;
    }
    const std::wstring digits = deviceName.substr(kDevicePrefix.size());
    if (digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return 0;
    }
    return std::stoi(digits);
}

std::wstring DisplayMenuCaption(const DisplayInfo& display) {
    const int64_t width = int64_t{display.rect.right} - display.rect.left;
    const int64_t height = int64_t{display.rect.bottom} - display.rect.top;
    return std::to_wstring(DisplayNumber(display.deviceName)) + L": " +
           (display.friendlyName.empty() ? L"ディスプレイ" : display.friendlyName) + L" (" + std::to_wstring(width) +
           L" × " + std::to_wstring(height) + L")" + (display.primary ? L" - メイン" : L"");
}

std::optional<DisplayInfo> FindDisplay(const std::vector<DisplayInfo>& displays, const std::wstring& value) {
    const std::optional<int32_t> number = ParseScreenCoordinate(value);
    for (const DisplayInfo& display : displays) {
        if ((number && *number > 0 && DisplayNumber(display.deviceName) == *number) ||
            EqualIgnoringCase(display.deviceName, value) ||
            (!display.interfacePath.empty() && EqualIgnoringCase(display.interfacePath, value))) {
            return display;
        }
    }
    return std::nullopt;
}

std::pair<int32_t, int32_t> DisplayOrigin(Displays& displays, const std::wstring& deviceName) {
    for (const DisplayInfo& display : displays.AttachedDisplays()) {
        if (display.deviceName == deviceName) {
            return {display.rect.left, display.rect.top};
        }
    }
    return {0, 0};
}

std::optional<DisplayInfo> ChosenDisplay(const std::vector<DisplayInfo>& displays, const std::wstring& interfacePath) {
    if (interfacePath.empty()) {
        return std::nullopt;
    }
    for (const DisplayInfo& display : displays) {
        if (!display.primary && EqualIgnoringCase(display.interfacePath, interfacePath)) {
            return display;
        }
    }
    return std::nullopt;
}

}  // namespace resolaunch
