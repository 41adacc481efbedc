#include <windows.h>

#include "app/application.h"
#include "platform/win32_dll_search.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    resolaunch::RestrictDllSearchToSystemFolder();
    try {
        return resolaunch::RunApplication(instance);
    } catch (...) {
        ::MessageBoxW(nullptr, L"ResoLaunch を起動できませんでした。(ToT)", L"ResoLaunch", MB_OK);
        return 1;
    }
}
