#pragma once

#include <cstdint>
#include <string>

namespace resolaunch {

// The fields of the platform's DEVMODEA record that this program writes or
// reads, in portable form. The Win32 layer lays them out in a real DEVMODEA
// announced at 124 bytes (the form that ends with dmDisplayFrequency).
struct ModeRequest {
    uint16_t dmSize = 0;
    uint16_t dmDriverExtra = 0;
    uint32_t dmFields = 0;
    uint32_t dmBitsPerPel = 0;
    uint32_t dmPelsWidth = 0;
    uint32_t dmPelsHeight = 0;
    uint32_t dmDisplayFlags = 0;
    uint32_t dmDisplayFrequency = 0;

    friend bool operator==(const ModeRequest&, const ModeRequest&) = default;
};

inline constexpr uint16_t kModeRequestSize = 124;
// DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT: the refresh rate is left to the platform.
inline constexpr uint32_t kModeRequestFields = 0x001C0000;
// DM_DISPLAYFREQUENCY: the request names its refresh rate too.
inline constexpr uint32_t kDisplayFrequencyField = 0x00400000;
// DM_INTERLACED, in dmDisplayFlags.
inline constexpr uint32_t kInterlacedFlag = 0x00000002;

// ChangeDisplaySettings flags and results (the platform's own values).
inline constexpr uint32_t kChangeTest = 2;            // CDS_TEST
inline constexpr uint32_t kChangeUpdateRegistry = 1;  // CDS_UPDATEREGISTRY
inline constexpr int32_t kChangeSuccessful = 0;       // DISP_CHANGE_SUCCESSFUL
inline constexpr int32_t kChangeRestart = 1;          // DISP_CHANGE_RESTART

// The display settings service: of the current display device (the
// primary), or of a display named by its device name.
class DisplaySettings {
public:
    virtual ~DisplaySettings() = default;

    // EnumDisplaySettingsA(nullptr, modeNumber, &request): false when the
    // device has no mode of that number.
    virtual bool EnumerateMode(uint32_t modeNumber, ModeRequest& request) = 0;

    // EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &request): the
    // mode the screen is in now. False when it cannot be told.
    virtual bool CurrentMode(ModeRequest& request) = 0;

    // EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &request): the
    // mode stored as the display's default, with its refresh rate. False
    // when it cannot be told.
    virtual bool StoredMode(ModeRequest& request) = 0;

    // ChangeDisplaySettingsA(request, flags); a null request returns to the
    // mode stored as the default. Returns the platform's DISP_CHANGE code.
    virtual int32_t ChangeMode(ModeRequest* request, uint32_t flags) = 0;

    // The same on one display named by its device name ("\\.\DISPLAY2"):
    // EnumDisplaySettingsA(device, ...) and ChangeDisplaySettingsExA(device,
    // request, nullptr, flags, nullptr).
    virtual bool EnumerateModeOn(const std::wstring& device, uint32_t modeNumber, ModeRequest& request) = 0;
    virtual bool CurrentModeOn(const std::wstring& device, ModeRequest& request) = 0;
    virtual bool StoredModeOn(const std::wstring& device, ModeRequest& request) = 0;
    virtual int32_t ChangeModeOn(const std::wstring& device, ModeRequest* request, uint32_t flags) = 0;
};

}  // namespace resolaunch
