#pragma once

#include <string>

namespace resolaunch {

// What the program tells its user, word for word; the window and the
// command line say the same.
inline constexpr const wchar_t* kBadXMessage = L"表示位置 X には整数を入力して下さい。";
inline constexpr const wchar_t* kBadYMessage = L"表示位置 Y には整数を入力して下さい。";
inline constexpr const wchar_t* kStartFailedMessage = L"起動に失敗しました。(ToT)";
inline constexpr const wchar_t* kRestartNeededMessage = L"設定を有効にするには、再起動して下さい。(^_^)v";
inline constexpr const wchar_t* kSwitchFailedMessage = L"解像度変更に失敗しました。(ToT)";
inline constexpr const wchar_t* kRestoreFailedMessage = L"解像度を戻せませんでした。(ToT)";

inline constexpr const wchar_t* kWindowNotMovedMessage =
    L"ウィンドウを移動できませんでした。(ToT)\n"
    L"管理者として実行されているプログラムのウィンドウは、ResoLaunch を管理者として実行すると移動できます。";

inline constexpr const wchar_t* kUrlWithBadCharacterMessage = L"URL に \" や制御文字は使えません。";
inline constexpr const wchar_t* kUnreadableShellLinkMessage = L"ショートカットを読み取れませんでした。";
inline constexpr const wchar_t* kInternetShortcutWithoutUrlMessage = L"インターネット ショートカットに URL がありません。";

inline constexpr const wchar_t* kNoProgramMessage = L"実行ファイル名を入力して下さい。";
inline constexpr const wchar_t* kShortcutMadeMessage = L"ショートカットを作成しました。";
inline constexpr const wchar_t* kShortcutFailedMessage = L"ショートカットを作成できませんでした。(ToT)";

inline constexpr const wchar_t* kCopyrightLine = L"\u00A9 2026 ResoLaunch developers";
inline constexpr const wchar_t* kLicenceLine = L"MIT License";

// A --wait-for program that did not start in time.
inline std::wstring WaitedForProgramMissingMessage(const std::wstring& name) {
    return L"指定されたプログラムは起動しませんでした: " + name;
}

// A start that failed: the command on the next line, then the system's reason.
inline std::wstring StartFailedMessage(const std::wstring& command, const std::wstring& reason) {
    return std::wstring(kStartFailedMessage) + L"\n" + command + L"\n" + reason;
}

}  // namespace resolaunch
