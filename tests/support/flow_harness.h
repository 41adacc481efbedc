#pragma once

#include <string>
#include <vector>

#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_displays.h"
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
    RestoreOnEnd restoreOnEnd;
    LaunchFlow flow{launcher, launcher, desktop, loop.ticker, modes, displays, restoreOnEnd};
};

}  // namespace resolaunch::testing
