#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace resolaunch {

enum class TextBox { Text1, Text2, Text3 };

// What the handlers need of the main window's controls. The Win32 window
// implements it; tests use a fake.
class FormControls {
public:
    virtual ~FormControls() = default;

    virtual std::wstring Text(TextBox box) = 0;
    virtual void SetText(TextBox box, const std::wstring& text) = 0;

    // Appends the entries to the end of List1, in order, with one redraw.
    virtual void AppendListEntries(const std::vector<std::wstring>& entries) = 0;
    virtual void ClearList() = 0;
    virtual int32_t ListCount() = 0;
    // The selected entry of List1, -1 when none is.
    virtual int16_t ListIndex() = 0;
    virtual void SetListIndex(int16_t index) = 0;

    // The file name the file-open dialog CommonDialog1 opens on.
    virtual void SetDialogFileName(const std::wstring& name) = 0;
    // Shows CommonDialog1 ("実行ファイル|*.exe") and waits for it: the file
    // chosen, which the dialog then keeps, or nothing when it was cancelled.
    virtual std::optional<std::wstring> ShowOpenDialog() = 0;

    // The main window itself.
    virtual WindowHandle FormWindow() = 0;
    virtual void HideForm() = 0;
    virtual void ShowForm() = 0;
    // While off, the window takes no clicks or keys; it still paints.
    virtual void EnableInput(bool enabled) = 0;
    // Lets the window messages already queued run, once.
    virtual void ProcessPendingMessages() = 0;
    // Ends the program: nothing more runs, nothing is saved.
    virtual void EndProgram() = 0;
    // Whether the program has been told to end: its window is gone.
    virtual bool Ended() = 0;

    // Checks or unchecks one of the window's own system-menu items.
    virtual void SetMenuItemChecked(uint32_t command, bool checked) = 0;
};

// Modal message boxes: one OK button, no icon, the title "ResoLaunch".
class UserMessages {
public:
    virtual ~UserMessages() = default;
    virtual void ShowMessage(const std::wstring& text) = 0;
};

}  // namespace resolaunch
