#include "app/application.h"

#include "modes/module1.h"
#include "platform/win32_desktop.h"
#include "platform/win32_display_settings.h"
#include "platform/win32_file_system.h"
#include "platform/win32_launcher.h"
#include "platform/win32_messages.h"
#include "settings/options_file.h"
#include "settings/settings_store.h"
#include "window/form1.h"
#include "window/main_window.h"

namespace resolaunch {

int RunApplication(HINSTANCE instance) {
    Win32DisplaySettings display;
    Module1 module1(display);
    Win32FileSystem files;
    Win32AnsiCodec ansi;
    SettingsStore settings(files, ansi);
    OptionsStore options(files);
    Win32Desktop desktop;
    Win32Launcher launcher;

    MainWindow window(instance);
    Form1 form(window, window, FormServices{module1, settings, options, desktop, launcher});
    if (!window.Create(form)) {
        return 1;
    }
    launcher.ReportEndsTo(window.Handle(), MainWindow::kLaunchEndedMessage);
    return RunMessageLoop(window.Handle());
}

}  // namespace resolaunch
