#pragma once

#include <chrono>

#include "platform/desktop.h"
#include "platform/launch_family.h"

namespace resolaunch {

// How long a launch waits for the started program's window, and how often
// it looks again meanwhile.
inline constexpr std::chrono::milliseconds kProgramWindowWait{10000};
inline constexpr std::chrono::milliseconds kProgramWindowPoll{5};

// The window a launch places: the first visible, unowned top-level window of
// a live process of the latest launch's family, other than `ownWindow` and
// console windows. Once the whole family has ended without one, the first
// such window of any process started after the launch began: a launcher
// may hand the program over to a process outside the family. 0 for none.
WindowHandle FindProgramWindow(Desktop& desktop, LaunchFamilies& families, WindowHandle ownWindow);

}  // namespace resolaunch
