#pragma once

#include <chrono>

namespace resolaunch {

// The system does not promise to deliver every message of a job's completion
// port: once the port has been quiet this long, the job itself is asked
// whether any of its processes is left.
inline constexpr std::chrono::milliseconds kQuietJobPortCheck{2000};

// What a job's completion port gives its follower.
enum class JobPortEvent {
    NoProcessLeft,  // the job's last process has ended
    Other,          // a process started or ended, or a stop meant for another follower
    Quiet,          // nothing came for the time asked
    Stop,           // the follower is to return
};

class JobPort {
public:
    virtual ~JobPort() = default;
    // The next event, or Quiet after `quiet` without one.
    virtual JobPortEvent Next(std::chrono::milliseconds quiet) = 0;
    // True only when the job certainly has no live process.
    virtual bool Empty() = 0;
};

// Waits until the job's family has ended, also when the port's message of
// it never comes. False when told to stop first.
bool WaitForEmptyJob(JobPort& port);

}  // namespace resolaunch
