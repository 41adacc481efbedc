#include <gtest/gtest.h>

#include "flow_harness.h"

namespace resolaunch {
namespace {

using namespace std::chrono_literals;
using testing::FakeDesktop;
using testing::FakeLauncher;
using testing::FakeLoop;

// The window a launch waits for, with a started launcher ("parent", the
// started process) and what it starts.
struct ProgramWindowTest : ::testing::Test, testing::FlowHarness {
    ProgramWindowTest() { launcher.Start(L"launcher.exe", L""); }

    // A launch's wait for its window, in the family the test has set up.
    WindowHandle Wait() {
        launcher.familyAtStart = launcher.family;
        WindowHandle placed = 0;
        flow.Start(LaunchRequest{L"launcher.exe", std::pair{0, 0}, false, kOwnWindow},
                   [&](const LaunchWaitOver& over) {
                       placed = over.placed;
                       waitOverAt = loop.now;
                   });
        loop.RunWhileTicking();  // the wait, then the watch
        return placed;
    }
    // How long the last wait took.
    std::chrono::milliseconds Waited() const { return waitOverAt - startedAt; }

    static constexpr uint32_t kParent = FakeLauncher::kStartedProcess;
    static constexpr uint32_t kChild = 600;
    static constexpr uint32_t kConsoleHost = 601;
    static constexpr uint32_t kHandedOver = 700;  // started by a program outside the family
    static constexpr uint32_t kOlder = 42;        // running before the launch
    static constexpr WindowHandle kOwnWindow = 0x1000;
    static constexpr WindowHandle kGame = 0x2000;

    std::chrono::milliseconds startedAt = loop.now;
    std::chrono::milliseconds waitOverAt{0};
};

TEST_F(ProgramWindowTest, AChildsWindowAfterTheParentHasEnded) {
    // cmd /c start: cmd starts the game and ends; the game shows its window 0.9 s later.
    launcher.family = {{kParent, kChild}, false};
    launcher.startedLater.insert(kChild);
    loop.RunFor(50ms);
    launcher.family = {{kChild}, false};
    startedAt = loop.now;
    loop.timeline.emplace(loop.now + 900ms, [this] { desktop.Add(kGame, {kChild, {}}); });

    EXPECT_EQ(Wait(), kGame);
    EXPECT_EQ(Waited(), 900ms);
}

TEST_F(ProgramWindowTest, ConsoleOwnedInvisibleDyingAndOwnWindowsAreSkipped) {
    launcher.family = {{kParent, kChild, kConsoleHost}, false};
    desktop.Add(kOwnWindow, {kParent, {}});
    desktop.Add(0x3000, {kConsoleHost, {}, true, false, L"ConsoleWindowClass"});
    desktop.Add(0x3003, {kConsoleHost, {}, true, false, L"WineConsoleClass"});  // Wine's console
    // Wine lists a window that is being destroyed, still visible, whose class no longer reads.
    desktop.Add(0x3004, {kConsoleHost, {}, true, false, L""});
    desktop.Add(0x3001, {kChild, {}, true, true});    // owned: a dialog
    desktop.Add(0x3002, {kChild, {}, false, false});  // not shown
    desktop.Add(kGame, {kChild, {}});
    EXPECT_EQ(Wait(), kGame);
    EXPECT_EQ(Waited(), 0ms);
}

TEST_F(ProgramWindowTest, TheFrontmostFamilyWindowWinsAndOthersAreNotTaken) {
    desktop.Add(0x3000, {kOlder, {}});
    desktop.Add(0x3001, {kHandedOver, {}});  // started after the launch, but the family still runs
    desktop.Add(kGame, {kParent, {}});
    EXPECT_EQ(Wait(), kGame);
}

TEST_F(ProgramWindowTest, AfterTheWholeFamilyEndedAWindowOfALaterProcessIsTakenUntilTenSeconds) {
    launcher.startedLater.insert(kHandedOver);
    desktop.Add(0x3000, {kOlder, {}});
    loop.timeline.emplace(loop.now + 300ms, [this] { launcher.family = {{}, true}; });
    loop.timeline.emplace(loop.now + 4000ms, [this] { desktop.Add(kGame, {kHandedOver, {}}); });
    EXPECT_EQ(Wait(), kGame) << "the wait must go on after the family has ended";
    EXPECT_EQ(Waited(), 4000ms);
}

TEST_F(ProgramWindowTest, AWindowOpenBeforeTheLaunchIsNeverTheProgramsOwn) {
    desktop.Add(0x3000, {kOlder, {}});
    loop.timeline.emplace(loop.now + 300ms, [this] { launcher.family = {{}, true}; });
    EXPECT_EQ(Wait(), 0u);
    EXPECT_EQ(Waited(), 10000ms);
}

TEST_F(ProgramWindowTest, TheHandOverSkipsCrashReportersTerminalsAndWhatTheShellStartedElsewhere) {
    launcher.programs[L"launcher.exe"] = ProgramCommand{L"C:\\Games\\Old\\launcher.exe", L"", L"C:\\Games\\Old", true};
    const struct {
        uint32_t process;
        const wchar_t* image;
        bool byShell;
        const wchar_t* className;
    } later[] = {
        {701, L"C:\\Windows\\System32\\WerFault.exe", false, L"#32770"},
        {702, L"C:\\windows\\system32\\winedbg.exe", false, L"WineDbg"},
        {703, L"C:\\Windows\\notepad.exe", true, L"Notepad"},  // opened by the user meanwhile
        {704, L"C:\\Windows\\System32\\OpenConsole.exe", false, L"CASCADIA_HOSTING_WINDOW_CLASS"},
        {705, L"C:\\Games\\Old\\bin\\game.exe", true, L"GameWindow"},  // handed over through the shell
    };
    WindowHandle window = 0x3000;
    for (const auto& process : later) {
        launcher.startedLater.insert(process.process);
        launcher.imagePaths[process.process] = process.image;
        if (process.byShell) {
            launcher.startedByShell.insert(process.process);
        }
        desktop.Add(++window, {process.process, {}, true, false, process.className});
    }
    launcher.family = {{}, true};
    EXPECT_EQ(Wait(), window) << "only the game in the program's folder";
}

TEST_F(ProgramWindowTest, TheFallbackMovesAWindowOpenAtThePressOnlyWhenItRunsTheStartedProgram) {
    launcher.programs[L"launcher.exe"] = ProgramCommand{L"C:\\Games\\game.exe", L"", L"C:\\Games", true};
    launcher.imagePaths[kOlder] = L"C:\\Program Files\\Editor\\editor.exe";
    launcher.imagePaths[kHandedOver] = L"c:\\games\\GAME.EXE";  // the single instance, brought forward
    for (auto [process, moved] : {std::pair{kOlder, false}, std::pair{kHandedOver, true}}) {
        desktop.Add(0x3000, {process, {}});
        desktop.openAtPress = {0x3000};
        desktop.foreground = 0x3000;
        desktop.moves.clear();
        WindowHandle placed = 0;
        flow.Start(LaunchRequest{L"launcher.exe", std::pair{0, 0}, true, kOwnWindow},
                   [&](const LaunchWaitOver& over) { placed = over.placed; });
        loop.RunWhileTicking();
        EXPECT_EQ(placed, moved ? 0x3000u : 0u) << process;
        EXPECT_EQ(desktop.moves.empty(), !moved) << process;
    }
}

TEST_F(ProgramWindowTest, WithoutAJobTheFamilyIsTheStartedProgramAlone) {
    // The child is not known to be the family's: its window counts only
    // once the started program has ended, as one of a later process.
    launcher.startedLater.insert(kChild);
    desktop.Add(kGame, {kChild, {}});
    loop.timeline.emplace(loop.now + 2000ms, [this] { launcher.family = {{}, true}; });
    EXPECT_EQ(Wait(), kGame);
    EXPECT_EQ(Waited(), 2000ms);
}

TEST_F(ProgramWindowTest, AProgramThatIsToEndStopsWaiting) {
    loop.timeline.emplace(loop.now + 100ms, [this] { flow.Cancel(); });
    EXPECT_EQ(Wait(), 0u);
    EXPECT_EQ(loop.now - startedAt, 100ms) << "nothing after the end";
}

}  // namespace
}  // namespace resolaunch
