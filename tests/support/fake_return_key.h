#pragma once

#include <functional>

#include "platform/return_key.h"

namespace resolaunch::testing {

// The key, pressed by a test.
class FakeReturnKey : public ReturnKey {
public:
    void Listen(std::function<void()> pressed) override { pressed_ = std::move(pressed); }
    void Stop() override { pressed_ = nullptr; }

    bool Listening() const { return static_cast<bool>(pressed_); }
    void Press() {
        if (pressed_) {
            pressed_();
        }
    }

private:
    std::function<void()> pressed_;
};

}  // namespace resolaunch::testing
