#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "fake_display_settings.h"
#include "modes/module1.h"

namespace resolaunch {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;
using testing::DriverModes;
using testing::FakeDisplaySettings;

class MockDisplaySettings : public DisplaySettings {
public:
    MOCK_METHOD(bool, EnumerateMode, (uint32_t, ModeRequest&), (override));
    MOCK_METHOD(bool, CurrentMode, (ModeRequest&), (override));
    MOCK_METHOD(bool, StoredMode, (ModeRequest&), (override));
    MOCK_METHOD(bool, EnumerateModeOn, (const std::wstring&, uint32_t, ModeRequest&), (override));
    MOCK_METHOD(bool, CurrentModeOn, (const std::wstring&, ModeRequest&), (override));
    MOCK_METHOD(bool, StoredModeOn, (const std::wstring&, ModeRequest&), (override));
    MOCK_METHOD(int32_t, ChangeModeOn, (const std::wstring&, ModeRequest*, uint32_t), (override));
    MOCK_METHOD(int32_t, ChangeMode, (ModeRequest*, uint32_t), (override));
};

TEST(LoadDisplayModes, DriverWithoutModesGivesEmptyTable) {
    FakeDisplaySettings display;
    Module1 module(display);
    EXPECT_EQ(module.LoadDisplayModes(), 0);
    EXPECT_TRUE(module.DisplayModes().empty());
    EXPECT_EQ(display.enumerateCalls, 1);
}

TEST(LoadDisplayModes, KeepsEnumerationOrderAndDuplicates) {
    FakeDisplaySettings display({{32, 1024, 768, 60}, {8, 640, 480, 60}, {32, 1024, 768, 75}, {16, 800, 600, 60}});
    Module1 module(display);

    EXPECT_EQ(module.LoadDisplayModes(), 4);
    EXPECT_THAT(module.DisplayModes(), ElementsAre(DisplayMode{32, 1024, 768}, DisplayMode{8, 640, 480},
                                                   DisplayMode{32, 1024, 768}, DisplayMode{16, 800, 600}));
}

TEST(LoadDisplayModes, StoresOnlyTheLow16BitsOfTheDepth) {
    FakeDisplaySettings display({{0x10020, 800, 600}});
    Module1 module(display);
    module.LoadDisplayModes();
    EXPECT_EQ(module.DisplayModes().at(0).Bits, 32);
}

TEST(LoadDisplayModes, AsksWithOneRecordOf124BytesForModeNumbersInOrder) {
    MockDisplaySettings display;
    std::vector<uint32_t> numbers;
    std::vector<uint16_t> sizes;
    EXPECT_CALL(display, EnumerateMode(_, _)).Times(3).WillRepeatedly([&](uint32_t n, ModeRequest& request) {
        numbers.push_back(n);
        sizes.push_back(request.dmSize);
        request.dmBitsPerPel = 32;
        return n < 2;
    });
    EXPECT_CALL(display, ChangeMode(_, _)).Times(0);

    Module1 module(display);
    EXPECT_EQ(module.LoadDisplayModes(), 2);
    EXPECT_THAT(numbers, ElementsAre(0u, 1u, 2u));
    EXPECT_THAT(sizes, ElementsAre(124, 124, 124));
}

TEST(LoadDisplayModes, StopsAtTheLargestListableTable) {
    MockDisplaySettings display;  // a driver that never says "no more modes"
    EXPECT_CALL(display, EnumerateMode(_, _)).WillRepeatedly(Return(true));
    Module1 module(display);
    EXPECT_EQ(module.LoadDisplayModes(), Module1::kMaxModes);
    EXPECT_EQ(module.DisplayModes().size(), static_cast<size_t>(Module1::kMaxModes));
}

TEST(TestDisplayMode, RequestsOnlyDepthAndSizeWithTheTestFlag) {
    MockDisplaySettings display;
    ModeRequest seen;
    EXPECT_CALL(display, ChangeMode(_, kChangeTest)).WillOnce([&](ModeRequest* request, uint32_t) {
        seen = *request;
        request->dmDisplayFrequency = 60;  // what the platform leaves in the record
        return -2;
    });
    Module1 module(display);

    ModeRequest request;
    request.dmSize = 124;
    request.dmFields = 0x00400000;  // whatever the caller had set
    request.dmBitsPerPel = 16;
    request.dmPelsWidth = 800;
    request.dmPelsHeight = 600;

    EXPECT_EQ(module.TestDisplayMode(request), -2);
    EXPECT_EQ(seen.dmFields, 0x001C0000u);
    EXPECT_EQ(seen.dmSize, 124);
    EXPECT_EQ(seen.dmBitsPerPel, 16u);
    EXPECT_EQ(seen.dmPelsWidth, 800u);
    EXPECT_EQ(seen.dmPelsHeight, 600u);
    EXPECT_EQ(request.dmDisplayFrequency, 60u) << "the record comes back as the platform left it";
}

TEST(TestDisplayMode, PassesTheResultThroughUnchanged) {
    for (int32_t result : {0, 1, -1, -2, -5, 7}) {
        FakeDisplaySettings display;
        display.testResult = [result](const ModeRequest&) { return result; };
        Module1 module(display);
        ModeRequest request;
        EXPECT_EQ(module.TestDisplayMode(request), result);
    }
}

TEST(TestEachDisplayMode, TestsEachDistinctModeOnceWithADepthAndSizeRequest) {
    FakeDisplaySettings display(DriverModes(20, {32, 16, 8}, 5));  // 300 modes, 60 distinct
    Module1 module(display);
    module.LoadDisplayModes();

    EXPECT_EQ(module.TestEachDisplayMode().size(), 300u);
    EXPECT_EQ(display.testCalls, 60);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> tested;
    for (const auto& call : display.changeCalls) {
        ASSERT_EQ(call.flags, kChangeTest) << "testing must never switch the screen";
        ASSERT_TRUE(call.request.has_value());
        EXPECT_EQ(call.request->dmSize, 124);
        EXPECT_EQ(call.request->dmFields, 0x001C0000u);
        tested.insert({call.request->dmBitsPerPel, call.request->dmPelsWidth, call.request->dmPelsHeight});
    }
    EXPECT_EQ(tested.size(), 60u);
}

TEST(TestEachDisplayMode, DuplicatesShareTheAnswerAndOtherDepthsAreTestedOnTheirOwn) {
    // 800x600 at two refresh rates around another mode, and at a second depth.
    FakeDisplaySettings display({{32, 800, 600, 60}, {32, 1024, 768, 60}, {32, 800, 600, 75}, {16, 800, 600, 60}});
    display.testResult = [](const ModeRequest& r) {
        return r.dmBitsPerPel == 16 ? -2 : r.dmPelsWidth == 800 ? 1 : 0;
    };
    Module1 module(display);
    module.LoadDisplayModes();

    EXPECT_THAT(module.TestEachDisplayMode(), ElementsAre(1, 0, 1, -2));
    EXPECT_EQ(display.testCalls, 3);
}

TEST(ApplyDisplayMode, TestsFirstAndSwitchesOnlyWhenTheTestIsNotNegative) {
    for (int32_t tested : {0, 1, -1, -2}) {
        FakeDisplaySettings display;
        display.testResult = [tested](const ModeRequest&) { return tested; };
        display.switchResult = 0;
        Module1 modes(display);

        const int32_t result = modes.ApplyDisplayMode(800, 600, 16, 0);

        ASSERT_FALSE(display.changeCalls.empty());
        const auto& test = display.changeCalls[0];
        EXPECT_EQ(test.flags, kChangeTest);
        EXPECT_EQ(test.request->dmSize, 124);
        EXPECT_EQ(test.request->dmFields, 0x001C0000u);
        EXPECT_EQ(test.request->dmBitsPerPel, 16u);
        EXPECT_EQ(test.request->dmPelsWidth, 800u);
        EXPECT_EQ(test.request->dmPelsHeight, 600u);
        if (tested < 0) {
            EXPECT_EQ(display.changeCalls.size(), 1u) << "a refused test never switches";
            EXPECT_EQ(result, tested);
        } else {
            ASSERT_EQ(display.changeCalls.size(), 2u);
            EXPECT_EQ(display.changeCalls[1].request->dmPelsWidth, 800u);
            EXPECT_EQ(result, 0) << "the switch's result, not the test's";
        }
    }
}

TEST(ApplyDisplayMode, OnlyFlagOneStoresTheModeAsTheDefault) {
    for (auto [flag, expected] : {std::pair<int16_t, uint32_t>{0, 0}, {1, 1}, {2, 0}, {-1, 0}}) {
        FakeDisplaySettings display;
        display.switchResult = -1;
        Module1 modes(display);
        EXPECT_EQ(modes.ApplyDisplayMode(640, 480, 32, flag), -1);
        ASSERT_EQ(display.changeCalls.size(), 2u);
        EXPECT_EQ(display.changeCalls[1].flags, expected) << flag;
    }
}

// A 144 Hz screen whose driver lists 1280x720 at 60, 144 and, interlaced, 120 Hz.
TEST(ApplyDisplayMode, AsksForTheStoredRateOnlyWhenTheModeIsListedAtItNotInterlaced) {
    struct Case {
        const char* name;
        std::optional<uint32_t> storedRate;  // nothing: the stored mode cannot be told
        std::optional<uint32_t> explicitRate;
        uint32_t expectedRate;  // 0: no rate asked for
    };
    const Case cases[] = {
        {"stored rate listed", 144, std::nullopt, 144},
        {"stored rate not listed", 165, std::nullopt, 0},
        {"stored rate listed only interlaced", 120, std::nullopt, 0},
        {"stored rate 0: the hardware's default", 0, std::nullopt, 0},
        {"stored rate 1: the hardware's default", 1, std::nullopt, 0},
        {"stored mode unknown", std::nullopt, std::nullopt, 0},
        {"a rate asked for wins", 144, 60, 60},
    };
    for (const Case& c : cases) {
        FakeDisplaySettings display(
            {{32, 1280, 720, 60}, {32, 1280, 720, 144}, {32, 1280, 720, 120, kInterlacedFlag}, {16, 1280, 720, 165}});
        if (c.storedRate) {
            display.stored = testing::FakeMode{32, 1920, 1080, *c.storedRate};
        }
        Module1 modes(display);
        modes.LoadDisplayModes();

        EXPECT_EQ(modes.ApplyDisplayMode(1280, 720, 32, 0, c.explicitRate), kChangeSuccessful) << c.name;

        ASSERT_EQ(display.changeCalls.size(), 2u) << c.name;
        for (const auto& call : display.changeCalls) {
            EXPECT_EQ(call.request->dmFields, c.expectedRate != 0 ? 0x005C0000u : 0x001C0000u) << c.name;
            EXPECT_EQ(call.request->dmDisplayFrequency, c.expectedRate) << c.name;
        }
    }
}

TEST(FindDisplayMode, WithARateFindsOnlyEntriesListedAtIt) {
    FakeDisplaySettings display({{32, 1280, 720, 60}, {16, 1280, 720, 144}});
    Module1 modes(display);
    modes.LoadDisplayModes();
    EXPECT_EQ(modes.FindDisplayMode(1280, 720, std::nullopt, 144), (DisplayMode{16, 1280, 720}))
        << "the current depth is not listed at 144 Hz";
    EXPECT_EQ(modes.FindDisplayMode(1280, 720, 32, 144), std::nullopt);
    EXPECT_EQ(modes.FindDisplayMode(1280, 720, 32, 60), (DisplayMode{32, 1280, 720}));
}

TEST(RestoreDisplayMode, PassesNoRecordAtAll) {
    FakeDisplaySettings display;
    display.switchResult = -1;
    Module1 modes(display);
    EXPECT_EQ(modes.RestoreDisplayMode(), -1);
    ASSERT_EQ(display.changeCalls.size(), 1u);
    EXPECT_FALSE(display.changeCalls[0].request.has_value());
    EXPECT_EQ(display.changeCalls[0].flags, 0u);
}

}  // namespace
}  // namespace resolaunch
