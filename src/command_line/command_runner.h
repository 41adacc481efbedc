#pragma once

#include "command_line/command_line.h"
#include "command_line/command_output.h"
#include "flows/launch_flow.h"
#include "modes/module1.h"
#include "platform/displays.h"
#include "platform/message_loop.h"
#include "platform/return_key.h"

namespace resolaunch {

// The exit codes of a command line; the highest that applies is returned,
// and kExitWindowNotPlaced only when no other applies.
enum ExitCode : int {
    kExitDone = 0,
    kExitRestartNeeded = 1,  // the mode takes effect after a restart
    kExitDisplayFailed = 2,  // a switch or restore the system refused
    kExitBadCommandLine = 3,
    kExitStartFailed = 4,  // also: the program named by --wait-for did not start in time
    // The program started; the system refused to move its window (it runs as administrator).
    kExitWindowNotPlaced = 5,
};

struct CommandServices {
    Module1& modes;
    Displays& displays;
    LaunchServices launch;
    MessageLoop& loop;  // the thread's, with no window
    CommandOutput& output;
    ReturnKey& returnKey;
};

// Runs a command line other than the window's, without any window of its
// own, and returns its exit code. Everything is checked before anything is
// switched or started. Never reads or writes path.txt or ResoLaunch.ini.
int RunCommandLine(const ParsedCommandLine& commandLine, const CommandServices& services);

}  // namespace resolaunch
