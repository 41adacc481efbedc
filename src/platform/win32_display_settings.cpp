#include "platform/win32_display_settings.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace resolaunch {
namespace {

// The portable copies of the platform's values are the platform's values.
static_assert(offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD) == kModeRequestSize,
              "the 124-byte form of DEVMODEA ends with dmDisplayFrequency");
static_assert(kModeRequestFields == (DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT));
static_assert(kDisplayFrequencyField == DM_DISPLAYFREQUENCY);
static_assert(kInterlacedFlag == DM_INTERLACED);
static_assert(kChangeTest == CDS_TEST);
static_assert(kChangeUpdateRegistry == CDS_UPDATEREGISTRY);
static_assert(kChangeSuccessful == DISP_CHANGE_SUCCESSFUL);
static_assert(kChangeRestart == DISP_CHANGE_RESTART);

// The record is a full DEVMODEA, so whatever the platform writes stays inside
// it, but it announces only 124 bytes and no driver data.
DEVMODEA ToDevMode(const ModeRequest& request) {
    DEVMODEA mode{};
    mode.dmSize = request.dmSize;
    mode.dmDriverExtra = request.dmDriverExtra;
    mode.dmFields = request.dmFields;
    mode.dmBitsPerPel = request.dmBitsPerPel;
    mode.dmPelsWidth = request.dmPelsWidth;
    mode.dmPelsHeight = request.dmPelsHeight;
    mode.dmDisplayFlags = request.dmDisplayFlags;
    mode.dmDisplayFrequency = request.dmDisplayFrequency;
    return mode;
}

void CopyBack(const DEVMODEA& mode, ModeRequest& request) {
    request.dmSize = mode.dmSize;
    request.dmDriverExtra = mode.dmDriverExtra;
    request.dmFields = mode.dmFields;
    request.dmBitsPerPel = mode.dmBitsPerPel;
    request.dmPelsWidth = mode.dmPelsWidth;
    request.dmPelsHeight = mode.dmPelsHeight;
    request.dmDisplayFlags = mode.dmDisplayFlags;
    request.dmDisplayFrequency = mode.dmDisplayFrequency;
}

// Device names ("\\.\DISPLAY2") are ASCII.
std::string Narrow(const std::wstring& device) {
    std::string name;
    for (const wchar_t c : device) {
        name += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return name;
}

bool Enumerate(const char* device, DWORD modeNumber, ModeRequest& request) {
    DEVMODEA mode = ToDevMode(request);
    const BOOL found = ::EnumDisplaySettingsA(device, modeNumber, &mode);
    CopyBack(mode, request);
    return found != FALSE;
}

}  // namespace

bool Win32DisplaySettings::EnumerateMode(uint32_t modeNumber, ModeRequest& request) {
    DEVMODEA mode = ToDevMode(request);
    const BOOL found = ::EnumDisplaySettingsA(nullptr, modeNumber, &mode);
    CopyBack(mode, request);
    return found != FALSE;
}

bool Win32DisplaySettings::CurrentMode(ModeRequest& request) {
    return EnumerateMode(ENUM_CURRENT_SETTINGS, request);
}

bool Win32DisplaySettings::StoredMode(ModeRequest& request) {
    return EnumerateMode(ENUM_REGISTRY_SETTINGS, request);
}

int32_t Win32DisplaySettings::ChangeMode(ModeRequest* request, uint32_t flags) {
    if (request == nullptr) {
        return ::ChangeDisplaySettingsA(nullptr, flags);
    }
    DEVMODEA mode = ToDevMode(*request);
    const LONG result = ::ChangeDisplaySettingsA(&mode, flags);
    CopyBack(mode, *request);
    return result;
}

bool Win32DisplaySettings::EnumerateModeOn(const std::wstring& device, uint32_t modeNumber, ModeRequest& request) {
    return Enumerate(Narrow(device).c_str(), modeNumber, request);
}

bool Win32DisplaySettings::CurrentModeOn(const std::wstring& device, ModeRequest& request) {
    return Enumerate(Narrow(device).c_str(), ENUM_CURRENT_SETTINGS, request);
}

bool Win32DisplaySettings::StoredModeOn(const std::wstring& device, ModeRequest& request) {
    return Enumerate(Narrow(device).c_str(), ENUM_REGISTRY_SETTINGS, request);
}

int32_t Win32DisplaySettings::ChangeModeOn(const std::wstring& device, ModeRequest* request, uint32_t flags) {
    const std::string name = Narrow(device);
    if (request == nullptr) {
        return ::ChangeDisplaySettingsExA(name.c_str(), nullptr, nullptr, flags, nullptr);
    }
    DEVMODEA mode = ToDevMode(*request);
    const LONG result = ::ChangeDisplaySettingsExA(name.c_str(), &mode, nullptr, flags, nullptr);
    CopyBack(mode, *request);
    return result;
}

}  // namespace resolaunch
