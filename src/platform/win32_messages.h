#pragma once

#include <windows.h>

namespace resolaunch {

// Runs the window messages already queued for this thread, once. A quit
// request is put back for the main loop; false then.
inline bool ProcessQueuedMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

}  // namespace resolaunch
