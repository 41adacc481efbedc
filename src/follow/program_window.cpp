#include "follow/program_window.h"

#include <algorithm>

namespace resolaunch {
namespace {

// A console's window belongs to its host process, which is in the family
// too; it is never the program's own window. Windows' console host, then
// Wine's.
bool IsConsoleWindowClass(const std::wstring& className) {
    return className == L"ConsoleWindowClass" || className == L"WineConsoleClass";
}

}  // namespace

WindowHandle FindProgramWindow(Desktop& desktop, Launcher& launcher, WindowHandle ownWindow) {
    const LaunchFamily family = launcher.Family();
    const auto belongs = [&](uint32_t process) {
        if (!family.ended) {
            return std::find(family.liveProcesses.begin(), family.liveProcesses.end(), process) !=
                   family.liveProcesses.end();
        }
        return launcher.StartedAfterLaunch(process);
    };
    for (const WindowHandle window : desktop.VisibleWindows()) {
        if (window == ownWindow || desktop.IsOwned(window)) {
            continue;
        }
        const uint32_t process = desktop.ProcessOf(window);
        if (process != 0 && belongs(process) && !IsConsoleWindowClass(desktop.ClassNameOf(window))) {
            return window;
        }
    }
    return 0;
}

WindowHandle WaitForProgramWindow(Desktop& desktop, Launcher& launcher, WindowHandle ownWindow,
                                  std::chrono::milliseconds timeout) {
    const std::chrono::milliseconds deadline = launcher.Now() + timeout;
    for (;;) {
        if (const WindowHandle window = FindProgramWindow(desktop, launcher, ownWindow)) {
            return window;
        }
        const std::chrono::milliseconds now = launcher.Now();
        if (now >= deadline || !launcher.Idle(std::min(kProgramWindowPoll, deadline - now))) {
            return 0;
        }
    }
}

}  // namespace resolaunch
