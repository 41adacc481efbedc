#pragma once

#include <windows.h>

namespace resolaunch {

// Builds the program from its parts (the platform's services, the display
// modes, the settings, the handlers and the window), runs it and returns its
// exit code.
int RunApplication(HINSTANCE instance);

}  // namespace resolaunch
