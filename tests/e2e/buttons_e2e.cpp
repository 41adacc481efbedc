// The mode, exit and file buttons, end to end: the screen really switches,
// the settings are saved, the program ends as each button says.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

class Buttons : public ProgramFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        smaller_ = ModeIndex(kSmallerSize, 32);
        ASSERT_GE(smaller_, 0) << "no list entry for 800 x 600 at 32 bits";
    }

    int smaller_ = -1;
};

TEST_F(Buttons, ChangeModeSwitchesAndSavesAndRestoreReturns) {
    ASSERT_TRUE(ChangeMode(smaller_, kSmallerSize));
    const std::string saved = SettingsLine(L"Text1", L"0", L"0", smaller_);
    EXPECT_TRUE(SettingsFileIs(saved));
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(StillRunningAndShown());

    SCOPED_TRACE("back to the mode from before");
    ASSERT_TRUE(Press(kRestoreMode));
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(app_.WaitUntilPostedHandled());
    EXPECT_TRUE(SettingsFileIs(saved)) << "the restore changed path.txt";
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(StillRunningAndShown());
}

TEST_F(Buttons, ChangeModeAndLaunchSwitchesSavesAndPlaces) {
    const std::wstring target = Scratch(L"delayed_window.exe");
    const std::wstring report = Scratch(L"report.txt");
    ASSERT_TRUE(PlaceTarget(target, L"AfterSwitch", 200, report));
    ASSERT_TRUE(Enter(target, L"37", L"41"));
    ASSERT_TRUE(app_.SelectListEntry(smaller_));

    ASSERT_TRUE(Press(kChangeModeAndLaunch));
    EXPECT_TRUE(WaitForScreenSize(kSmallerSize)) << "the screen is at " << CurrentScreenSize();
    ASSERT_TRUE(WaitForPlacedTarget(L"AfterSwitch", report));
    ASSERT_TRUE(app_.WaitUntilPostedHandled());
    EXPECT_TRUE(SettingsFileIs(SettingsLine(target, L"37", L"41", smaller_)));
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(StillRunningAndShown());
}

TEST_F(Buttons, ExitEndsAndKeepsTheSwitchedMode) {
    ASSERT_TRUE(ChangeMode(smaller_, kSmallerSize));
    ASSERT_TRUE(Press(kExit));
    ASSERT_TRUE(app_.WaitForExit()) << "the program did not end";
    EXPECT_EQ(app_.ExitCode(), 0u);
    EXPECT_EQ(CurrentScreenSize(), kSmallerSize) << "the mode was changed back";
}

TEST_F(Buttons, RestoreAndExitEndsInTheModeFromBefore) {
    ASSERT_TRUE(ChangeMode(smaller_, kSmallerSize));
    ASSERT_TRUE(Press(kRestoreModeAndExit));
    ASSERT_TRUE(app_.WaitForExit()) << "the program did not end";
    EXPECT_EQ(app_.ExitCode(), 0u);
    EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
}

TEST_F(Buttons, WithNothingSelectedTheModeButtonsDoNothing) {
    const std::wstring target = Scratch(L"delayed_window.exe");
    const std::wstring report = Scratch(L"report.txt");
    ASSERT_TRUE(PlaceTarget(target, L"NotSelected", 0, report));
    ASSERT_TRUE(Enter(target, L"37", L"41"));
    ASSERT_EQ(app_.SelectedListEntry(), LB_ERR);

    for (const wchar_t* button : {kChangeMode, kChangeModeAndLaunch}) {
        SCOPED_TRACE(Utf8(button));
        ASSERT_TRUE(Press(button));
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
        EXPECT_TRUE(NoDialogShown());
        EXPECT_FALSE(PathExists(app_.SettingsPath())) << "path.txt was written";
        EXPECT_FALSE(PathExists(report)) << "the program was started";
        EXPECT_TRUE(StillRunningAndShown());
    }

    // The same program starts once now, so neither press above started it.
    SCOPED_TRACE("then launched");
    ASSERT_TRUE(LaunchAndStay(L"NotSelected", report));
    EXPECT_EQ(ReadTargetReport(report).size(), 1u);
    EXPECT_FALSE(PathExists(app_.SettingsPath())) << "the launch wrote path.txt";
}

TEST_F(Buttons, ChooseFileTakesTheChosenPathAndCancelChangesNothing) {
    const std::wstring chosen = Scratch(L"Chosen Folder\\chosen.exe");
    std::string error;
    ASSERT_TRUE(PlaceTargetProgram(chosen, L"", &error)) << error;

    {
        SCOPED_TRACE("a file chosen");
        ASSERT_TRUE(Press(kChooseFile));
        const HWND dialog = app_.WaitForFileDialog();
        ASSERT_NE(dialog, nullptr) << "no file dialog appeared";
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), app_.Main());
        ASSERT_TRUE(SetTextOf(FileNameEdit(dialog), chosen));
        ASSERT_TRUE(app_.CloseDialog(dialog, IDOK)) << "the dialog stayed after OK";
        EXPECT_TRUE(WaitUntil([&] { return app_.Text(TextField::Executable) == chosen; }))
            << "Text1 holds " << Utf8(app_.Text(TextField::Executable));
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_TRUE(SettingsFileIs(SettingsLine(chosen, L"0", L"0", -1)));
        EXPECT_TRUE(NoDialogShown());
    }
    const std::optional<std::string> saved = ReadFileBytes(app_.SettingsPath());
    ASSERT_TRUE(saved.has_value());

    {
        SCOPED_TRACE("the dialog cancelled");
        ASSERT_TRUE(Press(kChooseFile));
        const HWND dialog = app_.WaitForFileDialog();
        ASSERT_NE(dialog, nullptr) << "no file dialog appeared";
        ASSERT_TRUE(SetTextOf(FileNameEdit(dialog), Scratch(L"typed.exe")));
        ASSERT_TRUE(app_.CloseDialog(dialog, IDCANCEL)) << "the dialog stayed after Cancel";
        ASSERT_TRUE(app_.WaitUntilPostedHandled());
        EXPECT_EQ(app_.Text(TextField::Executable), chosen);
        EXPECT_TRUE(SettingsFileIs(*saved));
        EXPECT_TRUE(NoDialogShown());
        EXPECT_TRUE(StillRunningAndShown());
    }
}

}  // namespace
}  // namespace resolaunch::e2e
