#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/win32_handles.h"

namespace resolaunch {

std::wstring Win32FileSystem::ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= kLongestPath) {
            return std::wstring();
        }
        path.resize(std::min(path.size() * 2, kLongestPath));
    }
}

bool IsExistingFilePath(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::IsExistingFile(const std::wstring& path) { return IsExistingFilePath(path); }

FileRead Win32FileSystem::ReadFile(const std::wstring& path, std::size_t limit) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? FileRead::Outcome::NotFound : FileRead::Outcome::Failed, {}};
    }
    FileRead result{FileRead::Outcome::Read, {}};
    std::string& bytes = result.bytes;
    char buffer[16384];
    while (bytes.size() < limit) {
        const DWORD wanted = static_cast<DWORD>(std::min(sizeof(buffer), limit - bytes.size()));
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer, wanted, &read, nullptr)) {
            return {FileRead::Outcome::Failed, {}};
        }
        if (read == 0) {
            break;
        }
        bytes.append(buffer, read);
    }
    return result;
}

bool Win32FileSystem::WriteNewFile(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    if (!::FlushFileBuffers(file.get())) {
        return false;
    }
    return ::CloseHandle(file.release()) != FALSE;
}

bool Win32FileSystem::MoveReplacing(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32FileSystem::RemoveFile(const std::wstring& path) { ::DeleteFileW(path.c_str()); }

bool Win32FileSystem::MoveWithoutReplacing(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::wstring Win32FileSystem::TemporaryFolder() {
    wchar_t path[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, path);
    if (length == 0 || length > MAX_PATH + 1) {
        return std::wstring();
    }
    std::wstring folder(path, length);
    while (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

bool Win32FileSystem::MakeFolder(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
        return true;
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::wstring> Win32FileSystem::FileNamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                             nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

std::optional<std::string> Win32AnsiCodec::Encode(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > INT_MAX / 4) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    const UINT codePage = codePage_ == CP_ACP ? ::GetACP() : codePage_;
    // With UTF-8 as the system's code page, the default-character check is not allowed.
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const int size = ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, usedDefaultOut);
    if (size <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), size, nullptr, usedDefaultOut);
    if (usedDefault || Decode(bytes) != text) {  // keep only what reads back unchanged
        return std::nullopt;
    }
    return bytes;
}

std::wstring Win32AnsiCodec::Decode(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return std::wstring();
    }
    const int length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage_, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage_, 0, bytes.data(), length, text.data(), size);
    return text;
}

}  // namespace resolaunch
