#include "target_program.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <sstream>

#include "app_under_test.h"

namespace resolaunch::e2e {
namespace {

std::optional<RECT> ParseRect(const std::wstring& text) {
    RECT rect{};
    if (std::swscanf(text.c_str(), L"%ld,%ld,%ld,%ld", &rect.left, &rect.top, &rect.right, &rect.bottom) != 4) {
        return std::nullopt;
    }
    return rect;
}

long long ParseCounter(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 10); }

std::wstring ImageOf(HANDLE process) {
    std::wstring image(32768, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(process, 0, image.data(), &size)) {
        return {};
    }
    image.resize(size);
    return image;
}

}  // namespace

bool PlaceTargetProgram(const std::wstring& path, const std::wstring& options, std::string* error) {
    std::wstring source = EnvironmentVariable(L"RESOLAUNCH_E2E_TARGET");
    if (source.empty()) {
        source = ParentOf(ModulePath()) + L"\\delayed_window.exe";
    }
    std::error_code failure;
    std::filesystem::create_directories(ParentOf(path), failure);
    if (failure) {
        *error = "cannot make the folder for " + Utf8(path) + ": " + failure.message();
        return false;
    }
    if (!::CopyFileW(source.c_str(), path.c_str(), TRUE)) {
        *error = LastError("copying " + Utf8(source) + " to " + Utf8(path));
        return false;
    }
    if (!WriteFileBytes(OptionsFileOf(path), Utf8(options))) {
        *error = "cannot write " + Utf8(OptionsFileOf(path));
        return false;
    }
    return true;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::vector<TargetStart> ReadTargetReport(const std::wstring& path) {
    std::vector<TargetStart> starts;
    std::istringstream lines(ReadFileBytes(path).value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // "<pid> <event> <value>", the value running to the end of the line.
        std::wistringstream fields(FromUtf8(line));
        DWORD processId = 0;
        std::wstring event;
        std::wstring value;
        if (!(fields >> processId >> event)) {
            continue;
        }
        fields.get();
        std::getline(fields, value);

        if (event == L"start") {
            starts.emplace_back().processId = processId;
            starts.back().started = ParseCounter(value);
            continue;
        }
        // Other lines belong to the latest start of the same process.
        auto owner = std::find_if(starts.rbegin(), starts.rend(),
                                  [&](const TargetStart& start) { return start.processId == processId; });
        if (owner == starts.rend()) {
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
        } else if (TargetStart::Move move;
                   event == L"moved" && std::swscanf(value.c_str(), L"%lld %ld,%ld,%ld,%ld", &move.at, &move.rect.left,
                                                     &move.rect.top, &move.rect.right, &move.rect.bottom) == 5) {
            owner->moves.push_back(move);
        }
    }
    return starts;
}

std::vector<HWND> WindowsTitled(const std::wstring& title) {
    std::vector<HWND> windows = TopLevelWindows();
    std::erase_if(windows, [&](HWND window) { return !::IsWindowVisible(window) || WindowTitle(window) != title; });
    return windows;
}

HWND WindowTitledAt(const std::wstring& title, int x, int y) {
    for (HWND window : WindowsTitled(title)) {
        RECT rect{};
        if (::GetWindowRect(window, &rect) && rect.left == x && rect.top == y) {
            return window;
        }
    }
    return nullptr;
}

bool TargetPrograms::EndAll() {
    bool allEnded = true;
    const auto ended = [](HANDLE process) {
        return ::WaitForSingleObject(process, static_cast<DWORD>(kExitTimeout.count())) == WAIT_OBJECT_0;
    };
    for (const std::wstring& report : reports_) {
        for (const TargetStart& start : ReadTargetReport(report)) {
            const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                                                 FALSE, start.processId);
            if (process == nullptr) {
                continue;  // ended already
            }
            if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT && SameText(ImageOf(process), start.module)) {
                bool closing = false;
                for (HWND window : TopLevelWindows()) {
                    if (ProcessOf(window) == start.processId) {
                        closing = ::PostMessageW(window, WM_CLOSE, 0, 0) != FALSE || closing;
                    }
                }
                if (!closing || !ended(process)) {
                    // It shows no window yet, or would not close: the last resort.
                    ::TerminateProcess(process, 0xE2E);
                    allEnded = ended(process) && allEnded;
                }
            }
            ::CloseHandle(process);
        }
    }
    reports_.clear();
    return allEnded;
}

}  // namespace resolaunch::e2e
