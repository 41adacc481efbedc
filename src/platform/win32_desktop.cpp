#include "platform/win32_desktop.h"

namespace resolaunch {
namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

BOOL CALLBACK CollectVisible(HWND window, LPARAM list) {
    if (::IsWindowVisible(window)) {
        reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(reinterpret_cast<WindowHandle>(window));
    }
    return TRUE;
}

}  // namespace

std::vector<WindowHandle> Win32Desktop::VisibleWindows() {
    std::vector<WindowHandle> windows;
    ::EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Win32Desktop::IsOwned(WindowHandle window) { return ::GetWindow(ToHwnd(window), GW_OWNER) != nullptr; }

uint32_t Win32Desktop::ProcessOf(WindowHandle window) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(ToHwnd(window), &processId);
    return processId;
}

std::wstring Win32Desktop::ClassNameOf(WindowHandle window) {
    wchar_t name[256];  // the longest class name the system allows
    const int length = ::GetClassNameW(ToHwnd(window), name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

WindowHandle Win32Desktop::ForegroundWindow() { return reinterpret_cast<WindowHandle>(::GetForegroundWindow()); }

std::optional<WindowRect> Win32Desktop::WindowRectOf(WindowHandle window) {
    RECT rect{};
    if (!::GetWindowRect(ToHwnd(window), &rect)) {
        return std::nullopt;
    }
    return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

void Win32Desktop::MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) {
    ::MoveWindow(ToHwnd(window), x, y, width, height, TRUE);
}

}  // namespace resolaunch
