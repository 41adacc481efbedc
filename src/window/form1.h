#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "flows/launch_flow.h"
#include "flows/switch_owner.h"
#include "modes/module1.h"
#include "platform/displays.h"
#include "platform/return_key.h"
#include "settings/options_file.h"
#include "settings/settings_store.h"
#include "shortcut/shortcut_maker.h"
#include "window/form_controls.h"
#include "window/form_events.h"

namespace resolaunch {

// What the handlers use beyond the window itself.
struct FormServices {
    Module1& modes;
    Displays& displays;
    SettingsStore& settings;
    OptionsStore& options;
    LaunchServices launch;
    ShortcutMaker& shortcuts;
    ReturnKey& returnKey;
};

// The main window's event handlers, free of any platform code.
class Form1 final : public FormEvents {
public:
    Form1(FormControls& controls, UserMessages& messages, const FormServices& services)
        : controls_(controls), messages_(messages), modes_(services.modes), displays_(services.displays),
          settings_(services.settings),
          options_(services.options), shortcuts_(services.shortcuts), returnKey_(services.returnKey),
          records_(services.launch.start.files, services.launch.facts),
          switches_(services.modes, services.displays, records_, &services.launch.guard),
          launch_(services.launch, switches_) {}

    // Start-up: fills the mode table, writes one labelled entry per mode into
    // List1 in table order (so entry i always stands for mode i), then loads
    // the saved settings and the system menu's choice.
    void Form_Load() override;

    // Runs the click handler of the button. Whatever fails in it is shown
    // to the user and the program goes on. While another click's flow runs
    // (its boxes, its dialog, a launch's wait for the program's window), only
    // 終了 and 解像度を戻す＞終了 act; other clicks are ignored.
    void Click(ControlId button) override;
    // Toggles "ゲーム終了時に解像度を戻す" and remembers the choice, makes a
    // desktop shortcut of the window's values ("ショートカットを作成..."), or
    // shows the version, copyright and licence ("バージョン情報...").
    // Ignored while a click's flow runs. A display of the submenu
    // "ディスプレイ" becomes the one the list, the switches and X/Y are about.
    void SystemMenuCommand(uint32_t command) override;
    // One radio item per attached display, the chosen one checked.
    std::vector<DisplayMenuItem> DisplayMenu() override;
    // A launch has ended: the screen goes back when the user asked for it.
    // While a flow runs (a message box or the file dialog is open, or a
    // launch waits for its window) this waits until that flow is over.
    void LaunchEnded(LaunchId launch) override;

    // Any nonzero mode loads path.txt into the controls, zero saves them.
    // Never reports a failure: a file that cannot be read changes nothing, a
    // save that fails leaves the previous file as it was.
    void TransferSettings(int16_t mode) noexcept;

    // Launch and place: starts the program of Text1 and moves its window to
    // X = Text2, Y = Text3 once it shows (the wait runs on the message loop,
    // without input). Index 0 hides the main window first and ends the
    // program after the move (once the launch has ended, when the screen is
    // to go back then); index 1 leaves both as they are.
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

private:
    // Runs a handler inside the boundary that reports its failures; a
    // launch's end that came meanwhile is dealt with once no flow runs.
    template <typename Handler>
    void RunFlow(Handler&& handler);
    // A click's handler runs, or a launch waits for the program's window.
    bool FlowRunning() const { return flowDepth_ > 0 || launch_.Waiting(); }
    void RunButton(ControlId button);
    // The rest of 起動＞終了 (index 0) or 起動＞待機 (1) once the wait for the window is over.
    void AfterWindowWait(int16_t Index, const LaunchWaitOver& over);
    SavedOptions LoadOptions() noexcept;
    void ToggleRestoreOnEnd();
    void CreateShortcut();
    // X and Y from Text2 and Text3, Y checked first; a message and nothing
    // when one is not a whole number.
    std::optional<std::pair<int32_t, int32_t>> Position();
    void FinishLaunch(LaunchId launch);
    // Makes `display` (the primary: nothing) the chosen one: kept in
    // ResoLaunch.ini, the table and List1 built for it, no entry selected.
    void ChooseDisplay(const DisplayInfo& display);
    void SelectSavedDisplay(const std::wstring& interfacePath) noexcept;
    void LoadSettings();
    void SaveSettings();

    FormControls& controls_;
    UserMessages& messages_;
    Module1& modes_;
    Displays& displays_;
    SettingsStore& settings_;
    OptionsStore& options_;
    ShortcutMaker& shortcuts_;
    ReturnKey& returnKey_;

    SwitchRecords records_;
    SwitchOwner switches_;
    LaunchFlow launch_;
    bool inputHeld_ = false;  // the main window takes no input while a launch waits
    int flowDepth_ = 0;
    std::optional<LaunchId> endedMeanwhile_;  // a launch's end that came during a handler
    bool endWithLaunch_ = false;              // 起動＞終了 waits for the launch's end to end
    bool endsAfterWatch_ = false;             // 起動＞終了 ends once the watch over the launch is over
    std::wstring chosenDevice_;               // the chosen display's device name; "" the primary
    std::wstring chosenPath_;                 // and its monitor's interface path
};

}  // namespace resolaunch
