#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/program_starter.h"
#include "window/layout.h"

namespace resolaunch {

// What the main window hands on to its handlers: start-up, the clicks of its
// buttons and its menu items, and the end of a launch. Form1 takes them; the window itself knows nothing of what
// they do.
class FormEvents {
public:
    virtual ~FormEvents() = default;

    // Start-up, once the controls exist and before the window is shown.
    virtual void Form_Load() = 0;

    // A click on one of the eight buttons.
    virtual void Click(ControlId button) = 0;
    // One of the window's own items of its system menu (kSystemMenuItems,
    // or a display of the submenu "ディスプレイ").
    virtual void SystemMenuCommand(uint32_t command) = 0;
    // The system menu opens: the submenu "ディスプレイ"'s items, built afresh.
    struct DisplayMenuItem {
        std::wstring caption;
        bool chosen = false;
    };
    virtual std::vector<DisplayMenuItem> DisplayMenu() = 0;
    // A launch followed to its end (LaunchFamilies::FollowToEnd) has ended.
    virtual void LaunchEnded(LaunchId launch) = 0;
};

}  // namespace resolaunch
