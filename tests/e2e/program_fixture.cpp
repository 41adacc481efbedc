#include "program_fixture.h"

#include <set>

namespace resolaunch::e2e {

std::string SettingsLine(const std::wstring& executable, const std::wstring& x, const std::wstring& y, int index) {
    const auto quoted = [](const std::wstring& value) {
        std::wstring out = L"\"";
        for (const wchar_t c : value) {
            out += c == L'"' ? L"\"\"" : std::wstring(1, c);
        }
        return out + L"\"";
    };
    return Narrow(quoted(executable) + L"," + quoted(x) + L"," + quoted(y) + L"," + std::to_wstring(index) + L"\r\n",
                  932);
}

std::wstring RecordsFolder() {
    wchar_t temporary[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temporary);
    return std::wstring(temporary) + L"ResoLaunch";
}

void RemoveRecords() {
    for (const std::wstring& name : NamesIn(RecordsFolder())) {
        ::DeleteFileW((RecordsFolder() + L"\\" + name).c_str());
    }
}

void KillGuards() {
    for (const DWORD id : ResoLaunchProcesses()) {
        if (const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            ::TerminateProcess(process, 0xE2E);
            ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count()));
            ::CloseHandle(process);
        }
    }
}

bool ShowsAnyWindow(DWORD process) {
    for (HWND window : TopLevelWindows()) {
        if (ProcessOf(window) == process && ::IsWindowVisible(window)) {
            return true;
        }
    }
    return false;
}

void ProgramFixture::SetUp() {
    ASSERT_EQ(CurrentScreenSize(), kDesktopSize) << "the desktop is not at its own size before the test";
    RemoveRecords();  // a ResoLaunch an earlier test ended would have its restore made by this test's start
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
    std::string error;
    EXPECT_TRUE(app_.Close(&error)) << error;
    EXPECT_TRUE(targets_.EndAll()) << "a started program would not end";
    // A guard whose game has ended ends by itself; one a test left holding its launch does not.
    WaitUntil([] { return ResoLaunchProcesses().empty(); }, 2s);
    KillGuards();
    RemoveRecords();

    // Every test puts the desktop back, whatever it did to it.
    EXPECT_EQ(::ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL) << "restoring the desktop's mode";
    EXPECT_TRUE(WaitForScreenSize(kDesktopSize)) << "the desktop is at " << CurrentScreenSize() << " after the test";
}

AssertionResult ProgramFixture::StartProgram(const std::vector<InitialFile>& files) {
    std::string error;
    const bool started = app_.Start(&error, files);
    return AssertionResult(started) << "the program did not start: " << error;
}

AssertionResult ProgramFixture::PlaceTarget(const std::wstring& path, const std::wstring& title, int delayMs,
                                            const std::wstring& report) {
    const std::wstring options =
        L"--delay " + std::to_wstring(delayMs) + L" --title " + Quoted(title) + L" --report " + Quoted(report);
    std::string error;
    const bool placed = PlaceTargetProgram(path, options, &error);
    targets_.Watch(report);
    return AssertionResult(placed) << error;
}

AssertionResult ProgramFixture::Press(const wchar_t* caption) const {
    const HWND button = app_.Button(caption);
    if (button == nullptr) {
        return AssertionFailure() << "no button captioned \"" << Utf8(caption) << "\"";
    }
    if (!app_.Press(button)) {
        return AssertionFailure() << "could not post BM_CLICK to \"" << Utf8(caption) << "\"";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::Enter(const std::wstring& executable, const std::wstring& x,
                                      const std::wstring& y) const {
    return AssertionResult(app_.SetText(TextField::Executable, executable) && app_.SetText(TextField::X, x) &&
                           app_.SetText(TextField::Y, y))
           << "the text boxes did not take the texts";
}

int ProgramFixture::ModeIndex(ScreenSize size, int bits) const {
    return app_.ListIndexOf(ExpectedModeEntry(bits, size.width, size.height));
}

AssertionResult ProgramFixture::ChangeMode(int index, std::optional<ScreenSize> screen) const {
    if (!app_.SelectListEntry(index)) {
        return AssertionFailure() << "list entry " << index << " could not be selected";
    }
    if (AssertionResult pressed = Press(kChangeMode); !pressed) {
        return pressed;
    }
    if (screen && !WaitForScreenSize(*screen)) {
        return AssertionFailure() << "the screen stayed at " << CurrentScreenSize();
    }
    if (!app_.WaitUntilPostedHandled()) {
        return AssertionFailure() << "the program did not finish the press";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::WaitForPlacedTarget(const std::wstring& title, const std::wstring& report,
                                                    HWND* window) const {
    HWND placed = nullptr;
    // Another window placed instead may be gone by the time the wait is over.
    std::set<std::string> othersSeen;
    const auto placedYet = [&] {
        if ((placed = WindowTitledAt(title, kX, kY)) != nullptr) {
            return true;
        }
        for (HWND other : TopLevelWindows()) {
            RECT rect{};
            if (::IsWindowVisible(other) && ::GetWindowRect(other, &rect) && rect.left == kX && rect.top == kY) {
                DWORD process = 0;
                ::GetWindowThreadProcessId(other, &process);
                othersSeen.insert(Describe(other) + " of process " + std::to_string(process));
            }
        }
        return false;
    };
    if (!WaitUntil(placedYet, kSlowStateTimeout)) {
        auto failure = AssertionFailure() << "no window \"" << Utf8(title) << "\" at (" << kX << "," << kY
                                          << ") within " << kSlowStateTimeout.count() << " ms";
        for (const std::string& other : othersSeen) {
            failure << "; " << other << " was there meanwhile";
        }
        for (HWND candidate : WindowsTitled(title)) {
            RECT rect{};
            ::GetWindowRect(candidate, &rect);
            failure << "; it is at (" << rect.left << "," << rect.top << ")-(" << rect.right << "," << rect.bottom
                    << ")";
        }
        for (const TargetStart& start : ReadTargetReport(report)) {
            failure << "; a start " << (start.shown ? "shown" : "not shown") << ", moved " << start.moves.size()
                    << " time(s)";
            for (const TargetStart::Move& move : start.moves) {
                failure << " to (" << move.rect.left << "," << move.rect.top << ")";
            }
        }
        return failure << "; " << ReadTargetReport(report).size() << " start(s) reported";
    }
    if (window != nullptr) {
        *window = placed;
    }
    const std::vector<TargetStart> starts = ReadTargetReport(report);
    if (starts.size() != 1 || !starts[0].created) {
        return AssertionFailure() << "the report names " << starts.size()
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
        return AssertionFailure() << "the window is " << width << "x" << height << ", expected " << createdWidth + 3
                                  << "x" << createdHeight + 20 << " (created " << createdWidth << "x" << createdHeight
                                  << ")";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::LaunchAndStay(const std::wstring& title, const std::wstring& report,
                                              HWND* window) const {
    if (AssertionResult pressed = Press(kLaunchAndStay); !pressed) {
        return pressed;
    }
    if (AssertionResult placed = WaitForPlacedTarget(title, report, window); !placed) {
        return placed;
    }
    if (!app_.WaitUntilPostedHandled()) {
        return AssertionFailure() << "the program did not finish the press";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::NoDialogShown() const {
    const std::vector<HWND> dialogs = app_.Dialogs();
    if (dialogs.empty()) {
        return AssertionSuccess();
    }
    auto failure = AssertionFailure();
    for (HWND dialog : dialogs) {
        failure << "the program shows " << Describe(dialog) << ": \"" << Utf8(MessageBoxText(dialog)) << "\"; ";
    }
    return failure;
}

AssertionResult ProgramFixture::MessageShown(const std::wstring& expected, bool prefixOnly, std::wstring* text) const {
    const HWND box = app_.WaitForMessageBox();
    if (box == nullptr) {
        return AssertionFailure() << "no message box appeared" << (app_.IsRunning() ? "" : "; the program ended");
    }
    if (::GetWindow(box, GW_OWNER) != app_.Main()) {
        return AssertionFailure() << "the message box does not belong to the main window";
    }
    const std::wstring shown = MessageBoxText(box);
    if (text != nullptr) {
        *text = shown;
    }
    if (prefixOnly ? shown.rfind(expected, 0) != 0 : shown != expected) {
        return AssertionFailure() << "the message box says \"" << Utf8(shown) << "\", expected "
                                  << (prefixOnly ? "it to begin with " : "") << "\"" << Utf8(expected) << "\"";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::DismissMessage() const {
    const HWND box = app_.WaitForMessageBox();
    if (box == nullptr) {
        return AssertionFailure() << "no message box to dismiss";
    }
    if (!app_.CloseDialog(box, IDOK)) {
        return AssertionFailure() << "the message box stayed after OK";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::StillRunningAndShown() const {
    if (!app_.IsRunning()) {
        return AssertionFailure() << "the program ended, exit code " << app_.ExitCode();
    }
    if (!app_.Sync()) {
        return AssertionFailure() << "the program does not answer";
    }
    if (!::IsWindowVisible(app_.Main())) {
        return AssertionFailure() << "the main window is hidden";
    }
    if (!::IsWindowEnabled(app_.Main())) {
        return AssertionFailure() << "the main window is disabled";
    }
    return AssertionSuccess();
}

AssertionResult ProgramFixture::SettingsFileIs(const std::string& expected) const {
    const std::optional<std::string> bytes = ReadFileBytes(app_.SettingsPath());
    if (!bytes) {
        return AssertionFailure() << "path.txt cannot be read";
    }
    if (*bytes != expected) {
        return AssertionFailure() << "path.txt holds\n  " << HexBytes(*bytes) << "\nexpected\n  " << HexBytes(expected);
    }
    return AssertionSuccess();
}

}  // namespace resolaunch::e2e
