#include "follow/program_window.h"

#include <algorithm>
#include <string>

#include "base/ignoring_case.h"
#include "platform/file_path.h"

namespace resolaunch {
namespace {

// A terminal's window belongs to its host process, which may be in the
// family too; it is never the program's own window. Windows' console host,
// Windows Terminal, then Wine's console. A window whose class no longer
// reads is being destroyed (Wine still lists it as visible then).
bool IsTerminalOrDyingWindowClass(const std::wstring& className) {
    return className.empty() || className == L"ConsoleWindowClass" || className == L"CASCADIA_HOSTING_WINDOW_CLASS" ||
           className == L"WineConsoleClass";
}

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder) {
    return !folder.empty() && path.size() > folder.size() && StartsWithIgnoringCase(path, folder) &&
           (folder.back() == L'\\' || path[folder.size()] == L'\\');
}

// Windows' crash reporters, and Wine's debugger that stands in for them.
bool IsCrashReporter(const std::wstring& imagePath) {
    const std::wstring name = FileNameOf(imagePath);
    return EqualIgnoringCase(name, L"werfault.exe") || EqualIgnoringCase(name, L"werfaultsecure.exe") ||
           EqualIgnoringCase(name, L"winedbg.exe");
}

// A process outside the family that may have been handed the program.
bool MayHoldHandedOverProgram(LaunchFamilies& families, uint32_t process, const std::wstring& program) {
    if (!families.StartedAfterLaunch(process)) {
        return false;
    }
    // What the user opens from the shell meanwhile is not the launch's,
    // unless it runs from the program's own folder.
    return !families.StartedByShell(process) || IsWithinFolder(families.ImagePathOf(process), FolderOf(program));
}

}  // namespace

WindowHandle FindProgramWindow(Desktop& desktop, LaunchFamilies& families, const LaunchWindows& known) {
    const LaunchFamily family = known.programNamed.empty() ? families.Family() : LaunchFamily{};
    const auto belongs = [&](uint32_t process) {
        if (!known.programNamed.empty()) {
            return families.StartedAfterLaunch(process) &&
                   IsProgramNamed(families.ImagePathOf(process), known.programNamed);
        }
        if (!family.ended) {
            return std::find(family.liveProcesses.begin(), family.liveProcesses.end(), process) !=
                   family.liveProcesses.end();
        }
        return MayHoldHandedOverProgram(families, process, known.program);
    };
    for (const WindowHandle window : desktop.VisibleWindows()) {
        if (window == known.ownWindow || known.listedAtPress.count(window) != 0 ||
            known.placedBefore.count(window) != 0 || desktop.IsOwned(window)) {
            continue;
        }
        const uint32_t process = desktop.ProcessOf(window);
        if (process != 0 && belongs(process) && !IsTerminalOrDyingWindowClass(desktop.ClassNameOf(window)) &&
            !IsCrashReporter(families.ImagePathOf(process))) {
            return window;
        }
    }
    return 0;
}

WindowHandle FallbackWindow(Desktop& desktop, LaunchFamilies& families, const LaunchWindows& known) {
    const WindowHandle window = desktop.ForegroundWindow();
    if (window == 0 || window == known.ownWindow || known.placedBefore.count(window) != 0) {
        return 0;
    }
    if (known.listedAtPress.count(window) != 0 &&
        !EqualIgnoringCase(families.ImagePathOf(desktop.ProcessOf(window)), known.program)) {
        return 0;
    }
    return window;
}

}  // namespace resolaunch
