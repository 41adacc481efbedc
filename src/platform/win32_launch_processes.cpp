#include "platform/win32_launch_processes.h"

#include <cstddef>

#include "platform/win32_processes.h"

namespace resolaunch {
namespace {

// A name no other job has: this process's id and creation, and a count.
std::wstring NewJobName() {
    static unsigned jobs = 0;
    return L"Local\\ResoLaunch-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(CreationTimeOf(::GetCurrentProcess()).value_or(0)) + L"-" + std::to_wstring(++jobs);
}

}  // namespace

bool Win32LaunchProcesses::CreateJob() {
    std::wstring name = NewJobName();
    ::SetLastError(ERROR_SUCCESS);  // told apart from an earlier call's ERROR_ALREADY_EXISTS
    UniqueKernelHandle job(::CreateJobObjectW(nullptr, name.c_str()));
    if (job && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        job.reset(::CreateJobObjectW(nullptr, nullptr));  // another's: never joined, nor named in a record
        name.clear();
    }
    UniqueKernelHandle port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    if (!job || !port) {
        return false;
    }
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job.get();
    association.CompletionPort = port.get();
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!::SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                   sizeof(association)) ||
        !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        return false;
    }
    job_ = std::move(job);
    port_ = std::move(port);
    jobName_ = std::move(name);
    return true;
}

std::unique_ptr<Win32LaunchProcesses> Win32LaunchProcesses::Reopen(const LaunchHold& hold) {
    auto launch = std::make_unique<Win32LaunchProcesses>();
    launch->began_ = hold.began;
    if (!hold.job.empty()) {
        launch->job_.reset(::OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, hold.job.c_str()));
        launch->jobName_ = launch->job_ ? hold.job : std::wstring();
    }
    if (hold.started.id != 0) {
        UniqueKernelHandle process(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, hold.started.id));
        if (CreationTimeOf(process.get()) == hold.started.created) {
            launch->process_ = std::move(process);
            launch->processId_ = hold.started.id;
        }
    }
    return launch;
}

LaunchHold Win32LaunchProcesses::Hold() const {
    const std::optional<uint64_t> created = CreationTimeOf(process_.get());
    return {job_ ? jobName_ : std::wstring(),
            created ? ProcessIdentity{processId_, *created} : ProcessIdentity{}, began_};
}

bool Win32LaunchProcesses::Adopt(UniqueKernelHandle process) {
    process_ = std::move(process);
    processId_ = process_ ? ::GetProcessId(process_.get()) : 0;
    if (!job_ || !process_) {
        return true;
    }
    if (::AssignProcessToJobObject(job_.get(), process_.get())) {
        return true;
    }
    // Where the job cannot be had, the program still runs: its family is then itself alone.
    job_.reset();
    port_.reset();
    jobName_.clear();
    return false;
}

LaunchFamily Win32LaunchProcesses::Family() {
    if (job_) {
        if (std::optional<std::vector<uint32_t>> processes = ProcessesOfJob(job_.get())) {
            const bool ended = processes->empty();
            return {*std::move(processes), ended};
        }
    }
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        return {{processId_}, false};
    }
    return {{}, true};
}

std::optional<std::vector<uint32_t>> ProcessesOfJob(HANDLE job) {
    constexpr std::size_t kHeader = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
    std::size_t capacity = 32;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<ULONG_PTR> storage(kHeader / sizeof(ULONG_PTR) + capacity);  // aligned for the list
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(storage.data());
        const auto size = static_cast<DWORD>(storage.size() * sizeof(ULONG_PTR));
        const BOOL listed = ::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, size, nullptr);
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

}  // namespace resolaunch
