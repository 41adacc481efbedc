#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/program_starter.h"

namespace resolaunch {

// The processes a launch has started, as they are now: the started program
// and everything it started, also after the started program has ended.
struct LaunchFamily {
    std::vector<uint32_t> liveProcesses;
    bool ended = false;  // no process of it is left
};

// The family of the latest launch, and its end.
class LaunchFamilies {
public:
    virtual ~LaunchFamilies() = default;

    // The latest launch's family now.
    virtual LaunchFamily Family() = 0;
    // Whether a process was started after the latest launch began.
    virtual bool StartedAfterLaunch(uint32_t processId) = 0;

    // The full path of a process's executable; empty when it cannot be read.
    virtual std::wstring ImagePathOf(uint32_t processId) = 0;

    // Whether the shell started the process: its parent is the process of
    // the shell's desktop window, created before it (ids are reused).
    virtual bool StartedByShell(uint32_t processId) = 0;

    // Follows the latest launch until its family has ended and, after that,
    // `keeper` (a process id; 0 for none) has ended too. Its end is posted to
    // the thread's message loop, without any polling.
    virtual void FollowToEnd(uint32_t keeper) = 0;
};

}  // namespace resolaunch
