#pragma once

#include <windows.h>

#include "platform/desktop.h"
#include "platform/win32_handles.h"

namespace resolaunch {

class Win32Desktop final : public Desktop {
public:
    // `mainWindow` takes no input while a launch waits for a window.
    explicit Win32Desktop(HWND& mainWindow) : mainWindow_(mainWindow) {}

    StartOutcome StartProgram(const std::wstring& commandText) override;
    WindowHandle WaitForProgramWindow(std::chrono::milliseconds timeout) override;
    WindowHandle ForegroundWindow() override;
    std::optional<WindowRect> WindowRectOf(WindowHandle window) override;
    void MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override;

private:
    HWND& mainWindow_;
    UniqueKernelHandle startedProcess_;
};

// What the platform says of an error code, in the user's language, without
// the trailing line end.
std::wstring SystemErrorText(DWORD error);

}  // namespace resolaunch
