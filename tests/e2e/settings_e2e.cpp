// The settings file path.txt beside the program, end to end: what a start
// loads from it and the exact bytes a save writes.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

// C:\ゲーム\起動.exe in code page 932, spelt out byte by byte.
const std::string kJapanesePathCp932 = [] {
    const unsigned char bytes[] = {0x43, 0x3A, 0x5C, 0x83, 0x51, 0x81, 0x5B, 0x83, 0x80,
                                   0x5C, 0x8B, 0x4E, 0x93, 0xAE, 0x2E, 0x65, 0x78, 0x65};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}();
const std::wstring kJapanesePath = L"C:\\\u30B2\u30FC\u30E0\\\u8D77\u52D5.exe";  // C:\ゲーム\起動.exe

std::string Quote(const std::string& bytes) { return "\"" + bytes + "\""; }

// After a save the program's folder holds only the program and path.txt.
const std::vector<std::wstring> kProgramAndSettings{L"ResoLaunch.exe", L"path.txt"};

using SettingsFile = ProgramFixture;

TEST_F(SettingsFile, LoadsAJapanesePathInCodePage932) {
    const std::string file = Quote(kJapanesePathCp932) + ",\"100\",\"-20\",3\r\n";
    ASSERT_TRUE(StartProgram({{L"path.txt", file}}));

    EXPECT_EQ(app_.Text(TextField::Executable), kJapanesePath) << Utf8(app_.Text(TextField::Executable));
    EXPECT_EQ(app_.Text(TextField::X), L"100");
    EXPECT_EQ(app_.Text(TextField::Y), L"-20");
    EXPECT_EQ(app_.SelectedListEntry(), 3);
    EXPECT_TRUE(NoDialogShown());
    EXPECT_TRUE(SettingsFileIs(file)) << "a start changed path.txt";
}

TEST_F(SettingsFile, AnIndexBeyondTheListLoadsOnlyTheTexts) {
    ASSERT_TRUE(StartProgram({{L"path.txt", Quote(kJapanesePathCp932) + ",\"5\",\"6\",9999\r\n"}}));
    EXPECT_EQ(app_.Text(TextField::Executable), kJapanesePath);
    EXPECT_EQ(app_.Text(TextField::X), L"5");
    EXPECT_EQ(app_.Text(TextField::Y), L"6");
    EXPECT_EQ(app_.SelectedListEntry(), LB_ERR) << "an entry is selected";
    EXPECT_TRUE(NoDialogShown());
}

TEST_F(SettingsFile, AFileNotInTheFormatChangesNothing) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"two fields", "\"a\",\"b\""},
        {"empty", ""},
        {"index beyond 16 bits", "\"a\",\"b\",\"c\",99999\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppUnderTest app;
        std::string error;
        ASSERT_TRUE(app.Start(&error, {{L"path.txt", c.bytes}})) << error;
        EXPECT_EQ(app.Text(TextField::Executable), L"Text1");
        EXPECT_EQ(app.Text(TextField::X), L"0");
        EXPECT_EQ(app.Text(TextField::Y), L"0");
        EXPECT_EQ(app.SelectedListEntry(), LB_ERR);
        EXPECT_EQ(app.Dialogs().size(), 0u) << "a dialog is shown";
        EXPECT_EQ(ReadFileBytes(app.SettingsPath()).value_or("<unreadable>"), c.bytes) << "path.txt changed";
        EXPECT_TRUE(app.Close(&error)) << error;
    }
}

TEST_F(SettingsFile, ASaveWritesTheExactBytes) {
    ASSERT_TRUE(StartProgram());
    const int index = ModeIndex(kDesktopSize, 32);
    ASSERT_GE(index, 0) << "the list has no entry for the desktop's own mode";

    ASSERT_TRUE(Enter(kJapanesePath, L"100", L"-20"));
    ASSERT_TRUE(ChangeMode(index));
    EXPECT_TRUE(SettingsFileIs(Quote(kJapanesePathCp932) + ",\"100\",\"-20\"," + std::to_string(index) + "\r\n"));
    EXPECT_TRUE(NoDialogShown());
    EXPECT_EQ(NamesIn(app_.Folder()), kProgramAndSettings);

    SCOPED_TRACE("a second save replaces the line");
    ASSERT_TRUE(Enter(L"C:\\Tools\\x.exe", L"", L"7"));
    ASSERT_TRUE(ChangeMode(0));
    EXPECT_TRUE(SettingsFileIs("\"C:\\Tools\\x.exe\",\"\",\"7\",0\r\n"));
    EXPECT_EQ(NamesIn(app_.Folder()), kProgramAndSettings);
}

TEST_F(SettingsFile, QuotesAreDoubledAndReadBackUnchanged) {
    ASSERT_TRUE(StartProgram());
    const int index = ModeIndex(kDesktopSize, 32);
    ASSERT_GE(index, 0);
    const std::wstring command = L"\"C:\\Program Files\\Game\\game.exe\" -window";

    ASSERT_TRUE(Enter(command, L"12", L"34"));
    ASSERT_TRUE(ChangeMode(index));
    const std::string expected =
        "\"\"\"C:\\Program Files\\Game\\game.exe\"\" -window\",\"12\",\"34\"," + std::to_string(index) + "\r\n";
    ASSERT_TRUE(SettingsFileIs(expected));
    std::string error;
    ASSERT_TRUE(app_.Close(&error)) << error;

    SCOPED_TRACE("the next start");
    AppUnderTest next;
    ASSERT_TRUE(next.Start(&error, {{L"path.txt", expected}})) << error;
    EXPECT_EQ(next.Text(TextField::Executable), command) << Utf8(next.Text(TextField::Executable));
    EXPECT_EQ(next.Text(TextField::X), L"12");
    EXPECT_EQ(next.Text(TextField::Y), L"34");
    EXPECT_EQ(next.SelectedListEntry(), index);
    EXPECT_TRUE(next.Close(&error)) << error;
}

TEST_F(SettingsFile, ASaveThatCannotReplaceTheFileLeavesItAsItWas) {
    const std::string old = "\"old.exe\",\"1\",\"2\",-1\r\n";
    ASSERT_TRUE(StartProgram({{L"path.txt", old}}));
    const int index = ModeIndex(kSmallerSize, 32);
    ASSERT_GE(index, 0) << "no list entry for 800 x 600 at 32 bits";
    ASSERT_TRUE(Enter(L"C:\\new.exe", L"3", L"4"));

    // Held open without sharing, the file cannot be replaced.
    const HANDLE held = ::CreateFileW(app_.SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "path.txt could not be opened, error " << ::GetLastError();
    const AssertionResult changed = ChangeMode(index, kSmallerSize);
    ::CloseHandle(held);
    ASSERT_TRUE(changed);

    EXPECT_TRUE(SettingsFileIs(old));
    EXPECT_TRUE(NoDialogShown());
    EXPECT_FALSE(PathExists(app_.SettingsPath() + L".tmp")) << "path.txt.tmp was left behind";
    EXPECT_EQ(NamesIn(app_.Folder()), kProgramAndSettings);
    EXPECT_TRUE(StillRunningAndShown());
}

}  // namespace
}  // namespace resolaunch::e2e
