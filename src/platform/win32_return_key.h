#pragma once

#include <windows.h>

#include "platform/return_key.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// RegisterHotKey for a message-only window of its own, tried again every
// second while another process holds the key.
class Win32ReturnKey final : public ReturnKey {
public:
    Win32ReturnKey() = default;
    Win32ReturnKey(const Win32ReturnKey&) = delete;
    Win32ReturnKey& operator=(const Win32ReturnKey&) = delete;
    ~Win32ReturnKey() override { Stop(); }

    void Listen(std::function<void()> pressed) override;
    void Stop() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void TryToTake();

    std::function<void()> pressed_;
    UniqueWindow window_;
    bool held_ = false;
};

}  // namespace resolaunch
