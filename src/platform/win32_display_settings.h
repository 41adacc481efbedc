#pragma once

#include "platform/display_settings.h"

namespace resolaunch {

// EnumDisplaySettingsA / ChangeDisplaySettings(Ex)A on the current display
// device or a named one, with the request laid out as a 124-byte DEVMODEA.
class Win32DisplaySettings final : public DisplaySettings {
public:
    bool EnumerateMode(uint32_t modeNumber, ModeRequest& request) override;
    bool CurrentMode(ModeRequest& request) override;
    bool StoredMode(ModeRequest& request) override;
    int32_t ChangeMode(ModeRequest* request, uint32_t flags) override;
    bool EnumerateModeOn(const std::wstring& device, uint32_t modeNumber, ModeRequest& request) override;
    bool CurrentModeOn(const std::wstring& device, ModeRequest& request) override;
    bool StoredModeOn(const std::wstring& device, ModeRequest& request) override;
    int32_t ChangeModeOn(const std::wstring& device, ModeRequest* request, uint32_t flags) override;
};

}  // namespace resolaunch
