// The watch after a placement, end to end: a splash before the real window,
// a game that centres its own window, a user's drag, and a window that was
// open before the press.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

constexpr const wchar_t* kGameTitle = L"WatchedGame";

class WatchedLaunch : public ProgramFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        game_ = Scratch(L"Game\\game.exe");
        report_ = Scratch(L"game-report.txt");
    }

    // The game with `options` beside the usual ones, then 起動＞待機 of it.
    AssertionResult LaunchGame(const std::wstring& options) {
        std::string error;
        if (!PlaceTargetProgram(game_, options + L" --title " + Quoted(kGameTitle) + L" --report " + Quoted(report_),
                                &error)) {
            return AssertionFailure() << error;
        }
        targets_.Watch(report_);
        if (AssertionResult entered = Enter(game_, std::to_wstring(kX), std::to_wstring(kY)); !entered) {
            return entered;
        }
        return Press(kLaunchAndStay);
    }

    HWND GameWindow() const {
        const std::vector<HWND> windows = WindowsTitled(kGameTitle);
        return windows.empty() ? nullptr : windows[0];
    }
    static RECT RectOf(HWND window) {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        return rect;
    }

    std::wstring game_;
    std::wstring report_;
};

TEST_F(WatchedLaunch, TheRealWindowAfterASplashEndsAtXY) {
    ASSERT_TRUE(LaunchGame(L"--splash 1000 --delay 1000"));
    EXPECT_TRUE(WaitForPlacedTarget(kGameTitle, report_));
}

// The pointer rests where the window centres to: Wine then takes the move for
// input (GetLastInputInfo), though no hand touched anything.
TEST_F(WatchedLaunch, AWindowThatCentresItselfGoesBackToXY) {
    ASSERT_TRUE(::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2));
    ASSERT_TRUE(LaunchGame(L"--delay 300 --move-after 300"));
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_));
    // The report lists every move: the placement, the game's own, and the one back.
    const auto backAfterOwnMove = [&] {
        const std::vector<TargetStart> starts = ReadTargetReport(report_);
        if (starts.size() != 1 || starts[0].moves.size() < 3) {
            return false;
        }
        const std::vector<TargetStart::Move>& moves = starts[0].moves;
        const bool movedAway = std::any_of(moves.begin(), moves.end(),
                                           [](const TargetStart::Move& move) { return move.rect.left != kX; });
        return movedAway && moves.back().rect.left == kX && moves.back().rect.top == kY;
    };
    EXPECT_TRUE(WaitUntil(backAfterOwnMove, kSlowStateTimeout))
        << "the window is at (" << RectOf(GameWindow()).left << "," << RectOf(GameWindow()).top << ")";
}

TEST_F(WatchedLaunch, AKeyPressedJustBeforeTheGamesOwnMoveLeavesTheWindowWhereTheGamePutIt) {
    ASSERT_TRUE(::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2));
    ASSERT_TRUE(LaunchGame(L"--delay 300"));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    // Shift, down and up, then the game centres its window as it would on a key.
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_SHIFT;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    ASSERT_TRUE(::PostMessageW(window, WM_APP, 0, 0));
    ASSERT_TRUE(WaitUntil([&] { return RectOf(window).left != kX; })) << "the game did not move its window";
    const RECT centred = RectOf(window);
    EXPECT_FALSE(WaitUntil([&] { return RectOf(window).left != centred.left; }, 2s))
        << "the window was moved to (" << RectOf(window).left << "," << RectOf(window).top << ")";
}

TEST_F(WatchedLaunch, WhereTheUserDragsThePlacedWindowItStays) {
    ASSERT_TRUE(LaunchGame(L"--delay 300"));
    HWND window = nullptr;
    ASSERT_TRUE(WaitForPlacedTarget(kGameTitle, report_, &window));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());

    // A drag on the caption, as a hand on the mouse makes it.
    const RECT placed = RectOf(window);
    const POINT from{placed.left + 60, placed.top + ::GetSystemMetrics(SM_CYCAPTION) / 2 + 4};
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    const auto at = [&](int x, int y, DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = x * 65535 / (width - 1);
        input.mi.dy = y * 65535 / (height - 1);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
        return input;
    };
    std::vector<INPUT> drag{at(from.x, from.y, 0), at(from.x, from.y, MOUSEEVENTF_LEFTDOWN)};
    for (int step = 1; step <= 10; ++step) {
        drag.push_back(at(from.x + 15 * step, from.y + 10 * step, 0));
    }
    drag.push_back(at(from.x + 150, from.y + 100, MOUSEEVENTF_LEFTUP));
    for (INPUT& input : drag) {
        ASSERT_EQ(::SendInput(1, &input, sizeof(INPUT)), 1u);
        ::Sleep(15);  // pacing the hand's movement, not waiting for a state
    }
    ASSERT_TRUE(WaitUntil([&] { return RectOf(window).left == placed.left + 150; }))
        << "the drag did not move the window: it is at (" << RectOf(window).left << "," << RectOf(window).top << ")";
    EXPECT_FALSE(WaitUntil([&] { return RectOf(window).left == kX; }, 2s)) << "the window was moved back";
}

TEST_F(WatchedLaunch, AWindowOpenBeforeThePressIsNotMovedWhenTheGameShowsNone) {
    // Another program's window, open and in front before the press.
    const std::wstring editor = Scratch(L"Editor\\editor.exe");
    const std::wstring editorReport = Scratch(L"editor-report.txt");
    ASSERT_TRUE(PlaceTarget(editor, L"OpenBefore", 0, editorReport));
    std::wstring commandLine = Quoted(editor);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    ASSERT_TRUE(CreateProcessRetried(editor, commandLine, 0, Scratch(L"Editor"), startup, created))
        << LastError("CreateProcessW");
    ::CloseHandle(created.hThread);
    ::CloseHandle(created.hProcess);
    ASSERT_TRUE(WaitUntil([] { return !WindowsTitled(L"OpenBefore").empty(); }));
    const HWND open = WindowsTitled(L"OpenBefore")[0];
    const RECT before = RectOf(open);

    // A game that ends at once without a window: after 10 s the fallback looks at the foreground.
    ASSERT_TRUE(LaunchGame(L"--delay 60000 --lifetime 1"));
    ::SetForegroundWindow(open);
    const HWND main = app_.Main();
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(main); })) << "the wait did not begin";
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(main) != FALSE; }, kSlowStateTimeout))
        << "the wait did not end";
    const RECT after = RectOf(open);
    EXPECT_TRUE(::EqualRect(&before, &after)) << "moved to (" << after.left << "," << after.top << ")";
}

}  // namespace
}  // namespace resolaunch::e2e
