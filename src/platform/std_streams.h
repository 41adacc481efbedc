#pragma once

#include <string>
#include <string_view>

namespace resolaunch {

enum class StdStream { Output, Error };

// What a standard handle of the program leads to.
enum class StreamTarget {
    FileOrPipe,  // a valid handle that is no console
    Console,     // a console's handle
    None,        // no handle at all, as for a program started from a shortcut
};

// What a message box says, shown by its icon.
enum class MessageKind { Information, Warning, Error };

// The program's standard output and error, its parent's console, and the
// message box when there is neither.
class StdStreams {
public:
    virtual ~StdStreams() = default;

    virtual StreamTarget TargetOf(StdStream stream) = 0;
    virtual void WriteBytes(StdStream stream, std::string_view bytes) = 0;

    // Joins the console of the program that started this one, when it has
    // one (cmd, PowerShell); true when a console is there to write to.
    virtual bool AttachParentConsole() = 0;
    virtual void WriteToConsole(StdStream stream, std::wstring_view text) = 0;

    // A message box titled "ResoLaunch", with one OK button and the icon of its kind.
    virtual void ShowMessageBox(const std::wstring& text, MessageKind kind) = 0;
};

}  // namespace resolaunch
