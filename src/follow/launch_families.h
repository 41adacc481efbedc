#pragma once

#include <cstdint>
#include <string>

#include "platform/launch_processes.h"

namespace resolaunch {

// What the rules for a launch's windows ask about the latest launch.
class LaunchFamilies {
public:
    virtual ~LaunchFamilies() = default;

    // The latest launch's family now.
    virtual LaunchFamily Family() = 0;
    // Whether a process was started after the latest launch began.
    virtual bool StartedAfterLaunch(uint32_t processId) = 0;
    // The full path of a process's executable; empty when it cannot be read.
    virtual std::wstring ImagePathOf(uint32_t processId) = 0;
    // Whether the shell started the process (ProcessFacts::StartedByShell).
    virtual bool StartedByShell(uint32_t processId) = 0;
};

}  // namespace resolaunch
