// Following the started program, end to end: a launcher starts the game and
// ends at once (cmd's start, or a stub program), a URL's handler forwards to a
// client already running or is a client that stays open, a .lnk file names
// the game; the game's window is placed all the same, and with
// "ゲーム終了時に解像度を戻す" checked the screen goes back to its own mode
// when the game ends.

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr UINT kRestoreOnEndCommand = 0x0010;
constexpr const wchar_t* kGameTitle = L"FollowedGame";
// The game shows its window this long after it started, after its launcher has ended.
constexpr int kGameDelayMs = 900;

enum class Via {
    CmdStart,        // cmd.exe /c start "" game.exe
    Stub,            // a program that starts the game and ends
    StubBreakingAway,  // the same, starting the game outside its own job
    UrlForwarded,      // a URL whose handler hands it to a client already running and ends
    UrlToClient,       // a URL whose handler is a client that starts the game and stays open
    InternetShortcut,  // a .url file of such a URL
    ShellLink,         // a .lnk file of the game, with arguments and a working folder
};

// The schemes the tests register, under HKEY_CLASSES_ROOT where Wine looks.
constexpr const wchar_t* kForwardingScheme = L"resolaunch-forward";
constexpr const wchar_t* kClientScheme = L"resolaunch-client";

AssertionResult RegisterScheme(const std::wstring& scheme, const std::wstring& command) {
    const std::wstring key = L"Software\\Classes\\" + scheme;
    const std::wstring commandKey = key + L"\\shell\\open\\command";
    const auto setValue = [](const std::wstring& at, const wchar_t* name, const std::wstring& value) {
        const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, at.c_str(), name, REG_SZ, value.c_str(), bytes);
    };
    if (const LSTATUS status = setValue(commandKey, nullptr, command); status != ERROR_SUCCESS) {
        return AssertionFailure() << "the scheme's command could not be registered, error " << status;
    }
    setValue(key, L"URL Protocol", L"");
    return AssertionSuccess();
}

void UnregisterScheme(const std::wstring& scheme) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + scheme).c_str());
}

// A .lnk file of `target`, as Explorer makes one.
AssertionResult MakeShellLink(const std::wstring& path, const std::wstring& target, const std::wstring& arguments,
                              const std::wstring& folder) {
    const HRESULT initialized = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                        reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result)) {
        link->SetPath(target.c_str());
        link->SetArguments(arguments.c_str());
        link->SetWorkingDirectory(folder.c_str());
        IPersistFile* file = nullptr;
        result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(result)) {
            result = file->Save(path.c_str(), TRUE);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(initialized)) {
        ::CoUninitialize();
    }
    return SUCCEEDED(result) ? AssertionSuccess() : AssertionFailure() << "the link was not saved: " << result;
}

std::string NameOf(const ::testing::TestParamInfo<Via>& info) {
    switch (info.param) {
    case Via::CmdStart:
        return "CmdStart";
    case Via::Stub:
        return "Stub";
    case Via::StubBreakingAway:
        return "StubBreakingAway";
    case Via::UrlForwarded:
        return "UrlForwarded";
    case Via::UrlToClient:
        return "UrlToClient";
    case Via::InternetShortcut:
        return "InternetShortcut";
    case Via::ShellLink:
        return "ShellLink";
    }
    return "Unknown";
}

class FollowedLaunch : public ProgramFixture, public ::testing::WithParamInterface<Via> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        game_ = Scratch(L"Game Folder\\game.exe");
        report_ = Scratch(L"game-report.txt");
        ASSERT_TRUE(PlaceTarget(game_, kGameTitle, kGameDelayMs, report_));
        if (GetParam() == Via::CmdStart) {
            command_ = L"cmd.exe /c start \"\" " + Quoted(game_);
        } else if (GetParam() >= Via::UrlForwarded) {
            ASSERT_NO_FATAL_FAILURE(PrepareStartThroughAnotherProgram());
        } else {
            const std::wstring stub = Scratch(L"Launcher\\launcher.exe");
            const std::wstring options = L"--hand-over " + Quoted(game_) + L" --report " +
                                         Quoted(Scratch(L"launcher-report.txt")) +
                                         (GetParam() == Via::StubBreakingAway ? L" --break-away" : L"");
            std::string error;
            ASSERT_TRUE(PlaceTargetProgram(stub, options, &error)) << error;
            command_ = Quoted(stub);
        }
        smaller_ = ModeIndex(kSmallerSize, 32);
        ASSERT_GE(smaller_, 0) << "no list entry for 800 x 600 at 32 bits";
    }

    void TearDown() override {
        ProgramFixture::TearDown();
        UnregisterScheme(kForwardingScheme);
        UnregisterScheme(kClientScheme);
    }

    // A stub program at `path` with `options`, whose report is watched.
    void PlaceStub(const std::wstring& path, const std::wstring& options) {
        const std::wstring report = path + L".report.txt";
        std::string error;
        ASSERT_TRUE(PlaceTargetProgram(path, options + L" --report " + Quoted(report), &error)) << error;
        WatchReport(report);
    }

    void PrepareStartThroughAnotherProgram() {
        const std::wstring client = Scratch(L"Client\\client.exe");
        switch (GetParam()) {
        case Via::UrlForwarded: {
            // The client runs before the press, outside ResoLaunch; the handler tells it through a file.
            const std::wstring request = Scratch(L"client-request");
            ASSERT_NO_FATAL_FAILURE(PlaceStub(client, L"--serve " + Quoted(request) + L" --hand-over " + Quoted(game_)));
            STARTUPINFOW startup{};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION running{};
            std::wstring line = Quoted(client);
            ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                         &running))
                << LastError("CreateProcessW of the client");
            ::CloseHandle(running.hThread);
            ::CloseHandle(running.hProcess);
            const std::wstring handler = Scratch(L"Handler\\handler.exe");
            ASSERT_NO_FATAL_FAILURE(PlaceStub(handler, L"--forward " + Quoted(request)));
            ASSERT_TRUE(RegisterScheme(kForwardingScheme, Quoted(handler) + L" \"%1\""));
            command_ = std::wstring(kForwardingScheme) + L"://rungameid/70";
            break;
        }
        case Via::UrlToClient:
        case Via::InternetShortcut:
            ASSERT_NO_FATAL_FAILURE(PlaceStub(client, L"--hand-over " + Quoted(game_) + L" --stay"));
            ASSERT_TRUE(RegisterScheme(kClientScheme, Quoted(client) + L" \"%1\""));
            command_ = std::wstring(kClientScheme) + L"://rungameid/70";
            if (GetParam() == Via::InternetShortcut) {
                const std::wstring file = Scratch(L"Game Links\\Game.url");
                ::CreateDirectoryW(Scratch(L"Game Links").c_str(), nullptr);
                ASSERT_TRUE(WriteFileBytes(file, "[InternetShortcut]\r\nURL=" + Utf8(command_) + "\r\n"));
                command_ = file;
            }
            break;
        case Via::ShellLink: {
            linkFolder_ = Scratch(L"Link Folder");
            ::CreateDirectoryW(linkFolder_.c_str(), nullptr);
            const std::wstring link = Scratch(L"Old Game.lnk");
            ASSERT_TRUE(MakeShellLink(link, game_, L"--at 10,20", linkFolder_));
            command_ = Quoted(link) + L" --size 320x240";
            break;
        }
        default:
            break;
        }
    }

    // Checks the system menu's item as a tool may, with WM_SYSCOMMAND, and
    // waits until the choice is written down.
    AssertionResult CheckRestoreItem() const {
        if (!::PostMessageW(app_.Main(), WM_SYSCOMMAND, kRestoreOnEndCommand, 0)) {
            return AssertionFailure() << LastError("PostMessageW(WM_SYSCOMMAND)");
        }
        const std::wstring ini = app_.Folder() + L"\\ResoLaunch.ini";
        const std::string expected = "[Options]\r\nRestoreWhenProgramEnds=1\r\n";
        if (!WaitUntil([&] { return ReadFileBytes(ini) == expected; })) {
            return AssertionFailure() << "ResoLaunch.ini holds \"" << ReadFileBytes(ini).value_or("<nothing>") << "\"";
        }
        return AssertionSuccess();
    }

    // With ゲーム終了時に解像度を戻す checked, 解像度変更＞起動 of the game at
    // 800 x 600; waits until its window is placed and the press handled.
    AssertionResult ChangeModeAndLaunchWithRestoreChecked(HWND* window) const {
        if (AssertionResult checked = CheckRestoreItem(); !checked) {
            return checked;
        }
        if (AssertionResult entered = Enter(command_, L"37", L"41"); !entered) {
            return entered;
        }
        if (!app_.SelectListEntry(smaller_)) {
            return AssertionFailure() << "list entry " << smaller_ << " could not be selected";
        }
        if (AssertionResult pressed = Press(kChangeModeAndLaunch); !pressed) {
            return pressed;
        }
        if (!WaitForScreenSize(kSmallerSize)) {
            return AssertionFailure() << "the screen is at " << CurrentScreenSize();
        }
        if (AssertionResult placed = WaitForPlacedTarget(kGameTitle, report_, window); !placed) {
            return placed;
        }
        return app_.WaitUntilPostedHandled() ? AssertionSuccess() : AssertionFailure() << "the press was not handled";
    }

    // Closes the game's window, as its player would, and waits for its end.
    AssertionResult EndGame(HWND window) const {
        const std::vector<TargetStart> starts = ReadTargetReport(report_);
        if (starts.size() != 1) {
            return AssertionFailure() << starts.size() << " starts of the game reported";
        }
        const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, starts[0].processId);
        if (process == nullptr) {
            return AssertionFailure() << LastError("OpenProcess for the game");
        }
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        const bool ended = ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count())) == WAIT_OBJECT_0;
        ::CloseHandle(process);
        ended_ = PerformanceCounter();
        return AssertionResult(ended) << "the game did not end";
    }

    // Waits for the screen to be back at the desktop's own size and says how long that took.
    AssertionResult RestoredAfterTheGame() const {
        if (!WaitForScreenSize(kDesktopSize)) {
            return AssertionFailure() << "the screen stayed at " << CurrentScreenSize();
        }
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        std::printf("follow: the screen was back %.0f ms after the game had ended\n",
                    static_cast<double>(PerformanceCounter() - ended_) * 1000.0 / static_cast<double>(frequency.QuadPart));
        std::fflush(stdout);
        return AssertionSuccess();
    }

    std::wstring game_;
    std::wstring report_;
    std::wstring command_;
    std::wstring linkFolder_;
    int smaller_ = -1;
    mutable long long ended_ = 0;
};

// Every kind of launcher, also one that hands the game over outside the family.
class AnyLauncher : public FollowedLaunch {};
// Launchers whose game stays in the family.
class LauncherInTheFamily : public FollowedLaunch {};

TEST_P(AnyLauncher, ChangeModeAndLaunchPlacesTheGameAndPutsTheScreenBackWhenItEnds) {
    HWND window = nullptr;
    ASSERT_TRUE(ChangeModeAndLaunchWithRestoreChecked(&window));
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize) << "the screen went back while the game runs";

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(StillRunningAndShown());
}

TEST_P(LauncherInTheFamily, LaunchAndExitStaysWithoutAWindowUntilTheGameEndsThenRestoresAndEnds) {
    ASSERT_TRUE(CheckRestoreItem());
    ASSERT_TRUE(ChangeMode(smaller_, kSmallerSize));
    ASSERT_TRUE(Enter(command_, L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndExit));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    EXPECT_TRUE(app_.IsRunning()) << "ResoLaunch ended while the game runs";
    EXPECT_FALSE(::IsWindowVisible(app_.Main())) << "the main window is shown again";

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    ASSERT_TRUE(app_.WaitForExit()) << "ResoLaunch still runs after the game has ended";
    EXPECT_EQ(app_.ExitCode(), 0u);
}

TEST_P(LauncherInTheFamily, UncheckedTheScreenStaysWhenTheGameEnds) {
    ASSERT_TRUE(Enter(command_, L"37", L"41"));
    ASSERT_TRUE(app_.SelectListEntry(smaller_));
    ASSERT_TRUE(Press(kChangeModeAndLaunch));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    ASSERT_TRUE(EndGame(window));
    // A restore would follow the game's end at once; give it that time.
    EXPECT_FALSE(WaitUntil([] { return CurrentScreenSize() != kSmallerSize; }, 1500ms))
        << "the screen changed to " << CurrentScreenSize();
    EXPECT_FALSE(PathExists(app_.Folder() + L"\\ResoLaunch.ini")) << "the choice was written unasked";
    EXPECT_TRUE(StillRunningAndShown());
}

// A start that fails while a launch runs leaves that launch followed.
class FailedStartMeanwhile : public FollowedLaunch {};

TEST_P(FailedStartMeanwhile, TheRunningGamesEndStillPutsTheScreenBack) {
    HWND window = nullptr;
    ASSERT_TRUE(ChangeModeAndLaunchWithRestoreChecked(&window));

    ASSERT_TRUE(Enter(Scratch(L"absent\\nothing.exe"), L"37", L"41"));
    ASSERT_TRUE(Press(kLaunchAndStay));
    ASSERT_TRUE(MessageShown(L"起動に失敗しました。(ToT)\n", /*prefixOnly=*/true));
    ASSERT_TRUE(DismissMessage());
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
    EXPECT_TRUE(StillRunningAndShown());
}

// A .lnk file: its target starts in the link's working folder with the
// link's arguments, then those typed after it.
class ThroughALink : public FollowedLaunch {};

TEST_P(ThroughALink, TheTargetGetsTheLinksArgumentsThenTheTypedOnesInTheLinksFolder) {
    HWND window = nullptr;
    ASSERT_TRUE(ChangeModeAndLaunchWithRestoreChecked(&window));
    const std::vector<TargetStart> starts = ReadTargetReport(report_);
    ASSERT_EQ(starts.size(), 1u);
    const std::wstring& line = starts[0].commandLine;
    EXPECT_NE(line.find(L"--at 10,20 --size 320x240"), std::wstring::npos) << Utf8(line);
    EXPECT_EQ(starts[0].directory, linkFolder_);
    ASSERT_TRUE(EndGame(window));
    EXPECT_TRUE(RestoredAfterTheGame());
}

INSTANTIATE_TEST_SUITE_P(Launchers, FailedStartMeanwhile, ::testing::Values(Via::Stub), NameOf);
INSTANTIATE_TEST_SUITE_P(Launchers, AnyLauncher,
                         ::testing::Values(Via::CmdStart, Via::Stub, Via::StubBreakingAway, Via::UrlForwarded,
                                           Via::UrlToClient, Via::InternetShortcut),
                         NameOf);
INSTANTIATE_TEST_SUITE_P(Launchers, ThroughALink, ::testing::Values(Via::ShellLink), NameOf);
INSTANTIATE_TEST_SUITE_P(Launchers, LauncherInTheFamily, ::testing::Values(Via::CmdStart, Via::Stub), NameOf);

}  // namespace
}  // namespace resolaunch::e2e
