#include "platform/win32_return_key.h"

namespace resolaunch {
namespace {

constexpr wchar_t kWindowClass[] = L"ResoLaunchReturnKey";
constexpr int kHotKeyId = 1;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryEveryMs = 1000;
// Not in every SDK's headers: a key held down sends one press only.
constexpr UINT kNoRepeat = 0x4000;

}  // namespace

void Win32ReturnKey::Listen(std::function<void()> pressed) {
    pressed_ = std::move(pressed);
    if (!window_) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered
        window_.reset(::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr));
        if (!window_) {
            return;
        }
        ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    TryToTake();
}

void Win32ReturnKey::TryToTake() {
    held_ = held_ || ::RegisterHotKey(window_.get(), kHotKeyId, MOD_CONTROL | MOD_ALT | MOD_SHIFT | kNoRepeat, 'R');
    if (held_) {
        ::KillTimer(window_.get(), kRetryTimer);
    } else {
        ::SetTimer(window_.get(), kRetryTimer, kRetryEveryMs, nullptr);
    }
}

void Win32ReturnKey::Stop() {
    if (window_ && held_) {
        ::UnregisterHotKey(window_.get(), kHotKeyId);
    }
    held_ = false;
    window_.reset();
    pressed_ = nullptr;
}

LRESULT CALLBACK Win32ReturnKey::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* key = reinterpret_cast<Win32ReturnKey*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (key != nullptr && message == WM_HOTKEY && wParam == kHotKeyId) {
        try {
            if (key->pressed_) {
                key->pressed_();
            }
        } catch (...) {
            // Nothing may leave a window procedure; the handler reports what it can.
        }
        return 0;
    }
    if (key != nullptr && message == WM_TIMER && wParam == kRetryTimer) {
        key->TryToTake();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace resolaunch
