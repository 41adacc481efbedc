// The command line and the shortcuts made from the window, end to end:
// ResoLaunch.exe run with arguments, its exit code and what it wrote, and
// the .lnk the system menu's "ショートカットを作成..." leaves on the desktop.

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr UINT kCreateShortcutCommand = 0x0020;
constexpr UINT kAboutCommand = 0x0030;
constexpr DWORD kBadCommandLine = 3;
constexpr const wchar_t* kGameTitle = L"CommandLineGame";

// One run of ResoLaunch.exe with arguments, its standard output and error
// going to files, as a tool that calls it would have them.
class ProductRun {
public:
    ProductRun() = default;
    ProductRun(const ProductRun&) = delete;
    ProductRun& operator=(const ProductRun&) = delete;
    ~ProductRun() {
        if (process_ != nullptr) {
            if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(process_, 0xE2E);
            }
            ::CloseHandle(process_);
        }
    }

    AssertionResult Start(const std::wstring& arguments, const std::wstring& folder) {
        out_ = folder + L"\\stdout.txt";
        err_ = folder + L"\\stderr.txt";
        SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
        const HANDLE out = ::CreateFileW(out_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        const HANDLE err = ::CreateFileW(err_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::wstring commandLine = L"\"" + ProductPath() + L"\" " + arguments;
        PROCESS_INFORMATION info{};
        const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                              folder.c_str(), &startup, &info);
        const DWORD error = ::GetLastError();
        ::CloseHandle(out);
        ::CloseHandle(err);
        if (!started) {
            return AssertionFailure() << "CreateProcessW failed, error " << error;
        }
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
        return AssertionSuccess();
    }

    // Waits for the end; false when it still runs after `timeout`.
    bool Ended(std::chrono::milliseconds timeout = kSlowStateTimeout) {
        if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
            return false;
        }
        ::GetExitCodeProcess(process_, &exitCode_);
        return true;
    }

    DWORD ExitCode() const { return exitCode_; }
    DWORD ProcessId() const { return processId_; }
    // Ends it at once, as the Task Manager does.
    void Kill() {
        ::TerminateProcess(process_, 0xE2E);
        Ended();
    }
    // What it wrote, read as code page 932 text.
    std::wstring Out() const { return Decoded(out_); }
    std::wstring Err() const { return Decoded(err_); }

private:
    static std::wstring Decoded(const std::wstring& file) {
        const std::string bytes = ReadFileBytes(file).value_or("");
        const int size = ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring text(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
        ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
        return text;
    }

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD exitCode_ = STILL_ACTIVE;
    std::wstring out_;
    std::wstring err_;
};

class CommandLine : public ProgramFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        game_ = Scratch(L"Old Game\\game.exe");
        report_ = Scratch(L"game-report.txt");
        ASSERT_TRUE(PlaceTarget(game_, kGameTitle, 900, report_));
    }

    // Runs ResoLaunch with `arguments` until it ends.
    AssertionResult RunToEnd(ProductRun& run, const std::wstring& arguments) const {
        if (AssertionResult started = run.Start(arguments, scratch_.Path()); !started) {
            return started;
        }
        return AssertionResult(run.Ended()) << "ResoLaunch " << Utf8(arguments) << " did not end";
    }

    // No window of ResoLaunch's is on the screen.
    static AssertionResult ShowsNoWindow(const ProductRun& run) {
        for (HWND window : TopLevelWindows()) {
            if (ProcessOf(window) == run.ProcessId() && ::IsWindowVisible(window)) {
                return AssertionFailure() << "it shows " << Describe(window);
            }
        }
        return AssertionSuccess();
    }

    std::wstring game_;
    std::wstring report_;
};

TEST_F(CommandLine, TheWholeLineSwitchesPlacesTheGameBehindALauncherAndRestoresAfterIt) {
    ProductRun run;
    ASSERT_TRUE(run.Start(L"--mode=800x600 --x=37 --y=41 --restore-on-exit -- cmd.exe /c start \"\" " + Quoted(game_),
                          scratch_.Path()));
    EXPECT_TRUE(WaitForScreenSize(kSmallerSize)) << "the screen is at " << CurrentScreenSize();
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    EXPECT_TRUE(ShowsNoWindow(run));
    EXPECT_FALSE(run.Ended(0ms)) << "it did not wait for the game";

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_EQ(Utf8(run.Err()), "");
}

// Without X/Y the game's window is still looked for (and not moved): a game
// that a launcher started outside the launch's job keeps the line waiting.
TEST_F(CommandLine, WithoutXAndYTheRestoreWaitsForAGameStartedOutsideTheLaunch) {
    const std::wstring launcher = Scratch(L"Launcher\\launcher.exe");
    std::string error;
    ASSERT_TRUE(PlaceTargetProgram(launcher, L"--hand-over " + Quoted(game_) + L" --break-away", &error)) << error;
    ProductRun run;
    ASSERT_TRUE(run.Start(L"--mode=800x600 --restore-on-exit -- " + Quoted(launcher), scratch_.Path()));
    EXPECT_TRUE(WaitForScreenSize(kSmallerSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(WaitUntil([] { return !WindowsTitled(kGameTitle).empty(); }, kSlowStateTimeout))
        << "the game showed no window";
    const HWND window = WindowsTitled(kGameTitle)[0];
    EXPECT_FALSE(run.Ended(2s)) << "it ended with " << run.ExitCode() << " while the game runs";
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize);
    const std::vector<TargetStart> starts = ReadTargetReport(report_);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(starts[0].moves.empty()) << "the game's window was moved";

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u);
}

// A launcher that shows a window of its own and starts the game later: with
// --wait-for only the game's window is placed, and the line ends with the
// game while the launcher stays open.
TEST_F(CommandLine, WaitForPlacesTheNamedGameAndNotTheLaunchersWindow) {
    const std::wstring launcher = Scratch(L"Launcher\\launcher.exe");
    const std::wstring launcherReport = Scratch(L"launcher-report.txt");
    std::string error;
    ASSERT_TRUE(PlaceTargetProgram(launcher,
                                   L"--title LauncherWindow --launch-after 1500 --hand-over " + Quoted(game_) +
                                       L" --report " + Quoted(launcherReport),
                                   &error))
        << error;
    targets_.Watch(launcherReport);
    ProductRun run;
    ASSERT_TRUE(run.Start(L"--mode=800x600 --x=37 --y=41 --restore-on-exit --wait-for=GAME.exe -- " + Quoted(launcher),
                          scratch_.Path()));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize);
    const std::vector<TargetStart> launcherStarts = ReadTargetReport(launcherReport);
    ASSERT_EQ(launcherStarts.size(), 1u);
    EXPECT_TRUE(launcherStarts[0].moves.empty()) << "the launcher's window was moved";

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_FALSE(WindowsTitled(L"LauncherWindow").empty()) << "the launcher's window should still be open";
}

// Ctrl+Alt+Shift+R as a keyboard sends it, down then up in reverse.
bool SendReturnKey() {
    const WORD keys[] = {VK_CONTROL, VK_MENU, VK_SHIFT, 'R'};
    std::vector<INPUT> inputs;
    for (int up = 0; up < 2; ++up) {
        for (int i = 0; i < 4; ++i) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = keys[up ? 3 - i : i];
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
    }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The key is taken a moment after the start: pressed until the screen is back.
bool ReturnKeyRestores() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (SendReturnKey() && WaitUntil([] { return CurrentScreenSize() == kDesktopSize; }, 1s)) {
            return true;
        }
    }
    return false;
}

// A record of a restore owed names the guard that holds its launch.
bool RecordNamesAGuard() {
    for (const std::wstring& name : NamesIn(RecordsFolder())) {
        if (ReadFileBytes(RecordsFolder() + L"\\" + name).value_or("").find("\nGuard=") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// 解像度変更＞起動 with ゲーム終了時に解像度を戻す checked, then ResoLaunch
// ended as the Task Manager ends it, while the game runs; with its guard too
// ("End process tree"), or not.
class LeftBehind : public CommandLine {
protected:
    void SwitchLaunchAndKill(bool alsoTheGuard, HWND* window = nullptr) {
        ASSERT_TRUE(StartProgram({{L"ResoLaunch.ini", "[Options]\r\nRestoreWhenProgramEnds=1\r\n"}}));
        ASSERT_TRUE(Enter(Quoted(game_), L"37", L"41"));
        ASSERT_TRUE(app_.SelectListEntry(ModeIndex(kSmallerSize, 32)));
        ASSERT_TRUE(Press(kChangeModeAndLaunch));
        ASSERT_TRUE(WaitForScreenSize(kSmallerSize)) << "the screen is at " << CurrentScreenSize();
        ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, window));
        ASSERT_TRUE(WaitUntil(RecordNamesAGuard));  // the launch is followed, and guarded
        app_.Kill();
        if (alsoTheGuard) {
            KillGuards();
        }
        ASSERT_EQ(NamesIn(RecordsFolder()).size(), 1u) << "no record of the restore owed";
    }
};

// The guard follows the launch on its own after ResoLaunch was ended: the
// screen stays switched while the game runs and comes back at its end.
AssertionResult GuardRestoresAtTheGamesEnd(HWND game) {
    const std::vector<DWORD> guards = ResoLaunchProcesses();
    if (guards.size() != 1) {
        return AssertionFailure() << guards.size() << " ResoLaunch processes run, not the one guard";
    }
    if (ShowsAnyWindow(guards[0])) {
        return AssertionFailure() << "the guard shows a window";
    }
    if (WaitUntil([] { return CurrentScreenSize() != kSmallerSize; }, 1500ms)) {
        return AssertionFailure() << "the screen went to " << CurrentScreenSize() << " while the game runs";
    }
    const HANDLE guard = ::OpenProcess(SYNCHRONIZE, FALSE, guards[0]);
    ::PostMessageW(game, WM_CLOSE, 0, 0);
    const bool back = WaitUntil([] { return CurrentScreenSize() == kDesktopSize; }, 1s);
    const bool ended = ::WaitForSingleObject(guard, 2000) == WAIT_OBJECT_0;
    ::CloseHandle(guard);
    if (!back) {
        return AssertionFailure() << "the screen is at " << CurrentScreenSize() << " 1 s after the game's end";
    }
    if (!ended) {
        return AssertionFailure() << "the guard still runs after the restore";
    }
    return AssertionResult(NamesIn(RecordsFolder()).empty()) << "the record was left";
}

TEST_F(LeftBehind, TheGuardPutsTheScreenBackAtTheGamesEndThenEnds) {
    HWND game = nullptr;
    ASSERT_NO_FATAL_FAILURE(SwitchLaunchAndKill(false, &game));
    EXPECT_TRUE(GuardRestoresAtTheGamesEnd(game));
}

TEST_F(CommandLine, AGuardCarriesOnALineEndedWhileItsGameRuns) {
    ProductRun run;
    ASSERT_TRUE(run.Start(L"--mode=800x600 --x=37 --y=41 --restore-on-exit -- " + Quoted(game_), scratch_.Path()));
    HWND game = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &game));
    // The guard is started once the line follows its game, and then named in the record.
    ASSERT_TRUE(WaitUntil([&] { return ResoLaunchProcesses(run.ProcessId()).size() == 1 && RecordNamesAGuard(); }));
    run.Kill();
    EXPECT_TRUE(GuardRestoresAtTheGamesEnd(game));
}

TEST_F(LeftBehind, TheReturnKeyWorksWithOnlyTheGuardLeft) {
    ASSERT_NO_FATAL_FAILURE(SwitchLaunchAndKill(false));
    const std::vector<DWORD> guards = ResoLaunchProcesses();
    ASSERT_EQ(guards.size(), 1u);
    const HANDLE guard = ::OpenProcess(SYNCHRONIZE, FALSE, guards[0]);
    EXPECT_TRUE(ReturnKeyRestores()) << "the screen is at " << CurrentScreenSize();
    EXPECT_EQ(::WaitForSingleObject(guard, 2000), WAIT_OBJECT_0) << "the guard still runs with nothing owed";
    ::CloseHandle(guard);
    EXPECT_TRUE(NamesIn(RecordsFolder()).empty());
}

TEST_F(LeftBehind, TheNextStartOfTheWindowPutsTheScreenBackBeforeItShowsAndListChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(SwitchLaunchAndKill(true));
    ProductRun list;
    ASSERT_TRUE(RunToEnd(list, L"--list"));
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize) << "--list changed the screen";

    AppUnderTest next;
    std::string error;
    ASSERT_TRUE(next.Start(&error)) << error;
    EXPECT_EQ(CurrentScreenSize(), kDesktopSize) << "the window showed before the screen was back";
    EXPECT_TRUE(NamesIn(RecordsFolder()).empty());
}

TEST_F(LeftBehind, AScreenSwitchedBySomeoneElseMeanwhileIsLeftAsItIs) {
    ASSERT_NO_FATAL_FAILURE(SwitchLaunchAndKill(true));
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    ASSERT_EQ(::ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    ASSERT_TRUE(WaitForScreenSize({640, 480}));

    AppUnderTest next;
    std::string error;
    ASSERT_TRUE(next.Start(&error)) << error;
    EXPECT_EQ(CurrentScreenSize(), (ScreenSize{640, 480}));
    EXPECT_TRUE(NamesIn(RecordsFolder()).empty()) << "the record was not deleted";
}

TEST_F(CommandLine, TheReturnKeyPutsTheScreenBackWhileALineWaitsAndFromTheWindow) {
    ProductRun run;
    ASSERT_TRUE(run.Start(L"--mode=800x600 --x=37 --y=41 --restore-on-exit -- " + Quoted(game_), scratch_.Path()));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    EXPECT_TRUE(ReturnKeyRestores()) << "the screen is at " << CurrentScreenSize();
    EXPECT_FALSE(run.Ended(500ms)) << "the line ended before its game";
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u);

    SCOPED_TRACE("the window, after 解像度変更");
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(ChangeMode(ModeIndex(kSmallerSize, 32), kSmallerSize));
    EXPECT_TRUE(ReturnKeyRestores()) << "the screen is at " << CurrentScreenSize();
    EXPECT_TRUE(StillRunningAndShown());
}

// A script reads ResoLaunch's output through a pipe: the pipe ends with
// ResoLaunch, not with the game, also when a console launcher starts it.
TEST_F(CommandLine, AScriptReadingTheOutputSeesItsEndWhileTheGameRuns) {
    const std::wstring commands[] = {Quoted(game_), L"cmd.exe /c start \"\" " + Quoted(game_)};
    for (std::size_t i = 0; i < std::size(commands); ++i) {
        SCOPED_TRACE(Utf8(commands[i]));
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
        ASSERT_TRUE(::CreatePipe(&read, &write, &inherited, 0));
        ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = write;
        std::wstring commandLine = Quoted(ProductPath()) + L" -- " + commands[i];
        PROCESS_INFORMATION info{};
        const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                              scratch_.Path().c_str(), &startup, &info);
        ::CloseHandle(write);
        ASSERT_TRUE(started);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);

        const bool pipeEnded = WaitUntil(
            [&] {
                char bytes[256];
                DWORD available = 0;
                if (!::PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr)) {
                    return ::GetLastError() == ERROR_BROKEN_PIPE;
                }
                DWORD got = 0;
                return available != 0 && !::ReadFile(read, bytes, sizeof(bytes), &got, nullptr);
            },
            kSlowStateTimeout);
        ::CloseHandle(read);
        EXPECT_TRUE(pipeEnded) << "the pipe is still open";
        EXPECT_TRUE(WaitUntil([&] {
            const std::vector<TargetStart> starts = ReadTargetReport(report_);
            if (starts.size() != i + 1) {
                return false;
            }
            const HANDLE game = ::OpenProcess(SYNCHRONIZE, FALSE, starts.back().processId);
            const bool running = game != nullptr && ::WaitForSingleObject(game, 0) == WAIT_TIMEOUT;
            if (game != nullptr) {
                ::CloseHandle(game);
            }
            return running;
        })) << "the game is not running";
    }
}

// Under Wine 8 a process with a window that switches to 640 x 480 and ends
// without restoring brings the whole desktop session down. The command line
// runs its flow without any window: the session lives on.
TEST_F(CommandLine, ASwitchTo640x480LeavesTheDesktopSessionRunning) {
    ProductRun run;
    ASSERT_TRUE(RunToEnd(run, L"--mode=640x480 -- " + Quoted(game_)));
    EXPECT_EQ(run.ExitCode(), 0u) << Utf8(run.Err());
    EXPECT_TRUE(WaitForScreenSize({640, 480})) << "the screen is at " << CurrentScreenSize();
    EXPECT_TRUE(WaitUntil([] { return !WindowsTitled(kGameTitle).empty(); }, kSlowStateTimeout))
        << "the game shows no window";

    ProductRun list;
    ASSERT_TRUE(RunToEnd(list, L"--list"));
    EXPECT_EQ(list.ExitCode(), 0u) << "a new program no longer runs in the session";
}

// A line that switched and whose program cannot start leaves nothing half done.
TEST_F(CommandLine, AProgramThatCannotStartPutsTheScreenBack) {
    ProductRun run;
    ASSERT_TRUE(RunToEnd(run, L"--mode=800x600 -- " + Scratch(L"absent\\nothing.exe")));
    EXPECT_EQ(run.ExitCode(), 4u);
    EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
    EXPECT_EQ(Utf8(run.Err()).rfind(Utf8(L"起動に失敗しました。(ToT)\r\n"), 0), 0u) << Utf8(run.Err());
}

TEST_F(CommandLine, RestoreReturnsToTheDesktopsMode) {
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    ASSERT_EQ(::ChangeDisplaySettingsA(&mode, 0), DISP_CHANGE_SUCCESSFUL);
    ASSERT_TRUE(WaitForScreenSize(kSmallerSize));

    ProductRun run;
    ASSERT_TRUE(RunToEnd(run, L"--restore"));
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
}

TEST_F(CommandLine, ListWritesTheWindowsListWithIndexes) {
    ProductRun run;
    ASSERT_TRUE(RunToEnd(run, L"--list"));
    EXPECT_EQ(run.ExitCode(), 0u);

    ASSERT_TRUE(StartProgram());
    std::wstring expected;
    const std::vector<std::wstring> entries = ListTexts(app_.List());
    ASSERT_FALSE(entries.empty());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        expected += std::to_wstring(i) + L"\t" + entries[i] + L"\r\n";
    }
    EXPECT_EQ(Utf8(run.Out()), Utf8(expected));
}

TEST_F(CommandLine, BadLinesEndWithCode3AndChangeNothing) {
    const std::wstring kUsageHint = L"使い方は ResoLaunch.exe --help で表示します。\r\n";
    const struct {
        std::wstring arguments;
        std::wstring message;
    } cases[] = {
        {L"--mode=800x600 --fullscreen " + Quoted(game_),
         L"コマンドラインが正しくありません: --fullscreen\r\nこのオプションはありません。\r\n" + kUsageHint},
        {L"--x=37 " + Quoted(game_),
         L"コマンドラインが正しくありません: --x=37\r\n--x と --y は両方とも指定して下さい。\r\n" + kUsageHint},
        {L"--mode=1234x567 --restore-on-exit " + Quoted(game_), L"指定された解像度はありません: 1234x567\r\n" + kUsageHint},
        {L"--list --help", L"コマンドラインが正しくありません: --help\r\nこのオプションは単独で指定して下さい。\r\n" + kUsageHint},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.arguments));
        ProductRun run;
        ASSERT_TRUE(RunToEnd(run, c.arguments));
        EXPECT_EQ(run.ExitCode(), kBadCommandLine);
        EXPECT_EQ(Utf8(run.Err()), Utf8(c.message));
        EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
        EXPECT_FALSE(PathExists(report_)) << "the game was started";
    }
}

// What a shortcut file holds, read back through the shell.
struct ShortcutFields {
    std::wstring target;
    std::wstring arguments;
    std::wstring workingFolder;
};

AssertionResult ReadShortcut(const std::wstring& path, ShortcutFields* fields) {
    const HRESULT initialized = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                        reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result)) {
        result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    }
    if (SUCCEEDED(result)) {
        result = file->Load(path.c_str(), STGM_READ);
    }
    std::vector<wchar_t> buffer(32768);
    const int size = static_cast<int>(buffer.size());
    if (SUCCEEDED(result) && SUCCEEDED(link->GetPath(buffer.data(), size, nullptr, SLGP_RAWPATH))) {
        fields->target = buffer.data();
    }
    if (SUCCEEDED(result) && SUCCEEDED(link->GetArguments(buffer.data(), size))) {
        fields->arguments = buffer.data();
    }
    if (SUCCEEDED(result) && SUCCEEDED(link->GetWorkingDirectory(buffer.data(), size))) {
        fields->workingFolder = buffer.data();
    }
    if (file != nullptr) {
        file->Release();
    }
    if (link != nullptr) {
        link->Release();
    }
    if (SUCCEEDED(initialized)) {
        ::CoUninitialize();
    }
    return AssertionResult(SUCCEEDED(result)) << "reading " << Utf8(path) << " failed, HRESULT " << std::hex << result;
}

TEST_F(CommandLine, TheSystemMenuMakesADesktopShortcutOfTheWindowsValues) {
    ASSERT_TRUE(StartProgram());
    const int smaller = ModeIndex(kSmallerSize, 32);
    ASSERT_GE(smaller, 0);
    ASSERT_TRUE(Enter(game_, L"37", L"41"));
    ASSERT_TRUE(app_.SelectListEntry(smaller));
    ASSERT_TRUE(::PostMessageW(app_.Main(), WM_SYSCOMMAND, kCreateShortcutCommand, 0));

    std::wstring text;
    const std::wstring made = L"ショートカットを作成しました。\n";
    ASSERT_TRUE(MessageShown(made, /*prefixOnly=*/true, &text));
    const std::wstring path = text.substr(made.size());
    EXPECT_EQ(FileNameOf(path), L"game (800x600).lnk");
    ASSERT_TRUE(DismissMessage());

    ShortcutFields fields;
    ASSERT_TRUE(ReadShortcut(path, &fields));
    ::DeleteFileW(path.c_str());
    EXPECT_TRUE(SameText(fields.target, app_.Folder() + L"\\ResoLaunch.exe")) << Utf8(fields.target);
    EXPECT_EQ(Utf8(fields.arguments), Utf8(L"--mode=800x600x32 --x=37 --y=41 --restore-on-exit -- " + game_));
    EXPECT_TRUE(SameText(fields.workingFolder, ParentOf(game_))) << Utf8(fields.workingFolder);
    EXPECT_FALSE(PathExists(app_.SettingsPath())) << "making a shortcut saved path.txt";
}

TEST_F(CommandLine, TheVersionItemShowsTheVersionCopyrightAndLicence) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(::PostMessageW(app_.Main(), WM_SYSCOMMAND, kAboutCommand, 0));
    EXPECT_TRUE(MessageShown(L"ResoLaunch 0.2.0\n\u00A9 2026 ResoLaunch developers\nMIT License"));
    ASSERT_TRUE(DismissMessage());
    EXPECT_TRUE(StillRunningAndShown());
}

// A command line typed with a relative path still starts from the shortcut,
// which runs in the game's folder.
TEST_F(CommandLine, AShortcutOfACommandLineWithARelativePathStartsTheGame) {
    ASSERT_TRUE(StartProgram());
    ASSERT_EQ(ParentOf(app_.Folder()), ParentOf(scratch_.Path()));
    const std::wstring relative = L"..\\" + FileNameOf(scratch_.Path()) + L"\\Old Game\\game.exe";
    ASSERT_TRUE(Enter(relative + L" --delay 300", L"37", L"41"));
    ASSERT_TRUE(::PostMessageW(app_.Main(), WM_SYSCOMMAND, kCreateShortcutCommand, 0));

    std::wstring text;
    const std::wstring made = L"ショートカットを作成しました。\n";
    ASSERT_TRUE(MessageShown(made, /*prefixOnly=*/true, &text));
    const std::wstring path = text.substr(made.size());
    ASSERT_TRUE(DismissMessage());
    ShortcutFields fields;
    ASSERT_TRUE(ReadShortcut(path, &fields));
    ::DeleteFileW(path.c_str());
    EXPECT_EQ(Utf8(fields.arguments), Utf8(L"--x=37 --y=41 -- " + Quoted(game_) + L" --delay 300"));

    ProductRun run;
    ASSERT_TRUE(run.Start(fields.arguments, fields.workingFolder));
    EXPECT_TRUE(WaitForPlacedTarget(kGameTitle, report_));
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u) << Utf8(run.Err());
}

// On an Xvfb with two Xinerama screens and no virtual desktop, where Wine
// lists two displays (scripts/e2e.sh runs these in a session of their own).
class TwoDisplays : public CommandLine {
protected:
    void SetUp() override {
        if (::_wgetenv(L"RESOLAUNCH_E2E_TWO_DISPLAYS") == nullptr) {
            GTEST_SKIP() << "needs two displays: scripts/e2e.sh runs these on their own";
        }
        ASSERT_NO_FATAL_FAILURE(CommandLine::SetUp());
    }

    // The second display's list as ResoLaunch labels it, from this process's own reading.
    static std::vector<std::wstring> SecondDisplaysList() {
        std::vector<std::wstring> entries;
        DEVMODEA mode{};
        mode.dmSize = sizeof(mode);
        for (DWORD number = 0; ::EnumDisplaySettingsA("\\\\.\\DISPLAY2", number, &mode); ++number) {
            entries.push_back(ExpectedModeEntry(static_cast<int>(mode.dmBitsPerPel), static_cast<int>(mode.dmPelsWidth),
                                                static_cast<int>(mode.dmPelsHeight)));
        }
        return entries;
    }
};

TEST_F(TwoDisplays, TheCommandLineListsTheSecondDisplayAndRefusesAThird) {
    const std::vector<std::wstring> expected = SecondDisplaysList();
    ASSERT_FALSE(expected.empty()) << "Wine lists no second display here";
    ProductRun list;
    ASSERT_TRUE(RunToEnd(list, L"--list --display=2"));
    EXPECT_EQ(list.ExitCode(), 0u) << Utf8(list.Err());
    std::wstring lines;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        lines += std::to_wstring(i) + L"\t" + expected[i] + L"\r\n";
    }
    EXPECT_EQ(list.Out(), lines);

    ProductRun third;
    ASSERT_TRUE(RunToEnd(third, L"--display=3 --list"));
    EXPECT_EQ(third.ExitCode(), kBadCommandLine);
    EXPECT_EQ(third.Err(), L"指定されたディスプレイはありません: 3\r\n使い方は ResoLaunch.exe --help で表示します。\r\n");
}

TEST_F(TwoDisplays, ChoosingTheSecondInTheSystemMenuFillsTheListWithItsModesAndKeepsTheChoice) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(::PostMessageW(app_.Main(), WM_SYSCOMMAND, 0x0110, 0)) << LastError("PostMessageW");
    ASSERT_TRUE(app_.WaitUntilPostedHandled());
    EXPECT_EQ(ListTexts(app_.List()), SecondDisplaysList());
    const std::string ini = ReadFileBytes(app_.Folder() + L"\\ResoLaunch.ini").value_or("<none>");
    EXPECT_NE(ini.find("Display=\\\\?\\DISPLAY#"), std::string::npos) << ini;
    const std::string settings = ReadFileBytes(app_.SettingsPath()).value_or("<none>");
    EXPECT_TRUE(settings.ends_with(",-1\r\n")) << "path.txt holds " << settings;
}

}  // namespace
}  // namespace resolaunch::e2e
