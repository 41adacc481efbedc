#pragma once

#include <string>
#include <vector>

#include "platform/launcher.h"
#include "window/layout.h"

namespace resolaunch {

// What the main window hands on to its handlers: start-up, the clicks of its
// buttons and its menu items, and the end of a launch. Form1 takes them; the window itself knows nothing of what
// they do.
class FormEvents {
public:
    virtual ~FormEvents() = default;

    // The first half of start-up: the labelled mode list. It touches no
    // control, so it may run on another thread while the window is built.
    virtual std::vector<std::wstring> LoadModeList() = 0;
    // The second half, once the controls exist: fills List1 and loads the
    // saved settings.
    virtual void Form_Load(const std::vector<std::wstring>& modeLabels) = 0;

    // A click on one of the eight buttons.
    virtual void Click(ControlId button) = 0;
    // One of the window's own items of its system menu (kSystemMenuItems).
    virtual void SystemMenuCommand(uint32_t command) = 0;
    // A launch followed to its end (Launcher::FollowToEnd) has ended.
    virtual void LaunchEnded(LaunchId launch) = 0;
};

}  // namespace resolaunch
