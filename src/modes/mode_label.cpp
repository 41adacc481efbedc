#include "modes/mode_label.h"

#include "platform/display_settings.h"

namespace resolaunch {
namespace {

// Right-aligns a number in `width` characters, padding with spaces; a longer
// number is written in full.
void AppendPadded(std::wstring& out, int64_t value, std::size_t width) {
    const std::wstring digits = std::to_wstring(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), L' ');
    }
    out += digits;
}

}  // namespace

const wchar_t* ModeStatusText(int32_t testResult) {
    switch (testResult) {
    case kChangeSuccessful:
        return L" 即時更新可";
    case kChangeRestart:
        return L" 再起動必要";
    default:
        return L" 未対応";
    }
}

std::wstring ModeLabel(const DisplayMode& mode, int32_t testResult) {
    std::wstring label;
    label.reserve(32);
    AppendPadded(label, mode.Width, 4);
    label += L" \u00D7 ";
    AppendPadded(label, mode.Height, 4);
    label += L' ';
    AppendPadded(label, mode.Bits, 2);
    label += L"Bit ";
    label += ModeStatusText(testResult);
    return label;
}

}  // namespace resolaunch
