#pragma once

#include <string>

#include "platform/ansi_codec.h"
#include "platform/std_streams.h"

namespace resolaunch {

// Where the command line's text goes, stream by stream: into a file or pipe
// as bytes in the ANSI code page; else to the console ResoLaunch was started
// from; else, started from a shortcut or Explorer, into a message box.
class CommandOutput {
public:
    CommandOutput(StdStreams& streams, AnsiCodec& codec) : streams_(streams), codec_(codec) {}

    // To standard output: the list, the usage, the version.
    void Print(const std::wstring& text) { Write(StdStream::Output, text, MessageKind::Information); }
    // To standard error: what went wrong, or a warning.
    void Report(const std::wstring& message, MessageKind kind = MessageKind::Error) {
        Write(StdStream::Error, message, kind);
    }

private:
    void Write(StdStream stream, const std::wstring& text, MessageKind kind);
    // The text in the code page, a character it lacks as "?".
    std::string Encoded(const std::wstring& text);

    StdStreams& streams_;
    AnsiCodec& codec_;
};

}  // namespace resolaunch
