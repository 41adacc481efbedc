#include "app/application.h"

#include "command_line/command_line.h"
#include "command_line/command_runner.h"
#include "flows/guard_run.h"
#include "modes/module1.h"
#include "platform/win32_desktop.h"
#include "platform/win32_display_settings.h"
#include "platform/win32_displays.h"
#include "platform/win32_file_system.h"
#include "platform/win32_guard.h"
#include "platform/win32_launch_follower.h"
#include "platform/win32_message_loop.h"
#include "platform/win32_process_facts.h"
#include "platform/win32_program_starter.h"
#include "platform/win32_return_key.h"
#include "platform/win32_shortcuts.h"
#include "platform/win32_std_streams.h"
#include "platform/win32_url_handlers.h"
#include "settings/options_file.h"
#include "settings/settings_store.h"
#include "window/form1.h"
#include "window/main_window.h"

namespace resolaunch {
namespace {

int RunWindow(HINSTANCE instance) {
    Win32DisplaySettings display;
    Module1 module1(display);
    Win32FileSystem files;
    Win32AnsiCodec ansi;
    SettingsStore settings(files, ansi);
    OptionsStore options(files);
    Win32Desktop desktop;
    Win32ProgramStarter starter;
    Win32ProcessFacts facts;
    Win32LaunchFollower follower;
    Win32UrlHandlers urlHandlers;
    Win32Clock clock;
    LoopTicker ticker(clock);
    Win32Shortcuts shortcutFiles;
    ShortcutMaker shortcuts(starter, files, shortcutFiles, files);

    Win32Displays displays;
    Win32ReturnKey returnKey;
    Win32GuardProcess guard;
    MainWindow window(instance);
    const LaunchServices launch{{starter, files, shortcutFiles, files, ansi, urlHandlers}, facts, follower, desktop,
                                ticker, guard};
    Form1 form(window, window, FormServices{module1, displays, settings, options, launch, shortcuts, returnKey});
    if (!window.Create(form)) {
        return 1;
    }
    follower.ReportEndsTo(window.Handle(), MainWindow::kLaunchEndedMessage);
    return RunMessageLoop(window.Handle(), ticker);
}

// No window, no settings: only what the line asks for.
int RunCommand(const ParsedCommandLine& commandLine) {
    Win32DisplaySettings display;
    Module1 module1(display);
    Win32Desktop desktop;
    Win32ProgramStarter starter;
    Win32ProcessFacts facts;
    Win32LaunchFollower follower;
    Win32UrlHandlers urlHandlers;
    Win32FileSystem files;
    Win32Shortcuts shortcutFiles;
    Win32Clock clock;
    LoopTicker ticker(clock);
    // The same loop as the window's, on this thread's queue, without a window.
    Win32MessageLoop loop(ticker, MainWindow::kLaunchEndedMessage);
    follower.ReportEndsTo(nullptr, MainWindow::kLaunchEndedMessage);
    Win32StdStreams streams;
    Win32AnsiCodec ansi;
    CommandOutput output(streams, ansi);
    Win32Displays displays;
    Win32ReturnKey returnKey;
    Win32GuardProcess guard;
    const LaunchServices launch{{starter, files, shortcutFiles, files, ansi, urlHandlers}, facts, follower, desktop,
                                ticker, guard};
    return RunCommandLine(commandLine, CommandServices{module1, displays, launch, loop, output, returnKey});
}

// The guard of another ResoLaunch: no window, no output, nothing of its own saved.
int RunGuardProcess(const CommandLineRequest& request) {
    Win32GuardLink link(request.guardOwner, request.guardPipe);
    Win32DisplaySettings display;
    Module1 module1(display);
    Win32Displays displays;
    Win32FileSystem files;
    Win32ProcessFacts facts;
    Win32LaunchFollower follower;
    Win32Clock clock;
    LoopTicker ticker(clock);
    Win32MessageLoop loop(ticker, MainWindow::kLaunchEndedMessage);
    follower.ReportEndsTo(nullptr, MainWindow::kLaunchEndedMessage);
    Win32ReturnKey returnKey;
    return RunGuard(request.guardOwner,
                    GuardServices{module1, displays, files, facts, link, follower, loop, returnKey});
}

}  // namespace

int RunApplication(HINSTANCE instance) {
    const ParsedCommandLine commandLine = ParseCommandLine(::GetCommandLineW());
    const auto* request = std::get_if<CommandLineRequest>(&commandLine);
    if (request != nullptr && request->action == CommandLineRequest::Action::Window) {
        return RunWindow(instance);
    }
    if (request != nullptr && request->action == CommandLineRequest::Action::Guard) {
        return RunGuardProcess(*request);
    }
    return RunCommand(commandLine);
}

}  // namespace resolaunch
