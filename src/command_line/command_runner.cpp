#include "command_line/command_runner.h"

#include <algorithm>

#include "flows/launch_flow.h"
#include "flows/mode_switch.h"
#include "flows/switch_owner.h"
#include "text/display_text.h"
#include "text/messages.h"

namespace resolaunch {
namespace {

class CommandRun {
public:
    CommandRun(const CommandLineRequest& request, const CommandServices& services)
        : request_(request), modes_(services.modes), displays_(services.displays), loop_(services.loop),
          output_(services.output), returnKey_(services.returnKey),
          records_(services.launch.start.files, services.launch.facts),
          switches_(services.modes, services.displays, records_, &services.launch.guard),
          launch_(services.launch, switches_) {}

    int Run() {
        if (request_.display) {
            const std::optional<DisplayInfo> display = FindDisplay(displays_.AttachedDisplays(), *request_.display);
            if (!display) {
                output_.Report(MissingDisplayMessage(*request_.display));
                return kExitBadCommandLine;
            }
            // The primary through the calls without a device, as without --display.
            if (!display->primary) {
                modes_.SelectDisplay(display->deviceName);
                displayDevice_ = display->deviceName;
            }
        }
        switch (request_.action) {
        case CommandLineRequest::Action::Help:
            output_.Print(CommandLineUsage());
            return kExitDone;
        case CommandLineRequest::Action::Version:
            output_.Print(ProgramVersionLine());
            return kExitDone;
        case CommandLineRequest::Action::List:
            output_.Print(ModeList());
            return kExitDone;
        case CommandLineRequest::Action::Restore:
            switches_.SettleLeftBehind();
            if (switches_.Restore() != kChangeSuccessful) {
                output_.Report(kRestoreFailedMessage);
                return kExitDisplayFailed;
            }
            return kExitDone;
        case CommandLineRequest::Action::Guard:
            return kExitDone;  // a guard runs RunGuard, not a command line
        case CommandLineRequest::Action::Window:
        case CommandLineRequest::Action::Run:
            break;
        }
        return SwitchAndLaunch();
    }

private:
    // "index<TAB>label" per mode, in table order, as the window lists them.
    std::wstring ModeList() {
        const std::vector<std::wstring> labels = ListDisplayModes(modes_);
        std::wstring list;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            list += std::to_wstring(i) + L"\t" + labels[i] + L"\r\n";
        }
        return list;
    }

    int SwitchAndLaunch() {
        std::optional<DisplayMode> mode;
        if (request_.mode) {
            switches_.SettleLeftBehind();
            modes_.LoadDisplayModes();
            mode = modes_.FindDisplayMode(request_.mode->width, request_.mode->height, request_.mode->bits,
                                          request_.mode->rate);
            if (!mode) {
                output_.Report(MissingModeMessage(*request_.mode));
                return kExitBadCommandLine;
            }
        }
        switches_.SetRestoreAtEnd(request_.restoreOnExit);
        if (mode) {
            Switch(*mode);
        }
        if (request_.program) {
            Launch(*request_.program);
        }
        // A script that tests for a failed start must not read a window left where it was as one.
        return exitCode_ == kExitDone && windowNotPlaced_ ? kExitWindowNotPlaced : exitCode_;
    }

    void Switch(const DisplayMode& mode) {
        const int32_t result = switches_.Switch(mode, request_.mode->rate);
        if (const std::optional<std::wstring> report = SwitchReport(result)) {
            Fail(*report, result == kChangeRestart ? kExitRestartNeeded : kExitDisplayFailed);
        }
    }

    // The launch runs on the thread's message loop: the wait for the window,
    // then, with --restore-on-exit, the wait for the launch's end, else the
    // watch over its windows.
    void Launch(const std::wstring& program) {
        std::optional<LaunchWaitOver> waitOver;
        std::optional<std::pair<int32_t, int32_t>> position;
        if (request_.x && request_.y) {
            position = std::pair{*request_.x, *request_.y};
        }
        // No window of the program's own: nothing to place, not the foreground's.
        LaunchRequest request{program, position, false, 0};
        request.findWindowToFollow = request_.restoreOnExit;
        request.waitFor = request_.waitFor;
        if (!displayDevice_.empty()) {
            request.origin = [this] { return DisplayOrigin(displays_, displayDevice_); };
        }
        const StartOutcome outcome = launch_.Start(request, [&](const LaunchWaitOver& over) { waitOver = over; });
        if (!outcome.started) {
            // Nothing half done: this line's own switch goes back, with or without --restore-on-exit.
            CheckRestore(switches_.UndoSwitch());
            Fail(StartFailedMessage(program, outcome.failureReason), kExitStartFailed);
            return;
        }
        loop_.RunUntil([&] { return waitOver.has_value(); });
        if (!waitOver) {
            return;  // told to quit
        }
        if (waitOver->failure) {
            std::rethrow_exception(waitOver->failure);
        }
        if (waitOver->waitedForMissing) {
            CheckRestore(switches_.UndoSwitch());
            Fail(WaitedForProgramMissingMessage(request_.waitFor), kExitStartFailed);
            return;
        }
        if (waitOver->refused != 0) {
            output_.Report(kWindowNotMovedMessage);
            windowNotPlaced_ = true;
        }
        if (request_.restoreOnExit) {
            std::optional<LaunchId> ended;
            loop_.OnLaunchEnded([&](LaunchId launch) { ended = launch; });
            launch_.FollowToEnd();
            // While the line waits for its game, the key puts every display back; the game's end then owes nothing.
            returnKey_.Listen([this] { CheckRestore(switches_.ReturnToDefaults()); });
            loop_.RunUntil([&] { return ended.has_value(); });
            returnKey_.Stop();
            if (ended) {
                CheckRestore(launch_.LaunchEnded(*ended));
            }
        } else {
            // The launch's windows are watched a while before the line is done.
            loop_.RunUntil([&] { return !launch_.Watching(); });
        }
    }

    void CheckRestore(const std::optional<int32_t>& restored) {
        if (restored && *restored != kChangeSuccessful) {
            Fail(kRestoreFailedMessage, kExitDisplayFailed);
        }
    }

    void Fail(const std::wstring& message, int exitCode) {
        output_.Report(message, exitCode == kExitRestartNeeded ? MessageKind::Warning : MessageKind::Error);
        exitCode_ = std::max(exitCode_, exitCode);
    }

    const CommandLineRequest& request_;
    Module1& modes_;
    Displays& displays_;
    std::wstring displayDevice_;  // the chosen display when not the primary
    MessageLoop& loop_;
    CommandOutput& output_;
    ReturnKey& returnKey_;
    SwitchRecords records_;
    SwitchOwner switches_;
    LaunchFlow launch_;
    int exitCode_ = kExitDone;
    bool windowNotPlaced_ = false;
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
