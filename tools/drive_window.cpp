// drive_window.exe: does to ResoLaunch's main window what a user would with
// the mouse, for the scripts that run it under Wine (where the child controls
// are no X windows that X tools could see).
//
//   drive_window.exe [--desktop NAME] [--title TEXT | --process EXE] [--wait SECONDS]
//                    [--mode WIDTHxHEIGHTxBITS] [--click CAPTION]
//
// It waits (default 30 s) for a visible top-level window with the given title
// (default ResoLaunch's) or of a process with the given image name, then
// selects the list entry of the display mode WIDTHxHEIGHTxBITS, such as
// 800x600x32, found by the numbers in its label and not by its position, and
// then presses the button whose caption is exactly CAPTION (BM_CLICK, posted,
// so that a message box the press opens cannot hold this program up).
// --desktop NAME joins the Wine virtual desktop of that name first, so the
// program can be started outside it with a plain `wine drive_window.exe`.
//
// Prints what it did; exits 0 when all of it was done, 1 when something was
// not found in time or could not be done, 2 on a wrong command line.
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kDefaultTitle[] = L"指定アプリケーション起動、解像度変更、位置変更";
constexpr UINT kAnswerTimeoutMs = 5000;

struct Mode {
    long width = 0;
    long height = 0;
    long bits = 0;
};

struct Options {
    std::wstring desktop;
    std::wstring title = kDefaultTitle;
    std::wstring process;
    int waitSeconds = 30;
    std::optional<Mode> mode;
    std::wstring click;
};

// Output as UTF-8, whether it goes to a console, a file or a pipe.
void Write(DWORD handleId, const std::wstring& text) {
    const std::wstring line = text + L"\n";
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(handleId), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
void Say(const std::wstring& text) { Write(STD_OUTPUT_HANDLE, L"drive_window: " + text); }
void Complain(const std::wstring& text) { Write(STD_ERROR_HANDLE, L"drive_window: " + text); }

// "800x600x32" as a mode.
std::optional<Mode> ParseModeArgument(const std::wstring& text) {
    long parts[3] = {};
    const wchar_t* at = text.c_str();
    for (int i = 0; i < 3; ++i) {
        wchar_t* end = nullptr;
        parts[i] = std::wcstol(at, &end, 10);
        if (end == at || parts[i] <= 0 || *end != (i < 2 ? L'x' : L'\0')) {
            return std::nullopt;
        }
        at = end + 1;
    }
    return Mode{parts[0], parts[1], parts[2]};
}

// The mode in a list label such as " 800 ×  600 32Bit  即時更新可".
std::optional<Mode> ParseModeLabel(const std::wstring& label) {
    Mode mode;
    const wchar_t* at = label.c_str();
    wchar_t* end = nullptr;
    mode.width = std::wcstol(at, &end, 10);
    if (end == at) {
        return std::nullopt;
    }
    at = end;
    while (*at == L' ') {
        ++at;
    }
    if (*at != L'\u00D7') {
        return std::nullopt;
    }
    ++at;
    mode.height = std::wcstol(at, &end, 10);
    if (end == at) {
        return std::nullopt;
    }
    at = end;
    mode.bits = std::wcstol(at, &end, 10);
    if (end == at || std::wcsncmp(end, L"Bit", 3) != 0) {
        return std::nullopt;
    }
    return mode;
}

std::wstring Describe(const Mode& mode) {
    return std::to_wstring(mode.width) + L"x" + std::to_wstring(mode.height) + L"x" + std::to_wstring(mode.bits);
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (i + 1 >= argc) {
            Complain(L"no value after " + name);
            return false;
        }
        const std::wstring value = argv[++i];
        if (name == L"--desktop") {
            options->desktop = value;
        } else if (name == L"--title") {
            options->title = value;
        } else if (name == L"--process") {
            options->process = value;
        } else if (name == L"--wait") {
            wchar_t* end = nullptr;
            const long seconds = std::wcstol(value.c_str(), &end, 10);
            if (*end != L'\0' || seconds < 0 || seconds > 3600) {
                Complain(L"--wait takes seconds, not " + value);
                return false;
            }
            options->waitSeconds = static_cast<int>(seconds);
        } else if (name == L"--mode") {
            options->mode = ParseModeArgument(value);
            if (!options->mode) {
                Complain(L"--mode takes WIDTHxHEIGHTxBITS, such as 800x600x32, not " + value);
                return false;
            }
        } else if (name == L"--click") {
            options->click = value;
        } else {
            Complain(L"unknown option " + name);
            return false;
        }
    }
    return true;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    const int length = ::GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

// A window's text, asked of its process; nothing when it does not answer.
std::optional<std::wstring> TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length) == 0) {
        return std::nullopt;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                              SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied) == 0) {
        return std::nullopt;
    }
    text.resize(copied < text.size() ? copied : 0);
    return text;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> windows;
    ::EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& image) {
    std::vector<DWORD> ids;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return ids;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (::lstrcmpiW(entry.szExeFile, image.c_str()) == 0) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    ::CloseHandle(snapshot);
    return ids;
}

HWND FindMainWindow(const Options& options) {
    const std::vector<DWORD> processes =
        options.process.empty() ? std::vector<DWORD>{} : ProcessesNamed(options.process);
    for (HWND window : TopLevelWindows()) {
        if (!::IsWindowVisible(window)) {
            continue;
        }
        if (options.process.empty()) {
            wchar_t title[512] = {};
            const int length = ::GetWindowTextW(window, title, 512);
            if (length > 0 && options.title == std::wstring(title, static_cast<std::size_t>(length))) {
                return window;
            }
        } else {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            for (DWORD id : processes) {
                if (id == owner) {
                    return window;
                }
            }
        }
    }
    return nullptr;
}

// The list box and entry that show `mode`; index -1 when no entry does.
struct Entry {
    HWND list = nullptr;
    int index = -1;
    std::wstring label;
};

Entry FindModeEntry(HWND main, const Mode& mode) {
    for (HWND child : ChildWindows(main)) {
        if (::lstrcmpiW(ClassOf(child).c_str(), L"ListBox") != 0) {
            continue;
        }
        DWORD_PTR count = 0;
        if (::SendMessageTimeoutW(child, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &count) == 0 ||
            static_cast<LRESULT>(count) == LB_ERR) {
            continue;
        }
        for (int i = 0; i < static_cast<int>(count); ++i) {
            DWORD_PTR length = 0;
            if (::SendMessageTimeoutW(child, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG,
                                      kAnswerTimeoutMs, &length) == 0 ||
                static_cast<LRESULT>(length) == LB_ERR) {
                continue;
            }
            std::wstring label(length + 1, L'\0');
            DWORD_PTR copied = 0;
            if (::SendMessageTimeoutW(child, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(label.data()),
                                      SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied) == 0 ||
                static_cast<LRESULT>(copied) == LB_ERR) {
                continue;
            }
            label.resize(copied < label.size() ? copied : 0);
            const std::optional<Mode> shown = ParseModeLabel(label);
            if (shown && shown->width == mode.width && shown->height == mode.height && shown->bits == mode.bits) {
                return Entry{child, i, label};
            }
        }
    }
    return Entry{};
}

HWND FindButton(HWND main, const std::wstring& caption) {
    for (HWND child : ChildWindows(main)) {
        if (::lstrcmpiW(ClassOf(child).c_str(), L"Button") != 0 || !::IsWindowVisible(child)) {
            continue;
        }
        if (const std::optional<std::wstring> text = TextOf(child); text && *text == caption) {
            return child;
        }
    }
    return nullptr;
}

// Selects the entry as a click on it would, with the notification a list box
// that asks for them sends to its parent.
bool Select(const Entry& entry) {
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(entry.list, LB_SETCURSEL, static_cast<WPARAM>(entry.index), 0, SMTO_ABORTIFHUNG,
                              kAnswerTimeoutMs, &answer) == 0 ||
        static_cast<LRESULT>(answer) != entry.index) {
        return false;
    }
    if ((::GetWindowLongW(entry.list, GWL_STYLE) & LBS_NOTIFY) != 0) {
        const int id = ::GetDlgCtrlID(entry.list);
        ::SendMessageTimeoutW(::GetParent(entry.list), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(entry.list), SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer);
    }
    DWORD_PTR selected = 0;
    return ::SendMessageTimeoutW(entry.list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &selected) != 0 &&
           static_cast<LRESULT>(selected) == entry.index;
}

// Tries `attempt` until it succeeds; false once the deadline has passed.
template <typename Attempt>
bool Await(std::chrono::steady_clock::time_point deadline, Attempt attempt) {
    for (;;) {
        if (attempt()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        Complain(L"usage: drive_window.exe [--desktop NAME] [--title TEXT | --process EXE] [--wait SECONDS] "
                 L"[--mode WIDTHxHEIGHTxBITS] [--click CAPTION]");
        return 2;
    }

    if (!options.desktop.empty()) {
        const HDESK desktop = ::OpenDesktopW(options.desktop.c_str(), 0, FALSE, GENERIC_ALL);
        if (desktop == nullptr || !::SetThreadDesktop(desktop)) {
            Complain(L"cannot join the desktop " + options.desktop + L" (error " + std::to_wstring(::GetLastError()) +
                     L")");
            return 1;
        }
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.waitSeconds);
    const std::wstring wanted = options.process.empty() ? L"\"" + options.title + L"\"" : options.process;
    HWND main = nullptr;
    if (!Await(deadline, [&] { return (main = FindMainWindow(options)) != nullptr; })) {
        Complain(L"no window " + wanted + L" within " + std::to_wstring(options.waitSeconds) + L" s");
        return 1;
    }

    if (options.mode) {
        // The list fills at start-up; wait until the entry is there.
        Entry entry;
        if (!Await(deadline, [&] { return (entry = FindModeEntry(main, *options.mode)).list != nullptr; })) {
            Complain(L"no list entry for the mode " + Describe(*options.mode));
            return 1;
        }
        if (!Select(entry)) {
            Complain(L"could not select entry " + std::to_wstring(entry.index) + L" \"" + entry.label + L"\"");
            return 1;
        }
        Say(L"selected entry " + std::to_wstring(entry.index) + L" \"" + entry.label + L"\"");
    }

    if (!options.click.empty()) {
        HWND button = nullptr;
        if (!Await(deadline, [&] { return (button = FindButton(main, options.click)) != nullptr; })) {
            Complain(L"no button \"" + options.click + L"\"");
            return 1;
        }
        if (!::IsWindowEnabled(button)) {
            Complain(L"the button \"" + options.click + L"\" is disabled");
            return 1;
        }
        if (!::PostMessageW(button, BM_CLICK, 0, 0)) {
            Complain(L"could not press \"" + options.click + L"\" (error " + std::to_wstring(::GetLastError()) + L")");
            return 1;
        }
        Say(L"pressed \"" + options.click + L"\"");
    }
    return 0;
}
