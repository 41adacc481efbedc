#pragma once

// The tests' own program for ResoLaunch to start, delayed_window.exe (see
// delayed_window.cpp): where it is, what it reports and how the tests end it.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace resolaunch::e2e {

// Copies the target program (delayed_window.exe beside this driver, unless
// RESOLAUNCH_E2E_TARGET names another) to `path`, making the folders on the
// way, and writes `options` into the options file the copy reads when it
// starts. False, with the reason in *error.
bool PlaceTargetProgram(const std::wstring& path, const std::wstring& options, std::string* error);

// `text` in double quotes, for a command line.
std::wstring Quoted(const std::wstring& text);

// One start of the target program, as its report file tells it.
struct TargetStart {
    struct Move {
        long long at = 0;  // performance counter
        RECT rect{};
    };

    DWORD processId = 0;
    long long started = 0;  // performance counter at the start
    long long frequency = 0;
    std::wstring module;
    std::wstring commandLine;
    std::wstring directory;
    std::optional<RECT> created;       // the window's rectangle before it was shown
    std::optional<long long> showing;  // performance counter just before it was shown
    std::optional<long long> shown;    // performance counter once it was shown and painted
    std::vector<Move> moves;           // each move after it was shown
};

// Every start recorded in the report file, in order; empty when there is no file.
std::vector<TargetStart> ReadTargetReport(const std::wstring& path);

// The visible top-level windows with exactly this title, of any process.
std::vector<HWND> WindowsTitled(const std::wstring& title);
// The first of them whose top-left corner is at (x, y); nullptr if none is.
HWND WindowTitledAt(const std::wstring& title, int x, int y);

// Ends the target programs that recorded their start in the watched report
// files: closes their windows, then terminates what is left. Only a process
// still running the recorded program file is touched.
class TargetPrograms {
public:
    TargetPrograms() = default;
    TargetPrograms(const TargetPrograms&) = delete;
    TargetPrograms& operator=(const TargetPrograms&) = delete;
    ~TargetPrograms() { EndAll(); }

    void Watch(const std::wstring& reportPath) { reports_.push_back(reportPath); }
    // Ends them all and waits for them; false when one would not end.
    bool EndAll();

private:
    std::vector<std::wstring> reports_;
};

}  // namespace resolaunch::e2e
