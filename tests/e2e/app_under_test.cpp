#include "app_under_test.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>

namespace resolaunch::e2e {
namespace {

constexpr wchar_t kProductFile[] = L"ResoLaunch.exe";
constexpr wchar_t kSettingsFile[] = L"path.txt";
// The program's message boxes carry its name as their title.
constexpr wchar_t kMessageBoxTitle[] = L"ResoLaunch";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kFileNameBoxId = 0x47C;
constexpr int kOldFileNameEditId = 0x480;

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

std::string LastError(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(::GetLastError());
}

// Deletes a folder with everything in it; false if anything is left.
bool DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                DeleteTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    return ::RemoveDirectoryW(folder.c_str()) != FALSE || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

struct WindowSearch {
    DWORD processId;
    bool ownedToo;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && ::IsWindowVisible(window) &&
        (search->ownedToo || ::GetWindow(window, GW_OWNER) == nullptr)) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD processId, bool ownedToo) {
    WindowSearch search{processId, ownedToo, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsMessageBox(HWND window) {
    return ClassOf(window) == L"#32770";
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// A new folder named after `prefix` under the system's temporary folder.
bool MakeTempFolder(const std::wstring& prefix, std::wstring* folder, std::string* error) {
    wchar_t temp[MAX_PATH + 1] = {};
    if (::GetTempPathW(static_cast<DWORD>(std::size(temp)), temp) == 0) {
        *error = LastError("GetTempPathW");
        return false;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = std::wstring(temp) + prefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            *folder = candidate;
            return true;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = LastError("CreateDirectoryW");
            return false;
        }
    }
    *error = "no unused name for a temporary folder";
    return false;
}

BOOL CALLBACK FindEditDescendant(HWND window, LPARAM context) {
    if (SameText(ClassOf(window), L"Edit")) {
        *reinterpret_cast<HWND*>(context) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool SetTextOf(HWND window, const std::wstring& text) {
    LRESULT result = 0;
    return SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) && result == TRUE;
}

ScreenSize CurrentScreenSize() {
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

bool WaitForScreenSize(ScreenSize expected, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return CurrentScreenSize() == expected; }, timeout);
}

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != FALSE) && read > 0) {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr) != FALSE &&
                                      written == bytes.size());
    return ::CloseHandle(file) != FALSE && ok;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof(digits), "%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        if (!out.empty()) {
            out += ' ';
        }
        out += digits;
    }
    return out;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        // A program that has just ended may hold its image a moment longer.
        WaitUntil([this] { return DeleteTree(path_); });
    }
}

bool ScratchFolder::Create(const std::wstring& prefix, std::string* error) {
    return MakeTempFolder(prefix, &path_, error);
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

std::wstring ProductPath() {
    if (const DWORD length = ::GetEnvironmentVariableW(L"RESOLAUNCH_EXE", nullptr, 0); length > 0) {
        std::wstring value(length, L'\0');
        value.resize(::GetEnvironmentVariableW(L"RESOLAUNCH_EXE", value.data(), length));
        return FullPath(value);
    }
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::wstring here = FolderOf(self);
    for (const std::wstring& candidate : {here + kProductFile, here + L"..\\..\\" + kProductFile}) {
        if (FileExists(candidate)) {
            return FullPath(candidate);
        }
    }
    return here + kProductFile;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
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
    return Utf8(ClassOf(window)) + " \"" + Utf8(TextOf(window)) + "\"";
}

AppUnderTest::~AppUnderTest() {
    if (process_ != nullptr) {
        if (IsRunning()) {
            std::string ignored;
            Close(&ignored);
        }
        ::CloseHandle(process_);
    }
    RemoveFolder();
}

bool AppUnderTest::MakeFolder(std::string* error) {
    return MakeTempFolder(L"ResoLaunchE2E-", &folder_, error);
}

void AppUnderTest::RemoveFolder() {
    if (folder_.empty()) {
        return;
    }
    // The system may hold the image of a process that has just ended a moment longer.
    WaitUntil([this] { return DeleteTree(folder_); });
    folder_.clear();
}

bool AppUnderTest::Start(std::string* error, const std::vector<InitialFile>& files) {
    const std::wstring product = ProductPath();
    if (!FileExists(product)) {
        *error = "the program to test is missing: " + Utf8(product) + " (set RESOLAUNCH_EXE)";
        return false;
    }
    if (!MakeFolder(error)) {
        return false;
    }
    const std::wstring copy = folder_ + L"\\" + kProductFile;
    if (!::CopyFileW(product.c_str(), copy.c_str(), TRUE)) {
        *error = LastError("CopyFileW");
        return false;
    }
    for (const InitialFile& file : files) {
        if (!WriteFileBytes(folder_ + L"\\" + file.name, file.bytes)) {
            *error = LastError("writing a file beside the program");
            return false;
        }
    }

    std::wstring commandLine = L"\"" + copy + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                          &startup, &info)) {
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
            for (HWND window : VisibleTopLevelWindows()) {
                if (!IsMessageBox(window)) {
                    main_ = window;
                    return true;
                }
            }
            return false;
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
    if (::WaitForSingleObject(process_, static_cast<DWORD>(kExitTimeout.count())) != WAIT_OBJECT_0) {
        *error = "the program did not end within " + std::to_string(kExitTimeout.count()) + " ms of WM_CLOSE";
        for (HWND window : AllVisibleWindows()) {
            *error += "; it shows " + Describe(window);
        }
        EndProcess();
        return false;
    }
    IsRunning();
    return true;
}

void AppUnderTest::EndProcess() {
    // Last resort only: the program would not end by itself.
    ::TerminateProcess(process_, 0xE2E);
    ::WaitForSingleObject(process_, static_cast<DWORD>(kExitTimeout.count()));
    IsRunning();
}

std::vector<HWND> AppUnderTest::Children() const {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(main_, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::vector<HWND> AppUnderTest::VisibleTopLevelWindows() const {
    return VisibleWindowsOf(processId_, false);
}

std::vector<HWND> AppUnderTest::AllVisibleWindows() const {
    return VisibleWindowsOf(processId_, true);
}

HWND AppUnderTest::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(threadId_, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

bool AppUnderTest::Sync() const {
    return main_ != nullptr && SendWithTimeout(main_, WM_NULL, 0, 0);
}

bool AppUnderTest::WaitUntilPostedHandled(std::chrono::milliseconds timeout) const {
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
               timeout) &&
           IsRunning();
}

bool AppUnderTest::WaitForExit(std::chrono::milliseconds timeout) const {
    if (process_ == nullptr) {
        return true;
    }
    if (::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return false;
    }
    IsRunning();
    return true;
}

std::wstring AppUnderTest::SettingsPath() const { return folder_ + L"\\" + kSettingsFile; }

HWND AppUnderTest::Button(const std::wstring& caption) const {
    for (HWND child : Children()) {
        if (SameText(ClassOf(child), L"Button") && TextOf(child) == caption) {
            return child;
        }
    }
    return nullptr;
}

HWND AppUnderTest::TextBox(TextField field) const {
    std::vector<HWND> edits;
    for (HWND child : Children()) {
        if (SameText(ClassOf(child), L"Edit")) {
            edits.push_back(child);
        }
    }
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
    for (HWND child : Children()) {
        if (SameText(ClassOf(child), L"ListBox")) {
            return child;
        }
    }
    return nullptr;
}

std::vector<std::wstring> AppUnderTest::ListTexts() const {
    std::vector<std::wstring> texts;
    const HWND list = List();
    LRESULT count = 0;
    if (list == nullptr || !SendWithTimeout(list, LB_GETCOUNT, 0, 0, &count)) {
        return texts;
    }
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!SendWithTimeout(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, &length) || length < 0) {
            texts.emplace_back();
            continue;
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        if (!SendWithTimeout(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()),
                             &copied) ||
            copied < 0) {
            copied = 0;
        }
        text.resize(static_cast<std::size_t>(copied));
        texts.push_back(text);
    }
    return texts;
}

int AppUnderTest::ListIndexOf(const std::wstring& text) const {
    const std::vector<std::wstring> texts = ListTexts();
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
    std::vector<HWND> dialogs;
    for (HWND window : AllVisibleWindows()) {
        if (IsMessageBox(window)) {
            dialogs.push_back(window);
        }
    }
    return dialogs;
}

HWND AppUnderTest::WaitForMessageBox(std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND dialog : Dialogs()) {
                if (TextOf(dialog) == kMessageBoxTitle) {
                    found = dialog;
                    return true;
                }
            }
            return !IsRunning();
        },
        timeout);
    return found;
}

HWND AppUnderTest::WaitForFileDialog(std::chrono::milliseconds timeout) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND dialog : Dialogs()) {
                if (TextOf(dialog) != kMessageBoxTitle && FileNameEdit(dialog) != nullptr) {
                    found = dialog;
                    return true;
                }
            }
            return !IsRunning();
        },
        timeout);
    return found;
}

bool AppUnderTest::CloseDialog(HWND dialog, int id) const {
    const HWND button = ::GetDlgItem(dialog, id);
    if (!::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
        return false;
    }
    // Gone, not just hidden: only then has the modal loop that showed it ended.
    return WaitUntil([&] { return !::IsWindow(dialog); }, kSlowStateTimeout);
}

}  // namespace resolaunch::e2e
