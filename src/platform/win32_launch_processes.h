#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/launch_processes.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// A launch's processes: a job of its own with its completion port when the
// system allowed one, else the started process alone (a shell's open may
// hand back none: the family has then ended at once). The job has a name
// for the guard to open it by, while any handle to it is open.
class Win32LaunchProcesses final : public LaunchProcesses {
public:
    // A job that reports to a completion port of its own, lets a process
    // break away only when it asks to, and never ends its processes; false
    // when the system refuses any part of it.
    bool CreateJob();
    // The launch as another process holds it (the guard): its job opened by
    // name, without the port, and its started process when it is the one of
    // the hold. What cannot be had is left out.
    static std::unique_ptr<Win32LaunchProcesses> Reopen(const LaunchHold& hold);
    // The process is in the launch; in its job when it has one and the
    // system allows it. False when it could not join the job.
    bool Adopt(UniqueKernelHandle process);
    void SetBegan(uint64_t began) { began_ = began; }

    LaunchFamily Family() override;
    uint64_t Began() const override { return began_; }
    LaunchHold Hold() const override;

    HANDLE Job() const { return job_.get(); }    // null without a job
    HANDLE Port() const { return port_.get(); }  // with the job
    HANDLE Process() const { return process_.get(); }
    DWORD ProcessId() const { return processId_; }

private:
    uint64_t began_ = 0;
    std::wstring jobName_;
    UniqueKernelHandle job_;
    UniqueKernelHandle port_;
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
};

// The live processes of a job; nothing when the system will not tell.
std::optional<std::vector<uint32_t>> ProcessesOfJob(HANDLE job);

}  // namespace resolaunch
