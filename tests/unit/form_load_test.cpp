#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_harness.h"
#include "modes/mode_label.h"

namespace resolaunch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::DriverModes;

struct FormLoadTest : ::testing::Test, testing::FormHarness {
    void Load() {
        form.Form_Load();
        table = modes.DisplayModes();
    }

    std::vector<DisplayMode> table;
};

TEST_F(FormLoadTest, EmptyDriverGivesEmptyListAndNoTests) {
    Load();
    EXPECT_THAT(controls.list, IsEmpty());
    EXPECT_EQ(display.testCalls, 0);
}

TEST_F(FormLoadTest, ListEntryIStandsForTableElementI) {
    display.modes = {{32, 1024, 768}, {8, 640, 480}, {16, 1280, 1024}};
    display.testResult = [](const ModeRequest& r) { return r.dmPelsWidth == 640 ? 1 : r.dmPelsWidth == 1280 ? -2 : 0; };
    Load();

    ASSERT_EQ(controls.list.size(), table.size());
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 1024, 768}, 0), ModeLabel({8, 640, 480}, 1),
                                           ModeLabel({16, 1280, 1024}, -2)));
}

TEST_F(FormLoadTest, FillsTheListInOneBatch) {
    display.modes = DriverModes(10, {32, 16}, 3);
    Load();
    EXPECT_EQ(controls.appendCalls, 1);
    EXPECT_EQ(controls.list.size(), 60u);
}

TEST_F(FormLoadTest, DuplicatesShareTheirModesResult) {
    // The same size at two refresh rates, around another mode; only 800x600 needs a restart.
    display.modes = {{32, 800, 600, 60}, {32, 1024, 768, 60}, {32, 800, 600, 75}};
    display.testResult = [](const ModeRequest& r) { return r.dmPelsWidth == 800 ? 1 : 0; };
    Load();

    EXPECT_EQ(display.testCalls, 2);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 800, 600}, 1), ModeLabel({32, 1024, 768}, 0),
                                           ModeLabel({32, 800, 600}, 1)));
}

// The submenu "ディスプレイ" against three displays, the third with modes of its own.
struct DisplayChoiceTest : FormLoadTest {
    DisplayChoiceTest() {
        displays.attached = testing::FakeDisplays::ThreeDisplays();
        display.modes = {{32, 2560, 1440}};
        display.Other(L"\\\\.\\DISPLAY3").modes = {{32, 1920, 1080}, {32, 1280, 720}};
    }
    std::vector<std::wstring> Chosen() {
        std::vector<std::wstring> chosen;
        for (const FormEvents::DisplayMenuItem& item : form.DisplayMenu()) {
            if (item.chosen) {
                chosen.push_back(item.caption);
            }
        }
        return chosen;
    }
    static constexpr const wchar_t* kIni = L"C:\\Games\\ResoLaunch.ini";
    static constexpr const wchar_t* kPath = L"C:\\Games\\path.txt";
};

TEST_F(DisplayChoiceTest, AChosenDisplayGetsItsOwnListNoSelectionAndIsKept) {
    Load();
    controls.SetListIndex(0);
    EXPECT_THAT(Chosen(), ElementsAre(L"1: DELL U2720Q (2560 × 1440) - メイン"));

    form.SystemMenuCommand(kFirstDisplayCommand + 2 * kDisplayCommandStep);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 1920, 1080}, 0), ModeLabel({32, 1280, 720}, 0)));
    EXPECT_EQ(controls.ListIndex(), -1);
    EXPECT_THAT(files.files.at(kPath), ::testing::EndsWith(",-1\r\n")) << "no entry of another display's list";
    EXPECT_EQ(ReadOption(files.files.at(kIni), "Display"),
              "\\\\?\\DISPLAY#AUS27A1#5&1a2b&0&UID4354#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}");
    EXPECT_THAT(Chosen(), ElementsAre(L"3: ASUS VG27A (1920 × 1080)"));

    // The next start is on that display; once it is unplugged, on the primary without a word.
    FormHarness next;
    next.files.files = files.files;
    next.displays.attached = displays.attached;
    next.display.Other(L"\\\\.\\DISPLAY3").modes = {{32, 1920, 1080}};
    next.form.Form_Load();
    EXPECT_THAT(next.controls.list, ElementsAre(ModeLabel({32, 1920, 1080}, 0)));
    FormHarness unplugged;
    unplugged.files.files = files.files;
    unplugged.displays.attached = {displays.attached[0]};
    unplugged.display.modes = {{32, 2560, 1440}};
    unplugged.form.Form_Load();
    EXPECT_THAT(unplugged.controls.list, ElementsAre(ModeLabel({32, 2560, 1440}, 0)));
    EXPECT_THAT(unplugged.messages.shown, IsEmpty());

    // Choosing the primary again removes the key and keeps every other line.
    form.SystemMenuCommand(kFirstDisplayCommand);
    EXPECT_EQ(ReadOption(files.files.at(kIni), "Display"), std::nullopt);
    EXPECT_THAT(controls.list, ElementsAre(ModeLabel({32, 2560, 1440}, 0)));
}

TEST_F(DisplayChoiceTest, XYCountFromTheChosenDisplaysCorner) {
    Load();
    form.SystemMenuCommand(kFirstDisplayCommand + kDisplayCommandStep);  // left of the primary
    desktop.Add(0x2000, {testing::FakeLauncher::kStartedProcess, {0, 0, 640, 480}});
    controls.SetText(TextBox::Text1, L"C:\\Games\\game.exe");
    controls.SetText(TextBox::Text2, L"10");
    controls.SetText(TextBox::Text3, L"20");
    Command1(1);
    ASSERT_FALSE(desktop.moves.empty());
    EXPECT_EQ(desktop.moves[0], (testing::FakeDesktop::Move{0x2000, -1910, 20, 643, 500}));
}

}  // namespace
}  // namespace resolaunch
