// A program for ResoLaunch to start in the end-to-end tests: it waits a
// while, then shows one ordinary top-level window, and can write down what it
// saw and when.
//
//   delayed_window.exe [--delay MS] [--title TEXT] [--size WxH] [--at X,Y]
//                      [--report FILE] [--lifetime MS] [--hand-over PROGRAM]
//
//   --delay MS     wait this long before the window is created (default 0)
//   --title TEXT   the window's title (default "delayed_window")
//   --size WxH     the window's outer size in pixels (default 300x200)
//   --at X,Y       where the window is created (default 200,150)
//   --report FILE  append what happened to FILE, one UTF-8 line per event
//   --lifetime MS  end by itself this long after the start (default 60000),
//                  so that a run that goes wrong leaves nothing behind
//   --hand-over PROGRAM
//                  be a launcher: start PROGRAM (a command line) and end at
//                  once, without a window
//   --break-away   with --hand-over: start PROGRAM outside this program's job
//   --stay         with --hand-over: stay running, without a window, until
//                  --lifetime is over (a store client left open)
//   --launch-after MS
//                  with --hand-over: show the window as usual, and start
//                  PROGRAM MS after it is shown (a launcher with a Play page)
//   --forward FILE be a URL handler that forwards to a running client:
//                  create FILE and end at once, without a window
//   --serve FILE   with --hand-over: be a client already running, without a
//                  window: each time FILE appears, delete it and start PROGRAM
//   --splash MS    first show a splash window ("TEXT splash") for MS, then
//                  wait --delay and show the window
//   --move-after MS
//                  MS after the window is shown, centre it on the screen, as
//                  games that place their own window do
//
// A WM_APP posted to the window centres it at once, as a game that answers a
// key does: a test then knows the moment of the game's own move.
//
// Options are read first from "<program name>.options" beside the program
// (same syntax, when that file exists), then from the command line, which
// wins. So a copy of the program can be given options without arguments.
//
// The report's lines are "<pid> <event> <value>":
//   <pid> start <performance counter>
//   <pid> frequency <performance counter frequency>
//   <pid> module <full path of the program>
//   <pid> commandline <the command line as received>
//   <pid> directory <current directory at start>
//   <pid> created <left>,<top>,<right>,<bottom>   (window made, still hidden)
//   <pid> showing <performance counter>           (just before it is shown)
//   <pid> shown <performance counter>             (shown and painted)
//   <pid> moved <performance counter> <left>,<top>,<right>,<bottom>
//   <pid> handed-over <process id of PROGRAM>
//   <pid> ended <performance counter>                 (just before it ends)
// The window ends the program when it is closed (WM_CLOSE).

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "win32_test_util.h"

namespace {

using namespace resolaunch::win32_test;

constexpr wchar_t kWindowClass[] = L"ResoLaunchE2EDelayedWindow";
constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT_PTR kMoveTimer = 2;
constexpr UINT_PTR kLaunchTimer = 3;

struct Options {
    DWORD delay = 0;
    std::wstring title = L"delayed_window";
    int width = 300;
    int height = 200;
    int x = 200;
    int y = 150;
    std::wstring report;
    DWORD lifetime = 60000;
    std::wstring handOver;
    bool breakAway = false;
    bool stay = false;
    DWORD launchAfter = 0;
    std::wstring forward;
    std::wstring serve;
    DWORD splash = 0;
    DWORD moveAfter = 0;
};

Options g_options;
bool g_shown = false;

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

// One line per call, appended in one write so that a reader never sees half of it.
void Report(const wchar_t* event, const std::wstring& value) {
    if (g_options.report.empty()) {
        return;
    }
    const std::string line = std::to_string(::GetCurrentProcessId()) + " " + Utf8(event) + " " + Utf8(value) + "\r\n";
    const HANDLE file = ::CreateFileW(g_options.report.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring CurrentDirectory() {
    std::wstring folder(::GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

void ParsePair(const std::wstring& text, const wchar_t* format, int& first, int& second) {
    int a = 0;
    int b = 0;
    if (std::swscanf(text.c_str(), format, &a, &b) == 2) {
        first = a;
        second = b;
    }
}

// Applies the options in a command line (the first word, the program, is
// skipped); unknown words are ignored.
void ApplyOptions(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(commandLine.c_str(), &count);
    if (words == nullptr) {
        return;
    }
    for (int i = 1; i < count; ++i) {
        if (std::wstring(words[i]) == L"--break-away") {
            g_options.breakAway = true;
            continue;
        }
        if (std::wstring(words[i]) == L"--stay") {
            g_options.stay = true;
            continue;
        }
        if (i + 1 >= count) {
            break;
        }
        const std::wstring name = words[i];
        const std::wstring value = words[i + 1];
        if (name == L"--delay") {
            g_options.delay = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        } else if (name == L"--title") {
            g_options.title = value;
        } else if (name == L"--size") {
            ParsePair(value, L"%dx%d", g_options.width, g_options.height);
        } else if (name == L"--at") {
            ParsePair(value, L"%d,%d", g_options.x, g_options.y);
        } else if (name == L"--report") {
            g_options.report = value;
        } else if (name == L"--hand-over") {
            g_options.handOver = value;
        } else if (name == L"--splash") {
            g_options.splash = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        } else if (name == L"--move-after") {
            g_options.moveAfter = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        } else if (name == L"--launch-after") {
            g_options.launchAfter = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        } else if (name == L"--forward") {
            g_options.forward = value;
        } else if (name == L"--serve") {
            g_options.serve = value;
        } else if (name == L"--lifetime") {
            g_options.lifetime = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        } else {
            continue;
        }
        ++i;
    }
    ::LocalFree(words);
}

// Starts --hand-over's PROGRAM and reports it.
bool HandOver() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION handed{};
    // A program file as a whole, quoted: its path may hold spaces.
    std::wstring handOver = ::GetFileAttributesW(g_options.handOver.c_str()) != INVALID_FILE_ATTRIBUTES
                                ? L"\"" + g_options.handOver + L"\""
                                : g_options.handOver;
    const DWORD flags = g_options.breakAway ? CREATE_BREAKAWAY_FROM_JOB : 0;
    if (!::CreateProcessW(nullptr, handOver.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                          &handed)) {
        Report(L"hand-over-failed", std::to_wstring(::GetLastError()));
        return false;
    }
    Report(L"handed-over", std::to_wstring(handed.dwProcessId));
    ::CloseHandle(handed.hThread);
    ::CloseHandle(handed.hProcess);
    return true;
}

// What is left of --lifetime after `elapsed` ms.
DWORD Remaining(ULONGLONG elapsed) {
    return elapsed < g_options.lifetime ? static_cast<DWORD>(g_options.lifetime - elapsed) : 1;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_WINDOWPOSCHANGED: {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (g_shown && (position->flags & SWP_NOMOVE) == 0) {
            RECT rect{};
            ::GetWindowRect(window, &rect);
            Report(L"moved", std::to_wstring(PerformanceCounter()) + L" " + RectText(rect));
        }
        break;
    }
    case WM_APP:
    case WM_TIMER:
        if (message == WM_APP || wParam == kMoveTimer) {
            ::KillTimer(window, kMoveTimer);
            RECT rect{};
            ::GetWindowRect(window, &rect);
            ::SetWindowPos(window, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2,
                           (::GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        if (wParam == kLaunchTimer) {
            ::KillTimer(window, kLaunchTimer);
            HandOver();
            return 0;
        }
        if (wParam == kLifetimeTimer) {
            ::DestroyWindow(window);
            return 0;
        }
        break;
    case WM_DESTROY:
        if (g_shown) {  // the splash's end is not the program's
            ::PostQuitMessage(0);
        }
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const long long started = PerformanceCounter();
    const ULONGLONG startTick = ::GetTickCount64();
    const std::wstring module = ModulePath();
    const std::wstring commandLine = ::GetCommandLineW();

    std::wstring optionsFile = FromUtf8(ReadFileBytes(OptionsFileOf(module)).value_or(""));
    std::replace(optionsFile.begin(), optionsFile.end(), L'\r', L' ');
    std::replace(optionsFile.begin(), optionsFile.end(), L'\n', L' ');
    ApplyOptions(L"options " + optionsFile);
    ApplyOptions(commandLine);

    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    Report(L"start", std::to_wstring(started));
    Report(L"frequency", std::to_wstring(frequency.QuadPart));
    Report(L"module", module);
    Report(L"commandline", commandLine);
    Report(L"directory", CurrentDirectory());

    if (!g_options.forward.empty()) {
        const HANDLE request = ::CreateFileW(g_options.forward.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
        Report(L"forwarded", std::to_wstring(request != INVALID_HANDLE_VALUE));
        return request != INVALID_HANDLE_VALUE && ::CloseHandle(request) ? 0 : 1;
    }
    if (!g_options.serve.empty()) {
        // A stub's own pace: nothing waits on it but the test's timeouts.
        while (::GetTickCount64() - startTick < g_options.lifetime) {
            if (::DeleteFileW(g_options.serve.c_str())) {
                HandOver();
            }
            ::Sleep(20);
        }
        return 0;
    }
    if (!g_options.handOver.empty() && g_options.launchAfter == 0) {
        if (!HandOver()) {
            return 1;
        }
        if (g_options.stay) {
            ::Sleep(Remaining(::GetTickCount64() - startTick));
        }
        return 0;
    }
    if (g_options.delay >= g_options.lifetime) {
        return 0;
    }

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    if (g_options.splash > 0) {
        const HWND splash = ::CreateWindowExW(0, kWindowClass, (g_options.title + L" splash").c_str(),
                                              WS_POPUP | WS_BORDER | WS_VISIBLE, 300, 300, 200, 100, nullptr, nullptr,
                                              instance, nullptr);
        Report(L"splash", std::to_wstring(PerformanceCounter()));
        const ULONGLONG until = ::GetTickCount64() + g_options.splash;
        for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::DispatchMessageW(&message);
            }
        }
        ::DestroyWindow(splash);
    }
    ::Sleep(g_options.delay);
    const HWND window =
        ::CreateWindowExW(0, kWindowClass, g_options.title.c_str(), WS_OVERLAPPEDWINDOW, g_options.x, g_options.y,
                          g_options.width, g_options.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    RECT created{};
    ::GetWindowRect(window, &created);
    Report(L"created", RectText(created));

    ::SetTimer(window, kLifetimeTimer, Remaining(::GetTickCount64() - startTick), nullptr);

    Report(L"showing", std::to_wstring(PerformanceCounter()));
    g_shown = true;
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    Report(L"shown", std::to_wstring(PerformanceCounter()));
    if (g_options.moveAfter > 0) {
        ::SetTimer(window, kMoveTimer, g_options.moveAfter, nullptr);
    }
    if (!g_options.handOver.empty()) {
        ::SetTimer(window, kLaunchTimer, g_options.launchAfter, nullptr);
    }

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    Report(L"ended", std::to_wstring(PerformanceCounter()));
    return static_cast<int>(message.wParam);
}
