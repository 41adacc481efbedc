#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_line/command_runner.h"
#include "fake_ansi_codec.h"
#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_displays.h"
#include "fake_file_system.h"
#include "fake_guard.h"
#include "fake_return_key.h"
#include "fake_shortcuts.h"
#include "fake_std_streams.h"
#include "modes/mode_label.h"
#include "utf8.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Cp932Codec;
using testing::FakeDesktop;
using testing::FakeLauncher;
using testing::FakeLoop;
using testing::FakeMode;
using testing::FakeStdStreams;
using namespace std::chrono_literals;

// The command line against fakes of everything it uses. Switches, starts,
// moves and what is written share one log.
struct CommandRunnerTest : ::testing::Test {
    CommandRunnerTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}, {16, 800, 600}, {16, 320, 200}, {8, 320, 200}};
        display.switchHook = [this] { log.push_back(display.changeCalls.back().request ? L"switch" : L"restore"); };
        streams.targets[StdStream::Output] = StreamTarget::FileOrPipe;
        streams.targets[StdStream::Error] = StreamTarget::FileOrPipe;
        desktop.Add(kGame, {FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
    }

    int Run(std::wstring_view line) {
        const LaunchServices launch{
            {launcher, files, shortcutFiles, files, codec, launcher}, launcher, launcher, desktop, loop.ticker,
            guard};
        return RunCommandLine(ParseCommandLine(line), CommandServices{modes, displays, launch, loop, output, returnKey});
    }
    std::wstring Errors() { return codec.Decode(streams.bytes[StdStream::Error]); }
    bool AtDefault() const { return display.current && display.current->width == 1024; }

    static constexpr WindowHandle kGame = 0x2000;
    static constexpr uint32_t kOlderGame = 42;

    std::vector<std::wstring> log;
    testing::FakeDisplaySettings display;
    testing::FakeDisplays displays;
    Module1 modes{display};
    FakeDesktop desktop{log};
    FakeLoop loop;
    FakeLauncher launcher{log, loop};
    FakeStdStreams streams{&log};
    Cp932Codec codec;
    CommandOutput output{streams, codec};
    testing::FakeFileSystem files;
    testing::FakeShortcuts shortcutFiles;
    testing::FakeReturnKey returnKey;
    testing::FakeGuard guard;
};

TEST_F(CommandRunnerTest, TheWholeLineSwitchesStartsPlacesWaitsAndRestoresInThatOrder) {
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit -- C:\\Old Game\\game.exe -w"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start C:\\Old Game\\game.exe -w", L"move", L"follow 500", L"restore"));
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, 37, 41, 643, 500}));
    EXPECT_TRUE(AtDefault());
    EXPECT_THAT(streams.bytes, IsEmpty()) << "nothing to say";
}

// A launcher may hand the game to a process outside the launch and end: the
// game's window, found as with X/Y but not moved, keeps the line waiting.
TEST_F(CommandRunnerTest, WithoutXAndYTheRestoreStillWaitsForTheGamesWindowAndMovesNothing) {
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --restore-on-exit game.exe"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start game.exe", L"follow 500", L"restore"));
    EXPECT_THAT(desktop.moves, IsEmpty());
}

// A store client that the URL started stays open after the game; one that
// forwards the URL to a client already running ends at once. Either way only
// the game's process, and what it starts, keeps the line waiting.
TEST_F(CommandRunnerTest, AfterAUrlOnlyTheGamesProcessKeepsTheLaunchRunning) {
    constexpr uint32_t kClientsGame = 600;
    constexpr uint32_t kForwardedGame = 700;
    static constexpr WindowHandle kGameWindow = 0x2100;
    launcher.urlHandlers[L"steam"] = L"C:\\Steam\\steam.exe \"%1\"";
    desktop.Remove(kGame);  // the client has no window of its own
    desktop.Add(kGameWindow, {kClientsGame, {0, 0, 640, 480}});
    launcher.familyAtStart = LaunchFamily{{FakeLauncher::kStartedProcess, kClientsGame}, false};
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit steam://rungameid/70"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start C:\\Steam\\steam.exe \"steam://rungameid/70\"", L"move",
                                 L"follow 600", L"restore"));
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{false, kClientsGame, true, L""}));

    SCOPED_TRACE("a handler that forwards the URL and ends");
    launcher.rules.clear();
    launcher.familyAtStart = LaunchFamily{{}, true};
    desktop.windows[kGameWindow].process = kForwardedGame;
    launcher.startedLater.insert(kForwardedGame);
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit steam://rungameid/70"), kExitDone);
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{false, kForwardedGame, true, L""}));

    SCOPED_TRACE("an executable: its family, as before");
    launcher.rules.clear();
    launcher.familyAtStart = LaunchFamily{{FakeLauncher::kStartedProcess, kClientsGame}, false};
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit game.exe"), kExitDone);
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{true, 0, false, L""}));
}

// A launcher that shows a window of its own first: only the named game's
// window is placed, and every process of that name keeps the line waiting.
TEST_F(CommandRunnerTest, WaitForPlacesOnlyTheNamedProgramsWindow) {
    static constexpr uint32_t kNamedGame = 700;
    static constexpr WindowHandle kGameWindow = 0x2100;
    launcher.imagePaths[FakeLauncher::kStartedProcess] = L"C:\\Games\\launcher.exe";
    launcher.imagePaths[kOlderGame] = L"C:\\Games\\Bin\\game.exe";  // running before the press
    launcher.AfterStart(30s, [this] {
        launcher.imagePaths[kNamedGame] = L"C:\\Games\\Bin\\Game.exe";
        launcher.startedLater.insert(kNamedGame);
    });
    launcher.AfterStart(31s, [this] { desktop.Add(kGameWindow, {kNamedGame, {0, 0, 640, 480}}); });
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit --wait-for=game.exe launcher.exe"), kExitDone);
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGameWindow, 37, 41, 643, 500}))
        << "the launcher's window is never placed";
    EXPECT_THAT(launcher.rules, ElementsAre(FollowRule{false, kNamedGame, true, L"game.exe"}));
    EXPECT_TRUE(AtDefault());
}

TEST_F(CommandRunnerTest, WaitForANameThatNeverStartsEndsWithFourAndUndoesTheSwitch) {
    launcher.AfterStart(5s, [this] { launcher.family = LaunchFamily{{}, true}; });
    const std::chrono::milliseconds start = loop.now;
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=1 --y=2 --wait-for=C:\\Games\\game.exe launcher.exe"), kExitStartFailed);
    EXPECT_EQ(loop.now - start, 125s) << "120 s after the launcher's family ended";
    EXPECT_THAT(desktop.moves, IsEmpty());
    EXPECT_TRUE(AtDefault()) << "the line's own switch goes back";
    EXPECT_EQ(Errors(), L"指定されたプログラムは起動しませんでした: C:\\Games\\game.exe\r\n");
}

// A restore owed by a ResoLaunch that was ended: --list leaves it, a line
// with --mode makes it first; the line's own restore owed is recorded too.
TEST_F(CommandRunnerTest, ALineWithAModeFirstMakesTheRestoreAnEndedResoLaunchOwed) {
    const std::wstring folder = L"C:\\Users\\player\\AppData\\Local\\Temp\\ResoLaunch";
    files.files[folder + L"\\1000-5.txt"] = "Device=\r\nInterface=\r\nMode=800x600x32\r\nRate=0\r\n";
    display.current = testing::FakeMode{32, 800, 600};
    EXPECT_EQ(Run(L"R.exe --list"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"stdout")) << "no restore";
    EXPECT_TRUE(files.files.count(folder + L"\\1000-5.txt"));
    log.clear();

    EXPECT_EQ(Run(L"R.exe --mode=640x480 --restore-on-exit game.exe"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"restore", L"switch", L"start game.exe", L"follow 500", L"restore"));
    EXPECT_THAT(files.FileNamesIn(folder), IsEmpty());
}

TEST_F(CommandRunnerTest, TheKeyWhileTheLineWaitsForItsGameReturnsTheScreenAndTheEndOwesNothing) {
    launcher.followedEndsAfter = 5s;
    bool restoredBeforeTheEnd = false;
    launcher.AfterStart(1s, [this] { returnKey.Press(); });
    launcher.AfterStart(2s, [&] { restoredBeforeTheEnd = AtDefault(); });
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=37 --y=41 --restore-on-exit game.exe"), kExitDone);
    EXPECT_TRUE(restoredBeforeTheEnd);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start game.exe", L"move", L"follow 500", L"restore"));
    EXPECT_FALSE(returnKey.Listening()) << "the key is let go with the line";
}

TEST_F(CommandRunnerTest, WithoutADepthTheCurrentOneOrElseTheDeepest) {
    const auto switchedTo = [this] {
        const auto& request = display.changeCalls.back().request;
        return std::to_string(request->dmPelsWidth) + "x" + std::to_string(request->dmPelsHeight) + "x" +
               std::to_string(request->dmBitsPerPel);
    };
    EXPECT_EQ(Run(L"R.exe --mode=800x600"), kExitDone);
    EXPECT_EQ(switchedTo(), "800x600x32") << "the current depth";
    display.current = FakeMode{16, 1024, 768};
    EXPECT_EQ(Run(L"R.exe --mode=800x600"), kExitDone);
    EXPECT_EQ(switchedTo(), "800x600x16") << "the current depth";
    EXPECT_EQ(Run(L"R.exe --mode=320x200"), kExitDone);
    EXPECT_EQ(switchedTo(), "320x200x16") << "the deepest at that size";
    EXPECT_EQ(Run(L"R.exe --mode=320x200x8"), kExitDone);
    EXPECT_EQ(switchedTo(), "320x200x8");
    EXPECT_EQ(Run(L"R.exe --mode=320x200x8@60"), kExitDone);
    EXPECT_EQ(display.changeCalls.back().request->dmDisplayFrequency, 60u) << "exactly the rate asked for";
    EXPECT_THAT(launcher.started, IsEmpty());
}

TEST_F(CommandRunnerTest, BadLinesAndMissingModesChangeNothing) {
    const struct {
        const wchar_t* line;
        const wchar_t* message;
    } cases[] = {
        {L"R.exe --mode=800x600 --fullscreen game.exe",
         L"コマンドラインが正しくありません: --fullscreen\r\nこのオプションはありません。\r\n"
         L"使い方は ResoLaunch.exe --help で表示します。\r\n"},
        {L"R.exe --x=1 game.exe", L"コマンドラインが正しくありません: --x=1\r\n--x と --y は両方とも指定して下さい。\r\n"
                                  L"使い方は ResoLaunch.exe --help で表示します。\r\n"},
        {L"R.exe --mode=1234x567 game.exe",
         L"指定された解像度はありません: 1234x567\r\n使い方は ResoLaunch.exe --help で表示します。\r\n"},
        {L"R.exe --mode=800x600@144 game.exe",
         L"指定された解像度はありません: 800x600@144\r\n使い方は ResoLaunch.exe --help で表示します。\r\n"},
    };
    for (const auto& c : cases) {
        streams.bytes.clear();
        EXPECT_EQ(Run(c.line), kExitBadCommandLine) << testing::Utf8(c.line);
        EXPECT_EQ(Errors(), c.message);
    }
    for (const auto& call : display.changeCalls) {
        EXPECT_EQ(call.flags, kChangeTest) << "switched";
    }
    EXPECT_THAT(launcher.started, IsEmpty());
    EXPECT_TRUE(AtDefault());
}

TEST_F(CommandRunnerTest, ASwitchThatIsRefusedIsReportedAndTheProgramStillStarts) {
    for (auto [result, code, message] : {std::tuple{1, kExitRestartNeeded, L"設定を有効にするには、再起動して下さい。(^_^)v\r\n"},
                                         std::tuple{-1, kExitDisplayFailed, L"解像度変更に失敗しました。(ToT)\r\n"}}) {
        streams.bytes.clear();
        log.clear();
        display.switchResult = result;
        EXPECT_EQ(Run(L"R.exe --mode=800x600 --restore-on-exit game.exe"), code);
        EXPECT_EQ(Errors(), message);
        EXPECT_THAT(log, ElementsAre(L"switch", L"stderr", L"start game.exe", L"follow 500"))
            << "nothing to restore after a refused switch";
    }
}

TEST_F(CommandRunnerTest, AStartThatFailsRestoresFirstAndGivesTheHighestCode) {
    launcher.startSucceeds = false;
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --restore-on-exit -- C:\\absent.exe"), kExitStartFailed);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start C:\\absent.exe", L"restore", L"stderr"));
    EXPECT_EQ(Errors(), L"起動に失敗しました。(ToT)\r\nC:\\absent.exe\r\nthe reason\r\n");

    // Nothing half done: without --restore-on-exit too.
    log.clear();
    EXPECT_EQ(Run(L"R.exe --mode=800x600 C:\\absent.exe"), kExitStartFailed);
    EXPECT_THAT(log, ElementsAre(L"switch", L"start C:\\absent.exe", L"restore", L"stderr"));
    EXPECT_TRUE(AtDefault());

    streams.bytes.clear();
    log.clear();
    display.switchResult = 1;
    EXPECT_EQ(Run(L"R.exe --mode=800x600 C:\\absent.exe"), kExitStartFailed) << "4 over 1";
    EXPECT_THAT(log, ElementsAre(L"switch", L"stderr", L"start C:\\absent.exe", L"stderr")) << "nothing to restore";
}

TEST_F(CommandRunnerTest, AWindowTheSystemWillNotMoveIsSaidAndGivesFiveWhenNothingElseApplies) {
    desktop.refusesMoves.insert(kGame);
    EXPECT_EQ(Run(L"R.exe --x=1 --y=2 game.exe"), kExitWindowNotPlaced);
    EXPECT_EQ(Errors(), L"ウィンドウを移動できませんでした。(ToT)\r\n"
                        L"管理者として実行されているプログラムのウィンドウは、ResoLaunch を管理者として実行すると移動できます。\r\n");
    EXPECT_THAT(log, ElementsAre(L"start game.exe", L"move", L"stderr")) << "no move back";

    streams.bytes.clear();
    launcher.followedEndsAfter = 100ms;
    launcher.AfterStart(50ms, [this] { display.switchResult = -1; });
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --x=1 --y=2 --restore-on-exit game.exe"), kExitDisplayFailed)
        << "a screen left switched tells more";
    EXPECT_EQ(std::count(log.begin(), log.end(), L"stderr"), 3) << "both said";
}

TEST_F(CommandRunnerTest, PlacingWaitsForTheFamilysWindowOnlyAndNeverTakesTheForeground) {
    EXPECT_EQ(Run(L"R.exe game.exe"), kExitDone);
    EXPECT_THAT(log, ElementsAre(L"start game.exe")) << "without X and Y nothing is waited for or moved";

    log.clear();
    desktop.Remove(kGame);
    desktop.Add(0x3000, {42, {0, 0, 100, 100}});
    desktop.foreground = 0x3000;
    const auto before = loop.now;
    EXPECT_EQ(Run(L"R.exe --x=1 --y=2 game.exe"), kExitDone);
    EXPECT_EQ(loop.now - before, 10000ms);
    EXPECT_THAT(log, ElementsAre(L"start game.exe"));
    EXPECT_THAT(desktop.moves, IsEmpty());
}

TEST_F(CommandRunnerTest, ARefusedRestoreAtTheEndIsReported) {
    launcher.followedEndsAfter = 100ms;
    launcher.AfterStart(50ms, [this] { display.switchResult = -1; });
    EXPECT_EQ(Run(L"R.exe --mode=800x600 --restore-on-exit game.exe"), kExitDisplayFailed);
    EXPECT_EQ(Errors(), L"解像度を戻せませんでした。(ToT)\r\n");
}

TEST_F(CommandRunnerTest, RestoreReturnsToTheDefaultMode) {
    display.current = FakeMode{32, 640, 480};
    EXPECT_EQ(Run(L"R.exe --restore"), kExitDone);
    EXPECT_TRUE(AtDefault());
    display.switchResult = -1;
    EXPECT_EQ(Run(L"R.exe --restore"), kExitDisplayFailed);
    EXPECT_EQ(Errors(), L"解像度を戻せませんでした。(ToT)\r\n");
}

TEST_F(CommandRunnerTest, ListWritesEveryModeAsTheWindowListsIt) {
    display.testResult = [](const ModeRequest& r) { return r.dmBitsPerPel == 8 ? -2 : 0; };
    EXPECT_EQ(Run(L"R.exe --list"), kExitDone);
    std::wstring expected;
    const std::vector<DisplayMode> table = modes.DisplayModes();
    ASSERT_EQ(table.size(), 5u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        expected += std::to_wstring(i) + L"\t" + ModeLabel(table[i], table[i].Bits == 8 ? -2 : 0) + L"\r\n";
    }
    EXPECT_EQ(codec.Decode(streams.bytes[StdStream::Output]), expected);
    EXPECT_EQ(streams.bytes[StdStream::Output].substr(0, 6), "0\t 640") << "bytes in code page 932";
}

TEST_F(CommandRunnerTest, HelpWritesTheUsageAndVersionTheVersion) {
    EXPECT_EQ(Run(L"R.exe /?"), kExitDone);
    EXPECT_EQ(codec.Decode(streams.bytes[StdStream::Output]), CommandLineUsage());
    streams.bytes.clear();
    EXPECT_EQ(Run(L"R.exe --version"), kExitDone);
    EXPECT_EQ(streams.bytes[StdStream::Output], "ResoLaunch 0.2.0\r\n");
    EXPECT_THAT(display.changeCalls, IsEmpty());
}

TEST_F(CommandRunnerTest, EachBoxHasTheIconOfItsMessage) {
    streams.targets[StdStream::Output] = StreamTarget::None;  // started from a shortcut: boxes
    streams.targets[StdStream::Error] = StreamTarget::None;
    display.switchResult = 1;
    Run(L"R.exe --mode=800x600 game.exe");
    Run(L"R.exe --fullscreen");
    Run(L"R.exe --version");
    EXPECT_THAT(streams.boxKinds, ElementsAre(MessageKind::Warning, MessageKind::Error, MessageKind::Information));
}

// Where the text goes, stream by stream.
TEST(CommandOutput, AFileOrPipeGetsAnsiBytesWithCrLf) {
    FakeStdStreams streams;
    Cp932Codec codec;
    CommandOutput output(streams, codec);
    streams.targets[StdStream::Error] = StreamTarget::FileOrPipe;
    output.Report(L"起動に失敗しました。(ToT)\nC:\\ゲーム\\𠀋.exe");
    EXPECT_EQ(streams.bytes[StdStream::Error],
              codec.Encode(L"起動に失敗しました。(ToT)\r\nC:\\ゲーム\\").value() + "?.exe\r\n")
        << "a character the code page lacks is a question mark";
    EXPECT_EQ(streams.attachCalls, 0);
    EXPECT_THAT(streams.boxes, IsEmpty());
}

TEST(CommandOutput, ElseTheParentsConsoleElseOneMessageBox) {
    FakeStdStreams streams;
    Cp932Codec codec;
    CommandOutput output(streams, codec);
    streams.targets[StdStream::Output] = StreamTarget::FileOrPipe;  // --list > modes.txt
    streams.targets[StdStream::Error] = StreamTarget::Console;
    streams.parentConsole = true;
    output.Report(L"a\nb");
    output.Print(L"0\tmode\r\n");
    EXPECT_EQ(streams.console[StdStream::Error], L"a\r\nb\r\n");
    EXPECT_EQ(streams.bytes[StdStream::Output], "0\tmode\r\n");

    FakeStdStreams shortcut;  // started from a shortcut: no handles, no console
    CommandOutput boxed(shortcut, codec);
    boxed.Print(L"0\tmode\r\n1\tmode\r\n");
    boxed.Report(L"one message");
    EXPECT_THAT(shortcut.boxes, ElementsAre(L"0\tmode\r\n1\tmode\r\n", L"one message"));
    EXPECT_THAT(shortcut.bytes, IsEmpty());
    EXPECT_THAT(shortcut.console, IsEmpty());
}

TEST_F(CommandRunnerTest, ADisplayNamedOnTheLineIsTheOneListedSwitchedAndPlacedOn) {
    displays.attached = testing::FakeDisplays::ThreeDisplays();
    EXPECT_EQ(Run(L"R.exe --display=4 --list"), kExitBadCommandLine);
    EXPECT_EQ(Errors(), L"指定されたディスプレイはありません: 4\r\n使い方は ResoLaunch.exe --help で表示します。\r\n");

    // The second display lies left of the primary: X counts from its own left edge.
    testing::FakeDisplaySettings& left = display.Other(L"\\\\.\\DISPLAY2");
    left.modes = {{32, 1280, 1024}};
    left.current = left.defaultMode = {32, 1920, 1080};
    EXPECT_EQ(Run(L"R.exe --list --display=2"), kExitDone);
    EXPECT_EQ(codec.Decode(streams.bytes[StdStream::Output]), L"0\t" + ModeLabel({32, 1280, 1024}, 0) + L"\r\n");

    EXPECT_EQ(Run(L"R.exe --display=2 --mode=1280x1024 --x=10 --y=20 -- game.exe"), kExitDone);
    EXPECT_EQ(left.current->width, 1280u) << "the second display switched";
    EXPECT_TRUE(display.changeCalls.empty()) << "nothing asked of the primary";
    EXPECT_THAT(desktop.moves, ElementsAre(FakeDesktop::Move{kGame, -1910, 20, 643, 500}));

    // A driver may leave a display out of the platform's restore: --restore returns it too.
    display.nullRestoreCoversOthers = false;
    left.stored = left.defaultMode;
    display.restores.clear();
    EXPECT_EQ(Run(L"R.exe --restore"), kExitDone);
    EXPECT_THAT(display.restores, ElementsAre(L"", L"\\\\.\\DISPLAY2"));
    EXPECT_EQ(left.current->width, 1920u);
    left.switchResult = -1;
    left.current = FakeMode{32, 1280, 1024};
    EXPECT_EQ(Run(L"R.exe --restore"), kExitDisplayFailed) << "a call that failed";
}

}  // namespace
}  // namespace resolaunch
