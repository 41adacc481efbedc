// Measures how long two programs take from CreateProcess until their first
// visible top-level window and writes the figures to a file (a program
// started by Wine's explorer has no usable stdout or exit code) and stdout.
//
//   startup_time.exe OUTPUT_FILE PROGRAM_EXE BASELINE_EXE [RUNS] [--poll]
//
// Each exe runs from a copy in a fresh temporary folder: one uncounted
// warm-up run each, then RUNS counted runs each (20 by default), the order
// flipping every round. After each run the window gets WM_CLOSE and the
// process is awaited (terminated only if it overstays a deadline).
//
// The window is noticed through an out-of-context WinEvent hook; where the
// hook reports nothing (the warm-up runs find out), or with --poll,
// EnumWindows searches every millisecond instead. Under Wine every call on
// another process's window is a wineserver request the started program
// queues behind: one EnumWindows search cost about 0.25 ms against 0.02 ms
// for IsWindowVisible.
#include <windows.h>
#include <timeapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "win32_test_util.h"

namespace {

using namespace resolaunch::win32_test;

constexpr int kDefaultRuns = 20;
constexpr DWORD kWindowDeadlineMs = 30000;
constexpr DWORD kExitDeadlineMs = 10000;
constexpr double kGoalRatio = 1.15;

#ifdef __GNUC__
#define RESOLAUNCH_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#else
#define RESOLAUNCH_PRINTF_LIKE
#endif

RESOLAUNCH_PRINTF_LIKE std::string Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

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

double Ms(LONGLONG from, LONGLONG to) {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value{};
        ::QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency);
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
    if (!::CreateProcessW(program.copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          program.folder.c_str(), &startup, &process)) {
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

// The 1 ms waits between polls need a 1 ms timer on Windows (Wine has one anyway).
struct FineTimer {
    FineTimer() { ::timeBeginPeriod(1); }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;
    ~FineTimer() { ::timeEndPeriod(1); }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
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

// Writes next to the target and renames, so that a reader waiting for the
// file never sees half of it.
bool WriteReport(const std::wstring& path, const std::string& text) {
    const std::wstring partial = path + L".partial";
    FILE* file = _wfopen(partial.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed && ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
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
        for (std::size_t i = 0; i < programs.size(); ++i) {
            Program& program = programs[round % 2 == 0 ? i : programs.size() - 1 - i];
            program.runsMs.push_back(TimeOneStart(program, watch).ms);
        }
    }

    std::string report = Format(
        "start-up time: CreateProcess until the first visible top-level window, seen by %s; %d runs each after 1 "
        "warm-up run, alternating\n",
        watch == Watch::Hook ? "a WinEvent hook (EVENT_OBJECT_CREATE/SHOW)" : "polling EnumWindows every 1 ms", runs);
    for (const Program& program : programs) {
        report += Summary(program);
    }
    const double ratio = Median(programs[0].runsMs) / Median(programs[1].runsMs);
    report += Format("ratio of medians %s/%s: %.3f (goal <= %.2f: %s)\n", programs[0].name.c_str(),
                     programs[1].name.c_str(), ratio, kGoalRatio, ratio <= kGoalRatio ? "met" : "NOT met");
    for (const Program& program : programs) {
        report += RunList(program);
    }
    return report;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args;
    bool forcePoll = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--poll") == 0) {
            forcePoll = true;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.size() < 3 || args.size() > 4) {
        std::fprintf(stderr, "usage: startup_time.exe OUTPUT_FILE PROGRAM_EXE BASELINE_EXE [RUNS] [--poll]\n");
        return 2;
    }
    const std::wstring output = args[0];
    const int runs = args.size() == 4 ? static_cast<int>(std::wcstol(args[3].c_str(), nullptr, 10)) : kDefaultRuns;

    std::vector<Program> programs(2);
    for (int i = 0; i < 2; ++i) {
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
        for (int i = 0; i < 2; ++i) {
            CopyToFreshFolder(programs[i], root, i);
        }
        report = Measure(programs, runs, forcePoll);
    } catch (const std::exception& failure) {
        report = std::string("error: ") + failure.what() + "\n";
        status = 1;
    }
    if (!root.empty()) {
        DeleteTree(root);
    }

    std::fputs(report.c_str(), stdout);
    if (!WriteReport(output, report)) {
        std::fprintf(stderr, "could not write %s\n", Utf8(output).c_str());
        return 1;
    }
    return status;
}
