#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeDesktop;
using testing::FakeDisplaySettings;
using testing::FakeLauncher;

const std::wstring kRestartNeeded = L"設定を有効にするには、再起動して下さい。(^_^)v";
const std::wstring kSwitchFailed = L"解像度変更に失敗しました。(ToT)";
const std::wstring kPath = L"C:\\Games\\path.txt";

struct ButtonCommandsTest : ::testing::Test, testing::FormHarness {
    ButtonCommandsTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}, {16, 1024, 768}};
        form.Form_Load();
        controls.SetText(TextBox::Text1, L"C:\\Games\\game.exe");
        desktop.Add(0x2000, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
        display.changeCalls.clear();
        controls.changes.clear();
    }

    // Logs switches into the shared log, so that their order is visible.
    void LogSwitches() {
        display.testResult = [](const ModeRequest&) { return 0; };
        auto& log = controls.changes;
        display.switchHook = [&log] { log.push_back(L"switch"); };
    }
};

TEST_F(ButtonCommandsTest, ChangeResolutionWithNothingSelectedDoesNothing) {
    form.Command3_Click();
    form.Command4_Click();
    EXPECT_THAT(display.changeCalls, IsEmpty());
    EXPECT_THAT(controls.changes, IsEmpty());
    EXPECT_TRUE(files.files.empty()) << "no settings file is created";
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(ButtonCommandsTest, ChangeResolutionSwitchesThenSavesThenReports) {
    for (auto [switched, message] : {std::pair<int32_t, std::wstring>{0, L""}, {1, kRestartNeeded},
                                     {-1, kSwitchFailed}, {-2, kSwitchFailed}, {2, kSwitchFailed}}) {
        files.files.clear();
        messages.shown.clear();
        display.switchResult = switched;
        controls.SetListIndex(1);
        form.Command3_Click();

        EXPECT_EQ(display.changeCalls.back().request->dmPelsWidth, 800u);
        EXPECT_EQ(display.changeCalls.back().flags, 0u) << "never stored as the default";
        EXPECT_EQ(files.files[kPath], "\"C:\\Games\\game.exe\",\"0\",\"0\",1\r\n");
        if (message.empty()) {
            EXPECT_THAT(messages.shown, IsEmpty());
        } else {
            EXPECT_THAT(messages.shown, ElementsAre(message));
        }
    }
}

TEST_F(ButtonCommandsTest, ChangeResolutionSwitchesThenSavesThenReportsInThatOrder) {
    LogSwitches();
    display.switchResult = 1;
    controls.SetListIndex(1);
    controls.changes.clear();
    form.Command3_Click();
    EXPECT_THAT(controls.changes, ElementsAre(L"switch", L"save path.txt", L"message"));
}

TEST_F(ButtonCommandsTest, EachButtonRunsItsOwnHandler) {
    LogSwitches();
    form.Click(kLabel1);  // not a button: nothing
    form.Click(kCommand5);
    EXPECT_THAT(controls.changes, ElementsAre(L"switch"));
    EXPECT_FALSE(controls.ended);
    form.Click(kCommand6);
    EXPECT_THAT(controls.changes, ElementsAre(L"switch", L"end"));

    controls.changes.clear();
    controls.ended = false;
    form.Click(kCommand1Stay);
    EXPECT_THAT(controls.changes, ElementsAre(L"start C:\\Games\\game.exe", L"move", L"follow 500"));
}

TEST_F(ButtonCommandsTest, ARefusedModeIsSavedAndReportedWithoutASwitch) {
    display.testResult = [](const ModeRequest&) { return -2; };
    controls.SetListIndex(2);
    form.Command3_Click();
    EXPECT_EQ(display.changeCalls.size(), 1u);
    EXPECT_EQ(files.files[kPath], "\"C:\\Games\\game.exe\",\"0\",\"0\",2\r\n");
    EXPECT_THAT(messages.shown, ElementsAre(kSwitchFailed));
}

TEST_F(ButtonCommandsTest, ChangeThenLaunchLaunchesAfterTheMessageWhateverTheResult) {
    for (int32_t switched : {0, 1, -1}) {
        controls.changes.clear();
        desktop.moves.clear();
        desktop.windows.at(0x2000).rect = {0, 0, 640, 480};  // as before the last launch
        display.switchResult = switched;
        controls.SetListIndex(0);
        controls.changes.clear();
        form.Command4_Click();

        std::vector<std::wstring> expected{L"save path.txt"};
        if (switched != 0) {
            expected.push_back(L"message");
        }
        for (const wchar_t* step : {L"start C:\\Games\\game.exe", L"move", L"follow 500"}) {
            expected.push_back(step);
        }
        EXPECT_EQ(controls.changes, expected) << switched;
        EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{0x2000, 0, 0, 643, 500}));
        EXPECT_TRUE(controls.visible);
        EXPECT_FALSE(controls.ended);
    }
}

TEST_F(ButtonCommandsTest, ChooseExecutablePutsTheChoiceInText1AndSaves) {
    controls.SetDialogFileName(L"C:\\Old\\old.exe");
    controls.dialogChoice = L"C:\\New Folder\\new.exe";
    controls.changes.clear();
    form.Command2_Click();
    EXPECT_THAT(controls.changes, ElementsAre(L"dialog opens on C:\\Old\\old.exe", L"Text1=C:\\New Folder\\new.exe",
                                              L"save path.txt"));
    EXPECT_EQ(files.files[kPath], "\"C:\\New Folder\\new.exe\",\"0\",\"0\",-1\r\n");

    controls.changes.clear();
    form.Command2_Click();
    EXPECT_EQ(controls.changes.front(), L"dialog opens on C:\\New Folder\\new.exe") << "the last choice";
}

TEST_F(ButtonCommandsTest, ACancelledDialogLeavesText1AndSavesNothing) {
    controls.SetText(TextBox::Text1, L"typed by hand.exe");
    controls.dialogChoice.reset();
    form.Command2_Click();
    EXPECT_EQ(controls.Text(TextBox::Text1), L"typed by hand.exe");
    EXPECT_TRUE(files.files.empty());
}

TEST_F(ButtonCommandsTest, RestoreAsksForTheDefaultModeAndNothingElse) {
    display.switchResult = -1;  // a refused restore shows nothing either
    form.Command5_Click();
    ASSERT_EQ(display.changeCalls.size(), 1u);
    EXPECT_FALSE(display.changeCalls[0].request.has_value());
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_TRUE(files.files.empty());
    EXPECT_FALSE(controls.ended);
}

TEST_F(ButtonCommandsTest, ExitEndsWithoutRestoring) {
    form.Command6_Click();
    EXPECT_TRUE(controls.ended);
    EXPECT_THAT(display.changeCalls, IsEmpty());
    EXPECT_TRUE(files.files.empty());
}

TEST_F(ButtonCommandsTest, RestoreAndExitRestoresFirst) {
    LogSwitches();
    form.Command7_Click();
    EXPECT_THAT(controls.changes, ElementsAre(L"switch", L"end"));
    EXPECT_FALSE(display.changeCalls.at(0).request.has_value());
}

TEST_F(ButtonCommandsTest, AnIndexOutsideTheTableIsAFailureNotACrash) {
    controls.listIndex = 3;  // the list and the table always agree; this cannot happen
    EXPECT_THROW(form.Command3_Click(), std::out_of_range);
    EXPECT_TRUE(files.files.empty());
}

}  // namespace
}  // namespace resolaunch
