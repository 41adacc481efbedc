#pragma once

#include <exception>
#include <string>
#include <utility>

#include "window/form_controls.h"

namespace resolaunch {

// The message shown for a failure that escaped a handler; `detail` may be null.
std::wstring UnexpectedFailureMessage(const char* detail);

// Shows the failure; never throws, even when the message box itself fails.
void ReportUnexpectedFailure(UserMessages& messages, const char* detail) noexcept;

// Runs one event handler. Whatever it throws is shown to the user and the
// program goes on: no exception ever reaches the window procedure.
template <typename Handler>
void RunHandler(UserMessages& messages, Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& failure) {
        ReportUnexpectedFailure(messages, failure.what());
    } catch (...) {
        ReportUnexpectedFailure(messages, nullptr);
    }
}

}  // namespace resolaunch
