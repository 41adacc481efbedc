#pragma once

#include <windows.h>

#include <array>

#include "modes/module1.h"
#include "platform/win32_desktop.h"
#include "platform/win32_display_settings.h"
#include "platform/win32_file_system.h"
#include "platform/win32_handles.h"
#include "settings/settings_store.h"
#include "window/form1.h"
#include "window/form_controls.h"
#include "window/layout.h"

namespace resolaunch {

// The one window of the program, Form1, with its controls. Owns the handlers
// and the platform services they use.
class MainWindow final : public FormControls, public UserMessages {
public:
    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Creates the window and its controls, runs the load handler and shows
    // the window. False when the window could not be created.
    bool Create();

    HWND Handle() const { return hwnd_; }

    std::wstring Text(TextBox box) override;
    void SetText(TextBox box, const std::wstring& text) override;
    void AppendListEntries(const std::vector<std::wstring>& entries) override;
    int32_t ListCount() override;
    int16_t ListIndex() override;
    void SetListIndex(int16_t index) override;
    void SetDialogFileName(const std::wstring& name) override;
    std::optional<std::wstring> ShowOpenDialog() override;
    WindowHandle FormWindow() override;
    void HideForm() override;
    void ShowForm() override;
    void ProcessPendingMessages() override;
    void EndProgram() override;

    void ShowMessage(const std::wstring& text) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    RECT ControlRect(const ControlSpec& item) const;
    HFONT FontFor(ControlKind kind) const;
    void UpdateFonts();
    void ApplyLayout();
    void ResizeClientArea();
    void OnCommand(int id, int notification);
    HWND Control(ControlId id) const;
    HWND Control(TextBox box) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    HWND focusBeforeDeactivation_ = nullptr;
    std::array<HWND, kFormControls.size()> controls_{};
    UniqueFont uiFont_;
    UniqueFont listFont_;
    std::wstring dialogFileName_;  // CommonDialog1's file name

    Win32DisplaySettings display_;
    Module1 module1_{display_};
    Win32FileSystem files_;
    Win32AnsiCodec ansi_;
    SettingsStore settings_{files_, ansi_};
    Win32Desktop desktop_{hwnd_};
    Form1 form1_{module1_, *this, *this, settings_, desktop_};
};

}  // namespace resolaunch
