#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::FakeFileSystem;
using testing::FakeFormControls;

struct TransferSettingsTest : ::testing::Test, testing::FormHarness {
    TransferSettingsTest() {
        display.modes = {{32, 640, 480}, {32, 800, 600}, {32, 1024, 768}, {16, 1024, 768}};
    }

    // Start-up: the list is filled, then the settings load.
    void Start(const std::string& file) {
        files.files[path] = file;
        form.Form_Load();
    }

    const std::wstring path = L"C:\\Games\\path.txt";
};

TEST_F(TransferSettingsTest, FirstStartWithoutAFileKeepsTheInitialTexts) {
    form.Form_Load();
    EXPECT_THAT(controls.changes, IsEmpty());
    EXPECT_EQ(controls.Text(TextBox::Text1), L"Text1");
    EXPECT_EQ(controls.ListIndex(), -1);
    EXPECT_TRUE(files.files.empty()) << "loading creates no file";
}

TEST_F(TransferSettingsTest, LoadSetsTheControlsInOrderAfterTheList) {
    Start("\"C:\\\x83\x51\x81\x5B\x83\x80\\\x8B\x4E\x93\xAE.exe\",\"100\",\"0\",3\r\n");
    ASSERT_EQ(controls.list.size(), 4u);
    EXPECT_THAT(controls.changes,
                ElementsAre(L"Text1=C:\\ゲーム\\起動.exe", L"Text2=100", L"Text3=0", L"List1=3",
                            L"CommonDialog1=C:\\ゲーム\\起動.exe"));
}

TEST_F(TransferSettingsTest, MinusOneClearsTheSelectionAndStillSetsTheDialog) {
    controls.listIndex = 2;
    files.files[path] = "\"a.exe\",\"1\",\"2\",-1\r\n";
    form.TransferSettings(1);
    EXPECT_EQ(controls.listIndex, -1);
    EXPECT_EQ(controls.dialogFileName, L"a.exe");
}

TEST_F(TransferSettingsTest, AnIndexTheListCannotHoldLeavesTheSelectionAlone) {
    for (const char* index : {"4", "32767", "-2", "-32768"}) {
        SCOPED_TRACE(index);
        controls = FakeFormControls();
        controls.list.assign(4, L"mode");
        controls.listIndex = 1;
        files.files[path] = std::string("\"a.exe\",\"5\",\"6\",") + index + "\r\n";
        form.TransferSettings(1);
        EXPECT_THAT(controls.changes,
                    ElementsAre(L"Text1=a.exe", L"Text2=5", L"Text3=6", L"CommonDialog1=a.exe"));
        EXPECT_EQ(controls.listIndex, 1);
    }
}

TEST_F(TransferSettingsTest, AFileThatFailsToReadChangesNothing) {
    for (const char* file : {"", "\"a\",\"b\"", "\"a\",\"b\",\"c\",40000\r\n", "\xEF\xBB\xBF\"\xFF\",\"\",\"\",1\r\n"}) {
        controls.changes.clear();
        files.files[path] = file;
        form.TransferSettings(1);
        EXPECT_THAT(controls.changes, IsEmpty()) << file;
    }
}

TEST_F(TransferSettingsTest, AnyNonzeroModeLoadsAndZeroSaves) {
    files.files[path] = "\"a.exe\",\"1\",\"2\",0\r\n";
    form.TransferSettings(-1);
    EXPECT_EQ(controls.Text(TextBox::Text1), L"a.exe");

    controls.SetText(TextBox::Text2, L"-10");
    controls.listIndex = -1;
    form.TransferSettings(0);
    EXPECT_EQ(files.files[path], "\"a.exe\",\"-10\",\"2\",-1\r\n");
}

TEST_F(TransferSettingsTest, SaveWritesTheControlsAsTheyStand) {
    form.Form_Load();
    controls.SetText(TextBox::Text1, L"\"C:\\Program Files\\Game\\game.exe\" -window");
    controls.SetText(TextBox::Text2, L"37");
    controls.SetText(TextBox::Text3, L"41");
    controls.SetListIndex(2);
    form.TransferSettings(0);
    EXPECT_EQ(files.files[path], "\"\"\"C:\\Program Files\\Game\\game.exe\"\" -window\",\"37\",\"41\",2\r\n");

    // And the next start reads back exactly what was saved.
    FakeFormControls next;
    next.list.assign(4, L"mode");
    Form1 restarted(next, messages, Services());
    restarted.TransferSettings(1);
    EXPECT_EQ(next.Text(TextBox::Text1), L"\"C:\\Program Files\\Game\\game.exe\" -window");
    EXPECT_EQ(next.ListIndex(), 2);
}

TEST_F(TransferSettingsTest, AFailingFileSystemChangesNeitherControlsNorFiles) {
    files.fault = FakeFileSystem::Fault::Throws;
    controls.changes.clear();
    form.TransferSettings(1);  // noexcept: a failure that escaped would end the test run
    form.TransferSettings(0);
    EXPECT_THAT(controls.changes, IsEmpty());
    EXPECT_TRUE(files.files.empty());
}

}  // namespace
}  // namespace resolaunch
