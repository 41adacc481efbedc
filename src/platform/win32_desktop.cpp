#include "platform/win32_desktop.h"

#include <dwmapi.h>

#include <system_error>
#include <thread>

#include "platform/win32_system_function.h"

namespace resolaunch {
namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

BOOL CALLBACK CollectVisible(HWND window, LPARAM list) {
    if (::IsWindowVisible(window)) {
        reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(reinterpret_cast<WindowHandle>(window));
    }
    return TRUE;
}

BOOL CALLBACK CollectAll(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(reinterpret_cast<WindowHandle>(window));
    return TRUE;
}

WindowRect FromRect(const RECT& rect) { return WindowRect{rect.left, rect.top, rect.right, rect.bottom}; }

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
    return FromRect(rect);
}

MoveResult Win32Desktop::MoveWindowTo(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (::MoveWindow(ToHwnd(window), x, y, width, height, TRUE)) {
        return MoveResult::Moved;
    }
    return ::GetLastError() == ERROR_ACCESS_DENIED ? MoveResult::Refused : MoveResult::Gone;
}

std::vector<WindowHandle> Win32Desktop::TopLevelWindows() {
    std::vector<WindowHandle> windows;
    ::EnumWindows(CollectAll, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Win32Desktop::IsShown(WindowHandle window) {
    return ::IsWindow(ToHwnd(window)) && ::IsWindowVisible(ToHwnd(window));
}

bool Win32Desktop::IsMinimizedOrMaximized(WindowHandle window) {
    return ::IsIconic(ToHwnd(window)) || ::IsZoomed(ToHwnd(window));
}

std::optional<WindowRect> Win32Desktop::VisibleFrameOf(WindowHandle window) {
    // dwmapi only when a window is placed: most starts never need it.
    static const auto getAttribute =
        SystemFunction<decltype(&::DwmGetWindowAttribute)>(L"dwmapi.dll", "DwmGetWindowAttribute");
    RECT frame{};
    if (getAttribute == nullptr ||
        FAILED(getAttribute(ToHwnd(window), DWMWA_EXTENDED_FRAME_BOUNDS, &frame, sizeof(frame)))) {
        return std::nullopt;
    }
    return FromRect(frame);
}

std::optional<WindowRect> Win32Desktop::MonitorRectOf(WindowHandle window) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    const HMONITOR monitor = ::MonitorFromWindow(ToHwnd(window), MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || !::GetMonitorInfoW(monitor, &info)) {
        return std::nullopt;
    }
    return FromRect(info.rcMonitor);
}

bool Win32Desktop::InMoveSizeLoop(WindowHandle window) {
    const DWORD thread = ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return thread != 0 && ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE) != 0;
}

std::optional<ScreenPoint> Win32Desktop::PointerPosition() {
    POINT point{};
    if (!::GetCursorPos(&point)) {
        return std::nullopt;
    }
    return ScreenPoint{point.x, point.y};
}

bool Win32Desktop::KeyOrButtonPressedSinceAsked() {
    bool pressed = false;
    const auto ask = [&pressed] {
        // Every key is asked, so that each one's "pressed since" bit starts anew.
        for (int key = 1; key < 0xFF; ++key) {
            if ((static_cast<unsigned short>(::GetAsyncKeyState(key)) & 0x8001u) != 0) {
                pressed = true;
            }
        }
    };
    // Wine answers a thread from its own copy of the keys for 50 ms after its
    // last question, blind to other programs' input meanwhile; a new thread
    // always asks afresh. It runs for well under a millisecond.
    try {
        std::thread(ask).join();
    } catch (const std::system_error&) {
        ask();
    }
    return pressed;
}

std::optional<std::chrono::milliseconds> Win32Desktop::SinceLastInput() {
    LASTINPUTINFO input{};
    input.cbSize = sizeof(input);
    if (!::GetLastInputInfo(&input)) {
        return std::nullopt;
    }
    // Both counts wrap after 49 days; Wine's may come out a few ms ahead.
    const auto since = static_cast<int32_t>(::GetTickCount() - input.dwTime);
    return std::chrono::milliseconds{since > 0 ? since : 0};
}

}  // namespace resolaunch
