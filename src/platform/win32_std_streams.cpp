#include "platform/win32_std_streams.h"

#include <algorithm>

namespace resolaunch {
namespace {

HANDLE HandleOf(StdStream stream) {
    return ::GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

StreamTarget Win32StdStreams::TargetOf(StdStream stream) {
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return StreamTarget::None;
    }
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        return StreamTarget::Console;
    }
    // GetFileType fails only on a handle that is not there.
    if (::GetFileType(handle) == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
        return StreamTarget::None;
    }
    return StreamTarget::FileOrPipe;
}

void Win32StdStreams::WriteBytes(StdStream stream, std::string_view bytes) {
    const HANDLE handle = HandleOf(stream);
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return;  // a reader that has gone: nothing more to do
        }
        bytes.remove_prefix(written);
    }
}

bool Win32StdStreams::AttachParentConsole() {
    if (!attachTried_) {
        attachTried_ = true;
        // Access denied: this program has a console already.
        if (::AttachConsole(ATTACH_PARENT_PROCESS) || ::GetLastError() == ERROR_ACCESS_DENIED) {
            console_.reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        }
    }
    return static_cast<bool>(console_);
}

void Win32StdStreams::WriteToConsole(StdStream, std::wstring_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
        if (!::WriteConsoleW(console_.get(), text.data(), chunk, &written, nullptr) || written == 0) {
            return;
        }
        text.remove_prefix(written);
    }
}

void Win32StdStreams::ShowMessageBox(const std::wstring& text, MessageKind kind) {
    const UINT icon = kind == MessageKind::Error     ? MB_ICONERROR
                      : kind == MessageKind::Warning ? MB_ICONWARNING
                                                     : MB_ICONINFORMATION;
    ::MessageBoxW(nullptr, text.c_str(), L"ResoLaunch", MB_OK | icon);
}

}  // namespace resolaunch
