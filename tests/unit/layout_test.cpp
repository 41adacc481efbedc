#include <gtest/gtest.h>

#include <set>

#include "window/layout.h"

namespace resolaunch {
namespace {

TEST(Layout, EveryPlaceAndSizeIsAWholePixelAt96Dpi) {
    EXPECT_EQ(kClientWidthTwips % 15, 0);
    EXPECT_EQ(kClientHeightTwips % 15, 0);
    for (const ControlSpec& c : kFormControls) {
        SCOPED_TRACE(c.name);
        for (int twips : {c.left, c.top, c.width, c.height}) {
            EXPECT_EQ(twips % 15, 0);
            EXPECT_EQ(TwipsToPixels(twips, 96) * 15, twips);
        }
    }
}

TEST(Layout, ControlIdsAreDistinctAndAvoidOkAndCancel) {
    std::set<int> ids;
    for (const ControlSpec& c : kFormControls) {
        EXPECT_GT(c.id, 2) << c.name;  // IDOK and IDCANCEL would let Enter or Escape press a button
        ids.insert(c.id);
    }
    EXPECT_EQ(ids.size(), kFormControls.size());
}

TEST(Layout, ControlsStayInsideTheClientArea) {
    for (const ControlSpec& c : kFormControls) {
        EXPECT_LE(c.left + c.width, kClientWidthTwips) << c.name;
        EXPECT_LE(c.top + c.height, kClientHeightTwips) << c.name;
    }
}

TEST(TwipsToPixels, RoundsToTheNearestPixelAtAnyDpi) {
    EXPECT_EQ(TwipsToPixels(5100, 96), 340);
    EXPECT_EQ(TwipsToPixels(5100, 144), 510);
    EXPECT_EQ(TwipsToPixels(270, 120), 23);   // 22.5 rounds up
    EXPECT_EQ(TwipsToPixels(135, 120), 11);   // 11.25
    EXPECT_EQ(TwipsToPixels(-15, 96), -1);
    EXPECT_EQ(TwipsToPixels(0, 192), 0);
    EXPECT_EQ(TwipsToPixels(4875, 480), 1625);  // 500 %: no overflow
}

}  // namespace
}  // namespace resolaunch
