#pragma once


#include "command_line/command_line.h"
#include "command_line/command_output.h"
#include "modes/module1.h"
#include "platform/desktop.h"
#include "platform/launcher.h"

namespace resolaunch {

// The exit codes of a command line; the highest that applies is returned.
enum ExitCode : int {
    kExitDone = 0,
    kExitRestartNeeded = 1,  // the mode takes effect after a restart
    kExitDisplayFailed = 2,  // a switch or restore the system refused
    kExitBadCommandLine = 3,
    kExitStartFailed = 4,
};

struct CommandServices {
    Module1& modes;
    Desktop& desktop;
    Launcher& launcher;
    CommandOutput& output;
};

// Runs a command line other than the window's, without any window of its
// own, and returns its exit code. Everything is checked before anything is
// switched or started. Never reads or writes path.txt or ResoLaunch.ini.
int RunCommandLine(const ParsedCommandLine& commandLine, const CommandServices& services);

}  // namespace resolaunch
