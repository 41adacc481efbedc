#include "follow/program_window.h"

#include <algorithm>
#include <string>

namespace resolaunch {
namespace {

// A console's window belongs to its host process, which is in the family
// too; it is never the program's own window. Windows' console host, then
// Wine's. A window whose class no longer reads is being destroyed (Wine
// still lists it as visible then, the console's window among others).
bool IsConsoleOrDyingWindowClass(const std::wstring& className) {
    return className.empty() || className == L"ConsoleWindowClass" || className == L"WineConsoleClass";
}

}  // namespace

WindowHandle FindProgramWindow(Desktop& desktop, LaunchFamilies& families, WindowHandle ownWindow) {
    const LaunchFamily family = families.Family();
    const auto belongs = [&](uint32_t process) {
        if (!family.ended) {
            return std::find(family.liveProcesses.begin(), family.liveProcesses.end(), process) !=
                   family.liveProcesses.end();
        }
        return families.StartedAfterLaunch(process);
    };
    for (const WindowHandle window : desktop.VisibleWindows()) {
        if (window == ownWindow || desktop.IsOwned(window)) {
            continue;
        }
        const uint32_t process = desktop.ProcessOf(window);
        if (process != 0 && belongs(process) && !IsConsoleOrDyingWindowClass(desktop.ClassNameOf(window))) {
            return window;
        }
    }
    return 0;
}

}  // namespace resolaunch
