// Times the following of a launch. With ゲーム終了時に解像度を戻す checked and
// 解像度変更＞起動 pressed: from the end of the started program's last process
// to the screen back at the desktop's own mode; the same for a game started
// from a URL handed to a store client already running. Then the watch after a
// placement: from a program's own move of its placed window (it centres it)
// to the window back in place. Then it marks, in OUTPUT_FILE.phases, a watch,
// a wait for a program that runs on, and a wait for a URL-started game that
// runs on, for scripts/bench-follow.sh to read ResoLaunch's processor time
// over each from outside.
//
//   follow_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N] [--wait SECONDS]
//
// The started program is TARGET_EXE (delayed_window.exe), which ends by itself
// a little after it has shown its window. The end and the screen's size are
// looked at every millisecond. N runs (10 by default) give the median, min
// and max; the wait lasts SECONDS (300 by default).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
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
// The scheme the benchmark registers; its handler hands the URL to a client
// that runs already, outside the launch, and ends: the store client's way.
constexpr const wchar_t* kScheme = L"resolaunch-bench";

class Bench {
public:
    Bench() {
        std::string error;
        const InitialFile ini{L"ResoLaunch.ini", "[Options]\r\nRestoreWhenProgramEnds=1\r\n"};
        if (!scratch_.Create(L"ResoLaunchBench-follow-", &error) || !app_.Start(&error, {ini})) {
            throw std::runtime_error(error);
        }
        program_ = scratch_.Path() + L"\\delayed_window.exe";
        const std::wstring client = scratch_.Path() + L"\\Client\\client.exe";
        const std::wstring handler = scratch_.Path() + L"\\Handler\\handler.exe";
        const std::wstring request = scratch_.Path() + L"\\client-request";
        const std::wstring clientReport = scratch_.Path() + L"\\client.txt";
        urlGame_ = scratch_.Path() + L"\\Client Game\\game.exe";
        if (!PlaceTargetProgram(program_, L"", &error) || !PlaceTargetProgram(urlGame_, L"", &error) ||
            !PlaceTargetProgram(client, L"--serve " + Quoted(request) + L" --hand-over " + Quoted(urlGame_) +
                                            L" --lifetime 7200000 --report " + Quoted(clientReport),
                                &error) ||
            !PlaceTargetProgram(handler, L"--forward " + Quoted(request), &error)) {
            throw std::runtime_error(error);
        }
        targets_.Watch(clientReport);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION running{};
        std::wstring line = Quoted(client);
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &running)) {
            throw std::runtime_error("the client could not be started");
        }
        ::CloseHandle(running.hThread);
        ::CloseHandle(running.hProcess);
        const std::wstring key = std::wstring(L"Software\\Classes\\") + kScheme;
        const std::wstring command = Quoted(handler) + L" \"%1\"";
        if (::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ,
                              command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) !=
            ERROR_SUCCESS) {
            throw std::runtime_error("the benchmark's URL scheme could not be registered");
        }
        switched_ = app_.ListIndexOf(ExpectedModeEntry(32, kSwitchedSize.width, kSwitchedSize.height));
        if (switched_ < 0) {
            throw std::runtime_error("ResoLaunch lists no 800 x 600 32-bit mode");
        }
    }

    ~Bench() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + kScheme).c_str()); }

    // One 解像度変更＞起動 of a program that ends 1.5 s after its start: ms from
    // its end to the screen back at the desktop's size.
    double Restore(int number) {
        const std::wstring title = L"Followed" + std::to_wstring(number);
        const std::wstring report = scratch_.Path() + L"\\follow-" + std::to_wstring(number) + L".txt";
        Launch(kChangeModeAndLaunch, title, report, ProgramCommand(title, report, 1500, L""));
        if (CurrentScreenSize() != kSwitchedSize) {
            throw std::runtime_error("the screen was not switched");
        }
        return UntilRestored(report);
    }

    // The same from a URL handed to a client already running, which starts
    // the game outside the launch and stays: ms from the game's end to the
    // screen back.
    double RestoreAfterUrl(int number) {
        const std::wstring title = L"UrlGame" + std::to_wstring(number);
        const std::wstring report = scratch_.Path() + L"\\url-" + std::to_wstring(number) + L".txt";
        PrepareUrlGame(title, report, 1500);
        Launch(kChangeModeAndLaunch, title, report, UrlCommand());
        return UntilRestored(report);
    }

    // One 起動＞待機 of a program that centres its placed window 500 ms after
    // showing it: ms from that move to the window back in place, as the
    // program's own report times both.
    double MoveBack(int number) {
        const std::wstring title = L"Centring" + std::to_wstring(number);
        const std::wstring report = scratch_.Path() + L"\\centre-" + std::to_wstring(number) + L".txt";
        Launch(kLaunchAndStay, title, report, ProgramCommand(title, report, 20000, L" --move-after 500"));
        std::vector<TargetStart> starts;
        const auto backInPlace = [&] {
            starts = ReadTargetReport(report);
            if (starts.size() != 1 || starts[0].moves.size() < 3) {
                return false;
            }
            const auto& moves = starts[0].moves;
            return moves.back().rect.left == moves.front().rect.left && moves.back().rect.top == moves.front().rect.top;
        };
        if (!WaitUntil(backInPlace, kSlowStateTimeout)) {
            throw std::runtime_error("the centred window did not come back in place");
        }
        const auto& moves = starts[0].moves;
        return static_cast<double>(moves.back().at - moves[moves.size() - 2].at) * 1000.0 /
               static_cast<double>(starts[0].frequency);
    }

    // A watch after a placement, marked for the processor time read from
    // outside: under Wine, GetProcessTimes of another process tells nothing.
    void Watch(PhaseMarks& marks) {
        const std::wstring report = scratch_.Path() + L"\\watched.txt";
        Launch(kLaunchAndStay, L"Watched", report, ProgramCommand(L"Watched", report, 60000, L""));
        marks.Mark("watch-begin");
        ::Sleep(static_cast<DWORD>(resolaunch::kWatchQuiet.count()));  // the length of what is measured
        marks.Mark("watch-end");
    }

    // `seconds` of a launch that runs on, marked likewise.
    // With `url`, the game comes from a URL, handed to the running client, and the
    // phase is "url-wait".
    void WaitWhileRunning(PhaseMarks& marks, int seconds, bool url) {
        const std::wstring title = url ? L"LongUrlRun" : L"LongRun";
        const std::wstring report = scratch_.Path() + (url ? L"\\long-url-run.txt" : L"\\long-run.txt");
        const int lifetimeMs = (seconds + 60) * 1000;
        if (url) {
            PrepareUrlGame(title, report, lifetimeMs);
        }
        Launch(url ? kChangeModeAndLaunch : kLaunchAndStay, title, report,
               url ? UrlCommand() : ProgramCommand(title, report, lifetimeMs, L""));
        const OwnedHandle program(OpenStarted(report));
        // Past the watch, so that only the wait for the end is measured.
        ::Sleep(static_cast<DWORD>(resolaunch::kWatchQuiet.count()) + 500);
        marks.Mark(url ? "url-wait-begin" : "wait-begin");
        if (::WaitForSingleObject(program.handle, static_cast<DWORD>(seconds) * 1000) != WAIT_TIMEOUT) {
            throw std::runtime_error("the program ended during the wait");
        }
        marks.Mark(url ? "url-wait-end" : "wait-end");
    }

private:
    std::wstring ProgramCommand(const std::wstring& title, const std::wstring& report, int lifetimeMs,
                                const std::wstring& options) const {
        return Quoted(program_) + L" --title " + title + L" --lifetime " + std::to_wstring(lifetimeMs) + L" --report " +
               Quoted(report) + options;
    }

    // Ms from the end of the program of `report` to the screen back, once ResoLaunch has finished the press.
    double UntilRestored(const std::wstring& report) {
        const double ms = MsUntilRestored(report);
        if (!app_.WaitUntilPostedHandled()) {
            throw std::runtime_error("ResoLaunch did not finish the press");
        }
        return ms;
    }

    static std::wstring UrlCommand() { return std::wstring(kScheme) + L"://rungameid/70"; }

    // The client starts the game with these options.
    void PrepareUrlGame(const std::wstring& title, const std::wstring& report, int lifetimeMs) {
        const std::wstring gameOptions = L"--title " + title + L" --lifetime " + std::to_wstring(lifetimeMs) +
                                         L" --report " + Quoted(report);
        if (!WriteFileBytes(OptionsFileOf(urlGame_), Utf8(gameOptions))) {
            throw std::runtime_error("the URL game's options could not be written");
        }
    }

    void Launch(const wchar_t* button, const std::wstring& title, const std::wstring& report,
                const std::wstring& command) {
        targets_.Watch(report);
        if (!app_.SetText(TextField::Executable, command) || !app_.SelectListEntry(switched_) ||
            !app_.Press(app_.Button(button))) {
            throw std::runtime_error("ResoLaunch did not take the launch");
        }
        if (!WaitUntil([&] { return !WindowsTitled(title).empty(); }, kSlowStateTimeout) ||
            !app_.WaitUntilPostedHandled()) {
            throw std::runtime_error("the program's window did not appear");
        }
    }

    // Destroyed last to first: ResoLaunch ends, then the started programs,
    // then their folder goes.
    ScratchFolder scratch_;
    TargetPrograms targets_;
    AppUnderTest app_;
    std::wstring program_;
    std::wstring urlGame_;
    int switched_ = -1;
};

std::string Measure(const std::wstring& output, int runs, int waitSeconds) {
    const FineTimer timer;
    Bench bench;
    std::vector<double> restores;
    for (int run = 1; run <= runs; ++run) {
        restores.push_back(bench.Restore(run));
    }
    std::string report =
        Format("restore at the end: the started program's end until the screen is back at %dx%d (%d runs)\n",
               kDesktopSize.width, kDesktopSize.height, runs) +
        RunFigures(restores);
    std::vector<double> urlRestores;
    for (int run = 1; run <= runs; ++run) {
        urlRestores.push_back(bench.RestoreAfterUrl(run));
    }
    report += Format("\nrestore after a URL handed to a running client (the game outside the job): the game's end "
                     "until the screen is back (%d runs)\n",
                     runs) +
              RunFigures(urlRestores);
    std::vector<double> movesBack;
    for (int run = 1; run <= runs; ++run) {
        movesBack.push_back(bench.MoveBack(run));
    }
    report += Format("\nthe watch: a program's own move of its placed window until the window is back (%d runs)\n"
                     "  median %.1f ms   max %.1f ms (goal: median <= 50 ms)\n",
                     runs, Median(movesBack), *std::max_element(movesBack.begin(), movesBack.end()));
    PhaseMarks marks(output + L".phases");
    bench.Watch(marks);
    bench.WaitWhileRunning(marks, waitSeconds, false);
    bench.WaitWhileRunning(marks, waitSeconds, true);
    return report;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    return RunFollowDriver(
        argc, argv, "follow_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N (1+)] [--wait SECONDS (1+)]",
        kDefaultRuns, kDefaultWaitSeconds, Measure);
}
