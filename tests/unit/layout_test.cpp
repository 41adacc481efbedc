#include <gtest/gtest.h>

#include <set>

#include "window/layout.h"

namespace resolaunch {
namespace {

TEST(Layout, TheButtonsStandInOneColumn600TwipsApartInTheirOwnOrder) {
    // Top to bottom; Command7 stands above Command5 and Command6 though it is last in tab order.
    const ControlId column[] = {kCommand2, kCommand1Launch, kCommand1Stay, kCommand3,
                                kCommand4, kCommand7,       kCommand5,     kCommand6};
    int top = 120;
    for (ControlId id : column) {
        const ControlSpec& button = FormControl(id);
        SCOPED_TRACE(button.name);
        EXPECT_EQ(button.kind, ControlKind::Button);
        EXPECT_EQ(button.left, 3480);
        EXPECT_EQ(button.top, top);
        EXPECT_EQ(button.width, 1575);
        EXPECT_EQ(button.height, 495);
        top += 600;
    }
    EXPECT_EQ(kFormControls.back().id, kCommand7);
}

TEST(Layout, TheListFillsTheLeftColumnBelowTheXYRow) {
    const ControlSpec& list = FormControl(kList1);
    EXPECT_EQ(list.top + list.height, 4620);
    EXPECT_GT(list.top, FormControl(kText2).top + FormControl(kText2).height);
    EXPECT_EQ(list.left + list.width, FormControl(kText1).left + FormControl(kText1).width);
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
