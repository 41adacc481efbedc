#pragma once

#include <string>
#include <vector>

namespace resolaunch {

// What the handlers need of the main window's controls. The Win32 window
// implements it; tests use a fake.
class FormControls {
public:
    virtual ~FormControls() = default;

    // Appends the entries to the end of List1, in order, with one redraw.
    virtual void AppendListEntries(const std::vector<std::wstring>& entries) = 0;
};

// Modal message boxes: one OK button, no icon, the title "ResoLaunch".
class UserMessages {
public:
    virtual ~UserMessages() = default;
    virtual void ShowMessage(const std::wstring& text) = 0;
};

}  // namespace resolaunch
