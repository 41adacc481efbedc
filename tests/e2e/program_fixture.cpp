#include "program_fixture.h"

#include "modes/mode_label.h"

namespace resolaunch::e2e {

std::string Cp932(const std::wstring& text, bool* ok) {
    constexpr UINT kCodePage = 932;
    if (ok != nullptr) {
        *ok = true;
    }
    if (text.empty()) {
        return {};
    }
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, &usedDefault);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, &usedDefault);
    if (ok != nullptr && (size <= 0 || usedDefault)) {
        *ok = false;
    }
    return bytes;
}

std::string SettingsLine(const std::wstring& executable, const std::wstring& x, const std::wstring& y, int index) {
    const auto quoted = [](const std::wstring& value) {
        std::wstring out = L"\"";
        for (const wchar_t c : value) {
            out += c;
            if (c == L'"') {
                out += L'"';
            }
        }
        return out + L"\"";
    };
    return Cp932(quoted(executable) + L"," + quoted(x) + L"," + quoted(y) + L"," + std::to_wstring(index) + L"\r\n");
}

void ProgramFixture::SetUp() {
    ASSERT_EQ(CurrentScreenSize(), kDesktopSize) << "the desktop is not at its own size before the test";
    std::string error;
    ASSERT_TRUE(scratch_.Create(L"ResoLaunchE2E-scratch-", &error)) << error;
}

void ProgramFixture::TearDown() {
    // A box left open by a failed check would keep the program from closing.
    for (int round = 0; round < 5 && app_.IsRunning(); ++round) {
        const std::vector<HWND> dialogs = app_.Dialogs();
        if (dialogs.empty()) {
            break;
        }
        for (HWND dialog : dialogs) {
            app_.CloseDialog(dialog, IDCANCEL);
        }
    }
    if (app_.Process() != nullptr) {
        std::string error;
        EXPECT_TRUE(app_.Close(&error)) << error;
    }
    EXPECT_TRUE(targets_.EndAll()) << "a started program would not end";

    // Every test puts the desktop back, whatever it did to it.
    EXPECT_EQ(::ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL) << "restoring the desktop's mode";
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the desktop is at " << CurrentScreenSize() << " after the test";
}

::testing::AssertionResult ProgramFixture::StartProgram(const std::vector<InitialFile>& files) {
    std::string error;
    if (!app_.Start(&error, files)) {
        return ::testing::AssertionFailure() << "the program did not start: " << error;
    }
    return ::testing::AssertionSuccess();
}

std::wstring ProgramFixture::TargetOptions(const std::wstring& title, int delayMs, const std::wstring& report) {
    return L"--delay " + std::to_wstring(delayMs) + L" --title " + Quoted(title) + L" --report " + Quoted(report);
}

::testing::AssertionResult ProgramFixture::PlaceTarget(const std::wstring& path, const std::wstring& title,
                                                       int delayMs, const std::wstring& report) {
    std::string error;
    if (!PlaceTargetProgram(path, TargetOptions(title, delayMs, report), &error)) {
        return ::testing::AssertionFailure() << error;
    }
    targets_.Watch(report);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::Press(const wchar_t* caption) const {
    const HWND button = app_.Button(caption);
    if (button == nullptr) {
        return ::testing::AssertionFailure() << "no button captioned \"" << Utf8(caption) << "\"";
    }
    if (!app_.Press(button)) {
        return ::testing::AssertionFailure() << "could not post BM_CLICK to \"" << Utf8(caption) << "\"";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::Enter(const std::wstring& executable, const std::wstring& x,
                                                 const std::wstring& y) const {
    if (!app_.SetText(TextField::Executable, executable) || !app_.SetText(TextField::X, x) ||
        !app_.SetText(TextField::Y, y)) {
        return ::testing::AssertionFailure() << "the text boxes did not take the texts";
    }
    return ::testing::AssertionSuccess();
}

int ProgramFixture::ModeIndex(ScreenSize size, int bits) const {
    // The label the program shows for the mode, with the answer of the same
    // test request the program makes.
    DEVMODEA request{};
    request.dmSize = 124;  // the DEVMODEA form that ends with dmDisplayFrequency
    request.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    request.dmBitsPerPel = static_cast<DWORD>(bits);
    request.dmPelsWidth = static_cast<DWORD>(size.width);
    request.dmPelsHeight = static_cast<DWORD>(size.height);
    const LONG tested = ::ChangeDisplaySettingsA(&request, CDS_TEST);
    const DisplayMode mode{static_cast<int16_t>(bits), size.width, size.height};
    return app_.ListIndexOf(ModeLabel(mode, tested));
}

::testing::AssertionResult ProgramFixture::WaitForPlacedTarget(const std::wstring& title, int x, int y,
                                                               const std::wstring& report, HWND* window) const {
    HWND placed = nullptr;
    const bool found = WaitUntil(
        [&] {
            for (HWND candidate : WindowsTitled(title)) {
                RECT rect{};
                if (::GetWindowRect(candidate, &rect) && rect.left == x && rect.top == y) {
                    placed = candidate;
                    return true;
                }
            }
            return false;
        },
        kSlowStateTimeout);
    if (!found) {
        auto failure = ::testing::AssertionFailure() << "no window \"" << Utf8(title) << "\" at (" << x << "," << y
                                                     << ") within " << kSlowStateTimeout.count() << " ms";
        for (HWND candidate : WindowsTitled(title)) {
            RECT rect{};
            ::GetWindowRect(candidate, &rect);
            failure << "; it is at (" << rect.left << "," << rect.top << ")-(" << rect.right << "," << rect.bottom
                    << ")";
        }
        failure << "; " << ReadTargetReport(report).size() << " start(s) reported";
        return failure;
    }
    if (window != nullptr) {
        *window = placed;
    }
    const std::vector<TargetStart> starts = ReadTargetReport(report);
    if (starts.size() != 1 || !starts[0].created) {
        return ::testing::AssertionFailure() << "the report names " << starts.size()
                                             << " start(s), expected one with its window's first size";
    }
    const RECT& created = *starts[0].created;
    RECT now{};
    ::GetWindowRect(placed, &now);
    const long width = now.right - now.left;
    const long height = now.bottom - now.top;
    const long createdWidth = created.right - created.left;
    const long createdHeight = created.bottom - created.top;
    if (width != createdWidth + 3 || height != createdHeight + 20) {
        return ::testing::AssertionFailure() << "the window is " << width << "x" << height << ", expected "
                                             << createdWidth + 3 << "x" << createdHeight + 20 << " (created "
                                             << createdWidth << "x" << createdHeight << ")";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::NoDialogShown() const {
    const std::vector<HWND> dialogs = app_.Dialogs();
    if (dialogs.empty()) {
        return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure();
    for (HWND dialog : dialogs) {
        failure << "the program shows " << Describe(dialog) << ": \"" << Utf8(MessageBoxText(dialog)) << "\"; ";
    }
    return failure;
}

::testing::AssertionResult ProgramFixture::MessageShown(const std::wstring& expected, bool prefixOnly,
                                                        std::wstring* text) const {
    const HWND box = app_.WaitForMessageBox();
    if (box == nullptr) {
        return ::testing::AssertionFailure() << "no message box appeared"
                                             << (app_.IsRunning() ? "" : "; the program ended");
    }
    if (::GetWindow(box, GW_OWNER) != app_.Main()) {
        return ::testing::AssertionFailure() << "the message box does not belong to the main window";
    }
    const std::wstring shown = MessageBoxText(box);
    if (text != nullptr) {
        *text = shown;
    }
    const bool matches = prefixOnly ? shown.rfind(expected, 0) == 0 : shown == expected;
    if (!matches) {
        return ::testing::AssertionFailure() << "the message box says \"" << Utf8(shown) << "\", expected "
                                             << (prefixOnly ? "it to begin with " : "") << "\"" << Utf8(expected)
                                             << "\"";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::DismissMessage() const {
    const HWND box = app_.WaitForMessageBox();
    if (box == nullptr) {
        return ::testing::AssertionFailure() << "no message box to dismiss";
    }
    if (!app_.CloseDialog(box, IDOK)) {
        return ::testing::AssertionFailure() << "the message box stayed after OK";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::StillRunningAndShown() const {
    if (!app_.IsRunning()) {
        return ::testing::AssertionFailure() << "the program ended, exit code " << app_.ExitCode();
    }
    if (!app_.Sync()) {
        return ::testing::AssertionFailure() << "the program does not answer";
    }
    if (!::IsWindowVisible(app_.Main())) {
        return ::testing::AssertionFailure() << "the main window is hidden";
    }
    if (!::IsWindowEnabled(app_.Main())) {
        return ::testing::AssertionFailure() << "the main window is disabled";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramFixture::SettingsFileIs(const std::string& expected) const {
    const std::optional<std::string> bytes = ReadFileBytes(app_.SettingsPath());
    if (!bytes) {
        return ::testing::AssertionFailure() << "path.txt cannot be read";
    }
    if (*bytes != expected) {
        return ::testing::AssertionFailure() << "path.txt holds\n  " << HexBytes(*bytes) << "\nexpected\n  "
                                             << HexBytes(expected);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace resolaunch::e2e
