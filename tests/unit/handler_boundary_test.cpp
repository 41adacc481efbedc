#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_form_controls.h"
#include "utf8.h"
#include "window/handler_boundary.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using testing::FakeUserMessages;
using testing::Utf8;

const std::string kHeadline = "\xE4\xBA\x88\xE6\x9C\x9F\xE3\x81\x97\xE3\x81\xAA\xE3\x81\x84";  // 予期しない

TEST(RunHandler, AHandlerThatSucceedsShowsNothing) {
    FakeUserMessages messages;
    bool ran = false;
    RunHandler(messages, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST(RunHandler, AFailureIsShownWithItsDetailAndGoesNoFurther) {
    FakeUserMessages messages;
    RunHandler(messages, [] { throw std::runtime_error("list full"); });
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(Utf8(messages.shown[0]), StartsWith(kHeadline));
    EXPECT_THAT(Utf8(messages.shown[0]), HasSubstr("list full"));
}

TEST(RunHandler, AnythingThrownIsCaught) {
    FakeUserMessages messages;
    RunHandler(messages, [] { throw 42; });
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(Utf8(messages.shown[0]), StartsWith(kHeadline));
}

TEST(RunHandler, AMessageBoxThatFailsTooIsTriedOnceAndTheProgramGoesOn) {
    struct BrokenMessages : UserMessages {
        void ShowMessage(const std::wstring&) override {
            ++tries;
            throw std::bad_alloc();
        }
        int tries = 0;
    } messages;
    bool after = false;
    RunHandler(messages, [] { throw std::runtime_error("first"); });
    RunHandler(messages, [&] { after = true; });
    EXPECT_EQ(messages.tries, 1);
    EXPECT_TRUE(after);
}

TEST(UnexpectedFailureMessage, KeepsOnlyPrintableAsciiOfTheDetail) {
    const std::wstring text = UnexpectedFailureMessage("bad \x82\xa0 byte\x01");
    EXPECT_THAT(Utf8(text), HasSubstr("\n\nbad ?? byte?"));
    EXPECT_EQ(UnexpectedFailureMessage(""), UnexpectedFailureMessage(nullptr));
}

}  // namespace
}  // namespace resolaunch
