#include "shortcut/shortcut_maker.h"

#include "launch/launch_target.h"
#include "platform/file_path.h"
#include "text/mode_text.h"

namespace resolaunch {
namespace {

// No more copies than a person would keep on one desktop.
constexpr int kMostCopies = 1000;

// The program as the launch finds it now, by its full path (the shortcut runs
// in another folder), then the arguments exactly as typed.
std::wstring CommandLineOf(const ProgramCommand& program) {
    const bool blanks = program.program.find_first_of(L" \t") != std::wstring::npos;
    return (blanks ? L"\"" + program.program + L"\"" : program.program) + program.arguments;
}

}  // namespace

std::wstring ShortcutArguments(const ShortcutRequest& request, const ProgramCommand& program) {
    std::wstring arguments;
    if (!request.displayPath.empty()) {
        arguments += L"\"--display=" + request.displayPath + L"\" ";
    }
    if (request.mode) {
        arguments += L"--mode=" + ModeText(*request.mode) + L" ";
    }
    arguments += L"--x=" + std::to_wstring(request.x) + L" --y=" + std::to_wstring(request.y);
    if (request.mode) {
        arguments += L" --restore-on-exit";
    }
    return arguments + L" -- " + (program.namesFile ? program.program : CommandLineOf(program));
}

std::wstring ShortcutName(const std::wstring& stem, const std::optional<DisplayMode>& mode, int copy) {
    std::wstring name = stem;
    if (mode) {
        name += L" (" + std::to_wstring(mode->Width) + L"x" + std::to_wstring(mode->Height) + L")";
    }
    if (copy > 1) {
        name += L" (" + std::to_wstring(copy) + L")";
    }
    return name + L".lnk";
}

ShortcutMaker::Target ShortcutMaker::TargetOf(const std::wstring& commandText) {
    const LaunchTarget target = DecideLaunchTarget(commandText, existing_);
    if (target.kind == LaunchTarget::Kind::Url) {
        const std::wstring program = files_.ProgramPath();
        std::wstring stem = UrlShortcutStem(target.path);
        if (stem.empty()) {
            stem = target.path.substr(0, target.path.find(L':'));  // "steam://": the scheme
        }
        return {ProgramCommand{target.path, L"", FolderOf(program), true}, stem, program, L""};
    }
    ProgramLookup lookup = starter_.FindProgram(target.path);
    if (!lookup.command) {
        return {std::nullopt, L"", L"", lookup.failureReason};
    }
    ProgramCommand command = *std::move(lookup.command);
    if (target.kind == LaunchTarget::Kind::CommandText) {
        return {command, FileStemOf(command.program), command.program, L""};
    }
    // A .lnk or .url file: ResoLaunch's own icon, the file by its full path, then what was typed after it.
    if (!target.arguments.empty()) {
        command.arguments = L" " + target.arguments;
        command.namesFile = false;
    }
    return {command, FileStemOf(command.program), files_.ProgramPath(), L""};
}

ShortcutOutcome ShortcutMaker::Make(const ShortcutRequest& request) {
    const Target target = TargetOf(request.commandText);
    if (!target.command) {
        return {false, L"", target.failureReason};
    }
    const ProgramCommand& program = *target.command;
    const Shortcuts::Folder desktop = shortcuts_.DesktopFolder();
    if (!desktop.path) {
        return {false, L"", desktop.failureReason};
    }

    std::wstring path;
    for (int copy = 1; copy <= kMostCopies; ++copy) {
        path = PathInFolder(*desktop.path, ShortcutName(target.stem, request.mode, copy));
        if (!shortcuts_.Exists(path)) {
            break;
        }
    }
    const ShortcutLink link{files_.ProgramPath(), ShortcutArguments(request, program), program.folder, target.icon,
                            L"ResoLaunch"};
    if (std::optional<std::wstring> failure = shortcuts_.Save(path, link)) {
        return {false, L"", *std::move(failure)};
    }
    return {true, path, L""};
}

}  // namespace resolaunch
