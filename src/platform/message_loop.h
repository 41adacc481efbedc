#pragma once

#include <chrono>
#include <functional>

#include "platform/program_starter.h"

namespace resolaunch {

// A steady clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::milliseconds Now() = 0;
};

// The thread's message loop for a front end without a window (the command
// line): it runs the loop ticker's calls, and hands on the end of a followed
// launch (LaunchFamilies::FollowToEnd).
class MessageLoop {
public:
    virtual ~MessageLoop() = default;
    virtual void OnLaunchEnded(std::function<void(LaunchId)> handler) = 0;
    // Runs the loop until `done` holds, checked after each message or call.
    virtual void RunUntil(const std::function<bool()>& done) = 0;
};

}  // namespace resolaunch
