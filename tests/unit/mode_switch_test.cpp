#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_display_settings.h"
#include "fake_desktop.h"
#include "fake_displays.h"
#include "fake_file_system.h"
#include "flows/mode_switch.h"
#include "flows/switch_owner.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using testing::FakeDisplaySettings;
using testing::FakeDisplays;
using testing::FakeMode;

constexpr const wchar_t* kSecond = L"\\\\.\\DISPLAY2";

// A primary display and a second one with modes of its own.
struct ModeSwitchTest : ::testing::Test {
    ModeSwitchTest() {
        display.modes = {{32, 1024, 768}};
        FakeDisplaySettings& second = display.Other(kSecond);
        second.modes = {{32, 800, 600}, {32, 1280, 720}};
        second.defaultMode = {32, 1280, 720};
        second.current = second.defaultMode;
        second.stored = second.defaultMode;
        displays.attached = {{L"\\\\.\\DISPLAY1", L"", L"", {0, 0, 1024, 768}, true},
                             {kSecond, L"", L"", {1024, 0, 2304, 720}, false}};
    }

    FakeDisplaySettings display;
    FakeDisplays displays;
    Module1 modes{display};
    testing::FakeFileSystem files;
    std::vector<std::wstring> log;
    testing::FakeLoop loop;
    testing::FakeLauncher processes{log, loop};
    SwitchRecords records{files, processes};
    SwitchOwner switches{modes, displays, records};
};

TEST_F(ModeSwitchTest, TheChosenDisplaysTableTestsAndSwitchGoToThatDisplayAlone) {
    modes.SelectDisplay(kSecond);
    EXPECT_THAT(ListDisplayModes(modes), ElementsAre(L" 800 ×  600 32Bit  即時更新可", L"1280 ×  720 32Bit  即時更新可"));
    EXPECT_EQ(switches.Switch(modes.DisplayModes().at(0)), kChangeSuccessful);

    EXPECT_TRUE(display.changeCalls.empty()) << "nothing went to the primary";
    const FakeDisplaySettings& second = *display.others.at(kSecond);
    ASSERT_EQ(second.changeCalls.size(), 4u) << "two tests for the list, then a test and the switch";
    EXPECT_EQ(second.changeCalls.back().flags, 0u);
    EXPECT_EQ(second.current->width, 800u);
    EXPECT_EQ(switches.SwitchedDevice(), kSecond);
}

TEST_F(ModeSwitchTest, ARestoreIsThePlatformsFirstThenEachDisplayLeftOut) {
    for (bool leftOut : {false, true}) {
        display.restores.clear();
        display.nullRestoreCoversOthers = !leftOut;
        modes.SelectDisplay(kSecond);
        modes.LoadDisplayModes();
        ASSERT_EQ(switches.Switch(modes.DisplayModes().at(0)), kChangeSuccessful);

        EXPECT_EQ(RestoreDisplays(modes, displays), kChangeSuccessful);
        if (leftOut) {
            EXPECT_THAT(display.restores, ElementsAre(L"", kSecond));
        } else {
            EXPECT_THAT(display.restores, ElementsAre(L""));
        }
        EXPECT_EQ(display.others.at(kSecond)->current->width, 1280u);
    }
    // A display whose stored mode cannot be read is left as it is.
    display.restores.clear();
    display.others.at(kSecond)->stored.reset();
    display.others.at(kSecond)->current = FakeMode{32, 800, 600};
    EXPECT_EQ(RestoreDisplays(modes, displays), kChangeSuccessful);
    EXPECT_THAT(display.restores, ElementsAre(L""));
}

}  // namespace
}  // namespace resolaunch
