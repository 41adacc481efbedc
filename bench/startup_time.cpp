// Measures how long programs take from CreateProcess until their first
// visible top-level window and writes the figures to a file (a program
// started by Wine's explorer has no usable stdout or exit code) and stdout.
//
//   startup_time.exe OUTPUT_FILE EXE EXE... [--runs N] [--poll]
//
// Typically ResoLaunch.exe, then its baselines from the most to the least
// work: layout_window.exe (the same window, no mode table, no settings) and
// bare_window.exe. Each exe runs from a copy in a fresh temporary folder: one
// uncounted warm-up run each, then N counted runs each (20 by default), the
// order turning every round so that each program takes every place in it.
// After each run the window gets WM_CLOSE and the process is awaited
// (terminated only if it overstays a deadline). The report gives each
// program's median and the ratio of medians of each program to each later
// one.
//
// The window is noticed through an out-of-context WinEvent hook; where the
// hook reports nothing (the warm-up runs find out), or with --poll,
// EnumWindows searches every millisecond instead. Under Wine every call on
// another process's window is a wineserver request the started program
// queues behind: one EnumWindows search cost about 0.25 ms against 0.02 ms
// for IsWindowVisible.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_report.h"
#include "win32_test_util.h"

namespace {

using namespace resolaunch::bench;
using namespace resolaunch::win32_test;

constexpr int kDefaultRuns = 20;
constexpr DWORD kWindowDeadlineMs = 30000;
constexpr DWORD kExitDeadlineMs = 10000;

// The goals for ratios of medians, by the programs' file names.
struct Goal {
    const char* program;
    const char* baseline;
    double ratio;
};
constexpr Goal kGoals[] = {
    {"ResoLaunch.exe", "bare_window.exe", 1.15},
    {"ResoLaunch.exe", "layout_window.exe", 1.05},
};

struct Program {
    std::wstring source;
    std::wstring folder;  // the fresh folder it is started from
    std::wstring copy;
    std::string name;
    std::string windowClass;  // of the window first seen, to show what was timed
    std::vector<double> runsMs;
    int forcedExits = 0;
    int failedExits = 0;  // exit code other than 0
};

// A fresh folder under `root` holding a copy of the program's exe.
void CopyToFreshFolder(Program& program, const std::wstring& root, int index) {
    program.folder = root + L"\\" + std::to_wstring(index);
    if (!::CreateDirectoryW(program.folder.c_str(), nullptr)) {
        throw std::runtime_error(LastError("CreateDirectoryW"));
    }
    program.copy = program.folder + L"\\" + FileNameOf(program.source);
    if (!::CopyFileW(program.source.c_str(), program.copy.c_str(), TRUE)) {
        throw std::runtime_error(LastError("CopyFileW for " + Utf8(program.source)));
    }
}

// How the first visible window of a started program is noticed.
enum class Watch {
    Hook,  // a WinEvent hook names the process's top-level windows: no search
    Poll,  // EnumWindows every millisecond
    Both,  // both at once, to find out whether the hook works here
};

// Filled by the WinEvent hook, which runs on this thread while it pumps messages.
struct WatchedProcess {
    DWORD processId = 0;
    std::vector<HWND> created;  // its top-level windows, visible or not
    HWND shown = nullptr;       // the first one reported visible
    LONGLONG shownAt = 0;
};
WatchedProcess g_watched;

void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    const LONGLONG now = PerformanceCounter();
    if (object != OBJID_WINDOW || child != CHILDID_SELF || window == nullptr) {
        return;
    }
    if (ProcessOf(window) != g_watched.processId || ::GetAncestor(window, GA_PARENT) != ::GetDesktopWindow()) {
        return;
    }
    if (event == EVENT_OBJECT_CREATE) {
        g_watched.created.push_back(window);
    } else if (event == EVENT_OBJECT_SHOW && g_watched.shown == nullptr && ::IsWindowVisible(window)) {
        g_watched.shown = window;
        g_watched.shownAt = now;
    }
}

void PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

struct Start {
    double ms = 0;
    bool hookSawIt = false;
};

// One start: the time until the first visible top-level window.
Start TimeOneStart(Program& program, Watch watch) {
    std::wstring commandLine = L"\"" + program.copy + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};

    // Started suspended, so that the hook knows the process id before the
    // program can create anything.
    const LONGLONG start = PerformanceCounter();
    if (!CreateProcessRetried(program.copy, commandLine, CREATE_SUSPENDED, program.folder, startup, process)) {
        throw std::runtime_error(LastError("CreateProcessW for " + program.name));
    }
    g_watched = WatchedProcess{};
    g_watched.processId = process.dwProcessId;
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);

    // Waits on the process too, so that a program that dies without a
    // window is noticed at once.
    HWND window = nullptr;
    LONGLONG shown = 0;
    bool hookSawIt = false;
    for (;;) {
        PumpMessages();
        if (watch != Watch::Poll && g_watched.shown != nullptr) {
            window = g_watched.shown;
            shown = g_watched.shownAt;
            hookSawIt = true;
            break;
        }
        if (watch != Watch::Poll && (window = FirstOf(g_watched.created, ::IsWindowVisible)) != nullptr) {
            hookSawIt = true;
        } else if (watch != Watch::Hook) {
            window = FirstOf(TopLevelWindows(), [&](HWND candidate) {
                return ProcessOf(candidate) == process.dwProcessId && ::IsWindowVisible(candidate);
            });
        }
        if (window != nullptr) {
            shown = PerformanceCounter();
            break;
        }
        const double waited = Ms(start, PerformanceCounter());
        if (waited > kWindowDeadlineMs) {
            ::TerminateProcess(process.hProcess, 1);
            ::CloseHandle(process.hProcess);
            throw std::runtime_error(program.name + " showed no window within the deadline");
        }
        // With nothing to ask yet, only a hook message or the process's end
        // can change anything.
        const bool idle = watch == Watch::Hook && g_watched.created.empty();
        const DWORD timeout = idle ? kWindowDeadlineMs - static_cast<DWORD>(waited) : 1;
        if (::MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, timeout, QS_ALLINPUT) == WAIT_OBJECT_0) {
            ::CloseHandle(process.hProcess);
            throw std::runtime_error(program.name + " exited without showing a window");
        }
    }
    if (watch == Watch::Both && !hookSawIt) {
        // The hook's report may still be on its way.
        const LONGLONG pollSaw = PerformanceCounter();
        while (!hookSawIt && Ms(pollSaw, PerformanceCounter()) < 500) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            PumpMessages();
            hookSawIt = g_watched.shown == window || std::find(g_watched.created.begin(), g_watched.created.end(),
                                                               window) != g_watched.created.end();
        }
    }
    const Start result{Ms(start, shown), hookSawIt};

    if (program.windowClass.empty()) {
        wchar_t className[256] = L"";
        ::GetClassNameW(window, className, 256);
        program.windowClass = Utf8(className);
    }

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, kExitDeadlineMs) != WAIT_OBJECT_0) {
        ++program.forcedExits;
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, kExitDeadlineMs);
    } else {
        DWORD exitCode = 0;
        if (::GetExitCodeProcess(process.hProcess, &exitCode) && exitCode != 0) {
            ++program.failedExits;
        }
    }
    ::CloseHandle(process.hProcess);
    return result;
}

std::string Summary(const Program& program) {
    const auto [low, high] = std::minmax_element(program.runsMs.begin(), program.runsMs.end());
    std::string line = Format("%-18s median %8.1f ms   min %8.1f ms   max %8.1f ms   (window class %s",
                              program.name.c_str(), Median(program.runsMs), *low, *high, program.windowClass.c_str());
    if (program.forcedExits > 0) {
        line += Format("; %d runs had to be terminated", program.forcedExits);
    }
    if (program.failedExits > 0) {
        line += Format("; %d runs exited with a non-zero code", program.failedExits);
    }
    return line + ")\n";
}

std::string RunList(const Program& program) {
    std::string line = Format("runs of %s (ms):", program.name.c_str());
    for (double ms : program.runsMs) {
        line += Format(" %.1f", ms);
    }
    return line + "\n";
}

std::string Ratio(const Program& program, const Program& baseline) {
    const double ratio = Median(program.runsMs) / Median(baseline.runsMs);
    std::string line = Format("ratio of medians %s/%s: %.3f", program.name.c_str(), baseline.name.c_str(), ratio);
    for (const Goal& goal : kGoals) {
        if (program.name == goal.program && baseline.name == goal.baseline) {
            line += Format(" (goal <= %.2f: %s)", goal.ratio, ratio <= goal.ratio ? "met" : "NOT met");
        }
    }
    return line + "\n";
}

// The order of round `round`: turned by one place each round and reversed
// every other pass, so that over 2 * n rounds each program runs after each
// other one and in each place equally often.
std::vector<std::size_t> RoundOrder(std::size_t n, int round) {
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const std::size_t r = static_cast<std::size_t>(round);
    std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(r % n), order.end());
    if ((r / n) % 2 == 1) {
        std::reverse(order.begin(), order.end());
    }
    return order;
}

std::string Measure(std::vector<Program>& programs, int runs, bool forcePoll) {
    const FineTimer timer;
    // EVENT_OBJECT_SHOW tells at once that a window became visible; Wine 8 does
    // not send it, but it does send EVENT_OBJECT_CREATE, after which asking the
    // new windows whether they are visible is a single cheap call each.
    const std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, decltype(&::UnhookWinEvent)> hook(
        forcePoll ? nullptr
                  : ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, OnWindowEvent, 0, 0,
                                      WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS),
        &::UnhookWinEvent);
    // The warm-up runs, not counted, also find out whether the hook works;
    // where it does not, the counted runs poll.
    Watch watch = hook ? Watch::Both : Watch::Poll;
    for (Program& program : programs) {
        if (!TimeOneStart(program, watch).hookSawIt) {
            watch = Watch::Poll;
        }
    }
    if (watch == Watch::Both) {
        watch = Watch::Hook;
    }
    for (int round = 0; round < runs; ++round) {
        for (std::size_t i : RoundOrder(programs.size(), round)) {
            programs[i].runsMs.push_back(TimeOneStart(programs[i], watch).ms);
        }
    }

    std::string report = Format(
        "start-up time: CreateProcess until the first visible top-level window, seen by %s; %d runs each after 1 "
        "warm-up run, alternating\n",
        watch == Watch::Hook ? "a WinEvent hook (EVENT_OBJECT_CREATE/SHOW)" : "polling EnumWindows every 1 ms", runs);
    for (const Program& program : programs) {
        report += Summary(program);
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
        for (std::size_t j = i + 1; j < programs.size(); ++j) {
            report += Ratio(programs[i], programs[j]);
        }
    }
    for (const Program& program : programs) {
        report += RunList(program);
    }
    return report;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args;
    bool forcePoll = false;
    int runs = kDefaultRuns;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--poll") == 0) {
            forcePoll = true;
        } else if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) {
            runs = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: startup_time.exe OUTPUT_FILE EXE EXE... [--runs N] [--poll]\n");
        return 2;
    }
    const std::wstring output = args[0];

    std::vector<Program> programs(args.size() - 1);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        programs[i].source = args[1 + i];
        programs[i].name = Utf8(FileNameOf(programs[i].source));
    }

    std::wstring root;
    std::string report;
    int status = 0;
    try {
        if (runs < 1) {
            throw std::runtime_error("RUNS must be at least 1");
        }
        std::string error;
        root = MakeTempFolder(L"resolaunch-startup-", &error);
        if (root.empty()) {
            throw std::runtime_error(error);
        }
        for (std::size_t i = 0; i < programs.size(); ++i) {
            CopyToFreshFolder(programs[i], root, static_cast<int>(i));
        }
        report = Measure(programs, runs, forcePoll);
    } catch (const std::exception& failure) {
        report = std::string("error: ") + failure.what() + "\n";
        status = 1;
    }
    if (!root.empty()) {
        DeleteTree(root);
    }

    return FinishReport(output, report, status);
}
