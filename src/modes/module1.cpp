#include "modes/module1.h"

#include <map>

namespace resolaunch {
namespace {

// Only the low 16 bits of the depth are kept.
DisplayMode ModeOf(const ModeRequest& request) {
    return DisplayMode{static_cast<int16_t>(request.dmBitsPerPel & 0xFFFFu), static_cast<int32_t>(request.dmPelsWidth),
                       static_cast<int32_t>(request.dmPelsHeight)};
}

}  // namespace

bool Module1::Enumerate(uint32_t modeNumber, ModeRequest& request) {
    return device_.empty() ? display_.EnumerateMode(modeNumber, request)
                           : display_.EnumerateModeOn(device_, modeNumber, request);
}

bool Module1::Stored(const std::wstring& device, ModeRequest& request) {
    return device.empty() ? display_.StoredMode(request) : display_.StoredModeOn(device, request);
}

int32_t Module1::Change(ModeRequest* request, uint32_t flags) {
    return device_.empty() ? display_.ChangeMode(request, flags) : display_.ChangeModeOn(device_, request, flags);
}

int32_t Module1::LoadDisplayModes() {
    displayModes_.clear();
    entryRates_.clear();
    // One record for every call, not cleared in between, as the platform expects
    // of a caller walking the mode numbers.
    ModeRequest request;
    request.dmSize = kModeRequestSize;

    int32_t n = 0;
    while (n < kMaxModes && Enumerate(static_cast<uint32_t>(n), request)) {
        displayModes_.push_back(ModeOf(request));
        entryRates_.push_back({request.dmDisplayFrequency, (request.dmDisplayFlags & kInterlacedFlag) != 0});
        ++n;
    }
    return n;
}

int32_t Module1::TestDisplayMode(ModeRequest& request) {
    request.dmFields = kModeRequestFields | (request.dmDisplayFrequency != 0 ? kDisplayFrequencyField : 0);
    return Change(&request, kChangeTest);
}

std::vector<int32_t> Module1::TestEachDisplayMode() {
    std::map<DisplayMode, int32_t> answers;
    std::vector<int32_t> results;
    results.reserve(displayModes_.size());
    for (const DisplayMode& mode : displayModes_) {
        auto [answer, untested] = answers.try_emplace(mode, 0);
        if (untested) {
            ModeRequest request;
            request.dmSize = kModeRequestSize;
            request.dmBitsPerPel = static_cast<uint32_t>(int32_t{mode.Bits});
            request.dmPelsWidth = static_cast<uint32_t>(mode.Width);
            request.dmPelsHeight = static_cast<uint32_t>(mode.Height);
            answer->second = TestDisplayMode(request);
        }
        results.push_back(answer->second);
    }
    return results;
}

bool Module1::ListsProgressive(const DisplayMode& mode, uint32_t rate) const {
    for (std::size_t i = 0; i < displayModes_.size(); ++i) {
        if (displayModes_[i] == mode && entryRates_[i].frequency == rate && !entryRates_[i].interlaced) {
            return true;
        }
    }
    return false;
}

std::optional<uint32_t> Module1::StoredRateFor(const DisplayMode& mode) {
    ModeRequest stored;
    stored.dmSize = kModeRequestSize;
    // 0 and 1 stand for the hardware's default rate, not a rate.
    if (!Stored(device_, stored) || stored.dmDisplayFrequency <= 1 ||
        !ListsProgressive(mode, stored.dmDisplayFrequency)) {
        return std::nullopt;
    }
    return stored.dmDisplayFrequency;
}

int32_t Module1::ApplyDisplayMode(const int32_t& Width, const int32_t& Height, const int16_t& Bits,
                                  const int16_t& Flag, std::optional<uint32_t> rate) {
    if (!rate) {
        rate = StoredRateFor(DisplayMode{Bits, Width, Height});
    }
    ModeRequest request;
    request.dmSize = kModeRequestSize;
    request.dmBitsPerPel = static_cast<uint32_t>(int32_t{Bits});
    request.dmPelsWidth = static_cast<uint32_t>(Width);
    request.dmPelsHeight = static_cast<uint32_t>(Height);
    request.dmDisplayFrequency = rate.value_or(0);

    const int32_t tested = TestDisplayMode(request);
    if (tested < 0) {
        return tested;
    }
    return Change(&request, Flag == 1 ? kChangeUpdateRegistry : 0);
}

int32_t Module1::RestoreDisplayMode() { return display_.ChangeMode(nullptr, 0); }

std::optional<int32_t> Module1::RestoreDisplayLeftOut(const std::wstring& device) {
    ModeRequest stored;
    stored.dmSize = kModeRequestSize;
    if (!Stored(device, stored) || CurrentDisplayModeOn(device) == ModeOf(stored)) {
        return std::nullopt;
    }
    return device.empty() ? display_.ChangeMode(nullptr, 0) : display_.ChangeModeOn(device, nullptr, 0);
}

std::optional<DisplayMode> Module1::CurrentDisplayModeOn(const std::wstring& device) {
    ModeRequest request;
    request.dmSize = kModeRequestSize;
    if (!(device.empty() ? display_.CurrentMode(request) : display_.CurrentModeOn(device, request))) {
        return std::nullopt;
    }
    return ModeOf(request);
}

std::optional<DisplayMode> Module1::FindDisplayMode(int32_t width, int32_t height, std::optional<int32_t> bits,
                                                    std::optional<uint32_t> rate) {
    if (!bits) {
        if (const std::optional<DisplayMode> current = CurrentDisplayMode()) {
            if (std::optional<DisplayMode> found = FindDisplayMode(width, height, current->Bits, rate)) {
                return found;
            }
        }
    }
    std::optional<DisplayMode> found;
    for (std::size_t i = 0; i < displayModes_.size(); ++i) {
        const DisplayMode& mode = displayModes_[i];
        if (mode.Width != width || mode.Height != height || (rate && entryRates_[i].frequency != *rate)) {
            continue;
        }
        if (bits ? mode.Bits == *bits : !found || mode.Bits > found->Bits) {
            found = mode;
            if (bits) {
                break;
            }
        }
    }
    return found;
}

}  // namespace resolaunch
