#include <windows.h>

#include "app/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        return resolaunch::RunApplication(instance);
    } catch (...) {
        ::MessageBoxW(nullptr, L"ResoLaunch を起動できませんでした。(ToT)", L"ResoLaunch", MB_OK);
        return 1;
    }
}
