#pragma once

#include "modes/module1.h"
#include "window/form_controls.h"

namespace resolaunch {

// The main window's event handlers, free of any platform code.
class Form1 {
public:
    Form1(Module1& modes, FormControls& controls) : modes_(modes), controls_(controls) {}

    // Start-up: fills the mode table and writes one labelled entry per mode
    // into List1, in table order, so entry i always stands for mode i.
    void Form_Load();

private:
    Module1& modes_;
    FormControls& controls_;
};

}  // namespace resolaunch
