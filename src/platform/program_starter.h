#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace resolaunch {

// Each start of a program gets a number of its own, counting from 1.
using LaunchId = uint32_t;

struct StartOutcome {
    bool started = false;
    std::wstring failureReason;  // the system's own words, when not started
    LaunchId launch = 0;         // when started
    std::wstring program;        // when started: the full path of the program's file
};

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

// Finding and starting programs.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;

    // The program a command text names: a text that names an existing file is
    // that file; any other text is a command line, a program and its
    // arguments.
    virtual ProgramLookup FindProgram(const std::wstring& commandText) = 0;

    // Starts the program of the command text with a normal, activated window
    // in its own folder, as a new launch that keeps its family together where
    // the system allows it. The program gets none of ResoLaunch's standard
    // handles; a console program gets a console of its own. From then on it
    // is the latest launch; an earlier one is no longer followed. A start that
    // fails changes nothing: the latest launch is the latest that started.
    virtual StartOutcome Start(const std::wstring& commandText) = 0;
};

}  // namespace resolaunch
