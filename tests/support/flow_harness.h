#pragma once

#include <string>
#include <vector>

#include "fake_ansi_codec.h"
#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_displays.h"
#include "fake_file_system.h"
#include "fake_guard.h"
#include "fake_shortcuts.h"
#include "flows/launch_flow.h"

namespace resolaunch::testing {

// A LaunchFlow wired to fakes; the desktop's moves and the launcher's starts
// share one log.
struct FlowHarness {
    std::vector<std::wstring> log;
    FakeDesktop desktop{log};
    FakeLoop loop;
    FakeLauncher launcher{log, loop};
    FakeDisplaySettings display;
    Module1 modes{display};
    FakeDisplays displays;
    FakeFileSystem files;
    FakeShortcuts shortcutFiles;
    Cp932Codec codec;
    SwitchRecords records{files, launcher};
    FakeGuard guard;
    SwitchOwner switches{modes, displays, records, &guard};
    LaunchFlow flow{LaunchServices{{launcher, files, shortcutFiles, files, codec, launcher},
                                   launcher, launcher, desktop, loop.ticker, guard},
                    switches};
};

}  // namespace resolaunch::testing
