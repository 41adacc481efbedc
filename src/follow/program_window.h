#pragma once

#include <chrono>
#include <set>
#include <string>

#include "follow/launch_families.h"
#include "platform/desktop.h"

namespace resolaunch {

// How long a launch waits for the started program's window, and how often
// it looks again meanwhile.
inline constexpr std::chrono::milliseconds kProgramWindowWait{10000};
inline constexpr std::chrono::milliseconds kProgramWindowPoll{5};

// What a launch knows of the windows it may take.
struct LaunchWindows {
    WindowHandle ownWindow = 0;  // ResoLaunch's own: never taken
    std::wstring program;        // full path of the started program's file
    // Every top-level window there was at the press: never the program's.
    std::set<WindowHandle> listedAtPress;
    // Windows this launch has placed already: never taken twice.
    std::set<WindowHandle> placedBefore;
    // When not empty, the program waited for by name (IsProgramNamed): only
    // a window of a process of it started after the launch began is taken.
    std::wstring programNamed = {};
};

// The window a launch places: the first visible, unowned top-level window of
// a live process of the latest launch's family. Once the whole family has
// ended without one, the first such window of a process started after the
// launch began: a launcher may hand the program over to a process outside
// the family; but not a crash reporter's, nor that of a program the shell
// started meanwhile outside the program's folder. With a program waited for
// by name, only a window of its processes. Never a terminal's window, one
// listed at the press or placed before. 0 for none.
WindowHandle FindProgramWindow(Desktop& desktop, LaunchFamilies& families, const LaunchWindows& known);

// The window the foreground fallback may move: the foreground window, unless
// it is ResoLaunch's own, placed before, or was there at the press and runs
// another program than the one started (a single-instance program brings its
// open window forward). 0 for none.
WindowHandle FallbackWindow(Desktop& desktop, LaunchFamilies& families, const LaunchWindows& known);

}  // namespace resolaunch
