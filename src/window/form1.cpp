#include "window/form1.h"

#include <map>

#include "modes/mode_label.h"

namespace resolaunch {

void Form1::Form_Load() {
    FillModeList();
    TransferSettings(1);
}

void Form1::FillModeList() {
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

void Form1::TransferSettings(int16_t mode) noexcept {
    try {
        if (mode != 0) {
            LoadSettings();
        } else {
            SaveSettings();
        }
    } catch (...) {
        // The settings never interrupt the user: what was not done stays undone.
    }
}

void Form1::LoadSettings() {
    const std::optional<SavedSettings> saved = settings_.Load();
    if (!saved) {
        return;
    }
    controls_.SetText(TextBox::Text1, saved->executable);
    controls_.SetText(TextBox::Text2, saved->x);
    controls_.SetText(TextBox::Text3, saved->y);
    // An index the list cannot hold (fewer modes than when it was saved)
    // leaves the selection alone; the rest still loads.
    if (saved->listIndex >= -1 && saved->listIndex < controls_.ListCount()) {
        controls_.SetListIndex(saved->listIndex);
    }
    controls_.SetDialogFileName(saved->executable);
}

void Form1::SaveSettings() {
    settings_.Save(SavedSettings{
        controls_.Text(TextBox::Text1),
        controls_.Text(TextBox::Text2),
        controls_.Text(TextBox::Text3),
        controls_.ListIndex(),
    });
}

}  // namespace resolaunch
