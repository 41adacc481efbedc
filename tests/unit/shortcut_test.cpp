#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_line/command_line.h"
#include "form_harness.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;


const std::wstring kGame = L"C:\\Games\\Old Game\\game.exe";
const std::wstring kDesktop = L"C:\\Users\\player\\Desktop\\";

// "ショートカットを作成..." in the window's system menu.
struct ShortcutTest : ::testing::Test, testing::FormHarness {
    ShortcutTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}};
        form.Form_Load();
        launcher.programs[kGame] = {kGame, L"", L"C:\\Games\\Old Game", true};
        launcher.programs[L"game -window"] = {kGame, L" -window", L"C:\\Games\\Old Game", false};
        controls.SetText(TextBox::Text1, kGame);
        controls.SetText(TextBox::Text2, L" 37");
        controls.SetText(TextBox::Text3, L"-４１");
        controls.SetListIndex(1);
    }

    void Make() { form.SystemMenuCommand(kCreateShortcutCommand); }
};

TEST_F(ShortcutTest, RunsTheCommandLineOfTheWindowsValuesAndPutsTheScreenBack) {
    Make();
    const std::wstring path = kDesktop + L"game (800x600).lnk";
    ASSERT_EQ(shortcutFiles.saved.count(path), 1u);
    EXPECT_EQ(shortcutFiles.saved[path],
              (ShortcutLink{L"C:\\Games\\ResoLaunch.exe",
                            L"--mode=800x600x32 --x=37 --y=-41 --restore-on-exit -- C:\\Games\\Old Game\\game.exe",
                            L"C:\\Games\\Old Game", kGame, L"ResoLaunch"}));
    EXPECT_THAT(messages.shown, ElementsAre(L"ショートカットを作成しました。\n" + path));
    EXPECT_FALSE(files.files.count(L"C:\\Games\\path.txt")) << "nothing is saved";
}

TEST_F(ShortcutTest, WithoutAModeItOnlyLaunchesAndPlacesAndACommandLineNamesItsProgramByFullPath) {
    // The shortcut runs in the program's folder, where a relative name finds nothing.
    launcher.programs[L"..\\x\\sub\\game.exe  -window \"a b\""] = {L"C:\\x\\sub\\game.exe", L"  -window \"a b\"",
                                                                   L"C:\\x\\sub", false};
    controls.SetListIndex(-1);
    controls.SetText(TextBox::Text1, L"game -window");
    Make();
    controls.SetText(TextBox::Text1, L"..\\x\\sub\\game.exe  -window \"a b\"");
    Make();
    ASSERT_EQ(shortcutFiles.saved.count(kDesktop + L"game.lnk"), 1u);
    ASSERT_EQ(shortcutFiles.saved.count(kDesktop + L"game (2).lnk"), 1u);
    EXPECT_EQ(shortcutFiles.saved[kDesktop + L"game.lnk"].arguments,
              L"--x=37 --y=-41 -- \"C:\\Games\\Old Game\\game.exe\" -window");
    EXPECT_EQ(shortcutFiles.saved[kDesktop + L"game (2).lnk"].arguments,
              L"--x=37 --y=-41 -- C:\\x\\sub\\game.exe  -window \"a b\"");
}

TEST_F(ShortcutTest, AUrlGoesInAsTypedAndALinkByItsFullPath) {
    controls.SetText(TextBox::Text1, L" steam://rungameid/70 ");
    Make();
    const std::wstring url = kDesktop + L"70 (800x600).lnk";
    ASSERT_EQ(shortcutFiles.saved.count(url), 1u);
    EXPECT_EQ(shortcutFiles.saved[url],
              (ShortcutLink{L"C:\\Games\\ResoLaunch.exe",
                            L"--mode=800x600x32 --x=37 --y=-41 --restore-on-exit -- steam://rungameid/70",
                            L"C:\\Games", L"C:\\Games\\ResoLaunch.exe", L"ResoLaunch"}));

    const std::wstring link = L"C:\\Games\\Old Game.lnk";
    files.files[link] = "";
    launcher.programs[link] = {link, L"", L"C:\\Games", true};
    controls.SetText(TextBox::Text1, L"\"" + link + L"\" -w");
    Make();
    ASSERT_EQ(shortcutFiles.saved.count(kDesktop + L"Old Game (800x600).lnk"), 1u);
    EXPECT_EQ(shortcutFiles.saved[kDesktop + L"Old Game (800x600).lnk"].arguments,
              L"--mode=800x600x32 --x=37 --y=-41 --restore-on-exit -- \"C:\\Games\\Old Game.lnk\" -w");
}

TEST_F(ShortcutTest, ANameThatIsTakenGetsANumberAsExplorerGivesIt) {
    shortcutFiles.taken = {kDesktop + L"game (800x600).lnk", kDesktop + L"game (800x600) (2).lnk"};
    Make();
    Make();
    EXPECT_THAT(shortcutFiles.saved, ElementsAre(::testing::Key(kDesktop + L"game (800x600) (3).lnk"),
                                                 ::testing::Key(kDesktop + L"game (800x600) (4).lnk")));
}

TEST_F(ShortcutTest, BadValuesMakeNoShortcut) {
    const struct {
        const wchar_t* program;
        const wchar_t* x;
        const wchar_t* y;
        const wchar_t* message;
    } cases[] = {
        {L"C:\\Games\\Old Game\\game.exe", L"x", L"1.5", L"表示位置 Y には整数を入力して下さい。"},
        {L"C:\\Games\\Old Game\\game.exe", L"", L"0", L"表示位置 X には整数を入力して下さい。"},
        {L"", L"0", L"0", L"実行ファイル名を入力して下さい。"},
        {L" \t\u3000", L"0", L"0", L"実行ファイル名を入力して下さい。"},
        {L"C:\\absent.exe", L"0", L"0", L"ショートカットを作成できませんでした。(ToT)\nno such program"},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        controls.SetText(TextBox::Text1, c.program);
        controls.SetText(TextBox::Text2, c.x);
        controls.SetText(TextBox::Text3, c.y);
        Make();
        EXPECT_THAT(messages.shown, ElementsAre(c.message));
    }
    EXPECT_THAT(shortcutFiles.saved, IsEmpty());
}

TEST_F(ShortcutTest, TheSystemsReasonWhenItCannotBeMade) {
    shortcutFiles.saveFailure = L"アクセスが拒否されました。";
    Make();
    shortcutFiles.saveFailure.reset();
    shortcutFiles.desktop.reset();
    Make();
    EXPECT_THAT(messages.shown, ElementsAre(L"ショートカットを作成できませんでした。(ToT)\nアクセスが拒否されました。",
                                            L"ショートカットを作成できませんでした。(ToT)\nno desktop"));
}

TEST_F(ShortcutTest, AChosenDisplayOtherThanTheMainIsNamedByItsInterfacePathQuoted) {
    displays.attached = testing::FakeDisplays::ThreeDisplays();
    controls.SetListIndex(-1);
    form.SystemMenuCommand(kFirstDisplayCommand + 2 * kDisplayCommandStep);
    controls.SetListIndex(-1);
    Make();
    EXPECT_EQ(shortcutFiles.saved.at(kDesktop + L"game.lnk").arguments,
              L"\"--display=" + displays.attached[2].interfacePath + L"\" --x=37 --y=-41 -- C:\\Games\\Old Game\\game.exe");
    // And the command line reads the path back as it was.
    const ParsedCommandLine parsed =
        ParseCommandLine(L"R.exe " + shortcutFiles.saved.at(kDesktop + L"game.lnk").arguments);
    ASSERT_TRUE(std::holds_alternative<CommandLineRequest>(parsed));
    EXPECT_EQ(std::get<CommandLineRequest>(parsed).display, displays.attached[2].interfacePath);
}

}  // namespace
}  // namespace resolaunch
