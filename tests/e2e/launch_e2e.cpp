// Launch and place, end to end: ResoLaunch starts the tests' own program
// (delayed_window.exe), waits for its window and moves it to the typed X/Y.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr const wchar_t* kBadX = L"表示位置 X には整数を入力して下さい。";
constexpr const wchar_t* kBadY = L"表示位置 Y には整数を入力して下さい。";
constexpr const wchar_t* kStartFailed = L"起動に失敗しました。(ToT)";

constexpr int kTargetDelayMs = 400;

class LaunchAndPlace : public ProgramFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        target_ = Scratch(L"delayed_window.exe");
        report_ = Scratch(L"report.txt");
        ASSERT_TRUE(PlaceTarget(target_, title_, kTargetDelayMs, report_));
        ::GetWindowRect(app_.Main(), &mainBefore_);
    }

    // The main window is where it was, shown and enabled.
    AssertionResult MainWindowUnchanged() const {
        RECT now{};
        ::GetWindowRect(app_.Main(), &now);
        if (!::EqualRect(&now, &mainBefore_)) {
            return AssertionFailure() << "the main window moved from (" << mainBefore_.left << "," << mainBefore_.top
                                      << ") to (" << now.left << "," << now.top << ")";
        }
        return StillRunningAndShown();
    }

    // Nothing was started: no report, no window.
    AssertionResult NothingStarted() const {
        if (PathExists(report_)) {
            return AssertionFailure() << "a program was started: " << Utf8(report_) << " exists";
        }
        if (!WindowsTitled(title_).empty()) {
            return AssertionFailure() << "a window \"" << Utf8(title_) << "\" is shown";
        }
        return AssertionSuccess();
    }

    // The report tells of exactly one start, of `program`; *start is that one.
    static AssertionResult StartedOnce(const std::wstring& program, const std::wstring& report, TargetStart* start) {
        const std::vector<TargetStart> starts = ReadTargetReport(report);
        if (starts.size() != 1) {
            return AssertionFailure() << starts.size() << " starts reported, expected one";
        }
        *start = starts[0];
        if (!SameText(start->module, program)) {
            return AssertionFailure() << "started " << Utf8(start->module) << ", expected " << Utf8(program);
        }
        return AssertionSuccess();
    }

    std::wstring title_ = L"PlacedTarget";
    std::wstring target_;
    std::wstring report_;
    RECT mainBefore_{};
};

TEST_F(LaunchAndPlace, LaunchAndStayPlacesTheProgramsWindowAndKeepsTheMainWindow) {
    ASSERT_TRUE(Enter(target_, L"37", L"41"));
    HWND window = nullptr;
    ASSERT_TRUE(LaunchAndStay(title_, report_, &window));
    EXPECT_TRUE(MainWindowUnchanged());
    EXPECT_TRUE(NoDialogShown());

    TargetStart start;
    ASSERT_TRUE(StartedOnce(target_, report_, &start));
    // The window was shown somewhere else first and moved afterwards.
    ASSERT_TRUE(start.created.has_value());
    EXPECT_FALSE(start.created->left == kX && start.created->top == kY);
    EXPECT_EQ(start.created->right - start.created->left, 300);
    EXPECT_EQ(start.created->bottom - start.created->top, 200);
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

    ASSERT_TRUE(WaitForPlacedTarget(title_, report_));
    ASSERT_TRUE(app_.WaitForExit(kExitAfterWatchTimeout))
        << "ResoLaunch still runs " << kExitAfterWatchTimeout.count() << " ms after the move";
    EXPECT_EQ(app_.ExitCode(), 0u);
    // The started program outlives it.
    EXPECT_EQ(WindowsTitled(title_).size(), 1u);
}

TEST_F(LaunchAndPlace, TwoClicksOfLaunchAndExitBackToBackStartTheProgramOnce) {
    ASSERT_TRUE(Enter(target_, L"37", L"41"));
    const HWND button = app_.Button(kLaunchAndExit);
    ASSERT_TRUE(app_.Press(button));
    ASSERT_TRUE(app_.Press(button));

    ASSERT_TRUE(WaitForPlacedTarget(title_, report_));
    ASSERT_TRUE(app_.WaitForExit(kExitAfterWatchTimeout))
        << "ResoLaunch still runs " << kExitAfterWatchTimeout.count() << " ms after the move";
    // A second start would report itself at once; give it the time a start takes.
    EXPECT_FALSE(WaitUntil([&] { return ReadTargetReport(report_).size() > 1; }, 2s))
        << "the program was started " << ReadTargetReport(report_).size() << " times";
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
    ASSERT_TRUE(LaunchAndStay(L"SpaceCase", report));

    TargetStart start;
    ASSERT_TRUE(StartedOnce(program, report, &start));
    EXPECT_TRUE(SameText(start.directory, folder)) << "current directory " << Utf8(start.directory);
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
    ASSERT_TRUE(LaunchAndStay(L"ArgsCase", report));

    TargetStart start;
    ASSERT_TRUE(StartedOnce(program, report, &start));
    EXPECT_NE(start.commandLine.find(arguments), std::wstring::npos) << "command line " << Utf8(start.commandLine);
    EXPECT_TRUE(SameText(start.directory, folder)) << "current directory " << Utf8(start.directory);
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Enter(target_, c.x, c.y));
        ASSERT_TRUE(Press(c.button));
        ASSERT_TRUE(MessageShown(c.message));
        EXPECT_TRUE(::IsWindowVisible(app_.Main())) << "the main window was hidden";
        EXPECT_TRUE(NothingStarted());
        ASSERT_TRUE(DismissMessage());
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_TRUE(NoDialogShown());
        EXPECT_TRUE(MainWindowUnchanged());
    }

    // Blanks around the number and full-width digits are fine. The program is
    // started once now, so none of the presses above started it.
    SCOPED_TRACE("full-width X and blank-padded Y");
    ASSERT_TRUE(Enter(target_, L"\u3000\uFF13\uFF17 ", L" 41\t"));
    ASSERT_TRUE(LaunchAndStay(title_, report_));
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

}  // namespace
}  // namespace resolaunch::e2e
