#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/launch_processes.h"

namespace resolaunch {

// The program a launch starts, as the system finds it in a command text.
struct ProgramCommand {
    std::wstring program;    // full path of the executable
    std::wstring arguments;  // the rest of the command line, as typed
    std::wstring folder;     // the program's folder: its working folder
    bool namesFile = false;  // the text as a whole names the program's file
};

struct ProgramLookup {
    std::optional<ProgramCommand> command;
    std::wstring failureReason;  // the system's own words, when none was found
};

// What a start came to.
struct StartedProgram {
    std::unique_ptr<LaunchProcesses> processes;  // null when nothing started
    std::wstring failureReason;                  // the system's own words, when nothing started
    std::wstring program;  // the full path of the program's file, when known
    // The started process's id when it runs outside any job (one started as
    // administrator through the consent prompt cannot join ResoLaunch's):
    // what it starts is then no part of the launch's family. 0 otherwise.
    uint32_t outsideAnyJob = 0;
};

// Finding and starting programs.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;

    // The program a command text names: a text that names an existing file is
    // that file; any other text is a command line, a program and its
    // arguments.
    virtual ProgramLookup FindProgram(const std::wstring& commandText) = 0;

    // Starts the program of the command text with a normal, activated window
    // in `folder` (when empty, the program's own folder), in a job of its own
    // that keeps its family together where the system allows it. The program
    // gets none of ResoLaunch's standard handles; a console program gets a
    // console of its own.
    virtual StartedProgram Start(const std::wstring& commandText, const std::wstring& folder) = 0;

    // Has the shell open a file or a URL as Explorer would, outside any job;
    // the process the shell hands back, if any, is the launch's first.
    virtual StartedProgram OpenThroughShell(const std::wstring& fileOrUrl) = 0;
};

}  // namespace resolaunch
