#include "command_line/command_runner.h"

#include <algorithm>

#include "follow/placement.h"
#include "follow/program_window.h"
#include "follow/restore_on_end.h"
#include "modes/mode_label.h"
#include "text/messages.h"

namespace resolaunch {
namespace {

class CommandRun {
public:
    CommandRun(const CommandLineRequest& request, const CommandServices& services)
        : request_(request), modes_(services.modes), desktop_(services.desktop), launcher_(services.launcher),
          output_(services.output) {}

    int Run() {
        switch (request_.action) {
        case CommandLineRequest::Action::Help:
            output_.Print(CommandLineUsage());
            return kExitDone;
        case CommandLineRequest::Action::List:
            output_.Print(ModeList());
            return kExitDone;
        case CommandLineRequest::Action::Restore:
            if (modes_.RestoreDisplayMode() != kChangeSuccessful) {
                output_.Report(kRestoreFailedMessage);
                return kExitDisplayFailed;
            }
            return kExitDone;
        case CommandLineRequest::Action::Window:
        case CommandLineRequest::Action::Run:
            break;
        }
        return SwitchAndLaunch();
    }

private:
    // "index<TAB>label" per mode, in table order, as the window lists them.
    std::wstring ModeList() {
        modes_.LoadDisplayModes();
        const std::vector<DisplayMode>& table = modes_.DisplayModes();
        const std::vector<int32_t> results = modes_.TestEachDisplayMode();
        std::wstring list;
        for (std::size_t i = 0; i < table.size(); ++i) {
            list += std::to_wstring(i) + L"\t" + ModeLabel(table[i], results[i]) + L"\r\n";
        }
        return list;
    }

    int SwitchAndLaunch() {
        std::optional<DisplayMode> mode;
        if (request_.mode) {
            modes_.LoadDisplayModes();
            mode = modes_.FindDisplayMode(request_.mode->width, request_.mode->height, request_.mode->bits);
            if (!mode) {
                output_.Report(MissingModeMessage(*request_.mode));
                return kExitBadCommandLine;
            }
        }
        restoreOnEnd_.SetEnabled(request_.restoreOnExit);
        if (mode) {
            Switch(*mode);
        }
        if (request_.program) {
            Launch(*request_.program);
        }
        return exitCode_;
    }

    // As 解像度変更 does: test, then switch for this session only.
    void Switch(const DisplayMode& mode) {
        const int32_t result = modes_.ApplyDisplayMode(mode.Width, mode.Height, mode.Bits, 0);
        restoreOnEnd_.Switched(mode, result);
        if (result == kChangeRestart) {
            Fail(kRestartNeededMessage, kExitRestartNeeded);
        } else if (result != kChangeSuccessful) {
            Fail(kSwitchFailedMessage, kExitDisplayFailed);
        }
    }

    void Launch(const std::wstring& program) {
        const StartOutcome outcome = launcher_.Start(program);
        if (!outcome.started) {
            RestoreIfOwed();
            Fail(StartFailedMessage(program, outcome.failureReason), kExitStartFailed);
            return;
        }
        restoreOnEnd_.Launched(outcome.launch);

        // No window of the program's own: nothing to place, not the foreground's.
        WindowHandle placed = 0;
        if (request_.x && request_.y) {
            const WindowHandle window = WaitForProgramWindow(desktop_, launcher_, 0, kProgramWindowWait);
            if (window != 0 && PlaceWindow(desktop_, window, *request_.x, *request_.y)) {
                placed = window;
            }
        }
        if (request_.restoreOnExit) {
            launcher_.FollowToEnd(ProcessKeepingLaunch(desktop_, launcher_, placed));
            launcher_.WaitForEnd();
            RestoreIfOwed();
        }
    }

    void RestoreIfOwed() {
        if (restoreOnEnd_.TakeRestore(modes_.CurrentDisplayMode()) &&
            modes_.RestoreDisplayMode() != kChangeSuccessful) {
            Fail(kRestoreFailedMessage, kExitDisplayFailed);
        }
    }

    void Fail(const std::wstring& message, int exitCode) {
        output_.Report(message);
        exitCode_ = std::max(exitCode_, exitCode);
    }

    const CommandLineRequest& request_;
    Module1& modes_;
    Desktop& desktop_;
    Launcher& launcher_;
    CommandOutput& output_;
    RestoreOnEnd restoreOnEnd_;
    int exitCode_ = kExitDone;
};

}  // namespace

int RunCommandLine(const ParsedCommandLine& commandLine, const CommandServices& services) {
    if (const auto* error = std::get_if<CommandLineError>(&commandLine)) {
        services.output.Report(BadCommandLineMessage(*error));
        return kExitBadCommandLine;
    }
    return CommandRun(std::get<CommandLineRequest>(commandLine), services).Run();
}

}  // namespace resolaunch
