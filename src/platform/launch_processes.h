#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process_identity.h"

namespace resolaunch {

// Each start of a program gets a number of its own, counting from 1.
using LaunchId = uint32_t;

// The processes a launch has started, as they are now: the started program
// and everything it started, also after the started program has ended.
struct LaunchFamily {
    std::vector<uint32_t> liveProcesses;
    bool ended = false;  // no process of it is left
};

// What another process needs to take hold of a launch again: the name of
// its job (empty without one), its started process, when it began.
struct LaunchHold {
    std::wstring job;
    ProcessIdentity started;
    uint64_t began = 0;

    friend bool operator==(const LaunchHold&, const LaunchHold&) = default;
};

// What the platform holds of one started launch (its job, its first
// process); whoever started it owns it, and it is let go with it.
class LaunchProcesses {
public:
    virtual ~LaunchProcesses() = default;

    // The family now.
    virtual LaunchFamily Family() = 0;
    // When the start began, in the platform's own count of system time
    // (ProcessFacts::StartedSince compares with it).
    virtual uint64_t Began() const = 0;
    virtual LaunchHold Hold() const = 0;
};

}  // namespace resolaunch
