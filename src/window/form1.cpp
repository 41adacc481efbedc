#include "window/form1.h"

#include <algorithm>
#include <map>

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
            controls_.ProcessPendingMessages();
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
    return labels;
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
            desktop_.MoveWindowTo(TargetWindow, *x, *y, Grown(rect->left, rect->right, 3),
                                  Grown(rect->top, rect->bottom, 20));
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
