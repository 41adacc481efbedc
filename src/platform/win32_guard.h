#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/launch_guard.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// The owner's side: the guard is this same exe, started with the hidden
// --guard=<owner>,<pipe> outside any job where the system allows it, with
// no window, no standard handles and the read end of a pipe whose write end
// only this process holds: when this process ends, however it ends, the
// pipe breaks. The launch's job and processes are duplicated into it.
class Win32GuardProcess final : public GuardProcess {
public:
    std::optional<ProcessIdentity> Guard(LaunchProcesses& processes, uint32_t keeper) override;
    void Release() override;

private:
    bool StartGuard();
    void HandOver(HANDLE handle);

    UniqueKernelHandle guard_;  // the guard's process, while it is not let go
    UniqueKernelHandle pipe_;   // the write end
    ProcessIdentity identity_;
    std::set<std::wstring> handedJobs_;
    std::set<std::pair<uint32_t, uint64_t>> handedProcesses_;
};

// The guard's side: its inherited end of the pipe, and its owner's process.
class Win32GuardLink final : public GuardLink {
public:
    Win32GuardLink(const ProcessIdentity& owner, uint64_t pipe);

    void WaitForOwner() override;
    bool OwnerEnded() override;
    std::unique_ptr<LaunchProcesses> Reopen(const LaunchHold& hold) override;

private:
    UniqueKernelHandle pipe_;
    UniqueKernelHandle owner_;  // null when it had ended (or was another) already
};

}  // namespace resolaunch
