#pragma once
// What the benchmarks of a launch's end share (follow_time, guard_time): the
// phase marks that scripts/lib/bench-phases.sh reads, the time from a
// started program's end to the screen back, the figures of their runs, and
// the driver's command line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_under_test.h"
#include "bench_report.h"
#include "target_program.h"

namespace resolaunch::bench {

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

// Phase names, one a line, as each phase begins or ends. Each mark waits
// until the reader outside has noted it (it writes the count of marks read
// to PATH.read), so that ResoLaunch still runs when the last is read.
class PhaseMarks {
public:
    explicit PhaseMarks(const std::wstring& path) : path_(path), file_(_wfopen(path.c_str(), L"w")) {
        if (file_ == nullptr) {
            throw std::runtime_error("the phase file cannot be written");
        }
    }
    PhaseMarks(const PhaseMarks&) = delete;
    PhaseMarks& operator=(const PhaseMarks&) = delete;
    ~PhaseMarks() { std::fclose(file_); }
    void Mark(const char* phase) {
        std::fprintf(file_, "%s\n", phase);
        std::fflush(file_);
        ++marks_;
        const auto read = [&] {
            return std::atoi(e2e::ReadFileBytes(path_ + L".read").value_or("0").c_str()) >= marks_;
        };
        if (!e2e::WaitUntil(read, std::chrono::milliseconds(5000))) {
            throw std::runtime_error("nothing outside read the phase marks");
        }
    }

private:
    std::wstring path_;
    FILE* file_;
    int marks_ = 0;
};

inline constexpr e2e::ScreenSize kDesktopSize{1024, 768};
inline constexpr e2e::ScreenSize kSwitchedSize{800, 600};

// The process of the one start a target program's `report` names, opened to wait for.
inline HANDLE OpenStarted(const std::wstring& report) {
    const std::vector<e2e::TargetStart> starts = e2e::ReadTargetReport(report);
    const HANDLE process = starts.size() == 1 ? ::OpenProcess(SYNCHRONIZE, FALSE, starts[0].processId) : nullptr;
    if (process == nullptr) {
        throw std::runtime_error("the started program cannot be watched");
    }
    return process;
}

// Ms from the end of the program of `report` to the screen back at the
// desktop's size; both are looked at every millisecond.
inline double MsUntilRestored(const std::wstring& report) {
    const OwnedHandle process(OpenStarted(report));
    long long ended = 0;
    long long restored = 0;
    const bool seen = e2e::WaitUntil(
        [&] {
            const long long now = e2e::PerformanceCounter();
            if (ended == 0 && ::WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0) {
                ended = now;
            }
            if (restored == 0 && e2e::CurrentScreenSize() == kDesktopSize) {
                restored = now;
            }
            return ended != 0 && restored != 0;
        },
        std::chrono::milliseconds(15000), std::chrono::milliseconds(1));
    if (!seen) {
        throw std::runtime_error("the screen did not come back after the program's end");
    }
    return Ms(ended, restored);
}

// "  median M ms   min L ms   max H ms`goal`" and the runs on the next line.
inline std::string RunFigures(const std::vector<double>& ms, const char* goal = "") {
    const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
    std::string figures =
        Format("  median %.1f ms   min %.1f ms   max %.1f ms%s\n  runs:", Median(ms), *low, *high, goal);
    for (const double run : ms) {
        figures += Format(" %.1f", run);
    }
    return figures;
}

// The driver's whole run: `program` OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE
// [--runs N] [--wait SECONDS], then measure(output, runs, seconds) into the
// report. The desktop's own mode comes back whatever happened.
template <typename Measure>
int RunFollowDriver(int argc, wchar_t** argv, const char* usage, int runs, int waitSeconds, Measure&& measure) {
    const std::optional<std::wstring> output =
        ReadDriverArguments(argc, argv, usage, {{L"--runs", &runs, 1}, {L"--wait", &waitSeconds, 1}});
    if (!output) {
        return 2;
    }
    const int status = RunReport(*output, [&] { return measure(*output, runs, waitSeconds); });
    ::ChangeDisplaySettingsA(nullptr, 0);
    return status;
}

}  // namespace resolaunch::bench
