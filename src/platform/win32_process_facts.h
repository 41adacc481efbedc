#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "platform/process_facts.h"
#include "platform/win32_handles.h"

namespace resolaunch {

class Win32ProcessFacts final : public ProcessFacts {
public:
    bool StartedSince(uint32_t processId, uint64_t since) override;
    std::wstring ImagePathOf(uint32_t processId) override;
    bool StartedByShell(uint32_t processId) override;
    std::vector<uint32_t> ProcessesNamed(const std::wstring& fileName) override;
    ProcessIdentity Self() override;
    bool IsRunning(const ProcessIdentity& process) override;
    std::optional<ProcessIdentity> IdentityOf(uint32_t processId) override;

private:
    // What is known of a process, kept with the process held open: while it
    // is, its id cannot pass to another process, so the facts stay true of it.
    struct Known {
        UniqueKernelHandle process;
        uint64_t created = 0;
        std::optional<bool> startedByShell;  // asked once: a process snapshot is not cheap
    };
    Known* Find(uint32_t processId);
    void ForgetEnded();

    std::map<DWORD, Known> known_;
};

}  // namespace resolaunch
