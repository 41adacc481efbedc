// libFuzzer target for ResoLaunch's command-line reader. Besides finding
// crashes, it checks what the reader promises: the program is the rest of
// the line exactly as typed, and a line is either the window's, one that
// runs, or one that names the argument at fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>

#include "command_line/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two bytes a character, as the system hands a command line over: any
    // 16-bit value, lone surrogates too.
    std::wstring line;
    for (size_t i = 0; i + 1 < size; i += 2) {
        line += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    const resolaunch::ParsedCommandLine parsed = resolaunch::ParseCommandLine(line);
    if (const auto* request = std::get_if<resolaunch::CommandLineRequest>(&parsed)) {
        using Action = resolaunch::CommandLineRequest::Action;
        if (request->program && !std::wstring_view(line).ends_with(*request->program)) {
            std::abort();
        }
        if (request->action == Action::Run && !request->program && !request->mode) {
            std::abort();  // nothing to do is a bad line
        }
        if (request->restoreOnExit && (!request->mode || !request->program)) {
            std::abort();
        }
        if (request->x.has_value() != request->y.has_value()) {
            std::abort();
        }
    } else if (std::get<resolaunch::CommandLineError>(parsed).argument.empty()) {
        std::abort();  // the message names something
    }
    return 0;
}
