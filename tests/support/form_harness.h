#pragma once

#include "fake_ansi_codec.h"
#include "fake_desktop.h"
#include "fake_display_settings.h"
#include "fake_displays.h"
#include "fake_file_system.h"
#include "fake_form_controls.h"
#include "fake_guard.h"
#include "fake_return_key.h"
#include "fake_shortcuts.h"
#include "window/form1.h"

namespace resolaunch::testing {

// Form1 wired to fakes of everything it uses. Window actions, messages,
// saved files, moves and starts share one log, controls.changes, so tests
// can check order.
struct FormHarness {
    FormHarness() { files.log = &controls.changes; }

    // A launch button's flow to its end: the click, then the message loop
    // until the wait for the program's window is over.
    void Command1(int16_t index) {
        form.Command1_Click(index);
        loop.RunWhileTicking();
    }
    void Click(ControlId button) {
        form.Click(button);
        loop.RunWhileTicking();
    }

    FakeDisplaySettings display;
    FakeDisplays displays;
    FakeFormControls controls;
    FakeUserMessages messages{controls.changes};
    FakeFileSystem files;
    Cp932Codec codec;
    FakeDesktop desktop{controls.changes};
    FakeLoop loop;
    FakeLauncher launcher{controls.changes, loop};
    Module1 modes{display};
    SettingsStore store{files, codec};
    OptionsStore options{files};
    FakeShortcuts shortcutFiles;
    ShortcutMaker shortcuts{launcher, files, shortcutFiles, files};
    FakeReturnKey returnKey;
    FakeGuard guard;
    // What a Form1 of this harness is given: all of the fakes above.
    FormServices Services() {
        return FormServices{modes, displays, store, options,
                            LaunchServices{{launcher, files, shortcutFiles, files, codec, launcher}, launcher, launcher,
                                           desktop, loop.ticker, guard},
                            shortcuts, returnKey};
    }
    Form1 form{controls, messages, Services()};
};

}  // namespace resolaunch::testing
