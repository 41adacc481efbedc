#include "app_under_test.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "modes/mode_label.h"

namespace resolaunch::e2e {

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value(::GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

namespace {

constexpr wchar_t kProductFile[] = L"ResoLaunch.exe";
// The program's message boxes carry its name as their title.
constexpr wchar_t kMessageBoxTitle[] = L"ResoLaunch";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kFileNameBoxId = 0x47C;
constexpr int kOldFileNameEditId = 0x480;

// Sends a message that other processes' windows understand, giving up when
// the receiver hangs. False when the receiver did not answer.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    const UINT timeoutMs = static_cast<UINT>(kStateTimeout.count());
    if (::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &answer) == 0) {
        return false;
    }
    if (result != nullptr) {
        *result = static_cast<LRESULT>(answer);
    }
    return true;
}

bool IsDialog(HWND window) { return ClassOf(window) == L"#32770"; }

BOOL CALLBACK FindEditDescendant(HWND window, LPARAM context) {
    if (SameText(ClassOf(window), L"Edit")) {
        *reinterpret_cast<HWND*>(context) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring ProductPath() {
    if (std::wstring set = EnvironmentVariable(L"RESOLAUNCH_EXE"); !set.empty()) {
        return set;
    }
    const std::wstring here = ParentOf(ModulePath()) + L"\\";
    return PathExists(here + kProductFile) ? here + kProductFile : here + L"..\\..\\" + kProductFile;
}

bool SetTextOf(HWND window, const std::wstring& text) {
    LRESULT result = 0;
    return SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) && result == TRUE;
}

std::wstring TextOf(HWND window) {
    LRESULT length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0) {
        return L"<no answer>";
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        return L"<no answer>";
    }
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(HWND window) {
    return window == nullptr ? "nothing" : Utf8(ClassOf(window)) + " \"" + Utf8(TextOf(window)) + "\"";
}

std::vector<std::wstring> ListTexts(HWND list) {
    std::vector<std::wstring> texts;
    LRESULT count = 0;
    if (list == nullptr || !SendWithTimeout(list, LB_GETCOUNT, 0, 0, &count)) {
        return texts;
    }
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        LRESULT copied = 0;
        std::wstring text;
        if (SendWithTimeout(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, &length) && length >= 0) {
            text.resize(static_cast<std::size_t>(length) + 1);
            if (!SendWithTimeout(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()),
                                 &copied) ||
                copied < 0) {
                copied = 0;
            }
        }
        text.resize(static_cast<std::size_t>(copied));
        texts.push_back(text);
    }
    return texts;
}

std::wstring MessageBoxText(HWND box) {
    if (const HWND text = ::GetDlgItem(box, kMessageBoxTextId); text != nullptr) {
        return TextOf(text);
    }
    std::wstring longest;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (SameText(ClassOf(child), L"Static")) {
            const std::wstring text = TextOf(child);
            if (text.size() > longest.size()) {
                longest = text;
            }
        }
    }
    return longest;
}

HWND FileNameEdit(HWND dialog) {
    if (const HWND box = ::GetDlgItem(dialog, kFileNameBoxId); box != nullptr) {
        if (SameText(ClassOf(box), L"Edit")) {
            return box;
        }
        HWND edit = nullptr;
        ::EnumChildWindows(box, FindEditDescendant, reinterpret_cast<LPARAM>(&edit));
        if (edit != nullptr) {
            return edit;
        }
    }
    return ::GetDlgItem(dialog, kOldFileNameEditId);
}

std::wstring ExpectedModeEntry(int bits, int width, int height) {
    constexpr WORD kRequestSize = 124;  // the DEVMODEA form that ends with dmDisplayFrequency
    static_assert(offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD) == kRequestSize);
    constexpr DWORD kRequestFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    static_assert(kRequestFields == 0x001C0000);
    DEVMODEA request{};
    request.dmSize = kRequestSize;
    request.dmFields = kRequestFields;
    request.dmBitsPerPel = static_cast<DWORD>(bits);
    request.dmPelsWidth = static_cast<DWORD>(width);
    request.dmPelsHeight = static_cast<DWORD>(height);
    const LONG tested = ::ChangeDisplaySettingsA(&request, CDS_TEST);
    return ModeLabel(DisplayMode{static_cast<int16_t>(bits), width, height}, tested);
}

ScreenSize CurrentScreenSize() { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

bool WaitForScreenSize(ScreenSize expected) {
    return WaitUntil([&] { return CurrentScreenSize() == expected; }, kSlowStateTimeout);
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof(digits), out.empty() ? "%02X" : " %02X",
                      static_cast<unsigned>(static_cast<unsigned char>(c)));
        out += digits;
    }
    return out;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        // A program that has just ended may hold its image a moment longer.
        WaitUntil([this] { return DeleteTree(path_); });
    }
}

bool ScratchFolder::Create(const std::wstring& prefix, std::string* error) {
    path_ = MakeTempFolder(prefix, error);
    return !path_.empty();
}

AppUnderTest::~AppUnderTest() {
    if (process_ != nullptr) {
        if (IsRunning()) {
            std::string ignored;
            Close(&ignored);
        }
        ::CloseHandle(process_);
    }
}

bool AppUnderTest::Start(std::string* error, const std::vector<InitialFile>& files) {
    const std::wstring product = ProductPath();
    if (!PathExists(product)) {
        *error = "the program to test is missing: " + Utf8(product) + " (set RESOLAUNCH_EXE)";
        return false;
    }
    // A folder name with Japanese and a space, as users' folders have: the
    // program must find path.txt beside itself there.
    if (!folder_.Create(L"ResoLaunch \u30C6\u30B9\u30C8-", error)) {  // "ResoLaunch テスト-"
        return false;
    }
    const std::wstring copy = Folder() + L"\\" + kProductFile;
    if (!::CopyFileW(product.c_str(), copy.c_str(), TRUE)) {
        *error = LastError("CopyFileW");
        return false;
    }
    for (const InitialFile& file : files) {
        if (!WriteFileBytes(Folder() + L"\\" + file.name, file.bytes)) {
            *error = LastError("writing a file beside the program");
            return false;
        }
    }

    std::wstring commandLine = L"\"" + copy + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessRetried(copy, commandLine, 0, Folder(), startup, info)) {
        *error = LastError("CreateProcessW");
        return false;
    }
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;

    // The main window: the one visible, unowned top-level window of the
    // process that is not a message box.
    const bool shown = WaitUntil(
        [this] {
            if (!IsRunning()) {
                return true;
            }
            main_ = FirstOf(AllVisibleWindows(),
                            [](HWND window) { return ::GetWindow(window, GW_OWNER) == nullptr && !IsDialog(window); });
            return main_ != nullptr;
        },
        kStartTimeout);
    if (main_ == nullptr) {
        *error = !IsRunning() ? "the program ended at start, exit code " + std::to_string(exitCode_)
                 : shown      ? "no main window"
                              : "no main window appeared within the time limit";
        for (HWND window : AllVisibleWindows()) {
            *error += "; the program shows " + Describe(window);
        }
        return false;
    }
    threadId_ = ::GetWindowThreadProcessId(main_, nullptr);

    // Start-up is over once the program waits for input.
    const DWORD idle = ::WaitForInputIdle(process_, static_cast<DWORD>(kStartTimeout.count()));
    if (idle != 0) {
        *error = "the program did not become idle (WaitForInputIdle returned " + std::to_string(idle) + ")";
        return false;
    }
    if (!Sync()) {
        *error = "the main window does not answer messages";
        return false;
    }
    return true;
}

bool AppUnderTest::IsRunning() const {
    if (process_ == nullptr) {
        return false;
    }
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        return true;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    exitCode_ = code;
    return false;
}

bool AppUnderTest::Close(std::string* error) {
    if (!IsRunning()) {
        return true;
    }
    if (main_ == nullptr || !::PostMessageW(main_, WM_CLOSE, 0, 0)) {
        *error = main_ == nullptr ? "no main window to close" : LastError("PostMessageW(WM_CLOSE)");
        EndProcess();
        return false;
    }
    if (!WaitForExit()) {
        *error = "the program did not end within " + std::to_string(kExitTimeout.count()) + " ms of WM_CLOSE";
        for (HWND window : AllVisibleWindows()) {
            *error += "; it shows " + Describe(window);
        }
        EndProcess();
        return false;
    }
    return true;
}

void AppUnderTest::EndProcess() {
    // Last resort only: the program would not end by itself.
    ::TerminateProcess(process_, 0xE2E);
    WaitForExit();
}

std::vector<HWND> AppUnderTest::Children() const {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(main_, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::vector<HWND> AppUnderTest::AllVisibleWindows() const {
    std::vector<HWND> windows = TopLevelWindows();
    std::erase_if(windows,
                  [this](HWND window) { return ProcessOf(window) != processId_ || !::IsWindowVisible(window); });
    return windows;
}

HWND AppUnderTest::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

bool AppUnderTest::Sync() const { return main_ != nullptr && SendWithTimeout(main_, WM_NULL, 0, 0); }

bool AppUnderTest::WaitUntilPostedHandled() const {
    // The marker: a new text limit for the Y box, far above any text a test
    // types, so that nothing the program does depends on it.
    static std::atomic<unsigned> counter{0};
    const HWND marked = TextBox(TextField::Y);
    const LRESULT limit = 0x10000000 + static_cast<LRESULT>(counter++ % 0x1000);
    if (marked == nullptr || !IsRunning() || !::PostMessageW(marked, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0)) {
        return false;
    }
    return WaitUntil(
               [&] {
                   LRESULT current = 0;
                   return !IsRunning() ||
                          (SendWithTimeout(marked, EM_GETLIMITTEXT, 0, 0, &current) && current == limit);
               },
               kSlowStateTimeout) &&
           IsRunning();
}

bool AppUnderTest::WaitForExit(std::chrono::milliseconds timeout) const {
    // IsRunning() notes the exit code.
    return process_ == nullptr ||
           (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0 && !IsRunning());
}

HWND AppUnderTest::Button(const std::wstring& caption) const {
    return FirstOf(Children(),
                   [&](HWND child) { return SameText(ClassOf(child), L"Button") && TextOf(child) == caption; });
}

HWND AppUnderTest::TextBox(TextField field) const {
    std::vector<HWND> edits = Children();
    std::erase_if(edits, [](HWND child) { return !SameText(ClassOf(child), L"Edit"); });
    // Top to bottom, then left to right.
    std::sort(edits.begin(), edits.end(), [this](HWND a, HWND b) {
        const RECT ra = RectIn(a, main_);
        const RECT rb = RectIn(b, main_);
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    const std::size_t index = static_cast<std::size_t>(field);
    return index < edits.size() ? edits[index] : nullptr;
}

HWND AppUnderTest::List() const {
    return FirstOf(Children(), [](HWND child) { return SameText(ClassOf(child), L"ListBox"); });
}

int AppUnderTest::ListIndexOf(const std::wstring& text) const {
    const std::vector<std::wstring> texts = ListTexts(List());
    const auto found = std::find(texts.begin(), texts.end(), text);
    return found == texts.end() ? -1 : static_cast<int>(found - texts.begin());
}

bool AppUnderTest::SetText(TextField field, const std::wstring& text) const {
    const HWND box = TextBox(field);
    return box != nullptr && SetTextOf(box, text);
}

std::wstring AppUnderTest::Text(TextField field) const {
    const HWND box = TextBox(field);
    return box != nullptr ? TextOf(box) : L"<no such text box>";
}

bool AppUnderTest::SelectListEntry(int index) const {
    const HWND list = List();
    LRESULT result = 0;
    return list != nullptr &&
           SendWithTimeout(list, LB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0, &result) &&
           (index == -1 || result == index);
}

int AppUnderTest::SelectedListEntry() const {
    const HWND list = List();
    LRESULT result = LB_ERR;
    if (list == nullptr || !SendWithTimeout(list, LB_GETCURSEL, 0, 0, &result)) {
        return -2;
    }
    return static_cast<int>(result);
}

bool AppUnderTest::Press(HWND button) const {
    return button != nullptr && ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

std::vector<HWND> AppUnderTest::Dialogs() const {
    std::vector<HWND> dialogs = AllVisibleWindows();
    std::erase_if(dialogs, [](HWND window) { return !IsDialog(window); });
    return dialogs;
}

template <typename Match>
HWND AppUnderTest::WaitForDialog(Match match) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FirstOf(Dialogs(), match)) != nullptr || !IsRunning(); }, kSlowStateTimeout);
    return found;
}

HWND AppUnderTest::WaitForMessageBox() const {
    return WaitForDialog([](HWND dialog) { return TextOf(dialog) == kMessageBoxTitle; });
}

HWND AppUnderTest::WaitForFileDialog() const {
    return WaitForDialog(
        [](HWND dialog) { return TextOf(dialog) != kMessageBoxTitle && FileNameEdit(dialog) != nullptr; });
}

bool AppUnderTest::CloseDialog(HWND dialog, int id) const {
    const HWND button = ::GetDlgItem(dialog, id);
    if (!::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
        return false;
    }
    // Gone, not just hidden: only then has the modal loop that showed it ended.
    return WaitUntil([&] { return !::IsWindow(dialog); }, kSlowStateTimeout);
}

std::vector<DWORD> ResoLaunchProcesses(DWORD except) {
    std::vector<DWORD> found;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot != INVALID_HANDLE_VALUE && ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID != except && ::lstrcmpiW(entry.szExeFile, L"ResoLaunch.exe") == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    if (snapshot != INVALID_HANDLE_VALUE) {
        ::CloseHandle(snapshot);
    }
    return found;
}

}  // namespace resolaunch::e2e
