#pragma once

#include "fake_ansi_codec.h"
#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_file_system.h"
#include "fake_form_controls.h"
#include "fake_shortcuts.h"
#include "window/form1.h"

namespace resolaunch::testing {

// Form1 wired to fakes of everything it uses. Window actions, messages,
// saved files, moves and starts share one log, controls.changes, so tests
// can check order.
struct FormHarness {
    FormHarness() { files.log = &controls.changes; }

    FakeDisplaySettings display;
    FakeFormControls controls;
    FakeUserMessages messages{controls.changes};
    FakeFileSystem files;
    Cp932Codec codec;
    FakeDesktop desktop{controls.changes};
    FakeLauncher launcher{controls.changes};
    Module1 modes{display};
    SettingsStore store{files, codec};
    OptionsStore options{files};
    FakeShortcuts shortcutFiles;
    ShortcutMaker shortcuts{launcher, files, shortcutFiles};
    Form1 form{controls, messages, FormServices{modes, store, options, desktop, launcher, shortcuts}};
};

}  // namespace resolaunch::testing
