#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

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

}  // namespace resolaunch
