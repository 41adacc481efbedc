#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "flow_harness.h"

namespace resolaunch {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::FakeDesktop;
using testing::FakeLauncher;
using testing::FakeLoop;

// A launch placed at (37, 41), then the watch over its windows.
struct WindowWatchTest : ::testing::Test, testing::FlowHarness {
    WindowWatchTest() { desktop.clock = [this] { return loop.now; }; }

    // Starts the game, whose window (200, 150)-(840, 630) is shown at once,
    // and runs until the watch is over.
    void LaunchAndWatch() {
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {200, 150, 840, 630}});
        flow.Start(LaunchRequest{L"game.exe", std::pair{37, 41}, false, 0}, [](const LaunchWaitOver&) {});
        flow.WhenWatchOver([this] { watchOverAt = loop.now; });
        loop.RunWhileTicking();
    }
    // The game moves its own window to (x, y) at `at` after the start.
    void GameMovesItselfAt(std::chrono::milliseconds at, int32_t x, int32_t y) {
        loop.timeline.emplace(loop.now + at, [this, x, y] {
            WindowRect& rect = desktop.windows.at(kGame).rect;
            rect = {x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
        });
    }
    WindowRect GameRect() const { return desktop.windows.at(kGame).rect; }
    void ForgetWindows() {
        desktop.windows.clear();
        desktop.order.clear();
        desktop.moves.clear();
        desktop.inMoveSize.clear();
        desktop.lastInputAt.reset();
        desktop.keyPressed = false;
    }

    static constexpr WindowHandle kGame = 0x2000;
    static constexpr WindowHandle kSplash = 0x2001;

    std::chrono::milliseconds startedAt = loop.now;
    std::optional<std::chrono::milliseconds> watchOverAt;
};

TEST_F(WindowWatchTest, TheVisibleFrameGoesToXYWhereTheSystemDrawsInvisibleBorders) {
    // Invisible borders left, top, right, bottom: Windows 10 at 100 % and at 150 %, and none.
    for (auto [inset, left, top] : {std::tuple{WindowRect{7, 0, 7, 7}, 30, 41}, std::tuple{WindowRect{11, 0, 11, 11}, 26, 41},
                                    std::tuple{WindowRect{}, 37, 41}}) {
        desktop.frameInsets[kGame] = inset;
        desktop.moves.clear();
        LaunchAndWatch();
        ASSERT_FALSE(desktop.moves.empty());
        EXPECT_EQ(desktop.moves[0], (FakeDesktop::Move{kGame, left, top, 643, 500})) << "growth on the rectangle";
        desktop.Remove(kGame);
    }
}

TEST_F(WindowWatchTest, NothingHappensAndTheWatchEndsTenSecondsAfterThePlacement) {
    LaunchAndWatch();
    EXPECT_EQ(desktop.moves.size(), 1u);
    EXPECT_EQ(watchOverAt, startedAt + kWatchQuiet);
    EXPECT_FALSE(flow.Watching());
}

TEST_F(WindowWatchTest, TheRealWindowAfterASplashIsPlacedShownBeforeOrAfterTheSplashGoes) {
    for (auto realShownAt : {800ms, 1500ms}) {
        desktop.Remove(kGame);
        desktop.moves.clear();
        desktop.Add(kSplash, {FakeLauncher::kStartedProcess, {300, 300, 500, 400}});
        loop.timeline.emplace(loop.now + 1000ms, [this] { desktop.Remove(kSplash); });
        loop.timeline.emplace(loop.now + realShownAt,
                              [this] { desktop.Add(kGame, {FakeLauncher::kStartedProcess, {200, 150, 840, 630}}); });
        const std::chrono::milliseconds start = loop.now;
        flow.Start(LaunchRequest{L"game.exe", std::pair{37, 41}, false, 0}, [](const LaunchWaitOver&) {});
        flow.WhenWatchOver([this] { watchOverAt = loop.now; });
        loop.RunWhileTicking();

        EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kSplash, 37, 41, 203, 120},
                                               FakeDesktop::Move{kGame, 37, 41, 643, 500}))
            << realShownAt.count();
        const std::chrono::milliseconds lastEvent = std::max(1000ms, realShownAt);
        EXPECT_NEAR(static_cast<double>((*watchOverAt - start).count()), static_cast<double>((lastEvent + kWatchQuiet).count()),
                    static_cast<double>(kWatchPoll.count()))
            << "ten seconds after the latest placement";
    }
}

TEST_F(WindowWatchTest, AWindowThatLeavesItsPlaceIsMovedBackThreeTimesThenLeftAlone) {
    for (auto at : {500ms, 1000ms, 1500ms, 2000ms}) {
        GameMovesItselfAt(at, 192, 144);  // centred on 1024 x 768
    }
    LaunchAndWatch();
    ASSERT_EQ(desktop.moves.size(), 4u) << "the placement and three moves back";
    for (std::size_t i = 1; i < desktop.moves.size(); ++i) {
        EXPECT_EQ(desktop.moves[i], (FakeDesktop::Move{kGame, 37, 41, 643, 500})) << "no second growth";
    }
    EXPECT_EQ(GameRect().left, 192) << "left alone after three";
}

// The game's window after the splash, or the placed one later, may be of a
// process run as administrator: the system refuses its moves.
TEST_F(WindowWatchTest, AWindowTheSystemWillNotMoveIsLeftAlone) {
    desktop.Add(kSplash, {FakeLauncher::kStartedProcess, {300, 300, 500, 400}});
    loop.timeline.emplace(loop.now + 1000ms, [this] { desktop.Remove(kSplash); });
    loop.timeline.emplace(loop.now + 1500ms, [this] {
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {200, 150, 840, 630}});
        desktop.refusesMoves.insert(kGame);
    });
    flow.Start(LaunchRequest{L"game.exe", std::pair{37, 41}, false, 0}, [](const LaunchWaitOver&) {});
    loop.RunWhileTicking();
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kSplash, 37, 41, 203, 120},
                                           FakeDesktop::Move{kGame, 37, 41, 643, 500}))
        << "tried once, then left alone";

    ForgetWindows();
    desktop.refusesMoves.clear();
    GameMovesItselfAt(500ms, 192, 144);
    loop.timeline.emplace(loop.now + 400ms, [this] { desktop.refusesMoves.insert(kGame); });
    LaunchAndWatch();
    EXPECT_EQ(desktop.moves.size(), 2u) << "the placement, one refused move back, and no more";
}

TEST_F(WindowWatchTest, TheUsersMovesAndAGameGoneFullScreenAreLeftAlone) {
    const struct {
        const char* name;
        std::function<void(WindowWatchTest&)> act;
    } cases[] = {
        {"a drag", [](WindowWatchTest& t) { t.desktop.inMoveSize.insert(kGame); }},
        {"a snap by keyboard: a key, then the move",
         [](WindowWatchTest& t) {
             t.desktop.lastInputAt = t.loop.now;
             t.desktop.keyPressed = true;
         }},
        {"the pointer moved, then the window",
         [](WindowWatchTest& t) {
             t.desktop.lastInputAt = t.loop.now;
             t.desktop.pointer.x += 40;
         }},
        {"minimised", [](WindowWatchTest& t) { t.desktop.windows.at(kGame).minimizedOrMaximized = true; }},
        {"full screen", [](WindowWatchTest& t) { t.desktop.windows.at(kGame).rect = {0, 0, 1024, 768}; }},
    };
    for (const auto& c : cases) {
        ForgetWindows();
        loop.timeline.emplace(loop.now + 500ms, [&] { c.act(*this); });
        GameMovesItselfAt(510ms, 100, 100);
        GameMovesItselfAt(3000ms, 300, 300);  // later moves too stay the game's
        LaunchAndWatch();
        EXPECT_EQ(desktop.moves.size(), 1u) << c.name;
    }
    // Input long before the game's own move is no user's, nor, with no key
    // and the pointer at rest, an input time the system set itself (Wine sets
    // it when the window comes to lie under the pointer).
    for (const std::chrono::milliseconds inputAt : {0ms, 950ms}) {
        ForgetWindows();
        loop.timeline.emplace(loop.now + inputAt, [this] { desktop.lastInputAt = loop.now; });
        GameMovesItselfAt(1000ms, 100, 100);
        LaunchAndWatch();
        EXPECT_EQ(desktop.moves.size(), 2u) << inputAt.count();
    }
}

TEST_F(WindowWatchTest, TheWatchEndsWithTheLaunchOrANewLaunch) {
    loop.timeline.emplace(loop.now + 2000ms, [this] { flow.LaunchEnded(launcher.launches); });
    LaunchAndWatch();
    EXPECT_EQ(watchOverAt, startedAt + 2000ms);

    std::optional<std::chrono::milliseconds> firstOver;
    desktop.Remove(kGame);
    desktop.Add(kGame, {FakeLauncher::kStartedProcess, {200, 150, 840, 630}});
    flow.Start(LaunchRequest{L"game.exe", std::pair{37, 41}, false, 0}, [](const LaunchWaitOver&) {});
    flow.WhenWatchOver([&] { firstOver = loop.now; });
    loop.RunFor(1000ms);
    GameMovesItselfAt(500ms, 100, 100);
    flow.Start(LaunchRequest{L"other.exe", std::nullopt, false, 0}, [](const LaunchWaitOver&) {});
    loop.RunFor(1000ms);
    EXPECT_FALSE(flow.Watching());
    EXPECT_EQ(firstOver, std::nullopt) << "a new launch ends the watch without a word";
    EXPECT_EQ(GameRect().left, 100) << "no longer watched";
}

}  // namespace
}  // namespace resolaunch
