#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_identity.h"

namespace resolaunch {

// What the system tells of processes that are not ResoLaunch's own.
class ProcessFacts {
public:
    virtual ~ProcessFacts() = default;

    // Whether the process was started at or after `since` (LaunchProcesses::Began).
    virtual bool StartedSince(uint32_t processId, uint64_t since) = 0;

    // The full path of a process's executable; empty when it cannot be read.
    virtual std::wstring ImagePathOf(uint32_t processId) = 0;

    // Whether the shell started the process: its parent is the process of
    // the shell's desktop window, created before it (ids are reused).
    virtual bool StartedByShell(uint32_t processId) = 0;

    // The live processes whose executable's file name is `fileName`
    // (compared as the platform compares file names).
    virtual std::vector<uint32_t> ProcessesNamed(const std::wstring& fileName) = 0;

    // ResoLaunch's own process.
    virtual ProcessIdentity Self() = 0;
    // Whether that process still runs.
    virtual bool IsRunning(const ProcessIdentity& process) = 0;
    // The process of that id, while the system knows it (it runs, or a
    // handle to it is still open); nothing otherwise.
    virtual std::optional<ProcessIdentity> IdentityOf(uint32_t processId) = 0;
};

}  // namespace resolaunch
