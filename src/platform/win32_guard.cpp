#include "platform/win32_guard.h"

#include <cstddef>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32_launch_processes.h"
#include "platform/win32_processes.h"

namespace resolaunch {
namespace {

// How long the guard waits for its owner's process to end once the pipe has
// broken: the handles of an ending process close just before it ends.
constexpr DWORD kOwnerEndWaitMs = 1000;

// The system's folder: the guard holds no folder of the user's as its current one.
std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring OwnExecutable() {
    std::wstring path(kLongestPath, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) {
        return std::wstring();
    }
    path.resize(length);
    return path;
}

}  // namespace

bool Win32GuardProcess::StartGuard() {
    const std::wstring executable = OwnExecutable();
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (executable.empty() || !::CreatePipe(&read, &write, &inheritable, 0)) {
        return false;
    }
    const UniqueKernelHandle readEnd(read);
    UniqueKernelHandle writeEnd(write);
    ::SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);

    // Only the read end is inherited: not ResoLaunch's own standard handles,
    // which a script reading its output waits on.
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<std::byte> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        return false;
    }
    HANDLE inherited[] = {read};
    const bool listed = ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                    sizeof(inherited), nullptr, nullptr);
    const DWORD self = ::GetCurrentProcessId();
    std::wstring commandLine = L"\"" + executable + L"\" --guard=" + std::to_wstring(self) + L"-" +
                               std::to_wstring(CreationTimeOf(::GetCurrentProcess()).value_or(0)) + L"," +
                               std::to_wstring(reinterpret_cast<ULONG_PTR>(read));
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;  // none
    startup.lpAttributeList = attributes;
    PROCESS_INFORMATION created{};
    const std::wstring folder = SystemFolder();
    // Out of any job of ResoLaunch's own caller, where that job allows it: a
    // host that ends its children would end the guard with its owner.
    BOOL started = FALSE;
    for (const DWORD breakaway : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW | breakaway;
        started = listed && ::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                                             nullptr, folder.empty() ? nullptr : folder.c_str(),
                                             &startup.StartupInfo, &created);
        if (started || ::GetLastError() != ERROR_ACCESS_DENIED) {
            break;
        }
    }
    ::DeleteProcThreadAttributeList(attributes);
    if (!started) {
        return false;
    }
    ::CloseHandle(created.hThread);
    guard_.reset(created.hProcess);
    pipe_ = std::move(writeEnd);
    identity_ = {created.dwProcessId, CreationTimeOf(created.hProcess).value_or(0)};
    return true;
}

std::optional<ProcessIdentity> Win32GuardProcess::Guard(LaunchProcesses& processes, uint32_t keeper) {
    if (!guard_ || ::WaitForSingleObject(guard_.get(), 0) != WAIT_TIMEOUT) {
        Release();
        if (!StartGuard()) {
            return std::nullopt;
        }
    }
    if (auto* win32 = dynamic_cast<Win32LaunchProcesses*>(&processes)) {
        const LaunchHold hold = win32->Hold();
        if (!hold.job.empty() && handedJobs_.insert(hold.job).second) {
            HandOver(win32->Job());
        }
        if (hold.started.id != 0 && handedProcesses_.insert({hold.started.id, hold.started.created}).second) {
            HandOver(win32->Process());
        }
    }
    const UniqueKernelHandle kept(
        keeper != 0 ? ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, keeper) : nullptr);
    if (const std::optional<uint64_t> created = CreationTimeOf(kept.get());
        created && handedProcesses_.insert({keeper, *created}).second) {
        HandOver(kept.get());
    }
    return identity_;
}

// The guard holds a handle of its own: the object, and its name or id, stay while it runs.
void Win32GuardProcess::HandOver(HANDLE handle) {
    HANDLE duplicate = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), handle, guard_.get(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
}

void Win32GuardProcess::Release() {
    pipe_.reset();
    guard_.reset();
    handedJobs_.clear();
    handedProcesses_.clear();
}

Win32GuardLink::Win32GuardLink(const ProcessIdentity& owner, uint64_t pipe) {
    const auto inherited = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(pipe));
    if (inherited != nullptr && ::GetFileType(inherited) == FILE_TYPE_PIPE) {
        pipe_.reset(inherited);
    }
    UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.id));
    if (CreationTimeOf(process.get()) == owner.created) {
        owner_ = std::move(process);
    }
}

void Win32GuardLink::WaitForOwner() {
    // Nothing is ever written: the read returns when the pipe breaks.
    char byte = 0;
    DWORD read = 0;
    while (pipe_ && ::ReadFile(pipe_.get(), &byte, 1, &read, nullptr)) {
    }
}

bool Win32GuardLink::OwnerEnded() {
    return !owner_ || ::WaitForSingleObject(owner_.get(), kOwnerEndWaitMs) != WAIT_TIMEOUT;
}

std::unique_ptr<LaunchProcesses> Win32GuardLink::Reopen(const LaunchHold& hold) {
    return Win32LaunchProcesses::Reopen(hold);
}

}  // namespace resolaunch
