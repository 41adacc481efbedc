// Times the guard. With ゲーム終了時に解像度を戻す checked and 解像度変更＞起動
// pressed, ResoLaunch is ended as the Task Manager ends it while the started
// program runs: from the program's end to the screen back at the desktop's
// own mode, which the guard alone makes. Then it marks, in
// OUTPUT_FILE.phases, a wait of the guard alone for a program that runs on,
// for scripts/bench-guard.sh to read its processor time from outside, and
// reports the guard's memory as the system counts it.
//
//   guard_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N] [--wait SECONDS]
//
// The started program is TARGET_EXE (delayed_window.exe), which ends by itself
// 3 s after its start. N runs (10 by default) give the median, min and max;
// the wait lasts SECONDS (300 by default).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_under_test.h"
#include "bench_report.h"
#include "follow_bench.h"
#include "target_program.h"

namespace {

using namespace resolaunch::bench;
using namespace resolaunch::e2e;

constexpr int kDefaultRuns = 10;
constexpr int kDefaultWaitSeconds = 300;

class Bench {
public:
    Bench() {
        std::string error;
        if (!scratch_.Create(L"ResoLaunchBench-guard-", &error)) {
            throw std::runtime_error(error);
        }
        program_ = scratch_.Path() + L"\\delayed_window.exe";
        if (!PlaceTargetProgram(program_, L"", &error)) {
            throw std::runtime_error(error);
        }
    }

    // One 解像度変更＞起動 of a program that ends 3 s after its start,
    // ResoLaunch ended meanwhile: ms from the program's end to the screen back.
    double Restore(int number) {
        const std::wstring report = scratch_.Path() + L"\\guarded-" + std::to_wstring(number) + L".txt";
        const OwnedHandle guard(LaunchAndKill(L"Guarded" + std::to_wstring(number), report, 3000, nullptr));
        const OwnedHandle program(OpenStarted(report));
        if (::WaitForSingleObject(program.handle, 0) != WAIT_TIMEOUT || CurrentScreenSize() != kSwitchedSize) {
            throw std::runtime_error("the program ended, or the screen came back, before the benchmark looked");
        }
        const double ms = MsUntilRestored(report);
        if (::WaitForSingleObject(guard.handle, 5000) != WAIT_OBJECT_0) {
            throw std::runtime_error("the guard did not end after the restore");
        }
        return ms;
    }

    // `seconds` of the guard alone with a program that runs on, marked; its
    // memory then, as "private KiB, working set KiB".
    std::string WaitWhileRunning(PhaseMarks& marks, int seconds) {
        const std::wstring title = L"LongGuarded";
        const std::wstring report = scratch_.Path() + L"\\long-guarded.txt";
        const OwnedHandle baseline(StartIdle());
        const OwnedHandle guard(LaunchAndKill(title, report, (seconds + 60) * 1000, &marks));
        const OwnedHandle program(OpenStarted(report));
        ::Sleep(1000);  // past the guard's take-over, so that only its wait is measured
        marks.Mark("guard-wait-begin");
        if (::WaitForSingleObject(program.handle, static_cast<DWORD>(seconds) * 1000) != WAIT_TIMEOUT) {
            throw std::runtime_error("the program ended during the wait");
        }
        marks.Mark("guard-wait-end");
        ::TerminateProcess(baseline.handle, 0);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof(memory);
        const bool counted = ::GetProcessMemoryInfo(guard.handle, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                                    sizeof(memory));
        for (HWND window : WindowsTitled(title)) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
        MsUntilRestored(report);
        return counted ? Format("%llu KiB private, %llu KiB working set",
                                static_cast<unsigned long long>(memory.PrivateUsage / 1024),
                                static_cast<unsigned long long>(memory.WorkingSetSize / 1024))
                       : std::string("not told by the system");
    }

private:
    // idle_process.exe, beside this driver: the baseline of the memory figures.
    static HANDLE StartIdle() {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring driver(self);
        std::wstring line = Quoted(driver.substr(0, driver.rfind(L'\\')) + L"\\idle_process.exe");
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
            throw std::runtime_error("the baseline idle_process.exe could not be started");
        }
        ::CloseHandle(started.hThread);
        return started.hProcess;
    }

    // Starts ResoLaunch, presses 解像度変更＞起動 for a program that lives
    // `lifetimeMs`, ends ResoLaunch once its window is placed; the guard.
    // With `marks`, the guard's figures are noted while its owner still runs too.
    HANDLE LaunchAndKill(const std::wstring& title, const std::wstring& report, int lifetimeMs, PhaseMarks* marks) {
        // Its folder goes only once the guard, which runs its exe, has ended.
        app_.reset();
        AppUnderTest& app = app_.emplace();
        std::string error;
        if (!app.Start(&error, {InitialFile{L"ResoLaunch.ini", "[Options]\r\nRestoreWhenProgramEnds=1\r\n"}})) {
            throw std::runtime_error(error);
        }
        const int switched = app.ListIndexOf(ExpectedModeEntry(32, kSwitchedSize.width, kSwitchedSize.height));
        targets_.Watch(report);
        const std::wstring command = Quoted(program_) + L" --title " + title + L" --lifetime " +
                                     std::to_wstring(lifetimeMs) + L" --report " + Quoted(report);
        if (switched < 0 || !app.SetText(TextField::Executable, command) || !app.SelectListEntry(switched) ||
            !app.Press(app.Button(kChangeModeAndLaunch))) {
            throw std::runtime_error("ResoLaunch did not take the launch");
        }
        if (!WaitUntil([&] { return !WindowsTitled(title).empty(); }, kSlowStateTimeout) ||
            !app.WaitUntilPostedHandled()) {
            throw std::runtime_error("the program's window did not appear");
        }
        // The guard starts once the window is placed and the launch followed.
        std::vector<DWORD> guards;
        WaitUntil([&] { return (guards = ResoLaunchProcesses(app.ProcessId())).size() == 1; });
        if (guards.size() != 1) {
            throw std::runtime_error(Format("%d guards run, not one", static_cast<int>(guards.size())));
        }
        // The record names the launch only once the handler that started the guard is over.
        if (!app.WaitUntilPostedHandled()) {
            throw std::runtime_error("ResoLaunch did not finish the press");
        }
        const HANDLE guard = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, guards[0]);
        if (marks != nullptr) {
            marks->Mark("owner-alive-begin");
            marks->Mark("owner-alive-end");
        }
        app.Kill();
        if (guard == nullptr || CurrentScreenSize() != kSwitchedSize) {
            throw std::runtime_error("no guard, or the screen was not switched");
        }
        return guard;
    }

    ScratchFolder scratch_;
    TargetPrograms targets_;
    std::optional<AppUnderTest> app_;
    std::wstring program_;
};

std::string Measure(const std::wstring& output, int runs, int waitSeconds) {
    Bench bench;
    std::vector<double> restores;
    for (int run = 1; run <= runs; ++run) {
        restores.push_back(bench.Restore(run));
    }
    std::string report =
        Format("the guard's restore, ResoLaunch ended meanwhile: the started program's end until the screen is back "
               "at %dx%d (%d runs)\n",
               kDesktopSize.width, kDesktopSize.height, runs) +
        RunFigures(restores, " (goal: median <= 1000 ms)");
    PhaseMarks marks(output + L".phases");
    const std::string memory = bench.WaitWhileRunning(marks, waitSeconds);
    report += "\nthe guard's memory after its wait, as Wine counts it: " + memory + "\n";
    return report;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    return RunFollowDriver(
        argc, argv, "guard_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N (1+)] [--wait SECONDS (1+)]",
        kDefaultRuns, kDefaultWaitSeconds, Measure);
}
