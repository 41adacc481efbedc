#pragma once

#include <cstdint>

#include "modes/module1.h"
#include "settings/settings_store.h"
#include "window/form_controls.h"

namespace resolaunch {

// The main window's event handlers, free of any platform code.
class Form1 {
public:
    Form1(Module1& modes, FormControls& controls, SettingsStore& settings)
        : modes_(modes), controls_(controls), settings_(settings) {}

    // Start-up: fills the mode table, writes one labelled entry per mode into
    // List1 in table order (so entry i always stands for mode i), then loads
    // the saved settings.
    void Form_Load();

    // Any nonzero mode loads path.txt into the controls, zero saves them.
    // Never reports a failure: a file that cannot be read changes nothing, a
    // save that fails leaves the previous file as it was.
    void TransferSettings(int16_t mode) noexcept;

private:
    void FillModeList();
    void LoadSettings();
    void SaveSettings();

    Module1& modes_;
    FormControls& controls_;
    SettingsStore& settings_;
};

}  // namespace resolaunch
