#include "target_program.h"

#include <cwchar>
#include <iterator>
#include <sstream>

#include "app_under_test.h"

namespace resolaunch::e2e {
namespace {

constexpr wchar_t kTargetFile[] = L"delayed_window.exe";

std::wstring ModuleFolder() {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return ParentOf(self);
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

bool MakeFolders(const std::wstring& folder) {
    if (folder.empty() || PathExists(folder)) {
        return true;
    }
    if (!MakeFolders(ParentOf(folder))) {
        return false;
    }
    return ::CreateDirectoryW(folder.c_str(), nullptr) != FALSE || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<RECT> ParseRect(const std::wstring& text) {
    RECT rect{};
    if (std::swscanf(text.c_str(), L"%ld,%ld,%ld,%ld", &rect.left, &rect.top, &rect.right, &rect.bottom) != 4) {
        return std::nullopt;
    }
    return rect;
}

long long ParseCounter(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

struct WindowSearch {
    DWORD processId = 0;
    const std::wstring* title = nullptr;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (search->title != nullptr) {
        if (::IsWindowVisible(window)) {
            wchar_t title[512] = {};
            const int length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
            if (std::wstring(title, static_cast<std::size_t>(length > 0 ? length : 0)) == *search->title) {
                search->found.push_back(window);
            }
        }
        return TRUE;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::wstring ImageOf(HANDLE process) {
    std::wstring image(32768, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(process, 0, image.data(), &size)) {
        return {};
    }
    image.resize(size);
    return image;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring TargetProgramPath() {
    if (const DWORD length = ::GetEnvironmentVariableW(L"RESOLAUNCH_E2E_TARGET", nullptr, 0); length > 0) {
        std::wstring value(length, L'\0');
        value.resize(::GetEnvironmentVariableW(L"RESOLAUNCH_E2E_TARGET", value.data(), length));
        return value;
    }
    return ModuleFolder() + L"\\" + kTargetFile;
}

bool PlaceTargetProgram(const std::wstring& path, const std::wstring& options, std::string* error) {
    if (!MakeFolders(ParentOf(path))) {
        *error = "cannot make the folder for " + Utf8(path) + ", error " + std::to_string(::GetLastError());
        return false;
    }
    const std::wstring source = TargetProgramPath();
    if (!::CopyFileW(source.c_str(), path.c_str(), TRUE)) {
        *error = "cannot copy " + Utf8(source) + " to " + Utf8(path) + ", error " + std::to_string(::GetLastError());
        return false;
    }
    std::wstring optionsPath = path;
    const std::size_t dot = optionsPath.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > optionsPath.find_last_of(L"\\/")) {
        optionsPath.resize(dot);
    }
    optionsPath += L".options";
    if (!WriteFileBytes(optionsPath, Utf8(options))) {
        *error = "cannot write " + Utf8(optionsPath);
        return false;
    }
    return true;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::vector<TargetStart> ReadTargetReport(const std::wstring& path) {
    std::vector<TargetStart> starts;
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        return starts;
    }
    std::istringstream lines(*bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::wstring text = FromUtf8(line);
        const std::size_t firstSpace = text.find(L' ');
        if (firstSpace == std::wstring::npos) {
            continue;
        }
        const std::size_t secondSpace = text.find(L' ', firstSpace + 1);
        const DWORD processId = static_cast<DWORD>(std::wcstoul(text.substr(0, firstSpace).c_str(), nullptr, 10));
        const std::wstring event = text.substr(firstSpace + 1, secondSpace == std::wstring::npos
                                                                   ? std::wstring::npos
                                                                   : secondSpace - firstSpace - 1);
        const std::wstring value = secondSpace == std::wstring::npos ? std::wstring() : text.substr(secondSpace + 1);

        if (event == L"start") {
            TargetStart start;
            start.processId = processId;
            start.started = ParseCounter(value);
            starts.push_back(start);
            continue;
        }
        // Other lines belong to the latest start of the same process.
        TargetStart* owner = nullptr;
        for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
            if (it->processId == processId) {
                owner = &*it;
                break;
            }
        }
        if (owner == nullptr) {
            continue;
        }
        if (event == L"frequency") {
            owner->frequency = ParseCounter(value);
        } else if (event == L"module") {
            owner->module = value;
        } else if (event == L"commandline") {
            owner->commandLine = value;
        } else if (event == L"directory") {
            owner->directory = value;
        } else if (event == L"created") {
            owner->created = ParseRect(value);
        } else if (event == L"showing") {
            owner->showing = ParseCounter(value);
        } else if (event == L"shown") {
            owner->shown = ParseCounter(value);
        } else if (event == L"moved") {
            const std::size_t space = value.find(L' ');
            if (space != std::wstring::npos) {
                if (const std::optional<RECT> rect = ParseRect(value.substr(space + 1))) {
                    owner->moves.push_back({ParseCounter(value.substr(0, space)), *rect});
                }
            }
        }
    }
    return starts;
}

std::vector<HWND> WindowsTitled(const std::wstring& title) {
    WindowSearch search;
    search.title = &title;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

long long PerformanceCounter() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(long long ticks, long long frequency) {
    return frequency > 0 ? static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency) : 0.0;
}

bool TargetPrograms::EndAll() {
    bool allEnded = true;
    for (const std::wstring& report : reports_) {
        for (const TargetStart& start : ReadTargetReport(report)) {
            const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                                                 FALSE, start.processId);
            if (process == nullptr) {
                continue;  // ended already
            }
            if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT && SamePath(ImageOf(process), start.module)) {
                WindowSearch search;
                search.processId = start.processId;
                ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
                for (HWND window : search.found) {
                    ::PostMessageW(window, WM_CLOSE, 0, 0);
                }
                if (search.found.empty() ||
                    ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count())) != WAIT_OBJECT_0) {
                    // It shows no window yet, or would not close: the last resort.
                    ::TerminateProcess(process, 0xE2E);
                    allEnded = ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count())) ==
                                   WAIT_OBJECT_0 &&
                               allEnded;
                }
            }
            ::CloseHandle(process);
        }
    }
    reports_.clear();
    return allEnded;
}

}  // namespace resolaunch::e2e
