#pragma once

#include <windows.h>

#include "platform/desktop.h"
#include "platform/win32_handles.h"

namespace resolaunch {

class Win32Desktop final : public Desktop {
public:
    // The program's own window: never taken for the started program's, and
    // kept from input while a launch waits for a window.
    void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }

    StartOutcome StartProgram(const std::wstring& commandText) override;
    WindowHandle WaitForProgramWindow(std::chrono::milliseconds timeout) override;
    WindowHandle ForegroundWindow() override;
    std::optional<WindowRect> WindowRectOf(WindowHandle window) override;
    void MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override;

private:
    HWND mainWindow_ = nullptr;
    UniqueKernelHandle startedProcess_;
};

// What the platform says of an error code, in the user's language, without
// the trailing line end.
std::wstring SystemErrorText(DWORD error);

}  // namespace resolaunch
