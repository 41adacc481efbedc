// Counts the display calls that start-up makes: against a fake driver of 300
// modes (5 refresh rates per size) and, in the Windows build, against the
// real display device. Also shows how long those calls took.
//
//   startup_calls [OUTPUT_FILE]
//
// The report goes to stdout and, when given, to OUTPUT_FILE as well (a
// program started inside Wine's explorer desktop has no usable stdout).
#include <chrono>
#include <cstdio>
#include <string>

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

#ifdef RESOLAUNCH_REAL_DISPLAY
#include "platform/win32_display_settings.h"
#endif

namespace {

using namespace resolaunch;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

class CountingDisplaySettings : public DisplaySettings {
public:
    explicit CountingDisplaySettings(DisplaySettings& inner) : inner_(inner) {}
    bool EnumerateMode(uint32_t modeNumber, ModeRequest& request) override {
        ++enumerateCalls;
        const Clock::time_point start = Clock::now();
        const bool found = inner_.EnumerateMode(modeNumber, request);
        enumerateTime += Clock::now() - start;
        return found;
    }
    bool CurrentMode(ModeRequest& request) override { return inner_.CurrentMode(request); }
    bool StoredMode(ModeRequest& request) override { return inner_.StoredMode(request); }
    bool EnumerateModeOn(const std::wstring& device, uint32_t modeNumber, ModeRequest& request) override {
        return inner_.EnumerateModeOn(device, modeNumber, request);
    }
    bool CurrentModeOn(const std::wstring& device, ModeRequest& request) override {
        return inner_.CurrentModeOn(device, request);
    }
    bool StoredModeOn(const std::wstring& device, ModeRequest& request) override {
        return inner_.StoredModeOn(device, request);
    }
    int32_t ChangeModeOn(const std::wstring& device, ModeRequest* request, uint32_t flags) override {
        return inner_.ChangeModeOn(device, request, flags);
    }
    int32_t ChangeMode(ModeRequest* request, uint32_t flags) override {
        flags == kChangeTest ? ++testCalls : ++otherCalls;
        const Clock::time_point start = Clock::now();
        const int32_t result = inner_.ChangeMode(request, flags);
        (flags == kChangeTest ? testTime : otherTime) += Clock::now() - start;
        return result;
    }
    int enumerateCalls = 0, testCalls = 0, otherCalls = 0;
    Clock::duration enumerateTime{}, testTime{}, otherTime{};

private:
    DisplaySettings& inner_;
};

std::string Report(const char* driver, DisplaySettings& display) {
    CountingDisplaySettings counting(display);
    Module1 module(counting);
    testing::FakeFormControls controls;
    testing::FakeUserMessages messages;
    testing::FakeFileSystem files;  // no path.txt
    testing::Latin1Codec codec;
    SettingsStore settings(files, codec);
    OptionsStore options(files);
    testing::FakeDesktop desktop(controls.changes);
    testing::FakeLoop loop;
    testing::FakeLauncher launcher(controls.changes, loop);
    testing::FakeShortcuts shortcutFiles;
    ShortcutMaker shortcuts(launcher, files, shortcutFiles, files);
    testing::FakeDisplays displays;  // no ResoLaunch.ini: the primary, never asked
    testing::FakeGuard guard;
    const LaunchServices launch{{launcher, files, shortcutFiles, files, codec, launcher}, launcher, launcher, desktop,
                                loop.ticker, guard};
    testing::FakeReturnKey returnKey;
    Form1 form(controls, messages, FormServices{module, displays, settings, options, launch, shortcuts, returnKey});
    const Clock::time_point start = Clock::now();
    form.Form_Load();
    const Clock::duration total = Clock::now() - start;

    char line[512];
    std::snprintf(line, sizeof(line),
                  "%s: %zu modes listed, %d enumeration calls, %d test calls (%zu without reuse), %d switches\n"
                  "  Form_Load %.2f ms: enumeration %.2f ms, tests %.2f ms, the rest %.2f ms\n",
                  driver, controls.list.size(), counting.enumerateCalls, counting.testCalls, controls.list.size(),
                  counting.otherCalls, Ms(total), Ms(counting.enumerateTime), Ms(counting.testTime),
                  Ms(total - counting.enumerateTime - counting.testTime - counting.otherTime));
    return line;
}

bool WriteFile(const std::string& path, const std::string& text) {
    const std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        return false;
    }
    std::remove(path.c_str());
    return std::rename(partial.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: startup_calls [OUTPUT_FILE]\n");
        return 2;
    }
    std::string report;
    testing::FakeDisplaySettings fake(testing::DriverModes(20, {32, 16, 8}, 5));
    report += Report("fake driver (300 modes, 5 refresh rates per size)", fake);
#ifdef RESOLAUNCH_REAL_DISPLAY
    Win32DisplaySettings real;
    report += Report("this display device", real);
    // Once more: the first round pays for loading the display driver.
    report += Report("this display device, again", real);
#endif
    std::fputs(report.c_str(), stdout);
    // Written under another name and then renamed, so that a reader waiting
    // for the file never sees half of it.
    if (argc == 2 && !WriteFile(argv[1], report)) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
