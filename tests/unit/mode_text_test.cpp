#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "text/mode_text.h"

namespace resolaunch {
namespace {

using ::testing::Optional;

// The shortcuts write the text that the command line reads.
TEST(ModeText, ReadsBackAsTheModeItNames) {
    for (const DisplayMode& mode : {DisplayMode{32, 800, 600}, DisplayMode{8, 320, 200}, DisplayMode{16, 1280, 1024}}) {
        const std::wstring text = ModeText(mode);
        EXPECT_THAT(ParseModeText(text),
                    Optional(ModeArgument{mode.Width, mode.Height, mode.Bits, text, std::nullopt}));
    }
    EXPECT_EQ(ModeText(DisplayMode{16, 640, 480}), L"640x480x16");
    EXPECT_EQ(ParseModeText(L"640x480x"), std::nullopt);
    EXPECT_EQ(ParseModeText(L"640"), std::nullopt);
}

}  // namespace
}  // namespace resolaunch
