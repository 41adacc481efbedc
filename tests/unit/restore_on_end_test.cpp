#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeDesktop;
using testing::FakeFileSystem;
using testing::FakeLauncher;
using testing::FakeMode;
using namespace std::chrono_literals;

const std::wstring kRestoreFailed = L"解像度を戻せませんでした。(ToT)";
const std::wstring kIni = L"C:\\Games\\ResoLaunch.ini";
// This process's record of a restore owed (the fake process 4242, created at 7).
const std::wstring kRecord = L"C:\\Users\\player\\AppData\\Local\\Temp\\ResoLaunch\\4242-7.txt";

// 解像度変更＞起動 with the system menu's "ゲーム終了時に解像度を戻す", and
// the launch's end as the platform reports it.
struct RestoreOnEndTest : ::testing::Test, testing::FormHarness {
    RestoreOnEndTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}};
        form.Form_Load();
        controls.SetText(TextBox::Text1, L"C:\\Games\\game.exe");
        controls.SetListIndex(1);
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
        form.SystemMenuCommand(kRestoreOnEndCommand);
        auto& log = controls.changes;
        display.switchHook = [&log, this] {
            log.push_back(display.changeCalls.back().request ? L"switch" : L"restore");
        };
        controls.changes.clear();
    }

    // The screen as ResoLaunch left it, or the default mode.
    bool AtDefault() const { return display.current && display.current->width == 1024; }

    static constexpr WindowHandle kGame = 0x2000;
};

TEST_F(RestoreOnEndTest, TheScreenGoesBackWhenTheLaunchAfterOurSwitchEnds) {
    form.Command4_Click();
    EXPECT_FALSE(AtDefault());
    EXPECT_THAT(launcher.followed, ElementsAre(FakeLauncher::Followed{1, FakeLauncher::kStartedProcess}));

    EXPECT_TRUE(files.files.count(kRecord)) << "the record of the restore owed";
    form.LaunchEnded(1);
    EXPECT_TRUE(AtDefault());
    // The record is in place before the switch: ResoLaunch may be ended the moment the screen has switched.
    // Once the launch is followed, it names the launch too, for the guard.
    EXPECT_THAT(controls.changes,
                ElementsAre(L"save 4242-7.txt", L"switch", L"save path.txt", L"start C:\\Games\\game.exe", L"move",
                            L"follow 500", L"save 4242-7.txt", L"restore"));
    EXPECT_FALSE(files.files.count(kRecord)) << "the record outlived the restore";
    EXPECT_THAT(messages.shown, IsEmpty()) << "silent when it works";
    EXPECT_FALSE(controls.ended);

    SCOPED_TRACE("once only");
    form.LaunchEnded(1);
    EXPECT_EQ(controls.changes.back(), L"restore");
    EXPECT_EQ(std::count(controls.changes.begin(), controls.changes.end(), L"restore"), 1);
}

TEST_F(RestoreOnEndTest, NothingGoesBackUnlessTheItemIsChecked) {
    form.SystemMenuCommand(kRestoreOnEndCommand);  // unchecked again
    form.Command4_Click();
    form.LaunchEnded(1);
    EXPECT_FALSE(AtDefault());
}

TEST_F(RestoreOnEndTest, OnlyAfterASwitchOfOurOwnThatSucceeded) {
    for (int32_t refused : {1, -1}) {
        display.switchResult = refused;
        form.Command4_Click();
        form.LaunchEnded(launcher.launches);
        EXPECT_THAT(std::count(controls.changes.begin(), controls.changes.end(), L"restore"), 0) << refused;
    }
    SCOPED_TRACE("a launch without any switch");
    controls.SetListIndex(-1);
    Command1(1);
    form.LaunchEnded(launcher.launches);
    EXPECT_THAT(std::count(controls.changes.begin(), controls.changes.end(), L"restore"), 0);
}

TEST_F(RestoreOnEndTest, ARestoreByHandCancelsItAndALaterSwitchOwesItAgain) {
    form.Command4_Click();
    form.Command5_Click();
    display.current = FakeMode{32, 800, 600};  // as if the restore had not worked
    form.LaunchEnded(1);
    EXPECT_EQ(std::count(controls.changes.begin(), controls.changes.end(), L"restore"), 1) << "the button's only";

    form.Command3_Click();
    Command1(1);
    form.LaunchEnded(2);
    EXPECT_TRUE(AtDefault());
}

TEST_F(RestoreOnEndTest, OnlyTheLatestLaunchCounts) {
    form.Command4_Click();
    Command1(1);
    form.LaunchEnded(1);
    EXPECT_FALSE(AtDefault()) << "the end of an earlier launch restored";
    form.LaunchEnded(2);
    EXPECT_TRUE(AtDefault());
}

TEST_F(RestoreOnEndTest, NotWhenTheModeWasChangedBySomeoneElse) {
    form.Command4_Click();
    display.current = FakeMode{16, 800, 600};  // the game switched the depth itself
    form.LaunchEnded(1);
    EXPECT_EQ(display.current->bits, 16u);
    display.current = std::nullopt;  // the mode cannot be told
    form.LaunchEnded(1);
    EXPECT_EQ(std::count(controls.changes.begin(), controls.changes.end(), L"restore"), 0);
}

TEST_F(RestoreOnEndTest, AnEndWhileABoxIsOpenWaitsUntilTheHandlerIsOver) {
    form.Command4_Click();
    controls.SetText(TextBox::Text3, L"y");
    messages.whileShown = [this] { form.LaunchEnded(1); };
    form.Click(kCommand1Stay);  // shows the bad-Y message; the end arrives meanwhile
    const auto& log = controls.changes;
    ASSERT_THAT(log, ::testing::IsSupersetOf({L"message closed", L"restore"}));
    EXPECT_LT(std::find(log.begin(), log.end(), L"message closed"), std::find(log.begin(), log.end(), L"restore"))
        << "restored while the box was open";
    EXPECT_TRUE(AtDefault());
}

TEST_F(RestoreOnEndTest, ARefusedRestoreIsReported) {
    form.Command4_Click();
    display.switchResult = -1;
    form.LaunchEnded(1);
    EXPECT_THAT(messages.shown, ElementsAre(kRestoreFailed));
}

TEST_F(RestoreOnEndTest, LaunchAndExitWaitsWithoutAWindowForTheEndThenRestoresAndEnds) {
    form.Command3_Click();
    controls.changes.clear();
    Command1(0);
    EXPECT_THAT(controls.changes, ElementsAre(L"hide", L"pending", L"start C:\\Games\\game.exe", L"move",
                                              L"follow 500", L"save 4242-7.txt"));
    EXPECT_FALSE(controls.visible);
    EXPECT_FALSE(controls.ended);

    form.LaunchEnded(1);
    EXPECT_THAT(controls.changes, ElementsAre(L"hide", L"pending", L"start C:\\Games\\game.exe", L"move",
                                              L"follow 500", L"save 4242-7.txt", L"restore", L"end"));
}

TEST_F(RestoreOnEndTest, ALaunchAndExitQueuedBehindAnotherWhileARestoreIsOwedStartsNothing) {
    form.Click(kCommand3);
    controls.queued = [this] { form.Click(kCommand1Launch); };
    Click(kCommand1Launch);
    EXPECT_THAT(launcher.started, ElementsAre(L"C:\\Games\\game.exe")) << "started twice";
    EXPECT_EQ(launcher.followed.size(), 1u);
    EXPECT_FALSE(controls.visible);

    form.LaunchEnded(1);
    EXPECT_TRUE(AtDefault());
    EXPECT_TRUE(controls.ended);
}

TEST_F(RestoreOnEndTest, LaunchAndExitEndsAtOnceWhenNothingIsOwed) {
    Command1(0);  // no switch
    EXPECT_TRUE(controls.ended);
    EXPECT_THAT(launcher.followed, IsEmpty());
}

TEST_F(RestoreOnEndTest, TheExitButtonsDropWhatIsOwed) {
    form.Command4_Click();
    form.Command6_Click();
    EXPECT_TRUE(controls.ended);
    EXPECT_FALSE(AtDefault());
}

TEST_F(RestoreOnEndTest, AHandedOverWindowKeepsTheLaunchRunningAndAnOldOneDoesNot) {
    desktop.Remove(kGame);
    desktop.Add(0x3000, {700, {0, 0, 640, 480}});  // shown by a program started after the launch
    launcher.startedLater.insert(700);
    launcher.AfterStart(100ms, [this] { launcher.family = {{}, true}; });
    Command1(1);
    EXPECT_EQ(launcher.followed.back().keeper, 700u);

    desktop.Remove(0x3000);
    desktop.Add(0x3001, {42, {0, 0, 640, 480}});  // open before the click, taken as the foreground window
    desktop.foreground = 0x3001;
    launcher.AfterStart(100ms, [this] { launcher.family = {{}, true}; });
    Command1(1);
    EXPECT_EQ(launcher.followed.back().keeper, 0u);
}

// A game run as administrator, started through the consent prompt, is in no
// job: what it starts is followed as its descendants, from the start, also
// when its window cannot be moved.
TEST_F(RestoreOnEndTest, AGameStartedAsAdministratorKeepsTheLaunchRunningWithWhatItStarts) {
    launcher.startsOutsideAnyJob = true;
    desktop.refusesMoves.insert(kGame);
    form.Command4_Click();
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{false, FakeLauncher::kStartedProcess, true, L""}));
    EXPECT_FALSE(AtDefault());
    form.LaunchEnded(1);
    EXPECT_TRUE(AtDefault());

    launcher.startsOutsideAnyJob = false;
    form.Command4_Click();
    EXPECT_EQ(launcher.rules.back(), (FollowRule{true, FakeLauncher::kStartedProcess, false, L""})) << "in a job";
}

TEST_F(RestoreOnEndTest, TheChoiceIsRememberedAndReadAtStartUp) {
    EXPECT_EQ(files.files.at(kIni), "[Options]\r\nRestoreWhenProgramEnds=1\r\n");
    EXPECT_TRUE(controls.menuChecks.at(kRestoreOnEndCommand));

    testing::FormHarness next;
    next.files.files[kIni] = files.files.at(kIni);
    next.form.Form_Load();
    EXPECT_TRUE(next.controls.menuChecks.at(kRestoreOnEndCommand));
    next.form.SystemMenuCommand(kRestoreOnEndCommand);
    EXPECT_FALSE(next.controls.menuChecks.at(kRestoreOnEndCommand));
    EXPECT_EQ(next.files.files.at(kIni), "[Options]\r\nRestoreWhenProgramEnds=0\r\n");
}

TEST_F(RestoreOnEndTest, AFailedWriteIsSilentAndTheChoiceHoldsForThisRun) {
    files.fault = FakeFileSystem::Fault::CreateFails;
    form.SystemMenuCommand(kRestoreOnEndCommand);
    form.SystemMenuCommand(kRestoreOnEndCommand);  // checked again, but not written
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_EQ(files.files.at(kIni), "[Options]\r\nRestoreWhenProgramEnds=1\r\n");
    form.Command4_Click();
    form.LaunchEnded(1);
    EXPECT_TRUE(AtDefault());
}

TEST_F(RestoreOnEndTest, AFirstRunAndAGarbledFileLeaveTheItemUnchecked) {
    testing::FormHarness first;
    first.form.Form_Load();
    EXPECT_TRUE(first.controls.menuChecks.empty());
    EXPECT_TRUE(first.files.files.empty()) << "nothing is written at start-up";

    testing::FormHarness garbled;
    garbled.files.files[kIni] = "\xFF\xFE\x00\x00garbage";
    garbled.form.Form_Load();
    EXPECT_TRUE(garbled.controls.menuChecks.empty());
    EXPECT_THAT(garbled.messages.shown, IsEmpty());
}

}  // namespace
}  // namespace resolaunch
