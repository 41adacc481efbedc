#pragma once

#include <cstdint>

namespace resolaunch {

// A process as it stays known while it runs: its id, and when it was created
// (ids are reused).
struct ProcessIdentity {
    uint32_t id = 0;
    uint64_t created = 0;  // in the platform's count of system time

    friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
};

}  // namespace resolaunch
