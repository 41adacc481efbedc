#pragma once

#include <cstdint>
#include <string>

#include "platform/launch_processes.h"

namespace resolaunch {

// What keeps a followed launch running.
struct FollowRule {
    bool family = true;  // its family, as long as any process of it lives
    // Then this process (0 for none), and with `descendants` every process
    // it starts, in the launch's job or not.
    uint32_t keeper = 0;
    bool descendants = false;
    // Then, when not empty, every process of this executable's file name
    // started since the launch began, with every process it starts.
    std::wstring named;

    friend bool operator==(const FollowRule&, const FollowRule&) = default;
};

// Follows one launch at a time to its end.
class LaunchFollower {
public:
    virtual ~LaunchFollower() = default;

    // Follows the launch until nothing its rule names is left, without busy
    // polling (processes outside the job are looked for at most once a
    // second). Its end is posted, with `launch`, to the thread's message
    // loop. Ends the following of any launch before.
    virtual void Follow(LaunchId launch, LaunchProcesses& processes, const FollowRule& rule) = 0;
    // Stops following; nothing is posted. Before the followed processes are let go.
    virtual void Stop() = 0;
};

}  // namespace resolaunch
