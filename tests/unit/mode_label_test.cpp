#include <gtest/gtest.h>

#include "modes/mode_label.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using testing::Utf8;

// The status texts, spelt as bytes so that an editor cannot alter them.
const std::string kAtOnce = "\xE5\x8D\xB3\xE6\x99\x82\xE6\x9B\xB4\xE6\x96\xB0\xE5\x8F\xAF";   // 即時更新可
const std::string kRestart = "\xE5\x86\x8D\xE8\xB5\xB7\xE5\x8B\x95\xE5\xBF\x85\xE8\xA6\x81";  // 再起動必要
const std::string kUnsupported = "\xE6\x9C\xAA\xE5\xAF\xBE\xE5\xBF\x9C";                      // 未対応
const std::string kTimes = "\xC3\x97";                                                           // U+00D7

TEST(ModeLabel, WorkedExamplesByteForByte) {
    EXPECT_EQ(Utf8(ModeLabel({8, 640, 480}, 0)), " 640 " + kTimes + "  480  8Bit  " + kAtOnce);
    EXPECT_EQ(Utf8(ModeLabel({32, 1024, 768}, 1)), "1024 " + kTimes + "  768 32Bit  " + kRestart);
}

TEST(ModeLabel, StatusFollowsTheTestResult) {
    EXPECT_EQ(Utf8(ModeLabel({16, 800, 600}, -2)), " 800 " + kTimes + "  600 16Bit  " + kUnsupported);
    EXPECT_EQ(Utf8(ModeLabel({16, 800, 600}, -1)), " 800 " + kTimes + "  600 16Bit  " + kUnsupported);
    EXPECT_EQ(Utf8(ModeLabel({16, 800, 600}, 2)), " 800 " + kTimes + "  600 16Bit  " + kUnsupported);
}

TEST(ModeLabel, LongerNumbersAreWrittenInFull) {
    EXPECT_EQ(Utf8(ModeLabel({32, 15360, 8640}, 0)), "15360 " + kTimes + " 8640 32Bit  " + kAtOnce);
    EXPECT_EQ(Utf8(ModeLabel({32, 7680, 10240}, 0)), "7680 " + kTimes + " 10240 32Bit  " + kAtOnce);
    EXPECT_EQ(Utf8(ModeLabel({128, 320, 200}, 0)), " 320 " + kTimes + "  200 128Bit  " + kAtOnce);
}

TEST(ModeLabel, ShortNumbersArePaddedOnTheLeft) {
    EXPECT_EQ(Utf8(ModeLabel({4, 40, 25}, 0)), "  40 " + kTimes + "   25  4Bit  " + kAtOnce);
    EXPECT_EQ(Utf8(ModeLabel({1, 0, 0}, 0)), "   0 " + kTimes + "    0  1Bit  " + kAtOnce);
}

}  // namespace
}  // namespace resolaunch
