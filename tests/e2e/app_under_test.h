#pragma once

// A copy of ResoLaunch.exe started in a folder of its own, seen from the
// outside: its process, its windows and the messages any other program may
// send them.

#include <windows.h>

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "follow/window_watch.h"
#include "win32_test_util.h"

namespace resolaunch::e2e {

using namespace std::chrono_literals;
using namespace resolaunch::win32_test;

// How long the driver waits for a state before it calls the check failed.
inline constexpr std::chrono::milliseconds kStartTimeout = 30s;
inline constexpr std::chrono::milliseconds kStateTimeout = 5s;
inline constexpr std::chrono::milliseconds kExitTimeout = 10s;
// For states that need Wine to start a process or switch the screen.
inline constexpr std::chrono::milliseconds kSlowStateTimeout = 15s;
// 起動＞終了 ends once the watch over the placed window is over: allow that and 5 s.
inline constexpr std::chrono::milliseconds kExitAfterWatchTimeout = kWatchQuiet + 5s;

// Polls `condition` every `interval` until it holds or `timeout` has passed;
// returns whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kStateTimeout,
               std::chrono::milliseconds interval = 5ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::Sleep(static_cast<DWORD>(interval.count()));
    }
    return true;
}

// Empty when the variable is not set.
std::wstring EnvironmentVariable(const wchar_t* name);

// The program to test: RESOLAUNCH_EXE when set, else ResoLaunch.exe beside
// this driver or two folders up from it (the build tree's layout).
std::wstring ProductPath();

// A window's text through WM_GETTEXT, which the system carries across
// processes; edit controls hold their text only there.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The window's rectangle in the client coordinates of `parent`.
RECT RectIn(HWND window, HWND parent);
// "Class \"text\"" for failure messages; "nothing" for nullptr.
std::string Describe(HWND window);
std::vector<std::wstring> ListTexts(HWND list);

// The text a message box shows: that of its text control (id 0xFFFF), or
// failing that the longest text among its static controls.
std::wstring MessageBoxText(HWND box);
// The edit control of a file dialog's file-name box (control 0x47C, an Edit
// or a combo box holding one; 0x480 in older dialogs). nullptr if none.
HWND FileNameEdit(HWND dialog);

// WM_SETTEXT; false when the window did not take the text.
bool SetTextOf(HWND window, const std::wstring& text);

// The list entry the program must show for a mode: its label with the answer
// to the same test request (CDS_TEST) the program makes.
std::wstring ExpectedModeEntry(int bits, int width, int height);

// The screen's size as this process sees it (the Wine desktop's size).
struct ScreenSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
    friend std::ostream& operator<<(std::ostream& out, const ScreenSize& s) {
        return out << s.width << "x" << s.height;
    }
};
ScreenSize CurrentScreenSize();
bool WaitForScreenSize(ScreenSize expected);

bool PathExists(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// "43 3A 5C ..." for failure messages about bytes.
std::string HexBytes(std::string_view bytes);
// The names in a folder, sorted; "." and ".." left out.
std::vector<std::wstring> NamesIn(const std::wstring& folder);

// A new, empty temporary folder, deleted with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    // Makes the folder, its name beginning with `prefix`. False, with the
    // reason in *error, on failure.
    bool Create(const std::wstring& prefix, std::string* error);
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// A file to put into the program's folder before it starts.
struct InitialFile {
    std::wstring name;
    std::string bytes;
};

// The buttons, by caption. U+FF1E is the full-width greater-than sign.
inline constexpr const wchar_t* kLaunchAndExit = L"起動\uFF1E終了";
inline constexpr const wchar_t* kLaunchAndStay = L"起動\uFF1E待機";
inline constexpr const wchar_t* kChooseFile = L"実行ファイル選択";
inline constexpr const wchar_t* kChangeMode = L"解像度変更";
inline constexpr const wchar_t* kChangeModeAndLaunch = L"解像度変更\uFF1E起動";
inline constexpr const wchar_t* kRestoreMode = L"変更前の解像度に戻す";
inline constexpr const wchar_t* kExit = L"終了";
inline constexpr const wchar_t* kRestoreModeAndExit = L"解像度を戻す\uFF1E終了";

// The program's three text boxes, as the user sees them: the executable's
// path on top, then X and Y side by side.
enum class TextField { Executable, X, Y };

// The ResoLaunch processes that run now, but `except`: the guards, where the
// tests' own ResoLaunch has ended.
std::vector<DWORD> ResoLaunchProcesses(DWORD except = 0);

class AppUnderTest {
public:
    AppUnderTest() = default;
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;
    ~AppUnderTest();  // closes the program if still running, removes its folder

    // Copies the program into a new temporary folder, puts `files` beside
    // it, starts it there and waits until its main window is shown and its
    // message loop is idle. False, with the reason in *error, on failure.
    bool Start(std::string* error, const std::vector<InitialFile>& files = {});

    // Asks the main window to close (WM_CLOSE) and waits for the process to
    // end. False, with the reason in *error, when it did not end in time; the
    // process is then terminated.
    bool Close(std::string* error);

    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }
    const std::wstring& Folder() const { return folder_.Path(); }
    DWORD ExitCode() const { return exitCode_; }

    bool IsRunning() const;
    // The main window's children in creation order (GW_CHILD, GW_HWNDNEXT).
    std::vector<HWND> Children() const;
    // Every visible top-level window of the process, owned ones included.
    std::vector<HWND> AllVisibleWindows() const;
    // The window that has the keyboard focus in the program's GUI thread.
    HWND Focus() const;
    // Waits until the program's thread has handled every message sent before.
    bool Sync() const;

    // Waits until the program has taken and handled every message posted to
    // it before, such as a button press and all the handler did: a marker
    // posted behind them must have had its effect. Not a barrier while a
    // handler runs its own message loop (a modal box, a wait that keeps the
    // window painted); false when the program ended or did not get there.
    bool WaitUntilPostedHandled() const;
    // Waits for the process to end; false when it still runs after `timeout`.
    bool WaitForExit(std::chrono::milliseconds timeout = kExitTimeout) const;

    // path.txt in the program's folder.
    std::wstring SettingsPath() const { return Folder() + L"\\path.txt"; }

    // The main window's controls; nullptr when missing. A button is found by
    // its exact caption, a text box by its place.
    HWND Button(const std::wstring& caption) const;
    HWND TextBox(TextField field) const;
    HWND List() const;
    // The first list entry with exactly this text, -1 when there is none.
    int ListIndexOf(const std::wstring& text) const;

    bool SetText(TextField field, const std::wstring& text) const;
    std::wstring Text(TextField field) const;
    // Selects a list entry (LB_SETCURSEL, -1 for none); false on no answer.
    bool SelectListEntry(int index) const;
    // The selected list entry, -1 (LB_ERR) for none.
    int SelectedListEntry() const;
    // Presses a button the way a click does (BM_CLICK), posted, so that the
    // driver goes on while the handler shows a modal window.
    bool Press(HWND button) const;

    // The visible dialog-class windows (#32770) of the process: message
    // boxes and the file dialog.
    std::vector<HWND> Dialogs() const;
    // The program's message box (a dialog titled "ResoLaunch"), once one is
    // shown; nullptr when none appeared in time or the program ended.
    HWND WaitForMessageBox() const;
    // A dialog other than a message box (the file dialog), once one is shown.
    HWND WaitForFileDialog() const;
    // Presses the dialog's button `id` (WM_COMMAND, posted) and waits until
    // the dialog has been destroyed, which ends the modal loop that showed
    // it. False when it stayed.
    bool CloseDialog(HWND dialog, int id) const;

private:
    template <typename Match>
    HWND WaitForDialog(Match match) const;

public:
    // Ends the process at once, as the Task Manager does, and waits for its end.
    void Kill() { EndProcess(); }

private:
    void EndProcess();

    ScratchFolder folder_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND main_ = nullptr;
    mutable DWORD exitCode_ = STILL_ACTIVE;
};

}  // namespace resolaunch::e2e
