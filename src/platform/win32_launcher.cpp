#include "platform/win32_launcher.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstddef>
#include <vector>

#include "platform/file_path.h"
#include "platform/file_system.h"
#include "platform/job_end.h"
#include "platform/win32_error_text.h"
#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

// ERROR_ELEVATION_REQUIRED, not in every SDK's headers: the program to start
// asks in its own manifest for administrator rights.
constexpr DWORD kElevationRequired = 740;
// The completion key that tells the follower thread of follow number n to
// stop: an odd number, which no job handle (the key of the job's own
// messages) is. A stop meant for an earlier follower is passed over.
ULONG_PTR StopKey(unsigned follow) { return (ULONG_PTR{follow} << 1) | 1; }

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

// A console program: any program but one the PE header marks as a Windows
// GUI program (a batch file, for one, runs in cmd.exe's console).
bool IsConsoleProgram(const std::wstring& path) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    const auto readAt = [&](LONG offset, void* into, DWORD size) {
        DWORD read = 0;
        return ::SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               ::ReadFile(file.get(), into, size, &read, nullptr) && read == size;
    };
    IMAGE_DOS_HEADER dos{};
    // The subsystem sits at the same place in 32- and 64-bit headers.
    IMAGE_NT_HEADERS32 nt{};
    if (!file || !readAt(0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
        !readAt(dos.e_lfanew, &nt, sizeof(nt)) || nt.Signature != IMAGE_NT_SIGNATURE) {
        return true;
    }
    return nt.OptionalHeader.Subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

// A program that asks for administrator rights: start it as Explorer does,
// through the consent prompt. Its process handle may be null even then.
bool StartElevated(const ProgramCommand& command, UniqueKernelHandle& process, DWORD& error) {
    static const auto shellExecuteEx = SystemFunction<decltype(&::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    if (shellExecuteEx == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = command.program.c_str();
    info.lpParameters = command.arguments.empty() ? nullptr : command.arguments.c_str();
    info.lpDirectory = command.folder.empty() ? nullptr : command.folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!shellExecuteEx(&info)) {
        error = ::GetLastError();
        return false;
    }
    process.reset(info.hProcess);
    return true;
}

ULONGLONG AsCount(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

ULONGLONG SystemTimeNow() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return AsCount(now);
}

struct FamilyJob {
    UniqueKernelHandle job;
    UniqueKernelHandle port;
};

// A job that reports to a completion port of its own, lets a process break
// away only when it asks to, and never ends its processes. Empty when the
// system refuses any part of it.
FamilyJob CreateFamilyJob() {
    FamilyJob family{UniqueKernelHandle(::CreateJobObjectW(nullptr, nullptr)),
                     UniqueKernelHandle(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1))};
    if (!family.job || !family.port) {
        return {};
    }
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = family.job.get();
    association.CompletionPort = family.port.get();
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!::SetInformationJobObject(family.job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                   sizeof(association)) ||
        !::SetInformationJobObject(family.job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        return {};
    }
    return family;
}

// The live processes of a job; nothing when the system will not tell.
std::optional<std::vector<uint32_t>> ProcessesOf(HANDLE job) {
    constexpr std::size_t kHeader = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
    std::size_t capacity = 32;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<ULONG_PTR> storage(kHeader / sizeof(ULONG_PTR) + capacity);  // aligned for the list
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(storage.data());
        const BOOL listed = ::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                                        static_cast<DWORD>(storage.size() * sizeof(ULONG_PTR)), nullptr);
        if (!listed && ::GetLastError() != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        if (listed && list->NumberOfProcessIdsInList >= list->NumberOfAssignedProcesses) {
            const auto* ids = reinterpret_cast<const ULONG_PTR*>(reinterpret_cast<const std::byte*>(list) + kHeader);
            return std::vector<uint32_t>(ids, ids + list->NumberOfProcessIdsInList);
        }
        capacity = std::size_t{list->NumberOfAssignedProcesses} + 16;  // more came meanwhile
    }
    return std::nullopt;
}

// What the follower thread waits on, and where it reports.
struct FollowedLaunch {
    LaunchId id;
    ULONG_PTR stopKey;
    HANDLE port;     // the job's completion port, or null
    HANDLE job;      // with the port: the job
    HANDLE process;  // without a job: the started program, or null
    HANDLE keeper;   // or null
    HANDLE stop;
    HWND reportWindow;  // or, without one, the thread
    DWORD reportThread;
    UINT reportMessage;
};

// True when `process` has ended; false when told to stop first.
bool WaitForProcess(HANDLE process, HANDLE stop) {
    if (process == nullptr) {
        return true;
    }
    const HANDLE waits[] = {stop, process};
    return ::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

// The port of a followed launch's job, as the follower thread reads it.
class Win32JobPort final : public JobPort {
public:
    Win32JobPort(HANDLE port, HANDLE job, ULONG_PTR stopKey) : port_(port), job_(job), stopKey_(stopKey) {}

    JobPortEvent Next(std::chrono::milliseconds quiet) override {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (!::GetQueuedCompletionStatus(port_, &message, &key, &detail, static_cast<DWORD>(quiet.count()))) {
            return detail == nullptr && ::GetLastError() == WAIT_TIMEOUT ? JobPortEvent::Quiet : JobPortEvent::Stop;
        }
        if (key == stopKey_) {
            return JobPortEvent::Stop;
        }
        return (key & 1) == 0 && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO ? JobPortEvent::NoProcessLeft
                                                                                : JobPortEvent::Other;
    }

    bool Empty() override {
        const std::optional<std::vector<uint32_t>> processes = ProcessesOf(job_);
        return processes && processes->empty();
    }

private:
    HANDLE port_;
    HANDLE job_;
    ULONG_PTR stopKey_;
};

void Follow(FollowedLaunch launch) {
    if (launch.port != nullptr) {
        Win32JobPort port(launch.port, launch.job, launch.stopKey);
        if (!WaitForEmptyJob(port)) {
            return;
        }
    } else if (!WaitForProcess(launch.process, launch.stop)) {
        return;
    }
    if (!WaitForProcess(launch.keeper, launch.stop)) {
        return;
    }
    if (launch.reportWindow != nullptr) {
        ::PostMessageW(launch.reportWindow, launch.reportMessage, launch.id, 0);
    } else if (launch.reportThread != 0) {
        ::PostThreadMessageW(launch.reportThread, launch.reportMessage, launch.id, 0);
    }
}

}  // namespace

Win32Launcher::Win32Launcher() : stopFollowing_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Win32Launcher::~Win32Launcher() { StopFollowing(); }

void Win32Launcher::ReportEndsTo(HWND window, UINT message) {
    reportWindow_ = window;
    reportThread_ = window == nullptr ? ::GetCurrentThreadId() : 0;
    reportMessage_ = message;
}

ProgramLookup Win32Launcher::FindProgram(const std::wstring& commandText) {
    ProgramCommand command;
    command.namesFile = IsExistingFile(commandText);
    if (command.namesFile) {
        command.program = FullPath(commandText);
    } else {
        command.program = ProgramOfCommandLine(commandText, command.arguments);
    }
    if (command.program.empty()) {
        return {std::nullopt, SystemErrorText(ERROR_FILE_NOT_FOUND)};
    }
    command.folder = FolderOf(command.program);
    return {std::move(command), std::wstring()};
}

StartOutcome Win32Launcher::Start(const std::wstring& commandText) {
    // Nothing changes for the launch being followed until this one has started.
    const ProgramLookup lookup = FindProgram(commandText);
    if (!lookup.command) {
        return {false, lookup.failureReason, 0, {}};
    }
    const ProgramCommand& command = *lookup.command;
    // Exactly that file, quoted, so that a path with spaces cannot start another program.
    std::wstring commandLine = command.namesFile ? L"\"" + command.program + L"\"" : commandText;

    auto launch = std::make_unique<Launch>();
    launch->began = SystemTimeNow();
    FamilyJob family = CreateFamilyJob();

    // None of ResoLaunch's standard handles go to the program: a script reading
    // ResoLaunch's output would otherwise wait for the program's end. A console
    // program gets a console of its own (as it does anyway when ResoLaunch has
    // none) and its handles; a Windows program gets none. A Windows program
    // ignores the new console.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | (IsConsoleProgram(command.program) ? 0 : STARTF_USESTDHANDLES);
    startup.wShowWindow = SW_SHOWNORMAL;
    // Suspended, so that the program is in its job before it can start anything.
    const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_CONSOLE;
    PROCESS_INFORMATION created{};
    if (::CreateProcessW(command.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                         command.folder.empty() ? nullptr : command.folder.c_str(), &startup, &created)) {
        const UniqueKernelHandle thread(created.hThread);
        launch->process.reset(created.hProcess);
        launch->processId = created.dwProcessId;
        // Where the job cannot be had, the program still starts: its family is then itself alone.
        if (family.job && ::AssignProcessToJobObject(family.job.get(), launch->process.get())) {
            launch->job = std::move(family.job);
            launch->port = std::move(family.port);
        }
        if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            const DWORD error = ::GetLastError();
            ::TerminateProcess(launch->process.get(), 1);
            return {false, SystemErrorText(error, command.program), 0, {}};
        }
    } else {
        DWORD error = ::GetLastError();
        if (error != kElevationRequired || !StartElevated(command, launch->process, error)) {
            return {false, SystemErrorText(error, command.program), 0, {}};
        }
        launch->processId = launch->process ? ::GetProcessId(launch->process.get()) : 0;
    }
    StopFollowing();
    startedAfter_.clear();
    launch->id = ++launches_;
    latest_ = std::move(launch);
    return {true, std::wstring(), latest_->id, command.program};
}

LaunchFamily Win32Launcher::Family() {
    if (!latest_) {
        return {{}, true};
    }
    if (latest_->job) {
        if (std::optional<std::vector<uint32_t>> processes = ProcessesOf(latest_->job.get())) {
            const bool ended = processes->empty();
            return {*std::move(processes), ended};
        }
    }
    if (latest_->process && ::WaitForSingleObject(latest_->process.get(), 0) == WAIT_TIMEOUT) {
        return {{latest_->processId}, false};
    }
    return {{}, true};
}

bool Win32Launcher::StartedAfterLaunch(uint32_t processId) {
    if (!latest_) {
        return false;
    }
    if (const auto known = startedAfter_.find(processId); known != startedAfter_.end()) {
        return known->second.startedAfter;
    }
    // The answer is kept with the process open: while it is, its id cannot
    // pass to another process, so the answer stays true of that id.
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
        return false;  // not kept: asked again next time
    }
    const bool startedAfter = AsCount(created) >= latest_->began;
    startedAfter_.emplace(processId, ProcessAge{std::move(process), startedAfter, std::nullopt});
    return startedAfter;
}

std::wstring Win32Launcher::ImagePathOf(uint32_t processId) {
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    std::wstring path(kLongestPath, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) {
        return std::wstring();
    }
    path.resize(length);
    return path;
}

bool Win32Launcher::StartedByShell(uint32_t processId) {
    // The answer stays true of an id while its process is held open (see StartedAfterLaunch).
    const auto known = startedAfter_.find(processId);
    if (known != startedAfter_.end() && known->second.startedByShell) {
        return *known->second.startedByShell;
    }
    const bool byShell = AskStartedByShell(processId);
    if (known != startedAfter_.end()) {
        known->second.startedByShell = byShell;
    }
    return byShell;
}

bool Win32Launcher::AskStartedByShell(uint32_t processId) {
    DWORD shell = 0;
    if (const HWND shellWindow = ::GetShellWindow(); shellWindow != nullptr) {
        ::GetWindowThreadProcessId(shellWindow, &shell);
    }
    if (shell == 0) {
        return false;
    }
    DWORD parent = 0;
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // INVALID_HANDLE_VALUE when none
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) {
        return false;
    }
    do {
        if (entry.th32ProcessID == processId) {
            parent = entry.th32ParentProcessID;
            break;
        }
    } while (::Process32NextW(snapshot.get(), &entry));
    if (parent != shell) {
        return false;
    }
    // The parent id names the shell only when the shell's process is older.
    const auto createdAt = [](DWORD id) -> std::optional<ULONGLONG> {
        const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        FILETIME created{}, exited{}, kernel{}, user{};
        if (!process || !::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
            return std::nullopt;
        }
        return AsCount(created);
    };
    const std::optional<ULONGLONG> shellCreated = createdAt(shell);
    const std::optional<ULONGLONG> processCreated = createdAt(processId);
    return shellCreated && processCreated && *shellCreated <= *processCreated;
}

void Win32Launcher::FollowToEnd(uint32_t keeper) {
    StopFollowing();
    if (!latest_ || !stopFollowing_) {
        return;
    }
    keeper_.reset(keeper != 0 ? ::OpenProcess(SYNCHRONIZE, FALSE, keeper) : nullptr);
    ::ResetEvent(stopFollowing_.get());
    const FollowedLaunch followed{latest_->id,
                                  StopKey(++follows_),
                                  latest_->port.get(),
                                  latest_->job.get(),
                                  latest_->job ? nullptr : latest_->process.get(),
                                  keeper_.get(),
                                  stopFollowing_.get(),
                                  reportWindow_,
                                  reportThread_,
                                  reportMessage_};
    follower_ = std::thread(Follow, followed);
}

void Win32Launcher::StopFollowing() {
    if (!follower_.joinable()) {
        return;
    }
    ::SetEvent(stopFollowing_.get());
    if (latest_ && latest_->port) {
        ::PostQueuedCompletionStatus(latest_->port.get(), 0, StopKey(follows_), nullptr);
    }
    follower_.join();
    keeper_.reset();
}

}  // namespace resolaunch
