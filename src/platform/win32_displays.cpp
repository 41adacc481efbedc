#include "platform/win32_displays.h"

#include <windows.h>

#include <map>

namespace resolaunch {
namespace {

BOOL CALLBACK NoteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM rects) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(monitor, &info)) {
        (*reinterpret_cast<std::map<std::wstring, RECT>*>(rects))[info.szDevice] = info.rcMonitor;
    }
    return TRUE;
}

// The monitors' own names by their display's device name; empty where the
// system has no display configuration.
std::map<std::wstring, std::wstring> MonitorNames() {
    std::map<std::wstring, std::wstring> names;
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (::GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    if (::QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr) !=
        ERROR_SUCCESS) {
        return names;
    }
    paths.resize(pathCount);
    for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
        source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        source.header.size = sizeof(source);
        source.header.adapterId = path.sourceInfo.adapterId;
        source.header.id = path.sourceInfo.id;
        DISPLAYCONFIG_TARGET_DEVICE_NAME target{};
        target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
        target.header.size = sizeof(target);
        target.header.adapterId = path.targetInfo.adapterId;
        target.header.id = path.targetInfo.id;
        if (::DisplayConfigGetDeviceInfo(&source.header) == ERROR_SUCCESS &&
            ::DisplayConfigGetDeviceInfo(&target.header) == ERROR_SUCCESS) {
            names[source.viewGdiDeviceName] = target.monitorFriendlyDeviceName;
        }
    }
    return names;
}

}  // namespace

std::vector<DisplayInfo> Win32Displays::AttachedDisplays() {
    std::map<std::wstring, RECT> rects;
    ::EnumDisplayMonitors(nullptr, nullptr, NoteMonitor, reinterpret_cast<LPARAM>(&rects));
    const std::map<std::wstring, std::wstring> names = MonitorNames();

    std::vector<DisplayInfo> displays;
    for (DWORD index = 0; displays.size() < kMaxDisplays; ++index) {
        DISPLAY_DEVICEW adapter{};
        adapter.cb = sizeof(adapter);
        if (!::EnumDisplayDevicesW(nullptr, index, &adapter, 0)) {
            break;
        }
        if ((adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) == 0) {
            continue;
        }
        DisplayInfo display;
        display.deviceName = adapter.DeviceName;
        display.primary = (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        DISPLAY_DEVICEW monitor{};
        monitor.cb = sizeof(monitor);
        if (::EnumDisplayDevicesW(adapter.DeviceName, 0, &monitor, EDD_GET_DEVICE_INTERFACE_NAME)) {
            display.interfacePath = monitor.DeviceID;
        }
        if (const auto rect = rects.find(display.deviceName); rect != rects.end()) {
            display.rect = {rect->second.left, rect->second.top, rect->second.right, rect->second.bottom};
        }
        if (const auto name = names.find(display.deviceName); name != names.end()) {
            display.friendlyName = name->second;
        }
        displays.push_back(std::move(display));
    }
    return displays;
}

}  // namespace resolaunch
