#include "window/main_window.h"

#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <cstdint>
#include <stdexcept>

#include "base/scope_exit.h"
#include "platform/file_system.h"
#include "platform/win32_messages.h"
#include "platform/win32_system_function.h"
#include "window/handler_boundary.h"
#include "window/win32_fonts.h"

namespace resolaunch {
namespace {

constexpr wchar_t kWindowClass[] = L"ResoLaunchForm1";
constexpr int kAppIconId = 1;
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
    // WS_CLIPSIBLINGS: where a label reaches into the text box below it, the
    // text box, which comes earlier in tab and z order, stays on top.
    constexpr DWORD common = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (kind) {
    case ControlKind::Button:
        return {L"BUTTON", common | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0};
    case ControlKind::TextBox:
        return {L"EDIT", common | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_LEFT, 0};
    case ControlKind::ListBox:
        return {L"LISTBOX", common | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
        return {L"STATIC", common | SS_LEFT | SS_NOPREFIX, 0};
    }
    throw std::logic_error("unknown control kind");
}

bool IsPushButton(HWND window) {
    return (::SendMessageW(window, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

MainWindow::~MainWindow() {
    // No event reaches the handlers while the window goes.
    events_ = nullptr;
    window_.reset();
}

bool MainWindow::Create(FormEvents& events) {
    events_ = &events;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(kAppIconId));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                                           ::GetSystemMetrics(SM_CXSMICON),
                                                           ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) {
        return false;
    }

    // Created hidden at the place the platform picks; sized once its DPI is known.
    if (::CreateWindowExW(kFormExStyle, kWindowClass, kFormTitle, kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this) == nullptr) {
        return false;
    }
    dpi_ = ::GetDpiForWindow(Handle());
    UpdateFonts();
    CreateControls();
    ExtendSystemMenu();
    ResizeClientArea();

    // The display queries run here, once the window is built, not on a
    // thread beside it: under Wine both wait on the same server and display
    // driver, and the thread made start-up slower, not faster.
    RunHandler(*this, [&] { events.Form_Load(); });

    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(Handle());
    ::SetFocus(Control(kCommand1Launch));
    return true;
}

RECT MainWindow::ControlRect(const ControlSpec& item) const {
    const int dpi = static_cast<int>(dpi_);
    const int left = TwipsToPixels(item.left, dpi);
    const int top = TwipsToPixels(item.top, dpi);
    return RECT{left, top, left + TwipsToPixels(item.width, dpi), top + TwipsToPixels(item.height, dpi)};
}

HFONT MainWindow::FontFor(ControlKind kind) const {
    return kind == ControlKind::ListBox && listFont_ ? listFont_.get() : uiFont_.get();
}

void MainWindow::CreateControls() {
    // Each control is made at its place and with its font, before the window shows.
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        const ControlSpec& item = kFormControls[i];
        const ControlClass cls = ClassOf(item.kind);
        const RECT rect = ControlRect(item);
        controls_[i] = ::CreateWindowExW(cls.exStyle, cls.name, item.text, cls.style, rect.left, rect.top,
                                         rect.right - rect.left, rect.bottom - rect.top, Handle(),
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance_, nullptr);
        if (controls_[i] == nullptr) {
            throw std::runtime_error("CreateWindowEx failed for a control");
        }
        ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.kind)), FALSE);
    }
    // The text boxes take text of any length.
    ::SendMessageW(Control(kText1), EM_SETLIMITTEXT, 0, 0);
    ::SendMessageW(Control(kText2), EM_SETLIMITTEXT, 0, 0);
    ::SendMessageW(Control(kText3), EM_SETLIMITTEXT, 0, 0);
}

void MainWindow::UpdateFonts() {
    // A text box is the tightest fit: its height less its two border lines.
    const int textBoxHeight = TwipsToPixels(FormControl(kText1).height, static_cast<int>(dpi_));
    const int border = ::GetSystemMetricsForDpi(SM_CYBORDER, dpi_);
    UniqueFont uiFont = CreateMessageFont(dpi_, textBoxHeight - 2 * border);
    UniqueFont listFont = CreateFixedPitchFont(uiFont.get());
    std::swap(uiFont_, uiFont);
    std::swap(listFont_, listFont);

    // The old fonts are released, at the end of this scope, only once no control uses them.
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        if (controls_[i] != nullptr) {
            ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(kFormControls[i].kind)), TRUE);
        }
    }
}

void MainWindow::ApplyLayout() {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        const RECT rect = ControlRect(kFormControls[i]);
        ::SetWindowPos(controls_[i], nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainWindow::ResizeClientArea() {
    const int dpi = static_cast<int>(dpi_);
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    ::AdjustWindowRectExForDpi(&frame, kFormStyle, FALSE, kFormExStyle, dpi_);
    ::SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MainWindow::Control(ControlId id) const {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        if (kFormControls[i].id == id) {
            return controls_[i];
        }
    }
    return nullptr;
}

HWND MainWindow::Control(TextBox box) const {
    switch (box) {
    case TextBox::Text1:
        return Control(kText1);
    case TextBox::Text2:
        return Control(kText2);
    case TextBox::Text3:
        return Control(kText3);
    }
    return nullptr;
}

std::wstring MainWindow::Text(TextBox box) {
    const HWND edit = Control(box);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
    const int length = ::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

void MainWindow::SetText(TextBox box, const std::wstring& text) {
    if (!::SetWindowTextW(Control(box), text.c_str())) {
        throw std::runtime_error("SetWindowText failed");
    }
}

int32_t MainWindow::ListCount() {
    const LRESULT count = ::SendMessageW(Control(kList1), LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int32_t>(count);
}

int16_t MainWindow::ListIndex() {
    const LRESULT index = ::SendMessageW(Control(kList1), LB_GETCURSEL, 0, 0);
    return index < 0 || index > INT16_MAX ? int16_t{-1} : static_cast<int16_t>(index);
}

void MainWindow::SetListIndex(int16_t index) {
    ::SendMessageW(Control(kList1), LB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0);
}

void MainWindow::SetDialogFileName(const std::wstring& name) { dialogFileName_ = name; }

std::optional<std::wstring> MainWindow::ShowOpenDialog() {
    static const auto getOpenFileName =
        SystemFunction<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    static const auto commDlgExtendedError =
        SystemFunction<decltype(&::CommDlgExtendedError)>(L"comdlg32.dll", "CommDlgExtendedError");
    if (getOpenFileName == nullptr || commDlgExtendedError == nullptr) {
        throw std::runtime_error("comdlg32.dll is not available");
    }
    std::wstring buffer(kLongestPath, L'\0');
    const auto open = [&](const std::wstring& initialName) {
        std::fill(buffer.begin(), buffer.end(), L'\0');
        initialName.copy(buffer.data(), std::min(initialName.size(), buffer.size() - 1));
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = Handle();
        dialog.lpstrFilter = L"実行ファイル\0*.exe\0";
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = buffer.data();
        dialog.nMaxFile = static_cast<DWORD>(buffer.size());
        dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
        return getOpenFileName(&dialog) != FALSE;
    };
    bool chosen = open(dialogFileName_);
    // A name the dialog cannot take (a command line with arguments, say)
    // keeps it from opening at all: open it on no name instead.
    if (!chosen && commDlgExtendedError() == FNERR_INVALIDFILENAME) {
        chosen = open(std::wstring());
    }
    if (!chosen) {
        return std::nullopt;
    }
    dialogFileName_ = buffer.c_str();
    return dialogFileName_;
}

WindowHandle MainWindow::FormWindow() { return reinterpret_cast<WindowHandle>(Handle()); }

void MainWindow::HideForm() { ::ShowWindow(Handle(), SW_HIDE); }

void MainWindow::ShowForm() { ::ShowWindow(Handle(), SW_SHOW); }

void MainWindow::EnableInput(bool enabled) { ::EnableWindow(Handle(), enabled ? TRUE : FALSE); }

void MainWindow::ProcessPendingMessages() { ProcessQueuedMessages(); }

void MainWindow::EndProgram() { ::DestroyWindow(Handle()); }

bool MainWindow::Ended() { return !window_; }

void MainWindow::ExtendSystemMenu() {
    const HMENU menu = ::GetSystemMenu(Handle(), FALSE);
    if (menu == nullptr) {
        return;
    }
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    displayMenu_ = ::CreatePopupMenu();
    if (displayMenu_ != nullptr &&
        !::AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(displayMenu_), kDisplayMenuText)) {
        ::DestroyMenu(displayMenu_);
        displayMenu_ = nullptr;
    }
    for (const MenuItemSpec& item : kSystemMenuItems) {
        ::AppendMenuW(menu, MF_STRING | MF_UNCHECKED, item.command, item.text);
    }
}

void MainWindow::SetMenuItemChecked(uint32_t command, bool checked) {
    ::CheckMenuItem(::GetSystemMenu(Handle(), FALSE), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::FillDisplayMenu() {
    if (displayMenu_ == nullptr || events_ == nullptr) {
        return;
    }
    while (::GetMenuItemCount(displayMenu_) > 0) {
        ::DeleteMenu(displayMenu_, 0, MF_BYPOSITION);
    }
    const std::vector<FormEvents::DisplayMenuItem> items = events_->DisplayMenu();
    for (std::size_t i = 0; i < items.size() && i < kDisplayCommandCount; ++i) {
        const UINT command = kFirstDisplayCommand + static_cast<UINT>(i) * kDisplayCommandStep;
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = items[i].chosen ? MFS_CHECKED : MFS_UNCHECKED;
        item.wID = command;
        std::wstring caption = items[i].caption;
        item.dwTypeData = caption.data();
        ::InsertMenuItemW(displayMenu_, static_cast<UINT>(i), TRUE, &item);
    }
}

bool MainWindow::OnSystemCommand(UINT command) {
    if (IsDisplayCommand(command)) {
        if (events_ != nullptr) {
            events_->SystemMenuCommand(command);
        }
        return true;
    }
    for (const MenuItemSpec& item : kSystemMenuItems) {
        if (item.command == command) {
            if (events_ != nullptr) {
                events_->SystemMenuCommand(command);
            }
            return true;
        }
    }
    return false;
}

void MainWindow::ClearList() { ::SendMessageW(Control(kList1), LB_RESETCONTENT, 0, 0); }

void MainWindow::AppendListEntries(const std::vector<std::wstring>& entries) {
    const HWND list = Control(kList1);
    std::size_t characters = 0;
    for (const std::wstring& entry : entries) {
        characters += entry.size() + 1;
    }
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ScopeExit redraw([list] {
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    });
    ::SendMessageW(list, LB_INITSTORAGE, entries.size(), characters * sizeof(wchar_t));
    for (const std::wstring& entry : entries) {
        const LRESULT added = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        if (added == LB_ERR || added == LB_ERRSPACE) {
            throw std::runtime_error("the mode list has no room for more entries");
        }
    }
}

void MainWindow::ShowMessage(const std::wstring& text) {
    ::MessageBoxW(Handle(), text.c_str(), kAppTitle, MB_OK);
}

void MainWindow::OnCommand(int id, int notification) {
    if (id == IDOK && notification == 0) {
        // Enter from the dialog manager: it presses only the button that has the focus.
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::GetParent(focus) == Handle() && IsPushButton(focus)) {
            ::SendMessageW(focus, BM_CLICK, 0, 0);
        }
        return;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    if (events_ != nullptr) {
        events_->Click(static_cast<ControlId>(id));
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        RunHandler(*this, [&] { OnCommand(LOWORD(wParam), HIWORD(wParam)); });
        return 0;
    case WM_ACTIVATE:
        // Keep the focused control across deactivation, as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(Handle(), focus)) {
                focusBeforeDeactivation_ = focus;
            }
        } else if (!::IsIconic(Handle())) {
            const HWND target = focusBeforeDeactivation_ != nullptr ? focusBeforeDeactivation_ : Control(kCommand1Launch);
            ::SetFocus(target);
            return 0;
        }
        break;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        UpdateFonts();
        ApplyLayout();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_INITMENUPOPUP:
        // The system menu opens: its submenu "ディスプレイ" shows the displays attached now.
        if (HIWORD(lParam) != 0) {
            RunHandler(*this, [&] { FillDisplayMenu(); });
        }
        break;
    case WM_SYSCOMMAND: {
        // The low four bits of a system-menu command are the system's own.
        bool handled = false;
        RunHandler(*this, [&] { handled = OnSystemCommand(static_cast<UINT>(wParam & 0xFFF0)); });
        if (handled) {
            return 0;
        }
        break;
    }
    case kLaunchEndedMessage:
        RunHandler(*this, [&] {
            if (events_ != nullptr) {
                events_->LaunchEnded(static_cast<LaunchId>(wParam));
            }
        });
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(Handle(), message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    MainWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_.reset(hwnd);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->window_.release();  // destroyed already
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& failure) {
        ReportUnexpectedFailure(*self, failure.what());
    } catch (...) {
        ReportUnexpectedFailure(*self, nullptr);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace resolaunch
