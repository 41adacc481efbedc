// Times a launch as the user sees it: from the click on 起動＞待機 until the
// started program's window stands at the typed X/Y. ResoLaunch.exe is driven
// from the outside with the end-to-end tests' code; the program it starts is
// delayed_window.exe, which writes down by the performance counter when it
// started, showed its window and handled the move.
//
//   launch_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N] [--delay MS]
//
// One copy of ResoLaunch.exe in a folder of its own launches the program once
// uncounted, then N times (5 by default); the program waits MS (400 by
// default) before it makes its window. The placement is seen by looking for
// the window at X/Y every millisecond. The report, written to OUTPUT_FILE
// and stdout, gives each figure's median, min and max over the counted runs.
#include <windows.h>

#include <algorithm>
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

constexpr int kDefaultRuns = 5;
constexpr int kDefaultDelayMs = 400;
constexpr int kX = 37;
constexpr int kY = 41;

// The figures of one launch, in ms after the click.
struct Launch {
    double started = 0;  // the program's process began to run
    double shown = 0;    // it was about to show its window
    double placed = 0;   // its window was seen at X/Y
    double handled = 0;  // it had handled the move
};

// Everything a launch needs, from the first click to the last clean-up.
class Bench {
public:
    explicit Bench(int delayMs) : delayMs_(delayMs) {
        std::string error;
        if (!scratch_.Create(L"ResoLaunchBench-launch-", &error) || !app_.Start(&error)) {
            throw std::runtime_error(error);
        }
        program_ = scratch_.Path() + L"\\delayed_window.exe";
        if (!PlaceTargetProgram(program_, L"", &error)) {
            throw std::runtime_error(error);
        }
        button_ = app_.Button(kLaunchAndStay);
        if (button_ == nullptr) {
            throw std::runtime_error("ResoLaunch shows no button " + Utf8(kLaunchAndStay));
        }
    }

    Launch Run(int number) {
        const std::wstring title = L"LaunchTiming" + std::to_wstring(number);
        const std::wstring report = scratch_.Path() + L"\\launch-" + std::to_wstring(number) + L".txt";
        targets_.Watch(report);
        const std::wstring command = Quoted(program_) + L" --delay " + std::to_wstring(delayMs_) + L" --title " +
                                     title + L" --report " + Quoted(report);
        if (!app_.SetText(TextField::Executable, command) || !app_.SetText(TextField::X, std::to_wstring(kX)) ||
            !app_.SetText(TextField::Y, std::to_wstring(kY))) {
            throw std::runtime_error("the text boxes did not take the texts");
        }

        const long long clicked = PerformanceCounter();
        if (!app_.Press(button_)) {
            throw std::runtime_error(LastError("PostMessageW(BM_CLICK)"));
        }
        long long placed = 0;
        const bool seen = WaitUntil(
            [&] {
                if (WindowTitledAt(title, kX, kY) == nullptr) {
                    return false;
                }
                placed = PerformanceCounter();
                return true;
            },
            kSlowStateTimeout, 1ms);
        if (!seen) {
            throw std::runtime_error("the window was not placed in time" + DialogsShown());
        }

        // The program writes the move down once it has handled it, a moment
        // after its rectangle has changed.
        const TargetStart::Move* move = nullptr;
        std::vector<TargetStart> starts;
        WaitUntil([&] {
            starts = ReadTargetReport(report);
            move = starts.size() == 1 ? MoveToXY(starts[0]) : nullptr;
            return move != nullptr;
        });
        if (move == nullptr || !starts[0].showing) {
            throw std::runtime_error("the program's report tells of " + std::to_string(starts.size()) +
                                     " start(s), not one that showed its window and was moved to X/Y");
        }
        if (!app_.WaitUntilPostedHandled()) {
            throw std::runtime_error("ResoLaunch did not finish the press" + DialogsShown());
        }
        if (!app_.Dialogs().empty()) {
            throw std::runtime_error("the launch ended with a message" + DialogsShown());
        }
        if (!targets_.EndAll()) {
            throw std::runtime_error("the started program would not end");
        }
        return Launch{Ms(clicked, starts[0].started), Ms(clicked, *starts[0].showing), Ms(clicked, placed),
                      Ms(clicked, move->at)};
    }

private:
    static const TargetStart::Move* MoveToXY(const TargetStart& start) {
        const auto move = std::find_if(start.moves.begin(), start.moves.end(), [](const TargetStart::Move& m) {
            return m.rect.left == kX && m.rect.top == kY;
        });
        return move != start.moves.end() ? &*move : nullptr;
    }

    std::string DialogsShown() const {
        std::string text;
        for (HWND dialog : app_.Dialogs()) {
            text += "; ResoLaunch shows \"" + Utf8(MessageBoxText(dialog)) + "\"";
        }
        return text;
    }

    // Destroyed last to first: ResoLaunch ends, then the started programs,
    // then their folder goes.
    ScratchFolder scratch_;
    TargetPrograms targets_;
    AppUnderTest app_;
    int delayMs_;
    std::wstring program_;
    HWND button_ = nullptr;
};

// One figure over all launches: `figure` gives it for a launch.
template <typename Figure>
std::string FigureLine(const char* what, const std::vector<Launch>& launches, Figure figure) {
    std::vector<double> values;
    for (const Launch& launch : launches) {
        values.push_back(figure(launch));
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return Format("%-44s median %7.1f ms   min %7.1f ms   max %7.1f ms\n", what, Median(values), *low, *high);
}

std::string Measure(int runs, int delayMs) {
    const FineTimer timer;
    Bench bench(delayMs);
    bench.Run(0);  // warm-up: the first start of the program loads more
    std::vector<Launch> launches;
    for (int run = 1; run <= runs; ++run) {
        launches.push_back(bench.Run(run));
    }

    std::string report = Format(
        "launch time: click on 起動＞待機 until the started program's window is seen at (%d,%d), polling every "
        "1 ms; the program waits %d ms before it makes its window; %d runs after 1 warm-up run\n",
        kX, kY, delayMs, runs);
    report += FigureLine("its process began to run after", launches, [](const Launch& l) { return l.started; });
    report += FigureLine("it was about to show its window after", launches, [](const Launch& l) { return l.shown; });
    report += FigureLine("its window was seen at X/Y after", launches, [](const Launch& l) { return l.placed; });
    report += FigureLine("it had handled the move after", launches, [](const Launch& l) { return l.handled; });
    report += FigureLine("from its showing to the placement (the wait)", launches,
                         [](const Launch& l) { return l.placed - l.shown; });
    report += "runs (ms after the click: process, showing, placed, move handled):";
    for (const Launch& launch : launches) {
        report += Format(" %.1f/%.1f/%.1f/%.1f", launch.started, launch.shown, launch.placed, launch.handled);
    }
    return report + "\n";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = kDefaultRuns;
    int delayMs = kDefaultDelayMs;
    const std::optional<std::wstring> output = ReadDriverArguments(
        argc, argv, "launch_time.exe OUTPUT_FILE RESOLAUNCH_EXE TARGET_EXE [--runs N (1+)] [--delay MS (0+)]",
        {{L"--runs", &runs, 1}, {L"--delay", &delayMs, 0}});
    if (!output) {
        return 2;
    }
    return RunReport(*output, [&] { return Measure(runs, delayMs); });
}
