#include "flows/mode_switch.h"

#include "modes/mode_label.h"
#include "text/messages.h"

namespace resolaunch {

std::vector<std::wstring> ListDisplayModes(Module1& modes) {
    modes.LoadDisplayModes();
    const std::vector<DisplayMode>& table = modes.DisplayModes();
    const std::vector<int32_t> results = modes.TestEachDisplayMode();
    std::vector<std::wstring> labels;
    labels.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        labels.push_back(ModeLabel(table[i], results[i]));
    }
    return labels;
}

int32_t RestoreDisplays(Module1& modes, Displays& displays) {
    int32_t result = modes.RestoreDisplayMode();
    std::vector<std::wstring> devices;
    for (const DisplayInfo& display : displays.AttachedDisplays()) {
        // The primary through the calls without a device, as it is switched.
        devices.push_back(display.primary ? std::wstring() : display.deviceName);
    }
    if (devices.empty()) {
        devices.emplace_back();
    }
    for (const std::wstring& device : devices) {
        const std::optional<int32_t> again = modes.RestoreDisplayLeftOut(device);
        if (again && *again != kChangeSuccessful && result == kChangeSuccessful) {
            result = *again;
        }
    }
    return result;
}

std::optional<std::wstring> SwitchReport(int32_t result) {
    if (result == kChangeRestart) {
        return kRestartNeededMessage;
    }
    if (result != kChangeSuccessful) {
        return kSwitchFailedMessage;
    }
    return std::nullopt;
}

}  // namespace resolaunch
