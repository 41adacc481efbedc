#include "window/form1.h"

#include <algorithm>

#include "modes/mode_label.h"
#include "window/screen_coordinate.h"

namespace resolaunch {
namespace {

constexpr const wchar_t* kBadX = L"表示位置 X には整数を入力して下さい。";
constexpr const wchar_t* kBadY = L"表示位置 Y には整数を入力して下さい。";
constexpr const wchar_t* kStartFailed = L"起動に失敗しました。(ToT)";
constexpr const wchar_t* kRestartNeeded = L"設定を有効にするには、再起動して下さい。(^_^)v";
constexpr const wchar_t* kSwitchFailed = L"解像度変更に失敗しました。(ToT)";

// The launched window grows by a fixed amount, whatever its place.
int32_t Grown(int32_t from, int32_t to, int32_t extra) {
    const int64_t size = int64_t{to} - from + extra;
    return static_cast<int32_t>(std::clamp<int64_t>(size, INT32_MIN, INT32_MAX));
}

// Hides the main window for a launch that ends the program; shows it again
// when the launch goes no further.
class HiddenForm {
public:
    HiddenForm(FormControls& controls, bool hide) : controls_(controls), hidden_(hide) {
        if (hidden_) {
            controls_.HideForm();
        }
    }
    HiddenForm(const HiddenForm&) = delete;
    HiddenForm& operator=(const HiddenForm&) = delete;
    ~HiddenForm() {
        try {
            ShowAgain();
        } catch (...) {
            // Already on a failure path; the boundary reports the first failure.
        }
    }

    void ShowAgain() {
        if (hidden_) {
            hidden_ = false;
            controls_.ShowForm();
        }
    }
    // The program ends with the window hidden.
    void Keep() { hidden_ = false; }

private:
    FormControls& controls_;
    bool hidden_;
};

}  // namespace

void Form1::Form_Load(const std::vector<std::wstring>& modeLabels) {
    controls_.AppendListEntries(modeLabels);
    TransferSettings(1);
}

std::vector<std::wstring> Form1::LoadModeList() {
    modes_.LoadDisplayModes();
    const std::vector<DisplayMode>& table = modes_.DisplayModes();
    const std::vector<int32_t> results = modes_.TestEachDisplayMode();

    std::vector<std::wstring> labels;
    labels.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        labels.push_back(ModeLabel(table[i], results[i]));
    }
    return labels;
}

void Form1::Click(ControlId button) {
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
    const std::optional<int32_t> y = ParseScreenCoordinate(controls_.Text(TextBox::Text3));
    if (!y) {
        messages_.ShowMessage(kBadY);
        return;
    }
    const std::optional<int32_t> x = ParseScreenCoordinate(controls_.Text(TextBox::Text2));
    if (!x) {
        messages_.ShowMessage(kBadX);
        return;
    }
    const std::wstring command = controls_.Text(TextBox::Text1);

    HiddenForm hidden(controls_, Index == 0);
    if (Index == 0 && !controls_.ProcessPendingMessages()) {
        // A click queued behind this one has ended the program meanwhile.
        hidden.Keep();
        return;
    }
    const StartOutcome outcome = desktop_.StartProgram(command);
    if (!outcome.started) {
        hidden.ShowAgain();
        messages_.ShowMessage(std::wstring(kStartFailed) + L"\n" + command + L"\n" + outcome.failureReason);
        return;
    }

    // The started program's own window; if it shows none in time, the one in
    // the foreground then. The program's own main window is never moved.
    TargetWindow = desktop_.WaitForProgramWindow(kProgramWindowWait);
    if (TargetWindow == 0) {
        TargetWindow = desktop_.ForegroundWindow();
    }
    if (TargetWindow != 0 && TargetWindow != controls_.FormWindow()) {
        // A window that has gone before its rectangle could be read is left alone.
        if (const std::optional<WindowRect> rect = desktop_.WindowRectOf(TargetWindow)) {
            TargetRect = *rect;
            desktop_.MoveWindowTo(TargetWindow, *x, *y, Grown(rect->left, rect->right, kPlacedWindowExtraWidth),
                                  Grown(rect->top, rect->bottom, kPlacedWindowExtraHeight));
        }
    }

    if (Index == 0) {
        hidden.Keep();
        controls_.EndProgram();
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
    const int32_t result = modes_.ApplyDisplayMode(mode.Width, mode.Height, mode.Bits, 0);
    TransferSettings(0);
    if (result == kChangeRestart) {
        messages_.ShowMessage(kRestartNeeded);
    } else if (result != kChangeSuccessful) {
        messages_.ShowMessage(kSwitchFailed);
    }
}

void Form1::Command4_Click() {
    Command3_Click();
    if (controls_.ListIndex() != -1) {
        Command1_Click(1);
    }
}

void Form1::Command5_Click() { modes_.RestoreDisplayMode(); }

void Form1::Command6_Click() { controls_.EndProgram(); }

void Form1::Command7_Click() {
    modes_.RestoreDisplayMode();
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
