#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/launch_guard.h"

namespace resolaunch::testing {

// The guard process as its owner sees it, in memory.
class FakeGuard : public GuardProcess {
public:
    std::optional<ProcessIdentity> Guard(LaunchProcesses&, uint32_t keeper) override {
        if (!starts) {
            return std::nullopt;
        }
        started += running ? 0 : 1;
        running = true;
        keepers.push_back(keeper);
        return identity;
    }
    void Release() override {
        running = false;
        ++released;
    }

    ProcessIdentity identity{5151, 9};
    bool starts = true;  // false: the system refuses to start it
    bool running = false;
    int started = 0;
    int released = 0;
    std::vector<uint32_t> keepers;  // handed over, one per call
};

// What the guard knows of its owner, in memory: `ownerEnds` runs while the
// guard waits for its owner.
class FakeGuardLink : public GuardLink {
public:
    void WaitForOwner() override {
        if (ownerEnds) {
            ownerEnds();
        }
    }
    bool OwnerEnded() override { return ownerEnded; }
    std::unique_ptr<LaunchProcesses> Reopen(const LaunchHold& hold) override {
        reopened.push_back(hold);
        return std::make_unique<Held>(hold);
    }

    std::function<void()> ownerEnds;
    bool ownerEnded = true;
    std::vector<LaunchHold> reopened;

private:
    class Held final : public LaunchProcesses {
    public:
        explicit Held(LaunchHold hold) : hold_(std::move(hold)) {}
        LaunchFamily Family() override { return {}; }
        uint64_t Began() const override { return hold_.began; }
        LaunchHold Hold() const override { return hold_; }

    private:
        LaunchHold hold_;
    };
};

}  // namespace resolaunch::testing
