#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "text/screen_coordinate.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using ::testing::Optional;

TEST(ParseScreenCoordinate, WholeNumbersInTheSigned32BitRange) {
    EXPECT_THAT(ParseScreenCoordinate(L"0"), Optional(0));
    EXPECT_THAT(ParseScreenCoordinate(L"37"), Optional(37));
    EXPECT_THAT(ParseScreenCoordinate(L"-10"), Optional(-10));
    EXPECT_THAT(ParseScreenCoordinate(L"+5"), Optional(5));
    EXPECT_THAT(ParseScreenCoordinate(L"2147483647"), Optional(2147483647));
    EXPECT_THAT(ParseScreenCoordinate(L"-2147483648"), Optional(INT32_MIN));
    EXPECT_THAT(ParseScreenCoordinate(L"007"), Optional(7));
}

TEST(ParseScreenCoordinate, BlanksAroundAndFullWidthDigitsAreAccepted) {
    EXPECT_THAT(ParseScreenCoordinate(L" 5 "), Optional(5));
    EXPECT_THAT(ParseScreenCoordinate(L"\t-5\u3000"), Optional(-5));
    EXPECT_THAT(ParseScreenCoordinate(L"１２"), Optional(12));
    EXPECT_THAT(ParseScreenCoordinate(L"－１２"), Optional(-12));
}

TEST(ParseScreenCoordinate, EverythingElseIsNoNumber) {
    for (const wchar_t* text : {L"", L" ", L"-", L"+", L"2147483648", L"-2147483649", L"99999999999999999999",
                                L"1.5", L"1,000", L"1 000", L"0x10", L"1e3", L"abc", L"12a", L"--1", L"- 1",
                                L"Text1"}) {
        EXPECT_EQ(ParseScreenCoordinate(text), std::nullopt) << testing::Utf8(text);
    }
}

}  // namespace
}  // namespace resolaunch
