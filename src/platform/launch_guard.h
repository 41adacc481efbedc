#pragma once

#include <memory>
#include <optional>

#include "platform/launch_processes.h"
#include "platform/process_identity.h"

namespace resolaunch {

// The guard, as the ResoLaunch that owes a restore sees it: a second
// ResoLaunch process, with no window and outside the game's job, that holds
// on to the launch and carries it to its end should this process be ended
// first.
class GuardProcess {
public:
    virtual ~GuardProcess() = default;

    // Starts the guard unless it runs, and has it hold the launch's job and
    // started process and `keeper` (0 for none), so that none of them, nor
    // their ids, can go while it runs. The guard; nothing when the system
    // refused.
    virtual std::optional<ProcessIdentity> Guard(LaunchProcesses& processes, uint32_t keeper) = 0;
    // Nothing is owed any more: the guard ends.
    virtual void Release() = 0;
};

// What the guard knows of its owner.
class GuardLink {
public:
    virtual ~GuardLink() = default;

    // Blocks, without any polling, until the owner has let the guard go or
    // has ended.
    virtual void WaitForOwner() = 0;
    // Whether the owner has ended (waits a moment for it: its handles close
    // just before it ends).
    virtual bool OwnerEnded() = 0;
    // The launch a record names, held in this process; null when none of it
    // can be had.
    virtual std::unique_ptr<LaunchProcesses> Reopen(const LaunchHold& hold) = 0;
};

}  // namespace resolaunch
