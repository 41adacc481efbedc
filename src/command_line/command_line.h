#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/process_identity.h"
#include "text/mode_text.h"

namespace resolaunch {

// What a good command line asks for.
struct CommandLineRequest {
    enum class Action {
        Window,   // no arguments: the main window, as always
        Run,      // switch and/or start a program
        Restore,  // --restore
        List,     // --list
        Help,     // --help, /?, -?, -h
        Version,  // --version
        Guard,    // started by a ResoLaunch that owes a restore, as its guard
    };
    Action action = Action::Window;
    std::optional<ModeArgument> mode;
    std::optional<int32_t> x;
    std::optional<int32_t> y;
    bool restoreOnExit = false;
    // The program as typed: a program file's path as a whole, or a command line.
    std::optional<std::wstring> program;
    // --display=: the display --mode, --x/--y and --list are about, as typed.
    std::optional<std::wstring> display;
    // --wait-for=: the program to wait for, as typed; empty without it.
    std::wstring waitFor;
    // The hidden --guard=<id>-<created>,<pipe>, which stands alone: the
    // owner, and the guard's inherited end of the pipe its owner holds.
    ProcessIdentity guardOwner;
    uint64_t guardPipe = 0;

    friend bool operator==(const CommandLineRequest&, const CommandLineRequest&) = default;
};

// Why a command line cannot be run.
enum class CommandLineFault {
    UnknownOption,
    RepeatedOption,
    BadValue,
    XWithoutY,            // --x without --y, or the reverse
    NoProgram,            // --x/--y, --restore-on-exit or --wait-for without a program
    RestoreWithoutMode,   // --restore-on-exit without --mode
    NothingToDo,          // neither --mode nor a program
    NotAlone,             // an option that stands alone, with anything else
    DisplayWithoutUse,    // --display without --mode, --x/--y or --list
};

// A command line that cannot be run; `argument` is the one at fault.
struct CommandLineError {
    std::wstring argument;
    CommandLineFault fault = CommandLineFault::UnknownOption;
    friend bool operator==(const CommandLineError&, const CommandLineError&) = default;
};

using ParsedCommandLine = std::variant<CommandLineRequest, CommandLineError>;

// Reads ResoLaunch's own command line, as the system hands it over (the
// program's own name first):
//   [--display=D] [--mode=WxH[xBITS][@HZ]] [--x=N --y=N] [--restore-on-exit] [--wait-for=NAME]
//   [--] [PROGRAM [ARGUMENTS...]]
//   --restore | --list [--display=D] | --help (/?, -?, -h) | --version
// Options are exactly these, in lower case, each at most once, before the
// program. The program is the rest of the line from the first argument that
// does not begin with "-" (or from after "--", blanks dropped), exactly as
// typed. Sizes, depth and positions are written as in the X and Y boxes.
ParsedCommandLine ParseCommandLine(std::wstring_view commandLine);

// The message for a line that cannot be run: the argument at fault, the
// reason, and where the usage is.
std::wstring BadCommandLineMessage(const CommandLineError& error);
// The message for a mode the display-mode table does not hold, and where the usage is.
std::wstring MissingModeMessage(const ModeArgument& mode);
// The message for a --display= that names no attached display, and where the usage is.
std::wstring MissingDisplayMessage(const std::wstring& display);

// "ResoLaunch 0.2.0": the program and its version.
std::wstring ProgramVersionLine();
// The version line, then the usage, in Japanese.
std::wstring CommandLineUsage();

}  // namespace resolaunch
