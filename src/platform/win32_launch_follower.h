#pragma once

#include <windows.h>

#include <thread>

#include "platform/launch_follower.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// A thread per followed launch: it waits on the job's completion port for
// the family's end, then for the processes its rule names, in the job or
// not: their ends are posted to the same port, and what they start is found
// as the job reports its new processes, or in a process snapshot at most once
// a second.
class Win32LaunchFollower final : public LaunchFollower {
public:
    Win32LaunchFollower();
    Win32LaunchFollower(const Win32LaunchFollower&) = delete;
    Win32LaunchFollower& operator=(const Win32LaunchFollower&) = delete;
    ~Win32LaunchFollower() override;  // stops following; the programs go on

    // Where the end of a followed launch is reported: `message`, with the
    // launch's number as wParam, posted to `window`, or with no window to
    // the calling thread's message queue.
    void ReportEndsTo(HWND window, UINT message);

    void Follow(LaunchId launch, LaunchProcesses& processes, const FollowRule& rule) override;
    void Stop() override;

private:
    HWND reportWindow_ = nullptr;
    DWORD reportThread_ = 0;
    UINT reportMessage_ = 0;
    unsigned follows_ = 0;
    HANDLE followedPort_ = nullptr;  // the followed launch's job's port, or ownPort_, while followed
    UniqueKernelHandle ownPort_;     // for a launch without a job
    UniqueKernelHandle stop_;        // set: the follower thread returns
    std::thread follower_;
};

}  // namespace resolaunch
