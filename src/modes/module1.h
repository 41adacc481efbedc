#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "modes/display_mode.h"
#include "platform/display_settings.h"

namespace resolaunch {

// The program's knowledge of the display: the table of every mode the
// selected display reports, and the operations that test and set a mode.
class Module1 {
public:
    // Upper bound on the table: the list index is stored as a 16-bit number,
    // and a driver that never stops enumerating must not hang start-up.
    static constexpr int32_t kMaxModes = 32768;

    explicit Module1(DisplaySettings& display) : display_(display) {}

    // The display the table, the tests and the switches are about, by its
    // device name; "" (the start's) is the primary, through the platform's
    // calls without a device. Load the table again after a change.
    void SelectDisplay(const std::wstring& device) { device_ = device; }
    const std::wstring& SelectedDisplay() const { return device_; }

    // Fills DisplayModes in the platform's enumeration order (duplicates
    // kept), anew, and returns the number of modes stored.
    int32_t LoadDisplayModes();

    // Asks whether the requested depth and size could be set now (CDS_TEST);
    // the screen does not change. Sets request.dmFields itself.
    int32_t TestDisplayMode(ModeRequest& request);

    // The test's answer for every element of DisplayModes, in table order.
    // A request names only depth and size, so each distinct mode is tested
    // once and its duplicates (other refresh rates) share the answer.
    std::vector<int32_t> TestEachDisplayMode();

    // Tests the mode, then switches to it unless the test refused it (a
    // negative result, returned as it is). Flag 1 also stores the mode as
    // the default; any other value switches for this session only. Test and
    // switch ask for `rate` when one is given; otherwise for the refresh rate
    // of the stored default mode when the table lists the mode at that rate,
    // not interlaced; otherwise the platform picks the rate.
    int32_t ApplyDisplayMode(const int32_t& Width, const int32_t& Height, const int16_t& Bits, const int16_t& Flag,
                             std::optional<uint32_t> rate = std::nullopt);

    // Returns the screen to the mode stored as the default.
    int32_t RestoreDisplayMode();
    // Returns `device` ("" the primary) to its stored mode when its size or
    // depth is not that mode's after RestoreDisplayMode (a driver may leave a
    // display as it is); nothing when there was nothing to do, or when the
    // stored mode cannot be read.
    std::optional<int32_t> RestoreDisplayLeftOut(const std::wstring& device);

    // The depth and size the selected display has now; nothing when it cannot be told.
    std::optional<DisplayMode> CurrentDisplayMode() { return CurrentDisplayModeOn(device_); }
    std::optional<DisplayMode> CurrentDisplayModeOn(const std::wstring& device);

    // The first mode of the table with that size, and that depth when one is
    // given; without one, the screen's current depth or else the deepest
    // offered at that size. With a rate, only entries listed at that rate
    // count. Nothing when the table holds no such mode.
    std::optional<DisplayMode> FindDisplayMode(int32_t width, int32_t height, std::optional<int32_t> bits,
                                               std::optional<uint32_t> rate = std::nullopt);

    const std::vector<DisplayMode>& DisplayModes() const { return displayModes_; }

private:
    // What the table drops of each entry: its refresh rate and whether it is interlaced.
    struct EntryRate {
        uint32_t frequency = 0;
        bool interlaced = false;
    };

    bool ListsProgressive(const DisplayMode& mode, uint32_t rate) const;
    std::optional<uint32_t> StoredRateFor(const DisplayMode& mode);
    // The platform's calls on the selected display.
    bool Enumerate(uint32_t modeNumber, ModeRequest& request);
    bool Stored(const std::wstring& device, ModeRequest& request);
    int32_t Change(ModeRequest* request, uint32_t flags);

    DisplaySettings& display_;
    std::wstring device_;
    std::vector<DisplayMode> displayModes_;
    std::vector<EntryRate> entryRates_;  // one per entry of displayModes_
};

}  // namespace resolaunch
