#include "platform/win32_message_loop.h"

namespace resolaunch {

int RunMessageLoop(HWND dialogWindow, LoopTicker& ticker, const std::function<bool()>& done,
                   const std::function<void(const MSG&)>& threadMessage) {
    for (;;) {
        if (done && done()) {
            return 0;
        }
        const std::optional<std::chrono::milliseconds> dueIn = ticker.DueIn();
        const DWORD timeout = dueIn ? static_cast<DWORD>(dueIn->count()) : INFINITE;
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT) {
            ticker.RunDue();
            continue;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            if (message.hwnd == nullptr && threadMessage) {
                threadMessage(message);
            } else if (dialogWindow == nullptr || !::IsDialogMessageW(dialogWindow, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (done && done()) {
                return 0;
            }
        }
        ticker.RunDue();
    }
}

void Win32MessageLoop::RunUntil(const std::function<bool()>& done) {
    RunMessageLoop(nullptr, ticker_, done, [this](const MSG& message) {
        if (message.message == launchEndedMessage_ && launchEnded_) {
            launchEnded_(static_cast<LaunchId>(message.wParam));
        }
    });
}

}  // namespace resolaunch
