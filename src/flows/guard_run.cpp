#include "flows/guard_run.h"

#include <memory>
#include <optional>

#include "flows/switch_owner.h"
#include "flows/switch_records.h"

namespace resolaunch {

int RunGuard(const ProcessIdentity& owner, const GuardServices& services) {
    services.link.WaitForOwner();
    SwitchRecords records(services.files, services.facts);
    const std::optional<SwitchRecord> left = records.ReadOf(owner);
    if (!left || !left->launch || left->launch->guard != services.facts.Self() || !services.link.OwnerEnded()) {
        return 0;
    }
    const std::optional<SwitchRecord> record = records.ClaimOf(owner);
    if (!record || !record->launch) {
        records.DeleteClaimOf(owner);
        return 0;
    }
    const GuardedLaunch& launch = *record->launch;
    FollowRule rule = launch.rule;
    // Ids are reused: only the keeper recorded keeps the launch running.
    if (rule.keeper != 0 &&
        services.facts.IdentityOf(rule.keeper) != ProcessIdentity{rule.keeper, launch.keeperCreated}) {
        rule.keeper = 0;
    }
    SwitchOwner switches(services.modes, services.displays, records);
    bool ended = false;
    bool returned = false;
    const std::unique_ptr<LaunchProcesses> processes = services.link.Reopen(launch.hold);
    services.loop.OnLaunchEnded([&](LaunchId) { ended = true; });
    services.returnKey.Listen([&] {
        switches.ReturnToDefaults();
        returned = true;
    });
    services.follower.Follow(1, *processes, rule);
    services.loop.RunUntil([&] { return ended || returned; });
    services.follower.Stop();
    services.returnKey.Stop();
    if (!ended && !returned) {
        return 0;  // told to quit: the claim dies with this process, and the next start makes the restore
    }
    if (ended) {
        switches.SettleRecord(*record);
    }
    records.DeleteClaimOf(owner);
    return 0;
}

}  // namespace resolaunch
