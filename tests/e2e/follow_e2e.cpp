// Following the started program, end to end: a launcher starts the game and
// ends at once (cmd's start, or a stub program), the game's window is placed
// all the same, and with "ゲーム終了時に解像度を戻す" checked the screen goes
// back to its own mode when the game ends.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr UINT kRestoreOnEndCommand = 0x0010;
constexpr const wchar_t* kGameTitle = L"FollowedGame";
// The game shows its window this long after it started, after its launcher has ended.
constexpr int kGameDelayMs = 900;

enum class Via {
    CmdStart,        // cmd.exe /c start "" game.exe
    Stub,            // a program that starts the game and ends
    StubBreakingAway,  // the same, starting the game outside its own job
};

std::string NameOf(const ::testing::TestParamInfo<Via>& info) {
    switch (info.param) {
    case Via::CmdStart:
        return "CmdStart";
    case Via::Stub:
        return "Stub";
    case Via::StubBreakingAway:
        return "StubBreakingAway";
    }
    return "Unknown";
}

class FollowedLaunch : public ProgramFixture, public ::testing::WithParamInterface<Via> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        game_ = Scratch(L"Game Folder\\game.exe");
        report_ = Scratch(L"game-report.txt");
        ASSERT_TRUE(PlaceTarget(game_, kGameTitle, kGameDelayMs, report_));
        if (GetParam() == Via::CmdStart) {
            command_ = L"cmd.exe /c start \"\" " + Quoted(game_);
        } else {
            const std::wstring stub = Scratch(L"Launcher\\launcher.exe");
            const std::wstring options = L"--hand-over " + Quoted(game_) + L" --report " +
                                         Quoted(Scratch(L"launcher-report.txt")) +
                                         (GetParam() == Via::StubBreakingAway ? L" --break-away" : L"");
            std::string error;
            ASSERT_TRUE(PlaceTargetProgram(stub, options, &error)) << error;
            command_ = Quoted(stub);
        }
        smaller_ = ModeIndex(kSmallerSize, 32);
        ASSERT_GE(smaller_, 0) << "no list entry for 800 x 600 at 32 bits";
    }

    // Checks the system menu's item as a tool may, with WM_SYSCOMMAND, and
    // waits until the choice is written down.
    AssertionResult CheckRestoreItem() const {
        if (!::PostMessageW(app_.Main(), WM_SYSCOMMAND, kRestoreOnEndCommand, 0)) {
            return AssertionFailure() << LastError("PostMessageW(WM_SYSCOMMAND)");
        }
        const std::wstring ini = app_.Folder() + L"\\ResoLaunch.ini";
        const std::string expected = "[Options]\r\nRestoreWhenProgramEnds=1\r\n";
        if (!WaitUntil([&] { return ReadFileBytes(ini) == expected; })) {
            return AssertionFailure() << "ResoLaunch.ini holds \"" << ReadFileBytes(ini).value_or("<nothing>") << "\"";
        }
        return AssertionSuccess();
    }

    // With ゲーム終了時に解像度を戻す checked, 解像度変更＞起動 of the game at
    // 800 x 600; waits until its window is placed and the press handled.
    AssertionResult ChangeModeAndLaunchWithRestoreChecked(HWND* window) const {
        if (AssertionResult checked = CheckRestoreItem(); !checked) {
            return checked;
        }
        if (AssertionResult entered = Enter(command_, L"37", L"41"); !entered) {
            return entered;
        }
        if (!app_.SelectListEntry(smaller_)) {
            return AssertionFailure() << "list entry " << smaller_ << " could not be selected";
        }
        if (AssertionResult pressed = Press(kChangeModeAndLaunch); !pressed) {
            return pressed;
        }
        if (!WaitForScreenSize(kSmallerSize)) {
            return AssertionFailure() << "the screen is at " << CurrentScreenSize();
        }
        if (AssertionResult placed = WaitForPlacedTarget(kGameTitle, report_, window); !placed) {
            return placed;
        }
        return app_.WaitUntilPostedHandled() ? AssertionSuccess() : AssertionFailure() << "the press was not handled";
    }

    // Closes the game's window, as its player would, and waits for its end.
    AssertionResult EndGame(HWND window) const {
        const std::vector<TargetStart> starts = ReadTargetReport(report_);
        if (starts.size() != 1) {
            return AssertionFailure() << starts.size() << " starts of the game reported";
        }
        const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, starts[0].processId);
        if (process == nullptr) {
            return AssertionFailure() << LastError("OpenProcess for the game");
        }
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        const bool ended = ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count())) == WAIT_OBJECT_0;
        ::CloseHandle(process);
        ended_ = PerformanceCounter();
        return AssertionResult(ended) << "the game did not end";
    }

    // Waits for the screen to be back at the desktop's own size and says how long that took.
    AssertionResult RestoredAfterTheGame() const {
        if (!WaitForScreenSize(kDesktopSize)) {
            return AssertionFailure() << "the screen stayed at " << CurrentScreenSize();
        }
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        std::printf("follow: the screen was back %.0f ms after the game had ended\n",
                    static_cast<double>(PerformanceCounter() - ended_) * 1000.0 / static_cast<double>(frequency.QuadPart));
        std::fflush(stdout);
        return AssertionSuccess();
    }

    std::wstring game_;
    std::wstring report_;
    std::wstring command_;
    int smaller_ = -1;
    mutable long long ended_ = 0;
};

// Every kind of launcher, also one that hands the game over outside the family.
class AnyLauncher : public FollowedLaunch {};
// Launchers whose game stays in the family.
class LauncherInTheFamily : public FollowedLaunch {};

TEST_P(AnyLauncher, ChangeModeAndLaunchPlacesTheGameAndPutsTheScreenBackWhenItEnds) {
    HWND window = nullptr;
    ASSERT_TRUE(ChangeModeAndLaunchWithRestoreChecked(&window));
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize) << "the screen went back while the game runs";

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(StillRunningAndShown());
}

TEST_P(LauncherInTheFamily, LaunchAndExitStaysWithoutAWindowUntilTheGameEndsThenRestoresAndEnds) {
    ASSERT_TRUE(CheckRestoreItem());
    ASSERT_TRUE(ChangeMode(smaller_, kSmallerSize));
    ASSERT_TRUE(Enter(command_, L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndExit));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    EXPECT_TRUE(app_.IsRunning()) << "ResoLaunch ended while the game runs";
    EXPECT_FALSE(::IsWindowVisible(app_.Main())) << "the main window is shown again";

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    ASSERT_TRUE(app_.WaitForExit()) << "ResoLaunch still runs after the game has ended";
    EXPECT_EQ(app_.ExitCode(), 0u);
}

TEST_P(LauncherInTheFamily, UncheckedTheScreenStaysWhenTheGameEnds) {
    ASSERT_TRUE(Enter(command_, L"37", L"41"));
    ASSERT_TRUE(app_.SelectListEntry(smaller_));
    ASSERT_TRUE(Press(kChangeModeAndLaunch));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    ASSERT_TRUE(EndGame(window));
    // A restore would follow the game's end at once; give it that time.
    EXPECT_FALSE(WaitUntil([] { return CurrentScreenSize() != kSmallerSize; }, 1500ms))
        << "the screen changed to " << CurrentScreenSize();
    EXPECT_FALSE(PathExists(app_.Folder() + L"\\ResoLaunch.ini")) << "the choice was written unasked";
    EXPECT_TRUE(StillRunningAndShown());
}

// A start that fails while a launch runs leaves that launch followed.
class FailedStartMeanwhile : public FollowedLaunch {};

TEST_P(FailedStartMeanwhile, TheRunningGamesEndStillPutsTheScreenBack) {
    HWND window = nullptr;
    ASSERT_TRUE(ChangeModeAndLaunchWithRestoreChecked(&window));

    ASSERT_TRUE(Enter(Scratch(L"absent\\nothing.exe"), L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndStay));
    ASSERT_TRUE(MessageShown(L"起動に失敗しました。(ToT)\n", /*prefixOnly=*/true));
    ASSERT_TRUE(DismissMessage());
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    EXPECT_TRUE(StillRunningAndShown());
}

INSTANTIATE_TEST_SUITE_P(Launchers, FailedStartMeanwhile, ::testing::Values(Via::Stub), NameOf);
INSTANTIATE_TEST_SUITE_P(Launchers, AnyLauncher, ::testing::Values(Via::CmdStart, Via::Stub, Via::StubBreakingAway),
                         NameOf);
INSTANTIATE_TEST_SUITE_P(Launchers, LauncherInTheFamily, ::testing::Values(Via::CmdStart, Via::Stub), NameOf);

}  // namespace
}  // namespace resolaunch::e2e
