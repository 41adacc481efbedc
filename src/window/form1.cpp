#include "window/form1.h"

#include <map>

#include "modes/mode_label.h"

namespace resolaunch {

void Form1::Form_Load() {
    const int32_t count = modes_.LoadDisplayModes();
    const std::vector<DisplayMode>& table = modes_.DisplayModes();

    // The test asks only for depth and size, so its result is the same for
    // every refresh rate of a size: test each distinct mode once.
    std::map<DisplayMode, int32_t> results;
    ModeRequest request;

    std::vector<std::wstring> labels;
    labels.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const DisplayMode& mode = table[static_cast<std::size_t>(i)];
        auto [found, untested] = results.try_emplace(mode, 0);
        if (untested) {
            request.dmSize = kModeRequestSize;
            request.dmFields = kModeRequestFields;
            request.dmBitsPerPel = static_cast<uint32_t>(int32_t{mode.Bits});
            request.dmPelsWidth = static_cast<uint32_t>(mode.Width);
            request.dmPelsHeight = static_cast<uint32_t>(mode.Height);
            found->second = modes_.TestDisplayMode(request);
        }
        labels.push_back(ModeLabel(mode, found->second));
    }
    controls_.AppendListEntries(labels);
}

}  // namespace resolaunch
