#include "window/form1.h"

#include <utility>

#include "base/scope_exit.h"
#include "flows/mode_switch.h"
#include "resolaunch_version.h"
#include "text/messages.h"
#include "text/display_text.h"
#include "text/screen_coordinate.h"
#include "window/handler_boundary.h"

namespace resolaunch {

void Form1::Form_Load() {
    // A restore that an ended ResoLaunch still owed comes first, before the window shows.
    switches_.SettleLeftBehind();
    // Acts also while a box, the file dialog or a button's work is open, as 終了 does.
    returnKey_.Listen([this] { RunHandler(messages_, [&] { switches_.ReturnToDefaults(); }); });
    const SavedOptions saved = LoadOptions();
    SelectSavedDisplay(saved.display);
    controls_.AppendListEntries(ListDisplayModes(modes_));
    TransferSettings(1);
    if (saved.restoreWhenProgramEnds) {
        switches_.SetRestoreAtEnd(true);
        controls_.SetMenuItemChecked(kRestoreOnEndCommand, true);
    }
}

SavedOptions Form1::LoadOptions() noexcept {
    try {
        return options_.Load();
    } catch (...) {
        return {};  // a first run, or a file that cannot be read: the defaults, without a word
    }
}

void Form1::SelectSavedDisplay(const std::wstring& interfacePath) noexcept {
    try {
        // No key, or a display not attached now: the primary, without a word.
        if (const std::optional<DisplayInfo> chosen =
                interfacePath.empty() ? std::nullopt : ChosenDisplay(displays_.AttachedDisplays(), interfacePath)) {
            chosenDevice_ = chosen->deviceName;
            chosenPath_ = chosen->interfacePath;
            modes_.SelectDisplay(chosenDevice_);
        }
    } catch (...) {
        chosenDevice_.clear();  // as on a first run: the primary
        chosenPath_.clear();
        modes_.SelectDisplay(chosenDevice_);
    }
}

template <typename Handler>
void Form1::RunFlow(Handler&& handler) {
    ++flowDepth_;
    RunHandler(messages_, std::forward<Handler>(handler));
    --flowDepth_;
    while (!FlowRunning() && endedMeanwhile_) {
        const LaunchId launch = *std::exchange(endedMeanwhile_, std::nullopt);
        ++flowDepth_;
        RunHandler(messages_, [&] { FinishLaunch(launch); });
        --flowDepth_;
    }
}

void Form1::Click(ControlId button) {
    // One flow at a time: while one runs (its boxes, its dialog, its wait for
    // the window), only the buttons that end the program still act.
    if (FlowRunning() && button != kCommand6 && button != kCommand7) {
        return;
    }
    RunFlow([&] { RunButton(button); });
}

void Form1::SystemMenuCommand(uint32_t command) {
    if (FlowRunning()) {
        return;  // one flow at a time
    }
    if (IsDisplayCommand(command)) {
        // The displays attached now, in the order the menu lists them (a
        // tool may send the command without opening the menu).
        const std::size_t index = (command - kFirstDisplayCommand) / kDisplayCommandStep;
        RunFlow([&] {
            const std::vector<DisplayInfo> displays = displays_.AttachedDisplays();
            if (index < displays.size()) {
                ChooseDisplay(displays[index]);
            }
        });
    } else if (command == kRestoreOnEndCommand) {
        ToggleRestoreOnEnd();
    } else if (command == kCreateShortcutCommand) {
        RunFlow([&] { CreateShortcut(); });
    } else if (command == kAboutCommand) {
        RunFlow([&] {
            messages_.ShowMessage(L"ResoLaunch " + std::wstring(kResoLaunchVersion) + L"\n" + kCopyrightLine + L"\n" +
                                  kLicenceLine);
        });
    }
}

std::vector<FormEvents::DisplayMenuItem> Form1::DisplayMenu() {
    std::vector<DisplayInfo> displays = displays_.AttachedDisplays();
    if (displays.size() > kDisplayCommandCount) {
        displays.resize(kDisplayCommandCount);
    }
    std::vector<DisplayMenuItem> items;
    for (const DisplayInfo& display : displays) {
        const bool chosen = chosenDevice_.empty() ? display.primary : display.deviceName == chosenDevice_;
        items.push_back({DisplayMenuCaption(display), chosen});
    }
    return items;
}

void Form1::ChooseDisplay(const DisplayInfo& display) {
    chosenDevice_ = display.primary ? std::wstring() : display.deviceName;
    chosenPath_ = display.primary ? std::wstring() : display.interfacePath;
    try {
        options_.SaveDisplay(chosenPath_);
    } catch (...) {
        // Like a failed write, not reported: the choice holds for this run.
    }
    modes_.SelectDisplay(chosenDevice_);
    controls_.ClearList();
    controls_.AppendListEntries(ListDisplayModes(modes_));
    // The next start must not select an entry of another display's list.
    controls_.SetListIndex(-1);
    TransferSettings(0);
}

void Form1::ToggleRestoreOnEnd() {
    const bool enabled = !switches_.RestoreAtEnd();
    switches_.SetRestoreAtEnd(enabled);
    controls_.SetMenuItemChecked(kRestoreOnEndCommand, enabled);
    try {
        options_.SaveRestoreWhenProgramEnds(enabled);
    } catch (...) {
        // Like a failed write, not reported: the choice holds for this run.
    }
}

void Form1::CreateShortcut() {
    const std::optional<std::pair<int32_t, int32_t>> position = Position();
    if (!position) {
        return;
    }
    const std::wstring command = controls_.Text(TextBox::Text1);
    if (command.find_first_not_of(L" \t\u3000") == std::wstring::npos) {
        messages_.ShowMessage(kNoProgramMessage);
        return;
    }
    std::optional<DisplayMode> mode;
    if (const int16_t index = controls_.ListIndex(); index != -1) {
        mode = modes_.DisplayModes().at(static_cast<std::size_t>(index));
    }
    const ShortcutOutcome outcome = shortcuts_.Make({command, mode, position->first, position->second, chosenPath_});
    messages_.ShowMessage(outcome.made ? kShortcutMadeMessage + (L"\n" + outcome.path)
                                       : kShortcutFailedMessage + (L"\n" + outcome.failureReason));
}

std::optional<std::pair<int32_t, int32_t>> Form1::Position() {
    const std::optional<int32_t> y = ParseScreenCoordinate(controls_.Text(TextBox::Text3));
    if (!y) {
        messages_.ShowMessage(kBadYMessage);
        return std::nullopt;
    }
    const std::optional<int32_t> x = ParseScreenCoordinate(controls_.Text(TextBox::Text2));
    if (!x) {
        messages_.ShowMessage(kBadXMessage);
        return std::nullopt;
    }
    return std::pair{*x, *y};
}

void Form1::LaunchEnded(LaunchId launch) {
    if (launch != launch_.Latest()) {
        return;  // only the latest launch counts
    }
    if (FlowRunning()) {
        endedMeanwhile_ = launch;
        return;
    }
    RunFlow([&] { FinishLaunch(launch); });
}

void Form1::FinishLaunch(LaunchId launch) {
    if (launch != launch_.Latest()) {
        return;
    }
    if (const std::optional<int32_t> restored = launch_.LaunchEnded(launch);
        restored && *restored != kChangeSuccessful) {
        messages_.ShowMessage(kRestoreFailedMessage);
    }
    if (endWithLaunch_) {
        controls_.EndProgram();
    }
}

void Form1::RunButton(ControlId button) {
    switch (button) {
    case kCommand1Launch:
        Command1_Click(0);
        break;
    case kCommand1Stay:
        Command1_Click(1);
        break;
    case kCommand2:
        Command2_Click();
        break;
    case kCommand3:
        Command3_Click();
        break;
    case kCommand4:
        Command4_Click();
        break;
    case kCommand5:
        Command5_Click();
        break;
    case kCommand6:
        Command6_Click();
        break;
    case kCommand7:
        Command7_Click();
        break;
    default:
        break;  // not a button
    }
}

void Form1::Command1_Click(int16_t Index) {
    // Both positions are checked before anything is started or hidden, Y first.
    const std::optional<std::pair<int32_t, int32_t>> position = Position();
    if (!position) {
        return;
    }
    const std::wstring command = controls_.Text(TextBox::Text1);
    // 起動＞終了 hides the main window first; it shows again when the launch goes no further.
    if (Index == 0) {
        controls_.HideForm();
    }
    ScopeExit showAgain([&] {
        if (Index == 0) {
            controls_.ShowForm();
        }
    });
    if (Index == 0) {
        controls_.ProcessPendingMessages();
        if (controls_.Ended() || endsAfterWatch_) {
            showAgain.Release();  // a click queued behind this one has ended the program, or will
            return;
        }
    }
    LaunchRequest request{command, *position, true, controls_.FormWindow()};
    if (!chosenDevice_.empty()) {
        // X and Y count from the chosen display's corner where it is when the window is placed.
        request.origin = [this, device = chosenDevice_] { return DisplayOrigin(displays_, device); };
    }
    const StartOutcome outcome = launch_.Start(
        request, [this, Index](const LaunchWaitOver& over) { RunFlow([&] { AfterWindowWait(Index, over); }); });
    if (!outcome.started) {
        showAgain.RunNow();
        messages_.ShowMessage(StartFailedMessage(command, outcome.failureReason));
        return;
    }
    showAgain.Release();  // from here on, the rest of the launch decides
    if (launch_.Waiting()) {
        // No input while it waits for the window; the window still paints.
        inputHeld_ = true;
        controls_.EnableInput(false);
    }
}

void Form1::AfterWindowWait(int16_t Index, const LaunchWaitOver& over) {
    if (std::exchange(inputHeld_, false)) {
        controls_.EnableInput(true);
    }
    ScopeExit showAgain([&] {
        if (Index == 0) {
            controls_.ShowForm();
        }
    });
    if (over.failure) {
        std::rethrow_exception(over.failure);
    }
    if (over.refused != 0) {
        messages_.ShowMessage(kWindowNotMovedMessage);
    }
    const bool restoreAtEnd = switches_.RestoreOwed();
    showAgain.Release();
    if (Index == 0 && !restoreAtEnd) {
        // Without a window while the launch's windows are watched, then the end.
        endsAfterWatch_ = true;
        launch_.WhenWatchOver([this] { RunHandler(messages_, [&] { controls_.EndProgram(); }); });
        return;
    }
    launch_.FollowToEnd();
    if (Index == 0) {
        // Without a window until the launch ends and the screen goes back.
        endWithLaunch_ = true;
    }
}

void Form1::Command2_Click() {
    // A cancelled dialog changes nothing: a path typed by hand stays.
    const std::optional<std::wstring> chosen = controls_.ShowOpenDialog();
    if (!chosen) {
        return;
    }
    controls_.SetText(TextBox::Text1, *chosen);
    TransferSettings(0);
}

void Form1::Command3_Click() {
    const int16_t index = controls_.ListIndex();
    if (index == -1) {
        return;
    }
    const DisplayMode mode = modes_.DisplayModes().at(static_cast<std::size_t>(index));
    const int32_t result = switches_.Switch(mode);
    TransferSettings(0);
    if (const std::optional<std::wstring> report = SwitchReport(result)) {
        messages_.ShowMessage(*report);
    }
}

void Form1::Command4_Click() {
    Command3_Click();
    if (controls_.ListIndex() != -1) {
        Command1_Click(1);
    }
}

void Form1::Command5_Click() { switches_.Restore(); }

void Form1::Command6_Click() {
    launch_.Cancel();  // a wait for the window ends with the program
    switches_.Drop();
    controls_.EndProgram();
}

void Form1::Command7_Click() {
    switches_.Restore();
    launch_.Cancel();
    controls_.EndProgram();
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
