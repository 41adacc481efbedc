#pragma once

#include <windows.h>

#include <array>

#include "platform/win32_handles.h"
#include "window/form_controls.h"
#include "window/form_events.h"
#include "window/layout.h"

namespace resolaunch {

// The one window of the program, Form1, with its controls: it lays them out
// at the window's DPI, shows them to the handlers as FormControls and
// UserMessages, and hands its events to them.
class MainWindow final : public FormControls, public UserMessages {
public:
    // Posted to the window when a followed launch has ended; wParam is its number.
    static constexpr UINT kLaunchEndedMessage = WM_APP + 1;

    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Creates the window and its controls, runs the load event and shows the
    // window; every later event goes to `events` too. False when the window
    // could not be created.
    bool Create(FormEvents& events);

    // Null once the window has been destroyed.
    HWND Handle() const { return window_.get(); }

    std::wstring Text(TextBox box) override;
    void SetText(TextBox box, const std::wstring& text) override;
    void AppendListEntries(const std::vector<std::wstring>& entries) override;
    void ClearList() override;
    int32_t ListCount() override;
    int16_t ListIndex() override;
    void SetListIndex(int16_t index) override;
    void SetDialogFileName(const std::wstring& name) override;
    std::optional<std::wstring> ShowOpenDialog() override;
    WindowHandle FormWindow() override;
    void HideForm() override;
    void ShowForm() override;
    void EnableInput(bool enabled) override;
    void ProcessPendingMessages() override;
    void EndProgram() override;
    bool Ended() override;
    void SetMenuItemChecked(uint32_t command, bool checked) override;

    void ShowMessage(const std::wstring& text) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void ExtendSystemMenu();
    // Fills the submenu "ディスプレイ" afresh as the system menu opens.
    void FillDisplayMenu();
    RECT ControlRect(const ControlSpec& item) const;
    HFONT FontFor(ControlKind kind) const;
    void UpdateFonts();
    void ApplyLayout();
    void ResizeClientArea();
    void OnCommand(int id, int notification);
    bool OnSystemCommand(UINT command);
    HMENU displayMenu_ = nullptr;  // owned by the system menu
    HWND Control(ControlId id) const;
    HWND Control(TextBox box) const;

    HINSTANCE instance_;
    FormEvents* events_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    HWND focusBeforeDeactivation_ = nullptr;
    std::array<HWND, kFormControls.size()> controls_{};
    UniqueFont uiFont_;
    UniqueFont listFont_;
    std::wstring dialogFileName_;  // CommonDialog1's file name
    // Last, so that it goes first, while everything it uses is still there.
    UniqueWindow window_;
};

}  // namespace resolaunch
