#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeFileSystem;
using testing::FakeLauncher;
using testing::FakeMode;
using namespace std::chrono_literals;

const std::wstring kFolder = L"C:\\Users\\player\\AppData\\Local\\Temp\\ResoLaunch";
const std::wstring kOwn = kFolder + L"\\4242-7.txt";  // this process: the fake 4242, created at 7
const std::string k800 = "Device=\r\nInterface=\r\nMode=800x600x32\r\nRate=0\r\n";

size_t Restores(const std::vector<std::wstring>& log) { return std::count(log.begin(), log.end(), L"restore"); }

// The records of restores owed, as the window writes and reads them.
struct SwitchRecordTest : ::testing::Test, testing::FormHarness {
    SwitchRecordTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}};
        auto& log = controls.changes;
        display.switchHook = [&log, this] {
            log.push_back(display.changeCalls.back().request ? L"switch" : L"restore");
        };
        desktop.Add(0x2000, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
    }
    // Starts the window with the item checked and 800 x 600 selected.
    void LoadChecked() {
        form.Form_Load();
        form.SystemMenuCommand(kRestoreOnEndCommand);
        controls.SetListIndex(1);
        controls.SetText(TextBox::Text1, L"C:\\Games\\game.exe");
        controls.changes.clear();
    }
};

TEST_F(SwitchRecordTest, AStartMakesTheRestoreAnEndedResoLaunchOwedWhereItsModeStillStands) {
    files.files[kFolder + L"\\1000-5.txt"] = k800;                                  // ended, its mode in effect
    files.files[kFolder + L"\\1001-5.txt"] = "Mode=garbled";                        // ended, no whole record
    files.files[kFolder + L"\\4343-9.txt"] = k800;                                  // runs still
    files.files[kFolder + L"\\claimed-4444-3-1002-5.txt"] = k800;                   // being settled by a live start
    launcher.running.push_back({4343, 9});
    launcher.running.push_back({4444, 3});
    display.current = FakeMode{32, 800, 600};
    form.Form_Load();
    EXPECT_EQ(Restores(controls.changes), 1u);
    EXPECT_TRUE(display.current && display.current->width == 1024);
    std::vector<std::wstring> left = files.FileNamesIn(kFolder);
    EXPECT_THAT(left, ElementsAre(L"4343-9.txt", L"claimed-4444-3-1002-5.txt")) << "only the running ones' stay";

    SCOPED_TRACE("the screen switched by someone else since");
    files.files[kFolder + L"\\1003-5.txt"] = k800;
    display.current = FakeMode{32, 640, 480};
    controls.changes.clear();
    Form1 next(controls, messages, Services());
    next.Form_Load();
    EXPECT_EQ(Restores(controls.changes), 0u);
    EXPECT_FALSE(files.files.count(kFolder + L"\\1003-5.txt"));
}

TEST_F(SwitchRecordTest, TheRecordLivesWhileARestoreIsOwedAndGoesOnEveryWayOut) {
    LoadChecked();
    form.Command3_Click();
    EXPECT_EQ(files.files[kOwn], k800);
    form.Command5_Click();  // 変更前の解像度に戻す
    EXPECT_FALSE(files.files.count(kOwn));
    form.Command3_Click();
    form.SystemMenuCommand(kRestoreOnEndCommand);  // unchecked: nothing is owed
    EXPECT_FALSE(files.files.count(kOwn));
    form.SystemMenuCommand(kRestoreOnEndCommand);  // checked again, with our switch still in effect
    EXPECT_TRUE(files.files.count(kOwn));
    display.switchResult = -1;
    form.Command3_Click();  // a switch that failed leaves the one before owed
    EXPECT_EQ(files.files[kOwn], k800);
    form.Command6_Click();  // 終了: the mode stays, nothing is owed
    EXPECT_FALSE(files.files.count(kOwn));
    EXPECT_EQ(Restores(controls.changes), 1u);
}

TEST_F(SwitchRecordTest, AnOwnerWithoutItsRecordOwesNothingAndOneThatCannotWriteOwesAsBefore) {
    LoadChecked();
    form.Command4_Click();
    files.files.erase(kOwn);  // another ResoLaunch's hotkey dropped every restore owed
    form.LaunchEnded(1);
    EXPECT_THAT(controls.changes, ElementsAre(L"save 4242-7.txt", L"switch", L"save path.txt",
                                              L"start C:\\Games\\game.exe", L"move", L"follow 500",
                                              L"save 4242-7.txt"));

    files.folderFails = true;
    form.Command4_Click();
    form.LaunchEnded(2);
    EXPECT_EQ(Restores(controls.changes), 1u);
    EXPECT_THAT(messages.shown, IsEmpty()) << "nothing is said of the folder";
}

// Ctrl+Alt+Shift+R, pressed while a box of another click is open.
TEST_F(SwitchRecordTest, TheKeyReturnsEveryDisplayAndDropsEveryRestoreOwedEvenDuringAClick) {
    LoadChecked();
    form.Command4_Click();
    files.files[kFolder + L"\\4343-9.txt"] = k800;  // another ResoLaunch's, running
    launcher.running.push_back({4343, 9});
    ASSERT_TRUE(returnKey.Listening());
    controls.SetText(TextBox::Text3, L"y");
    messages.whileShown = [this] { returnKey.Press(); };
    form.Click(kCommand1Stay);  // shows the bad-Y message; the key is pressed meanwhile
    EXPECT_EQ(Restores(controls.changes), 1u);
    EXPECT_TRUE(display.current && display.current->width == 1024);
    EXPECT_THAT(files.FileNamesIn(kFolder), IsEmpty()) << "every record goes";

    form.LaunchEnded(1);
    EXPECT_EQ(Restores(controls.changes), 1u) << "the game's end owes nothing more";
}

// While a followed launch owes a restore, a guard holds it, and the record
// says how the guard follows it; the guard goes with the record.
TEST_F(SwitchRecordTest, AGuardHoldsTheLaunchFollowedWhileARestoreIsOwedAndGoesWithTheRecord) {
    LoadChecked();
    form.Command4_Click();
    EXPECT_EQ(guard.started, 1);
    EXPECT_THAT(guard.keepers, ElementsAre(FakeLauncher::kStartedProcess));
    const std::optional<SwitchRecord> record = ParseRecord(files.files.at(kOwn));
    ASSERT_TRUE(record && record->launch);
    EXPECT_EQ(record->launch->guard, guard.identity);
    EXPECT_EQ(record->launch->hold.started, (ProcessIdentity{FakeLauncher::kStartedProcess, 11}));
    EXPECT_EQ(record->launch->rule, (FollowRule{true, FakeLauncher::kStartedProcess, false, L""}));
    EXPECT_EQ(record->launch->keeperCreated, 11u);
    EXPECT_EQ(ParseRecord(RecordText(*record)), record) << "read back as written";

    SCOPED_TRACE("a next launch, its window not shown yet");
    desktop.Remove(0x2000);
    launcher.AfterStart(5s, [this] { desktop.Add(0x2000, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}}); });
    form.Command1_Click(1);
    ASSERT_TRUE(files.files.count(kOwn));
    EXPECT_FALSE(ParseRecord(files.files.at(kOwn))->launch) << "a guard would restore at the earlier launch's end";
    EXPECT_FALSE(guard.running);
    loop.RunWhileTicking();
    EXPECT_TRUE(ParseRecord(files.files.at(kOwn))->launch);
    EXPECT_EQ(guard.started, 2);

    form.LaunchEnded(2);
    EXPECT_FALSE(files.files.count(kOwn));
    EXPECT_FALSE(guard.running) << "the guard outlived the record";

    SCOPED_TRACE("終了 while the game runs; a launch with nothing owed");
    form.Command4_Click();
    EXPECT_TRUE(guard.running);
    form.Click(kCommand6);
    EXPECT_FALSE(guard.running);
    form.SystemMenuCommand(kRestoreOnEndCommand);  // unchecked
    Command1(1);
    EXPECT_EQ(guard.started, 3) << "a guard with nothing owed";
}

// A record whose owner has ended but whose guard runs is the guard's to settle.
TEST_F(SwitchRecordTest, AStartLeavesARecordWhoseGuardRunsAndReadsAGarbledLaunchAsNone) {
    GuardedLaunch launch{{5151, 9}, LaunchHold{L"job", {500, 11}, 3}, FollowRule{}, 0};
    files.files[kFolder + L"\\1000-5.txt"] = RecordText({L"", L"", DisplayMode{32, 800, 600}, 0, launch});
    launcher.running.push_back({5151, 9});
    display.current = FakeMode{32, 800, 600};
    form.Form_Load();
    EXPECT_EQ(Restores(controls.changes), 0u);
    EXPECT_THAT(files.FileNamesIn(kFolder), ElementsAre(L"1000-5.txt"));

    const std::optional<SwitchRecord> garbled = ParseRecord(k800 + "Guard=5151-9\r\nJob=job\r\nStarted=x\r\n");
    ASSERT_TRUE(garbled);
    EXPECT_FALSE(garbled->launch) << "the switch still reads";
}

}  // namespace
}  // namespace resolaunch
