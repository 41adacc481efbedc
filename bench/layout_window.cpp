// The layout baseline: ResoLaunch's own main window (the same window code,
// manifest, icon, fonts and 16 controls) with handlers that do nothing: no
// display mode table, no settings file. What ResoLaunch takes at start-up
// beyond this program is the product's own start-up work.
#include <windows.h>

#include <cstdint>

#include "platform/win32_message_loop.h"
#include "window/form_events.h"
#include "window/main_window.h"

namespace {

class NoEvents final : public resolaunch::FormEvents {
public:
    void Form_Load() override {}
    void Click(resolaunch::ControlId) override {}
    void SystemMenuCommand(uint32_t) override {}
    void LaunchEnded(resolaunch::LaunchId) override {}
    std::vector<DisplayMenuItem> DisplayMenu() override { return {}; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    NoEvents events;
    resolaunch::MainWindow window(instance);
    if (!window.Create(events)) {
        return 1;
    }
    resolaunch::Win32Clock clock;
    resolaunch::LoopTicker ticker(clock);
    return resolaunch::RunMessageLoop(window.Handle(), ticker);
}
