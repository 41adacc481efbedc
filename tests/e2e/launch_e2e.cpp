// Launch and place, end to end: ResoLaunch starts the tests' own program
// (delayed_window.exe), waits for its window and moves it to the typed X/Y.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr const wchar_t* kBadX = L"表示位置 X には整数を入力して下さい。";
constexpr const wchar_t* kBadY = L"表示位置 Y には整数を入力して下さい。";
constexpr const wchar_t* kStartFailed = L"起動に失敗しました。(ToT)";

constexpr int kX = 37;
constexpr int kY = 41;
constexpr int kTargetDelayMs = 400;

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

class LaunchAndPlace : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(StartProgram());
        target_ = Scratch(L"delayed_window.exe");
        report_ = Scratch(L"report.txt");
        ASSERT_TRUE(PlaceTarget(target_, title_, kTargetDelayMs, report_));
        ::GetWindowRect(app_.Main(), &mainBefore_);
    }

    // The main window is where it was, shown and enabled.
    ::testing::AssertionResult MainWindowUnchanged() const {
        RECT now{};
        ::GetWindowRect(app_.Main(), &now);
        if (!::EqualRect(&now, &mainBefore_)) {
            return ::testing::AssertionFailure() << "the main window moved from (" << mainBefore_.left << ","
                                                 << mainBefore_.top << ") to (" << now.left << "," << now.top << ")";
        }
        return StillRunningAndShown();
    }

    // Nothing was started: no report, no window.
    ::testing::AssertionResult NothingStarted(const std::wstring& report, const std::wstring& title) const {
        if (PathExists(report)) {
            return ::testing::AssertionFailure() << "a program was started: " << Utf8(report) << " exists";
        }
        if (!WindowsTitled(title).empty()) {
            return ::testing::AssertionFailure() << "a window \"" << Utf8(title) << "\" is shown";
        }
        return ::testing::AssertionSuccess();
    }

    std::wstring title_ = L"PlacedTarget";
    std::wstring target_;
    std::wstring report_;
    RECT mainBefore_{};
};

TEST_F(LaunchAndPlace, LaunchAndStayPlacesTheProgramsWindowAndKeepsTheMainWindow) {
    ASSERT_TRUE(Enter(target_, L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndStay));

    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(title_, kX, kY, report_, &window));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());
    EXPECT_TRUE(MainWindowUnchanged());
    EXPECT_TRUE(NoDialogShown());

    const std::vector<TargetStart> starts = ReadTargetReport(report_);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(SamePath(starts[0].module, target_)) << Utf8(starts[0].module);
    // The window was shown somewhere else first and moved afterwards.
    ASSERT_TRUE(starts[0].created.has_value());
    EXPECT_FALSE(starts[0].created->left == kX && starts[0].created->top == kY);
    EXPECT_EQ(starts[0].created->right - starts[0].created->left, 300);
    EXPECT_EQ(starts[0].created->bottom - starts[0].created->top, 200);
    RECT placed{};
    ASSERT_TRUE(::GetWindowRect(window, &placed));
    EXPECT_EQ(placed.right, kX + 303);
    EXPECT_EQ(placed.bottom, kY + 220);
}

TEST_F(LaunchAndPlace, LaunchAndExitHidesTheMainWindowPlacesTheWindowAndEnds) {
    ASSERT_TRUE(Enter(target_, L"37", L"41"));
    const HWND main = app_.Main();
    ASSERT_TRUE(Press(kLaunchAndExit));

    // Hidden while it still exists, before the program's window appears (it
    // waits 400 ms first).
    bool hidden = false;
    bool targetShown = false;
    WaitUntil([&] {
        if (::IsWindow(main) && !::IsWindowVisible(main)) {
            hidden = true;
            targetShown = !WindowsTitled(title_).empty();
            return true;
        }
        return !app_.IsRunning();
    });
    EXPECT_TRUE(hidden) << "the main window was not hidden";
    EXPECT_FALSE(targetShown) << "the program's window appeared before the main window was hidden";

    ASSERT_TRUE(WaitForPlacedTarget(title_, kX, kY, report_));
    ASSERT_TRUE(app_.WaitForExit()) << "ResoLaunch still runs " << kExitTimeout.count() << " ms after the move";
    EXPECT_EQ(app_.ExitCode(), 0u);
    // The started program outlives it.
    EXPECT_EQ(WindowsTitled(title_).size(), 1u);
}

TEST_F(LaunchAndPlace, PathInAFolderWithASpaceStartsExactlyThatProgramInItsFolder) {
    // A naive start of "...\Game Folder\delayed_window.exe" unquoted would
    // run "...\Game.exe" first: that decoy reports itself if started.
    const std::wstring folder = Scratch(L"Game Folder");
    const std::wstring program = folder + L"\\delayed_window.exe";
    const std::wstring report = Scratch(L"space-report.txt");
    const std::wstring decoyReport = Scratch(L"decoy-report.txt");
    ASSERT_TRUE(PlaceTarget(program, L"SpaceCase", 0, report));
    ASSERT_TRUE(PlaceTarget(Scratch(L"Game.exe"), L"Decoy", 0, decoyReport));

    ASSERT_TRUE(Enter(program, L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndStay));
    ASSERT_TRUE(WaitForPlacedTarget(L"SpaceCase", kX, kY, report));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    const std::vector<TargetStart> starts = ReadTargetReport(report);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(SamePath(starts[0].module, program)) << Utf8(starts[0].module);
    EXPECT_TRUE(SamePath(starts[0].directory, folder)) << "current directory " << Utf8(starts[0].directory);
    EXPECT_TRUE(ReadTargetReport(decoyReport).empty()) << "the decoy ...\\Game.exe was started";
    EXPECT_TRUE(WindowsTitled(L"Decoy").empty());
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(MainWindowUnchanged());
}

TEST_F(LaunchAndPlace, CommandLineWithArgumentsStartsTheProgramWithThem) {
    const std::wstring folder = Scratch(L"Args Folder");
    const std::wstring program = folder + L"\\delayed_window.exe";
    const std::wstring report = Scratch(L"args-report.txt");
    // No options beside the program: all it knows comes from the command line.
    std::string error;
    ASSERT_TRUE(PlaceTargetProgram(program, L"", &error)) << error;
    WatchReport(report);

    const std::wstring arguments = L" --delay 300 --title ArgsCase --report " + Quoted(report);
    ASSERT_TRUE(Enter(Quoted(program) + arguments, L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndStay));
    ASSERT_TRUE(WaitForPlacedTarget(L"ArgsCase", kX, kY, report));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    const std::vector<TargetStart> starts = ReadTargetReport(report);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(SamePath(starts[0].module, program)) << Utf8(starts[0].module);
    EXPECT_NE(starts[0].commandLine.find(arguments), std::wstring::npos)
        << "command line " << Utf8(starts[0].commandLine);
    EXPECT_TRUE(SamePath(starts[0].directory, folder)) << "current directory " << Utf8(starts[0].directory);
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(MainWindowUnchanged());
}

TEST_F(LaunchAndPlace, PositionsThatAreNoWholeNumbersStartNothing) {
    struct Case {
        const char* name;
        const wchar_t* button;
        const wchar_t* x;
        const wchar_t* y;
        const wchar_t* message;
    };
    const Case cases[] = {
        {"letters in Y", kLaunchAndStay, L"100", L"abc", kBadY},
        {"letters in X", kLaunchAndStay, L"abc", L"100", kBadX},
        {"both wrong: Y is checked first", kLaunchAndStay, L"1.5", L"", kBadY},
        {"Y beyond 32 bits", kLaunchAndStay, L"0", L"2147483648", kBadY},
        {"X below 32 bits", kLaunchAndStay, L"-2147483649", L"0", kBadX},
        {"letters in Y, launch and exit", kLaunchAndExit, L"10", L"y", kBadY},
    };
    const HWND main = app_.Main();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Enter(target_, c.x, c.y));
        ASSERT_TRUE(Press(c.button));
        ASSERT_TRUE(MessageShown(c.message));
        EXPECT_TRUE(::IsWindowVisible(main)) << "the main window was hidden";
        EXPECT_TRUE(NothingStarted(report_, title_));
        ASSERT_TRUE(DismissMessage());
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_TRUE(NoDialogShown());
        EXPECT_TRUE(MainWindowUnchanged());
    }

    // Blanks around the number and full-width digits are fine. The program is
    // started once now, so none of the presses above started it.
    SCOPED_TRACE("full-width X and blank-padded Y");
    ASSERT_TRUE(Enter(target_, L"\u3000\uFF13\uFF17 ", L" 41\t"));
    ASSERT_TRUE(Press(kLaunchAndStay));
    ASSERT_TRUE(WaitForPlacedTarget(title_, kX, kY, report_));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());
    EXPECT_EQ(ReadTargetReport(report_).size(), 1u);
    EXPECT_TRUE(NoDialogShown());
}

TEST_F(LaunchAndPlace, AMissingProgramIsReportedAndTheProgramGoesOn) {
    const std::wstring missing = Scratch(L"absent\\nothing.exe");
    for (const wchar_t* button : {kLaunchAndStay, kLaunchAndExit}) {
        SCOPED_TRACE(Utf8(button));
        ASSERT_TRUE(Enter(missing, L"37", L"41"));
        ASSERT_TRUE(Press(button));
        std::wstring text;
        ASSERT_TRUE(MessageShown(std::wstring(kStartFailed) + L"\n" + missing + L"\n", /*prefixOnly=*/true, &text));
        EXPECT_GT(text.size(), std::wstring(kStartFailed).size() + missing.size() + 2) << "no reason given";
        EXPECT_TRUE(::IsWindowVisible(app_.Main())) << "the main window is hidden while the message shows";
        ASSERT_TRUE(DismissMessage());
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_TRUE(MainWindowUnchanged());
        EXPECT_TRUE(NoDialogShown());
    }
}

TEST_F(LaunchAndPlace, TimeFromClickToPlacement) {
    constexpr int kRuns = 3;
    for (int run = 1; run <= kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const std::wstring title = L"Timing" + std::to_wstring(run);
        const std::wstring report = Scratch(L"timing-" + std::to_wstring(run) + L".txt");
        WatchReport(report);
        ASSERT_TRUE(Enter(Quoted(target_) + L" --delay " + std::to_wstring(kTargetDelayMs) + L" --title " + title +
                              L" --report " + Quoted(report),
                          L"37", L"41"));
        const HWND button = app_.Button(kLaunchAndStay);
        ASSERT_NE(button, nullptr);

        const long long clicked = PerformanceCounter();
        ASSERT_TRUE(app_.Press(button));
        long long placed = 0;
        const auto deadline = std::chrono::steady_clock::now() + kSlowStateTimeout;
        while (placed == 0 && std::chrono::steady_clock::now() < deadline) {
            for (HWND window : WindowsTitled(title)) {
                RECT rect{};
                if (::GetWindowRect(window, &rect) && rect.left == kX && rect.top == kY) {
                    placed = PerformanceCounter();
                }
            }
            if (placed == 0) {
                ::Sleep(1);
            }
        }
        ASSERT_NE(placed, 0) << "the window was not placed in time";

        // The target writes down the move once it has handled it, a moment
        // after its rectangle has changed.
        const auto movedThere = [&](const TargetStart& start) {
            for (const TargetStart::Move& move : start.moves) {
                if (move.rect.left == kX && move.rect.top == kY) {
                    return &move;
                }
            }
            return static_cast<const TargetStart::Move*>(nullptr);
        };
        std::vector<TargetStart> starts;
        WaitUntil([&] {
            starts = ReadTargetReport(report);
            return starts.size() == 1 && movedThere(starts[0]) != nullptr;
        });
        ASSERT_EQ(starts.size(), 1u);
        ASSERT_TRUE(starts[0].showing.has_value());
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        const double started = Milliseconds(starts[0].started - clicked, frequency.QuadPart);
        const double shown = Milliseconds(*starts[0].showing - clicked, frequency.QuadPart);
        const double placedAfter = Milliseconds(placed - clicked, frequency.QuadPart);
        // When the target itself saw the move, as a check on the 1 ms polling.
        const TargetStart::Move* move = movedThere(starts[0]);
        const double moveSeen = move != nullptr ? Milliseconds(move->at - clicked, frequency.QuadPart) : -1.0;
        const double painted =
            starts[0].shown ? Milliseconds(*starts[0].shown - clicked, frequency.QuadPart) : -1.0;
        std::printf("launch: target showed its window after %.1f ms, placed after %.1f ms (wait overhead %.1f ms)\n"
                    "        process started after %.1f ms, its delay %d ms, window shown and painted after %.1f ms,"
                    " the target handled the move after %.1f ms\n",
                    shown, placedAfter, placedAfter - shown, started, kTargetDelayMs, painted, moveSeen);
        std::fflush(stdout);

        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_TRUE(NoDialogShown());
        EXPECT_TRUE(targets_.EndAll());
    }
}

}  // namespace
}  // namespace resolaunch::e2e
