// The baseline of the guard's memory: a Windows program with ResoLaunch's own
// imports (kernel32, msvcrt, user32, gdi32) that does nothing but wait until
// it is ended, statically linked as ResoLaunch is.
#include <windows.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // One call into each of ResoLaunch's DLLs, so that the system loads them all.
    if (::GetStockObject(WHITE_BRUSH) == nullptr || ::GetSystemMetrics(SM_CXSCREEN) < 0) {
        std::abort();
    }
    ::Sleep(INFINITE);
    return 0;
}
