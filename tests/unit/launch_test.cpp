#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"
#include "utf8.h"
#include "window/handler_boundary.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeDesktop;
using testing::FakeLauncher;
using testing::FormHarness;
using namespace std::chrono_literals;

const std::wstring kBadY = L"表示位置 Y には整数を入力して下さい。";
const std::wstring kBadX = L"表示位置 X には整数を入力して下さい。";

struct LaunchTest : ::testing::Test, testing::FormHarness {
    LaunchTest() {
        controls.SetText(TextBox::Text1, L"C:\\Games\\game.exe");
        controls.SetText(TextBox::Text2, L"37");
        controls.SetText(TextBox::Text3, L"41");
        controls.changes.clear();
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {100, 50, 900, 650}});
    }

    static constexpr WindowHandle kGame = 0x2000;
    static constexpr WindowHandle kOther = 0x3000;
    static constexpr uint32_t kOlderProcess = 42;
};

TEST_F(LaunchTest, StayStartsAndMovesTheProgramsWindow) {
    Command1(1);
    EXPECT_THAT(controls.changes, ElementsAre(L"start C:\\Games\\game.exe", L"move", L"follow 500"));
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, 37, 41, 803, 620}));
    EXPECT_TRUE(controls.visible);
    EXPECT_FALSE(controls.ended);
}

TEST_F(LaunchTest, ExitHidesFirstAndEndsAfterTheMove) {
    Command1(0);
    EXPECT_THAT(controls.changes, ElementsAre(L"hide", L"pending", L"start C:\\Games\\game.exe", L"move", L"end"));
    EXPECT_FALSE(controls.visible);
}

TEST_F(LaunchTest, TheWindowShownLaterIsWaitedForUpToTenSecondsWithoutInput) {
    desktop.Remove(kGame);
    bool inputMeanwhile = true;
    launcher.AfterStart(9990ms, [this, &inputMeanwhile] {
        inputMeanwhile = controls.inputEnabled;
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
    });
    Command1(1);
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, 37, 41, 643, 500}));
    EXPECT_FALSE(inputMeanwhile) << "the main window took input while it waited";
    EXPECT_TRUE(controls.inputEnabled);
}

TEST_F(LaunchTest, TheWindowGrowsByThreeAndTwentyWhereverItWas) {
    // The rectangles (100, 50, 900, 650) and (0, 0, 800, 600) both measure 800 x 600.
    for (WindowRect rect : {WindowRect{100, 50, 900, 650}, WindowRect{0, 0, 800, 600}, WindowRect{-500, -20, 300, 580}}) {
        desktop.windows[kGame].rect = rect;
        desktop.moves.clear();
        Command1(1);
        EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, 37, 41, 803, 620}));
    }
}

TEST_F(LaunchTest, HugeRectanglesDoNotOverflow) {
    desktop.windows[kGame].rect = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    Command1(1);
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, 37, 41, INT32_MAX, INT32_MAX}));
}

TEST_F(LaunchTest, PositionsArePassedAsTyped) {
    controls.SetText(TextBox::Text2, L"-10");
    controls.SetText(TextBox::Text3, L"5");
    Command1(1);
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, -10, 5, 803, 620}));
}

TEST_F(LaunchTest, ABadPositionStartsNothingAndYIsReportedFirst) {
    for (int index : {0, 1}) {
        controls.changes.clear();
        messages.shown.clear();
        controls.SetText(TextBox::Text2, L"x");
        controls.SetText(TextBox::Text3, L"1.5");
        Command1(static_cast<int16_t>(index));
        EXPECT_THAT(messages.shown, ElementsAre(kBadY));

        controls.SetText(TextBox::Text3, L"0");
        Command1(static_cast<int16_t>(index));
        EXPECT_THAT(messages.shown, ElementsAre(kBadY, kBadX));

        EXPECT_TRUE(launcher.started.empty());
        EXPECT_TRUE(controls.visible);
        EXPECT_FALSE(controls.ended);
    }
}

TEST_F(LaunchTest, AFailedStartShowsTheCommandAndTheReasonAndTheWindowAgain) {
    launcher.startSucceeds = false;
    Command1(0);
    EXPECT_THAT(controls.changes,
                ElementsAre(L"hide", L"pending", L"start C:\\Games\\game.exe", L"show", L"message"));
    EXPECT_THAT(messages.shown, ElementsAre(L"起動に失敗しました。(ToT)\nC:\\Games\\game.exe\nthe reason"));
    EXPECT_TRUE(controls.visible);
    EXPECT_FALSE(controls.ended);
    EXPECT_TRUE(desktop.moves.empty());
}

TEST_F(LaunchTest, AFailureAfterTheWindowWasHiddenShowsItAgainBeforeTheReport) {
    launcher.familyFails = true;
    RunHandler(messages, [&] { form.Command1_Click(0); });
    EXPECT_THAT(controls.changes,
                ElementsAre(L"hide", L"pending", L"start C:\\Games\\game.exe", L"show", L"message"));
    EXPECT_TRUE(controls.visible);
    EXPECT_FALSE(controls.ended);
}

TEST_F(LaunchTest, AClickQueuedBehindLaunchAndExitThatEndsTheProgramIsTheLastThingDone) {
    // 起動＞終了 twice, back to back: the second click runs in the first one's pass.
    controls.queued = [this] { form.Command1_Click(0); };
    Command1(0);
    EXPECT_THAT(launcher.started, ElementsAre(L"C:\\Games\\game.exe")) << "started twice";
    EXPECT_EQ(desktop.moves.size(), 1u) << "the window grew twice";
    EXPECT_TRUE(controls.ended);

    // 終了 queued behind it: nothing is started at all.
    FormHarness other;
    other.controls.queued = [&other] { other.form.Command6_Click(); };
    other.form.Command1_Click(0);
    EXPECT_THAT(other.launcher.started, IsEmpty());
    EXPECT_FALSE(other.controls.visible) << "shown again while the program ends";
}

TEST_F(LaunchTest, DuringTheWindowWaitOnlyTheButtonsThatEndAct) {
    desktop.Remove(kGame);
    launcher.AfterStart(10ms, [this] {
        form.Click(kCommand1Stay);  // posted by a tool: the window takes no input then
        form.Click(kCommand4);
        form.SystemMenuCommand(kCreateShortcutCommand);
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
    });
    Click(kCommand1Stay);
    EXPECT_THAT(launcher.started, ElementsAre(L"C:\\Games\\game.exe")) << "a launch inside the launch";
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_EQ(desktop.moves.size(), 1u);

    desktop.Remove(kGame);
    launcher.AfterStart(10ms, [this] { form.Click(kCommand6); });
    Click(kCommand1Stay);
    EXPECT_TRUE(controls.ended);
    EXPECT_EQ(desktop.moves.size(), 1u) << "a wait that went on after 終了";
}

TEST_F(LaunchTest, AnEndDuringTheWindowWaitMovesNothing) {
    desktop.Remove(kGame);
    desktop.foreground = kOther;
    desktop.Add(kOther, {kOlderProcess, {10, 10, 210, 110}});
    launcher.AfterStart(100ms, [this] { form.Click(kCommand6); });
    Command1(1);
    EXPECT_THAT(desktop.moves, IsEmpty());
    EXPECT_TRUE(controls.ended);
}

TEST_F(LaunchTest, AnEmptyCommandIsAFailedStart) {
    launcher.startSucceeds = false;
    controls.SetText(TextBox::Text1, L"");
    Command1(1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].rfind(L"起動に失敗しました。(ToT)\n\n", 0), 0u);
}

TEST_F(LaunchTest, WithoutAWindowOfItsOwnTheForegroundWindowIsMoved) {
    desktop.Remove(kGame);
    desktop.foreground = kOther;
    desktop.Add(kOther, {kOlderProcess, {10, 10, 210, 110}});
    Command1(1);
    EXPECT_THAT(controls.changes, ElementsAre(L"start C:\\Games\\game.exe", L"foreground", L"move", L"follow 0"))
        << "a window open before the click keeps no launch running";
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kOther, 37, 41, 203, 120}));
}

TEST_F(LaunchTest, TheProgramsOwnWindowIsNeverMoved) {
    desktop.Remove(kGame);
    desktop.Add(controls.formWindow, {FakeLauncher::kStartedProcess, {0, 0, 340, 325}});
    desktop.foreground = controls.formWindow;
    Command1(1);
    EXPECT_TRUE(desktop.moves.empty());
    EXPECT_FALSE(controls.ended);
}

TEST_F(LaunchTest, NoWindowAtAllMovesNothingButExitStillEnds) {
    desktop.Remove(kGame);
    desktop.foreground = 0;
    Command1(0);
    EXPECT_TRUE(desktop.moves.empty());
    EXPECT_TRUE(controls.ended);
}

TEST_F(LaunchTest, AWindowWhoseRectangleCannotBeReadIsLeftAlone) {
    desktop.unreadable.insert(kGame);
    Command1(1);
    EXPECT_TRUE(desktop.moves.empty());
    EXPECT_THAT(launcher.followed, ElementsAre(FakeLauncher::Followed{1, 0})) << "followed through a window not placed";
}

// The system refuses to move the window of a program run as administrator.
TEST_F(LaunchTest, AMoveTheSystemRefusesIsNoPlacementAndIsSaidOnceAfterTheWait) {
    desktop.refusesMoves.insert(kGame);
    Command1(1);
    EXPECT_THAT(controls.changes, ElementsAre(L"start C:\\Games\\game.exe", L"move", L"message", L"follow 500"));
    EXPECT_THAT(messages.shown, ElementsAre(L"ウィンドウを移動できませんでした。(ToT)\n"
                                            L"管理者として実行されているプログラムのウィンドウは、"
                                            L"ResoLaunch を管理者として実行すると移動できます。"));
    loop.RunFor(30s);
    EXPECT_EQ(desktop.moves.size(), 1u) << "a window left where it was is not moved back";

    // A window closed just as it is moved has simply gone: nothing to say.
    desktop.refusesMoves.clear();
    desktop.goesOnMove.insert(kGame);
    messages.shown.clear();
    Command1(1);
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_THAT(launcher.followed.back(), (FakeLauncher::Followed{2, 0}));
}

TEST_F(LaunchTest, LaunchingSavesNothing) {
    Command1(1);
    Command1(0);
    EXPECT_TRUE(files.files.empty());
}

}  // namespace
}  // namespace resolaunch
