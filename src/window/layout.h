#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

namespace resolaunch {

inline constexpr const wchar_t* kAppTitle = L"ResoLaunch";
inline constexpr const wchar_t* kFormTitle = L"指定アプリケーション起動、解像度変更、位置変更";

// Places and sizes are in twips (1/1440 inch): 15 twips make one pixel at 96 DPI.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 5100;
inline constexpr int kClientHeightTwips = 4875;

enum class ControlKind { Button, TextBox, ListBox, Label };

// Control identifiers. IDOK (1) and IDCANCEL (2) stay unused, so that Enter
// and Escape press no button through the dialog manager.
enum ControlId : int {
    kCommand1Launch = 100,  // Command1(0)
    kText1,
    kCommand2,
    kLabel1,
    kCommand1Stay,  // Command1(1)
    kList1,
    kCommand3,
    kCommand4,
    kText2,
    kText3,
    kLabel2X,  // LABEL2(0)
    kLabel2Y,  // LABEL2(1)
    kLabel3,
    kCommand5,
    kCommand6,
    kCommand7,
};

struct ControlSpec {
    ControlId id;
    const char* name;  // the control's name; -1 index for single controls
    int index;
    ControlKind kind;
    const wchar_t* text;
    int left, top, width, height;  // twips, from the client area's top-left corner
};

// The controls in tab order, which is also the order they are created in.
inline constexpr std::array<ControlSpec, 16> kFormControls{{
    // Command1(0) — start the program of Text1, place its window, then end ResoLaunch.
    {kCommand1Launch, "Command1", 0, ControlKind::Button, L"起動＞終了", 3480, 720, 1575, 495},
    // Text1 — the program to start: a path, or a command line with arguments.
    {kText1, "Text1", -1, ControlKind::TextBox, L"Text1", 120, 360, 3255, 270},
    // Command2 — choose the program in a file dialog and save the settings.
    {kCommand2, "Command2", -1, ControlKind::Button, L"実行ファイル選択", 3480, 120, 1575, 495},
    // Label1 — caption of Text1.
    {kLabel1, "Label1", -1, ControlKind::Label, L"実行ファイル名", 1080, 120, 1335, 255},
    // Command1(1) — start the program of Text1 and place its window; ResoLaunch stays.
    {kCommand1Stay, "Command1", 1, ControlKind::Button, L"起動＞待機", 3480, 1320, 1575, 495},
    // List1 — every display mode, in the driver's order, with its test result.
    {kList1, "List1", -1, ControlKind::ListBox, L"", 120, 1320, 3255, 3300},
    // Command3 — switch to the selected mode, save the settings, report a failure.
    {kCommand3, "Command3", -1, ControlKind::Button, L"解像度変更", 3480, 1920, 1575, 495},
    // Command4 — Command3, then Command1(1).
    {kCommand4, "Command4", -1, ControlKind::Button, L"解像度変更＞起動", 3480, 2520, 1575, 495},
    // Text2 — X of the placed window, in screen pixels.
    {kText2, "Text2", -1, ControlKind::TextBox, L"0", 720, 960, 975, 270},
    // Text3 — Y of the placed window, in screen pixels.
    {kText3, "Text3", -1, ControlKind::TextBox, L"0", 2040, 960, 975, 270},
    // LABEL2(0) — caption of Text2.
    {kLabel2X, "LABEL2", 0, ControlKind::Label, L"X", 480, 960, 135, 255},
    // LABEL2(1) — caption of Text3.
    {kLabel2Y, "LABEL2", 1, ControlKind::Label, L"Y", 1800, 960, 135, 255},
    // Label3 — caption of the X/Y row.
    {kLabel3, "Label3", -1, ControlKind::Label, L"実行アプリケーション表示位置", 480, 720, 2535, 255},
    // Command5 — return to the mode stored as the default.
    {kCommand5, "Command5", -1, ControlKind::Button, L"変更前の解像度に戻す", 3480, 3720, 1575, 495},
    // Command6 — end ResoLaunch, leaving the mode as it is.
    {kCommand6, "Command6", -1, ControlKind::Button, L"終了", 3480, 4320, 1575, 495},
    // Command7 — return to the default mode, then end ResoLaunch.
    {kCommand7, "Command7", -1, ControlKind::Button, L"解像度を戻す＞終了", 3480, 3120, 1575, 495},
}};

// The table's entry for a control.
constexpr const ControlSpec& FormControl(ControlId id) {
    for (const ControlSpec& control : kFormControls) {
        if (control.id == id) {
            return control;
        }
    }
    throw std::out_of_range("no such control");  // a compile-time error in a constant expression
}

// Items the window's system menu gets after its own, below a separator.
// System-menu commands are multiples of 16 below 0xF000; these stay fixed,
// so that other tools can send them as WM_SYSCOMMAND.
inline constexpr uint32_t kRestoreOnEndCommand = 0x0010;
inline constexpr uint32_t kCreateShortcutCommand = 0x0020;
inline constexpr uint32_t kAboutCommand = 0x0030;
// The submenu "ディスプレイ", first after the separator: one radio item per
// attached display, 0x0100, 0x0110, ... in the system's order.
inline constexpr const wchar_t* kDisplayMenuText = L"ディスプレイ";
inline constexpr uint32_t kFirstDisplayCommand = 0x0100;
inline constexpr uint32_t kDisplayCommandStep = 0x0010;
inline constexpr uint32_t kDisplayCommandCount = 16;
constexpr bool IsDisplayCommand(uint32_t command) {
    return command >= kFirstDisplayCommand && command < kFirstDisplayCommand + kDisplayCommandStep * kDisplayCommandCount &&
           (command - kFirstDisplayCommand) % kDisplayCommandStep == 0;
}

struct MenuItemSpec {
    uint32_t command;
    const wchar_t* text;
    bool checkable;
};

inline constexpr std::array<MenuItemSpec, 3> kSystemMenuItems{{
    // Put the screen back to the default mode when the started program ends.
    {kRestoreOnEndCommand, L"ゲーム終了時に解像度を戻す", true},
    // A desktop shortcut that does what 解像度変更＞起動 would, with these values.
    {kCreateShortcutCommand, L"ショートカットを作成...", false},
    // The version, the copyright and the licence.
    {kAboutCommand, L"バージョン情報...", false},
}};

// Twips to pixels at `dpi`, rounded to the nearest pixel as MulDiv does.
constexpr int TwipsToPixels(int twips, int dpi) {
    const int64_t product = int64_t{twips} * dpi;
    const int64_t half = kTwipsPerInch / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kTwipsPerInch
                                         : -((-product + half) / kTwipsPerInch));
}

}  // namespace resolaunch
