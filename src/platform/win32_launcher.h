#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "platform/launch_family.h"
#include "platform/program_starter.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// Starts each program in a job object of its own, so that everything it
// starts stays one family; the job only allows breaking away on request and
// never ends its processes, so ending ResoLaunch ends no program. A thread
// waits on the job's completion port for the family's end.
class Win32Launcher final : public ProgramStarter, public LaunchFamilies {
public:
    Win32Launcher();
    Win32Launcher(const Win32Launcher&) = delete;
    Win32Launcher& operator=(const Win32Launcher&) = delete;
    ~Win32Launcher() override;  // stops following; the programs go on

    // Where the end of a followed launch is reported: `message`, with the
    // launch's number as wParam, posted to `window`, or with no window to
    // the calling thread's message queue.
    void ReportEndsTo(HWND window, UINT message);

    ProgramLookup FindProgram(const std::wstring& commandText) override;
    StartOutcome Start(const std::wstring& commandText) override;
    LaunchFamily Family() override;
    bool StartedAfterLaunch(uint32_t processId) override;
    std::wstring ImagePathOf(uint32_t processId) override;
    bool StartedByShell(uint32_t processId) override;
    void FollowToEnd(uint32_t keeper) override;

private:
    struct Launch {
        LaunchId id = 0;
        ULONGLONG began = 0;  // system time as a FILETIME count, just before the start
        UniqueKernelHandle job;
        UniqueKernelHandle port;     // the job's completion port
        UniqueKernelHandle process;  // the started program; null when the shell kept it
        DWORD processId = 0;
    };

    void StopFollowing();
    static bool AskStartedByShell(uint32_t processId);

    LaunchId launches_ = 0;
    unsigned follows_ = 0;
    std::unique_ptr<Launch> latest_;
    // Whether a process was started after the latest launch began, with the
    // process held open.
    struct ProcessAge {
        UniqueKernelHandle process;
        bool startedAfter = false;
        std::optional<bool> startedByShell;  // asked once: a process snapshot is not cheap
    };
    std::map<DWORD, ProcessAge> startedAfter_;

    HWND reportWindow_ = nullptr;
    DWORD reportThread_ = 0;
    UINT reportMessage_ = 0;
    UniqueKernelHandle stopFollowing_;  // set: the follower thread returns
    UniqueKernelHandle keeper_;
    std::thread follower_;
};

}  // namespace resolaunch
