// End-to-end checks of ResoLaunch.exe: a fresh copy of the program is started
// in a folder of its own and examined from the outside only, through its
// windows, the messages any program may send them and the display settings
// service it reports on. Run inside a Wine virtual desktop by scripts/e2e.sh.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace resolaunch::e2e {
namespace {

// ---------------------------------------------------------------------------
// What the user must see, written out here on its own so that a wrong table in
// the program is caught. Places and sizes are in twips (1/1440 inch).

enum class Kind { Button, TextBox, ListBox, Label };

struct ExpectedControl {
    const char* name;
    Kind kind;
    const char* text;  // UTF-8
    int left, top, width, height;
};

// The full-width greater-than sign U+FF1E, spelt as bytes so that it cannot
// turn into an ASCII '>' unnoticed.
#define FULLWIDTH_GT "\xEF\xBC\x9E"

constexpr const char kTitle[] = "指定アプリケーション起動、解像度変更、位置変更";
constexpr int kClientWidthTwips = 5100;
constexpr int kClientHeightTwips = 4875;

// In creation order, which is the tab order.
constexpr ExpectedControl kControls[] = {
    {"Command1(0)", Kind::Button, "起動" FULLWIDTH_GT "終了", 3480, 720, 1575, 495},
    {"Text1", Kind::TextBox, "Text1", 120, 360, 3255, 270},
    {"Command2", Kind::Button, "実行ファイル選択", 3480, 120, 1575, 495},
    {"Label1", Kind::Label, "実行ファイル名", 1080, 120, 1335, 255},
    {"Command1(1)", Kind::Button, "起動" FULLWIDTH_GT "待機", 3480, 1320, 1575, 495},
    {"List1", Kind::ListBox, "", 120, 1320, 3255, 3300},
    {"Command3", Kind::Button, "解像度変更", 3480, 1920, 1575, 495},
    {"Command4", Kind::Button, "解像度変更" FULLWIDTH_GT "起動", 3480, 2520, 1575, 495},
    {"Text2", Kind::TextBox, "0", 720, 960, 975, 270},
    {"Text3", Kind::TextBox, "0", 2040, 960, 975, 270},
    {"LABEL2(0)", Kind::Label, "X", 480, 960, 135, 255},
    {"LABEL2(1)", Kind::Label, "Y", 1800, 960, 135, 255},
    {"Label3", Kind::Label, "実行アプリケーション表示位置", 480, 720, 2535, 255},
    {"Command5", Kind::Button, "変更前の解像度に戻す", 3480, 3720, 1575, 495},
    {"Command6", Kind::Button, "終了", 3480, 4320, 1575, 495},
    {"Command7", Kind::Button, "解像度を戻す" FULLWIDTH_GT "終了", 3480, 3120, 1575, 495},
};
constexpr std::size_t kControlCount = std::size(kControls);

// Positions in kControls.
enum : std::size_t {
    kCommand1Launch = 0,
    kText1 = 1,
    kCommand2 = 2,
    kCommand1Stay = 4,
    kList1 = 5,
    kText2 = 8,
    kText3 = 9,
};

// The controls that take the focus, in the order Tab visits them.
constexpr std::size_t kTabOrder[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 13, 14, 15};

const wchar_t* ClassFor(Kind kind) {
    switch (kind) {
    case Kind::Button:
        return L"Button";
    case Kind::TextBox:
        return L"Edit";
    case Kind::ListBox:
        return L"ListBox";
    case Kind::Label:
        return L"Static";
    }
    return L"?";
}

struct PixelRect {
    int left, top, width, height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
    friend std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
        return out << "(" << r.left << "," << r.top << " " << r.width << "x" << r.height << ")";
    }
};

PixelRect FromRect(const RECT& r) {
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
            static_cast<int>(r.bottom - r.top)};
}

UINT DpiOf(HWND window) {
    const UINT dpi = ::GetDpiForWindow(window);
    return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int Pixels(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

PixelRect ExpectedRect(const ExpectedControl& control, UINT dpi) {
    return {Pixels(control.left, dpi), Pixels(control.top, dpi), Pixels(control.width, dpi),
            Pixels(control.height, dpi)};
}

bool HasClassOf(HWND window, const ExpectedControl& expected) {
    return SameText(ClassOf(window), ClassFor(expected.kind));
}

// The list the program must show: every mode the display device enumerates,
// in its order.
std::vector<std::wstring> ExpectedModeList() {
    std::vector<std::wstring> entries;
    for (DWORD n = 0; n < 100000; ++n) {
        DEVMODEA mode{};
        mode.dmSize = 124;  // the DEVMODEA form that ends with dmDisplayFrequency
        if (!::EnumDisplaySettingsA(nullptr, n, &mode)) {
            break;
        }
        entries.push_back(ExpectedModeEntry(static_cast<int>(mode.dmBitsPerPel), static_cast<int>(mode.dmPelsWidth),
                                            static_cast<int>(mode.dmPelsHeight)));
    }
    return entries;
}

// Presses and releases a key on `target` by posting the keyboard messages, as
// they reach the program's message loop.
void PostKey(HWND target, WORD key) {
    const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    EXPECT_TRUE(::PostMessageW(target, WM_KEYDOWN, key, down));
    EXPECT_TRUE(::PostMessageW(target, WM_KEYUP, key, up));
}

// Checks every control's class, text and place in the main window's client area.
void ExpectEveryControlInPlace(const AppUnderTest& app, bool checkTexts) {
    const std::vector<HWND> children = app.Children();
    ASSERT_EQ(children.size(), kControlCount) << "number of controls in the main window";
    const UINT dpi = DpiOf(app.Main());
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const ExpectedControl& expected = kControls[i];
        SCOPED_TRACE(std::string("control ") + std::to_string(i) + " " + expected.name);
        EXPECT_TRUE(HasClassOf(children[i], expected)) << Describe(children[i]);
        if (checkTexts) {
            EXPECT_EQ(Utf8(TextOf(children[i])), expected.text);
        }
        EXPECT_EQ(FromRect(RectIn(children[i], app.Main())), ExpectedRect(expected, dpi));
        EXPECT_TRUE(::IsWindowVisible(children[i]));
        EXPECT_TRUE(::IsWindowEnabled(children[i]));
    }
}

// Finds each expected control by what the user sees of it, whatever order
// the program made them in: first by class and text (the two "0" boxes, which
// look alike, told apart by their order from left to right), then, for a
// control whose text is wrong, by class and place. nullptr for a control that
// matches neither way.
std::vector<HWND> FindControls(const std::vector<HWND>& children, HWND main) {
    std::vector<HWND> found(kControlCount, nullptr);
    std::vector<bool> taken(children.size(), false);
    const auto byPlace = [](const PixelRect& a, const PixelRect& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    };
    const UINT dpi = DpiOf(main);

    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (found[i] != nullptr) {
            continue;
        }
        std::vector<std::size_t> alike;
        for (std::size_t j = 0; j < kControlCount; ++j) {
            if (kControls[j].kind == kControls[i].kind && std::string(kControls[j].text) == kControls[i].text) {
                alike.push_back(j);
            }
        }
        std::vector<std::size_t> candidates;
        for (std::size_t c = 0; c < children.size(); ++c) {
            if (HasClassOf(children[c], kControls[i]) && Utf8(TextOf(children[c])) == kControls[i].text) {
                candidates.push_back(c);
            }
        }
        if (candidates.size() != alike.size()) {
            continue;
        }
        std::sort(alike.begin(), alike.end(), [&](std::size_t a, std::size_t b) {
            return byPlace(ExpectedRect(kControls[a], dpi), ExpectedRect(kControls[b], dpi));
        });
        std::sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) {
            return byPlace(FromRect(RectIn(children[a], main)), FromRect(RectIn(children[b], main)));
        });
        for (std::size_t k = 0; k < alike.size(); ++k) {
            found[alike[k]] = children[candidates[k]];
            taken[candidates[k]] = true;
        }
    }
    for (std::size_t i = 0; i < kControlCount; ++i) {
        for (std::size_t c = 0; c < children.size() && found[i] == nullptr; ++c) {
            if (!taken[c] && HasClassOf(children[c], kControls[i]) &&
                FromRect(RectIn(children[c], main)) == ExpectedRect(kControls[i], dpi)) {
                found[i] = children[c];
                taken[c] = true;
            }
        }
    }
    return found;
}

AssertionResult AllFound(const std::vector<HWND>& found) {
    std::string missing;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i] == nullptr) {
            missing += std::string(missing.empty() ? "" : ", ") + kControls[i].name;
        }
    }
    return AssertionResult(missing.empty()) << "no control with the class and the text or place of " << missing;
}

// ---------------------------------------------------------------------------
// One started program for the checks that only look at it.

class StartedProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        screenBefore_ = CurrentScreenSize();
        app_ = std::make_unique<AppUnderTest>();
        startError_.clear();
        started_ = app_->Start(&startError_);
        controls_ = started_ ? FindControls(app_->Children(), app_->Main()) : std::vector<HWND>();
    }

    static void TearDownTestSuite() {
        app_.reset();
        controls_.clear();
    }

    void SetUp() override {
        ASSERT_TRUE(started_) << startError_;
        ASSERT_TRUE(app_->IsRunning()) << "the program has ended, exit code " << app_->ExitCode();
    }

    static const AppUnderTest& App() { return *app_; }
    // The control of kControls[index], as FindControls found it.
    static HWND Control(std::size_t index) { return controls_.at(index); }

    static inline std::unique_ptr<AppUnderTest> app_;
    static inline std::vector<HWND> controls_;
    static inline std::string startError_;
    static inline bool started_ = false;
    static inline ScreenSize screenBefore_{};
};

TEST_F(StartedProgram, MainWindowHasItsTitleFrameAndClientSize) {
    const HWND main = App().Main();
    EXPECT_EQ(Utf8(WindowTitle(main)), kTitle);

    const UINT dpi = DpiOf(main);
    RECT client{};
    ASSERT_TRUE(::GetClientRect(main, &client));
    EXPECT_EQ(client.right - client.left, Pixels(kClientWidthTwips, dpi)) << "client width at " << dpi << " dpi";
    EXPECT_EQ(client.bottom - client.top, Pixels(kClientHeightTwips, dpi)) << "client height at " << dpi << " dpi";

    const LONG_PTR style = ::GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION) << "title bar";
    EXPECT_TRUE(style & WS_SYSMENU) << "system menu";
    EXPECT_TRUE(style & WS_THICKFRAME) << "resizable frame";
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << "minimise box";
    EXPECT_TRUE(style & WS_MAXIMIZEBOX) << "maximise box";
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_FALSE(::IsIconic(main)) << "minimised at start";
    EXPECT_FALSE(::IsZoomed(main)) << "maximised at start";

    // One window and nothing else: no message box, no dialog.
    const std::vector<HWND> windows = App().AllVisibleWindows();
    EXPECT_EQ(windows.size(), 1u);
    for (HWND window : windows) {
        EXPECT_EQ(window, main) << "the program also shows " << Describe(window);
    }
}

TEST_F(StartedProgram, ControlsHaveTheirClassTextAndPlace) {
    ExpectEveryControlInPlace(App(), /*checkTexts=*/true);
    // No access keys: an ampersand would be one (and would not be shown).
    for (HWND child : App().Children()) {
        EXPECT_EQ(Utf8(TextOf(child)).find('&'), std::string::npos) << Describe(child);
    }
}

TEST_F(StartedProgram, TabOrderSkipsTheLabels) {
    ASSERT_TRUE(AllFound(controls_));
    const std::vector<HWND>& children = controls_;
    const HWND main = App().Main();
    const std::size_t stops = std::size(kTabOrder);

    for (const bool backwards : {false, true}) {
        for (std::size_t step = 0; step < stops; ++step) {
            const std::size_t from = kTabOrder[backwards ? (step + 1) % stops : step];
            const std::size_t to = kTabOrder[backwards ? step : (step + 1) % stops];
            SCOPED_TRACE(std::string(backwards ? "Shift+Tab from " : "Tab from ") + kControls[from].name);
            const HWND next = ::GetNextDlgTabItem(main, children[from], backwards);
            EXPECT_EQ(next, children[to]) << "expected " << kControls[to].name << ", got " << Describe(next);
        }
    }
    for (std::size_t i = 0; i < kControlCount; ++i) {
        SCOPED_TRACE(kControls[i].name);
        const bool tabStop = (::GetWindowLongPtrW(children[i], GWL_STYLE) & WS_TABSTOP) != 0;
        EXPECT_EQ(tabStop, kControls[i].kind != Kind::Label);
    }
}

TEST_F(StartedProgram, StartsWithDefaultValuesAndFocusOnTheFirstButton) {
    ASSERT_TRUE(AllFound(controls_));
    EXPECT_EQ(Utf8(TextOf(Control(kText1))), "Text1");
    EXPECT_EQ(Utf8(TextOf(Control(kText2))), "0");
    EXPECT_EQ(Utf8(TextOf(Control(kText3))), "0");
    EXPECT_EQ(App().SelectedListEntry(), LB_ERR) << "a list entry is selected";

    const HWND focus = App().Focus();
    EXPECT_EQ(focus, Control(kCommand1Launch)) << "focus is on " << Describe(focus);

    const std::vector<HWND>& children = controls_;
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (kControls[i].kind != Kind::Button) {
            continue;
        }
        SCOPED_TRACE(kControls[i].name);
        const LONG_PTR type = ::GetWindowLongPtrW(children[i], GWL_STYLE) & BS_TYPEMASK;
        EXPECT_TRUE(type == BS_PUSHBUTTON || (type == BS_DEFPUSHBUTTON && children[i] == focus))
            << "button type " << type << ": only the focused button may look like the default one";
    }
}

TEST_F(StartedProgram, ListsEveryDisplayModeWithItsTestResult) {
    const std::vector<std::wstring> expected = ExpectedModeList();
    ASSERT_GE(expected.size(), 24u) << "the display device enumerates too few modes: is this a Wine virtual desktop?";

    ASSERT_TRUE(AllFound(controls_));
    const std::vector<std::wstring> entries = ListTexts(Control(kList1));
    EXPECT_EQ(entries.size(), expected.size()) << "number of list entries";
    for (std::size_t i = 0; i < expected.size() && i < entries.size(); ++i) {
        EXPECT_EQ(Utf8(entries[i]), Utf8(expected[i])) << "list entry " << i;
    }

    EXPECT_EQ(CurrentScreenSize(), screenBefore_) << "start-up changed the screen size";
}

// ---------------------------------------------------------------------------
// A program of its own for each check that acts on it.

class RunningProgram : public ProgramFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProgramFixture::SetUp());
        ASSERT_TRUE(StartProgram());
        controls_ = FindControls(app_.Children(), app_.Main());
    }

    // The control of kControls[index], as FindControls found it.
    HWND Control(std::size_t index) const { return controls_.at(index); }

    std::string FocusName() const {
        const HWND focus = app_.Focus();
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (controls_[i] == focus) {
                return kControls[i].name;
            }
        }
        return Describe(focus);
    }

    // Waits until the control at `index` has the focus or the program has ended.
    AssertionResult FocusMovesTo(std::size_t index) const {
        const HWND target = Control(index);
        WaitUntil([&] { return app_.Focus() == target || !app_.IsRunning(); });
        if (!app_.IsRunning()) {
            return AssertionFailure() << "the program ended (exit code " << app_.ExitCode()
                                      << ") instead of moving the focus";
        }
        if (app_.Focus() != target) {
            return AssertionFailure() << "the focus stayed on " << FocusName() << ", not " << kControls[index].name;
        }
        return AssertionSuccess();
    }

    std::vector<HWND> controls_;
};

TEST_F(RunningProgram, ResizingAndMaximisingLeaveEveryControlInPlace) {
    const HWND main = app_.Main();
    RECT frame{};
    ASSERT_TRUE(::GetWindowRect(main, &frame));
    RECT client{};
    ASSERT_TRUE(::GetClientRect(main, &client));
    const auto expectEnlargedClient = [&] {
        RECT now{};
        ASSERT_TRUE(::GetClientRect(main, &now));
        EXPECT_EQ(now.right, client.right + 200);
        EXPECT_EQ(now.bottom, client.bottom + 150);
    };

    {
        SCOPED_TRACE("enlarged by 200 x 150");
        ASSERT_TRUE(::SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 150,
                                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(app_.Sync());
        expectEnlargedClient();
        ExpectEveryControlInPlace(app_, /*checkTexts=*/false);
    }
    {
        SCOPED_TRACE("maximised");
        ::ShowWindow(main, SW_MAXIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return ::IsZoomed(main) != FALSE; })) << "the window did not maximise";
        ASSERT_TRUE(app_.Sync());
        ExpectEveryControlInPlace(app_, /*checkTexts=*/false);
    }
    {
        SCOPED_TRACE("restored");
        ::ShowWindow(main, SW_RESTORE);
        ASSERT_TRUE(WaitUntil([&] { return ::IsZoomed(main) == FALSE; })) << "the window did not restore";
        ASSERT_TRUE(app_.Sync());
        expectEnlargedClient();
        ExpectEveryControlInPlace(app_, /*checkTexts=*/true);
    }
    EXPECT_TRUE(app_.IsRunning());
}

TEST_F(RunningProgram, TabKeyWalksTheTabOrder) {
    ASSERT_TRUE(AllFound(controls_));
    ASSERT_TRUE(FocusMovesTo(kTabOrder[0]));
    const std::size_t stops = std::size(kTabOrder);
    for (std::size_t step = 1; step <= stops; ++step) {
        const std::size_t to = kTabOrder[step % stops];
        SCOPED_TRACE(std::string("Tab towards ") + kControls[to].name);
        PostKey(Control(kTabOrder[step - 1]), VK_TAB);
        ASSERT_TRUE(FocusMovesTo(to));
    }
}

TEST_F(RunningProgram, EnterAndEscapePressNoButton) {
    ASSERT_TRUE(AllFound(controls_));
    const HWND main = app_.Main();
    ASSERT_TRUE(FocusMovesTo(kCommand1Launch));
    PostKey(Control(kCommand1Launch), VK_TAB);
    ASSERT_TRUE(FocusMovesTo(kText1));

    RECT frameBefore{};
    ASSERT_TRUE(::GetWindowRect(main, &frameBefore));
    const auto expectUnchanged = [&] {
        EXPECT_TRUE(app_.IsRunning()) << "exit code " << app_.ExitCode();
        EXPECT_TRUE(::IsWindow(main));
        EXPECT_TRUE(::IsWindowVisible(main)) << "the window was hidden";
        EXPECT_FALSE(::IsIconic(main));
        EXPECT_EQ(Utf8(WindowTitle(main)), kTitle);
        RECT frame{};
        EXPECT_TRUE(::GetWindowRect(main, &frame));
        EXPECT_EQ(FromRect(frame), FromRect(frameBefore));
        for (HWND window : app_.AllVisibleWindows()) {
            EXPECT_EQ(window, main) << "the program now also shows " << Describe(window);
        }
        EXPECT_EQ(Utf8(TextOf(Control(kText1))), "Text1");
        EXPECT_EQ(Utf8(TextOf(Control(kText2))), "0");
        EXPECT_EQ(Utf8(TextOf(Control(kText3))), "0");
        EXPECT_EQ(app_.SelectedListEntry(), LB_ERR);
        EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
        EXPECT_EQ(NamesIn(app_.Folder()), std::vector<std::wstring>{L"ResoLaunch.exe"}) << "settings were saved";
    };

    {
        SCOPED_TRACE("Enter and Escape in Text1");
        // A pressed button would take the focus or end the program; the Tab
        // behind the keys shows they have been handled.
        PostKey(Control(kText1), VK_RETURN);
        PostKey(Control(kText1), VK_ESCAPE);
        PostKey(Control(kText1), VK_TAB);
        EXPECT_TRUE(FocusMovesTo(kCommand2));
        expectUnchanged();
    }
    {
        SCOPED_TRACE("Escape on Command2");
        PostKey(Control(kCommand2), VK_ESCAPE);
        PostKey(Control(kCommand2), VK_TAB);
        EXPECT_TRUE(FocusMovesTo(kCommand1Stay));
        expectUnchanged();
    }
}

TEST_F(RunningProgram, EndsOnWmClose) {
    const HWND main = app_.Main();
    std::string error;
    ASSERT_TRUE(app_.Close(&error)) << error;
    EXPECT_EQ(app_.ExitCode(), 0u) << "exit code";
    EXPECT_FALSE(::IsWindow(main)) << "the main window outlived the process";
    EXPECT_EQ(CurrentScreenSize(), kDesktopSize);
    // Closing the window saves nothing: the program's folder holds only the program.
    EXPECT_EQ(NamesIn(app_.Folder()), std::vector<std::wstring>{L"ResoLaunch.exe"});
}

// The driver works in physical pixels, as the program does.
class DpiAwareDriver : public ::testing::Environment {
public:
    void SetUp() override { ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2); }
};
[[maybe_unused]] ::testing::Environment* const kDpiAwareDriver =
    ::testing::AddGlobalTestEnvironment(new DpiAwareDriver);

}  // namespace
}  // namespace resolaunch::e2e
