#pragma once

// Win32 helpers shared by the test programs: the end-to-end driver, the
// program it has ResoLaunch start and the start-up benchmark.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace resolaunch::win32_test {

// `text` in a code page: UTF-8 unless told otherwise.
inline std::string Narrow(std::wstring_view text, UINT codePage = CP_UTF8) {
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

inline std::string Utf8(std::wstring_view text) { return Narrow(text); }

inline std::wstring FromUtf8(std::string_view bytes) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

// "what failed, error N" with the calling thread's last error.
inline std::string LastError(const std::string& what) {
    return what + " failed, error " + std::to_string(::GetLastError());
}

// CreateProcessW for an exe without inherited handles, tried again a few
// times when the answer is ERROR_INTERNAL_ERROR: Wine 8 now and then gives it
// for a start in a prefix made shortly before, and the next try works.
inline BOOL CreateProcessRetried(const std::wstring& program, std::wstring& commandLine, DWORD flags,
                                 const std::wstring& folder, STARTUPINFOW& startup, PROCESS_INFORMATION& created) {
    for (int attempt = 0;; ++attempt) {
        if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                             folder.c_str(), &startup, &created)) {
            return TRUE;
        }
        if (::GetLastError() != ERROR_INTERNAL_ERROR || attempt == 4) {
            return FALSE;
        }
        ::Sleep(100);  // no state to wait on: the system refused, and may not the next time
    }
}

inline long long PerformanceCounter() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Ordinal and case-insensitive, as the system compares file and class names.
inline bool SameText(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

inline std::wstring ModulePath() {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// The folder part of a path, without the last "\".
inline std::wstring ParentOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

inline std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// "<folder>\<name>.options" for the program "<folder>\<name>.exe": the options
// file a copy of delayed_window.exe reads when it starts.
inline std::wstring OptionsFileOf(const std::wstring& program) {
    return std::filesystem::path(program).replace_extension(L".options").wstring();
}

// The whole file; nothing when it cannot be opened or read.
inline std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != FALSE) && read > 0) {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    return ok ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

// A new folder under the system's temporary folder, its name beginning with
// `prefix`; empty on failure, with the reason in *error.
inline std::wstring MakeTempFolder(const std::wstring& prefix, std::string* error) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        *error = "no temporary folder";
        return {};
    }
    // The wide API itself, so that names in any script work.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = std::wstring(temp, length) + prefix + std::to_wstring(::GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            return folder;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = "no new temporary folder: error " + std::to_string(::GetLastError());
            return {};
        }
    }
    *error = "no new temporary folder: every name is taken";
    return {};
}

// Deletes a folder with everything in it; false if anything is left.
inline bool DeleteTree(const std::wstring& folder) {
    std::error_code failure;
    std::filesystem::remove_all(folder, failure);
    return !failure;
}

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Every top-level window of every process, in z-order.
inline std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The first of `windows` that `match` accepts; nullptr if none is.
template <typename Match>
HWND FirstOf(const std::vector<HWND>& windows, Match match) {
    const auto found = std::find_if(windows.begin(), windows.end(), match);
    return found != windows.end() ? *found : nullptr;
}

inline DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return processId;
}

// A top-level window's title, read without a message to its process.
inline std::wstring WindowTitle(HWND window) {
    wchar_t title[512] = {};
    const int length = ::GetWindowTextW(window, title, 512);
    return std::wstring(title, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace resolaunch::win32_test
