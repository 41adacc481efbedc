#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "modes/display_mode.h"
#include "platform/file_system.h"
#include "platform/launch_follower.h"
#include "platform/launch_processes.h"
#include "platform/process_facts.h"

namespace resolaunch {

// The launch a record's guard carries to its end should its owner be ended
// first, and how it is followed.
struct GuardedLaunch {
    ProcessIdentity guard;
    LaunchHold hold;
    FollowRule rule;
    uint64_t keeperCreated = 0;  // the rule's keeper's creation (ids are reused)

    friend bool operator==(const GuardedLaunch&, const GuardedLaunch&) = default;
};

// What a record says ResoLaunch switched, and to what.
struct SwitchRecord {
    std::wstring device;         // "" the primary
    std::wstring interfacePath;  // the monitor's; empty when the system gave none
    DisplayMode mode;
    uint32_t rate = 0;  // 0: the platform's choice
    std::optional<GuardedLaunch> launch;  // while a guard holds the launch followed

    friend bool operator==(const SwitchRecord&, const SwitchRecord&) = default;
};

// A record's text (UTF-8 lines "Device=", "Interface=", "Mode=WxHxBITS",
// "Rate=", then with a guarded launch "Guard=", "Job=", "Started=",
// "Began=", "Family=", "Keeper=", "Descendants=", "Named="; processes as
// "<id>-<created>"), and back; nothing for a text that is not a whole
// record. A launch that does not read whole is left out.
std::string RecordText(const SwitchRecord& record);
std::optional<SwitchRecord> ParseRecord(std::string_view text);

// The records of restores owed, one file per owing process in
// %TEMP%\ResoLaunch\, named by the process's id and creation time, so that
// a restore owed outlives a ResoLaunch that was ended, and a later start
// makes it. Nothing is said when the folder cannot be written: everything
// works as without records.
class SwitchRecords {
public:
    SwitchRecords(FileSystem& files, ProcessFacts& processes) : files_(files), processes_(processes) {}

    // This process's record, in place of any before: written atomically.
    // False when it could not be written.
    bool Write(const SwitchRecord& record);
    // This process's record is gone: a restore made, or dropped.
    void Delete();
    // Whether this process's record is still there (another ResoLaunch's
    // hotkey deletes every record).
    bool Exists();
    // Every record, of every process.
    void DeleteAll();

    // The records whose owner has ended: each is claimed (of two starts, one
    // has it), handed to `settle` and deleted. Those of running processes
    // stay, and those whose guard runs.
    void SettleLeftBehind(const std::function<void(const SwitchRecord&)>& settle);

    // The guard's side: the record of its owner; nothing when it is gone.
    std::optional<SwitchRecord> ReadOf(const ProcessIdentity& owner);
    // Claims the owner's record for this process, as a later start would;
    // nothing when another has it, or it is gone.
    std::optional<SwitchRecord> ClaimOf(const ProcessIdentity& owner);
    // The record claimed of that owner is gone.
    void DeleteClaimOf(const ProcessIdentity& owner);

private:
    std::wstring Folder();
    std::wstring OwnPath();
    std::optional<SwitchRecord> ReadRecord(const std::wstring& path);
    std::wstring ClaimedPath(const std::wstring& folder, const std::wstring& original);

    FileSystem& files_;
    ProcessFacts& processes_;
};

}  // namespace resolaunch
