// Times the following of a launch. With ゲーム終了時に解像度を戻す checked and
// 解像度変更＞起動 pressed: from the end of the started program's last process
// to the screen back at the desktop's own mode. Then ResoLaunch's processor
// time while it waits for a program that runs on, given per hour.
//
//   follow_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N] [--wait SECONDS]
//
// The started program is TARGET_EXE (delayed_window.exe), which ends by itself
// a little after it has shown its window. The end and the screen's size are
// looked at every millisecond. N runs (10 by default) give the median, min
// and max; the wait lasts SECONDS (300 by default).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_under_test.h"
#include "bench_report.h"
#include "target_program.h"

namespace {

using namespace resolaunch::bench;
using namespace resolaunch::e2e;

constexpr int kDefaultRuns = 10;
constexpr int kDefaultWaitSeconds = 300;
constexpr ScreenSize kDesktopSize{1024, 768};
constexpr ScreenSize kSwitchedSize{800, 600};

// A handle that is closed at the end of its scope.
struct OwnedHandle {
    HANDLE handle;
    explicit OwnedHandle(HANDLE h) : handle(h) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (handle != nullptr) {
            ::CloseHandle(handle);
        }
    }
};

class Bench {
public:
    Bench() {
        std::string error;
        const InitialFile ini{L"ResoLaunch.ini", "[Options]\r\nRestoreWhenProgramEnds=1\r\n"};
        if (!scratch_.Create(L"ResoLaunchBench-follow-", &error) || !app_.Start(&error, {ini})) {
            throw std::runtime_error(error);
        }
        program_ = scratch_.Path() + L"\\delayed_window.exe";
        if (!PlaceTargetProgram(program_, L"", &error)) {
            throw std::runtime_error(error);
        }
        switched_ = app_.ListIndexOf(ExpectedModeEntry(32, kSwitchedSize.width, kSwitchedSize.height));
        if (switched_ < 0) {
            throw std::runtime_error("ResoLaunch lists no 800 x 600 32-bit mode");
        }
    }

    // One 解像度変更＞起動 of a program that ends 1.5 s after its start: ms from
    // its end to the screen back at the desktop's size.
    double Restore(int number) {
        const std::wstring title = L"Followed" + std::to_wstring(number);
        const std::wstring report = scratch_.Path() + L"\\follow-" + std::to_wstring(number) + L".txt";
        Launch(kChangeModeAndLaunch, title, report, 1500);
        if (CurrentScreenSize() != kSwitchedSize) {
            throw std::runtime_error("the screen was not switched");
        }
        const OwnedHandle process(OpenStarted(report));
        long long ended = 0;
        long long restored = 0;
        const bool seen = WaitUntil(
            [&] {
                const long long now = PerformanceCounter();
                if (ended == 0 && ::WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0) {
                    ended = now;
                }
                if (restored == 0 && CurrentScreenSize() == kDesktopSize) {
                    restored = now;
                }
                return ended != 0 && restored != 0;
            },
            std::chrono::milliseconds(15000), std::chrono::milliseconds(1));
        if (!seen) {
            throw std::runtime_error("the screen did not come back after the program's end");
        }
        if (!app_.WaitUntilPostedHandled()) {
            throw std::runtime_error("ResoLaunch did not finish the press");
        }
        return Ms(ended, restored);
    }

    // ResoLaunch's processor time, in ms, over `seconds` of a launch that runs on.
    double ProcessorTimeWhileWaiting(int seconds) {
        const std::wstring report = scratch_.Path() + L"\\long-run.txt";
        Launch(kLaunchAndStay, L"LongRun", report, (seconds + 60) * 1000);
        const OwnedHandle program(OpenStarted(report));
        const OwnedHandle resolaunch(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(app_.Main())));
        const double before = ProcessorTimeMs(resolaunch.handle);
        if (::WaitForSingleObject(program.handle, static_cast<DWORD>(seconds) * 1000) != WAIT_TIMEOUT) {
            throw std::runtime_error("the program ended during the wait");
        }
        return ProcessorTimeMs(resolaunch.handle) - before;
    }

private:
    void Launch(const wchar_t* button, const std::wstring& title, const std::wstring& report, int lifetimeMs) {
        targets_.Watch(report);
        const std::wstring command = Quoted(program_) + L" --title " + title + L" --lifetime " +
                                     std::to_wstring(lifetimeMs) + L" --report " + Quoted(report);
        if (!app_.SetText(TextField::Executable, command) || !app_.SelectListEntry(switched_) ||
            !app_.Press(app_.Button(button))) {
            throw std::runtime_error("ResoLaunch did not take the launch");
        }
        if (!WaitUntil([&] { return !WindowsTitled(title).empty(); }, kSlowStateTimeout) ||
            !app_.WaitUntilPostedHandled()) {
            throw std::runtime_error("the program's window did not appear");
        }
    }

    static HANDLE OpenStarted(const std::wstring& report) {
        const std::vector<TargetStart> starts = ReadTargetReport(report);
        const HANDLE process =
            starts.size() == 1 ? ::OpenProcess(SYNCHRONIZE, FALSE, starts[0].processId) : nullptr;
        if (process == nullptr) {
            throw std::runtime_error("the started program cannot be watched");
        }
        return process;
    }

    static double ProcessorTimeMs(HANDLE process) {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
            throw std::runtime_error(LastError("GetProcessTimes"));
        }
        const auto count = [](const FILETIME& t) {
            return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
        };
        return (count(kernel) + count(user)) / 10000.0;
    }

    // Destroyed last to first: ResoLaunch ends, then the started programs,
    // then their folder goes.
    ScratchFolder scratch_;
    TargetPrograms targets_;
    AppUnderTest app_;
    std::wstring program_;
    int switched_ = -1;
};

std::string Measure(int runs, int waitSeconds) {
    const FineTimer timer;
    Bench bench;
    std::vector<double> restores;
    for (int run = 1; run <= runs; ++run) {
        restores.push_back(bench.Restore(run));
    }
    const auto [low, high] = std::minmax_element(restores.begin(), restores.end());
    std::string report = Format(
        "restore at the end: the started program's end until the screen is back at %dx%d (%d runs)\n"
        "  median %.1f ms   min %.1f ms   max %.1f ms\n  runs:",
        kDesktopSize.width, kDesktopSize.height, runs, Median(restores), *low, *high);
    for (const double ms : restores) {
        report += Format(" %.1f", ms);
    }
    const double processorMs = bench.ProcessorTimeWhileWaiting(waitSeconds);
    return report + Format("\nwaiting for a running program: ResoLaunch used %.1f ms of processor time in %d s, "
                           "%.1f ms per hour\n",
                           processorMs, waitSeconds, processorMs * 3600.0 / waitSeconds);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = kDefaultRuns;
    int waitSeconds = kDefaultWaitSeconds;
    const std::optional<std::wstring> output = ReadDriverArguments(
        argc, argv, "follow_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N (1+)] [--wait SECONDS (1+)]",
        {{L"--runs", &runs, 1}, {L"--wait", &waitSeconds, 1}});
    if (!output) {
        return 2;
    }
    const int status = RunReport(*output, [&] { return Measure(runs, waitSeconds); });
    ::ChangeDisplaySettingsA(nullptr, 0);  // the desktop's own mode again, whatever happened
    return status;
}
