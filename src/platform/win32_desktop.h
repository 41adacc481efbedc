#pragma once

#include <windows.h>

#include "platform/desktop.h"

namespace resolaunch {

class Win32Desktop final : public Desktop {
public:
    std::vector<WindowHandle> VisibleWindows() override;
    bool IsOwned(WindowHandle window) override;
    uint32_t ProcessOf(WindowHandle window) override;
    std::wstring ClassNameOf(WindowHandle window) override;
    WindowHandle ForegroundWindow() override;
    std::optional<WindowRect> WindowRectOf(WindowHandle window) override;
    MoveResult MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override;
    std::vector<WindowHandle> TopLevelWindows() override;
    bool IsShown(WindowHandle window) override;
    bool IsMinimizedOrMaximized(WindowHandle window) override;
    std::optional<WindowRect> VisibleFrameOf(WindowHandle window) override;
    std::optional<WindowRect> MonitorRectOf(WindowHandle window) override;
    bool InMoveSizeLoop(WindowHandle window) override;
    std::optional<std::chrono::milliseconds> SinceLastInput() override;
    std::optional<ScreenPoint> PointerPosition() override;
    bool KeyOrButtonPressedSinceAsked() override;
};

}  // namespace resolaunch
