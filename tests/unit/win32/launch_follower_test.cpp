#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>

#include "platform/win32_launch_follower.h"
#include "platform/win32_launch_processes.h"
#include "platform/win32_process_facts.h"
#include "platform/win32_program_starter.h"

namespace resolaunch {
namespace {

constexpr UINT kEnded = WM_APP + 7;

// The end the follower posts to this thread's queue; false when none came in time.
bool WaitForEnd(LaunchId launch, std::chrono::milliseconds timeout) {
    const ULONGLONG until = ::GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == kEnded && message.wParam == launch) {
                return true;
            }
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
    }
    return false;
}

// cmd hands ping over and ends at once; ping runs on for about two seconds.
TEST(Win32LaunchFollower, AKeeperWithWhatItStartsEndsOnlyWhenTheyAllHaveEnded) {
    MSG queue;
    ::PeekMessageW(&queue, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the follower's post
    Win32ProgramStarter starter;
    Win32ProcessFacts facts;
    // A console's first use in a Wine session without a desktop starts Wine's explorer.exe, which stays:
    // it is started here, outside the launches followed below.
    StartedProgram warmUp = starter.Start(L"cmd.exe /c exit", L"");
    ASSERT_NE(warmUp.processes, nullptr);
    ::WaitForSingleObject(static_cast<Win32LaunchProcesses&>(*warmUp.processes).Process(), 10000);
    for (int wait = 0; wait < 100 && facts.ProcessesNamed(L"explorer.exe").empty(); ++wait) {
        ::Sleep(50);
    }
    for (const bool descendants : {true, false}) {
        SCOPED_TRACE(descendants ? "with what it starts" : "the keeper alone");
        StartedProgram started = starter.Start(L"cmd.exe /c start \"\" /b ping -n 3 127.0.0.1", L"");
        ASSERT_NE(started.processes, nullptr) << testing::PrintToString(started.failureReason.size());
        auto& processes = static_cast<Win32LaunchProcesses&>(*started.processes);
        Win32LaunchFollower follower;
        follower.ReportEndsTo(nullptr, kEnded);
        follower.Follow(1, processes, FollowRule{false, processes.ProcessId(), descendants, L""});
        ASSERT_TRUE(WaitForEnd(1, std::chrono::seconds(20)));
        const bool pingRuns = !facts.ProcessesNamed(L"ping.exe").empty();
        EXPECT_EQ(pingRuns, !descendants);
        // The next round starts with no ping left.
        for (int wait = 0; wait < 100 && !facts.ProcessesNamed(L"ping.exe").empty(); ++wait) {
            ::Sleep(50);
        }
    }
}

// A process outside any job: its end is seen at once, not at the next look for what it started.
TEST(Win32LaunchFollower, TheEndOfAProcessOutsideTheJobIsSeenAtOnce) {
    MSG queue;
    ::PeekMessageW(&queue, nullptr, 0, 0, PM_NOREMOVE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    std::wstring line = L"ping -n 3 127.0.0.1";
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &created));
    ::CloseHandle(created.hThread);
    Win32LaunchProcesses processes;
    processes.Adopt(UniqueKernelHandle(created.hProcess));
    Win32LaunchFollower follower;
    follower.ReportEndsTo(nullptr, kEnded);
    follower.Follow(1, processes, FollowRule{false, created.dwProcessId, true, L""});
    ASSERT_EQ(::WaitForSingleObject(processes.Process(), 20000), WAIT_OBJECT_0);
    const ULONGLONG ended = ::GetTickCount64();
    ASSERT_TRUE(WaitForEnd(1, std::chrono::seconds(20)));
    EXPECT_LT(::GetTickCount64() - ended, 500u);
}

// The guard's hold of a launch: the job opened by its name, without its port.
// Its family's end is seen at once, also after the started program handed
// over to what it started.
TEST(Win32LaunchFollower, AJobHeldByItsNameIsFollowedToItsEndWithoutItsPort) {
    MSG queue;
    ::PeekMessageW(&queue, nullptr, 0, 0, PM_NOREMOVE);
    Win32ProgramStarter starter;
    StartedProgram started = starter.Start(L"cmd.exe /c start \"\" /b ping -n 3 127.0.0.1", L"");
    ASSERT_NE(started.processes, nullptr);
    const LaunchHold hold = started.processes->Hold();
    ASSERT_FALSE(hold.job.empty());
    EXPECT_NE(hold.started.id, 0u);
    const std::unique_ptr<Win32LaunchProcesses> held = Win32LaunchProcesses::Reopen(hold);
    ASSERT_NE(held->Job(), nullptr);
    EXPECT_EQ(held->Port(), nullptr);
    EXPECT_EQ(held->Hold(), hold);
    Win32LaunchFollower follower;
    follower.ReportEndsTo(nullptr, kEnded);
    follower.Follow(1, *held, FollowRule{});
    ASSERT_FALSE(WaitForEnd(1, std::chrono::milliseconds(1000))) << "it ended with ping still running";
    ASSERT_TRUE(WaitForEnd(1, std::chrono::seconds(20)));
    EXPECT_TRUE(held->Family().ended);
}

}  // namespace
}  // namespace resolaunch
