#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST_F(FormLoadTest, DuplicatesShareTheirModesResult) {
    // The same size at two refresh rates, around another mode; only 800x600 needs a restart.
    display.modes = {{32, 800, 600, 60}, {32, 1024, 768, 60}, {32, 800, 600, 75}};
    display.testResult = [](const ModeRequest& r) { return r.dmPelsWidth == 800 ? 1 : 0; };
    Load();

    EXPECT_EQ(display.testCalls, 2);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 800, 600}, 1), ModeLabel({32, 1024, 768}, 0),
                                           ModeLabel({32, 800, 600}, 1)));
}

}  // namespace
}  // namespace resolaunch
