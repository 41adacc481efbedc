#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resolaunch {

// A process as it stays known while it runs: its id, and when it was created
// (ids are reused).
struct ProcessIdentity {
    uint32_t id = 0;
    uint64_t created = 0;  // in the platform's count of system time

    friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
};

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
};

}  // namespace resolaunch
