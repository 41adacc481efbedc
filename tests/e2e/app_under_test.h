#pragma once

// A copy of ResoLaunch.exe started in a folder of its own, seen from the
// outside: its process, its windows and the messages any other program may
// send them. Nothing here knows the program's source.

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace resolaunch::e2e {

using namespace std::chrono_literals;

// How long the driver waits for a state before it calls the check failed.
inline constexpr std::chrono::milliseconds kStartTimeout = 30s;
inline constexpr std::chrono::milliseconds kStateTimeout = 5s;
inline constexpr std::chrono::milliseconds kExitTimeout = 10s;

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

// Sends a message that other processes' windows understand, giving up when
// the receiver hangs. False when the receiver did not answer.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

class AppUnderTest {
public:
    AppUnderTest() = default;
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;
    // Ends the program if still running (WM_CLOSE, then termination) and
    // removes its folder.
    ~AppUnderTest();

    // Copies the program into a new temporary folder, starts it there and
    // waits until its main window is shown and its message loop is idle.
    // On failure returns false and describes why in *error.
    bool Start(std::string* error);

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
