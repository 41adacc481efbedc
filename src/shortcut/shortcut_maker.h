#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "modes/display_mode.h"
#include "platform/existing_files.h"
#include "platform/file_system.h"
#include "platform/program_starter.h"
#include "platform/shortcuts.h"

namespace resolaunch {

// What a shortcut made from the window is to do: what 解像度変更＞起動 would
// do with these values, without saving, and put the screen back afterwards.
struct ShortcutRequest {
    std::wstring commandText;         // Text1
    std::optional<DisplayMode> mode;  // the selected mode, if any
    int32_t x = 0;
    int32_t y = 0;
    // The chosen display's monitor interface path; empty for the primary.
    std::wstring displayPath = {};
};

struct ShortcutOutcome {
    bool made = false;
    std::wstring path;           // of the shortcut made
    std::wstring failureReason;  // the system's own words, when not made
};

// The command line a shortcut runs ResoLaunch with:
//   ["--display=PATH"] --mode=WxHxBITS --x=X --y=Y --restore-on-exit -- PROGRAM
// (no --display for the primary, no --mode and no --restore-on-exit without a mode). PROGRAM is the full
// path of the file Text1 names; for a command line, the full path of its
// program (quoted when it has blanks), then its arguments as typed; a URL as
// typed.
std::wstring ShortcutArguments(const ShortcutRequest& request, const ProgramCommand& program);

// The shortcut's file name: the program's name (`stem`), and the mode, as in
// "game (800x600).lnk"; " (2)", " (3)"... when that name is taken.
std::wstring ShortcutName(const std::wstring& stem, const std::optional<DisplayMode>& mode, int copy);

// Makes shortcuts on the user's desktop that run ResoLaunch's command line.
class ShortcutMaker {
public:
    ShortcutMaker(ProgramStarter& starter, FileSystem& files, Shortcuts& shortcuts, ExistingFiles& existing)
        : starter_(starter), files_(files), shortcuts_(shortcuts), existing_(existing) {}

    // Text1 as 解像度変更＞起動 reads it (DecideLaunchTarget): a .lnk or .url
    // file goes in by its full path (a link with the arguments after it), a
    // URL as typed and named after its last path segment.
    ShortcutOutcome Make(const ShortcutRequest& request);

private:
    struct Target {
        std::optional<ProgramCommand> command;  // what goes after "--", with the folder it runs in
        std::wstring stem;                      // the shortcut is named after it
        std::wstring icon;
        std::wstring failureReason;
    };
    Target TargetOf(const std::wstring& commandText);

    ProgramStarter& starter_;
    FileSystem& files_;
    Shortcuts& shortcuts_;
    ExistingFiles& existing_;
};

}  // namespace resolaunch
