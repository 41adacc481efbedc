// Counts the display calls that start-up makes: against a fake driver of 300
// modes (5 refresh rates per size) and, in the Windows build, against the
// real display device.
#include <cstdio>

#include "fake_display_settings.h"
#include "fake_form_controls.h"
#include "window/form1.h"

#ifdef RESOLAUNCH_REAL_DISPLAY
#include "platform/win32_display_settings.h"
#endif

namespace {

using namespace resolaunch;

class CountingDisplaySettings : public DisplaySettings {
public:
    explicit CountingDisplaySettings(DisplaySettings& inner) : inner_(inner) {}
    bool EnumerateMode(uint32_t modeNumber, ModeRequest& request) override {
        ++enumerateCalls;
        return inner_.EnumerateMode(modeNumber, request);
    }
    int32_t ChangeMode(ModeRequest* request, uint32_t flags) override {
        flags == kChangeTest ? ++testCalls : ++otherCalls;
        return inner_.ChangeMode(request, flags);
    }
    int enumerateCalls = 0, testCalls = 0, otherCalls = 0;

private:
    DisplaySettings& inner_;
};

void Report(const char* driver, DisplaySettings& display) {
    CountingDisplaySettings counting(display);
    Module1 module(counting);
    testing::FakeFormControls controls;
    Form1 form(module, controls);
    form.Form_Load();
    std::printf("%s: %zu modes listed, %d enumeration calls, %d test calls (%zu without reuse), %d switches\n",
                driver, controls.list.size(), counting.enumerateCalls, counting.testCalls, controls.list.size(),
                counting.otherCalls);
}

}  // namespace

int main() {
    testing::FakeDisplaySettings fake(testing::DriverModes(20, {32, 16, 8}, 5));
    Report("fake driver (300 modes, 5 refresh rates per size)", fake);
#ifdef RESOLAUNCH_REAL_DISPLAY
    Win32DisplaySettings real;
    Report("this display device", real);
#endif
    return 0;
}
