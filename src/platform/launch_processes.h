#pragma once

#include <cstdint>
#include <vector>

namespace resolaunch {

// Each start of a program gets a number of its own, counting from 1.
using LaunchId = uint32_t;

// The processes a launch has started, as they are now: the started program
// and everything it started, also after the started program has ended.
struct LaunchFamily {
    std::vector<uint32_t> liveProcesses;
    bool ended = false;  // no process of it is left
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
};

}  // namespace resolaunch
