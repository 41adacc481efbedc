#pragma once

// A copy of ResoLaunch.exe started in a folder of its own, seen from the
// outside: its process, its windows and the messages any other program may
// send them. Nothing here knows the program's source.

#include <windows.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace resolaunch::e2e {

using namespace std::chrono_literals;

// How long the driver waits for a state before it calls the check failed.
inline constexpr std::chrono::milliseconds kStartTimeout = 30s;
inline constexpr std::chrono::milliseconds kStateTimeout = 5s;
inline constexpr std::chrono::milliseconds kExitTimeout = 10s;
// For states that need Wine to start a process or switch the screen.
inline constexpr std::chrono::milliseconds kSlowStateTimeout = 15s;

// Polls `condition` every few milliseconds until it holds or `timeout` has
// passed; returns whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kStateTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::Sleep(5);
    }
}

// The program under test: RESOLAUNCH_EXE when set, else ResoLaunch.exe beside
// this driver or two folders up from it (the build tree's layout).
std::wstring ProductPath();

std::string Utf8(const std::wstring& text);

// A window's text through WM_GETTEXT, which the system carries across
// processes; edit controls hold their text only there.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The window's rectangle in the client coordinates of `parent`.
RECT RectIn(HWND window, HWND parent);
// "Class \"text\"" for failure messages.
std::string Describe(HWND window);

// The text a message box shows: that of its text control (id 0xFFFF), or
// failing that the longest text among its static controls.
std::wstring MessageBoxText(HWND box);
// The edit control of a file dialog's file-name box (control 0x47C, an Edit
// or a combo box holding one; 0x480 in older dialogs). nullptr if none.
HWND FileNameEdit(HWND dialog);

// Sends a message that other processes' windows understand, giving up when
// the receiver hangs. False when the receiver did not answer.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

// Sets a window's text through WM_SETTEXT, which the system carries across
// processes. False when the window did not take it.
bool SetTextOf(HWND window, const std::wstring& text);

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
// Waits until the screen has the size `expected`; false when it did not in time.
bool WaitForScreenSize(ScreenSize expected, std::chrono::milliseconds timeout = kSlowStateTimeout);

// Files, byte for byte.
bool PathExists(const std::wstring& path);
// Nothing when the file cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// Creates or replaces the file with exactly `bytes`.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// "43 3A 5C ..." for failure messages about bytes.
std::string HexBytes(std::string_view bytes);
// The names in a folder, sorted; "." and ".." left out.
std::vector<std::wstring> NamesIn(const std::wstring& folder);
// The folder part of a path, without the last "\".
std::wstring ParentOf(const std::wstring& path);

// A new, empty temporary folder, deleted with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    // Makes the folder under the system's temporary folder, its name
    // beginning with `prefix`. False, with the reason in *error, on failure.
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

// The program's three text boxes, as the user sees them: the executable's
// path on top, then X and Y side by side.
enum class TextField { Executable, X, Y };

class AppUnderTest {
public:
    AppUnderTest() = default;
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;
    // Ends the program if still running (WM_CLOSE, then termination) and
    // removes its folder.
    ~AppUnderTest();

    // Copies the program into a new temporary folder, puts `files` beside
    // it, starts it there and waits until its main window is shown and its
    // message loop is idle. On failure returns false and describes why in
    // *error.
    bool Start(std::string* error, const std::vector<InitialFile>& files = {});

    // Asks the main window to close (WM_CLOSE) and waits for the process to
    // end. False, with the reason in *error, when it did not end in time; the
    // process is then terminated.
    bool Close(std::string* error);

    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }
    HANDLE Process() const { return process_; }
    const std::wstring& Folder() const { return folder_; }
    DWORD ExitCode() const { return exitCode_; }

    bool IsRunning() const;
    // The main window's children in creation order (GW_CHILD, GW_HWNDNEXT).
    std::vector<HWND> Children() const;
    // The visible top-level windows of the process that no window owns.
    std::vector<HWND> VisibleTopLevelWindows() const;
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
    bool WaitUntilPostedHandled(std::chrono::milliseconds timeout = kSlowStateTimeout) const;

    // Waits for the process to end; false when it still runs after `timeout`.
    bool WaitForExit(std::chrono::milliseconds timeout = kExitTimeout) const;

    // path.txt in the program's folder.
    std::wstring SettingsPath() const;

    // The main window's button with exactly this caption; nullptr if none.
    HWND Button(const std::wstring& caption) const;
    // One of the three text boxes, found by its place; nullptr if missing.
    HWND TextBox(TextField field) const;
    // The list of display modes; nullptr if missing.
    HWND List() const;
    // The texts of the list's entries, in order.
    std::vector<std::wstring> ListTexts() const;
    // The first list entry with exactly this text, -1 when there is none.
    int ListIndexOf(const std::wstring& text) const;

    // Sets a text box's text (WM_SETTEXT); false when it did not take it.
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
    // shown; nullptr when none appeared within `timeout` or the program ended.
    HWND WaitForMessageBox(std::chrono::milliseconds timeout = kSlowStateTimeout) const;
    // A dialog other than a message box (the file dialog), once one is shown.
    HWND WaitForFileDialog(std::chrono::milliseconds timeout = kSlowStateTimeout) const;
    // Presses the dialog's button `id` (WM_COMMAND, posted) and waits until
    // the dialog has been destroyed, which ends the modal loop that showed
    // it. False when it stayed.
    bool CloseDialog(HWND dialog, int id = IDOK) const;

private:
    bool MakeFolder(std::string* error);
    void RemoveFolder();
    void EndProcess();

    std::wstring folder_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND main_ = nullptr;
    mutable DWORD exitCode_ = STILL_ACTIVE;
};

}  // namespace resolaunch::e2e
