#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "form_harness.h"
#include "modes/mode_label.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::DriverModes;

struct FormLoadTest : ::testing::Test, testing::FormHarness {
    void Load() {
        form.Form_Load();
        table = modes.DisplayModes();
    }

    std::vector<DisplayMode> table;
};

TEST_F(FormLoadTest, EmptyDriverGivesEmptyListAndNoTests) {
    Load();
    EXPECT_THAT(controls.list, IsEmpty());
    EXPECT_EQ(display.testCalls, 0);
}

TEST_F(FormLoadTest, ListEntryIStandsForTableElementI) {
    display.modes = {{32, 1024, 768}, {8, 640, 480}, {16, 1280, 1024}};
    display.testResult = [](const ModeRequest& r) { return r.dmPelsWidth == 640 ? 1 : r.dmPelsWidth == 1280 ? -2 : 0; };
    Load();

    ASSERT_EQ(controls.list.size(), table.size());
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 1024, 768}, 0), ModeLabel({8, 640, 480}, 1),
                                           ModeLabel({16, 1280, 1024}, -2)));
}

TEST_F(FormLoadTest, FillsTheListInOneBatch) {
    display.modes = DriverModes(10, {32, 16}, 3);
    Load();
    EXPECT_EQ(controls.appendCalls, 1);
    EXPECT_EQ(controls.list.size(), 60u);
}

TEST_F(FormLoadTest, TestsEachDistinctModeOnceWithADepthAndSizeRequest) {
    display.modes = DriverModes(20, {32, 16, 8}, 5);  // 300 modes, 60 distinct
    Load();

    EXPECT_EQ(display.enumerateCalls, 301);
    EXPECT_EQ(display.testCalls, 60);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> tested;
    for (const auto& call : display.changeCalls) {
        ASSERT_EQ(call.flags, kChangeTest) << "start-up must never switch the screen";
        ASSERT_TRUE(call.request.has_value());
        EXPECT_EQ(call.request->dmSize, 124);
        EXPECT_EQ(call.request->dmFields, 0x001C0000u);
        tested.insert({call.request->dmBitsPerPel, call.request->dmPelsWidth, call.request->dmPelsHeight});
    }
    EXPECT_EQ(tested.size(), 60u);
}

TEST_F(FormLoadTest, DuplicatesShareTheirModesResult) {
    // The same size at two refresh rates, around another mode; only 800x600 needs a restart.
    display.modes = {{32, 800, 600, 60}, {32, 1024, 768, 60}, {32, 800, 600, 75}};
    display.testResult = [](const ModeRequest& r) { return r.dmPelsWidth == 800 ? 1 : 0; };
    Load();

    EXPECT_EQ(display.testCalls, 2);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 800, 600}, 1), ModeLabel({32, 1024, 768}, 0),
                                           ModeLabel({32, 800, 600}, 1)));
}

TEST_F(FormLoadTest, SameSizeAtAnotherDepthIsTestedOnItsOwn) {
    display.modes = {{32, 800, 600}, {16, 800, 600}};
    display.testResult = [](const ModeRequest& r) { return r.dmBitsPerPel == 16 ? -2 : 0; };
    Load();

    EXPECT_EQ(display.testCalls, 2);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 800, 600}, 0), ModeLabel({16, 800, 600}, -2)));
}

}  // namespace
}  // namespace resolaunch
