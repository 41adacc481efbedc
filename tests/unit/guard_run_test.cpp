#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_displays.h"
#include "fake_file_system.h"
#include "fake_guard.h"
#include "fake_return_key.h"
#include "flows/guard_run.h"
#include "flows/switch_records.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeLauncher;
using testing::FakeMode;
using namespace std::chrono_literals;

const std::wstring kFolder = L"C:\\Users\\player\\AppData\\Local\\Temp\\ResoLaunch";
const ProcessIdentity kOwner{4242, 7};
const ProcessIdentity kGuard{5151, 9};
const std::wstring kOwnersRecord = kFolder + L"\\4242-7.txt";
const std::wstring kClaimed = kFolder + L"\\claimed-5151-9-4242-7.txt";

// The guard of the fake ResoLaunch 4242, which switched to 800 x 600 and
// followed a launch whose window's process 700 keeps it running.
struct GuardRunTest : ::testing::Test {
    GuardRunTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}};
        display.current = FakeMode{32, 800, 600};
        display.switchHook = [this] { log.push_back(display.changeCalls.back().request ? L"switch" : L"restore"); };
        launcher.self = kGuard;
        launcher.running = {kGuard};  // the owner has ended
        WriteOwnersRecord(launch);
    }

    void WriteOwnersRecord(const std::optional<GuardedLaunch>& guarded) {
        files.files[kOwnersRecord] = RecordText({L"", L"", DisplayMode{32, 800, 600}, 0, guarded});
    }
    int Run() {
        return RunGuard(kOwner, GuardServices{modes, displays, files, launcher, link, launcher, loop, returnKey});
    }
    bool AtDefault() const { return display.current && display.current->width == 1024; }

    GuardedLaunch launch{kGuard, LaunchHold{L"Local\\ResoLaunch-4242-7-1", {500, 11}, 33},
                         FollowRule{false, 700, true, L""}, 800};
    std::vector<std::wstring> log;
    testing::FakeDisplaySettings display;
    Module1 modes{display};
    testing::FakeDisplays displays;
    testing::FakeFileSystem files;
    testing::FakeLoop loop;
    FakeLauncher launcher{log, loop};
    testing::FakeGuardLink link;
    testing::FakeReturnKey returnKey;
};

TEST_F(GuardRunTest, AfterItsOwnersDeathItFollowsTheLaunchByTheRecordsRuleAndRestoresAtItsEnd) {
    launcher.followedEndsAfter = 60s;
    std::optional<bool> switchedWhileTheGameRuns;
    loop.timeline.emplace(loop.now + 30s, [&] { switchedWhileTheGameRuns = !AtDefault(); });
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(link.reopened, ElementsAre(launch.hold));
    EXPECT_THAT(launcher.rules, ElementsAre(launch.rule));
    EXPECT_EQ(switchedWhileTheGameRuns, true);
    EXPECT_THAT(log, ElementsAre(L"follow 700", L"restore"));
    EXPECT_TRUE(AtDefault());
    EXPECT_THAT(files.FileNamesIn(kFolder), IsEmpty()) << "the record outlived the restore";
    EXPECT_FALSE(returnKey.Listening());
}

TEST_F(GuardRunTest, AnOwnerThatEndedAsItShouldLeavesNothingToDo) {
    // Its record gone before its pipe: the restore made, or nothing owed any more.
    link.ownerEnds = [this] { files.files.erase(kOwnersRecord); };
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_FALSE(AtDefault());

    // Its record naming no launch (it switched again) or another guard, or the owner still running: untouched.
    link.ownerEnds = nullptr;
    for (const std::optional<GuardedLaunch>& other :
         {std::optional<GuardedLaunch>(), std::optional<GuardedLaunch>(GuardedLaunch{{5152, 9}, {}, {}, 0})}) {
        WriteOwnersRecord(other);
        EXPECT_EQ(Run(), 0);
    }
    WriteOwnersRecord(launch);
    link.ownerEnded = false;
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(log, IsEmpty());
    EXPECT_THAT(files.FileNamesIn(kFolder), ElementsAre(L"4242-7.txt"));
}

TEST_F(GuardRunTest, ALaunchOverBeforeTheOwnersDeathIsRestoredAtOnceAndAKeepersIdNowAnothersKeepsNothing) {
    launch.keeperCreated = 799;  // process 700 is another now
    WriteOwnersRecord(launch);
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{false, 0, true, L""}));
    EXPECT_TRUE(AtDefault());
}

TEST_F(GuardRunTest, AScreenSwitchedBySomeoneElseMeanwhileIsLeftAndTheRecordGoes) {
    loop.timeline.emplace(loop.now, [this] { display.current = FakeMode{32, 640, 480}; });
    launcher.followedEndsAfter = 10s;
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(log, ElementsAre(L"follow 700"));
    EXPECT_EQ(display.current->width, 640u);
    EXPECT_THAT(files.FileNamesIn(kFolder), IsEmpty());
}

TEST_F(GuardRunTest, TheReturnKeyWhileItFollowsPutsEveryDisplayBackAndEndsIt) {
    launcher.followedEndsAfter = 3600s;
    files.files[kFolder + L"\\4343-9.txt"] = "Device=\r\nInterface=\r\nMode=800x600x32\r\nRate=0\r\n";
    loop.timeline.emplace(loop.now + 5s, [this] { returnKey.Press(); });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AtDefault());
    EXPECT_LT(loop.now, std::chrono::milliseconds(3600s)) << "it waited for the game after the key";
    EXPECT_THAT(files.FileNamesIn(kFolder), IsEmpty()) << "every restore owed goes";
}

}  // namespace
}  // namespace resolaunch
