#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/win32_handles.h"

namespace resolaunch {

// System time as a count of FILETIME's 100 ns, the unit LaunchProcesses::Began uses.
inline uint64_t AsCount(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

inline uint64_t SystemTimeNow() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return AsCount(now);
}

// When the process was created; nothing when the system will not tell.
inline std::optional<uint64_t> CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (process == nullptr || !::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    return AsCount(created);
}

// The full path of the process's executable; empty when it cannot be read.
inline std::wstring ImagePathOfProcess(HANDLE process) {
    std::wstring path(kLongestPath, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (process == nullptr || !::QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
        return std::wstring();
    }
    path.resize(length);
    return path;
}

// Calls `visit` with each process of a snapshot taken now, until it returns
// false. Nothing is visited when the system gives no snapshot.
template <typename Visit>
void ForEachProcess(Visit&& visit) {
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // INVALID_HANDLE_VALUE when none
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !::Process32FirstW(snapshot.get(), &entry)) {
        return;
    }
    do {
        if (!visit(static_cast<const PROCESSENTRY32W&>(entry))) {
            return;
        }
    } while (::Process32NextW(snapshot.get(), &entry));
}

}  // namespace resolaunch
