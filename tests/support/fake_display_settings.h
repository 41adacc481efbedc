#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_settings.h"

namespace resolaunch::testing {

struct FakeMode {
    uint32_t bits;
    uint32_t width;
    uint32_t height;
    uint32_t frequency = 60;
    uint32_t displayFlags = 0;
};

// A display driver of a given mode list. Tests answer as `testResult` says;
// every call is recorded.
class FakeDisplaySettings : public DisplaySettings {
public:
    struct ChangeCall {
        std::optional<ModeRequest> request;  // empty for a null record
        uint32_t flags;
    };

    FakeDisplaySettings() = default;
    explicit FakeDisplaySettings(std::vector<FakeMode> driverModes) : modes(std::move(driverModes)) {}

    bool EnumerateMode(uint32_t modeNumber, ModeRequest& request) override {
        ++enumerateCalls;
        if (modeNumber >= modes.size()) {
            return false;
        }
        const FakeMode& mode = modes[modeNumber];
        request.dmFields = 0x005C0000;  // what drivers report: depth, size and frequency
        request.dmBitsPerPel = mode.bits;
        request.dmPelsWidth = mode.width;
        request.dmPelsHeight = mode.height;
        request.dmDisplayFrequency = mode.frequency;
        request.dmDisplayFlags = mode.displayFlags;
        return true;
    }

    // Windows keeps the display's default mode in the registry, refresh rate
    // included; ENUM_REGISTRY_SETTINGS reads it. Unset: it cannot be told.
    bool StoredMode(ModeRequest& request) override {
        if (!stored) {
            return false;
        }
        request.dmBitsPerPel = stored->bits;
        request.dmPelsWidth = stored->width;
        request.dmPelsHeight = stored->height;
        request.dmDisplayFrequency = stored->frequency;
        request.dmDisplayFlags = stored->displayFlags;
        return true;
    }

    bool CurrentMode(ModeRequest& request) override {
        if (!current) {
            return false;
        }
        request.dmBitsPerPel = current->bits;
        request.dmPelsWidth = current->width;
        request.dmPelsHeight = current->height;
        return true;
    }

    // Another display, set up by the test; the calls naming it go there.
    FakeDisplaySettings& Other(const std::wstring& device) {
        auto& other = others[device];
        if (!other) {
            other = std::make_unique<FakeDisplaySettings>();
        }
        return *other;
    }
    bool EnumerateModeOn(const std::wstring& device, uint32_t modeNumber, ModeRequest& request) override {
        return others.count(device) != 0 && others.at(device)->EnumerateMode(modeNumber, request);
    }
    bool CurrentModeOn(const std::wstring& device, ModeRequest& request) override {
        return others.count(device) != 0 && others.at(device)->CurrentMode(request);
    }
    bool StoredModeOn(const std::wstring& device, ModeRequest& request) override {
        return others.count(device) != 0 && others.at(device)->StoredMode(request);
    }
    int32_t ChangeModeOn(const std::wstring& device, ModeRequest* request, uint32_t flags) override {
        if (request == nullptr) {
            restores.push_back(device);
        }
        return others.count(device) != 0 ? others.at(device)->ChangeMode(request, flags) : kChangeBadParameter;
    }

    int32_t ChangeMode(ModeRequest* request, uint32_t flags) override {
        changeCalls.push_back({request ? std::optional<ModeRequest>(*request) : std::nullopt, flags});
        if (request == nullptr) {
            restores.push_back(L"");
            // Windows returns every display to the registry's mode, unless a
            // driver keeps a display as it is (as a test may have it).
            if (nullRestoreCoversOthers && switchResult == kChangeSuccessful) {
                for (auto& [device, other] : others) {
                    other->current = other->defaultMode;
                }
            }
        }
        if (flags == kChangeTest) {
            ++testCalls;
            return testResult(*request);
        }
        if (switchHook) {
            switchHook();
        }
        if (switchResult == kChangeSuccessful) {
            current = request ? FakeMode{request->dmBitsPerPel, request->dmPelsWidth, request->dmPelsHeight}
                              : defaultMode;
        }
        return switchResult;
    }

    std::vector<FakeMode> modes;
    std::function<int32_t(const ModeRequest&)> testResult = [](const ModeRequest&) { return kChangeSuccessful; };
    int32_t switchResult = kChangeSuccessful;
    std::function<void()> switchHook;  // called on every switch or restore
    FakeMode defaultMode{32, 1024, 768};
    std::optional<FakeMode> current = defaultMode;  // the screen's mode; follows successful switches
    std::optional<FakeMode> stored;                 // what ENUM_REGISTRY_SETTINGS gives
    std::map<std::wstring, std::unique_ptr<FakeDisplaySettings>> others;
    bool nullRestoreCoversOthers = true;
    std::vector<std::wstring> restores;  // the device of each restore, "" for the null one
    static constexpr int32_t kChangeBadParameter = -5;  // DISP_CHANGE_BADPARAM

    int enumerateCalls = 0;
    int testCalls = 0;
    std::vector<ChangeCall> changeCalls;
};

// `sizes` distinct sizes at each of `depths`, every one reported at
// `ratesPerSize` refresh rates, as real drivers list them.
inline std::vector<FakeMode> DriverModes(int sizes, std::vector<uint32_t> depths, int ratesPerSize) {
    std::vector<FakeMode> modes;
    for (uint32_t bits : depths) {
        for (int s = 0; s < sizes; ++s) {
            for (int r = 0; r < ratesPerSize; ++r) {
                modes.push_back({bits, 640u + 32u * static_cast<uint32_t>(s), 480u + 24u * static_cast<uint32_t>(s),
                                 60u + 15u * static_cast<uint32_t>(r)});
            }
        }
    }
    return modes;
}

}  // namespace resolaunch::testing
