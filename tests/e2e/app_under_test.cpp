#include "app_under_test.h"

#include <atomic>
#include <iterator>

namespace resolaunch::e2e {
namespace {

constexpr wchar_t kProductFile[] = L"ResoLaunch.exe";

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

}  // namespace

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
    wchar_t temp[MAX_PATH + 1] = {};
    if (::GetTempPathW(static_cast<DWORD>(std::size(temp)), temp) == 0) {
        *error = LastError("GetTempPathW");
        return false;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = std::wstring(temp) + L"ResoLaunchE2E-" + std::to_wstring(::GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            folder_ = folder;
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

void AppUnderTest::RemoveFolder() {
    if (folder_.empty()) {
        return;
    }
    // The system may hold the image of a process that has just ended a moment longer.
    WaitUntil([this] { return DeleteTree(folder_); });
    folder_.clear();
}

bool AppUnderTest::Start(std::string* error) {
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

}  // namespace resolaunch::e2e
