#pragma once

#include <string>

#include "platform/ansi_codec.h"
#include "platform/existing_files.h"
#include "platform/file_system.h"
#include "platform/program_starter.h"
#include "platform/shortcuts.h"
#include "platform/url_handlers.h"

namespace resolaunch {

// What starting 実行ファイル名's target takes of the platform.
struct TargetStartServices {
    ProgramStarter& starter;
    ExistingFiles& existing;
    Shortcuts& shortcuts;
    FileSystem& files;
    AnsiCodec& ansi;
    UrlHandlers& urlHandlers;
};

struct TargetStart {
    StartedProgram started;
    // Started from a URL or a .url file: the handler and what it keeps open
    // are not the game.
    bool fromUrl = false;
};

// Starts what the text names (DecideLaunchTarget), each kind its own way:
// a .lnk file's target in the link's working folder, or the link through the
// shell when only the shell can open it; a .url file's URL; a URL by its
// handler's command line, or through the shell when the handler has none;
// else the command text as it stands.
TargetStart StartLaunchTarget(const std::wstring& typed, const TargetStartServices& services);

}  // namespace resolaunch
