#pragma once

#include <chrono>
#include <cstdint>

#include "modes/module1.h"
#include "platform/desktop.h"
#include "settings/settings_store.h"
#include "window/form_controls.h"
#include "window/form_events.h"

namespace resolaunch {

// The main window's event handlers, free of any platform code.
class Form1 final : public FormEvents {
public:
    // How long a launch waits for the started program to show its window.
    static constexpr std::chrono::milliseconds kProgramWindowWait{10000};
    // The placed window grows by this much (pixels), whatever its size.
    static constexpr int32_t kPlacedWindowExtraWidth = 3;
    static constexpr int32_t kPlacedWindowExtraHeight = 20;

    Form1(Module1& modes, FormControls& controls, UserMessages& messages, SettingsStore& settings, Desktop& desktop)
        : modes_(modes), controls_(controls), messages_(messages), settings_(settings), desktop_(desktop) {}

    // Start-up: fills the mode table, writes one labelled entry per mode into
    // List1 in table order (so entry i always stands for mode i), then loads
    // the saved settings.
    void Form_Load() { Form_Load(LoadModeList()); }

    // The two halves of start-up. The first touches no control, so it may
    // run on another thread while the window is being built.
    std::vector<std::wstring> LoadModeList() override;
    void Form_Load(const std::vector<std::wstring>& modeLabels) override;

    // Runs the click handler of the button.
    void Click(ControlId button) override;

    // Any nonzero mode loads path.txt into the controls, zero saves them.
    // Never reports a failure: a file that cannot be read changes nothing, a
    // save that fails leaves the previous file as it was.
    void TransferSettings(int16_t mode) noexcept;

    // Launch and place: starts the program of Text1 and moves its window to
    // X = Text2, Y = Text3. Index 0 hides the main window first and ends the
    // program after the move; index 1 leaves both as they are.
    void Command1_Click(int16_t Index);

    // Choose the executable: a chosen file goes into Text1 and is saved.
    void Command2_Click();
    // Change resolution to the selected mode, save, then report a mode that
    // needs a restart or a failed switch. Nothing at all with no selection.
    void Command3_Click();
    // Change resolution, then launch and stay.
    void Command4_Click();
    // Return to the stored default mode.
    void Command5_Click();
    // End the program, leaving the mode as it is.
    void Command6_Click();
    // Return to the stored default mode, then end the program.
    void Command7_Click();

    // The window moved by the latest launch and its rectangle before the move.
    WindowHandle TargetWindow = 0;
    WindowRect TargetRect;

private:
    void LoadSettings();
    void SaveSettings();

    Module1& modes_;
    FormControls& controls_;
    UserMessages& messages_;
    SettingsStore& settings_;
    Desktop& desktop_;
};

}  // namespace resolaunch
