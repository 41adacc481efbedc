#pragma once

#include <memory>
#include <utility>

#include "follow/launch_families.h"
#include "platform/launch_processes.h"
#include "platform/process_facts.h"

namespace resolaunch {

// The latest launch: its number and the processes the platform holds for
// it. The one place that knows which launch is the latest.
class LatestLaunch final : public LaunchFamilies {
public:
    explicit LatestLaunch(ProcessFacts& facts) : facts_(facts) {}

    // `processes` is the latest launch from now on; an earlier one is let go.
    void Started(LaunchId id, std::unique_ptr<LaunchProcesses> processes) {
        id_ = id;
        processes_ = std::move(processes);
    }
    LaunchId Id() const { return id_; }
    // Null before the first launch.
    LaunchProcesses* Processes() const { return processes_.get(); }

    LaunchFamily Family() override { return processes_ ? processes_->Family() : LaunchFamily{{}, true}; }
    bool StartedAfterLaunch(uint32_t processId) override {
        return processes_ && facts_.StartedSince(processId, processes_->Began());
    }
    std::wstring ImagePathOf(uint32_t processId) override { return facts_.ImagePathOf(processId); }
    bool StartedByShell(uint32_t processId) override { return facts_.StartedByShell(processId); }

private:
    ProcessFacts& facts_;
    LaunchId id_ = 0;
    std::unique_ptr<LaunchProcesses> processes_;
};

}  // namespace resolaunch
