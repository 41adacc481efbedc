#include "platform/win32_process_facts.h"

#include "base/ignoring_case.h"
#include "platform/file_system.h"
#include "platform/win32_processes.h"

namespace resolaunch {
namespace {

// More processes than this asked about: those that have ended are let go.
constexpr std::size_t kKnownAtMost = 256;

// The parent's id of a process, from a snapshot; 0 when it is not listed.
DWORD ParentOf(DWORD processId) {
    DWORD parent = 0;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID == processId) {
            parent = entry.th32ParentProcessID;
        }
        return parent == 0;
    });
    return parent;
}

}  // namespace

Win32ProcessFacts::Known* Win32ProcessFacts::Find(uint32_t processId) {
    if (const auto found = known_.find(processId); found != known_.end()) {
        return &found->second;
    }
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    const std::optional<uint64_t> created = CreationTimeOf(process.get());
    if (!created) {
        return nullptr;  // not kept: asked again next time
    }
    if (known_.size() >= kKnownAtMost) {
        ForgetEnded();
    }
    return &known_.emplace(processId, Known{std::move(process), *created, std::nullopt}).first->second;
}

void Win32ProcessFacts::ForgetEnded() {
    std::erase_if(known_, [](const auto& entry) {
        DWORD exitCode = 0;
        return !::GetExitCodeProcess(entry.second.process.get(), &exitCode) || exitCode != STILL_ACTIVE;
    });
}

bool Win32ProcessFacts::StartedSince(uint32_t processId, uint64_t since) {
    const Known* known = Find(processId);
    return known != nullptr && known->created >= since;
}

std::wstring Win32ProcessFacts::ImagePathOf(uint32_t processId) {
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return ImagePathOfProcess(process.get());
}

bool Win32ProcessFacts::StartedByShell(uint32_t processId) {
    Known* known = Find(processId);
    if (known == nullptr) {
        return false;
    }
    if (known->startedByShell) {
        return *known->startedByShell;
    }
    DWORD shell = 0;
    if (const HWND shellWindow = ::GetShellWindow(); shellWindow != nullptr) {
        ::GetWindowThreadProcessId(shellWindow, &shell);
    }
    bool byShell = false;
    if (shell != 0 && ParentOf(processId) == shell) {
        // The parent id names the shell only when the shell's process is older.
        const UniqueKernelHandle shellProcess(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell));
        const std::optional<uint64_t> shellCreated = CreationTimeOf(shellProcess.get());
        byShell = shellCreated && *shellCreated <= known->created;
    }
    known->startedByShell = byShell;
    return byShell;
}

ProcessIdentity Win32ProcessFacts::Self() {
    return {::GetCurrentProcessId(), CreationTimeOf(::GetCurrentProcess()).value_or(0)};
}

bool Win32ProcessFacts::IsRunning(const ProcessIdentity& process) {
    const UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    DWORD exitCode = 0;
    return handle && CreationTimeOf(handle.get()) == process.created && ::GetExitCodeProcess(handle.get(), &exitCode) &&
           exitCode == STILL_ACTIVE;
}

std::optional<ProcessIdentity> Win32ProcessFacts::IdentityOf(uint32_t processId) {
    const UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    const std::optional<uint64_t> created = CreationTimeOf(handle.get());
    return created ? std::optional<ProcessIdentity>(ProcessIdentity{processId, *created}) : std::nullopt;
}

std::vector<uint32_t> Win32ProcessFacts::ProcessesNamed(const std::wstring& fileName) {
    std::vector<uint32_t> named;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (EqualIgnoringCase(entry.szExeFile, fileName)) {
            named.push_back(entry.th32ProcessID);
        }
        return true;
    });
    return named;
}

}  // namespace resolaunch
