#include <windows.h>

#include "window/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        resolaunch::MainWindow window(instance);
        if (!window.Create()) {
            return 1;
        }
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            // The dialog manager gives Tab, Shift+Tab and arrow-key navigation.
            if (!::IsDialogMessageW(window.Handle(), &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
        return static_cast<int>(message.wParam);
    } catch (...) {
        ::MessageBoxW(nullptr, L"ResoLaunch を起動できませんでした。(ToT)", L"ResoLaunch", MB_OK);
        return 1;
    }
}
