#pragma once

#include <windows.h>

#include <functional>

#include "platform/loop_ticker.h"
#include "platform/message_loop.h"

namespace resolaunch {

class Win32Clock final : public Clock {
public:
    std::chrono::milliseconds Now() override { return std::chrono::milliseconds(::GetTickCount64()); }
};

// The thread's message loop: its messages, and the ticker's call when it is
// due. The dialog manager gives `dialogWindow` (if any) Tab, Shift+Tab and
// arrow-key navigation; messages posted to the thread itself go to
// `threadMessage`. Runs until the quit request (its exit code is returned)
// or until `done` holds (0).
int RunMessageLoop(HWND dialogWindow, LoopTicker& ticker, const std::function<bool()>& done = nullptr,
                   const std::function<void(const MSG&)>& threadMessage = nullptr);

// The command line's loop: no window; the end of a followed launch comes as
// `launchEndedMessage` posted to the thread, with the launch's number.
class Win32MessageLoop final : public MessageLoop {
public:
    Win32MessageLoop(LoopTicker& ticker, UINT launchEndedMessage)
        : ticker_(ticker), launchEndedMessage_(launchEndedMessage) {}

    void OnLaunchEnded(std::function<void(LaunchId)> handler) override { launchEnded_ = std::move(handler); }
    void RunUntil(const std::function<bool()>& done) override;

private:
    LoopTicker& ticker_;
    UINT launchEndedMessage_;
    std::function<void(LaunchId)> launchEnded_;
};

}  // namespace resolaunch
