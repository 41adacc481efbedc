#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "fake_displays.h"
#include "text/display_text.h"

namespace resolaunch {
namespace {

using testing::FakeDisplays;

TEST(DisplayText, MenuCaptionsNumberNameSizeAndTheMain) {
    const std::vector<DisplayInfo> displays = FakeDisplays::ThreeDisplays();
    EXPECT_EQ(DisplayMenuCaption(displays[0]), L"1: DELL U2720Q (2560 × 1440) - メイン");
    EXPECT_EQ(DisplayMenuCaption(displays[1]), L"2: ディスプレイ (1920 × 1080)") << "a monitor without a name";
    EXPECT_EQ(DisplayMenuCaption(displays[2]), L"3: ASUS VG27A (1920 × 1080)");
    EXPECT_EQ(DisplayNumber(L"\\\\.\\DISPLAY12"), 12);
    EXPECT_EQ(DisplayNumber(L"\\\\.\\DISPLAY"), 0);
    EXPECT_EQ(DisplayNumber(L"\\\\.\\DISPLAYV1"), 0);
}

TEST(DisplayText, ALineNamesADisplayByNumberDeviceNameOrInterfacePath) {
    const std::vector<DisplayInfo> displays = FakeDisplays::ThreeDisplays();
    std::wstring path = displays[2].interfacePath;
    std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) { return std::towupper(c); });
    for (const std::wstring& value : {std::wstring(L"3"), std::wstring(L"\\\\.\\display3"), path}) {
        const std::optional<DisplayInfo> found = FindDisplay(displays, value);
        ASSERT_TRUE(found.has_value()) << ::testing::PrintToString(value);
        EXPECT_EQ(found->deviceName, L"\\\\.\\DISPLAY3");
    }
    for (const wchar_t* absent : {L"0", L"4", L"-1", L"", L"DISPLAY3", L"\\\\?\\DISPLAY#XYZ"}) {
        EXPECT_EQ(FindDisplay(displays, absent), std::nullopt) << ::testing::PrintToString(std::wstring(absent));
    }
}

TEST(DisplayText, TheKeptChoiceIsTheDisplayWithThatPathWhenItIsAttachedAndNotTheMain) {
    const std::vector<DisplayInfo> displays = FakeDisplays::ThreeDisplays();
    EXPECT_EQ(ChosenDisplay(displays, displays[1].interfacePath), displays[1]);
    EXPECT_EQ(ChosenDisplay(displays, displays[0].interfacePath), std::nullopt) << "the main";
    EXPECT_EQ(ChosenDisplay(displays, L"\\\\?\\DISPLAY#UNPLUGGED"), std::nullopt) << "not attached now";
    EXPECT_EQ(ChosenDisplay(displays, L""), std::nullopt);
}

}  // namespace
}  // namespace resolaunch
