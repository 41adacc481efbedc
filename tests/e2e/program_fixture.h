#pragma once

// What the tests of the program's actions share: a fresh copy of the program
// in a folder of its own, a scratch folder for the programs it is to start,
// the end of everything those tests started, and a desktop that is back at
// its own size afterwards.

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app_under_test.h"
#include "target_program.h"

namespace resolaunch::e2e {

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

// The size of the Wine desktop the tests run in (scripts/e2e.sh).
inline constexpr ScreenSize kDesktopSize{1024, 768};
inline constexpr ScreenSize kSmallerSize{800, 600};

// Where the tests have started programs' windows placed: X and Y typed as 37 and 41.
inline constexpr int kX = 37;
inline constexpr int kY = 41;

// The program's settings line for these values, in code page 932 as the
// program writes it under a Japanese system.
std::string SettingsLine(const std::wstring& executable, const std::wstring& x, const std::wstring& y, int index);

// Where ResoLaunch keeps its records of restores owed, and their removal.
std::wstring RecordsFolder();
void RemoveRecords();

// Ends the ResoLaunch processes that run now at once, as the Task Manager's
// "End process tree" ends a guard with its owner.
void KillGuards();
// Whether the process shows any window.
bool ShowsAnyWindow(DWORD process);

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // Closes what the test left open, ends the program and everything it
    // started, and puts the desktop back to its own size.
    void TearDown() override;

    AssertionResult StartProgram(const std::vector<InitialFile>& files = {});

    // A path in the scratch folder.
    std::wstring Scratch(const std::wstring& relative) const { return scratch_.Path() + L"\\" + relative; }

    // Copies the target program to `path`; started without arguments it shows
    // a window titled `title` after `delayMs` and reports to `report`, which
    // is watched.
    AssertionResult PlaceTarget(const std::wstring& path, const std::wstring& title, int delayMs,
                                const std::wstring& report);
    // Watches a report file, so that the target programs it names end with the test.
    void WatchReport(const std::wstring& report) { targets_.Watch(report); }

    AssertionResult Press(const wchar_t* caption) const;
    AssertionResult Enter(const std::wstring& executable, const std::wstring& x, const std::wstring& y) const;

    // The index of the program's list entry for this mode, -1 if it lists none.
    int ModeIndex(ScreenSize size, int bits) const;
    // Selects list entry `index`, presses the mode change and waits until the
    // screen is at `screen` (when given) and the press has been handled.
    AssertionResult ChangeMode(int index, std::optional<ScreenSize> screen = std::nullopt) const;

    // Waits for the window titled `title` to be placed at (kX, kY), grown by 3
    // in width and 20 in height from the size it was created with (from the
    // report); fills *window.
    AssertionResult WaitForPlacedTarget(const std::wstring& title, const std::wstring& report,
                                        HWND* window = nullptr) const;
    // Presses the launch-and-stay button and waits until the window titled
    // `title` is placed at (kX, kY) and the press has been handled.
    AssertionResult LaunchAndStay(const std::wstring& title, const std::wstring& report, HWND* window = nullptr) const;

    AssertionResult NoDialogShown() const;
    // A message box of the program is shown, with exactly `expected` (or,
    // with `prefixOnly`, beginning with it); its text goes to *text.
    AssertionResult MessageShown(const std::wstring& expected, bool prefixOnly = false,
                                 std::wstring* text = nullptr) const;
    // Presses OK in the program's message box and waits until it has gone.
    AssertionResult DismissMessage() const;
    // The program still runs and shows its main window.
    AssertionResult StillRunningAndShown() const;
    AssertionResult SettingsFileIs(const std::string& expected) const;

    AppUnderTest app_;
    ScratchFolder scratch_;
    TargetPrograms targets_;
};

}  // namespace resolaunch::e2e
