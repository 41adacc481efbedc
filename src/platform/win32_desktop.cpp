#include "platform/win32_desktop.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "platform/file_path.h"
#include "platform/file_system.h"
#include "platform/win32_messages.h"
#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

constexpr DWORD kPollMilliseconds = 5;
// ERROR_ELEVATION_REQUIRED, not in every SDK's headers: the program to start
// asks in its own manifest for administrator rights.
constexpr DWORD kElevationRequired = 740;

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    full.resize(length);
    return full;
}

std::wstring SearchProgram(const std::wstring& name) {
    std::wstring found(kLongestPath, L'\0');
    const DWORD length =
        ::SearchPathW(nullptr, name.c_str(), L".exe", static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0 || length >= found.size()) {
        return std::wstring();
    }
    found.resize(length);
    return IsExistingFile(found) ? found : std::wstring();
}

// The program a command line starts, found as the platform finds it: a quoted
// first token as it stands; otherwise the shortest run of words that names a
// program. `arguments` receives the rest of the line.
std::wstring ProgramOfCommandLine(const std::wstring& commandLine, std::wstring& arguments) {
    std::size_t start = commandLine.find_first_not_of(L" \t");
    if (start == std::wstring::npos) {
        return std::wstring();
    }
    if (commandLine[start] == L'"') {
        const std::size_t close = commandLine.find(L'"', start + 1);
        const std::wstring name = commandLine.substr(start + 1, close == std::wstring::npos ? std::wstring::npos
                                                                                             : close - start - 1);
        arguments = close == std::wstring::npos ? std::wstring() : commandLine.substr(close + 1);
        return SearchProgram(name);
    }
    std::size_t end = start;
    for (;;) {
        end = commandLine.find_first_of(L" \t", end);
        const std::wstring candidate = commandLine.substr(start, end == std::wstring::npos ? end : end - start);
        if (std::wstring program = SearchProgram(candidate); !program.empty()) {
            arguments = end == std::wstring::npos ? std::wstring() : commandLine.substr(end);
            return program;
        }
        if (end == std::wstring::npos) {
            return std::wstring();
        }
        end = commandLine.find_first_not_of(L" \t", end);
        if (end == std::wstring::npos) {
            return std::wstring();
        }
    }
}

// A program that asks for administrator rights: start it as Explorer does,
// through the consent prompt.
UniqueKernelHandle StartElevated(const std::wstring& program, const std::wstring& arguments,
                                 const std::wstring& folder, DWORD& error) {
    static const auto shellExecuteEx = SystemFunction<decltype(&::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    if (shellExecuteEx == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
        return UniqueKernelHandle();
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = program.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!shellExecuteEx(&info)) {
        error = ::GetLastError();
        return UniqueKernelHandle();
    }
    return UniqueKernelHandle(info.hProcess);
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

ULONGLONG CreationTimeOf(DWORD processId) {
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? CreationTime(process.get()) : 0;
}

// Tells whether a process is the started one or was started by it, directly
// or through others. Answers are kept, since a process's parent never changes.
class ProcessFamily {
public:
    ProcessFamily(DWORD root, ULONGLONG rootCreated) : root_(root), rootCreated_(rootCreated) { known_[root] = true; }

    // The processes may have changed: the next question takes a new snapshot.
    void Refresh() { parents_.clear(); }

    bool Contains(DWORD processId) {
        if (const auto found = known_.find(processId); found != known_.end()) {
            return found->second;
        }
        if (parents_.empty()) {
            TakeSnapshot();
        }
        // Walk up the parents; a process older than the started one, or a
        // parent id that was reused, ends the walk.
        bool member = false;
        DWORD current = processId;
        for (int depth = 0; depth < 64; ++depth) {
            const auto parent = parents_.find(current);
            if (parent == parents_.end() || parent->second == current) {
                break;
            }
            if (CreationTimeOf(current) < rootCreated_) {
                break;
            }
            if (parent->second == root_) {
                member = true;
                break;
            }
            current = parent->second;
        }
        known_[processId] = member;
        return member;
    }

private:
    void TakeSnapshot() {
        UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) {
            return;
        }
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            parents_[entry.th32ProcessID] = entry.th32ParentProcessID;
        }
    }

    DWORD root_;
    ULONGLONG rootCreated_;
    std::map<DWORD, bool> known_;
    std::map<DWORD, DWORD> parents_;  // process id to parent id, for one poll
};

struct WindowSearch {
    ProcessFamily* family;
    HWND skip;
    HWND found = nullptr;
};

BOOL CALLBACK FindFamilyWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (window == search->skip || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr) {
        return TRUE;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != 0 && search->family->Contains(processId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

class InputDisabled {
public:
    explicit InputDisabled(HWND window) : window_(window) {
        if (window_ != nullptr) {
            ::EnableWindow(window_, FALSE);
        }
    }
    InputDisabled(const InputDisabled&) = delete;
    InputDisabled& operator=(const InputDisabled&) = delete;
    ~InputDisabled() {
        if (window_ != nullptr && ::IsWindow(window_)) {
            ::EnableWindow(window_, TRUE);
        }
    }

private:
    HWND window_;
};

}  // namespace

std::wstring SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owned(buffer);
    std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"エラー " + std::to_wstring(error);
    }
    return text;
}

StartOutcome Win32Desktop::StartProgram(const std::wstring& commandText) {
    startedProcess_.reset();

    std::wstring program;
    std::wstring arguments;
    std::wstring commandLine;
    if (IsExistingFile(commandText)) {
        // Exactly that file: quoted, so a path with spaces cannot start another program.
        program = FullPath(commandText);
        commandLine = L"\"" + program + L"\"";
    } else {
        program = ProgramOfCommandLine(commandText, arguments);
        commandLine = commandText;
    }
    if (program.empty()) {
        return {false, SystemErrorText(ERROR_FILE_NOT_FOUND)};
    }
    const std::wstring folder = FolderOf(program);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        const UniqueKernelHandle thread(process.hThread);
        startedProcess_.reset(process.hProcess);
        return {true, std::wstring()};
    }
    DWORD error = ::GetLastError();
    if (error == kElevationRequired) {
        if (UniqueKernelHandle elevated = StartElevated(program, arguments, folder, error)) {
            startedProcess_ = std::move(elevated);
            return {true, std::wstring()};
        }
    }
    return {false, SystemErrorText(error)};
}

WindowHandle Win32Desktop::WaitForProgramWindow(std::chrono::milliseconds timeout) {
    if (!startedProcess_) {
        return 0;
    }
    const HANDLE process = startedProcess_.get();
    ProcessFamily family(::GetProcessId(process), CreationTime(process));
    InputDisabled quiet(mainWindow_);

    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        family.Refresh();
        WindowSearch search{&family, mainWindow_};
        ::EnumWindows(FindFamilyWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return reinterpret_cast<WindowHandle>(search.found);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            return 0;
        }
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(kPollMilliseconds, deadline - now));
        ::MsgWaitForMultipleObjectsEx(1, &process, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // The main window paints meanwhile; it is disabled, so no click or key reaches it.
        if (!ProcessQueuedMessages()) {
            return 0;
        }
    }
}

WindowHandle Win32Desktop::ForegroundWindow() { return reinterpret_cast<WindowHandle>(::GetForegroundWindow()); }

std::optional<WindowRect> Win32Desktop::WindowRectOf(WindowHandle window) {
    RECT rect{};
    if (!::GetWindowRect(reinterpret_cast<HWND>(window), &rect)) {
        return std::nullopt;
    }
    return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

void Win32Desktop::MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) {
    ::MoveWindow(reinterpret_cast<HWND>(window), x, y, width, height, TRUE);
}

}  // namespace resolaunch
